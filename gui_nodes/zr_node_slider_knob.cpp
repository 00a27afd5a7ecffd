#include "gui_nodes/zr_node_slider_knob.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/zr_parameter_list.h"
#include "common/zr_texture.h"
#include "dsp/engine/sound_source.h"
#include "gui/zr_draw_context.h"
#include "gui/zr_waveform_drawing.h"
#include "gui_nodes/zr_control_support.h"

namespace {

constexpr int kShortcutSteps = 20;
constexpr double kDegrees = M_PI / 180.0;

int clampInt(int v, int lo, int hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

// The markers the strip leaves out: the ends of loops (their starts carry the label).
bool isLoopEnd(int kind) {
  return kind == CSoundSource::kMarkerSavedLoopEnd || kind == CSoundSource::kMarkerLoopEnd;
}

// A private drawing context of the node's size at its scale, made again when either changed; true when
// it was made (its content is gone).
bool ensureContext(std::unique_ptr<ZRDrawContext>& context, float width, float height, float scale) {
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  if (context && context->getWidth() == w && context->getHeight() == h && context->getScale() == scale)
    return false;
  context = std::make_unique<ZRDrawContext>(w, h, scale);
  return true;
}

void upload(ZRDrawContext& context, std::unique_ptr<ZRTexture>& texture, float scale) {
  if (!texture) texture.reset(ZRTexture::createTextureWithDefaultDevice(true, scale));
  if (!texture) return;
  texture->initWithOrRefreshData(context.getDataAlwaysInRGBA(false), context.getPixelWidth(),
                                 context.getPixelHeight(), ZRPixelFormatBGRA);
}

}  // namespace

ZRNodeSliderKnob::ZRNodeSliderKnob(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
  setActionSlotCount(SlotCount);
  totalShortcutsKB = 2;
  totalShortcutsMIDI = 1;
  canUseLearn = true;
  setDoubleClickAllowed(true);
}

ZRNodeSliderKnob::~ZRNodeSliderKnob() = default;

// ---- attributes -------------------------------------------------------------------------------------------

void ZRNodeSliderKnob::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  const int value = GetPos();
  {
    std::lock_guard guard(dataLock_);
    dataColor_ = a->getColorFloat("datacolor", nullptr);
    dataDirty_ = true;
    markersDirty_ = true;
  }
  cursorWidth_ = a->getInt("cursorwidth", -1);
  cursorHeight_ = a->getInt("cursorheight", -1);
  cursorUpX_ = a->getInt("cursorupx", -1);
  cursorUpY_ = a->getInt("cursorupy", -1);
  cursorOverX_ = a->getInt("cursoroverx", cursorUpX_);
  cursorOverY_ = a->getInt("cursorovery", cursorUpY_);
  if (cursorOverX_ < 0) cursorOverX_ = cursorUpX_;
  if (cursorOverY_ < 0) cursorOverY_ = cursorUpY_;
  selForceSymmetric_ = a->getBool("selforcesymmetric", false);
  selForceNotSymmetric_ = a->getBool("selforcenotsymmetric", false);
  knob_ = a->getBool("isknob", false);
  {
    // The reversal changes what the kept value means; the value itself is kept.
    std::lock_guard guard(lock_);
    reversed_ = a->getBool("reversed", false);
  }
  if (knob_) {
    rotation_ = std::max(270.0f, a->getFloat("rotation", 270));
    radius_ = a->getFloat("radius", -1);
    knobCursorSize_ = a->getInt("cursorsize", -1);
    useLine_ = a->getBool("useline", false);
    lineWidth_ = std::max(1.0f, a->getFloat("linewidth", 1));
    cursorColor_ = a->getColorFloat("cursorcolor", nullptr);
    focusedCursorColor_ = a->getColorFloat("focusedcursorcolor", &cursorColor_);
    progressMaskX_ = a->getFloat("progressmaskx", -1);
    progressMaskY_ = a->getFloat("progressmasky", -1);
    innerRadius_ = a->getFloat("innerradius", -1);
  } else {
    horizontal_ = width > height;
  }
  SetPos(value, false);
  lastDrawnAngle_ = -1;
  redrawKnob_ = true;
}

// ---- position ---------------------------------------------------------------------------------------------

