#include "gui_nodes/zr_node_text.h"

#include <algorithm>
#include <cmath>

#include "common/zr_geometry_utils.h"
#include "common/zr_parameter_list.h"
#include "common/zr_texture.h"
#include "gui/zr_draw_context.h"

ZRNodeText::ZRNodeText(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
  setActionSlotCount(SlotCount);
}

void ZRNodeText::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  testAlign_ = a->getBool("testalign", false);
  multiline_ = a->getBool("multiline", false);
  style_.read(*a, textAlignInvalid);
  const ZRString caption = a->getStr("caption", ZRString());
  if (!caption.empty()) setCaption(caption);
  caption_.markDirty();
}

void ZRNodeText::setCaption(const ZRString& text) {
  caption_.set(text);
}

void ZRNodeText::changeSize(float w, float h) {
  ZRDrawNode::changeSize(w, h);
  caption_.markDirty();
}

bool ZRNodeText::executeAction(int code, int, float, float, int button, int, int, int, int, int, wchar_t,
                               int) {
  switch (code) {
    case ZRNodeEventPress:
    case ZRNodeEventRelease: {
      const bool press = code == ZRNodeEventPress;
      if (button == ZRButtonLeft || button == ZRButtonRight) {
        if (press) extraPassAsked_.store(true);
        const int slot = button == ZRButtonLeft ? (press ? SlotPress : SlotRelease)
                                                : (press ? SlotRightPress : SlotRightRelease);
        callActionSlot(slot, -1);
      }
      return true;
    }
    case ZRNodeEventDoubleClick:
    case ZRNodeEventEnter:
    case ZRNodeEventLeave:
    case ZRNodeEventMove:
      return true;
    default:
      return false;
  }
}

void ZRNodeText::resetScrolling() {
  scrolling_ = false;
  scrollOffset_ = 0;
  scrollDirection_ = 1;
  passesDone_ = 0;
  pauseTimer_ = -1;
}

void ZRNodeText::layOut(const ZRString& caption) {
  fullSizePattern_ = false;
  if (testAlign_) {
    const ZRString sample("Text pt. test (normal)");
    const ZRString arial("Arial");
    float w = 0, h = 0;
    ZRDrawContext::measureTextStatic(sample, arial, 24, textStyleItalicBold, w, h, scale);
    const int cw = std::max(1, static_cast<int>(std::ceil(w)) * 4);
    const int ch = std::max(1, static_cast<int>(std::ceil(h)) * 5);
    createDrawContext(cw, ch);
    drawContext->clearToBlack();
    drawContext->setFillColor(1, 0, 0, 0.5f);
    drawContext->drawFilledRectWithSize(0, 0, static_cast<float>(cw), static_cast<float>(ch), 0);
    drawContext->fill();
    drawContext->setFontColor(1, 0.5f, 0, 1);
    drawContext->drawText(0, 0, sample, arial, 24, textStyleItalicBold, textAlignInvalid, 0, 0);
    for (int align = textAlignCenter; align <= textAlignTopLeft; ++align) {
      drawContext->drawText(0, 0, sample, arial, 24, textStyleItalicBold, static_cast<textAlign>(align), cw,
                            ch);
    }
    updateTextureFromDrawContext();
    textWidth_ = static_cast<float>(cw);
    textHeight_ = static_cast<float>(ch);
    drawOffsetX_ = drawOffsetY_ = 0;
    fullSizePattern_ = true;
    resetScrolling();
    return;
  }
  if (multiline_) {
    createDrawContext(-1, -1);
    style_.clearBackground(*drawContext, width, height);
    drawContext->setFontColor(style_.fontColor.r, style_.fontColor.g, style_.fontColor.b, style_.fontColor.a);
    drawContext->drawTextInRect(0, 0, width, height, caption, style_.fontName, style_.fontSize,
                                style_.fontStyle);
    updateTextureFromDrawContext();
    drawOffsetX_ = drawOffsetY_ = 0;
    textWidth_ = width;
    textHeight_ = height;
    resetScrolling();
    return;
  }
  float tw = 0, th = 0;
  ZRDrawContext::measureTextStatic(caption, style_.fontName, style_.fontSize, style_.fontStyle, tw, th,
                                   scale);
  if (!(tw > 0)) tw = 4;
  if (!(th > 0)) th = 4;
  tw = std::ceil(tw);
  th = std::ceil(th);
  intrinsicWidth = tw;
  intrinsicHeight = th;
  createDrawContext(static_cast<int>(tw), static_cast<int>(th));
  drawContext->clear();
  if (!style_.transparent) {
    // Half a point past every edge, so the fill leaves no seam at the texture's border.
    drawContext->setFillColor(style_.backColor.r, style_.backColor.g, style_.backColor.b, style_.backColor.a);
    drawContext->drawFilledRect(-0.5f, -0.5f, tw + 0.5f, th + 0.5f, 0);
    drawContext->fill();
  }
  drawContext->setFontColor(style_.fontColor.r, style_.fontColor.g, style_.fontColor.b, style_.fontColor.a);
  drawContext->drawText(0, 0, caption, style_.fontName, style_.fontSize, style_.fontStyle, textAlignInvalid,
                        0, 0);
  updateTextureFromDrawContext();
  textWidth_ = tw;
  textHeight_ = th;
  alignBoxInBox(style_.fontAlign, width, height, tw, th, drawOffsetX_, drawOffsetY_, 0, 0);
  resetScrolling();
  if (tw > width) {
    drawOffsetX_ = 0;
    if (allowScrolling_.load()) scrolling_ = true;
  }
}

void ZRNodeText::render(double dt, float x, float y) {
  if (!shown) {
    ZRDrawNode::render(dt, x, y);
    return;
  }
  bool dirty = false;
  const ZRString caption = caption_.take(dirty);
  if (dirty || contentInvalid || !texture) layOut(caption);

  if (extraPassAsked_.exchange(false) && scrolling_ && passesDone_ >= kPassesAllowed) {
    pauseTimer_ = -1;
    passesDone_ = kPassesAllowed - 1;
  }
  if (texture) {
    const float step = static_cast<float>(dt);
    if (pauseTimer_ >= 0) {
      pauseTimer_ += step;
      if (pauseTimer_ >= kPauseLength) pauseTimer_ = -1;
    }
    const float partW = std::min(width, textWidth_);
    const float partH = std::min(height, textHeight_);
    if (fullSizePattern_) {
      texture->drawRect(0, 0, textWidth_, textHeight_, x, y, 1, 1, 1, 0, 1);
    } else if (scrolling_) {
      if (passesDone_ < kPassesAllowed && pauseTimer_ < 0) {
        scrollOffset_ += scrollDirection_ * kScrollSpeed * step;
        if (scrollOffset_ > textWidth_ - width) {
          scrollOffset_ = textWidth_ - width;
          scrollDirection_ = -1;
          pauseTimer_ = 0;
        } else if (scrollOffset_ < 0) {
          scrollOffset_ = 0;
          scrollDirection_ = 1;
          pauseTimer_ = 0;
          ++passesDone_;
        }
      }
      texture->drawRect(scrollOffset_, 0, partW, partH, x + drawOffsetX_, y + drawOffsetY_, 1, 1, 1, 0, 1);
    } else {
      texture->drawRect(std::round(scrollOffset_), 0, partW, partH, std::round(x + drawOffsetX_),
                        std::round(y + drawOffsetY_), 1, 1, 1, 0, 1);
    }
  }
  ZRDrawNode::render(dt, x, y);
}
