#include "gui_nodes/zr_table_node_input.h"

#include "gui/zr_node_events.h"
#include "gui/zr_table_view.h"

namespace {

constexpr float kAutoScrollBand = 64;  // points from an edge
constexpr float kOutside = 16;         // how far outside the control the pointer still scrolls
// A vertical wheel event's value is the wheel amount times ten, 250 a line (750 a notch of three lines);
// taken as points it sent a list 37 rows a notch (a short browser tree from its end to its top). A tenth
// of it, 75 points, is about three rows.
constexpr float kVerticalWheelValuePerPoint = 10;

}  // namespace

bool passEventToTableView(ZRTableView* table, int code, int value) {
  if (table == nullptr) return false;
  switch (code) {
    case ZRNodeEventEnter:
      table->actionEnter();
      return true;
    case ZRNodeEventLeave:
      table->actionLeave();
      return true;
    case ZRNodeEventWheel:
      table->actionScrollV(static_cast<float>(value) / kVerticalWheelValuePerPoint);
      return true;
    case ZRNodeEventWheelH:
      table->actionScrollH(static_cast<float>(value));
      return true;
    default:
      return false;
  }
}

void autoScrollWhileDragging(ZRTableView* table, float y, float height) {
  if (table == nullptr || y <= -kOutside || y >= height + kOutside) return;
  const double position = table->getScrollPosition();
  if (y < kAutoScrollBand && position > 0) table->actionScrollV(y - kAutoScrollBand);
  if (y > height - kAutoScrollBand && position < 1) table->actionScrollV(y - (height - kAutoScrollBand));
}
