#include "gui_nodes/zr_node_play_live.h"

#include <cmath>

#include "common/zr_geometry_utils.h"
#include "common/zr_parameter_list.h"
#include "common/zr_texture.h"
#include "gui/zr_draw_context.h"
#include "gui_nodes/zr_control_support.h"

namespace {

constexpr double kRingDegreesPerSecond = 180;
constexpr double kGlowSeconds = 0.5;

}  // namespace

ZRNodePlayLive::ZRNodePlayLive(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
  setActionSlotCount(SlotCount);
  totalShortcutsKB = 1;
  totalShortcutsMIDI = 1;
  canUseLearn = true;
}

void ZRNodePlayLive::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  radius_ = a->getFloat("radius", 0);
  cursorSize_ = a->getFloat("cursorsize", 0);
  cursorColor_ = a->getColorFloat("cursorcolor", nullptr);
  trailColor_ = a->getColorFloat("trailcursorcolor", nullptr);
  for (int i = 0; i < kTrailTicks; ++i)
    trailColors_[i] = getGradientColor(trailColor_, cursorColor_, kTrailTicks, i);
  ringAngle_ = 0;
  redraw_.store(true);
}

void ZRNodePlayLive::updateState(bool playing) {
  if (playing_.exchange(playing) == playing) return;
  redraw_.store(true);
}

double ZRNodePlayLive::getDrawnRingAngle() const {
  return std::ceil(ringAngle_ / kTickStep) * kTickStep;
}

float ZRNodePlayLive::getGlowAlpha() const {
  return glowTimer_ >= 0 ? static_cast<float>(2 * glowTimer_) : 0.0f;
}

bool ZRNodePlayLive::executeAction(int code, int value, float, float, int button, int, int, int, int,
                                   int midiValue, wchar_t, int) {
  if (!enabled) return false;
  switch (code) {
    case ZRNodeEventPress:
      if (button == ZRButtonLeft) callActionSlot(SlotPress, -1);
      if (button == ZRButtonRight) callActionSlot(SlotRightPress, -1);
      return true;
    case ZRNodeEventRelease:
      if (button == ZRButtonLeft) callActionSlot(SlotRelease, -1);
      if (button == ZRButtonRight) callActionSlot(SlotRightRelease, -1);
      return true;
    case ZRNodeEventDoubleClick:
      callActionSlot(SlotDoubleClick, -1);
      return true;
    case ZRNodeEventEnter:
    case ZRNodeEventLeave:
    case ZRNodeEventMove:
      return true;
    case ZRNodeEventMidi: {
      const ZRMidiButtonGesture gesture = midiButtonGesture(value, midiValue);
      if (gesture == ZRMidiButtonGesture::Press || gesture == ZRMidiButtonGesture::PressAndRelease)
        callActionSlot(SlotPress, -1);
      if (gesture == ZRMidiButtonGesture::Release || gesture == ZRMidiButtonGesture::PressAndRelease)
        callActionSlot(SlotRelease, -1);
      return true;
    }
    case ZRNodeEventShortcut:
      callActionSlot(SlotPress, -1);
      callActionSlot(SlotRelease, -1);
      return true;
    default:
      return false;
  }
}

void ZRNodePlayLive::render(double dt, float x, float y) {
  if (!shown) {
    ZRDrawNode::render(dt, x, y);
    return;
  }
  const bool playing = playing_.load();
  if (playing) {
    ringAngle_ += dt * kRingDegreesPerSecond;
    if (ringAngle_ > 360) ringAngle_ -= 360;
  }
  if (glowTimer_ >= 0) glowTimer_ -= dt;
  if (buttonDown[ZRButtonLeft]) glowTimer_ = kGlowSeconds;
  const float glow = getGlowAlpha();

  drawSkinPartUnlessInPlace(*this, upx, upy, width, height, x, y);
  if (glow > 0) mainTexture_drawRect(downx, downy, width, height, x, y, 1, 1, 1, 0, glow);

  createDrawContext(-1, -1);
  if (redraw_.exchange(false) || contentInvalid || !texture) {
    ringAngle_ = 0;
    ZRDrawContext& dc = *drawContext;
    dc.clear();
    dc.setPenWidth(2);
    const float cx = width / 2, cy = height / 2;
    for (int i = 0; i < kTicks; ++i) {
      const double theta = i * kTickStep * M_PI / 180.0;
      const float c = static_cast<float>(std::cos(theta)), s = static_cast<float>(std::sin(theta));
      const ZRColorFloat& color = playing && i < kTrailTicks ? trailColors_[i] : cursorColor_;
      dc.setPenColor(color.r, color.g, color.b, color.a);
      dc.beginPath();
      dc.drawLine(cx + radius_ * c, cy - radius_ * s, cx + (radius_ - cursorSize_) * c,
                  cy - (radius_ - cursorSize_) * s);
      dc.stroke();
    }
    updateTextureFromDrawContext();
  }
  if (texture) {
    texture->drawRect(0, 0, width, height, x, y, 1, 1, 1, static_cast<float>(getDrawnRingAngle()), 1);
  }
  ZRDrawNode::render(dt, x, y);
}
