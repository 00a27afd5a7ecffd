// The timecode demodulator as its client uses it: speed, direction, strength and absolute position from a
// stereo timecode signal, per generation, in relative and absolute mode, with the buffer rules of the
// interface.

#include "dsp/timecode_demodulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "support/timecode_synth.h"

namespace {

using orvel_test::TimecodeSynth;

struct HandleDeleter {
  void operator()(MPVT2Handle* h) const { MPVT2_Destruct(h); }
};
using Handle = std::unique_ptr<MPVT2Handle, HandleDeleter>;

// A handle as the live input sets it up.
Handle liveInputHandle(unsigned long generation = 4, int absolute = 1, double rate = 44100.0) {
  Handle h(MPVT2_CreateNew(4410 * 8, rate));
  MPVT2_SetVinylGeneration(h.get(), generation);
  MPVT2_SetCutoffSharpness(h.get(), 1.0);
  MPVT2_SetAbsoluteMode(h.get(), absolute);
  return h;
}

// Every entry of a run in buffers of `buffer` frames, with the frame at which each entry's hop ends.
struct Entries {
  std::vector<double> speed, power, position;
  std::vector<long> endFrame;
};

Entries process(MPVT2Handle* h, const std::vector<float>& interleaved, long buffer) {
  std::vector<float> l, r;
  TimecodeSynth::split(interleaved, l, r);
  Entries e;
  std::vector<double> s(buffer / 32 + 8), p(s.size()), x(s.size());
  for (long at = 0; at + buffer <= static_cast<long>(l.size()); at += buffer) {
    long count = buffer / 32 + 1;  // a buffer may complete one hop more than frames / 32
    MPVT2_ProcessBuffer(h, l.data() + at, r.data() + at, buffer, s.data(), p.data(), x.data(), &count);
    for (long i = 0; i < count; ++i) {
      e.speed.push_back(s[i]);
      e.power.push_back(p[i]);
      e.position.push_back(x[i]);
      e.endFrame.push_back(at + 32 * (i + 1));
    }
  }
  return e;
}

double meanFrom(const std::vector<double>& v, size_t from) {
  double sum = 0;
  for (size_t i = from; i < v.size(); ++i) sum += v[i];
  return sum / static_cast<double>(v.size() - from);
}

// A pilot alone: left = A cos, right = A sin at hz x speed (negative speed turns it the other way).
std::vector<float> pilot(double hz, double speed, long frames, double rate = 44100.0) {
  std::vector<float> out(2 * frames);
  for (long i = 0; i < frames; ++i) {
    const double a = 2 * M_PI * hz * speed * static_cast<double>(i) / rate;
    out[2 * i] = static_cast<float>(0.5 * std::cos(a));
    out[2 * i + 1] = static_cast<float>(0.5 * std::sin(a));
  }
  return out;
}

struct AbsoluteCase {
  std::string name;
  double speed;
  double snrDb;
  long buffer;
};

void PrintTo(const AbsoluteCase& c, std::ostream* os) {
  *os << c.name;
}

class TimecodeAbsoluteTest : public ::testing::TestWithParam<AbsoluteCase> {};

}  // namespace

TEST_P(TimecodeAbsoluteTest, SpeedDirectionAndPosition) {
  const AbsoluteCase& c = GetParam();
  TimecodeSynth synth;
  const double start = 400.0;
  Handle h = liveInputHandle();
  const Entries e = process(h.get(), synth.render(start, c.speed, 3 * 44100, 44100.0, c.snrDb), c.buffer);
  ASSERT_GT(e.speed.size(), 4000u);

  // Speed and direction, averaged as the live input does (after the first tenth of a second).
  EXPECT_NEAR(meanFrom(e.speed, 140), c.speed, 0.005 * std::fabs(c.speed));
  EXPECT_GT(meanFrom(e.power, 140), 0.99);

  // Positions: within a code word of where the record is at the end of the hop that reports them.
  long found = 0;
  for (size_t i = 0; i < e.position.size(); ++i) {
    if (e.position[i] < 0 || (i > 0 && e.position[i] == e.position[i - 1])) continue;
    ++found;
    const double truth = (start + c.speed * e.endFrame[i] / 44100.0) * TimecodeSynth::kWordsPerSecond;
    ASSERT_NEAR(e.position[i], truth, 1.0) << "entry " << i;
  }
  // Most words are read (fewer at slow speeds, where sub-carriers crowd the pilot).
  const double words = std::fabs(c.speed) * 3 * TimecodeSynth::kWordsPerSecond;
  EXPECT_GT(found, (std::fabs(c.speed) < 0.75 ? 0.5 : 0.85) * words) << found << " of " << words;
}

