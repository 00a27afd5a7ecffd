#include "gui_nodes/zr_node_button.h"

#include "common/zr_parameter_list.h"
#include "gui/zr_draw_context.h"

namespace {

bool sameColor(const ZRColorFloat& a, const ZRColorFloat& b) {
  return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

}  // namespace

ZRNodeButton::ZRNodeButton(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
  setActionSlotCount(SlotCount);
  totalShortcutsKB = 1;
  totalShortcutsMIDI = 1;
  canUseLearn = true;
}

void ZRNodeButton::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  switchMode_.store(a->getBool("isswitch", false));
  labelShown_.store(a->getBool("showlabel", false));
  style_.read(*a, textAlignCenter);
  fontColorPressed_ = a->getColorFloat("fontcolorpressed", &style_.fontColor);
  fontColorSwitched_ = a->getColorFloat("fontcolorswitched", &fontColorPressed_);
  mouseOverEnabled_ = !a->getBool("mouseoverdisabled", false);
  const ZRString caption = a->getStr("caption", ZRString());
  if (!caption.empty()) setCaption(caption);
  configured_.store(true);
  caption_.markDirty();
}

void ZRNodeButton::setCaption(const ZRString& text) {
  labelShown_.store(true);
  caption_.set(text);
}

void ZRNodeButton::setSwitchMode(bool on) {
  switchMode_.store(on);
  switched_.store(false);
  markCaptionDirty();
}

void ZRNodeButton::setSwitched(bool state, bool notify) {
  if (switchMode_.load() || !shown) {
    switched_.store(state);
    if (notify) {
      callWithState(SlotPress);
      callWithState(SlotRelease);
    }
  } else {
    switched_.store(false);
  }
  markCaptionDirty();
}

bool ZRNodeButton::getSwitched() const {
  if (!switchMode_.load() && shown) return false;
  return switched_.load();
}

void ZRNodeButton::markCaptionDirty() {
  if (configured_.load()) caption_.markDirty();
}

void ZRNodeButton::callWithState(int slot) {
  callActionSlot(slot, switched_.load() ? 1 : 0);
}

void ZRNodeButton::pressWithToggle(int slot) {
  if (switchMode_.load()) switched_.store(!switched_.load());
  callWithState(slot);
}

bool ZRNodeButton::executeAction(int code, int value, float, float, int button, int, int, int, int,
                                 int midiValue, wchar_t, int) {
  if (!enabled) return false;
  switch (code) {
    case ZRNodeEventPress:
      if (button == ZRButtonLeft) pressWithToggle(SlotPress);
      if (button == ZRButtonRight) pressWithToggle(SlotRightPress);
      markCaptionDirty();
      return true;
    case ZRNodeEventRelease:
      if (button == ZRButtonLeft) callWithState(SlotRelease);
      if (button == ZRButtonRight) callWithState(SlotRightRelease);
      markCaptionDirty();
      return true;
    case ZRNodeEventDoubleClick:
      callWithState(SlotDoubleClick);
      markCaptionDirty();
      return true;
    case ZRNodeEventEnter:
    case ZRNodeEventLeave:
    case ZRNodeEventMove:
      return true;
    case ZRNodeEventMidi:
      // value is the message kind, midiValue the velocity or controller value. A control change presses and
      // releases without toggling.
      switch (midiButtonGesture(value, midiValue)) {
        case ZRMidiButtonGesture::Press:
          pressWithToggle(SlotPress);
          break;
        case ZRMidiButtonGesture::Release:
          callWithState(SlotRelease);
          break;
        case ZRMidiButtonGesture::PressAndRelease:
          callWithState(SlotPress);
          callWithState(SlotRelease);
          break;
        case ZRMidiButtonGesture::None:
          break;
      }
      return true;
    case ZRNodeEventShortcut:
      pressWithToggle(SlotPress);
      callWithState(SlotRelease);
      return true;
    default:
      return false;
  }
}

void ZRNodeButton::render(double dt, float x, float y) {
  if (!shown) {
    ZRDrawNode::render(dt, x, y);
    return;
  }
  const bool pressed = buttonDown[ZRButtonLeft] || buttonDown[ZRButtonRight];
  const bool hovered = (mouseInside && mouseOverEnabled_) || mouseOverForced_.load();
  const bool on = switchMode_.load() && switched_.load();
  float sx = upx, sy = upy;
  ZRColorFloat color = style_.fontColor;
  if (on) {
    sx = pressed ? downselx : hovered ? overselx : selx;
    sy = pressed ? downsely : hovered ? oversely : sely;
    color = fontColorSwitched_;
  } else {
    sx = pressed ? downx : hovered ? overx : upx;
    sy = pressed ? downy : hovered ? overy : upy;
    if (!switchMode_.load() && pressed) color = fontColorPressed_;
  }
  drawSkinPartUnlessInPlace(*this, sx, sy, width, height, x, y);

  if (labelShown_.load()) {
    createDrawContext(-1, -1);
    bool dirty = false;
    const ZRString caption = caption_.take(dirty);
    if (dirty || contentInvalid || !texture || !sameColor(color, drawnColor_)) {
      drawnColor_ = color;
      style_.clearBackground(*drawContext, width, height);
      drawContext->setFontColor(color.r, color.g, color.b, color.a);
      drawContext->drawText(0, 0, caption, style_.fontName, style_.fontSize, style_.fontStyle,
                            style_.fontAlign, static_cast<int>(width), static_cast<int>(height));
      updateTextureFromDrawContext();
    }
    drawNodeTexture(*this, x, y);
  }
  ZRDrawNode::render(dt, x, y);
}
