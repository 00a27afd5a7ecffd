#pragma once
// The GL context of one toolkit canvas, driven through GLX directly so that the render thread never calls
// the toolkit: the context is made on the main thread (create), the canvas's X window is read on the main
// thread once the canvas is shown (bindWindow), and the render thread makes the context current, swaps and
// finally destroys it.
//
// The X display is the toolkit's; the process calls XInitThreads before the toolkit starts, so both threads
// may use it.

#include <atomic>

class wxGLCanvas;

class ZRGLXSurface {
 public:
  ZRGLXSurface() = default;
  ~ZRGLXSurface();
  ZRGLXSurface(const ZRGLXSurface&) = delete;
  ZRGLXSurface& operator=(const ZRGLXSurface&) = delete;

  // Main thread: a context for the canvas's frame-buffer configuration, sharing objects with shareWith's
  // context when given. False, with a log line, when GLX refuses.
  bool create(wxGLCanvas& canvas, const ZRGLXSurface* shareWith);
  // Main thread, after the canvas is shown: takes its X window. False while the canvas has none yet.
  bool bindWindow(wxGLCanvas& canvas);
  bool hasWindow() const { return window_.load() != 0; }
  bool hasContext() const { return context_ != nullptr; }

  // Render thread.
  bool makeCurrent();
  void swapBuffers();
  // The size of the X window as the X server has it now (it follows the toolkit's size a little later);
  // false without a window.
  bool windowSize(unsigned& width, unsigned& height);
  // Asks the driver to wait for this many vertical blanks per swap, where it can (0 not at all).
  void setSwapInterval(int interval);
  // Leaves the thread without a current context and deletes the context.
  void destroy();

 private:
  void* display_ = nullptr;  // Display*
  void* context_ = nullptr;  // GLXContext
  std::atomic<unsigned long> window_{0};
};
