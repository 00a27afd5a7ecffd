#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "dsp/engine/effect_bit_crusher.h"
#include "dsp/engine/effect_echo.h"
#include "effects_test_util.h"

using namespace effects_test;

namespace {

void takeParams(CEffect& e) {
  Frames none = constant(1, 0.0f, 0.0f);
  e.process(asFrames(none), 0, 0.0f);
}

}  // namespace

TEST(EffectsEcho, TempoFollowingTap) {
  struct Case {
    bool hasSource;
    float bpm;
    int speed;
    int samples;
  };
  const Case cases[] = {
      {true, 120.0f, 500, 22050}, {true, 120.0f, 1000, 44100}, {true, 120.0f, 0, 11025},
      {true, 40.0f, 1000, 88200}, {true, 0.0f, 500, 44100},    {false, 0.0f, 500, 22050},
      {true, 128.0f, 500, 20682},
  };
  for (const Case& c : cases) {
    TempoSource source(c.bpm);
    CEffectReverbs echo(nullptr, c.hasSource ? &source : nullptr);
    echo.setparam(0, 1);
    echo.setparam(1, c.speed);
    takeParams(echo);
    ASSERT_EQ(echo.tapCountValue(), 1);
    EXPECT_EQ(echo.tapDelaySamples(0), c.samples) << c.bpm << " BPM speed " << c.speed;
  }
}

TEST(EffectsEcho, ThreeTapKindAndFeedback) {
  CEffectReverbs echo(nullptr, nullptr);
  echo.setparam(0, 0);
  echo.setparam(1, 1000);
  echo.setparam(2, 1000);
  takeParams(echo);
  ASSERT_EQ(echo.tapCountValue(), 3);
  EXPECT_EQ(echo.tapDelaySamples(0), 150 * 441 / 10);
  EXPECT_EQ(echo.tapDelaySamples(1), 200 * 441 / 10);
  EXPECT_EQ(echo.tapDelaySamples(2), 246 * 441 / 10);
  EXPECT_FLOAT_EQ(echo.feedbackValue(), 0.75f);
  echo.setparam(0, 1);
  takeParams(echo);
  EXPECT_FLOAT_EQ(echo.feedbackValue(), 0.90f);
}

TEST(EffectsEcho, RepeatsArriveOnTimeAndDieAway) {
  TempoSource source(120.0f);
  CEffectReverbs echo(nullptr, &source);
  echo.setparam(0, 1);
  echo.setparam(2, 1000);
  echo.start();
  const int frames = 20 * 22050;
  Frames v = constant(frames, 0.0f, 0.0f);
  v[0] = v[1] = 0.5f;
  processBlocks(echo, v, 4410);
  EXPECT_FLOAT_EQ(v[0], 0.375f);
  for (int i = 1; i < 22050; ++i) ASSERT_EQ(v[2 * i], 0.0f) << i;
  EXPECT_GT(std::fabs(v[2 * 22050]), 0.05f);
  // Each repeat is at most 0.63 of the one before.
  float previous = peak(v, 0, 22050, 2 * 22050);
  for (int r = 2; r < 20; ++r) {
    const float now = peak(v, 0, r * 22050, (r + 1) * 22050);
    EXPECT_LE(now, previous * 0.64f) << "repeat " << r;
    previous = now;
  }
}

TEST(EffectsEcho, OutputNeverExceedsFullScale) {
  CEffectReverbs echo(nullptr, nullptr);
  echo.setparam(0, 0);
  echo.setparam(2, 1000);
  echo.start();
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
  Frames v(2 * 88200);
  for (float& s : v) s = noise(rng) > 0 ? 1.0f : -1.0f;
  processBlocks(echo, v, 4410);
  EXPECT_LE(std::max(peak(v, 0, 0, 88200), peak(v, 1, 0, 88200)), 1.0f);
}

