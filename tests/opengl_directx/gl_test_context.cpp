#include "gl_test_context.h"

// clang-format off
#include <GL/glew.h>
#include <GL/glx.h>
// clang-format on

#include <cstdlib>

#include "opengl_directx/zr_gl_extensions.h"
#include "opengl_directx/zr_opengl_engine.h"

namespace orvel_test {

namespace {

Display* display = nullptr;
GLXPbuffer surface = 0;
GLXContext context = nullptr;

}  // namespace

bool ensureGLContext() {
  static const bool ready = [] {
    if (std::getenv("DISPLAY") == nullptr) return false;
    display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    const int attributes[] = {GLX_DRAWABLE_TYPE,
                              GLX_PBUFFER_BIT,
                              GLX_RENDER_TYPE,
                              GLX_RGBA_BIT,
                              GLX_RED_SIZE,
                              8,
                              GLX_GREEN_SIZE,
                              8,
                              GLX_BLUE_SIZE,
                              8,
                              GLX_ALPHA_SIZE,
                              8,
                              None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    if (configs == nullptr || count == 0) return false;
    const int pbufferAttributes[] = {GLX_PBUFFER_WIDTH, 64, GLX_PBUFFER_HEIGHT, 64, None};
    surface = glXCreatePbuffer(display, configs[0], pbufferAttributes);
    context = glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, nullptr, True);
    XFree(configs);
    if (context == nullptr || !glXMakeContextCurrent(display, surface, surface, context)) return false;
    installOpenGLRenderEngine();
    return initOpenGLExtensions();
  }();
  return ready;
}

void releaseGLContext() {
  if (display != nullptr) glXMakeContextCurrent(display, None, None, nullptr);
}

void restoreGLContext() {
  if (display != nullptr) glXMakeContextCurrent(display, surface, surface, context);
}

void finishGL() {
  glFinish();
}

RenderTarget::RenderTarget(int width, int height) : width_(width), height_(height) {
  glGenTextures(1, &colour_);
  glBindTexture(GL_TEXTURE_2D, colour_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glGenFramebuffers(1, &framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour_, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

RenderTarget::~RenderTarget() {
  glDeleteFramebuffers(1, &framebuffer_);
  glDeleteTextures(1, &colour_);
}

void RenderTarget::begin(float r, float g, float b, float a) {
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glViewport(0, 0, width_, height_);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width_, height_, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glClearColor(r, g, b, a);
  glClear(GL_COLOR_BUFFER_BIT);
}

void RenderTarget::end() {
  glFinish();
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous_));
}

std::vector<uint8_t> RenderTarget::read() const {
  GLint previous = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  std::vector<uint8_t> bottomUp(static_cast<size_t>(width_) * height_ * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
  std::vector<uint8_t> out(bottomUp.size());
  const size_t row = static_cast<size_t>(width_) * 4;
  for (int y = 0; y < height_; ++y) {
    std::copy(bottomUp.begin() + (height_ - 1 - y) * row, bottomUp.begin() + (height_ - y) * row,
              out.begin() + y * row);
  }
  return out;
}

std::vector<uint8_t> RenderTarget::pixel(int x, int y) const {
  std::vector<uint8_t> all = read();
  const size_t at = (static_cast<size_t>(y) * width_ + x) * 4;
  return {all[at], all[at + 1], all[at + 2], all[at + 3]};
}

}  // namespace orvel_test