int ZRNodeSliderKnob::GetPos() const {
  std::lock_guard guard(lock_);
  return valueOf(state_);
}

int ZRNodeSliderKnob::getMin() const {
  std::lock_guard guard(lock_);
  return state_.min;
}

int ZRNodeSliderKnob::getMax() const {
  std::lock_guard guard(lock_);
  return state_.max;
}

int ZRNodeSliderKnob::getCursorOffset() const {
  std::lock_guard guard(lock_);
  return state_.cursorOffset;
}

double ZRNodeSliderKnob::getAngle() const {
  std::lock_guard guard(lock_);
  return state_.angle;
}

int ZRNodeSliderKnob::cursorLength() const {
  return std::max(0, horizontal_ ? cursorWidth_ : cursorHeight_);
}

int ZRNodeSliderKnob::trackLength() const {
  return static_cast<int>(horizontal_ ? width : height) - cursorLength();
}

int ZRNodeSliderKnob::internalForOffset(const State& s, int offset) const {
  const int track = trackLength();
  if (track <= 0) return horizontal_ ? s.min : s.max;
  const long step = lrint(static_cast<double>(s.max - s.min) * offset / track);
  return horizontal_ ? static_cast<int>(s.min + step) : static_cast<int>(s.max - step);
}

void ZRNodeSliderKnob::notify(int value, bool withValueSlot) {
  callActionSlot(SlotChange, value);
  if (withValueSlot) callActionSlot(SlotValue, value);
}

void ZRNodeSliderKnob::SetPos(int value, bool notifyValue) {
  std::unique_lock guard(lock_);
  State& s = state_;
  const int v = clampInt(value, s.min, s.max);
  const int internal = reversed_ ? s.min + s.max - v : v;
  if (knob_) {
    s.internal = internal;
    if (s.max != s.min) s.angle = static_cast<double>(internal - s.min) * rotation_ / (s.max - s.min);
    const int now = valueOf(s);
    guard.unlock();
    notify(now, notifyValue);
    return;
  }
  if (isHeld() && !emulateButton_ && !resetRunning_) return;
  guard.unlock();
  FSetPosition(internal, notifyValue);
}

void ZRNodeSliderKnob::FSetPosition(int internalPosition, bool notifyValue) {
  std::unique_lock guard(lock_);
  State& s = state_;
  if (s.max == s.min) {
    s.internal = s.max;
    return;
  }
  const int v = clampInt(internalPosition, s.min, s.max);
  const int track = std::max(0, trackLength());
  const double share = static_cast<double>(horizontal_ ? v - s.min : s.max - v) / (s.max - s.min);
  s.cursorOffset = clampInt(static_cast<int>(lrint(share * track)), 0, track);
  s.internal = v;
  const int now = valueOf(s);
  guard.unlock();
  notify(now, notifyValue);
}

void ZRNodeSliderKnob::SetMin(int min) {
  setBounds(min, getMax());
}

void ZRNodeSliderKnob::SetMax(int max) {
  setBounds(getMin(), max);
}

void ZRNodeSliderKnob::setBounds(int min, int max) {
  int value;
  {
    std::lock_guard guard(lock_);
    state_.min = min;
    state_.max = max;
    state_.symmetric = std::abs(static_cast<long>(min) + max) < 2;
    state_.internal = clampInt(state_.internal, min, max);
    value = valueOf(state_);
  }
  SetPos(value, false);
}

void ZRNodeSliderKnob::setMinMaxPos(int min, int max, int value, bool notifyValue) {
  {
    std::lock_guard guard(lock_);
    state_.min = min;
    state_.max = max;
    state_.symmetric = std::abs(static_cast<long>(min) + max) < 2;
  }
  SetPos(value, notifyValue);
}

void ZRNodeSliderKnob::setResetOnDoubleClick(bool enabled, int value) {
  resetOnDoubleClick_ = enabled;
  resetValue_ = value;
}

void ZRNodeSliderKnob::setEmulateButton(bool on) {
  emulateButton_ = on;
}

// ---- data row and markers ---------------------------------------------------------------------------------

void ZRNodeSliderKnob::updateData(const float* values, int count, float scale) {
  std::lock_guard guard(dataLock_);
  if (values == nullptr || count <= 0) {
    data_.clear();
  } else {
    data_.assign(values, values + count);
  }
  dataScale_ = scale;
  dataDirty_ = true;
}

