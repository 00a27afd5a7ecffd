#include "dsp/engine/zr_time_pitch_scaling.h"

#include "common/zr_ring_buffer.h"
#include "dsp/engine/zr_time_pitch_scaling_rubberband.h"
#include "dsp/engine/zr_time_pitch_scaling_vinyl.h"

int ZRTimePitchScaling::processToRingBuffer(const ZRTimePitchScalingInput& input, ZRRingBuffer* ring,
                                            int frames, bool overwrite, int& framesDropped,
                                            int& framesProduced) {
  framesDropped = 0;
  framesProduced = 0;
  const int channels = channelCount();
  const int frameBytes = channels * 4;
  for (;;) {
    if (overwrite) {
      if (framesProduced >= frames) return framesProduced;
    } else {
      const int used = ring->getUsed();
      if (used >= frames * frameBytes) return used;
    }
    const float* out = nullptr;
    const int produced = step(input, &out);
    if (produced > 0) {
      if (overwrite) {
        const int dropped = ring->putBlockWithOverwriteIfNeeded(out, produced * frameBytes);
        if (dropped > 0) framesDropped += dropped / frameBytes;
      } else {
        ring->putBlock(out, produced * frameBytes);
      }
    }
    framesProduced += produced;
  }
}

ZRTimePitchScaling* ZRTimePitchScalingFactory::create(ZRTimePitchScalingType type, float sampleRate,
                                                      int channels, float /*unused*/) {
  switch (type) {
    case kZRTimePitchScalingRubberband:
      return new ZRTimePitchScaling_Rubberband(sampleRate, channels);
    case kZRTimePitchScalingVinyl:
      return new ZRTimePitchScaling_Vinyl(sampleRate, channels);
  }
  return nullptr;
}
