#include "dsp/engine/zr_time_pitch_scaling_rubberband.h"

#include <rubberband/rubberband-c.h>

#include <algorithm>

#include "common/zr_logging.h"

int ZRTimePitchScaling_Rubberband::options() {
  return RubberBandOptionProcessRealTime | RubberBandOptionStretchPrecise | RubberBandOptionTransientsMixed |
         RubberBandOptionThreadingNever | RubberBandOptionChannelsTogether;
}

ZRTimePitchScaling_Rubberband::ZRTimePitchScaling_Rubberband(float sampleRate, int channels)
    : channels_(std::max(1, channels)) {
  buffers_ = std::make_unique<std::unique_ptr<float[]>[]>(channels_);
  channelBuffers_ = std::make_unique<float*[]>(channels_);
  for (int c = 0; c < channels_; ++c) {
    buffers_[c] = std::make_unique<float[]>(kMaxBlock);
    channelBuffers_[c] = buffers_[c].get();
  }
  interleaved_ = std::make_unique<float[]>(static_cast<size_t>(channels_) * kMaxBlock);
  stretcher_ = rubberband_new(static_cast<unsigned>(sampleRate), static_cast<unsigned>(channels_), options(),
                              1.0, 1.0);
}

ZRTimePitchScaling_Rubberband::~ZRTimePitchScaling_Rubberband() {
  rubberband_delete(stretcher_);
}

void ZRTimePitchScaling_Rubberband::setTempo(double tempo) {
  rubberband_set_time_ratio(stretcher_, 1.0 / tempo);
}

void ZRTimePitchScaling_Rubberband::setPitch(double ratio) {
  rubberband_set_pitch_scale(stretcher_, ratio);
}

double ZRTimePitchScaling_Rubberband::getTempo() {
  return 1.0 / rubberband_get_time_ratio(stretcher_);
}

double ZRTimePitchScaling_Rubberband::getPitch() {
  return rubberband_get_pitch_scale(stretcher_);
}

void ZRTimePitchScaling_Rubberband::reset() {
  rubberband_reset(stretcher_);
}

int ZRTimePitchScaling_Rubberband::getLatency() {
  return static_cast<int>(rubberband_get_latency(stretcher_));
}

int ZRTimePitchScaling_Rubberband::step(const ZRTimePitchScalingInput& input, const float** out) {
  const int required = static_cast<int>(rubberband_get_samples_required(stretcher_));
  if (required > 0) {
    const int n = std::min(required, maxBlock_);
    input(channelBuffers_.get(), n);
    if (required > maxBlock_) {
      ZRLOG("error: too many samples required: %d (max allowed: %d)", required, maxBlock_);
    }
    rubberband_process(stretcher_, channelBuffers_.get(), static_cast<unsigned>(n), 0);
  }
  const int available = rubberband_available(stretcher_);
  if (available <= 0) return 0;
  const int n = static_cast<int>(rubberband_retrieve(stretcher_, channelBuffers_.get(),
                                                     static_cast<unsigned>(std::min(available, maxBlock_))));
  float* dst = interleaved_.get();
  for (int i = 0; i < n; ++i) {
    for (int c = 0; c < channels_; ++c) *dst++ = channelBuffers_[c][i];
  }
  *out = interleaved_.get();
  return n;
}
