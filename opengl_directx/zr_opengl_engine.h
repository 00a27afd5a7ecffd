#pragma once
// Start and end of OpenGL drawing for the process.
//
// installOpenGLRenderEngine (main thread, at start-up, before the first texture is made): registers the
// OpenGL textures with ZRTexture::createTexture and the GL line renderer with the line batch, and makes
// OpenGL the default engine when none is set. Needs no context.
//
// releaseOpenGLRenderResources (render thread, with a context current, before the contexts go away):
// deletes the programs shared by all textures and the line batch; they are built again when next needed.

void installOpenGLRenderEngine();
void releaseOpenGLRenderResources();
