#pragma once
// ZRNodeBackSolid: the skin control of the element tag "backsolid" (element type 5): a rectangle filled
// with one colour, optionally with rounded corners. No action has this type: it exists as a skin-script
// element only.
//
// Threads: configured under the tree lock, drawn on the render thread; input on the main thread.

#include "common/zr_value_codecs.h"
#include "gui/zr_draw_node.h"

class ZRNodeBackSolid : public ZRDrawNode {
 public:
  // Action slots of ZRActionCallback shape, called with -1.
  enum Slot : int { SlotPress = 0, SlotRelease, SlotRightPress, SlotRightRelease, SlotCount };

  ZRNodeBackSolid(ZRNodeManager* manager, float scale, int id, int deck);

  // Every pointer move: (-1, x, y, button, actionCode, deck, node).
  void setMoveSlot(ZRPointerActionCallback fn) { moveSlot_ = fn; }

  // Base attributes, then color and roundrectradius (1 or less: square corners).
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;
  // A value of 0 or less keeps the current one; the fill is drawn again.
  void changeSize(float width, float height) override;

 private:
  ZRColorFloat color_;
  float radius_ = 0;
  bool redraw_ = true;
  ZRPointerActionCallback moveSlot_ = nullptr;
};

// The input of the solid fill and the video picture: left and right presses and releases call the four
// slots with -1, a move the move slot; codes 2 to 5 are handled, others are not.
bool plainRectangleInput(ZRDrawNode& node, ZRPointerActionCallback moveSlot, int code, float x, float y,
                         int button);
