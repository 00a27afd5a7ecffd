#include <gtest/gtest.h>

#include <cmath>

#include "dsp/engine/effect_amplitudes.h"
#include "dsp/engine/effect_flangers.h"
#include "dsp/engine/effect_phaser.h"
#include "effects_test_util.h"

using namespace effects_test;

namespace {

// Runs silence through a started flanger and returns the sweep position after frames frames.
struct SweepProbe {
  double x;
  double step;
};

SweepProbe sweepAfter(CEffectFlangers& f, long frames) {
  Frames v = constant(4410, 0.0f, 0.0f);
  long left = frames;
  while (left > 0) {
    const int n = static_cast<int>(std::min<long>(4410, left));
    f.process(asFrames(v), n, 0.0f);
    left -= n;
  }
  return {f.sweepPosition(), f.sweepStep()};
}

}  // namespace

TEST(EffectsModulation, FlangerSweepLastsItsBeats) {
  struct Case {
    bool hasSource;
    float sourceBpm;
    int speed;
    double beats;
    double effectiveBpm;
  };
  const Case cases[] = {
      {true, 120.0f, 1000, 16.0, 120.0}, {true, 120.0f, 0, 0.25, 120.0},  {true, 120.0f, 500, 2.0, 120.0},
      {false, 0.0f, 1000, 16.0, 120.0},  {true, 40.0f, 1000, 16.0, 60.0}, {true, 174.0f, 800, 8.0, 174.0},
  };
  for (const Case& c : cases) {
    TempoSource source(c.sourceBpm);
    CEffectFlangers f(nullptr, c.hasSource ? &source : nullptr);
    f.setparam(0, 1);
    f.setparam(1, c.speed);
    f.start();
    const double period = c.beats * 2646000.0 / c.effectiveBpm;
    const double x0 = f.sweepPosition();
    const double step = f.sweepStep();
    EXPECT_GT(step, 0.0);
    EXPECT_NEAR(step, 2.0 * (f.sweepMax() - f.sweepMin()) / period, 1e-9);
    // Half a period later the sweep is back in the middle going down; a whole period, going up again (each
    // turn overshoots its limit by at most one step).
    SweepProbe half = sweepAfter(f, std::lround(period / 2));
    EXPECT_NEAR(half.x, x0, 6 * step) << c.speed << " at " << c.sourceBpm;
    EXPECT_LT(half.step, 0.0);
    SweepProbe whole = sweepAfter(f, std::lround(period / 2));
    EXPECT_NEAR(whole.x, x0, 6 * step) << c.speed << " at " << c.sourceBpm;
    EXPECT_GT(whole.step, 0.0);
  }
}

TEST(EffectsModulation, FlangerDelayRange) {
  // Kind 1: 1 ms base delay and 3 ms depth; the read position runs 11026 - x samples behind.
  CEffectFlangers f(nullptr, nullptr);
  f.setparam(0, 1);
  f.start();
  EXPECT_EQ(f.sweepMax(), 11025 - 44 - 2);
  EXPECT_EQ(f.sweepMin(), 11025 - 44 - 2 - 133);  // floor(10979 - 132.3)
  f.setparam(0, 5);
  f.start();
  EXPECT_EQ(f.sweepMax(), 11025 - 882 - 2);
  EXPECT_EQ(f.sweepMin(), 11025 - 882 - 2 - 882);
}

TEST(EffectsModulation, RobotDelayDropsTheDirectSound) {
  CEffectFlangers f(nullptr, nullptr);
  f.setparam(0, 4);
  f.setdrywetmix(1.0f);
  Frames v = constant(4410, 0.0f, 0.0f);
  v[0] = v[1] = 1.0f;
  f.processDryWet(asFrames(v), 4410, 0.0f);
  EXPECT_EQ(v[0], 0.0f);
  EXPECT_EQ(v[1], 0.0f);
  // The impulse comes back once, 1 ms + about 9 ms later (the middle of the sweep), and nothing feeds back.
  int first = -1;
  for (int i = 0; i < 4410; ++i) {
    if (v[2 * i] != 0.0f) {
      first = i;
      break;
    }
  }
  EXPECT_GT(first, 44 + 300);
  EXPECT_LT(first, 44 + 794);
  EXPECT_NEAR(peak(v, 0, 0, 4410), 1.0f, 0.5f);
}

