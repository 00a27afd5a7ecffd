#include "gui_nodes/zr_node_edit_text.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/zr_geometry_utils.h"
#include "common/zr_logging.h"
#include "common/zr_parameter_list.h"
#include "common/zr_texture.h"
#include "gui/zr_draw_context.h"
#include "gui/zr_node_manager.h"

namespace {

bool isHighSurrogate(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}

bool isLowSurrogate(char16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

// The text cut to at most n units, never between the two units of a surrogate pair.
ZRString cutToLength(const ZRString& text, int n) {
  const std::u16string& units = text.utf16();
  if (static_cast<int>(units.size()) <= n) return text;
  int keep = n;
  if (keep > 0 && isHighSurrogate(units[keep - 1])) --keep;
  return ZRString(units.substr(0, static_cast<size_t>(keep)));
}

}  // namespace

ZRNodeEditText::ZRNodeEditText(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
  setActionSlotCount(SlotCount);
  setCaption(ZRString("text"));
  refreshBoundaries();
}

bool ZRNodeEditText::isTextCharacter(int code) {
  if (code < 32 || code == 127 || (code >= 0x80 && code <= 0x9F)) return false;  // control characters
  if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;       // not a character
  if (code >= ZRKeyLeft && code <= ZRKeyInsert) return false;                    // arrows, Enter, Delete, ...
  if (code >= ZRKeyF1 && code <= ZRKeyF19) return false;                         // function keys
  return true;
}

void ZRNodeEditText::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  {
    std::lock_guard guard(lock_);
    style_.read(*a, textAlignInvalid);
  }
  hideCursor();
  refreshBoundaries();
  std::lock_guard guard(lock_);
  textDirty_ = true;
  caret_ = static_cast<int>(text_.len());
}

// ---- text -------------------------------------------------------------------------------------------------

void ZRNodeEditText::setCaption(const ZRString& text) {
  const ZRString cut = cutToLength(text, kMaxLength);
  {
    std::lock_guard guard(lock_);
    if (text_ == cut) return;
    text_ = cut;
    ++textVersion_;
    textDirty_ = true;
    // Keys typed before the next frame insert at a caret inside the new text.
    caret_ = std::min(caret_, static_cast<int>(text_.len()));
  }
  callActionSlot(SlotTextEvents, TextChanged);
}

ZRString ZRNodeEditText::getCaption() const {
  std::lock_guard guard(lock_);
  return text_;
}

void ZRNodeEditText::setAllowAutoEnter(bool on) {
  std::lock_guard guard(lock_);
  autoEnterAllowed_ = on;
  if (!on) autoEnterTimer_ = -1;
}

void ZRNodeEditText::hideCursor() {
  std::lock_guard guard(lock_);
  if (caretVisible_) ZRLOG("hideCursor");
  caretVisible_ = false;
  blinkTimer_ = -1;
  redraw_ = true;
}

void ZRNodeEditText::showCaretNow() {
  caretVisible_ = true;
  blinkTimer_ = 0;
  redraw_ = true;
}

void ZRNodeEditText::edited() {
  callActionSlot(SlotTextEvents, TextChanging);
  callActionSlot(SlotTextEvents, TextChanged);
}

void ZRNodeEditText::addChar(int code, int index) {
  if (!isTextCharacter(code)) return;
  std::u16string units;
  if (code > 0xFFFF) {
    const int v = code - 0x10000;
    units.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
  } else {
    units.push_back(static_cast<char16_t>(code));
  }
  addString(ZRString(units), index);
}

void ZRNodeEditText::addString(const ZRString& text, int index) {
  {
    std::lock_guard guard(lock_);
    std::u16string units = text_.utf16();
    const int n = static_cast<int>(units.size());
    const int added = text.len();
    if (index < 0 || index > n || added == 0) return;
    if (n + added > kMaxLength) {
      ZRLOG("edit text '%s': the text is full (%d characters), '%s' is not added", name.c_str(), kMaxLength,
            text);
      return;
    }
    units.insert(static_cast<size_t>(index), text.utf16());
    text_ = ZRString(units);
    ++textVersion_;
    caret_ = std::min(caret_ + added, n + added);
    showCaretNow();
    if (autoEnterAllowed_) autoEnterTimer_ = 0;
  }
  refreshBoundaries();
  edited();
}

