#include "gui_nodes/zr_control_support.h"

#include <wx/app.h>
#include <wx/thread.h>

#include "common/zr_parameter_list.h"
#include "common/zr_saturate.h"
#include "common/zr_texture.h"
#include "gui/zr_draw_context.h"
#include "gui/zr_draw_node.h"

void ZRCaptionStyle::read(ZRParameterList& a, textAlign defaultAlign) {
  transparent = a.getBool("transparent", false);
  backColor = a.getColorFloat("backcolor", nullptr);
  fontColor = a.getColorFloat("fontcolor", nullptr);
  fontName = a.getStr("fontname", ZRString("Arial"));
  fontSize = a.getFloat("fontsize", 12);
  fontAlign = a.getTextAlign("fontalign", defaultAlign);
  fontStyle = a.getTextStyle("fontstyle", textStyleInvalid);
}

void ZRCaptionStyle::clearBackground(ZRDrawContext& context, float width, float height) const {
  context.clear();
  if (transparent) return;
  context.setFillColor(backColor.r, backColor.g, backColor.b, backColor.a);
  context.beginPath();
  context.drawFilledRectWithSize(0, 0, width, height, 0);
  context.fill();
}

ZRMidiButtonGesture midiButtonGesture(int kind, int velocity) {
  if (kind == ZRMidiNoteOn && velocity > 0) return ZRMidiButtonGesture::Press;
  if (kind == ZRMidiNoteOff || kind == ZRMidiNoteOn) return ZRMidiButtonGesture::Release;
  if (kind == ZRMidiControlChange) return ZRMidiButtonGesture::PressAndRelease;
  return ZRMidiButtonGesture::None;
}

bool ZRGuardedText::set(const ZRString& text) {
  std::lock_guard guard(lock_);
  if (text_ == text) return false;
  text_ = text;
  dirty_ = true;
  return true;
}

ZRString ZRGuardedText::get() const {
  std::lock_guard guard(lock_);
  return text_;
}

void ZRGuardedText::markDirty() {
  std::lock_guard guard(lock_);
  dirty_ = true;
}

ZRString ZRGuardedText::take(bool& wasDirty) {
  std::lock_guard guard(lock_);
  wasDirty = dirty_;
  dirty_ = false;
  return text_;
}

bool isOnMainThread() {
  return wxTheApp == nullptr || wxIsMainThread();
}

void runOnMainThread(const std::weak_ptr<void>& owner, std::function<void()> fn) {
  if (!fn) return;
  if (isOnMainThread()) {
    if (!owner.expired()) fn();
    return;
  }
  wxTheApp->CallAfter([owner, fn = std::move(fn)] {
    if (!owner.expired()) fn();
  });
}

void drawSkinPartUnlessInPlace(ZRDrawNode& node, float sx, float sy, float w, float h, float x, float y) {
  if (sx == x && sy == y) return;
  node.mainTexture_drawRectInRect(sx, sy, w, h, x, y, -1, -1, 1, false, false);
}

ZRTexture* skinImagePartAt(ZRDrawNode& node, float maskY, float& rowInPart) {
  int row = 0;
  ZRTexture* part = node.getMainTexture(saturatedInt(maskY), row, false);
  rowInPart = static_cast<float>(row);
  return part;
}

void drawNodeTexture(ZRDrawNode& node, float x, float y) {
  ZRTexture* t = node.texture.get();
  if (t == nullptr || t->getWidth() < 1 || t->getHeight() < 1) return;
  const float scale = t->getScale() > 0 ? t->getScale() : 1;
  t->drawRectInRect(0, 0, static_cast<float>(t->getWidth()) / scale,
                    static_cast<float>(t->getHeight()) / scale, x, y, -1, -1, 1, false, false);
}

int pointerCoordinate(float value) {
  return saturatedInt(value);
}
