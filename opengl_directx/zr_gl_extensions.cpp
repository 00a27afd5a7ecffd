#include "opengl_directx/zr_gl_extensions.h"

// clang-format off
#include <GL/glew.h>
#include <GL/glx.h>
// clang-format on

#include <atomic>
#include <mutex>

#include "common/zr_logging.h"

namespace {

std::mutex setUpLock;
ZRGLCapabilities capabilities;
std::atomic<bool> ready{false};

}  // namespace

bool hasCurrentOpenGLContext() {
  return glXGetCurrentContext() != nullptr;
}

bool initOpenGLExtensions() {
  if (ready.load(std::memory_order_acquire)) return true;
  std::lock_guard<std::mutex> g(setUpLock);
  if (ready.load(std::memory_order_relaxed)) return true;
  if (!hasCurrentOpenGLContext()) {
    ZRLOG("error: OpenGL set-up needs a current context");
    return false;
  }
  const GLenum result = glewInit();
  if (result != GLEW_OK) {
    ZRLOG("error: GLEW set-up failed: %s", reinterpret_cast<const char*>(glewGetErrorString(result)));
    return false;
  }
  capabilities.pixelBufferObjects = GLEW_ARB_pixel_buffer_object || GLEW_VERSION_2_1;
  capabilities.nonPowerOfTwo = GLEW_ARB_texture_non_power_of_two || GLEW_VERSION_2_0;
  capabilities.framebuffers =
      (GLEW_VERSION_3_0 || GLEW_ARB_framebuffer_object) && glGenFramebuffers != nullptr;
  GLint size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  capabilities.maxTextureSize = size;
  ready.store(true, std::memory_order_release);
  return true;
}

const ZRGLCapabilities* getOpenGLCapabilities() {
  return ready.load(std::memory_order_acquire) ? &capabilities : nullptr;
}
