#include "gui_nodes/zr_node_sound_display.h"

#include <algorithm>
#include <cmath>

#include "common/action_vocabulary.h"
#include "common/zr_parameter_list.h"
#include "common/zr_saturate.h"
#include "common/zr_texture.h"
#include "dsp/engine/sound_source.h"
#include "gui/zr_draw_context.h"
#include "gui_nodes/zr_control_classes.h"

namespace {

constexpr int kFramesPerPoint = 100;

// The deck player as a display source.
class DeckDisplaySource : public ZRDeckDisplaySource {
 public:
  explicit DeckDisplaySource(CSoundSource* deck) : deck_(deck) {}
  void beginRead(ZRDeckDisplayFrame& f) override {
    deck_->StartUseDisplayData();
    f.full = deck_->getDisplayArrayA();
    f.low = deck_->getDisplayArrayB();
    f.high = deck_->getDisplayArrayC();
    f.points = deck_->getDisplayPointCount();
    f.gain = deck_->getDisplayGain();
    f.position = deck_->GetCurrentPosSmoothed();
    f.length = deck_->GetLength();
    f.cue = deck_->getCuePos(-1);
    const TLoopInfo loop = deck_->GetLoopInfo();
    f.looping = loop.active;
    f.loopStartPending = loop.inMarked;
    f.loopIn = loop.start;
    f.loopOut = loop.end;
    f.speed = std::fabs(deck_->IsBending() ? deck_->GetSpeedBeforeBend() : deck_->GetCurrentSpeed());
  }
  void endRead() override { deck_->StopUseDisplayData(); }
  CSoundSource* deck() const { return deck_; }

 private:
  CSoundSource* deck_;
};

ZRWaveformColor waveformColor(const ZRColorFloat& c) {
  return {c.r, c.g, c.b, c.a};
}

ZRColorFloat scaled(const ZRColorFloat& c, float factor) {
  return {std::min(1.0f, c.r * factor), std::min(1.0f, c.g * factor), std::min(1.0f, c.b * factor), c.a};
}

ZRDrawNode* createSoundDisplay(ZRNodeManager* manager, float scale, int id, int deck) {
  return new ZRNodeSoundDisplay(manager, nullptr, scale, id, deck, -1);
}

ZRDrawNode* createWaveform(ZRNodeManager* manager, float scale, int id, int deck) {
  return new ZRNodeWaveform(manager, nullptr, scale, id, deck, -1);
}

// Draws the node's drawing context as its texture at (x, y).
void drawNodeTexture(ZRDrawNode& node, float x, float y) {
  if (!node.texture || !node.drawContext) return;
  const float w = static_cast<float>(node.drawContext->getPixelWidth()) / node.drawContext->getScale();
  const float h = static_cast<float>(node.drawContext->getPixelHeight()) / node.drawContext->getScale();
  node.texture->drawRectInRect(0, 0, w, h, x, y, -1, -1, 1, false, false);
}

}  // namespace

void registerWaveformDisplayClasses() {
  registerControlClass(ELEMENT_sounddisplay, &createSoundDisplay);
  registerControlClass(ELEMENT_waveform, &createWaveform);
}

// ---- the scrolling deck waveform
// ----------------------------------------------------------------------------

ZRNodeSoundDisplay::ZRNodeSoundDisplay(ZRNodeManager* manager, ZRDrawNode* parent, float scale, int id,
                                       int deck, int actionCode)
    : ZRDrawNode(manager, parent, scale, id, deck, actionCode) {
  setActionSlotCount(4);
  for (ZRWaveformPrivateData& layer : layers_) resetWaveformPrivateData(&layer);
  ZRDrawNode::refreshCoordinates(nullptr);
}

ZRNodeSoundDisplay::~ZRNodeSoundDisplay() = default;

void ZRNodeSoundDisplay::setCSoundSource(CSoundSource* deck) {
  if (deck == nullptr) {
    source_.store(nullptr);
    return;
  }
  // Wrappers stay alive as long as the node: the render thread may still hold the one shown before.
  for (const auto& wrapper : deckSources_) {
    auto* known = static_cast<DeckDisplaySource*>(wrapper.get());
    if (known->deck() == deck) {
      source_.store(known);
      return;
    }
  }
  deckSources_.push_back(std::make_unique<DeckDisplaySource>(deck));
  source_.store(deckSources_.back().get());
}

void ZRNodeSoundDisplay::setDisplaySource(ZRDeckDisplaySource* source) {
  source_.store(source);
}

void ZRNodeSoundDisplay::setZoom(int zoom) {
  zoom_.store(zoom);
}

void ZRNodeSoundDisplay::setPointerSlot(int slot, ZRPointerActionCallback fn) {
  if (slot >= 0 && slot < 3) pointerSlots_[slot] = fn;
}