TEST(EffectsEcho, RestartKeepsTheDelays) {
  TempoSource source(120.0f);
  CEffectReverbs echo(nullptr, &source);
  echo.setparam(0, 1);
  echo.setdrywetmix(1.0f);
  Frames v = constant(4410, 0.1f, 0.1f);
  echo.processDryWet(asFrames(v), 4410, 120.0f);
  echo.setdrywetmix(0.0f);
  echo.processDryWet(asFrames(v), 4410, 120.0f);
  EXPECT_FALSE(echo.isRunning());
  echo.setdrywetmix(1.0f);
  Frames w = constant(30000, 0.0f, 0.0f);
  w[0] = 0.5f;
  for (int done = 0; done < 30000; done += 4410) {
    echo.processDryWet(asFrames(w) + done, std::min(4410, 30000 - done), 120.0f);
  }
  EXPECT_EQ(echo.tapDelaySamples(0), 22050);
  for (int i = 1; i < 22050; ++i) ASSERT_EQ(w[2 * i], 0.0f) << i;
  EXPECT_NE(w[2 * 22050], 0.0f);
}

TEST(EffectsBitCrusher, ShiftsAndMasks) {
  struct Case {
    bool splice;
    int amount;
    int shift;
  };
  const Case cases[] = {{false, 0, 14},    {false, 500, 18}, {false, 1000, 22}, {false, 5000, 22},
                        {false, -500, 14}, {true, 0, 14},    {true, 1000, 23},  {true, 300, 17}};
  for (const Case& c : cases) {
    std::unique_ptr<CEffectBitReducer> e;
    if (c.splice) {
      e.reset(new CEffectBeatSplice(nullptr, nullptr));
    } else {
      e.reset(new CEffectBitCrusher(nullptr, nullptr));
    }
    e->setparam(0, c.amount);
    EXPECT_EQ(e->shiftValue(), c.shift) << c.amount;
    EXPECT_EQ(e->maskValue(), static_cast<int>(0xFFFFFFFFu << c.shift)) << c.amount;
    EXPECT_EQ(e->getparam(0), c.amount);
    EXPECT_EQ(e->allowdrywetmix(), 0);
  }
  CEffectBitCrusher crusher(nullptr, nullptr);
  EXPECT_EQ(crusher.getparam(0), 1000);
  CEffectBeatSplice splice(nullptr, nullptr);
  EXPECT_EQ(splice.getparam(0), 0);
}

TEST(EffectsBitCrusher, QuantisedValues) {
  struct Case {
    bool splice;
    float in, out;
  };
  const Case cases[] = {
      {false, 0.3f, 0.0f},  {false, -0.3f, -0.5f}, {false, 0.7f, 0.5f}, {false, -0.7f, -1.0f},
      {false, 1.0f, 1.0f},  {false, -1.0f, -1.0f}, {false, 0.0f, 0.0f}, {true, 0.9f, 0.0f},
      {true, -0.1f, -1.0f}, {true, 1.0f, 1.0f},
  };
  for (const Case& c : cases) {
    std::unique_ptr<CEffectBitReducer> e;
    if (c.splice) {
      e.reset(new CEffectBeatSplice(nullptr, nullptr));
    } else {
      e.reset(new CEffectBitCrusher(nullptr, nullptr));
    }
    e->setparam(0, 1000);
    Frames v = constant(4, c.in, c.in);
    e->processNormal(asFrames(v), 4, 0.0f);
    EXPECT_EQ(v[0], c.out) << c.in;
    EXPECT_EQ(v[7], c.out) << c.in;
  }
  // Amount 0 is off: the buffer passes unchanged.
  CEffectBitCrusher crusher(nullptr, nullptr);
  crusher.setparam(0, 0);
  Frames v = constant(4, 0.3f, 0.3f);
  crusher.processNormal(asFrames(v), 4, 0.0f);
  EXPECT_EQ(v[0], 0.3f);
  // Shift 14 keeps 512 steps per unit.
  crusher.setparam(0, 1);
  Frames w = constant(1, 0.0031f, 0.0031f);
  crusher.processNormal(asFrames(w), 1, 0.0f);
  EXPECT_FLOAT_EQ(w[0], 1.0f / 512.0f);
}
