#include "gui_nodes/zr_node_vu_meter.h"

#include <algorithm>
#include <cmath>

#include "common/zr_logging.h"
#include "common/zr_parameter_list.h"
#include "common/zr_time_counter.h"

namespace {

// The meter's scale reads the input level plus this.
constexpr float kScaleOffset = 12;
constexpr float kPeakHoldSeconds = 2;

}  // namespace

ZRNodeVUMeter::ZRNodeVUMeter(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1),
      stopwatch_(std::make_unique<ZRHighPrecisionTimeCounter>()) {
  cache_dBLevels();
}

ZRNodeVUMeter::~ZRNodeVUMeter() = default;

void ZRNodeVUMeter::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  std::lock_guard guard(lock_);
  reversed_ = a->getBool("reversed", false);
  peakDisabled_ = a->getBool("peakdisabled", false);
  peakShown_ = !peakDisabled_;
  granularity_ = std::max(1.0f, a->getFloat("granularity", 0));
  offsetBegin_ = std::max(0, a->getInt("offsetbegin", -1));
  offsetEnd_ = std::max(0, a->getInt("offsetend", -1));
  rebuild();
}

void ZRNodeVUMeter::cache_dBLevels() {
  std::lock_guard guard(lock_);
  rebuild();
}

void ZRNodeVUMeter::rebuild() {
  const float longer = width > height ? width : height;
  long length = static_cast<long>(std::clamp(longer, 0.0f, static_cast<float>(kMaxLength) * 4)) -
                static_cast<long>(offsetBegin_) - offsetEnd_;
  if (length > kMaxLength) {
    ZRLOG("warning: level meter '%s' is %d points long; its scale stops at %d points", name.c_str(),
          static_cast<int>(length), kMaxLength);
    length = kMaxLength;
  }
  length_ = static_cast<int>(std::max(0L, length));
  const int L = length_, t = L / 3, s = L / 6;
  levels_.assign(static_cast<size_t>(L), 0.0f);
  // Each step's count less one, never zero: meters shorter than 12 points still get a rising scale.
  const float tSteps = static_cast<float>(std::max(1, t - 1));
  const float sSteps = static_cast<float>(std::max(1, s - 1));
  if (L >= 3) {
    for (int i = 0; i < t; ++i) levels_[i] = -10.0f - 35.0f * static_cast<float>(t - 1 - i) / tSteps;
    for (int j = 0; j < t; ++j) levels_[t + s + j] = -3.0f + 7.0f * static_cast<float>(j) / tSteps;
  }
  if (L >= 6) {
    for (int j = 0; j < s; ++j) levels_[t + j] = -4.0f - 4.5f * static_cast<float>(s - 1 - j) / sSteps;
  }
  for (int j = 0; 2 * t + s + j < L; ++j)
    levels_[2 * t + s + j] = 5.5f + 4.5f * static_cast<float>(j) / sSteps;
  target_ = std::min(target_, static_cast<float>(std::max(0, L - 1)));
  current_ = std::min(current_, static_cast<float>(std::max(0, L - 1)));
  peak_ = std::min(peak_, static_cast<float>(std::max(0, L - 1)));
}

float ZRNodeVUMeter::setValueDB(float dB) {
  double seconds;
  {
    std::lock_guard guard(lock_);
    stopwatch_->takeNewMeasurement();
    seconds =
        stopwatch_->count > 1 ? static_cast<double>(stopwatch_->last - stopwatch_->previous) / 1000.0 : 0.0;
  }
  return setValueDBAfter(dB, seconds);
}

float ZRNodeVUMeter::setValueDBAfter(float dB, double seconds) {
  std::lock_guard guard(lock_);
  const int L = length_;
  const float x = dB + kScaleOffset;
  int target = 0;
  if (L > 0 && x > levels_[0]) {
    for (int p = L - 1; p >= 1; --p) {
      if (levels_[p] <= x) {
        target = p;
        break;
      }
    }
  }
  target_ = static_cast<float>(target);
  const float dt = std::isfinite(seconds) && seconds > 0 ? static_cast<float>(seconds) : 0.0f;
  const float g = static_cast<float>(L) * dt;
  if (target_ > current_) {
    current_ = std::min(current_ + 4 * g, target_);
  } else if (target_ < current_) {
    current_ = std::max(current_ - g, target_);
  }
  if (current_ >= peak_) {
    peak_ = current_;
    peakHold_ = -1;
  } else {
    peakHold_ = peakHold_ < 0 ? 0 : peakHold_ + dt;
    if (peakHold_ > kPeakHoldSeconds) peak_ = std::max(0.0f, peak_ - 0.2f * g);
  }
  const int at = std::clamp(static_cast<int>(std::lround(current_)), 0, std::max(0, L - 1));
  lastDB_ = (L > 0 ? levels_[at] : 0.0f) - 8;
  return lastDB_;
}

void ZRNodeVUMeter::setValue(float fraction) {
  std::lock_guard guard(lock_);
  const float share = std::isfinite(fraction) ? std::clamp(fraction, 0.0f, 1.0f) : 0.0f;
  current_ = std::min(share * static_cast<float>(length_), static_cast<float>(std::max(0, length_ - 1)));
  peakShown_ = false;
}

float ZRNodeVUMeter::getValueDB() const {
  std::lock_guard guard(lock_);
  return lastDB_;
}

int ZRNodeVUMeter::getLength() const {
  std::lock_guard guard(lock_);
  return length_;
}

float ZRNodeVUMeter::getLevelAt(int point) const {
  std::lock_guard guard(lock_);
  return point >= 0 && point < length_ ? levels_[point] : 0.0f;
}

float ZRNodeVUMeter::getCurrentPixel() const {
  std::lock_guard guard(lock_);
  return current_;
}

float ZRNodeVUMeter::getPeakPixel() const {
  std::lock_guard guard(lock_);
  return peak_;
}

float ZRNodeVUMeter::getTargetPixel() const {
  std::lock_guard guard(lock_);
  return target_;
}

void ZRNodeVUMeter::render(double dt, float x, float y) {
  if (shown) {
    float cur, pk, G;
    bool peak, reversed;
    int L;
    {
      std::lock_guard guard(lock_);
      G = granularity_;
      cur = std::round(std::floor(current_ / G) * G);
      pk = std::round(std::floor(peak_ / G) * G);
      peak = peakShown_;
      reversed = reversed_;
      L = length_;
    }
    if (L > 0) {
      // One step is always lit; nothing is drawn past the meter's end.
      const float lit = std::min(G + cur, static_cast<float>(L));
      const float begin = static_cast<float>(offsetBegin_);
      if (width > height) {
        const float at = reversed ? width - lit - begin : begin;
        mainTexture_drawRectInRect(upx + at, upy, lit, height, x + at, y, -1, -1, 1, false, false);
        if (peak) {
          const float p = reversed ? width - pk - begin - G : begin + pk;
          mainTexture_drawRectInRect(upx + p, upy, G, height, x + p, y, -1, -1, 1, false, false);
        }
      } else {
        const float at = reversed ? begin : height - lit - begin;
        mainTexture_drawRectInRect(upx, upy + at, width, lit, x, y + at, -1, -1, 1, false, false);
        if (peak) {
          const float p = reversed ? begin + pk : height - pk - begin - G;
          mainTexture_drawRectInRect(upx, upy + p, width, G, x, y + p, -1, -1, 1, false, false);
        }
      }
    }
  }
  ZRDrawNode::render(dt, x, y);
}