void ZRNodeSliderKnob::updateMarkersDisplayData(const TTrackMarker* markers, int count) {
  std::vector<Marker> copy;
  if (markers != nullptr && count > 0) {
    copy.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      const TTrackMarker& m = markers[i];
      copy.push_back({m.label, m.r, m.g, m.b, m.a, m.position, m.penWidth, m.kind});
    }
  }
  std::lock_guard guard(dataLock_);
  markers_.swap(copy);
  markersDirty_ = true;
}

int ZRNodeSliderKnob::getMarkerCount() const {
  std::lock_guard guard(dataLock_);
  return static_cast<int>(markers_.size());
}

// ---- input ------------------------------------------------------------------------------------------------

void ZRNodeSliderKnob::mouseMoveTo(float coordinate, bool press) {
  std::unique_lock guard(lock_);
  State& s = state_;
  if (s.max == s.min) return;
  const int track = std::max(0, trackLength());
  const int cursor = cursorLength();
  int offset;
  if (press) {
    if (s.cursorOffset <= coordinate && coordinate < s.cursorOffset + cursor) {
      s.grabOffset = static_cast<int>(lrintf(coordinate - static_cast<float>(s.cursorOffset)));
      offset = s.cursorOffset;
    } else {
      s.grabOffset = cursor / 2;
      offset = clampInt(static_cast<int>(lrintf(coordinate)) - cursor / 2, 0, track);
    }
  } else {
    offset = clampInt(static_cast<int>(lrintf(coordinate)) - s.grabOffset, 0, track);
  }
  s.cursorOffset = offset;
  s.internal = internalForOffset(s, offset);
  const int now = valueOf(s);
  guard.unlock();
  notify(now, true);
}

void ZRNodeSliderKnob::knobMoveTo(float x, float y) {
  std::unique_lock guard(lock_);
  State& s = state_;
  s.angle = std::clamp(s.angleAtPress + 2.0 * ((x - s.knobPressX) + (s.knobPressY - y)), 0.0,
                       static_cast<double>(rotation_));
  s.internal = s.min + static_cast<int>(lrint(static_cast<double>(s.max - s.min) * s.angle / rotation_));
  const int now = valueOf(s);
  guard.unlock();
  notify(now, true);
}

void ZRNodeSliderKnob::midiEvent(int kind, int data) {
  int target;
  {
    std::lock_guard guard(lock_);
    const State& s = state_;
    const int v = valueOf(s);
    if (kind == ZRMidiControlChange || kind == ZRMidiPitchBend) {
      if ((data == 63 || data == 64) && static_cast<long>(s.min) + s.max == 0) {
        target = 0;
      } else {
        target = s.min + static_cast<int>(lrintf(static_cast<float>(s.max - s.min) * data / 127.0f));
      }
    } else if (kind == ZRMidiNoteOn && data > 0) {
      const long toMin = std::labs(static_cast<long>(v) - s.min);
      const long toMax = std::labs(static_cast<long>(v) - s.max);
      if (static_cast<long>(s.min) + s.max != 0) {
        target = toMin < toMax ? s.max : s.min;
      } else if (toMin < toMax) {
        target = toMin < std::labs(v) ? 0 : s.min;
      } else {
        target = std::labs(v) < toMax ? s.max : s.min;
      }
    } else {
      return;
    }
  }
  SetPos(target, false);
  callActionSlot(SlotValue, GetPos());
}

void ZRNodeSliderKnob::shortcut(int key) {
  // The router names the shortcut slot that ran (0 steps down, 1 up); a key code that one of the slots
  // holds is taken as that slot.
  int slot = -1;
  if (key >= 0 && key < totalShortcutsKB) {
    slot = key;
  } else {
    for (int i = 0; i < totalShortcutsKB; ++i) {
      int k = 0, m = 0;
      getKBShortcut(i, k, m);
      if (k > 0 && k == key) {
        slot = i;
        break;
      }
    }
  }
  if (slot < 0) return;
  int target;
  {
    std::lock_guard guard(lock_);
    const int step = static_cast<int>(lrintf(static_cast<float>(state_.max - state_.min) / kShortcutSteps));
    target = valueOf(state_) + (slot == 0 ? -step : step);
  }
  SetPos(target, false);
  callActionSlot(SlotValue, GetPos());
}

