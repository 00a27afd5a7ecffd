#pragma once
// The turntable scaler: plain linear resampling, so speed and pitch change
// together. The stored pitch has no effect on the output. Steps take a
// quarter second of input; tempo must stay at or above 0.25.

#include <memory>

#include "dsp/engine/zr_time_pitch_scaling.h"

class ZRTimePitchScaling_Vinyl : public ZRTimePitchScaling {
 public:
  static constexpr int kStepFrames = 11025;

  ZRTimePitchScaling_Vinyl(float sampleRate, int channels);

  void setTempo(double tempo) override { tempo_ = tempo; }
  void setPitch(double ratio) override { pitch_ = ratio; }
  double getTempo() override { return tempo_; }
  double getPitch() override { return pitch_; }
  void reset() override {}
  int getLatency() override { return 0; }

 protected:
  int step(const ZRTimePitchScalingInput& input, const float** out) override;
  int channelCount() const override { return channels_; }

 private:
  int channels_;
  int block_;  // half a second of frames
  std::unique_ptr<float[]> interleavedIn_;
  std::unique_ptr<float[]> interleavedOut_;
  std::unique_ptr<std::unique_ptr<float[]>[]> buffers_;
  std::unique_ptr<float*[]> channelBuffers_;
  double tempo_ = 1.0;
  double pitch_ = 1.0;
};
