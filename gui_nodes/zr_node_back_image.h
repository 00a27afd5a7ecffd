#pragma once
// ZRNodeBackImage: the skin control of the element tag "image" (element type 4): a region of the skin
// image, optionally turned by an angle (the background-tasks spinner), or the cover picture of an audio
// file in its place (album art); optionally a splitter that reports drags and shows a resize cursor. It is
// also the root of every skin's node tree, whose double click toggles full screen.
//
// Threads: setArtworkImage, clearArtworkImage, the spinner's rotation and drawing run on the render
// thread; input and adjustDragPos (from a splitter's drag handler) on the main thread. The rotation is an
// atomic and the cover is held by ZRNodeArtwork under its own lock.

#include <atomic>

#include "gui/zr_draw_node.h"
#include "gui_nodes/zr_node_artwork.h"

class ZRNodeBackImage : public ZRArtworkNode {
 public:
  // Action slots of ZRActionCallback shape, called with -1.
  enum Slot : int { SlotPress = 0, SlotRelease, SlotRightPress, SlotRightRelease, SlotCount };

  ZRNodeBackImage(ZRNodeManager* manager, float scale, int id, int deck);
  // The root of the skin tree: double clicks allowed and sent to onDoubleClick.
  static ZRDrawNode* createRoot(ZRNodeManager* manager, float scale, ZRPointerActionCallback onDoubleClick);

  // Pointer slots, each called with (-1, x, y, button, actionCode, deck, node): every pointer move; a
  // splitter's drag while the left button holds it (x and y are the drag step); a double click.
  void setMoveSlot(ZRPointerActionCallback fn) { moveSlot_ = fn; }
  void setSplitterDragSlot(ZRPointerActionCallback fn) { splitterDragSlot_ = fn; }
  void setDoubleClickSlot(ZRPointerActionCallback fn) { doubleClickSlot_ = fn; }

  // Base attributes, then issplitter; a node with artwork decodes it again at the new size.
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

  // Moves the drag anchor: a splitter's drag handler calls it after moving the node, so the next step is
  // measured from the moved position.
  void adjustDragPos(float dx, float dy);
  bool isSplitter() const { return splitter_; }

  // Degrees; the GUI tick writes the spinner's angle here. 0 or less draws the picture unturned.
  std::atomic<float> rotation{0};

 private:
  bool splitter_ = false;
  float anchorX_ = 0, anchorY_ = 0;
  ZRPointerActionCallback moveSlot_ = nullptr;
  ZRPointerActionCallback splitterDragSlot_ = nullptr;
  ZRPointerActionCallback doubleClickSlot_ = nullptr;
};
