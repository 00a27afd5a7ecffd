#include <gtest/gtest.h>

#include <cmath>

#include "dsp/engine/effect_dynamics.h"
#include "effects_test_util.h"

using namespace effects_test;

namespace {

float toDb(double x) {
  return static_cast<float>(20.0 * std::log10(x));
}

void startKind(CEffectDynamics& d, int kind) {
  d.setparam(0, kind);
  d.start();
  Frames none = constant(1, 0.0f, 0.0f);
  d.process(asFrames(none), 0, 0.0f);  // takes up the parameters
}

}  // namespace

TEST(EffectsDynamics, LimiterKeepsHotSinesUnderTheCeiling) {
  const float ceiling = std::pow(10.0f, -1.5f / 20.0f);
  struct Case {
    double hz;
    float amp;
    float left, right;  // channel factors: centred, one side, opposite phase
  };
  const Case cases[] = {{1000, 1.0f, 1, 1},  {1000, 2.0f, 1, 1}, {100, 1.0f, 1, 1},  {5000, 4.0f, 1, 1},
                        {12000, 8.0f, 1, 1}, {1000, 2.0f, 1, 0}, {1000, 2.0f, 0, 1}, {440, 2.0f, 1, -1}};
  for (const Case& c : cases) {
    CEffectDynamics limiter(nullptr, nullptr);
    startKind(limiter, 2);
    const int frames = 44100;
    Frames v = sine(frames, c.hz, c.amp);
    for (int i = 0; i < frames; ++i) {
      v[2 * i] *= c.left;
      v[2 * i + 1] *= c.right;
    }
    processBlocks(limiter, v, 1024);
    const float maxOut = std::max(peak(v, 0, 0, frames), peak(v, 1, 0, frames));
    // Never above the ceiling (ratio 500 lets a hair through), from the first peak on.
    EXPECT_LE(maxOut, ceiling * 1.01f)
        << c.hz << " Hz amp " << c.amp << " (" << c.left << "," << c.right << ")";
    const float settled = std::max(peak(v, 0, 4410, frames), peak(v, 1, 4410, frames));
    EXPECT_GE(settled, ceiling * 0.9f) << c.hz << " Hz amp " << c.amp;
  }
}

TEST(EffectsDynamics, LimiterReleasesAfterTheSineStops) {
  CEffectDynamics limiter(nullptr, nullptr);
  startKind(limiter, 2);
  Frames v = sine(22050, 1000, 2.0f);
  processBlocks(limiter, v);
  EXPECT_LT(limiter.currentGainValue(), 0.5);
  Frames quiet = sine(2 * 4410, 1000, 0.1f);
  processBlocks(limiter, quiet, 441);
  // 100 ms of release brings the gain back to 1; it is still on its way after 50 ms.
  EXPECT_NEAR(limiter.currentGainValue(), 1.0, 1e-6);
  EXPECT_NEAR(peak(quiet, 0, 4410, 2 * 4410), 0.1f, 1e-3);
}

TEST(EffectsDynamics, LimiterLeavesQuietSignalsAlone) {
  CEffectDynamics limiter(nullptr, nullptr);
  startKind(limiter, 2);
  Frames v = sine(4410, 1000, 0.5f);
  const Frames in = v;
  processBlocks(limiter, v);
  for (size_t i = 0; i < v.size(); ++i) ASSERT_FLOAT_EQ(v[i], in[i]);
}

TEST(EffectsDynamics, CompressorStaticCurve) {
  // Steady levels (DC, so the detector settles exactly): below -9 dB only the +8 dB makeup; above it the
  // excess is divided by 9.
  struct Case {
    float inDb, outDb;
  };
  const Case cases[] = {{-30.0f, -22.0f},
                        {-12.0f, -4.0f},
                        {-6.0f, 8.0f - 9.0f + 3.0f / 9.0f},
                        {-3.0f, 8.0f - 9.0f + 6.0f / 9.0f},
                        {0.0f, 8.0f - 9.0f + 1.0f}};
  for (const Case& c : cases) {
    CEffectDynamics compressor(nullptr, nullptr);
    startKind(compressor, 1);
    const float a = std::pow(10.0f, c.inDb / 20.0f);
    Frames v = constant(44100, a, a);
    processBlocks(compressor, v);
    EXPECT_NEAR(toDb(v[2 * 44099]), c.outDb, 0.1) << "input " << c.inDb << " dB";
    EXPECT_NEAR(v[2 * 44099 + 1], v[2 * 44099], 1e-6);
  }
}

TEST(EffectsDynamics, LevellingRaisesQuietMaterialAndReleasesTheHeldGain) {
  CEffectDynamics leveller(nullptr, nullptr);
  startKind(leveller, 0);
  const float amp = std::pow(10.0f, -30.0f / 20.0f);
  Frames v = sine(10 * 44100, 200, amp);
  processBlocks(leveller, v, 4410);
  // The +6 dB input gain at once; then the gain creeps up towards the -12 dB target over the long release.
  const double early = rms(v, 0, 4410, 8820);
  const double late = rms(v, 0, 9 * 44100, 10 * 44100);
  EXPECT_NEAR(toDb(early / (amp / std::sqrt(2.0))), 6.0, 0.5);
  EXPECT_GT(late, early * 1.3);
  EXPECT_GT(leveller.currentGainValue(), 1.3);
  // More than 4 s below the threshold: the held gain returns to 1 (reached within the 5 s attack).
  Frames silence = constant(10 * 44100, 0.0f, 0.0f);
  processBlocks(leveller, silence, 4410);
  EXPECT_NEAR(leveller.currentGainValue(), 1.0, 1e-9);
}

TEST(EffectsDynamics, InputGainBelowLimitSilences) {
  CEffectDynamics d(nullptr, nullptr);
  startKind(d, 1);
  d.setparam(3, -319);
  Frames v = constant(64, 0.5f, 0.5f);
  processBlocks(d, v);
  EXPECT_EQ(peak(v, 0, 0, 64), 0.0f);
  EXPECT_EQ(d.getparam(3), 0);
}

TEST(EffectsDynamics, StoppedDynamicsPassesUnchanged) {
  CEffectDynamics d(nullptr, nullptr);
  d.setparam(0, 2);
  Frames v = sine(1000, 1000, 2.0f);
  const Frames in = v;
  processBlocks(d, v);
  EXPECT_EQ(v, in);
}
