#pragma once
// The render window and the render thread. All drawing of the system happens on one thread,
// "renderingInfinite", into two canvases: the video output canvas inside the render window (a small window
// of its own that can go full screen) and the skin canvas, a child of the main window covering its client
// area. Each pass of the loop draws the video output; every second pass also the skin (with the time of
// both passes), the GUI tick running before each skin frame. The loop is capped at 60 passes a second by
// sleeping to absolute deadlines (zr_render_timing.h) and never spins.
//
// Start: Create (main thread) builds and shows the window and both canvases, makes the two GL contexts (the
// skin's sharing the output's objects) and posts the start of the render thread, which happens once the
// canvases are shown and have their X windows: the thread makes the contexts current and draws.
//
// Stop: the main window first asks the render thread, through its client, to free the skin's GPU
// resources (the handshake of ZRRenderClient::testIfRenderingSystemNeedsToExit), then closes this window
// with force. The forced close raises the exit flag and waits for the thread, at most kStopTimeoutMs: the
// thread frees whatever the skin still holds, destroys its contexts and ends, and the window destroys
// itself. A thread that does not end in time is logged and the window is hidden and kept (the thread never
// draws into a destroyed window), and shut-down goes on; a later forced close destroys the window once the
// thread has ended, and a window destroyed before that abandons the thread (abandonRenderThread).
//
// Threads: everything here runs on the main thread except the loop. Calls the loop needs on the main thread
// are posted (CallAfter).

#include <wx/frame.h>
#include <wx/timer.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "common/zr_texture.h"

class wxButton;
class ZRGLCanvas;
class ZRRenderClient;
class ZRVideoPreviewControl_GL;

class ZRVideoPreviewFrame : public wxFrame {
 public:
  static constexpr int kStopTimeoutMs = 3000;
  static constexpr double kFramesPerSecond = 60;

  // Builds and shows the render window for mainWindow, whose client the skin canvas becomes (hidden until
  // SetVideoPreviewControl shows it), and posts the render thread's start. client is the main window's
  // side of the loop; it must outlive the thread. Only OpenGL exists: engine is not read.
  static ZRVideoPreviewFrame* Create(wxWindow* mainWindow, ZRRenderClient* client, ZRRenderEngineType engine);
  ~ZRVideoPreviewFrame() override;

  ZRGLCanvas* getOutputCanvas() const { return outputCanvas; }
  ZRVideoPreviewControl_GL* getSkinCanvas() const { return skinCanvas; }

  // Mouse capture for the skin canvas (the main window's drags).
  void captureMouse();
  void releaseMouse();

  // The full-screen button, Escape and a double click on the output canvas.
  void toggleFullScreen();
  bool isFullScreenMode() const { return fullScreen != 0; }

  // Whether the render thread has started and not ended.
  bool isRenderThreadRunning() const;
  // Whether the loop was asked to stop.
  bool isExitRequested() const;
  // The CPU time the render thread has used so far, in seconds (benchmarks).
  double getRenderThreadCpuSeconds() const;
  // How long a forced close waits for the render thread.
  void setStopTimeout(int milliseconds) { stopTimeoutMs = milliseconds; }
  // Gives up a render thread that has not ended: it touches neither the canvases nor the client again once
  // it gets past the frame it is in. Called when the window, or the client, goes away before the thread.
  void abandonRenderThread();

 private:
  struct LoopState;

  ZRVideoPreviewFrame();
  void startRenderThread();
  void OnClose(wxCloseEvent& event);
  bool stopRenderThread();

  ZRRenderEngineType renderEngine = ZRRenderEngineOpenGL;
  int fullScreen = 0;
  ZRGLCanvas* outputCanvas = nullptr;
  ZRVideoPreviewControl_GL* skinCanvas = nullptr;
  wxButton* fullScreenButton = nullptr;
  wxWindow* mainWindow = nullptr;
  ZRRenderClient* client = nullptr;
  std::shared_ptr<LoopState> loop;
  wxTimer startTimer;  // retries the start until the canvases have their windows
  int startAttempts = 0;
  int stopTimeoutMs = kStopTimeoutMs;
};

// The render window (null before it is created and after it is destroyed).
extern ZRVideoPreviewFrame* MainFrame1;
// The output canvas's size in pixels, handed to the frame functions.
extern std::atomic<int> openGLscreen_w;
extern std::atomic<int> openGLscreen_h;
// The crossfader between the two decks' videos (0 deck A, 1 deck B), read by the video output.
extern std::atomic<double> alpha_video_crossfader;
// Cleared when the user closes the render window with its close box.
extern std::atomic<int> cfg_enable_video_mixing_window;

// The render window's position, size and full-screen state; 16, 100, 400, 295 and 0 without a window.
void GetVideoWindowPos(int& x, int& y, int& w, int& h, int& fullScreen);
// Moves the window to (x, y) when both are 0 or more (the size is not used) and toggles full screen when
// fullScreen is not 0. Nothing without a window.
void SetVideoWindowPos(int x, int y, int w, int h, int fullScreen);
// Moves the skin canvas into parent, at (x, y) when both are 0 or more, sized w x h when both are above 0,
// and shows or hides it. Nothing without a parent, a render window or a skin canvas.
void SetVideoPreviewControl(int show, int x, int y, int w, int h, wxWindow* parent);
// Sets alpha_video_crossfader.
void SetVideoFader(double value);