TEST(EffectsModulation, PhaserDelaysTheRightChannel) {
  struct Case {
    int amount;
    int delay;
  };
  const Case cases[] = {{1000, 4410}, {167, 1102}, {0, 441}};
  for (const Case& c : cases) {
    CEffectPhaser p(nullptr, nullptr);
    p.setparam(0, c.amount);
    EXPECT_EQ(p.getparam(0), c.amount);
    p.start();
    const int frames = 3 * c.delay + 100;
    Frames v(2 * frames);
    for (int i = 0; i < frames; ++i) {
      v[2 * i] = static_cast<float>(i);
      v[2 * i + 1] = static_cast<float>(-i);
    }
    processBlocks(p, v, 1000);
    for (int i = 0; i < frames; ++i) ASSERT_EQ(v[2 * i], static_cast<float>(i));
    for (int i = 0; i <= c.delay; ++i) ASSERT_EQ(v[2 * i + 1], static_cast<float>(-i)) << "priming " << i;
    for (int i = c.delay + 1; i < frames; ++i)
      ASSERT_EQ(v[2 * i + 1], static_cast<float>(-(i - c.delay))) << i;
  }
}

TEST(EffectsModulation, BeatWawPulsesPerBeat) {
  for (float bpm : {120.0f, 0.0f}) {
    CEffectAmplitudes a(nullptr, nullptr);
    a.setparam(0, 0);
    a.setparam(1, 500);
    a.start();
    Frames v = constant(11025, 1.0f, 1.0f);
    a.process(asFrames(v), 4410, bpm);
    a.process(asFrames(v) + 4410, 4410, bpm);
    a.process(asFrames(v) + 8820, 2205, bpm);
    // Four pulses per beat at 120 BPM: 8 Hz, a period of 5512.5 frames.
    EXPECT_NEAR(v[0], 1.0f, 1e-6);
    EXPECT_NEAR(v[2 * 2756], 0.0f, 1e-4);
    EXPECT_NEAR(v[2 * 5512], 1.0f, 1e-4);
    EXPECT_NEAR(v[2 * 1378], 0.5f, 2e-3);
    EXPECT_EQ(v[2 * 1378], v[2 * 1378 + 1]);
  }
}

TEST(EffectsModulation, AutopanPeriodInBeats) {
  CEffectAmplitudes a(nullptr, nullptr);
  a.setparam(0, 1);
  a.setparam(1, 500);  // 4 beats: 2 s at 120 BPM
  a.start();
  Frames v = constant(88200, 1.0f, 1.0f);
  processBlocks(a, v, 4410, 120.0f);
  EXPECT_NEAR(v[0], 1.0f, 1e-6);
  EXPECT_NEAR(v[1], 0.0f, 1e-6);
  EXPECT_NEAR(v[2 * 44100], 0.0f, 1e-6);
  EXPECT_NEAR(v[2 * 44100 + 1], 1.0f, 1e-6);
  EXPECT_NEAR(v[2 * 22050], 0.5f, 1e-4);
  // A restart begins at the left again.
  a.stop();
  a.start();
  Frames w = constant(10, 1.0f, 1.0f);
  a.process(asFrames(w), 10, 120.0f);
  EXPECT_NEAR(w[0], 1.0f, 1e-6);
}

TEST(EffectsModulation, TempoChangeKeepsThePhase) {
  CEffectAmplitudes a(nullptr, nullptr);
  a.setparam(1, 500);
  a.start();
  Frames v = constant(8820, 1.0f, 1.0f);
  a.process(asFrames(v), 4000, 120.0f);
  a.process(asFrames(v) + 4000, 4820, 128.0f);
  float maxJump = 0.0f;
  for (int i = 1; i < 8820; ++i) maxJump = std::max(maxJump, std::fabs(v[2 * i] - v[2 * i - 2]));
  // 8 Hz at most moves 2 pi 8.5 / 44100 / 2 per frame.
  EXPECT_LT(maxJump, 0.001f);
}

TEST(EffectsModulation, ParameterReadBack) {
  CEffectFlangers f(nullptr, nullptr);
  EXPECT_EQ(f.getparam(1), 1000);
  EXPECT_EQ(f.getparam(2), 500);
  f.setparam(1, 250);
  f.setparam(2, 750);
  EXPECT_EQ(f.getparam(1), 250);
  EXPECT_EQ(f.getparam(2), 750);
  EXPECT_EQ(f.getparam(0), 0);
  CEffectAmplitudes a(nullptr, nullptr);
  EXPECT_EQ(a.getparam(1), 500);
  EXPECT_EQ(a.getparam(0), 0);
  CEffectPhaser p(nullptr, nullptr);
  EXPECT_EQ(p.getparam(0), 167);
  EXPECT_EQ(p.getparam(1), 0);
}
