#pragma once
// GLEW set-up and what the process's OpenGL can do. GLEW's entry points are process-wide: they are set up
// once, with a context current, before the first texture is allocated; the render window's contexts share
// their objects and come from the same driver, so one set-up serves both.

struct ZRGLCapabilities {
  bool pixelBufferObjects = false;  // ARB_pixel_buffer_object
  bool nonPowerOfTwo = false;       // ARB_texture_non_power_of_two
  bool framebuffers = false;        // render to texture (GL 3.0 or ARB_framebuffer_object)
  int maxTextureSize = 0;           // GL_MAX_TEXTURE_SIZE
};

// True when an OpenGL context is current on the calling thread.
bool hasCurrentOpenGLContext();

// Sets GLEW up with the calling thread's current context (once per process) and reads the capabilities.
// False, with a log line, when no context is current or GLEW fails; a later call tries again.
bool initOpenGLExtensions();

// The capabilities read by the set-up; null before it succeeded.
const ZRGLCapabilities* getOpenGLCapabilities();
