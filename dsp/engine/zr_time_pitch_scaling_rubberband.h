#pragma once
// Key-lock scaler on the RubberBand library: real-time time stretching and
// pitch shifting, run without threads of its own inside the caller's thread.

#include <memory>

#include "dsp/engine/zr_time_pitch_scaling.h"

struct RubberBandState_;

class ZRTimePitchScaling_Rubberband : public ZRTimePitchScaling {
 public:
  static constexpr int kMaxBlock = 4096;
  // The stretcher's options: real-time, precise stretching, mixed transients,
  // no internal threads, channels processed together.
  static int options();

  ZRTimePitchScaling_Rubberband(float sampleRate, int channels);
  ~ZRTimePitchScaling_Rubberband() override;
  ZRTimePitchScaling_Rubberband(const ZRTimePitchScaling_Rubberband&) = delete;
  ZRTimePitchScaling_Rubberband& operator=(const ZRTimePitchScaling_Rubberband&) = delete;

  // A playback rate t is a time ratio of 1 / t.
  void setTempo(double tempo) override;
  void setPitch(double ratio) override;
  double getTempo() override;
  double getPitch() override;
  void reset() override;
  int getLatency() override;

 protected:
  int step(const ZRTimePitchScalingInput& input, const float** out) override;
  int channelCount() const override { return channels_; }

 private:
  int channels_;
  int maxBlock_ = kMaxBlock;
  std::unique_ptr<std::unique_ptr<float[]>[]> buffers_;
  std::unique_ptr<float*[]> channelBuffers_;
  std::unique_ptr<float[]> interleaved_;
  RubberBandState_* stretcher_;
};