bool ZRNodeSliderKnob::executeAction(int code, int value, float x, float y, int button, int key, int, int,
                                     int, int midiValue, wchar_t, int) {
  const float along = horizontal_ ? x : y;
  switch (code) {
    case ZRNodeEventPress:
      if (emulateButton_) {
        if (button == ZRButtonLeft) callActionSlot(SlotButtonPress, -1);
        if (button == ZRButtonRight) callActionSlot(SlotButtonRightPress, -1);
        return true;
      }
      if (!shown) return true;
      redrawKnob_ = true;
      if (knob_) {
        if (button == ZRButtonLeft) {
          std::lock_guard guard(lock_);
          state_.knobPressX = x;
          state_.knobPressY = y;
          state_.angleAtPress = state_.angle;
        } else if (button == ZRButtonRight && !buttonDown[ZRButtonLeft]) {
          SetPos(0, true);
        }
      } else if (button == ZRButtonLeft) {
        mouseMoveTo(along, true);
      } else if (button == ZRButtonRight) {
        savedValue_ = GetPos();
        mouseMoveTo(along, true);
      }
      return true;
    case ZRNodeEventRelease:
      if (emulateButton_) {
        if (button == ZRButtonLeft) callActionSlot(SlotButtonRelease, -1);
        if (button == ZRButtonRight) callActionSlot(SlotButtonRightRelease, -1);
        return true;
      }
      redrawKnob_ = true;
      if (button == ZRButtonLeft) {
        callActionSlot(SlotReleased, GetPos());
      } else if (button == ZRButtonRight && !knob_ && !buttonDown[ZRButtonLeft]) {
        SetPos(savedValue_, true);
      }
      return true;
    case ZRNodeEventDoubleClick:
      if (emulateButton_) {
        callActionSlot(SlotButtonDoubleClick, -1);
      } else if (resetOnDoubleClick_) {
        resetRunning_ = true;
        SetPos(resetValue_, true);
        resetRunning_ = false;
      }
      return true;
    case ZRNodeEventEnter:
    case ZRNodeEventLeave:
      redrawKnob_ = true;
      return true;
    case ZRNodeEventMove:
      if (!shown || emulateButton_) return true;
      if (knob_) {
        if (buttonDown[ZRButtonLeft]) knobMoveTo(x, y);
      } else if (buttonDown[ZRButtonLeft] || buttonDown[ZRButtonRight]) {
        mouseMoveTo(along, false);
      }
      return true;
    case ZRNodeEventMidi:
      midiEvent(value, midiValue);
      return true;
    case ZRNodeEventShortcut:
      shortcut(key);
      return true;
    default:
      return false;
  }
}

// ---- drawing ----------------------------------------------------------------------------------------------

void ZRNodeSliderKnob::destroyTexture() {
  maskTexture_.reset();
  markerTexture_.reset();
  lastDrawnAngle_ = -1;
  ZRDrawNode::destroyTexture();
}

bool ZRNodeSliderKnob::centredFill(const State& s) const {
  return (s.symmetric || selForceSymmetric_) && !selForceNotSymmetric_;
}

void ZRNodeSliderKnob::render(double dt, float x, float y) {
  if (shown) {
    State s;
    {
      std::lock_guard guard(lock_);
      s = state_;
    }
    if (knob_) {
      renderKnob(x, y, s);
    } else {
      renderSlider(x, y, s);
    }
  }
  ZRDrawNode::render(dt, x, y);
}

