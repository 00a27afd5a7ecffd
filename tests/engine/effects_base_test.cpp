#include <gtest/gtest.h>

#include "common/zr_string.h"
#include "dsp/engine/effect.h"
#include "effects_test_util.h"

using namespace effects_test;

namespace {

// Wet signal = 3 x input, so every mix is visible in one number; counts the calls into the effect.
class TripleEffect : public CEffect {
 public:
  explicit TripleEffect(bool dryWet = true) : CEffect(nullptr, nullptr), dryWet_(dryWet) {}
  void start() override {
    ++starts;
    CEffect::start();
  }
  void stop() override {
    ++stops;
    CEffect::stop();
  }
  void clear() override { ++clears; }
  int allowdrywetmix() override { return dryWet_ ? 1 : 0; }
  void process(float buffer[][2], int frames, float) override {
    ++processes;
    maxFrames = std::max(maxFrames, frames);
    for (int i = 0; i < frames; ++i) {
      buffer[i][0] *= 3.0f;
      buffer[i][1] *= 3.0f;
    }
  }
  void setparam(int index, int value) override {
    if (index == 0) amount = value;
  }
  int getparam(int index) override { return index == 0 ? amount : 0; }

  int starts = 0, stops = 0, clears = 0, processes = 0, maxFrames = 0, amount = 0;

 private:
  bool dryWet_;
};

}  // namespace

TEST(EffectsBase, DryWetLawTable) {
  struct Case {
    float dryWet;
    float expected;  // output for an input of 1 with a wet signal of 3
  };
  const Case cases[] = {
      {0.0f, 1.0f},   {-0.5f, 1.0f}, {0.25f, 0.25f * 3 + 0.75f}, {0.5f, 2.0f}, {0.975f, 0.975f * 3 + 0.025f},
      {0.976f, 3.0f}, {1.0f, 3.0f},
  };
  for (const Case& c : cases) {
    TripleEffect effect;
    effect.setdrywetmix(c.dryWet);
    Frames v = constant(64, 1.0f, -1.0f);
    effect.processDryWet(asFrames(v), 64, 120.0f);
    EXPECT_NEAR(v[0], c.expected, 1e-6) << "dry/wet " << c.dryWet;
    EXPECT_NEAR(v[1], -c.expected, 1e-6) << "dry/wet " << c.dryWet;
  }
}

TEST(EffectsBase, DryWetZeroStopsAndClearsOnce) {
  TripleEffect effect;
  effect.setdrywetmix(0.5f);
  Frames v = constant(32, 1.0f, 1.0f);
  effect.processDryWet(asFrames(v), 32, 0.0f);
  EXPECT_EQ(effect.starts, 1);
  EXPECT_TRUE(effect.isRunning());
  effect.setdrywetmix(0.0f);
  for (int i = 0; i < 3; ++i) {
    Frames w = constant(32, 1.0f, 1.0f);
    effect.processDryWet(asFrames(w), 32, 0.0f);
    EXPECT_EQ(w[0], 1.0f);
  }
  EXPECT_EQ(effect.stops, 1);
  EXPECT_EQ(effect.clears, 1);
  EXPECT_EQ(effect.processes, 1);
  EXPECT_FALSE(effect.isRunning());
  // Raising the amount again starts the effect anew and mixes half and half.
  effect.setdrywetmix(0.5f);
  Frames w = constant(32, 1.0f, 1.0f);
  effect.processDryWet(asFrames(w), 32, 0.0f);
  EXPECT_EQ(effect.starts, 2);
  EXPECT_FLOAT_EQ(w[0], 2.0f);
}

TEST(EffectsBase, SwitchedPathFollowsParameterZero) {
  TripleEffect effect(false);
  Frames v = constant(16, 0.5f, 0.5f);
  effect.processNormal(asFrames(v), 16, 0.0f);
  EXPECT_EQ(v[0], 0.5f);
  EXPECT_EQ(effect.processes, 0);
  effect.setparam(0, 1);
  effect.processNormal(asFrames(v), 16, 0.0f);
  EXPECT_FLOAT_EQ(v[0], 1.5f);
  EXPECT_EQ(effect.starts, 1);
  effect.setparam(0, 0);
  effect.processNormal(asFrames(v), 16, 0.0f);
  EXPECT_FLOAT_EQ(v[0], 1.5f);
  EXPECT_EQ(effect.stops, 1);
  EXPECT_EQ(effect.clears, 1);
}

TEST(EffectsBase, LongBuffersAreProcessedInPieces) {
  TripleEffect effect;
  effect.setdrywetmix(0.5f);
  Frames v = constant(10000, 1.0f, 1.0f);
  effect.processDryWet(asFrames(v), 10000, 0.0f);
  EXPECT_LE(effect.maxFrames, CEffect::kMaxFrames);
  EXPECT_FLOAT_EQ(v[2 * 9999], 2.0f);
}

TEST(EffectsBase, BaseDefaults) {
  TripleEffect effect;
  EXPECT_FALSE(effect.isRunning());
  EXPECT_EQ(effect.getdrywetmix(), 1.0f);
  int x = 5, y = 6;
  effect.geteditorposition(x, y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(effect.haseditor(), 0);
  char name[128] = "keep";
  EXPECT_FALSE(effect.getparamdetails(0, name, name, name));
  EXPECT_STREQ(name, "keep");
}

TEST(EffectsBase, BeatFractionMaps) {
  struct Case {
    float (*map)(float);
    float p;
    float beats;
  };
  const Case cases[] = {
      {mapParamToBeats1_2__2, 0.0f, 0.5f},   {mapParamToBeats1_2__2, 0.333f, 0.5f},
      {mapParamToBeats1_2__2, 0.5f, 1.0f},   {mapParamToBeats1_2__2, 0.666f, 1.0f},
      {mapParamToBeats1_2__2, 1.0f, 2.0f},   {mapParamToBeats1__16, 0.0f, 1.0f},
      {mapParamToBeats1__16, 0.2f, 1.0f},    {mapParamToBeats1__16, 0.3f, 2.0f},
      {mapParamToBeats1__16, 0.5f, 4.0f},    {mapParamToBeats1__16, 0.7f, 8.0f},
      {mapParamToBeats1__16, 0.8f, 8.0f},    {mapParamToBeats1__16, 0.801f, 16.0f},
      {mapParamToBeats1_4__16, 0.0f, 0.25f}, {mapParamToBeats1_4__16, 0.142f, 0.25f},
      {mapParamToBeats1_4__16, 0.2f, 0.5f},  {mapParamToBeats1_4__16, 0.3f, 1.0f},
      {mapParamToBeats1_4__16, 0.5f, 2.0f},  {mapParamToBeats1_4__16, 0.6f, 4.0f},
      {mapParamToBeats1_4__16, 0.8f, 8.0f},  {mapParamToBeats1_4__16, 0.857f, 8.0f},
      {mapParamToBeats1_4__16, 1.0f, 16.0f},
  };
  for (const Case& c : cases) EXPECT_EQ(c.map(c.p), c.beats) << "p " << c.p;
  // Parameters arrive in thousandths.
  EXPECT_EQ(mapParamToBeats1__16(800 / 1000.0f), 8.0f);
}

TEST(EffectsBase, PluginListsAreNotKept) {
  EXPECT_TRUE(LoadPluginsList(ZRString("/nonexistent/folder/fx_scanned.xml")));
  EXPECT_TRUE(SavePluginsList(ZRString("/nonexistent/folder/fx_scanned.xml")));
}
