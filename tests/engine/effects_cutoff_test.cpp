#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dsp/engine/effect_cutoff_filter.h"
#include "effects_test_util.h"

using namespace effects_test;

namespace {

struct Details {
  bool ok;
  std::string name, value, unit;
};

Details details(CEffectCutoffFilter& f, int index) {
  char name[128] = "x", value[128] = "x", unit[128] = "x";
  const bool ok = f.getparamdetails(index, name, value, unit);
  return {ok, name, value, unit};
}

void applyParams(CEffectCutoffFilter& f) {
  Frames none = constant(1, 0.0f, 0.0f);
  f.process(asFrames(none), 1, 0.0f);
}

}  // namespace

TEST(EffectsCutoff, FrequencyLaw) {
  struct Case {
    int mode, amount;
    float hz;  // -1 bypass
    int lowPass;
  };
  const Case cases[] = {
      {0, 500, -1.0f, 0},    {0, 504, -1.0f, 0},   {0, 0, 34.0f, 1},      {0, 8, 37.6f, 1},
      {0, 496, 19409.f, 1},  {0, 512, 34.0f, 0},   {0, 1000, 17549.f, 0}, {1, 0, -1.0f, 1},
      {1, 16, 19409.f, 1},   {1, 1000, 34.0f, 1},  {2, 0, -1.0f, 0},      {2, 16, 34.0f, 0},
      {2, 1000, 17549.f, 0}, {7, 300, 1000.0f, 1},
  };
  for (const Case& c : cases) {
    int lowPass = -1;
    const float hz = CEffectCutoffFilter::frequencyFor(c.mode, c.amount, lowPass);
    if (c.hz < 0) {
      EXPECT_EQ(hz, -1.0f) << "mode " << c.mode << " amount " << c.amount;
    } else {
      EXPECT_NEAR(hz, c.hz, c.hz * 0.002) << "mode " << c.mode << " amount " << c.amount;
      EXPECT_EQ(lowPass, c.lowPass) << "mode " << c.mode << " amount " << c.amount;
    }
  }
  // Positions outside the knob's range stay at its ends.
  int lowPass = 0;
  EXPECT_NEAR(CEffectCutoffFilter::frequencyFor(2, 5000, lowPass), 17549.f, 20.f);
  EXPECT_EQ(CEffectCutoffFilter::frequencyFor(1, -300, lowPass), -1.0f);
}

TEST(EffectsCutoff, DisplayTexts) {
  CEffectCutoffFilter f(nullptr, nullptr);
  Details d = details(f, 0);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.name, "Frequency");
  EXPECT_EQ(d.value, "OFF");
  EXPECT_EQ(d.unit, "");

  f.setparam(10, 2);
  f.setparam(0, 1000);
  applyParams(f);
  d = details(f, 0);
  EXPECT_EQ(d.value, "17.5");
  EXPECT_EQ(d.unit, "kHz");
  d = details(f, 10);
  EXPECT_EQ(d.name, "Type");
  EXPECT_EQ(d.value, "HP");

  f.setparam(10, 0);
  f.setparam(0, 8);
  applyParams(f);
  d = details(f, 0);
  EXPECT_EQ(d.value, "38");
  EXPECT_EQ(d.unit, "Hz");
  EXPECT_EQ(details(f, 10).value, "LP & HP");
  f.setparam(10, 1);
  EXPECT_EQ(details(f, 10).value, "LP");
  f.setparam(10, 5);
  EXPECT_EQ(details(f, 10).value, "");

  d = details(f, 1);
  EXPECT_EQ(d.name, "Resonance");
  EXPECT_EQ(d.value, "");
  EXPECT_EQ(d.unit, "%");

  d = details(f, 3);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.name, "");
  char value[8] = "keep";
  EXPECT_FALSE(f.getparamdetails(0, nullptr, value, value));
  EXPECT_STREQ(value, "keep");
}

TEST(EffectsCutoff, ParametersAndSwitching) {
  CEffectCutoffFilter f(nullptr, nullptr);
  EXPECT_EQ(f.getparam(0), 500);
  EXPECT_EQ(f.getparam(1), 100);
  EXPECT_EQ(f.getparam(10), 0);
  EXPECT_EQ(f.getparam(2), 0);
  EXPECT_EQ(f.allowdrywetmix(), 0);
  // At the middle of mode 0 the audio passes bit for bit.
  Frames v = sine(4410, 1000, 0.5f);
  const Frames in = v;
  f.processNormal(asFrames(v), 4410, 0.0f);
  EXPECT_TRUE(f.isRunning());
  EXPECT_EQ(v, in);
  // Amount 0 stops it: the buffer passes unchanged.
  f.setparam(0, 0);
  Frames w = sine(4410, 5000, 0.5f);
  const Frames win = w;
  f.processNormal(asFrames(w), 4410, 0.0f);
  EXPECT_FALSE(f.isRunning());
  EXPECT_EQ(w, win);
}

TEST(EffectsCutoff, LowPassAndHighPassFilter) {
  struct Case {
    int mode, amount;
    double hz;
    bool passes;
  };
  // Mode 0 at amount 300: low-pass near 1.56 kHz; at 700: high-pass near 380 Hz.
  const Case cases[] = {
      {0, 300, 100, true}, {0, 300, 10000, false}, {0, 700, 100, false}, {0, 700, 8000, true}};
  for (const Case& c : cases) {
    CEffectCutoffFilter f(nullptr, nullptr);
    f.setparam(0, c.amount);
    Frames v = sine(44100, c.hz, 0.5f);
    for (int done = 0; done < 44100; done += 1024) {
      f.processNormal(asFrames(v) + done, std::min(1024, 44100 - done), 0.0f);
    }
    const double ratio = rms(v, 0, 22050, 44100) / (0.5 / std::sqrt(2.0));
    if (c.passes) {
      EXPECT_GT(ratio, 0.8) << c.amount << " at " << c.hz;
    } else {
      EXPECT_LT(ratio, 0.01) << c.amount << " at " << c.hz;
    }
  }
}
