#pragma once
// ZRNodeText: the skin control of the element tag "textarea" (element type 3): a label whose caption the
// GUI tick, the setting reactions and the user actions set. A single-line caption wider than its node
// scrolls back and forth (to its end at 50 points per second, a 1.1 s pause, back, a pause; twice, and once
// more after each click); a multiline caption wraps inside the node.
//
// Threads: setCaption comes from the main thread and from the render thread (GUI tick); the caption sits
// behind its own lock. Mouse events arrive on the main thread; the click that grants another scrolling
// round is handed to the render thread, which owns the layout and the scrolling state and draws.

#include <atomic>

#include "common/zr_value_codecs.h"
#include "gui/zr_draw_node.h"
#include "gui_nodes/zr_control_support.h"

class ZRNodeText : public ZRDrawNode {
 public:
  // Action slots, in this order; each is called with (-1, actionCode, deck, node).
  enum Slot : int { SlotPress = 0, SlotRelease, SlotRightPress, SlotRightRelease, SlotCount };

  ZRNodeText(ZRNodeManager* manager, float scale, int id, int deck);

  // Base attributes, then testalign, transparent, multiline, backcolor, fontcolor, fontname, fontsize,
  // fontalign, fontstyle and caption (applied through setCaption when not empty); the caption is laid out
  // again.
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;
  // A non-positive dimension keeps the current one; the caption is laid out again.
  void changeSize(float width, float height) override;

  // Stores a different text and lays it out at the next frame; the same text costs nothing.
  void setCaption(const ZRString& text);
  ZRString getCaption() const { return caption_.get(); }
  // Whether a too-wide single-line caption scrolls (on by default).
  void setAllowScrolling(bool on) { allowScrolling_.store(on); }

  // Scrolling state, for tests (render thread).
  bool isScrolling() const { return scrolling_; }
  float getScrollOffset() const { return scrollOffset_; }
  int getScrollPassesDone() const { return passesDone_; }
  float getTextWidth() const { return textWidth_; }

  static constexpr float kScrollSpeed = 50;  // points per second
  static constexpr float kPauseLength = 1.1f;
  static constexpr int kPassesAllowed = 2;

 private:
  void layOut(const ZRString& caption);
  void resetScrolling();

  bool testAlign_ = false;
  bool multiline_ = false;
  ZRCaptionStyle style_;
  ZRGuardedText caption_;
  std::atomic<bool> allowScrolling_{true};
  // A click asked for one more scrolling round (taken by the render thread).
  std::atomic<bool> extraPassAsked_{false};

  // Render thread: the laid-out caption.
  float textWidth_ = 4, textHeight_ = 4;
  float drawOffsetX_ = 0, drawOffsetY_ = 0;  // where the texture goes, from the render position
  bool fullSizePattern_ = false;             // the alignment test pattern, drawn whole
  bool scrolling_ = false;
  float scrollOffset_ = 0;
  float scrollDirection_ = 1;
  int passesDone_ = 0;
  float pauseTimer_ = -1;
};
