#include "opengl_directx/zr_gl_2d.h"

#include <GL/glew.h>

#include <atomic>
#include <cmath>

#include "common/zr_logging.h"
#include "common/zr_texture.h"
#include "opengl_directx/zr_gl_extensions.h"

bool initGlewLibrary() {
  static std::atomic<bool> announced{false};
  if (getOpenGLCapabilities() != nullptr) return true;
  if (!initOpenGLExtensions()) {
    ZRLOG("Error: %s", hasCurrentOpenGLContext() ? "GLEW could not be set up" : "no OpenGL context current");
    return false;
  }
  if (!announced.exchange(true)) {
    ZRLOG("Status: Using GLEW %s", reinterpret_cast<const char*>(glewGetString(GLEW_VERSION)));
  }
  return true;
}

void glEnable2D(int topLeft, int width, int height, float scale) {
  int area[4] = {0, 0, static_cast<int>(static_cast<float>(width) * scale),
                 static_cast<int>(static_cast<float>(height) * scale)};
  if (area[2] <= 0 || area[3] <= 0) glGetIntegerv(GL_VIEWPORT, area);
  const double x = area[0], y = area[1], w = area[2], h = area[3];
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  if (topLeft) {
    glOrtho(x, x + w, y + h, y, -1, 1);
  } else {
    glOrtho(0, w - x, 0, h - y, -1, 1);
  }
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glPushAttrib(GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
}

void glDisable2D() {
  glPopAttrib();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

void enable2D(int topLeft, int width, int height, float scale, void*, void*) {
  if (ZRTexture::defaultRenderEngine.load() == ZRRenderEngineOpenGL)
    glEnable2D(topLeft, width, height, scale);
}

void disable2D(void*, void*) {
  if (ZRTexture::defaultRenderEngine.load() == ZRRenderEngineOpenGL) glDisable2D();
}

void glPerspective(double fovY, double aspect, double zNear, double zFar) {
  const double h = std::tan(fovY / 360.0 * M_PI) * zNear;
  const double w = h * aspect;
  glFrustum(-w, w, -h, h, zNear, zFar);
}

void glDefaultDrawingState() {
  glClearColor(0, 0, 0, 1);
  glShadeModel(GL_SMOOTH);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}
