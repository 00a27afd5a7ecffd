#pragma once
// The two OpenGL canvases the render thread draws into:
// - ZRGLCanvas, the video output canvas inside the render window ("MainGL");
// - ZRVideoPreviewControl_GL, the skin canvas, which the main window takes as its client area ("MainGL").
// The skin canvas's context shares objects with the output canvas's, so textures and programs made in
// either serve both.
//
// Threads: the canvases are made, placed and sized on the main thread, and their event handlers run there;
// Render, InitGL and DeinitGL run on the render thread. The size (in pixels, with the toolkit's content
// scale), the scale and the resize-pending flag are handed over through atomics; the render thread never
// calls the toolkit.

#include <wx/glcanvas.h>

#include <atomic>
#include <cstdint>

#include "opengl_directx/zr_glx_surface.h"
#include "opengl_directx/zr_skin_redraw.h"

class ZRRenderClient;

// What both canvases share: the GLX context, the size hand-over and the frame count.
class ZRRenderCanvas : public wxGLCanvas {
 public:
  ZRRenderCanvas(wxWindow* parent, const wxPoint& position, const wxSize& size);

  ZRGLXSurface& surface() { return surface_; }
  // Frames presented so far (buffer swaps): an unchanged frame is not presented.
  uint64_t getFrameCount() const { return frames_.load(std::memory_order_relaxed); }
  // Passes of the render loop over this canvas so far, presented or not.
  uint64_t getPassCount() const { return passes_.load(std::memory_order_relaxed); }
  // The client size in pixels, and the content scale (1 on an ordinary display), as last reported.
  int pixelWidth() const { return pixelWidth_.load(); }
  int pixelHeight() const { return pixelHeight_.load(); }
  float contentScale() const { return scale_.load(); }

 protected:
  // Render thread: clears the resize-pending flag; true when it was set.
  bool takeResize() { return resizePending_.exchange(false); }
  // Render thread: true when the window lost its picture: it was exposed, resized (by the toolkit or, a
  // little later, by the X server) or was so during the last few passes. The driver's buffers follow a
  // new window size a frame or so late, and a frame presented before they did is lost: those passes draw
  // whole again.
  bool takeRepaint(bool resized);
  void countFrame() { frames_.fetch_add(1, std::memory_order_relaxed); }
  void countPass() { passes_.fetch_add(1, std::memory_order_relaxed); }
  // Main thread: reads the client size and scale and marks a resize.
  void noteSize();

  ZRGLXSurface surface_;
  bool initialised_ = false;  // render thread

 private:
  void OnSize(wxSizeEvent& event);
  void OnPaint(wxPaintEvent& event);

  std::atomic<bool> resizePending_{true};
  std::atomic<bool> repaintPending_{true};
  unsigned windowWidth_ = 0, windowHeight_ = 0;  // render thread
  int damagedPasses_ = 0;                        // render thread
  std::atomic<uint64_t> passes_{0};
  std::atomic<int> pixelWidth_{0};
  std::atomic<int> pixelHeight_{0};
  std::atomic<float> scale_{1};
  std::atomic<uint64_t> frames_{0};
};

// The video output canvas.
class ZRGLCanvas : public ZRRenderCanvas {
 public:
  ZRGLCanvas(wxWindow* parent, const wxPoint& position, const wxSize& size);

  // Render thread: one frame (the first call sets the context up).
  void Render(double dt, ZRRenderClient* client);
  void InitGL();
  void DeinitGL();

  // Main thread: what the full-screen toggle of the render window does (set by the window).
  void setFullScreenToggle(std::function<void()> toggle, std::function<bool()> isFullScreen);

 private:
  void updateCursor(bool inside);
  std::function<void()> toggleFullScreen_;
  std::function<bool()> isFullScreen_;
};

// The skin canvas.
class ZRVideoPreviewControl_GL : public ZRRenderCanvas {
 public:
  // Called (on the render thread) when the content scale the canvas draws at changes.
  using ScaleChangedCallback = void (*)(float newScale, void* userData);

  ZRVideoPreviewControl_GL(wxWindow* parent, const wxPoint& position, const wxSize& size);

  void Render(double dt, ZRRenderClient* client);
  void InitGL();
  // Frees the skin's GPU resources still held (the client's) and the context.
  void DeinitGL(ZRRenderClient* client);

  void setScaleChangedCallback(ScaleChangedCallback callback, void* userData);
  float getBackingScale() const { return backingScale_; }
  // What the last skin passes changed, drew and presented (any thread).
  const ZRSkinRedraw& redraw() const { return redraw_; }

 private:
  void OnDpiChanged(wxDPIChangedEvent& event);

  std::atomic<ScaleChangedCallback> scaleChanged_{nullptr};
  std::atomic<void*> scaleChangedData_{nullptr};
  float backingScale_ = 1;  // render thread
  ZRSkinRedraw redraw_;
};
