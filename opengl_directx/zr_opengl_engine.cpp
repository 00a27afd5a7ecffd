#include "opengl_directx/zr_opengl_engine.h"

#include "common/zr_texture.h"
#include "opengl_directx/zr_gl_bulk_line_renderer.h"
#include "opengl_directx/zr_texture_opengl.h"

namespace {

ZRGLBulkLineRenderer& lineRenderer() {
  static ZRGLBulkLineRenderer renderer;
  return renderer;
}

}  // namespace

void installOpenGLRenderEngine() {
  ZRTexture::registerTextureFactory(ZRRenderEngineOpenGL, &ZRTextureOpenGL::create);
  setBulkLineRenderer(&lineRenderer());
  if (ZRTexture::defaultRenderEngine.load() == ZRRenderEngineNone) {
    ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
  }
}

void releaseOpenGLRenderResources() {
  ZRTextureOpenGL::releaseSharedPrograms();
  lineRenderer().releaseProgram();
}