void ZRNodeSoundDisplay::refreshCoordinates(ZRParameterList* a) {
  ZRDrawNode::refreshCoordinates(a);
  if (a == nullptr) return;
  const ZRColorFloat black{0, 0, 0, 1};
  dataColor = a->getColorFloat("datacolor", &black);
  loopColor = a->getColorFloat("loopcolor", &black);
  cueColor = a->getColorFloat("cuecolor", &black);
  cursorColor = a->getColorFloat("cursorcolor", &black);
  dataFlashColor = a->getColorFloat("dataflashcolor", &black);
  drawMode_ = a->getInt("drawmode", -1);

  skinCursor_ = a->getInt("cursorpos", -1);
  ZRWaveformPrivateData& first = layers_[0];
  first.dataColor = waveformColor(dataColor);
  first.cueColor = waveformColor(cueColor);
  first.loopColor = waveformColor(loopColor);
  first.cursorColor = waveformColor(cursorColor);
  first.cursorHidden = a->getBool("dontshowcursor", false) ? 1 : 0;
  layers_[1] = first;
  layers_[2] = first;
  updateLayerGeometry();

  const ZRColorFloat darker = scaled(dataColor, 1 / 1.35f);
  const ZRColorFloat brighter = scaled(dataColor, 1.25f);
  dataColor1 = a->getColorFloat("datacolor1", &darker);
  dataColor2 = a->getColorFloat("datacolor2", &dataColor);
  dataColor3 = a->getColorFloat("datacolor3", &brighter);
  layers_[0].dataColor = waveformColor(dataColor1);
  layers_[1].dataColor = waveformColor(dataColor2);
  layers_[2].dataColor = waveformColor(dataColor3);
  redraw_ = 1;
}

void ZRNodeSoundDisplay::changeSize(float w, float h) {
  ZRDrawNode::changeSize(w, h);
  updateLayerGeometry();
  redraw_ = 1;
}

void ZRNodeSoundDisplay::updateLayerGeometry() {
  for (ZRWaveformPrivateData& layer : layers_) {
    layer.width = saturatedInt(width);
    layer.height = saturatedInt(height);
    layer.vertical = layer.width < layer.height;
    const int along = layer.vertical ? layer.height : layer.width;
    layer.cursorColumn = skinCursor_ < 0 || skinCursor_ >= along ? along / 3 : skinCursor_;
    layer.x = saturatedInt(layer.vertical ? y : x);
    layer.y = saturatedInt(layer.vertical ? x : y);
  }
}

void ZRNodeSoundDisplay::updateFlash(int rawLength, int lengthPoints, int positionPoints, float dt) {
  const int remaining = lengthPoints - positionPoints;
  if (flashTimer_ < 0) {
    if (rawLength >= kFramesPerPoint && remaining <= kWarningPoints) {
      flashTimer_ = 0;
      flashPhase_ = true;
      layers_[0].dataColor = waveformColor(dataFlashColor);
    }
    return;
  }
  flashTimer_ += dt;
  if (flashTimer_ >= kFlashPeriod) {
    flashTimer_ -= kFlashPeriod;
    layers_[0].dataColor = waveformColor(flashPhase_ ? dataColor1 : dataFlashColor);
    flashPhase_ = !flashPhase_;
  }
  if (rawLength < kFramesPerPoint || remaining > kWarningPoints) {
    flashTimer_ = -1;
    layers_[0].dataColor = waveformColor(dataColor1);
  }
}

void ZRNodeSoundDisplay::render(double dt, float atX, float atY) {
  ZRDeckDisplaySource* source = source_.load();
  if (!shown || source == nullptr) return;
  ZRDeckDisplayFrame f;
  source->beginRead(f);
  // Lengths beyond the arrays (a track whose length changed while it decodes) are cut to the data held.
  const int lengthPoints = std::min(f.length / kFramesPerPoint, f.points);
  const int position = f.position / kFramesPerPoint;
  const int cue = f.cue / kFramesPerPoint;
  if (position == lastPosition_ && lengthPoints == lastLength_ && cue == lastCue_ && redraw_ == 0) {
    if (unchangedFrames_++ >= 3) {
      redraw_ = 1;
      unchangedFrames_ = 0;
    }
  } else {
    redraw_ = 1;
    unchangedFrames_ = 0;
  }
  lastPosition_ = position;
  lastLength_ = lengthPoints;
  lastCue_ = cue;

  const int zoom = zoom_.load();
  for (int i = 0; i < 3; ++i) {
    ZRWaveformPrivateData& layer = layers_[i];
    layer.data = const_cast<float*>(i == 0 ? f.full : (i == 1 ? f.low : f.high));
    layer.secondData = i == 0 ? const_cast<float*>(f.low) : nullptr;
    layer.thirdData = i == 0 ? const_cast<float*>(f.high) : nullptr;
    layer.length = layer.data != nullptr ? lengthPoints : 0;
    layer.gain = f.gain;
    layer.position = position;
    layer.cuePosition = cue;
    layer.speed = f.speed;
    layer.mode = drawMode_;
    layer.zoom = zoom;
    layer.looping = i == 0 && f.looping ? 1 : 0;
    layer.loopStartPending = i == 0 && f.loopStartPending ? 1 : 0;
    layer.loopIn = i == 0 ? f.loopIn / kFramesPerPoint : 0;
    layer.loopOut = i == 0 ? f.loopOut / kFramesPerPoint : 0;
  }
  updateFlash(f.length, lengthPoints, position, static_cast<float>(dt));

  ZRAdaptiveDrawingContext front(nullptr, atX, atY, width, height, layers_[0].vertical);
  if (front.isUsingDrawContext()) {
    createDrawContext(-1, -1);
    if ((redraw_ != 0 || contentInvalid) && drawContext) {
      drawContext->clear();
      updateWaveformDisplay(drawContext.get(), &layers_[0]);
      lastDrawnLayers_ = 1;
      if (f.low != nullptr) {
        updateWaveformDisplay(drawContext.get(), &layers_[1]);
        lastDrawnLayers_ |= 2;
      }
      if (f.high != nullptr) {
        updateWaveformDisplay(drawContext.get(), &layers_[2]);
        lastDrawnLayers_ |= 4;
      }
      updateWaveformDisplayExtras(drawContext.get(), &layers_[0]);
      updateTextureFromDrawContext();
      ++redraws_;
    }
    drawNodeTexture(*this, atX, atY);
  }
  redraw_ = 0;
  source->endRead();
  ZRDrawNode::render(dt, atX, atY);
}

