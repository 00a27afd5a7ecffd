#include "gui_nodes/zr_node_jog_wheel.h"

#include <algorithm>
#include <cmath>

#include "common/zr_geometry_utils.h"
#include "common/zr_parameter_list.h"
#include "common/zr_texture.h"
#include "gui/zr_draw_context.h"
#include "gui_nodes/zr_control_support.h"

namespace {

constexpr int kRpm33 = 33;  // stands for 33 1/3
constexpr double kFramesPerSecond = 44100;

}  // namespace

ZRNodeJogWheel::ZRNodeJogWheel(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRArtworkNode(manager, scale, id, deck) {
  setActionSlotCount(SlotCount);
}

void ZRNodeJogWheel::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  positions_ = a->getInt("positions", -1);
  wheelX_ = a->getFloat("transparentwheelx", upx);
  wheelY_ = a->getFloat("transparentwheely", upy);
  defaultImageX_ = a->getFloat("defimgx", -1);
  defaultImageY_ = a->getFloat("defimgy", -1);
  showArtwork_ = a->getBool("showartwork", false);
  spinArtwork_ = a->getBool("spinartwork", false);
  clipArtwork_ = a->getBool("clipartwork", false);
  clipArtworkSize_ = a->getFloat("clipartworksize", 1);
  artwork_.refreshSize(width, height, scale);
  maskDirty_ = true;
}

void ZRNodeJogWheel::updatePos(double seconds, int rpm) {
  if (!std::isfinite(seconds)) seconds = 0;
  const double turns = rpm == kRpm33 ? seconds / 60 * 100 / 3 : seconds / 60 * rpm;
  double degrees = (turns - std::floor(turns)) * 360;
  if (positions_ > 1) {
    const double step = 360.0 / positions_;
    degrees = std::floor(degrees / step) * step;
  }
  angle.store(degrees);
  rpm_.store(rpm);
}

double ZRNodeJogWheel::secondsForDegrees(double degrees) const {
  const int rpm = rpm_.load();
  // One turn is 60 / rpm seconds; a wheel told no speed turns as a 33 1/3 record.
  if (rpm == kRpm33 || rpm <= 0) return degrees / 6 * 3 / 100;
  return degrees / 6 / rpm;
}

bool ZRNodeJogWheel::executeAction(int code, int, float px, float py, int button, int, int, int, int, int,
                                   wchar_t, int) {
  if (!shown || code > ZRNodeEventMove) return false;
  switch (code) {
    case ZRNodeEventPress:
      if (button == ZRButtonLeft) {
        pointerAngle_.store(getAngleOfLineWithHorizontalLine(width / 2, height / 2, px, py, true));
        callActionSlot(SlotPress, -1);
      }
      return true;
    case ZRNodeEventRelease:
      if (button == ZRButtonLeft) callActionSlot(SlotRelease, -1);
      return true;
    case ZRNodeEventMove: {
      if (!buttonDown[ZRButtonLeft]) return false;
      const double a = getAngleOfLineWithHorizontalLine(width / 2, height / 2, px, py, true);
      double d = pointerAngle_.load() - a;
      if (d > 180) d -= 360;
      if (d < -180) d += 360;
      pointerAngle_.store(a);
      if (moveSlot_ != nullptr) {
        const int frames = static_cast<int>(lrint(secondsForDegrees(d) * kFramesPerSecond));
        moveSlot_(frames, pointerCoordinate(px), pointerCoordinate(py), button, actionCode, deck, this);
      }
      return true;
    }
    default:
      return true;
  }
}

void ZRNodeJogWheel::render(double dt, float x, float y) {
  if (!shown) return;
  const float platter = static_cast<float>(angle.load());
  const bool masked = maskx > -1 && masky > -1;
  ZRTexture* cover = artwork_.prepare(scale);
  if (showArtwork_) {
    const float turn = spinArtwork_ ? platter : 0;
    if (cover != nullptr && clipArtwork_) {
      createDrawContext(-1, -1);
      if (maskDirty_ || contentInvalid || !texture) {
        maskDirty_ = false;
        drawContext->clear();
        drawContext->setFillColor(1, 1, 1, 1);
        drawContext->drawFilledCircle(width / 2, height / 2, std::max(width, height) / 2);
        updateTextureFromDrawContext();
      }
      cover->drawRectInRectWithMask(0, 0, width, height, x, y, texture.get(), 0, 0, nullptr, 0, 0,
                                    clipArtworkSize_, clipArtworkSize_, turn);
    } else if (cover != nullptr && masked) {
      float row = 0;
      ZRTexture* mask = skinImagePartAt(*this, masky, row);
      cover->drawRectInRectWithMask(0, 0, width, height, x, y, mask, maskx, row, nullptr, 0, 0, 1, 1, turn);
    } else if (cover != nullptr) {
      cover->drawRect(0, 0, width, height, x, y, 1, 1, 1, turn, 1);
    } else if (defaultImageX_ > -1 && defaultImageY_ > -1) {
      mainTexture_drawRect(defaultImageX_, defaultImageY_, width, height, x, y, 1, 1, 1, turn, 1);
    }
  }
  if (masked) {
    float row = 0;
    ZRTexture* mask = skinImagePartAt(*this, masky, row);
    mainTexture_drawRectInRectWithMask(wheelX_, wheelY_, width, height, x, y, mask, maskx, row, nullptr, 0, 0,
                                       1, 1, platter);
  } else {
    mainTexture_drawRect(wheelX_, wheelY_, width, height, x, y, 1, 1, 1, platter, 1);
  }
  ZRDrawNode::render(dt, x, y);
}
