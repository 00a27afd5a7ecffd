#include "opengl_directx/zr_video_preview_frame.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/display.h>

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>

#include "common/language_tables.h"
#include "common/text_ids.h"
#include "common/zr_logging.h"
#include "common/zr_thread.h"
#include "gui/skin_engine_hooks.h"
#include "gui/zr_wx_strings.h"
#include "opengl_directx/zr_gl_canvases.h"
#include "opengl_directx/zr_render_timing.h"

ZRVideoPreviewFrame* MainFrame1 = nullptr;
std::atomic<int> openGLscreen_w{400};
std::atomic<int> openGLscreen_h{225};
std::atomic<double> alpha_video_crossfader{0.5};
std::atomic<int> cfg_enable_video_mixing_window{1};

namespace {

constexpr int kFullScreenButtonId = 13003;
constexpr int kStartAttempts = 100;  // the canvases get their X windows within 2 s of being shown
constexpr int kStartRetryMs = 20;
const wxSize kOutputCanvasSize(400, 225);

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

// What the render thread shares with the window. The thread holds it too: a thread that outlives its
// window (it did not stop in time) learns from ownersGone that the canvases and the client are gone.
struct ZRVideoPreviewFrame::LoopState {
  std::atomic<int> exit{0};
  std::atomic<bool> running{false};
  std::atomic<double> cpuSeconds{0};
  std::mutex lock;  // guards the two flags below and the thread's last steps
  std::condition_variable endedSignal;
  bool ended = false;
  bool ownersGone = false;
  std::unique_ptr<ZRThread> thread;
};

ZRVideoPreviewFrame::ZRVideoPreviewFrame()
    : wxFrame(nullptr, wxID_ANY, CharTowxString(getTextName(txt_karaoke).utf8().c_str()), wxPoint(16, 100),
              wxSize(400, 295), wxCAPTION | wxCLOSE_BOX | wxSTAY_ON_TOP | wxCLIP_CHILDREN | wxSYSTEM_MENU),
      loop(std::make_shared<LoopState>()) {}

ZRVideoPreviewFrame* ZRVideoPreviewFrame::Create(wxWindow* mainWindow, ZRRenderClient* client,
                                                 ZRRenderEngineType) {
  auto* frame = new ZRVideoPreviewFrame();
  MainFrame1 = frame;
  frame->mainWindow = mainWindow;
  frame->client = client;
  frame->fullScreenButton =
      new wxButton(frame, kFullScreenButtonId, "Fullscreen", wxPoint(96, 229), wxSize(208, 24));
  frame->outputCanvas = new ZRGLCanvas(frame, wxPoint(0, 0), kOutputCanvasSize);
  frame->skinCanvas = new ZRVideoPreviewControl_GL(mainWindow, wxPoint(412, 66), wxSize(266, 150));
  frame->skinCanvas->Hide();
  frame->outputCanvas->setFullScreenToggle([frame] { frame->toggleFullScreen(); },
                                           [frame] { return frame->isFullScreenMode(); });
  frame->Bind(
      wxEVT_BUTTON, [frame](wxCommandEvent&) { frame->toggleFullScreen(); }, kFullScreenButtonId);
  frame->Bind(wxEVT_CLOSE_WINDOW, &ZRVideoPreviewFrame::OnClose, frame);
  // The contexts are made here, on the main thread; the render thread only makes them current.
  frame->outputCanvas->surface().create(*frame->outputCanvas, nullptr);
  frame->skinCanvas->surface().create(*frame->skinCanvas, &frame->outputCanvas->surface());
  frame->SetClientSize(400, 263);
  frame->Show();
  // The canvases are drawable once shown and realised: the main window shows itself after this returns.
  frame->startTimer.Bind(wxEVT_TIMER, [frame](wxTimerEvent&) { frame->startRenderThread(); });
  frame->CallAfter([frame] { frame->startRenderThread(); });
  return frame;
}

ZRVideoPreviewFrame::~ZRVideoPreviewFrame() {
  startTimer.Stop();
  abandonRenderThread();
  if (MainFrame1 == this) MainFrame1 = nullptr;
}

void ZRVideoPreviewFrame::abandonRenderThread() {
  std::lock_guard<std::mutex> guard(loop->lock);
  if (!loop->thread) return;
  if (loop->ended) {
    loop->thread.reset();
    return;
  }
  loop->ownersGone = true;
  // Still running: destroying its object would wait for it.
  static_cast<void>(loop->thread.release());
}

void ZRVideoPreviewFrame::startRenderThread() {
  if (loop->thread || loop->exit.load() != 0) return;
  const bool outputReady = outputCanvas->surface().bindWindow(*outputCanvas);
  const bool skinReady = skinCanvas->surface().bindWindow(*skinCanvas);
  if ((!outputReady || !skinReady) && ++startAttempts < kStartAttempts) {
    startTimer.StartOnce(kStartRetryMs);
    return;
  }
  if (!outputReady) ZRLOG("error: the video output canvas has no window; it is not drawn");
  if (!skinReady) ZRLOG("error: the skin canvas has no window; the skin is not drawn");
  openGLscreen_w.store(outputCanvas->pixelWidth());
  openGLscreen_h.store(outputCanvas->pixelHeight());

  std::shared_ptr<LoopState> state = loop;
  ZRGLCanvas* output = outputReady ? outputCanvas : nullptr;
  ZRVideoPreviewControl_GL* skin = skinReady ? skinCanvas : nullptr;
  ZRRenderClient* renderClient = client;
  state->running.store(true);
  auto body = [state, output, skin, renderClient](void*) {
    ZRFramePacer pacer(kFramesPerSecond);
    ZRRenderLoopClock clock;
    // The output canvas's first frame comes first, so that the skin canvas's context finds it set up.
    if (output != nullptr) output->Render(1.0 / kFramesPerSecond, renderClient);
    while (state->exit.load() == 0) {
      const ZRRenderLoopClock::Pass pass = clock.nextPass(pacer.takeStep());
      if (pass.drawSkin && skin != nullptr) skin->Render(pass.skinDt, renderClient);
      if (output != nullptr) {
        output->Render(pass.outputDt, renderClient);
        openGLscreen_w.store(output->pixelWidth());
        openGLscreen_h.store(output->pixelHeight());
      } else {
        ZRThread::sleep_ms(100);
      }
      state->cpuSeconds.store(threadCpuSeconds());
      pacer.waitForNextFrame();
    }
    std::lock_guard<std::mutex> guard(state->lock);
    // The GPU resources go while their context is current, before the contexts themselves.
    if (!state->ownersGone) {
      if (skin != nullptr) skin->DeinitGL(renderClient);
      if (output != nullptr) output->DeinitGL();
    }
    state->running.store(false);
    state->ended = true;
    state->endedSignal.notify_all();
    return true;
  };
  loop->thread = std::make_unique<ZRThread>(body, nullptr, 5, -1, "renderingInfinite");
}

bool ZRVideoPreviewFrame::isRenderThreadRunning() const {
  return loop->running.load();
}

bool ZRVideoPreviewFrame::isExitRequested() const {
  return loop->exit.load() != 0;
}

double ZRVideoPreviewFrame::getRenderThreadCpuSeconds() const {
  return loop->cpuSeconds.load();
}

bool ZRVideoPreviewFrame::stopRenderThread() {
  loop->exit.store(1);
  startTimer.Stop();
  {
    std::unique_lock<std::mutex> guard(loop->lock);
    if (loop->thread) {
      if (!loop->endedSignal.wait_for(guard, std::chrono::milliseconds(stopTimeoutMs),
                                      [this] { return loop->ended; })) {
        ZRLOG("error: the render thread did not stop within %d ms; shut-down goes on without it",
              stopTimeoutMs);
        return false;
      }
      loop->thread.reset();
    }
  }
  // Contexts the thread never took (it did not start, or a canvas had no window) are not current anywhere.
  outputCanvas->surface().destroy();
  skinCanvas->surface().destroy();
  return true;
}

void ZRVideoPreviewFrame::OnClose(wxCloseEvent& event) {
  if (event.CanVeto()) {
    // The user's close box only hides the window; the render thread goes on.
    event.Veto();
    if (mainWindow != nullptr) mainWindow->SetFocus();
    Hide();
    cfg_enable_video_mixing_window.store(0);
    testEnableVideoButton();
    return;
  }
  if (stopRenderThread()) {
    Destroy();
  } else {
    // Kept (hidden) so the thread left behind never draws into a destroyed window; a later forced close
    // destroys it once the thread has ended.
    Hide();
  }
}

void ZRVideoPreviewFrame::captureMouse() {
  if (skinCanvas != nullptr && !skinCanvas->HasCapture()) skinCanvas->CaptureMouse();
}

void ZRVideoPreviewFrame::releaseMouse() {
  if (skinCanvas != nullptr && skinCanvas->HasCapture()) skinCanvas->ReleaseMouse();
}

void ZRVideoPreviewFrame::toggleFullScreen() {
  if (outputCanvas == nullptr) return;
  if (IsFullScreen()) {
    fullScreenButton->Show();
    outputCanvas->SetSize(kOutputCanvasSize);
    outputCanvas->SetCursor(wxNullCursor);
    ShowFullScreen(false, wxFULLSCREEN_ALL);
    fullScreen = 0;
    return;
  }
  fullScreenButton->Hide();
  fullScreen = 1;
  ShowFullScreen(true, wxFULLSCREEN_ALL);
  const int index = wxDisplay::GetFromWindow(this);
  const wxRect display = wxDisplay(index == wxNOT_FOUND ? 0u : static_cast<unsigned>(index)).GetGeometry();
  const wxSize client = GetClientSize();
  if (static_cast<long>(display.width) * display.height > static_cast<long>(client.x) * client.y) {
    outputCanvas->SetSize(display);
  } else {
    outputCanvas->SetSize(0, 0, client.x, client.y);
  }
  outputCanvas->SetCursor(wxCursor(wxCURSOR_BLANK));
}

void GetVideoWindowPos(int& x, int& y, int& w, int& h, int& fullScreen) {
  if (MainFrame1 == nullptr) {
    x = 16;
    y = 100;
    w = 400;
    h = 295;
    fullScreen = 0;
    return;
  }
  const wxPoint position = MainFrame1->GetPosition();
  const wxSize size = MainFrame1->GetSize();
  x = position.x;
  y = position.y;
  w = size.x;
  h = size.y;
  fullScreen = MainFrame1->isFullScreenMode() ? 1 : 0;
}

void SetVideoWindowPos(int x, int y, int, int, int fullScreen) {
  if (MainFrame1 == nullptr) return;
  if (x >= 0 && y >= 0) MainFrame1->Move(x, y);
  if (fullScreen != 0) MainFrame1->toggleFullScreen();
}

void SetVideoPreviewControl(int show, int x, int y, int w, int h, wxWindow* parent) {
  if (parent == nullptr || MainFrame1 == nullptr) return;
  ZRVideoPreviewControl_GL* canvas = MainFrame1->getSkinCanvas();
  if (canvas == nullptr) return;
  if (canvas->GetParent() != parent) {
    // The canvas's X window may change with its parent, under a render thread drawing into it.
    if (MainFrame1->isRenderThreadRunning()) {
      ZRLOG("error: the skin canvas cannot move to another window while the render thread draws");
    } else {
      canvas->Reparent(parent);
    }
  }
  if (x >= 0 && y >= 0) canvas->Move(x, y);
  if (w > 0 && h > 0) canvas->SetSize(w, h);
  canvas->Show(show != 0);
}

void SetVideoFader(double value) {
  alpha_video_crossfader.store(value);
}
