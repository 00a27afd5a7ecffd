#include "opengl_directx/zr_glx_surface.h"

// clang-format off
#include <GL/glew.h>
#include <GL/glx.h>
// clang-format on
#include <wx/glcanvas.h>

#include <cstring>

#include "common/zr_logging.h"

namespace {

Display* asDisplay(void* display) {
  return static_cast<Display*>(display);
}

GLXContext asContext(void* context) {
  return static_cast<GLXContext>(context);
}

bool hasExtension(Display* display, const char* name) {
  const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
  if (extensions == nullptr) return false;
  const size_t length = std::strlen(name);
  for (const char* p = std::strstr(extensions, name); p != nullptr; p = std::strstr(p + 1, name)) {
    if ((p == extensions || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0')) return true;
  }
  return false;
}

}  // namespace

ZRGLXSurface::~ZRGLXSurface() {
  // A context the render thread never got to destroy (it did not start, or did not end in time) is left to
  // the process's end: deleting it here could pull it from under a thread still drawing.
}

bool ZRGLXSurface::create(wxGLCanvas& canvas, const ZRGLXSurface* shareWith) {
  display_ = wxGetX11Display();
  GLXFBConfig* config = canvas.GetGLXFBConfig();
  if (display_ == nullptr || config == nullptr) {
    ZRLOG("error: the canvas has no OpenGL configuration");
    return false;
  }
  GLXContext share = shareWith != nullptr ? asContext(shareWith->context_) : nullptr;
  context_ = glXCreateNewContext(asDisplay(display_), *config, GLX_RGBA_TYPE, share, True);
  if (context_ == nullptr) {
    ZRLOG("error: cannot create an OpenGL context");
    return false;
  }
  return true;
}

bool ZRGLXSurface::bindWindow(wxGLCanvas& canvas) {
  const unsigned long window = canvas.GetXWindow();
  window_.store(window);
  return window != 0;
}

bool ZRGLXSurface::makeCurrent() {
  const unsigned long window = window_.load();
  if (context_ == nullptr || window == 0) return false;
  return glXMakeContextCurrent(asDisplay(display_), window, window, asContext(context_)) == True;
}

void ZRGLXSurface::swapBuffers() {
  const unsigned long window = window_.load();
  if (window != 0) glXSwapBuffers(asDisplay(display_), window);
}

bool ZRGLXSurface::windowSize(unsigned& width, unsigned& height) {
  const unsigned long window = window_.load();
  if (window == 0) return false;
  width = height = 0;
  glXQueryDrawable(asDisplay(display_), window, GLX_WIDTH, &width);
  glXQueryDrawable(asDisplay(display_), window, GLX_HEIGHT, &height);
  return true;
}

void ZRGLXSurface::setSwapInterval(int interval) {
  const unsigned long window = window_.load();
  if (window == 0) return;
  Display* display = asDisplay(display_);
  if (hasExtension(display, "GLX_EXT_swap_control")) {
    auto set = reinterpret_cast<void (*)(Display*, GLXDrawable, int)>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
    if (set != nullptr) set(display, window, interval);
  } else if (hasExtension(display, "GLX_MESA_swap_control")) {
    auto set = reinterpret_cast<int (*)(unsigned)>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
    if (set != nullptr) set(static_cast<unsigned>(interval));
  }
}

void ZRGLXSurface::destroy() {
  if (context_ == nullptr) return;
  if (glXGetCurrentContext() == asContext(context_))
    glXMakeContextCurrent(asDisplay(display_), None, None, nullptr);
  glXDestroyContext(asDisplay(display_), asContext(context_));
  context_ = nullptr;
}
