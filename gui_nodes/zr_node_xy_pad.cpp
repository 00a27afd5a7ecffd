#include "gui_nodes/zr_node_xy_pad.h"

#include <algorithm>
#include <cmath>

#include "common/zr_parameter_list.h"
#include "gui_nodes/zr_control_support.h"

namespace {

// The cursor's start along one axis, and its share of the room it has (0 without room).
void place(float pointer, float size, float cursor, float& start, float& share) {
  const float room = size - cursor;
  if (!(room > 0) || !std::isfinite(pointer)) {
    start = 0;
    share = 0;
    return;
  }
  start = std::min(std::max(pointer, cursor / 2), size - cursor / 2) - cursor / 2;
  share = start / room;
}

}  // namespace

ZRNodeXYPad::ZRNodeXYPad(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {}

void ZRNodeXYPad::setPointerSlot(int slot, ZRPointerActionCallback fn) {
  if (slot >= 0 && slot < SlotCount) slots_[slot] = fn;
}

void ZRNodeXYPad::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  cursorWidth_ = a->getFloat("cursorwidth", 16);
  cursorHeight_ = a->getFloat("cursorheight", 16);
  cursorUpX_ = a->getFloat("cursorupx", 0);
  cursorUpY_ = a->getFloat("cursorupy", 0);
  cursorOverX_ = a->getFloat("cursoroverx", -1);
  cursorOverY_ = a->getFloat("cursorovery", -1);
  if (cursorOverX_ < 0) cursorOverX_ = cursorUpX_;
  if (cursorOverY_ < 0) cursorOverY_ = cursorUpY_;
  calculateNewXY(-1, -1);
}

void ZRNodeXYPad::calculateNewXY(float px, float py) {
  float left, top, fx, fy;
  place(px, width, cursorWidth_, left, fx);
  place(py, height, cursorHeight_, top, fy);
  cursorLeft_.store(left);
  cursorTop_.store(top);
  fx_.store(fx);
  fy_.store(fy);
}

void ZRNodeXYPad::report(int slot, int value, int button) {
  if (ZRPointerActionCallback fn = slots_[slot]) {
    fn(value, static_cast<int>(lrintf(fx_.load() * 1000)), static_cast<int>(lrintf(fy_.load() * 1000)),
       button, actionCode, deck, this);
  }
}

bool ZRNodeXYPad::executeAction(int code, int, float px, float py, int button, int, int, int, int, int,
                                wchar_t, int) {
  if (!shown || code > ZRNodeEventMove) return false;
  if (code == ZRNodeEventPress && button == ZRButtonLeft) {
    calculateNewXY(px, py);
    report(SlotPress, 1, 0);
  } else if (code == ZRNodeEventRelease && button == ZRButtonLeft) {
    calculateNewXY(px, py);
    report(SlotRelease, 0, 0);
  } else if (code == ZRNodeEventMove && buttonDown[ZRButtonLeft]) {
    calculateNewXY(px, py);
    report(SlotMove, -1, button);
  }
  return true;
}

void ZRNodeXYPad::render(double dt, float x, float y) {
  if (!shown) return;
  const bool over = mouseInside || buttonDown[ZRButtonLeft];
  drawSkinPartUnlessInPlace(*this, over ? overx : upx, over ? overy : upy, width, height, x, y);
  mainTexture_drawRectInRect(over ? cursorOverX_ : cursorUpX_, over ? cursorOverY_ : cursorUpY_, cursorWidth_,
                             cursorHeight_, x + cursorLeft_.load(), y + cursorTop_.load(), -1, -1, 1, false,
                             false);
  ZRDrawNode::render(dt, x, y);
}