bool ZRNodeSoundDisplay::executeAction(int code, int, float px, float py, int button, int, int, int, int, int,
                                       wchar_t, int) {
  const int vertical = layers_[0].vertical ? 1 : 0;
  auto pointer = [&](int slot, int value, int b) {
    if (ZRPointerActionCallback fn = pointerSlots_[slot]) {
      fn(value, saturatedInt(px), saturatedInt(py), b, actionCode, deck, this);
    }
  };
  switch (code) {
    case ZRNodeEventPress:
      if (button == ZRButtonRight) callActionSlot(kSlotRightPress, -1);
      if (button == ZRButtonLeft) {
        callActionSlot(kSlotPress, -1);
        pointer(kPointerDragStart, vertical, ZRButtonLeft);
      }
      return true;
    case ZRNodeEventRelease:
      if (button == ZRButtonRight) callActionSlot(kSlotRightRelease, -1);
      if (button == ZRButtonLeft) callActionSlot(kSlotRelease, -1);
      return true;
    case ZRNodeEventMove:
      pointer(kPointerDragMove, vertical, button);
      return true;
    case ZRNodeEventDoubleClick:
    case ZRNodeEventEnter:
    case ZRNodeEventLeave:
    case ZRNodeEventDragEnter:
    case ZRNodeEventDragLeave:
      return true;
    default:
      return false;
  }
}

bool ZRNodeSoundDisplay::dropCallback(ZRDragDropPayload, float, float, bool) {
  return true;
}

// ---- the whole-track overview
// -------------------------------------------------------------------------------

ZRNodeWaveform::ZRNodeWaveform(ZRNodeManager* manager, ZRDrawNode* parent, float scale, int id, int deck,
                               int actionCode)
    : ZRDrawNode(manager, parent, scale, id, deck, actionCode) {
  setActionSlotCount(4);
  ZRDrawNode::refreshCoordinates(nullptr);
}

void ZRNodeWaveform::refreshCoordinates(ZRParameterList* a) {
  ZRDrawNode::refreshCoordinates(a);
  if (a == nullptr) return;
  const ZRColorFloat black{0, 0, 0, 1};
  dataColor = a->getColorFloat("datacolor", &black);
  dirty_ = true;
}

void ZRNodeWaveform::render(double dt, float atX, float atY) {
  if (shown) {
    createDrawContext(-1, -1);
    if ((dirty_ || contentInvalid) && peaks_ != nullptr && peakCount_ > 0 && drawContext) {
      updateWholeWaveformDisplay(drawContext.get(), saturatedInt(width), saturatedInt(height), peaks_,
                                 peakCount_, dataColor.r, dataColor.g, dataColor.b, dataColor.a, gain_);
      updateTextureFromDrawContext();
      dirty_ = false;
    }
    drawNodeTexture(*this, atX, atY);
  }
  ZRDrawNode::render(dt, atX, atY);
}

bool ZRNodeWaveform::executeAction(int code, int, float px, float py, int button, int, int, int, int, int,
                                   wchar_t, int) {
  switch (code) {
    case ZRNodeEventPress:
    case ZRNodeEventRelease:
      if (button == ZRButtonLeft || button == ZRButtonRight) {
        const bool press = code == ZRNodeEventPress;
        callActionSlot(button == ZRButtonLeft ? (press ? 0 : 1) : (press ? 2 : 3), -1);
      }
      return true;
    case ZRNodeEventMove:
      if (moveSlot_ != nullptr)
        moveSlot_(-1, saturatedInt(px), saturatedInt(py), button, actionCode, deck, this);
      return true;
    case ZRNodeEventDoubleClick:
    case ZRNodeEventEnter:
    case ZRNodeEventLeave:
      return true;
    default:
      return false;
  }
}
