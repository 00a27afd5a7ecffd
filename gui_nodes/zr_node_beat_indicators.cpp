#include "gui_nodes/zr_node_beat_indicators.h"

#include <algorithm>
#include <cmath>

#include "common/zr_logging.h"
#include "common/zr_parameter_list.h"
#include "gui_nodes/zr_control_support.h"

// ---- beat indicators --------------------------------------------------------------------------------------

ZRNodeBeatIndicator::ZRNodeBeatIndicator(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
  setActionSlotCount(SlotCount);
}

void ZRNodeBeatIndicator::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  onX_ = static_cast<float>(a->getInt("onx", static_cast<int>(upx)));
  onY_ = static_cast<float>(a->getInt("ony", static_cast<int>(upy)));
}

bool ZRNodeBeatIndicator::executeAction(int code, int, float, float, int button, int, int, int, int, int,
                                        wchar_t, int) {
  if (!shown) return false;
  switch (code) {
    case ZRNodeEventPress:
    case ZRNodeEventRelease:
      if (button == ZRButtonLeft) callActionSlot(code == ZRNodeEventPress ? SlotPress : SlotRelease, -1);
      return true;
    case ZRNodeEventDoubleClick:
    case ZRNodeEventEnter:
    case ZRNodeEventLeave:
    case ZRNodeEventMove:
      return true;
    default:
      return false;
  }
}

// ---- beat position ----------------------------------------------------------------------------------------

void ZRNodeBeatPos::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRNodeBeatIndicator::refreshCoordinates(a);
  elementWidth_ = static_cast<float>(a->getInt("elementwidth", -1));
  if (elementWidth_ == -1) elementWidth_ = std::floor(std::max(width, height) / 4);
  elementWidth_ = std::max(2.0f, elementWidth_);
  firstOffset_ = static_cast<float>(a->getInt("firstelementoffset", 0));
}

void ZRNodeBeatPos::render(double dt, float x, float y) {
  if (shown) {
    drawSkinPartUnlessInPlace(*this, upx, upy, width, height, x, y);
    const int beat = beat_.load();
    if (beat >= 0 && beat <= 3) {
      const float u = static_cast<float>(beat) * elementWidth_ + firstOffset_;
      if (width > height) {
        mainTexture_drawRectInRect(onX_ + u, onY_, elementWidth_, height, x + u, y, -1, -1, 1, false, false);
      } else {
        mainTexture_drawRectInRect(onX_, onY_ + u, width, elementWidth_, x, y + u, -1, -1, 1, false, false);
      }
    }
  }
  ZRDrawNode::render(dt, x, y);
}

// ---- beat difference --------------------------------------------------------------------------------------

void ZRNodeBeatDiff::updatePos(float difference) {
  difference_.store(std::isfinite(difference) ? std::clamp(difference, -1.0f, 1.0f) : 0.0f);
}

void ZRNodeBeatDiff::render(double dt, float x, float y) {
  if (shown) {
    drawSkinPartUnlessInPlace(*this, upx, upy, width, height, x, y);
    const float v = difference_.load();
    if (v != 0) {
      const float length = std::fabs(v) * width / 2, middle = width / 2;
      const float from = v < 0 ? middle - length : middle;
      mainTexture_drawRectInRect(onX_ + from, onY_, length, height, x + from, y, -1, -1, 1, false, false);
    }
  }
  ZRDrawNode::render(dt, x, y);
}

// ---- sequencer strip --------------------------------------------------------------------------------------

ZRNodeSequencerPos::ZRNodeSequencerPos(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
  setActionSlotCount(SlotCount);
}

void ZRNodeSequencerPos::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  horizontal_ = width > height;
  const float smaller = std::min(width, height);
  cellOffset_ = a->getFloat("celloffset", 0);
  cellWidth_ = a->getFloat("cellwidth", smaller);
  cellHeight_ = a->getFloat("cellheight", smaller);
  cursorX_ = a->getFloat("cellcursorx", 0);
  cursorY_ = a->getFloat("cellcursory", 0);
  selectedX_ = a->getFloat("cellselectedx", cursorX_);
  selectedY_ = a->getFloat("cellselectedy", cursorY_);
  int total = a->getInt("totalcells", 16);
  if (total < 1 || total > kMaxCells) {
    ZRLOG("warning: sequencer strip '%s': totalcells %d is outside 1..%d, %d cells are used", name.c_str(),
          total, kMaxCells, std::clamp(total, 1, kMaxCells));
    total = std::clamp(total, 1, kMaxCells);
  }
  totalCells_.store(total);
}

bool ZRNodeSequencerPos::getCell(int index) const {
  return index >= 0 && index < kMaxCells && cells_[index].load();
}

bool ZRNodeSequencerPos::executeAction(int code, int, float px, float py, int button, int, int, int, int, int,
                                       wchar_t, int) {
  if (!shown) return false;
  switch (code) {
    case ZRNodeEventPress:
      if (button == ZRButtonLeft) {
        const int total = totalCells_.load();
        const float step = (horizontal_ ? width : height) / static_cast<float>(total);
        const double cell = step > 0 ? std::floor((horizontal_ ? px : py) / step) : -1;
        if (cell >= 0 && cell < total) {
          const int index = static_cast<int>(cell);
          cells_[index].store(!cells_[index].load());
          callActionSlot(SlotPress, index);
        }
      }
      return true;
    case ZRNodeEventRelease:
      if (button == ZRButtonLeft) callActionSlot(SlotRelease, -1);
      return true;
    case ZRNodeEventDoubleClick:
    case ZRNodeEventEnter:
    case ZRNodeEventLeave:
    case ZRNodeEventMove:
      return true;
    default:
      return false;
  }
}

void ZRNodeSequencerPos::render(double dt, float x, float y) {
  if (shown) {
    const int total = totalCells_.load();
    const float step = (horizontal_ ? width : height) / static_cast<float>(total);
    auto place = [&](int i, float sx, float sy) {
      const float along = static_cast<float>(i) * step + cellOffset_;
      mainTexture_drawRectInRect(sx, sy, cellWidth_, cellHeight_, horizontal_ ? x + along : x,
                                 horizontal_ ? y : y + along, -1, -1, 1, false, false);
    };
    for (int i = 0; i < total; ++i) {
      if (cells_[i].load()) place(i, selectedX_, selectedY_);
    }
    const int cursor = cursorCell_.load();
    if (cursor >= 0 && cursor < total) place(cursor, cursorX_, cursorY_);
  }
  ZRDrawNode::render(dt, x, y);
}
