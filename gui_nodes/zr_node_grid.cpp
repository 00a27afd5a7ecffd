#include "gui_nodes/zr_node_grid.h"

#include <algorithm>
#include <cmath>

#include "common/zr_logging.h"
#include "common/zr_parameter_list.h"
#include "gui_nodes/zr_control_support.h"

namespace {

int boundedCount(ZRParameterList* a, const char* attribute, const std::string& node) {
  const int value = a->getInt(attribute, 2);
  if (value <= 0) return 1;
  if (value > ZRNodeGrid::kMaxCells) {
    ZRLOG("warning: grid '%s': %s %d is more than %d; %d are used", node.c_str(), attribute, value,
          ZRNodeGrid::kMaxCells, ZRNodeGrid::kMaxCells);
    return ZRNodeGrid::kMaxCells;
  }
  return value;
}

}  // namespace

ZRNodeGrid::ZRNodeGrid(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
  setActionSlotCount(SlotCount);
}

void ZRNodeGrid::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  rows_.store(boundedCount(a, "totalrows", name));
  columns_.store(boundedCount(a, "totalcolumns", name));
  overX_ = a->getFloat("celloverx", 0);
  overY_ = a->getFloat("cellovery", 0);
  overW_ = a->getFloat("celloverw", 0);
  overH_ = a->getFloat("celloverh", 0);
  overOffsetX_ = a->getFloat("celloveroffsetx", 0);
  overOffsetY_ = a->getFloat("celloveroffsety", 0);
  overSpaceX_ = a->getFloat("celloverspacex", 0);
  overSpaceY_ = a->getFloat("celloverspacey", 0);
  hasOverPicture_ = overW_ > 1 && overH_ > 1 && overX_ > -1 && overY_ > -1;
}

void ZRNodeGrid::cellAt(float px, float py, int& row, int& column) const {
  const int rows = rows_.load(), columns = columns_.load();
  row = py < 0 ? -1 : static_cast<int>(std::min(std::floor(py / (height / static_cast<float>(rows))), 1e6f));
  column =
      px < 0 ? -1 : static_cast<int>(std::min(std::floor(px / (width / static_cast<float>(columns))), 1e6f));
}

void ZRNodeGrid::callCell(int row, int column) {
  if (ZRActionCallback fn = getActionSlot(SlotCell)) fn(row, actionCode, column, this);
}

void ZRNodeGrid::setCell(int row, int column, bool on, bool notify) {
  if (row < 0 || row >= rows_.load() || column < 0 || column >= columns_.load()) return;
  cells_[static_cast<size_t>(row * kMaxCells + column)].store(on);
  if (notify) callCell(row, column);
}

bool ZRNodeGrid::getCell(int row, int column) const {
  if (row < 0 || row >= kMaxCells || column < 0 || column >= kMaxCells) return false;
  return cells_[static_cast<size_t>(row * kMaxCells + column)].load();
}

void ZRNodeGrid::clickOnCell(int row, int column) {
  if (row < 0 || row >= rows_.load() || column < 0 || column >= columns_.load()) return;
  clickedRow_.store(row);
  clickedColumn_.store(column);
  callCell(row, column);
}

bool ZRNodeGrid::executeAction(int code, int, float px, float py, int button, int, int, int, int, int,
                               wchar_t, int) {
  if (!shown || code > ZRNodeEventMove) return false;
  switch (code) {
    case ZRNodeEventPress:
      if (button == ZRButtonLeft) {
        pointerX_.store(px);
        pointerY_.store(py);
        int row, column;
        cellAt(px, py, row, column);
        clickedRow_.store(row);
        clickedColumn_.store(column);
        callCell(row, column);
      }
      return true;
    case ZRNodeEventRelease:
      if (button == ZRButtonLeft) callActionSlot(SlotRelease, -1);
      return true;
    case ZRNodeEventEnter:
    case ZRNodeEventMove:
      pointerX_.store(px);
      pointerY_.store(py);
      return true;
    case ZRNodeEventLeave:
      pointerX_.store(-1);
      pointerY_.store(-1);
      return true;
    default:
      return true;
  }
}

void ZRNodeGrid::render(double dt, float x, float y) {
  if (!shown) return;
  drawSkinPartUnlessInPlace(*this, upx, upy, width, height, x, y);
  const int rows = rows_.load(), columns = columns_.load();
  const float cellW = width / static_cast<float>(columns), cellH = height / static_cast<float>(rows);
  int hoverRow, hoverColumn;
  cellAt(pointerX_.load(), pointerY_.load(), hoverRow, hoverColumn);
  if (hoverRow >= rows || hoverColumn >= columns) hoverRow = hoverColumn = -1;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const bool hovered = r == hoverRow && c == hoverColumn;
      if (getCell(r, c) || (hovered && !hasOverPicture_)) {
        const float cx = static_cast<float>(c) * cellW, cy = static_cast<float>(r) * cellH;
        mainTexture_drawRectInRect(selx + cx, sely + cy, cellW, cellH, x + cx, y + cy, -1, -1, 1, false,
                                   false);
      }
    }
  }
  if (hasOverPicture_) {
    auto over = [&](int r, int c) {
      if (r < 0 || c < 0) return;
      mainTexture_drawRectInRect(
          overX_, overY_, overW_, overH_, x + overOffsetX_ + static_cast<float>(c) * (overW_ + overSpaceX_),
          y + overOffsetY_ + static_cast<float>(r) * (overH_ + overSpaceY_), -1, -1, 1, false, false);
    };
    over(hoverRow, hoverColumn);
    over(clickedRow_.load(), clickedColumn_.load());
  }
  ZRDrawNode::render(dt, x, y);
}