INSTANTIATE_TEST_SUITE_P(
    Generation4, TimecodeAbsoluteTest,
    ::testing::Values(AbsoluteCase{"half_speed", 0.5, 0, 1024}, AbsoluteCase{"nominal", 1.0, 0, 1024},
                      AbsoluteCase{"fast", 1.33, 0, 1024}, AbsoluteCase{"backwards", -1.0, 0, 1024},
                      AbsoluteCase{"half_speed_noisy", 0.5, 20, 1024},
                      AbsoluteCase{"nominal_noisy", 1.0, 20, 256}, AbsoluteCase{"fast_noisy", 1.33, 20, 4410},
                      AbsoluteCase{"backwards_noisy", -1.0, 20, 1024}),
    [](const ::testing::TestParamInfo<AbsoluteCase>& info) { return info.param.name; });

TEST(TimecodeDemodulatorTest, RecoversAfterANeedleDrop) {
  TimecodeSynth synth;
  Handle h = liveInputHandle();
  // One second at 120 s, then the needle lands at 300 s.
  std::vector<float> signal = synth.render(120.0, 1.0, 44100);
  const std::vector<float> after = synth.render(300.0, 1.0, 44100, 44100.0, 20.0);
  signal.insert(signal.end(), after.begin(), after.end());
  const Entries e = process(h.get(), signal, 1024);
  double lastBefore = -1, firstAfter = -1;
  long firstAfterFrame = -1;
  for (size_t i = 0; i < e.position.size(); ++i) {
    if (e.position[i] < 0) continue;
    if (e.endFrame[i] <= 44100) {
      lastBefore = e.position[i];
    } else if (firstAfter < 0 && e.endFrame[i] > 44100 + 1024) {
      firstAfter = e.position[i];
      firstAfterFrame = e.endFrame[i];
    }
    if (e.endFrame[i] > 44100 + 1024) {
      const double truth = (300.0 + (e.endFrame[i] - 44100) / 44100.0) * TimecodeSynth::kWordsPerSecond;
      ASSERT_NEAR(e.position[i], truth, 1.0) << i;
    }
  }
  EXPECT_NEAR(lastBefore, 121.0 * TimecodeSynth::kWordsPerSecond, 2.0);
  ASSERT_GT(firstAfter, 0);
  // Locked again within a few code words.
  EXPECT_LT(firstAfterFrame - 44100, 8 * TimecodeSynth::kWordSamples);
}

TEST(TimecodeDemodulatorTest, RelativeModeFollowsEachGenerationsPilot) {
  struct Case {
    unsigned long generation;
    double pilotHz;
  };
  // Pilots at the reciprocal of each generation's frequency scaler, in bins of 172.265625 Hz (generations
  // 0 to 2 decimate first, so their bins are half as wide).
  for (const Case& c : {Case{0, 689.0625}, Case{1, 775.1953125}, Case{2, 1033.59375}, Case{3, 1205.859375},
                        Case{4, 1205.859375}, Case{5, 2411.71875}, Case{7, 258.3984375}, Case{8, 258.3984375},
                        Case{9, 19121.484375}}) {
    for (double speed : {1.0, -1.0, 1.1}) {
      Handle h = liveInputHandle(c.generation, 0);
      const Entries e = process(h.get(), pilot(c.pilotHz, speed, 22050), 1024);
      EXPECT_NEAR(meanFrom(e.speed, 100), speed, 0.005)
          << "generation " << c.generation << " speed " << speed;
      EXPECT_GT(meanFrom(e.power, 100), 0.99) << c.generation;
      for (double p : e.position) ASSERT_EQ(p, -1.0);
    }
  }
}

TEST(TimecodeDemodulatorTest, GenerationSixBypassesTheTrackerAndLaterGenerationsDoNot) {
  Handle h = liveInputHandle(6, 0);
  const Entries silent = process(h.get(), std::vector<float>(2 * 4096), 1024);
  for (size_t i = 0; i < silent.speed.size(); ++i) {
    ASSERT_EQ(silent.speed[i], 1.0);
    ASSERT_EQ(silent.power[i], 1.0);
  }
  // Generation 7 after 6 follows its own pilot again (it used to inherit the bypass).
  MPVT2_SetVinylGeneration(h.get(), 7);
  const Entries e = process(h.get(), pilot(258.3984375, 1.2, 22050), 1024);
  EXPECT_NEAR(meanFrom(e.speed, 100), 1.2, 0.006);
}