void ZRNodeEditText::removeChar(bool before, int index) {
  {
    std::lock_guard guard(lock_);
    std::u16string units = text_.utf16();
    const int n = static_cast<int>(units.size());
    if (index < 0 || index >= n) return;
    int start = index, count = 1;
    if (isLowSurrogate(units[index]) && index > 0 && isHighSurrogate(units[index - 1])) {
      start = index - 1;
      count = 2;
    } else if (isHighSurrogate(units[index]) && index + 1 < n && isLowSurrogate(units[index + 1])) {
      count = 2;
    }
    units.erase(static_cast<size_t>(start), static_cast<size_t>(count));
    text_ = ZRString(units);
    ++textVersion_;
    if (before) caret_ = std::max(0, caret_ - count);
    caret_ = std::min(caret_, n - count);
    showCaretNow();
    if (autoEnterAllowed_) autoEnterTimer_ = 0;
  }
  refreshBoundaries();
  edited();
}

std::vector<float> ZRNodeEditText::measureBoundaries(const ZRString& text) const {
  ZRCaptionStyle look;
  {
    std::lock_guard guard(lock_);
    look = style_;
  }
  const ZRString& font = look.fontName;
  const float size = look.fontSize;
  const textStyle style = look.fontStyle;
  const int n = text.len();
  std::vector<float> positions(static_cast<size_t>(n) + 1, 0.0f);
  float letterI = -1;
  for (int i = 0; i < n; ++i) {
    const ZRString prefix = text.substr(0, i + 1);
    float w = 0, h = 0;
    ZRDrawContext::measureTextStatic(prefix, font, size, style, w, h, scale);
    // A trailing space measures as nothing: it moves the caret by the width of an "i".
    if (w <= positions[i] && prefix.hasSpaceAtEnd()) {
      if (letterI < 0) ZRDrawContext::measureTextStatic(ZRString("i"), font, size, style, letterI, h, scale);
      w = positions[i] + letterI;
    }
    positions[i + 1] = w;
  }
  return positions;
}

void ZRNodeEditText::refreshBoundaries() {
  ZRString text;
  int version;
  {
    std::lock_guard guard(lock_);
    text = text_;
    version = textVersion_;
  }
  std::vector<float> positions = measureBoundaries(text);
  std::lock_guard guard(lock_);
  if (version == textVersion_) boundaries_.swap(positions);
}

void ZRNodeEditText::computeStringSizeAfterChar() {
  refreshBoundaries();
}

int ZRNodeEditText::getCaretIndex() const {
  std::lock_guard guard(lock_);
  return caret_;
}

bool ZRNodeEditText::isCaretVisible() const {
  std::lock_guard guard(lock_);
  return caretVisible_;
}

std::vector<float> ZRNodeEditText::getCaretPositions() const {
  std::lock_guard guard(lock_);
  return boundaries_;
}

// ---- input ------------------------------------------------------------------------------------------------

void ZRNodeEditText::moveCaret(int to) {
  std::lock_guard guard(lock_);
  const std::u16string& units = text_.utf16();
  const int n = static_cast<int>(units.size());
  to = std::clamp(to, 0, n);
  // Never between the two units of a pair: step over it in the direction of the move.
  if (to > 0 && to < n && isLowSurrogate(units[to]) && isHighSurrogate(units[to - 1]))
    to += to > caret_ ? 1 : -1;
  caret_ = to;
  showCaretNow();
}

void ZRNodeEditText::caretFromPress(float px) {
  std::lock_guard guard(lock_);
  const int n = text_.len();
  if (static_cast<int>(boundaries_.size()) != n + 1) return;  // measured text on its way in
  const float shift = std::min(0.0f, width - textWidth_);
  int h = n;
  for (int i = 0; i <= n; ++i) {
    if (boundaries_[i] + shift > px) {
      h = i;
      break;
    }
  }
  if (h > 0 && std::fabs(boundaries_[h - 1] + shift - px) < std::fabs(boundaries_[h] + shift - px)) --h;
  caret_ = std::clamp(h, 0, n);
  showCaretNow();
}

