#include "gui_nodes/zr_node_back_image.h"

#include <cmath>

#include "common/zr_parameter_list.h"
#include "common/zr_texture.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_control_support.h"

ZRNodeBackImage::ZRNodeBackImage(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRArtworkNode(manager, scale, id, deck) {
  setActionSlotCount(SlotCount);
}

ZRDrawNode* ZRNodeBackImage::createRoot(ZRNodeManager* manager, float scale,
                                        ZRPointerActionCallback onDoubleClick) {
  auto* root = new ZRNodeBackImage(manager, scale, -1, -1);
  root->setDoubleClickAllowed(true);
  root->setDoubleClickSlot(onDoubleClick);
  return root;
}

void ZRNodeBackImage::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  splitter_ = a->getBool("issplitter", false);
  artwork_.refreshSize(width, height, scale);
}

void ZRNodeBackImage::adjustDragPos(float dx, float dy) {
  anchorX_ += dx;
  anchorY_ += dy;
}

void ZRNodeBackImage::render(double dt, float x, float y) {
  if (!shown) {
    ZRDrawNode::render(dt, x, y);
    return;
  }
  const bool masked = maskx > -1 && masky > -1;
  if (ZRTexture* cover = artwork_.prepare(scale)) {
    if (masked) {
      float row = 0;
      ZRTexture* mask = skinImagePartAt(*this, masky, row);
      cover->drawRectInRectWithMask(0, 0, width, height, x, y, mask, maskx, row, nullptr, 0, 0, 1, 1, 0);
    } else {
      const float s = cover->getScale() > 0 ? cover->getScale() : 1;
      cover->drawRectInRect(0, 0, static_cast<float>(cover->getWidth()) / s,
                            static_cast<float>(cover->getHeight()) / s, x, y, width, height, 1, false, false);
    }
  } else if (upx > -1 && upy > -1) {
    const float turn = rotation.load();
    if (masked) {
      float row = 0;
      ZRTexture* mask = skinImagePartAt(*this, masky, row);
      mainTexture_drawRectInRectWithMask(upx, upy, width, height, x, y, mask, maskx, row, nullptr, 0, 0, 1, 1,
                                         turn > 0 ? turn : 0);
    } else if (turn > 0) {
      mainTexture_drawRect(upx, upy, width, height, x, y, 1, 1, 1, turn, 1);
    } else {
      mainTexture_drawRectInRect(upx, upy, width, height, x, y, -1, -1, 1, false, false);
    }
  }
  ZRDrawNode::render(dt, x, y);
}

bool ZRNodeBackImage::executeAction(int code, int, float px, float py, int button, int, int, int, int, int,
                                    wchar_t, int) {
  const int ix = pointerCoordinate(px), iy = pointerCoordinate(py);
  switch (code) {
    case ZRNodeEventPress:
      if (button == ZRButtonRight) {
        callActionSlot(SlotRightPress, -1);
      } else if (button == ZRButtonLeft) {
        anchorX_ = px;
        anchorY_ = py;
        callActionSlot(SlotPress, -1);
      }
      return true;
    case ZRNodeEventRelease:
      if (button == ZRButtonRight) callActionSlot(SlotRightRelease, -1);
      if (button == ZRButtonLeft) callActionSlot(SlotRelease, -1);
      return true;
    case ZRNodeEventDoubleClick:
      if (doubleClickSlot_ != nullptr) doubleClickSlot_(-1, ix, iy, button, actionCode, deck, this);
      return true;
    case ZRNodeEventEnter:
      if (splitter_ && manager != nullptr) manager->changeCursor(ZRNodeManager::cursorSizeWE);
      return true;
    case ZRNodeEventLeave:
      if (splitter_ && manager != nullptr) manager->changeCursor(ZRNodeManager::cursorDefault);
      return true;
    case ZRNodeEventMove:
      if (moveSlot_ != nullptr) moveSlot_(-1, ix, iy, button, actionCode, deck, this);
      if (splitter_ && buttonDown[ZRButtonLeft]) {
        const int dx = static_cast<int>(lrintf(px - anchorX_));
        const int dy = static_cast<int>(lrintf(py - anchorY_));
        if (splitterDragSlot_ != nullptr && (dx != 0 || dy != 0)) {
          anchorX_ = px;
          anchorY_ = py;
          splitterDragSlot_(-1, dx, dy, button, actionCode, deck, this);
        }
      }
      return true;
    default:
      return false;
  }
}
