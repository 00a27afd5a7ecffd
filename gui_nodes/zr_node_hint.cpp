#include "gui_nodes/zr_node_hint.h"

#include <cmath>

#include "common/zr_parameter_list.h"
#include "gui/zr_draw_context.h"
#include "gui_nodes/zr_control_support.h"

ZRNodeHint::ZRNodeHint(ZRNodeManager* manager, float scale) : ZRNodeHintBase(manager, scale) {}

void ZRNodeHint::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  backColor_ = a->getColorFloat("backcolor", nullptr);
  fontColor_ = a->getColorFloat("fontcolor", nullptr);
  const float size = a->getFloat("fontsize", -1);
  if (size > 0) fontSize_ = size;
  dirty_ = true;
}

void ZRNodeHint::setHintFontSize(float size) {
  fontSize_ = size;
  marginX_ = 0.6f * size;
  marginY_ = 0.4f * size;
  ZRNodeHintBase::setFontSize(size);
}

void ZRNodeHint::setHint(const ZRString& text) {
  if (!(text == getHint())) {
    ZRNodeHintBase::setHint(text);
    float tw = 0, th = 0;
    ZRDrawContext::measureTextStatic(text, fontName_, fontSize_, fontStyle_, tw, th, scale);
    textHeight_ = th;
    ZRParameterList list;
    list.setInt("posx", static_cast<int>(std::lround(x)));
    list.setInt("posy", static_cast<int>(std::lround(y)));
    list.setInt("width", static_cast<int>(lrintf(tw + 2 * marginX_)));
    list.setInt("height", static_cast<int>(lrintf(th + 2 * marginY_)));
    list.setStr("hidden", "true");
    list.setStr("backcolor", "#000000B0");
    list.setStr("fontcolor", "#FFFFFFFF");
    list.setStr("zorder", "1000000");
    refreshCoordinates(&list);
  }
  displayTimer_ = 0;
}

bool ZRNodeHint::executeAction(int code, int, float, float, int, int, int, int, int, int, wchar_t, int) {
  return code >= ZRNodeEventPress && code <= ZRNodeEventMove;
}

void ZRNodeHint::render(double dt, float x, float y) {
  if (!shown) {
    ZRDrawNode::render(dt, x, y);
    return;
  }
  if (dirty_ || contentInvalid || !texture) {
    dirty_ = false;
    createDrawContext(-1, -1);
    drawContext->clear();
    drawContext->setFillColor(backColor_.r, backColor_.g, backColor_.b, backColor_.a);
    drawContext->drawFilledRectWithSize(0, 0, width, height, 0);
    drawContext->fill();
    drawContext->setPenColor(0.35f, 0.35f, 0.35f, 1);
    drawContext->setPenWidth(1);
    drawContext->drawRectWithSize(0, 0, width, height);
    drawContext->stroke();
    drawContext->setFontColor(fontColor_.r, fontColor_.g, fontColor_.b, fontColor_.a);
    drawContext->drawTextInRect(marginX_, marginY_, width - marginX_, height - marginY_, getHint(), fontName_,
                                fontSize_, fontStyle_);
    updateTextureFromDrawContext();
  }
  drawNodeTexture(*this, x, y);
  if (displayTimer_ >= 0) {
    displayTimer_ += static_cast<float>(dt);
    if (displayTimer_ > kDisplaySeconds) show(false, false);
  }
  ZRDrawNode::render(dt, x, y);
}
