#pragma once
// GL set-up of the render canvases: GLEW start-up and the 2D projection every skin draw runs inside.
//
// Threads: render thread, with a GL context current.

// Sets GLEW up (once per process; see zr_gl_extensions.h). On failure logs "Error: %s" with the reason and
// answers false (the next frame tries again); the first success logs "Status: Using GLEW %s".
bool initGlewLibrary();

// Pushes the projection, the model-view matrix and the depth and lighting state, and sets an orthographic
// projection of one unit per pixel over (0, 0, width x scale, height x scale), or over the current viewport
// when either product is not above 0. With topLeft the origin is the top-left corner and y grows
// downwards (the skin's points times scale); without it the origin is the bottom-left corner. Depth test
// and lighting are off inside.
void glEnable2D(int topLeft, int width, int height, float scale);
// Restores what glEnable2D pushed.
void glDisable2D();

// Multiplies the current matrix by a perspective projection with a vertical field of view in degrees.
void glPerspective(double fovY, double aspect, double zNear, double zFar);
// The drawing state the canvases start from (and render-to-texture leaves for the video output): clear
// colour opaque black, smooth shading, nicest perspective correction, blending and 2D textures on, linear
// filtering of the bound texture.
void glDefaultDrawingState();

// The same for the process's render engine: they act only while it is OpenGL. device and context are not
// read by the OpenGL engine.
void enable2D(int topLeft, int width, int height, float scale, void* device, void* context);
void disable2D(void* device, void* context);