void ZRNodeSliderKnob::renderSlider(float x, float y, const State& s) {
  const bool over = mouseInside || buttonDown[ZRButtonLeft];
  const float trackX = over ? overx : upx, trackY = over ? overy : upy;
  drawSkinPartUnlessInPlace(*this, trackX, trackY, width, height, x, y);

  {
    std::lock_guard guard(dataLock_);
    if (!data_.empty()) {
      createDrawContext(-1, -1);
      if (dataDirty_ || contentInvalid || !texture) {
        dataDirty_ = false;
        updateWholeWaveformDisplay(drawContext.get(), static_cast<int>(width), static_cast<int>(height),
                                   data_.data(), static_cast<int>(data_.size()), dataColor_.r, dataColor_.g,
                                   dataColor_.b, dataColor_.a, dataScale_);
        updateTextureFromDrawContext();
      }
      drawNodeTexture(*this, x, y);
    }
  }

  if (selx != trackX || sely != trackY) {
    const float c = static_cast<float>(s.cursorOffset) + static_cast<float>(cursorLength()) / 2;
    const float length = horizontal_ ? width : height;
    float from = 0, to = 0;
    if (centredFill(s)) {
      const float half = length / 2;
      if (std::fabs(c - half) > 1) {
        from = std::min(c, half);
        to = std::max(c, half);
      }
    } else if (horizontal_) {
      from = reversed_ ? c : 0;
      to = reversed_ ? length : c;
    } else {
      from = reversed_ ? 0 : c;
      to = reversed_ ? c : length;
    }
    if (to > from) {
      if (horizontal_) {
        mainTexture_drawRectInRect(selx + from, sely, to - from, height, x + from, y, -1, -1, 1, false,
                                   false);
      } else {
        mainTexture_drawRectInRect(selx, sely + from, width, to - from, x, y + from, -1, -1, 1, false, false);
      }
    }
  }

  if (width > height) renderMarkers(x, y);

  const int cx = mouseInside ? cursorOverX_ : cursorUpX_;
  const int cy = mouseInside ? cursorOverY_ : cursorUpY_;
  if (cx >= 0 && cy >= 0 && cursorWidth_ >= 1 && cursorHeight_ >= 1) {
    const float offset = static_cast<float>(s.cursorOffset);
    mainTexture_drawRectInRect(static_cast<float>(cx), static_cast<float>(cy),
                               static_cast<float>(cursorWidth_), static_cast<float>(cursorHeight_),
                               horizontal_ ? x + offset : x, horizontal_ ? y : y + offset, -1, -1, 1, false,
                               false);
  }
}

void ZRNodeSliderKnob::renderMarkers(float x, float y) {
  std::lock_guard guard(dataLock_);
  if (markers_.empty()) return;
  const bool made = ensureContext(markerContext_, width, height, scale);
  if (made || markersDirty_ || contentInvalid || !markerTexture_) {
    markersDirty_ = false;
    ZRDrawContext& dc = *markerContext_;
    dc.clear();
    const ZRString font("Arial");
    for (const Marker& m : markers_) {
      if (isLoopEnd(m.kind)) continue;
      const float mx = static_cast<float>(lrintf((width - 2) * m.position));
      dc.setPenColor(m.r, m.g, m.b, m.a);
      dc.setPenWidth(static_cast<float>(m.penWidth));
      dc.beginPath();
      dc.drawLine(mx, 1, mx, height - 2);
      dc.stroke();
      if (m.label.empty()) continue;
      float lw = 0, lh = 0;
      ZRDrawContext::measureTextStatic(m.label, font, 8, textStyleInvalid, lw, lh, scale);
      if (!(lw > 0) || !(lh > 0)) lw = lh = 5;
      const float bx = m.position > 0.5f ? mx - (lw + 3) : mx;
      dc.setFillColor(0, 0, 0, 0.66f);
      dc.beginPath();
      dc.drawFilledRectWithSize(bx, 3, lw + 4, lh + 2, 0);
      dc.fill();
      dc.setPenWidth(1);
      dc.beginPath();
      dc.drawRectWithSize(bx, 3, lw + 4, lh + 2);
      dc.stroke();
      dc.setFontColor(m.r, m.g, m.b, m.a);
      dc.drawText(bx + 2, 5, m.label, font, 8, textStyleInvalid, textAlignInvalid, 0, 0);
    }
    upload(dc, markerTexture_, scale);
  }
  if (markerTexture_) markerTexture_->drawRectInRect(0, 0, width, height, x, y, -1, -1, 1, false, false);
}

