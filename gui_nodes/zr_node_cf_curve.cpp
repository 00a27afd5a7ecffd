#include "gui_nodes/zr_node_cf_curve.h"

#include <algorithm>
#include <cmath>

#include "common/zr_logging.h"
#include "common/zr_parameter_list.h"
#include "gui/zr_draw_context.h"
#include "gui_nodes/zr_control_support.h"

ZRNodeCFCurve::ZRNodeCFCurve(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
  setActionSlotCount(SlotCount);
  curves_[0] = {{0, 0, true}, {0.4f, 0, false}, {0.9f, 1, false}, {1, 1, true}};
  curves_[1] = {{0, 1, true}, {0.1f, 1, false}, {0.6f, 0, false}, {1, 0, true}};
}

void ZRNodeCFCurve::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  std::lock_guard guard(lock_);
  colors_[0] = a->getColorFloat("leftcolor", nullptr);
  colors_[1] = a->getColorFloat("rightcolor", nullptr);
  lineWidth_ = a->getFloat("linewidth", 3);
  redraw_ = true;
}

std::vector<TCFCurvePoint> ZRNodeCFCurve::getCurve(int list) const {
  std::lock_guard guard(lock_);
  return list == 0 || list == 1 ? curves_[list] : std::vector<TCFCurvePoint>();
}

void ZRNodeCFCurve::getSelected(int& list, int& index) const {
  std::lock_guard guard(lock_);
  list = selectedList_;
  index = selectedIndex_;
}

bool ZRNodeCFCurve::executeAction(int code, int, float px, float py, int button, int, int, int, int, int,
                                  wchar_t, int) {
  if (!shown || code > ZRNodeEventMove) return false;
  if (code == ZRNodeEventPress && button == ZRButtonLeft) {
    std::lock_guard guard(lock_);
    moved_ = false;
    lastX_ = px;
    lastY_ = py;
    selectedList_ = selectedIndex_ = -1;
    float best = (width + height) / 20;
    int bestMovable = -1;
    for (int list = 0; list < 2; ++list) {
      int movable = 0;
      for (size_t i = 0; i < curves_[list].size(); ++i) {
        const TCFCurvePoint& p = curves_[list][i];
        if (p.fixed) continue;
        const float distance = std::hypot(px - p.x * width, py - p.y * height);
        if (distance < best) {
          best = distance;
          selectedList_ = list;
          selectedIndex_ = static_cast<int>(i);
          bestMovable = movable;
        }
        ++movable;
      }
    }
    if (selectedList_ >= 0) {
      ZRLOG("selectedPoint=%d, selectedPointList=%d, bestDistance=%.1f", bestMovable, selectedList_,
            static_cast<double>(best));
    }
    return true;
  }
  if (code == ZRNodeEventRelease && button == ZRButtonLeft) {
    bool report;
    {
      std::lock_guard guard(lock_);
      report = moved_;
      moved_ = false;
      selectedList_ = selectedIndex_ = -1;
    }
    if (report) callActionSlot(SlotEndOfEdit, 1);
    return true;
  }
  if (code == ZRNodeEventMove) {
    std::lock_guard guard(lock_);
    if (selectedList_ >= 0 && width > 0 && height > 0) {
      TCFCurvePoint& p = curves_[selectedList_][static_cast<size_t>(selectedIndex_)];
      p.x = std::clamp(p.x + (px - lastX_) / width, 0.0f, 1.0f);
      p.y = std::clamp(p.y + (py - lastY_) / height, 0.0f, 1.0f);
      lastX_ = px;
      lastY_ = py;
      redraw_ = true;
      moved_ = true;
    }
  }
  return true;
}

void ZRNodeCFCurve::render(double dt, float x, float y) {
  if (!shown) return;
  drawSkinPartUnlessInPlace(*this, upx, upy, width, height, x, y);
  createDrawContext(static_cast<int>(width), static_cast<int>(height));
  bool redraw;
  std::vector<TCFCurvePoint> curves[2];
  ZRColorFloat colors[2];
  float lineWidth;
  {
    std::lock_guard guard(lock_);
    redraw = redraw_ || contentInvalid || !texture;
    redraw_ = false;
    if (redraw) {
      curves[0] = curves_[0];
      curves[1] = curves_[1];
      colors[0] = colors_[0];
      colors[1] = colors_[1];
    }
    lineWidth = lineWidth_;
  }
  if (redraw) {
    ZRDrawContext& dc = *drawContext;
    dc.clear();
    const float inset = lineWidth / 2 + 1;
    const float spanX = width - 2 * inset - 1, spanY = height - 2 * inset - 1;
    for (int list = 0; list < 2; ++list) {
      const ZRColorFloat& c = colors[list];
      dc.setPenWidth(lineWidth);
      dc.setPenColor(c.r, c.g, c.b, c.a);
      dc.setFillColor(c.r, c.g, c.b, c.a);
      const std::vector<TCFCurvePoint>& points = curves[list];
      dc.beginPath();
      for (size_t i = 1; i < points.size(); ++i) {
        dc.drawLine(points[i - 1].x * spanX + inset, points[i - 1].y * spanY + inset,
                    points[i].x * spanX + inset, points[i].y * spanY + inset);
      }
      dc.stroke();
      dc.beginPath();
      for (const TCFCurvePoint& p : points) {
        dc.drawFilledRectWithSize(p.x * spanX + inset - lineWidth, p.y * spanY + inset - lineWidth,
                                  2 * lineWidth, 2 * lineWidth, 0);
      }
      dc.fill();
    }
    updateTextureFromDrawContext();
  }
  drawNodeTexture(*this, x, y);
  ZRDrawNode::render(dt, x, y);
}
