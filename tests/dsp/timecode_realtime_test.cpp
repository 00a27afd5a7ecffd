// The demodulator runs on the audio thread: processing allocates nothing, in either mode, at any buffer size
// (counted through the global allocation operators while counting is on for the testing thread).

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "dsp/timecode_demodulator.h"
#include "support/allocation_counter.h"
#include "support/timecode_synth.h"

TEST(TimecodeRealtime, ProcessingAllocatesNothing) {
  orvel_test::TimecodeSynth synth;
  std::vector<float> l, r;
  orvel_test::TimecodeSynth::split(synth.render(90.0, 1.0, 3 * 44100, 44100.0, 20.0), l, r);
  MPVT2Handle* h = MPVT2_CreateNew(4410 * 8, 44100.0);
  MPVT2_SetVinylGeneration(h, 4);
  MPVT2_SetCutoffSharpness(h, 1.0);
  std::vector<double> speed(2048), power(2048), position(2048);
  // The counter sees allocations at all.
  orvel_test::resetCountedAllocations();
  orvel_test::setCountAllocations(true);
  auto probe = std::make_unique<std::vector<float>>(16);
  orvel_test::setCountAllocations(false);
  ASSERT_GE(orvel_test::countedAllocations(), 1);
  orvel_test::resetCountedAllocations();
  long decoded = 0;
  for (int absolute : {1, 0}) {
    MPVT2_SetAbsoluteMode(h, absolute);
    long at = 0;
    orvel_test::setCountAllocations(true);
    for (long frames : {1024L, 17L, 256L, 4410L, 20000L, 1L, 512L}) {
      for (int i = 0; i < 3 && at + frames <= static_cast<long>(l.size()); ++i, at += frames) {
        long count = frames / 32 + 1;
        MPVT2_ProcessBuffer(h, l.data() + at, r.data() + at, frames, speed.data(), power.data(),
                            position.data(), &count);
        for (long k = 0; k < count; ++k) decoded += position[k] > 0 ? 1 : 0;
      }
    }
    orvel_test::setCountAllocations(false);
  }
  EXPECT_EQ(orvel_test::countedAllocations(), 0);
  EXPECT_GT(decoded, 0);
  MPVT2_Destruct(h);
}
