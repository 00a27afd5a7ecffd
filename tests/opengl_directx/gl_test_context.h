#pragma once
// One offscreen OpenGL context per test program (a GLX pixel buffer on the X display, Mesa's software
// renderer under Xvfb), current on the calling (main) thread, with GLEW set up and the OpenGL engine
// installed. Tests skip when there is no display.
//
// RenderTarget: a framebuffer of its own with a 2D projection in pixels (y downwards, the skin's), to
// draw into and read back.

#include <cstdint>
#include <vector>

namespace orvel_test {

// True when the context is current (made on the first call).
bool ensureGLContext();
// Leaves the thread without a current context, and makes the test context current again.
void releaseGLContext();
void restoreGLContext();
// Waits until the GL has done everything asked of it (for timing).
void finishGL();

class RenderTarget {
 public:
  RenderTarget(int width, int height);
  ~RenderTarget();
  RenderTarget(const RenderTarget&) = delete;
  RenderTarget& operator=(const RenderTarget&) = delete;

  // Binds the target, sets the viewport and the 2D projection, clears to the colour.
  void begin(float r = 0, float g = 0, float b = 0, float a = 0);
  void end();
  // R, G, B, A of the pixel at (x, y), y counted from the top.
  std::vector<uint8_t> pixel(int x, int y) const;
  // The whole picture, R, G, B, A, first row at the top.
  std::vector<uint8_t> read() const;
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_, height_;
  unsigned framebuffer_ = 0;
  unsigned colour_ = 0;
  int previous_ = 0;
};

}  // namespace orvel_test
