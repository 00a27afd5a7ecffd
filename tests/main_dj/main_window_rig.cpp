#include "main_window_rig.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/resource.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "opengl_directx/zr_gl_canvases.h"
#include "opengl_directx/zr_video_preview_frame.h"
#include "support/image_fixtures.h"
#include "support/toolkit_events.h"

namespace orvel_test {

namespace {

MainWindowRig* initialising = nullptr;

std::string skinXml() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<skin screenwidth=\"160\" screenheight=\"120\"><window action=\"main\">\n"
         "<button action=\"deck_play_pause\" deck=\"0\" posx=\"20\" posy=\"20\" width=\"40\" height=\"30\" "
         "upx=\"0\" upy=\"120\"/>\n"
         "</window></skin>\n";
}

}  // namespace

bool ensureToolkitForRenderThread() {
  static const bool running = [] {
    if (std::getenv("DISPLAY") == nullptr) return false;
    prepareToolkitForRenderThread();
    static int argc = 1;
    static char name[] = "test_main_dj";
    static char* argv[] = {name, nullptr};
    wxApp::SetInstance(new wxApp());
    if (!wxEntryStart(argc, argv)) return false;
    // The windows under test close and go away; the test program goes on.
    wxTheApp->SetExitOnFrameDelete(false);
    return wxTheApp->CallOnInit();
  }();
  return running;
}

bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
  return pumpToolkitUntil(done, timeoutMs);
}

void pumpFor(int milliseconds) {
  pumpUntil([] { return false; }, milliseconds);
}

unsigned long windowPixel(unsigned long xWindow, int x, int y) {
  return xWindowPixel(wxGetX11Display(), xWindow, x, y);
}

double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

MainWindowRig::MainWindowRig() {
  writeFile(dir_.file("skin.xml"), skinXml());
  // Rows 0..119 blue (the root's background), rows 120..149 green (the button's picture).
  TestPicture picture = solidPicture(kWidth, kHeight + 30, 0, 0, 255);
  for (int y = kHeight; y < kHeight + 30; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* p = picture.at(x, y);
      p[0] = 0;
      p[1] = 255;
      p[2] = 0;
    }
  }
  writeFile(dir_.file("skin.png"), encodePng(picture, false));
  initialising = this;
  frame_ = new ZRMainFrame(
      "Orvel", wxPoint(50, 50), wxSize(100, 100), true,
      [](ZRMainFrame* frame, bool) {
        MainFrame = frame;
        frame->createAndStartRenderingSystem();
        // The video output window goes out of the way of the pointer the tests move over the main window.
        SetVideoWindowPos(700, 600, -1, -1, 0);
        frame->loadSkin(ZRString(initialising->dir_.file("skin.xml")),
                        ZRString(initialising->dir_.file("skin.png")), 0, 0, 1);
      },
      [](ZRMainFrame* frame, bool first) {
        auto* rig = static_cast<MainWindowRig*>(frame->GetClientData());
        if (rig != nullptr) rig->deinitCalls.push_back(first);
      },
      &classes_);
  frame_->SetClientData(this);
  alive_ = frame_;
  initialising = nullptr;
}

MainWindowRig::~MainWindowRig() {
  if (alive_ && !alive_->isClosing()) alive_->internalOnClose();
  // The render thread of a close that timed out ends first: the window is then destroyed cleanly.
  pumpUntil(
      [this] {
        return !alive_ || alive_->getRenderWindow() == nullptr ||
               !alive_->getRenderWindow()->isRenderThreadRunning();
      },
      10000);
  if (alive_) alive_->Destroy();
  pumpUntil([this] { return !alive_ && MainFrame1 == nullptr; }, 5000);
  if (MainFrame == frame_) MainFrame = nullptr;
}

bool MainWindowRig::waitForSkinPasses(int count, int timeoutMs) {
  const uint64_t target = skinPasses() + static_cast<uint64_t>(count);
  return pumpUntil([&] { return skinPasses() >= target; }, timeoutMs);
}

uint64_t MainWindowRig::skinFrames() const {
  ZRVideoPreviewFrame* window = frame_->getRenderWindow();
  return window != nullptr ? window->getSkinCanvas()->getFrameCount() : 0;
}

uint64_t MainWindowRig::skinPasses() const {
  ZRVideoPreviewFrame* window = frame_->getRenderWindow();
  return window != nullptr ? window->getSkinCanvas()->getPassCount() : 0;
}

uint64_t MainWindowRig::outputFrames() const {
  ZRVideoPreviewFrame* window = frame_->getRenderWindow();
  return window != nullptr ? window->getOutputCanvas()->getFrameCount() : 0;
}

uint64_t MainWindowRig::outputPasses() const {
  ZRVideoPreviewFrame* window = frame_->getRenderWindow();
  return window != nullptr ? window->getOutputCanvas()->getPassCount() : 0;
}

unsigned long MainWindowRig::skinWindow() const {
  ZRVideoPreviewFrame* window = frame_->getRenderWindow();
  return window != nullptr ? window->getSkinCanvas()->GetXWindow() : 0;
}

double MainWindowRig::closeNow() {
  const auto start = std::chrono::steady_clock::now();
  frame_->internalOnClose();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace orvel_test
