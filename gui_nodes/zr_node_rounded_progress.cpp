#include "gui_nodes/zr_node_rounded_progress.h"

#include <algorithm>
#include <cmath>

#include "common/zr_geometry_utils.h"
#include "common/zr_parameter_list.h"
#include "gui/zr_draw_context.h"
#include "gui_nodes/zr_control_support.h"

ZRNodeRoundedProgress::ZRNodeRoundedProgress(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
  setActionSlotCount(SlotCount);
}

void ZRNodeRoundedProgress::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  positions_ = a->getInt("positions", -1);
  offsetAngle_ = a->getFloat("offsetangle", 0);
  innerRadius_ = a->getFloat("innerradius", -1);
  lastDrawnAngle_ = -1;
  redraw_.store(true);
}

void ZRNodeRoundedProgress::updatePos(float share) {
  progress_.store(std::isfinite(share) ? std::clamp(share, 0.0f, 1.0f) : 0.0f);
  redraw_.store(true);
}

float ZRNodeRoundedProgress::litAngle() const {
  float a = progress_.load() * 360;
  if (positions_ >= 2) {
    const float step = 360.0f / static_cast<float>(positions_);
    a = std::floor(a / step) * step;
  }
  a += offsetAngle_;
  if (a < 0) a += 360;
  if (a > 360) a -= 360;
  return a;
}

bool ZRNodeRoundedProgress::executeAction(int code, int, float px, float py, int button, int, int, int, int,
                                          int, wchar_t, int) {
  if (!shown || code > ZRNodeEventMove) return false;
  if (code == ZRNodeEventPress && button == ZRButtonLeft) {
    // Clockwise from twelve o'clock.
    double a = 360 - getAngleOfLineWithHorizontalLine(width / 2, height / 2, px, py, true) + 90;
    if (a > 360) a -= 360;
    if (a < 0) a += 360;
    const int value = std::clamp(static_cast<int>(lrint(a * 1000 / 360)), 0, 1000);
    lastPress_.store(value);
    callActionSlot(SlotPress, value);
  } else if (code == ZRNodeEventRelease && button == ZRButtonLeft) {
    callActionSlot(SlotRelease, lastPress_.load());
  }
  return true;
}

void ZRNodeRoundedProgress::render(double dt, float x, float y) {
  if (!shown) return;
  const bool masked = maskx > -1 && masky > -1;
  float maskRow = 0;
  ZRTexture* skinMask = masked ? skinImagePartAt(*this, masky, maskRow) : nullptr;
  const float sx = mouseInside ? overx : upx, sy = mouseInside ? overy : upy;
  if (sx != x || sy != y) {
    if (masked) {
      mainTexture_drawRectInRectWithMask(sx, sy, width, height, x, y, skinMask, maskx, maskRow, nullptr, 0, 0,
                                         1, 1, 0);
    } else {
      mainTexture_drawRectInRect(sx, sy, width, height, x, y, -1, -1, 1, false, false);
    }
  }
  createDrawContext(-1, -1);
  // A lost texture is drawn again even when the angle stayed the same.
  if (redraw_.exchange(false) || contentInvalid || !texture) {
    const float a = litAngle();
    if (a != lastDrawnAngle_ || contentInvalid || !texture) {
      lastDrawnAngle_ = a;
      ZRDrawContext& dc = *drawContext;
      dc.clear();
      dc.setFillColor(1, 1, 1, 1);
      dc.beginPath();
      dc.drawFilledPieWithSize(0, 0, width, height, -90, a);
      dc.fill();
      if (innerRadius_ > 0) {
        dc.setFillColor(0, 0, 0, 1);
        dc.drawFilledCircle(width / 2, height / 2, innerRadius_);
      }
      updateTextureFromDrawContext();
    }
  }
  if (texture) {
    mainTexture_drawRectInRectWithMask(selx, sely, width, height, x, y, texture.get(), 0, 0, skinMask, maskx,
                                       maskRow, 1, 1, 0);
  }
  ZRDrawNode::render(dt, x, y);
}