void ZRNodeSliderKnob::renderKnob(float x, float y, const State& s) {
  const bool active = mouseInside || buttonDown[ZRButtonLeft];
  drawSkinPartUnlessInPlace(*this, active ? overx : upx, active ? overy : upy, width, height, x, y);

  const double p = (360.0 - rotation_) / 2 + 90 + s.angle;
  const bool changed = p != lastDrawnAngle_ || redrawKnob_;

  if (selx != x || sely != y) {
    const bool made = ensureContext(maskContext_, width, height, scale);
    if (made || changed || contentInvalid || !maskTexture_) {
      ZRDrawContext& dc = *maskContext_;
      dc.clear();
      dc.setFillColor(1, 1, 1, 1);
      double start = (360.0 - rotation_) / 2 + 90, sweep = s.angle;
      if (centredFill(s)) {
        if (s.angle >= rotation_ / 2.0) {
          start = 270;
          sweep = p - 270;
        } else {
          start = p;
          sweep = 270 - p;
        }
      }
      dc.beginPath();
      dc.drawFilledPieWithSize(0, 0, width, height, static_cast<float>(start), static_cast<float>(sweep));
      dc.fill();
      if (innerRadius_ > 0) {
        dc.setFillColor(0, 0, 0, 1);
        dc.drawFilledCircle(width / 2, height / 2, innerRadius_);
      }
      upload(dc, maskTexture_, scale);
    }
    if (maskTexture_) {
      ZRTexture* second = nullptr;
      float secondRow = 0;
      if (progressMaskX_ > -1 && progressMaskY_ > -1)
        second = skinImagePartAt(*this, progressMaskY_, secondRow);
      mainTexture_drawRectInRectWithMask(selx, sely, width, height, x, y, maskTexture_.get(), 0, 0, second,
                                         progressMaskX_, secondRow, 1, 1, 0);
    }
  }

  const double rad = p * kDegrees;
  const float cosP = static_cast<float>(std::cos(rad)), sinP = static_cast<float>(std::sin(rad));
  if (knobCursorSize_ >= 1) {
    createDrawContext(-1, -1);
    if (changed || contentInvalid || !texture) {
      const ZRColorFloat& c = active ? focusedCursorColor_ : cursorColor_;
      const float ox = width / 2 + radius_ * cosP, oy = height / 2 + radius_ * sinP;
      drawContext->clear();
      if (useLine_) {
        const float length = static_cast<float>(knobCursorSize_);
        drawContext->setPenColor(c.r, c.g, c.b, c.a);
        drawContext->setPenWidth(lineWidth_);
        drawContext->beginPath();
        drawContext->drawLine(ox, oy, ox - length * cosP, oy - length * sinP);
        drawContext->stroke();
      } else {
        drawContext->setFillColor(c.r, c.g, c.b, c.a);
        drawContext->drawFilledCircle(ox, oy, static_cast<float>(knobCursorSize_));
      }
      updateTextureFromDrawContext();
    }
    drawNodeTexture(*this, x, y);
  } else {
    const int cx = active ? cursorOverX_ : cursorUpX_;
    const int cy = active ? cursorOverY_ : cursorUpY_;
    if (cx >= 0 && cy >= 0 && cursorWidth_ >= 1 && cursorHeight_ >= 1) {
      const float cw = static_cast<float>(cursorWidth_), ch = static_cast<float>(cursorHeight_);
      if (cw >= width / 2) {
        const float rotation = static_cast<float>((360.0 - rotation_) + p);
        const float dx = x + (width - cw) / 2, dy = y + (height - ch) / 2;
        if (maskx > -1 && masky > -1) {
          float row = 0;
          ZRTexture* mask = skinImagePartAt(*this, masky, row);
          mainTexture_drawRectInRectWithMask(static_cast<float>(cx), static_cast<float>(cy), cw, ch, dx, dy,
                                             mask, maskx, row, nullptr, 0, 0, 1, 1, rotation);
        } else {
          mainTexture_drawRect(static_cast<float>(cx), static_cast<float>(cy), cw, ch, dx, dy, 1, 1, 1,
                               rotation, 1);
        }
      } else {
        const float px = x + width / 2 + radius_ * cosP - cw / 2;
        const float py = y + height / 2 + radius_ * sinP - ch / 2;
        mainTexture_drawRect(static_cast<float>(cx), static_cast<float>(cy), cw, ch, px, py, 1, 1, 1, 0, 1);
      }
    }
  }
  lastDrawnAngle_ = p;
  redrawKnob_ = false;
}