TEST(TimecodeDemodulatorTest, WarmUpAndUnknownGenerations) {
  Handle h = liveInputHandle(4, 0);
  Entries e = process(h.get(), pilot(1205.859375, 1.0, 4096), 1024);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(e.speed[i], 0.0);
    EXPECT_LT(e.power[i], 0.01);
  }
  EXPECT_NEAR(e.speed.back(), 1.0, 0.005);
  // A generation of 10 or more changes nothing (no warm-up either); a real change restarts the warm-up.
  MPVT2_SetVinylGeneration(h.get(), 10);
  e = process(h.get(), pilot(1205.859375, 1.0, 1024), 1024);
  EXPECT_NEAR(e.speed[0], 1.0, 0.01);
  MPVT2_SetVinylGeneration(h.get(), 3);
  e = process(h.get(), pilot(1205.859375, 1.0, 1024), 1024);
  EXPECT_EQ(e.speed[0], 0.0);
  EXPECT_NEAR(e.speed.back(), 1.0, 0.005);
}

TEST(TimecodeDemodulatorTest, EntryCountsFollowTheCapacityAndHops) {
  Handle h = liveInputHandle();
  const std::vector<float> signal = TimecodeSynth().render(10.0, 1.0, 4096);
  std::vector<float> l, r;
  TimecodeSynth::split(signal, l, r);
  double s[256], p[256], x[256];
  // A buffer of fewer than 32 frames still reports one entry.
  long count = 10;
  MPVT2_ProcessBuffer(h.get(), l.data(), r.data(), 20, s, p, x, &count);
  EXPECT_EQ(count, 1);
  // A capacity of 0: nothing written, but the input is consumed (the hops go on).
  count = 0;
  s[0] = 42;
  MPVT2_ProcessBuffer(h.get(), l.data() + 20, r.data() + 20, 1000, s, p, x, &count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(s[0], 42);
  // The capacity caps the entries; otherwise one per completed hop, 32 per 1024 frames.
  count = 5;
  MPVT2_ProcessBuffer(h.get(), l.data() + 1020, r.data() + 1020, 1024, s, p, x, &count);
  EXPECT_EQ(count, 5);
  count = 256;
  MPVT2_ProcessBuffer(h.get(), l.data() + 2044, r.data() + 2044, 1024, s, p, x, &count);
  EXPECT_EQ(count, 32);
}

TEST(TimecodeDemodulatorTest, LongBuffersAreTakenInPieces) {
  // 20000 frames in one call (beyond the 8160 the per-call arrays hold): the same speeds as in small
  // buffers, and positions are still decoded.
  TimecodeSynth synth;
  const std::vector<float> signal = synth.render(60.0, 1.0, 40000);
  Handle whole = liveInputHandle();
  Handle small = liveInputHandle();
  const Entries a = process(whole.get(), signal, 20000);
  const Entries b = process(small.get(), signal, 500);
  ASSERT_EQ(a.speed.size(), 1250u);
  for (size_t i = 0; i < b.speed.size(); ++i) ASSERT_EQ(a.speed[i], b.speed[i]) << i;
  long found = 0;
  for (double x : a.position) found += x > 0 ? 1 : 0;
  EXPECT_GT(found, 20);
}

TEST(TimecodeDemodulatorTest, AHandleAtTheDeviceRateReadsNominalSpeed) {
  // Created at 48000 Hz and fed 48 kHz input: speeds are still ratios to the nominal speed, and positions
  // are decoded.
  TimecodeSynth synth;
  Handle h = liveInputHandle(4, 1, 48000.0);
  const Entries e = process(h.get(), synth.render(200.0, 1.0, 96000, 48000.0), 1024);
  EXPECT_NEAR(meanFrom(e.speed, 150), 1.0, 0.005);
  long found = 0;
  for (size_t i = 0; i < e.position.size(); ++i) {
    if (e.position[i] < 0) continue;
    ++found;
    const double truth = (200.0 + e.endFrame[i] / 48000.0) * TimecodeSynth::kWordsPerSecond;
    ASSERT_NEAR(e.position[i], truth, 1.0) << i;
  }
  EXPECT_GT(found, 100);
}
