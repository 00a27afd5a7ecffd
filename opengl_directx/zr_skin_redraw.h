#pragma once
// ZRSkinRedraw: the skin canvas draws only what changed. Each skin frame is recorded (ZRFrameJournal)
// instead of drawn and compared with the frame on screen:
// - nothing changed: nothing is drawn and the frame is not presented (no buffer swap); the window keeps
//   its picture;
// - some draw owners (nodes) drew something different: only the rectangles they covered before and cover
//   now are drawn again, each with the draws of that frame that reach into it (what lies under and over a
//   changed node is drawn there too, clipped to it), into a kept picture of the whole canvas, which then
//   goes to the back buffer and is presented;
// - the window lost its picture (first frame, resize, expose), the projection changed or the owners'
//   order changed: everything is drawn.
// The kept picture is a framebuffer texture of the canvas's size: after a swap the back buffer's content
// is undefined, so partial drawing needs a picture of its own. Where the GL cannot render into textures,
// a changed frame is drawn whole into the back buffer (unchanged frames are still skipped).
//
// Each pass leaves a report (what changed, what was drawn, whether it was presented) that tests and
// benchmarks read from another thread.
//
// Threads: beginFrame, finishFrame and release run on the render thread with the canvas's context
// current; finishFrame runs under the node manager's tree lock (the journal's textures must stay alive
// until it is done). The reports are copied out under their own lock, from any thread.

#include <cstdint>
#include <mutex>
#include <vector>

#include "opengl_directx/zr_frame_journal.h"

struct ZRSkinFrameReport {
  uint64_t pass = 0;                 // skin passes so far, this one included
  bool presented = false;            // the pass drew and asked for a buffer swap
  bool whole = false;                // everything was drawn
  int rectangles = 0;                // damage rectangles drawn
  std::vector<const void*> changed;  // draw owners whose drawing changed (all owners when whole)
  std::vector<const void*> drawn;    // draw owners drawn again, wholly or in part
};

class ZRSkinRedraw {
 public:
  ZRSkinRedraw() = default;
  ZRSkinRedraw(const ZRSkinRedraw&) = delete;
  ZRSkinRedraw& operator=(const ZRSkinRedraw&) = delete;

  // Starts recording this thread's drawing for the frame.
  void beginFrame();
  // Ends the recording, draws again what changed (all of it when windowDamaged) and puts the frame into
  // the back buffer. True when there is a new frame to present; false when nothing changed.
  bool finishFrame(bool windowDamaged);
  // Frees the kept picture (context current); the next frame is drawn whole.
  void release();

  // The last pass, and the last pass that presented a frame.
  ZRSkinFrameReport lastPass() const;
  ZRSkinFrameReport lastPresented() const;

 private:
  struct PixelRect {
    int x = 0, y = 0, w = 0, h = 0;
  };

  bool ensureTarget(int width, int height, bool& remade);
  PixelRect toPixels(const ZRFrameRect& rect) const;
  void publish(ZRSkinFrameReport report);

  ZRFrameJournal shown_, current_;
  bool haveShown_ = false;
  double projection_[16] = {};
  int viewport_[4] = {};
  unsigned framebuffer_ = 0, picture_ = 0;
  int pictureWidth_ = 0, pictureHeight_ = 0;
  bool targetFailed_ = false;
  uint64_t passes_ = 0;

  mutable std::mutex reportLock_;
  ZRSkinFrameReport lastPass_, lastPresented_;
};
