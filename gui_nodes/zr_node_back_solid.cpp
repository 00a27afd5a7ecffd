#include "gui_nodes/zr_node_back_solid.h"

#include "common/zr_parameter_list.h"
#include "gui/zr_draw_context.h"
#include "gui_nodes/zr_control_support.h"

bool plainRectangleInput(ZRDrawNode& node, ZRPointerActionCallback moveSlot, int code, float x, float y,
                         int button) {
  switch (code) {
    case ZRNodeEventPress:
    case ZRNodeEventRelease: {
      const bool press = code == ZRNodeEventPress;
      if (button == ZRButtonLeft) node.callActionSlot(press ? 0 : 1, -1);
      if (button == ZRButtonRight) node.callActionSlot(press ? 2 : 3, -1);
      return true;
    }
    case ZRNodeEventMove:
      if (moveSlot != nullptr) {
        moveSlot(-1, pointerCoordinate(x), pointerCoordinate(y), button, node.actionCode, node.deck, &node);
      }
      return true;
    case ZRNodeEventDoubleClick:
    case ZRNodeEventEnter:
    case ZRNodeEventLeave:
      return true;
    default:
      return false;
  }
}

ZRNodeBackSolid::ZRNodeBackSolid(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
  setActionSlotCount(SlotCount);
}

void ZRNodeBackSolid::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  color_ = a->getColorFloat("color", nullptr);
  radius_ = a->getFloat("roundrectradius", 0);
  redraw_ = true;
}

void ZRNodeBackSolid::changeSize(float w, float h) {
  ZRDrawNode::changeSize(w, h);
  redraw_ = true;
}

bool ZRNodeBackSolid::executeAction(int code, int, float x, float y, int button, int, int, int, int, int,
                                    wchar_t, int) {
  return plainRectangleInput(*this, moveSlot_, code, x, y, button);
}

void ZRNodeBackSolid::render(double dt, float x, float y) {
  if (shown) {
    if (redraw_ || contentInvalid || !texture) {
      redraw_ = false;
      createDrawContext(-1, -1);
      drawContext->clear();
      drawContext->setFillColor(color_.r, color_.g, color_.b, color_.a);
      if (radius_ <= 1) {
        drawContext->beginPath();
        drawContext->drawFilledRectWithSize(0, 0, width, height, 0);
        drawContext->fill();
      } else {
        drawContext->drawFilledRoundRectWithSize(0, 0, width, height, radius_, 0);
      }
      updateTextureFromDrawContext();
    }
    drawNodeTexture(*this, x, y);
  }
  ZRDrawNode::render(dt, x, y);
}