bool ZRNodeEditText::executeAction(int code, int, float px, float, int button, int key, int modifiers, int,
                                   int, int, wchar_t, int deckArg) {
  switch (code) {
    case ZRNodeEventPress:
      if (button == ZRButtonLeft) caretFromPress(px);
      return true;
    case ZRNodeEventRelease:
    case ZRNodeEventDoubleClick:
    case ZRNodeEventMove:
      return true;
    case ZRNodeEventEnter:
      if (manager != nullptr) manager->changeCursor(ZRNodeManager::cursorText);
      return true;
    case ZRNodeEventLeave:
      if (manager != nullptr) manager->changeCursor(ZRNodeManager::cursorDefault);
      return true;
    case ZRNodeEventFocusGained: {
      {
        std::lock_guard guard(lock_);
        caret_ = text_.len();
        showCaretNow();
      }
      if (ZRActionCallback fn = getActionSlot(SlotTextEvents)) fn(FocusGained, actionCode, deckArg, this);
      return true;
    }
    case ZRNodeEventFocusLost:
      hideCursor();
      if (ZRActionCallback fn = getActionSlot(SlotTextEvents)) fn(FocusLost, actionCode, deckArg, this);
      return true;
    case ZRNodeEventKey:
      break;
    default:
      return false;
  }
  int caret, length;
  {
    std::lock_guard guard(lock_);
    caret = caret_;
    length = text_.len();
  }
  switch (key) {
    case ZRKeyLeft:
      moveCaret(caret - 1);
      break;
    case ZRKeyRight:
      moveCaret(caret + 1);
      break;
    case ZRKeyPageUp:
    case ZRKeyHome:
      moveCaret(0);
      break;
    case ZRKeyPageDown:
    case ZRKeyEnd:
      moveCaret(length);
      break;
    case ZRKeyBackspace:
      if (caret > 0) {
        removeChar(true, caret - 1);
      } else {
        moveCaret(caret);
      }
      break;
    case ZRKeyDelete:
      if (caret < length) {
        removeChar(false, caret);
      } else {
        moveCaret(caret);
      }
      break;
    case ZRKeyUp:
    case ZRKeyDown:
    case ZRKeyEnter:
    case ZRKeyEsc:
    case ZRKeyTab:
      if (keySlot_ != nullptr) keySlot_(key, modifiers, this);
      break;
    default:
      addChar(key, caret);
      break;
  }
  return true;
}

void ZRNodeEditText::fireAutoEnter() {
  runOnMainThread(life_.watch(), [this] {
    if (keySlot_ != nullptr) keySlot_(ZRKeyEnter, 0, this);
  });
}

// ---- drawing ----------------------------------------------------------------------------------------------

void ZRNodeEditText::render(double dt, float x, float y) {
  if (!shown) {
    ZRDrawNode::render(dt, x, y);
    return;
  }
  createDrawContext(-1, -1);
  bool measure = false, redraw = false;
  {
    std::lock_guard guard(lock_);
    if (blinkTimer_ >= 0) {
      blinkTimer_ += static_cast<float>(dt);
      if (blinkTimer_ >= kBlinkPeriod) {
        blinkTimer_ = 0;
        caretVisible_ = !caretVisible_;
        redraw = true;
      }
    }
    measure = textDirty_;
    redraw = redraw || measure || redraw_ || contentInvalid || !texture;
    textDirty_ = false;
    redraw_ = false;
  }
  if (measure) {
    refreshBoundaries();
    std::lock_guard guard(lock_);
    caret_ = text_.len();
  }
  if (redraw) {
    ZRString text;
    ZRCaptionStyle look;
    bool visible;
    float caretX = 0;
    {
      std::lock_guard guard(lock_);
      text = text_;
      look = style_;
      visible = caretVisible_;
      if (caret_ >= 0 && caret_ < static_cast<int>(boundaries_.size())) caretX = boundaries_[caret_];
    }
    const ZRColorFloat& color = look.fontColor;
    float tw = 0, th = 0;
    ZRDrawContext::measureTextStatic(text, look.fontName, look.fontSize, look.fontStyle, tw, th, scale);
    tw += 4;
    const float shift = std::min(0.0f, width - tw);
    ZRDrawContext& dc = *drawContext;
    look.clearBackground(dc, width, height);
    if (visible) {
      const float cx = static_cast<float>(lrintf(caretX)) + shift;
      dc.setPenColor(color.r, color.g, color.b, color.a);
      dc.setPenWidth(1);
      dc.beginPath();
      dc.drawLine(cx, 0, cx, height);
      dc.stroke();
    }
    dc.setFontColor(color.r, color.g, color.b, color.a);
    dc.drawText(shift, (height - th) * 0.5f, text, look.fontName, look.fontSize, look.fontStyle,
                textAlignInvalid, 0, 0);
    updateTextureFromDrawContext();
    alignBoxInBox(look.fontAlign, width, height, tw, height, drawOffsetX_, drawOffsetY_, 0, 0);
    if (tw > width) drawOffsetX_ = 0;
    std::lock_guard guard(lock_);
    textWidth_ = tw;
    textHeight_ = height;
  }
  if (texture) {
    float tw, th;
    {
      std::lock_guard guard(lock_);
      tw = textWidth_;
      th = textHeight_;
    }
    texture->drawRect(0, 0, std::min(width, tw), std::min(height, th), std::round(x + drawOffsetX_),
                      std::round(y + drawOffsetY_), 1, 1, 1, 0, 1);
  }
  bool fire = false;
  {
    std::lock_guard guard(lock_);
    if (autoEnterTimer_ >= 0) {
      autoEnterTimer_ += dt;
      if (autoEnterTimer_ >= kAutoEnterSeconds) {
        autoEnterTimer_ = -1;
        fire = true;
      }
    }
  }
  if (fire) fireAutoEnter();
  ZRDrawNode::render(dt, x, y);
}
