#include "dsp/engine/zr_time_pitch_scaling_vinyl.h"

#include <algorithm>
#include <cmath>

#include "dsp/resample.h"

ZRTimePitchScaling_Vinyl::ZRTimePitchScaling_Vinyl(float sampleRate, int channels)
    : channels_(std::max(1, channels)), block_(static_cast<int>(lrint(sampleRate * 0.5))) {
  block_ = std::max(block_, kStepFrames);
  interleavedIn_ = std::make_unique<float[]>(static_cast<size_t>(channels_) * block_);
  interleavedOut_ = std::make_unique<float[]>(2 * static_cast<size_t>(channels_) * block_);
  buffers_ = std::make_unique<std::unique_ptr<float[]>[]>(channels_);
  channelBuffers_ = std::make_unique<float*[]>(channels_);
  for (int c = 0; c < channels_; ++c) {
    buffers_[c] = std::make_unique<float[]>(block_);
    channelBuffers_[c] = buffers_[c].get();
  }
}

int ZRTimePitchScaling_Vinyl::step(const ZRTimePitchScalingInput& input, const float** out) {
  input(channelBuffers_.get(), kStepFrames);
  float* in = interleavedIn_.get();
  for (int i = 0; i < kStepFrames; ++i) {
    for (int c = 0; c < channels_; ++c) *in++ = channelBuffers_[c][i];
  }
  // Never more than the output buffer holds (a tempo below 0.25 would overflow it).
  const int outFrames = tempo_ > 0.25 ? static_cast<int>(lrint(kStepFrames / tempo_)) : 2 * block_;
  ResampleFloatSamples(interleavedIn_.get(), kStepFrames, interleavedOut_.get(), outFrames, channels_);
  *out = interleavedOut_.get();
  return outFrames;
}
