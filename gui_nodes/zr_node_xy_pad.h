#pragma once
// ZRNodeXYPad: the skin control of the element tag "xypad" (element type 13; a deck's effect pad): a cursor
// picture that follows the pointer and reports x and y in thousandths (0 at the left and top edges, 1000 at
// the right and bottom).
//
// A cursor as wide (or high) as the pad leaves it no room to move: that axis stays at 0 instead of
// dividing by zero.
//
// Threads: input on the main thread, drawing on the render thread; the cursor's place is atomic.

#include <atomic>

#include "gui/zr_draw_node.h"

class ZRNodeXYPad : public ZRDrawNode {
 public:
  ZRNodeXYPad(ZRNodeManager* manager, float scale, int id, int deck);

  // Pointer slots, in this order, each (value, x thousandths, y thousandths, button, actionCode, deck,
  // node): press (value 1), release (value 0) and move while the left button is held (value -1).
  enum PointerSlot : int { SlotPress = 0, SlotRelease, SlotMove, SlotCount };
  void setPointerSlot(int slot, ZRPointerActionCallback fn);

  // Base attributes, then cursorwidth, cursorheight (16), cursorupx/y (0), cursoroverx/y (-1: the up
  // picture); the cursor goes to the top-left corner.
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

  // Places the cursor under the pointer (kept inside the pad) and sets the reported position.
  void calculateNewXY(float px, float py);
  float getFx() const { return fx_.load(); }
  float getFy() const { return fy_.load(); }

 private:
  void report(int slot, int value, int button);

  float cursorWidth_ = 16, cursorHeight_ = 16;
  float cursorUpX_ = 0, cursorUpY_ = 0, cursorOverX_ = -1, cursorOverY_ = -1;
  std::atomic<float> cursorLeft_{0}, cursorTop_{0};
  std::atomic<float> fx_{0}, fy_{0};
  ZRPointerActionCallback slots_[SlotCount] = {};
};
