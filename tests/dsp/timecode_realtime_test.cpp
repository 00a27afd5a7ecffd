// The demodulator runs on the audio thread: processing allocates nothing, in either mode, at any buffer size
// (counted through the global allocation operators while a flag of the testing thread is set).

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "dsp/timecode_demodulator.h"
#include "support/timecode_synth.h"

// The replaced operators pair malloc with free themselves; the compiler cannot see that through inlining.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
thread_local bool countAllocations = false;
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  if (countAllocations) allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

TEST(TimecodeRealtime, ProcessingAllocatesNothing) {
  orvel_test::TimecodeSynth synth;
  std::vector<float> l, r;
  orvel_test::TimecodeSynth::split(synth.render(90.0, 1.0, 3 * 44100, 44100.0, 20.0), l, r);
  MPVT2Handle* h = MPVT2_CreateNew(4410 * 8, 44100.0);
  MPVT2_SetVinylGeneration(h, 4);
  MPVT2_SetCutoffSharpness(h, 1.0);
  std::vector<double> speed(2048), power(2048), position(2048);
  long decoded = 0;
  for (int absolute : {1, 0}) {
    MPVT2_SetAbsoluteMode(h, absolute);
    long at = 0;
    countAllocations = true;
    for (long frames : {1024L, 17L, 256L, 4410L, 20000L, 1L, 512L}) {
      for (int i = 0; i < 3 && at + frames <= static_cast<long>(l.size()); ++i, at += frames) {
        long count = frames / 32 + 1;
        MPVT2_ProcessBuffer(h, l.data() + at, r.data() + at, frames, speed.data(), power.data(),
                            position.data(), &count);
        for (long k = 0; k < count; ++k) decoded += position[k] > 0 ? 1 : 0;
      }
    }
    countAllocations = false;
  }
  EXPECT_EQ(allocations.load(), 0);
  EXPECT_GT(decoded, 0);
  MPVT2_Destruct(h);
}
