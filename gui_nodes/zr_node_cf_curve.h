#pragma once
// ZRNodeCFCurve: the skin control of the element tag "cfcurve" (element type 22): an editor of the two
// crossfader gain curves, each a polyline of points in the unit square (y = 0 at the top), of which the
// movable points can be dragged. The end of a drag is reported through its one slot. Nothing in the system
// reads the curves.
//
// Threads: mouse input on the main thread changes the points; the render thread draws them. The points sit
// behind the node's own lock.

#include <mutex>
#include <vector>

#include "common/zr_value_codecs.h"
#include "gui/zr_draw_node.h"

struct TCFCurvePoint {
  float x;
  float y;
  bool fixed;
};

class ZRNodeCFCurve : public ZRDrawNode {
 public:
  // Action slot: end of edit, called with 1 after a drag moved a point.
  enum Slot : int { SlotEndOfEdit = 0, SlotCount };

  ZRNodeCFCurve(ZRNodeManager* manager, float scale, int id, int deck);

  // Base attributes, then leftcolor, rightcolor, linewidth.
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

  // A copy of a curve: 0 left, 1 right.
  std::vector<TCFCurvePoint> getCurve(int list) const;
  // The selected point as (list, index in the list); (-1, -1) when none.
  void getSelected(int& list, int& index) const;

 private:
  mutable std::mutex lock_;
  std::vector<TCFCurvePoint> curves_[2];
  int selectedList_ = -1, selectedIndex_ = -1;
  bool moved_ = false;
  float lastX_ = -1, lastY_ = -1;
  bool redraw_ = true;
  ZRColorFloat colors_[2];
  float lineWidth_ = 3;
};
