#pragma once
// A main window under the test's control: the toolkit started as the application starts it (Xlib made
// thread-safe first), a small skin (a blue background with a green deck-A play button at 20,20 40x30 in a
// 160 x 120 window) drawn by recording nodes, and helpers to run the toolkit's events, read the canvas's
// pixels from the X server and measure the process's CPU time. Tests skip without a display.

#include <wx/frame.h>
#include <wx/weakref.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "main_dj/zr_main_frame.h"
#include "shortcut_test_nodes.h"
#include "support/test_support.h"

namespace orvel_test {

// True when the toolkit runs (started once per program, after prepareToolkitForRenderThread).
bool ensureToolkitForRenderThread();
// Runs the toolkit's events until done() or timeoutMs passed; done()'s last answer.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs);
// Runs the toolkit's events for milliseconds.
void pumpFor(int milliseconds);
// The colour (0xRRGGBB) of pixel (x, y) of the window's X window as the X server shows it.
unsigned long windowPixel(unsigned long xWindow, int x, int y);
// User plus system CPU seconds of the whole process so far.
double processCpuSeconds();

class MainWindowRig {
 public:
  static constexpr int kWidth = 160, kHeight = 120;

  MainWindowRig();
  // Closes (if still open) and destroys the window, and waits until the toolkit has deleted both windows.
  ~MainWindowRig();
  MainWindowRig(const MainWindowRig&) = delete;
  MainWindowRig& operator=(const MainWindowRig&) = delete;

  ZRMainFrame& frame() { return *frame_; }
  ZRNodeManager& manager() { return *frame_->getNodeManager(); }
  ShortcutNode* playButton() { return shortcutTestNode(manager(), "deck_play_pause", 0); }
  // Waits until the render loop has made count more passes over the skin canvas (drawn or not: an
  // unchanged frame is not drawn).
  bool waitForSkinPasses(int count, int timeoutMs);
  // Frames presented (buffer swaps) and loop passes of each canvas.
  uint64_t skinFrames() const;
  uint64_t skinPasses() const;
  uint64_t outputFrames() const;
  uint64_t outputPasses() const;
  // The skin canvas's X window (0 once the render window is gone).
  unsigned long skinWindow() const;
  // Closes the window as the application does at shut-down (no question asked) and records how long it
  // took.
  double closeNow();

  // The deinit callback's calls, in order.
  std::vector<bool> deinitCalls;

 private:
  TempDir dir_;
  ShortcutClasses classes_;
  ZRMainFrame* frame_ = nullptr;
  wxWeakRef<ZRMainFrame> alive_;  // cleared when the toolkit deletes the window
};

}  // namespace orvel_test
