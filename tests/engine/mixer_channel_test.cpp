// The mixer channel strip: slots, knob mapping, EQ kills, source hand-over and the channel registry; and
// the live input in plain mode.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "common/zr_pointer_list.h"
#include "dsp/engine/effect.h"
#include "dsp/engine/effect_cutoff_filter.h"
#include "dsp/engine/effect_equalizer.h"
#include "dsp/engine/live_input_source.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "support/audio_test_sources.h"

using orvel_test::ConstSource;

namespace {

class MixerChannelTest : public ::testing::Test {
 protected:
  void SetUp() override { InitializeMixerChannels(); }
  void TearDown() override { DeinitializeMixerChannels(); }
};

}  // namespace

TEST_F(MixerChannelTest, SlotsOfASourceChannel) {
  ConstSource src(0.1f, 0.1f);
  ZRMixerChannel ch(&src, nullptr, 0);
  for (int slot = 0; slot < ZRMixerChannel::kSlots; ++slot) {
    const bool filled = slot <= 11 || (slot >= 15 && slot <= 19);
    EXPECT_EQ(ch.getEffect(slot) != nullptr, filled) << slot;
  }
  EXPECT_NE(dynamic_cast<CEffectEqualizerIIR*>(ch.getEffect(11)), nullptr);
  EXPECT_TRUE(ch.getEffect(11)->isRunning());
  EXPECT_NE(dynamic_cast<CEffectCutoffFilter*>(ch.getEffect(19)), nullptr);
  // Every dry/wet effect starts silent.
  for (int slot : {0, 2, 8, 9, 10}) EXPECT_FLOAT_EQ(ch.GetFxDryWet(slot), 0.0f) << slot;
  ZRMixerChannel master(nullptr, nullptr, 1);
  for (int slot = 0; slot < ZRMixerChannel::kSlots; ++slot) EXPECT_EQ(master.getEffect(slot), nullptr);
}

TEST_F(MixerChannelTest, KindOneChannelOnlyAddsTheDenormalOffset) {
  ZRMixerChannel master(nullptr, nullptr, 1);
  std::vector<float> buf = {0.5f, -0.25f, 0.0f, 1.0f};
  master.GetSamples(buf.data(), 2);
  EXPECT_FLOAT_EQ(buf[0], 0.5f);
  EXPECT_FLOAT_EQ(buf[1], -0.25f);
  EXPECT_EQ(buf[2], 1e-25f);
  EXPECT_EQ(master.GetLength(), -1);
  EXPECT_EQ(master.GetCurrentBPM(), 0.0f);
}

TEST_F(MixerChannelTest, SourceStripWithoutSourceIsSilent) {
  ZRMixerChannel strip(nullptr, nullptr, 0);
  std::vector<float> buf(2 * 512, 0.8f);  // what the mixer's buffer held from the previous pass
  for (int pass = 0; pass < 3; ++pass) strip.GetSamples(buf.data(), 512);
  for (float v : buf) ASSERT_LT(std::fabs(v), 1e-6f);
}

TEST_F(MixerChannelTest, EqKillKeepsTheStoredValue) {
  ConstSource src(0.1f, 0.1f);
  ZRMixerChannel ch(&src, nullptr, 0);
  auto* eq = static_cast<CEffectEqualizerIIR*>(ch.getEffect(11));
  ch.SetEq(2, 3.4f);
  EXPECT_FLOAT_EQ(ch.GetEq(2), 3.4f);
  EXPECT_FLOAT_EQ(eq->bandGainDb(1), 3.0f);
  ch.SetEqKill(2, 1);
  EXPECT_FLOAT_EQ(ch.GetEq(2), -90.0f);
  EXPECT_FLOAT_EQ(eq->bandGainDb(1), -40.0f);
  // Set while killed: stored, not applied.
  ch.SetEq(2, -5.6f);
  EXPECT_FLOAT_EQ(eq->bandGainDb(1), -40.0f);
  ch.SetEqKill(2, 0);
  EXPECT_FLOAT_EQ(ch.GetEq(2), -5.6f);
  EXPECT_FLOAT_EQ(eq->bandGainDb(1), -6.0f);
  ZRMixerChannel master(nullptr, nullptr, 1);
  master.SetEq(1, 4.0f);
  EXPECT_EQ(master.GetEq(1), 0.0f);
}

TEST_F(MixerChannelTest, KnobMapping) {
  ConstSource src(0.1f, 0.1f);
  ZRMixerChannel ch(&src, nullptr, 0);
  for (int slot : {2, 3, 5, 11, 15, 16}) {
    ch.SetFxParam1(slot, 0.7f);
    EXPECT_EQ(ch.GetFxParam1(slot), 0.0f) << slot;
  }
  ch.SetFxParam1(10, 0.25f);  // the phaser's knob is its parameter 0
  EXPECT_EQ(ch.getEffect(10)->getparam(0), 250);
  EXPECT_FLOAT_EQ(ch.GetFxParam1(10), 0.25f);
  ch.SetFxParam1(19, 0.3f);
  EXPECT_EQ(ch.getEffect(19)->getparam(1), 300);
  ch.SetFxParam2(9, 0.6f);
  EXPECT_FLOAT_EQ(ch.GetFxParam2(9), 0.6f);
  ch.SetFxParam2(3, 0.6f);
  EXPECT_EQ(ch.GetFxParam2(3), 0.0f);
  // The filter knob has no dry/wet: its dry/wet knob is parameter 0.
  ch.SetFxDryWet(19, 0.42f);
  EXPECT_EQ(ch.getEffect(19)->getparam(0), 420);
  EXPECT_FLOAT_EQ(ch.GetFxDryWet(19), 0.42f);
  ch.SetFxDryWet(8, 0.5f);
  EXPECT_FLOAT_EQ(ch.GetFxDryWet(8), 0.5f);
  EXPECT_EQ(ch.GetFxDryWet(13), 0.0f);
  ch.EnableFx(9, 1, 1);
  EXPECT_FLOAT_EQ(ch.GetFxDryWet(9), 1.0f);
  ch.EnableFx(9, 0, 1);
  EXPECT_FLOAT_EQ(ch.GetFxDryWet(9), 0.0f);
}

TEST_F(MixerChannelTest, ParamValueUnitText) {
  ConstSource src(0.1f, 0.1f);
  ZRMixerChannel ch(&src, nullptr, 0);
  char text[256] = "untouched";
  EXPECT_EQ(ch.GetFxParamValueUnit(13, 0, text, true), 0);
  EXPECT_STREQ(text, "untouched");
  EXPECT_EQ(ch.GetFxParamValueUnit(19, 0, nullptr, true), 0);
  ch.getEffect(19)->setparam(1, 500);
  EXPECT_EQ(ch.GetFxParamValueUnit(19, 1, text, true), 0);
  EXPECT_STRNE(text, "untouched");
  EXPECT_NE(std::strchr(text, '%'), nullptr);
}

TEST_F(MixerChannelTest, SourceChangeTakesEffectAtTheNextBuffer) {
  ConstSource a(0.1f, 0.1f), b(0.2f, 0.2f);
  a.length = 100;
  b.length = 200;
  ZRMixerChannel ch(&a, nullptr, 0);
  std::vector<float> buf(2 * 64);
  ch.ChangeSource(&b);
  EXPECT_EQ(ch.GetLength(), 100);  // still the old source
  ch.GetSamples(buf.data(), 64);
  EXPECT_EQ(ch.GetLength(), 200);
  EXPECT_EQ(b.pulls, 1);
  EXPECT_EQ(a.pulls, 0);
  // Null only withdraws a pending change.
  ch.ChangeSource(&a);
  ch.ChangeSource(nullptr);
  ch.GetSamples(buf.data(), 64);
  EXPECT_EQ(ch.GetLength(), 200);
  EXPECT_EQ(a.pulls, 0);
  short s = 7;
  ch.GetSamplesShort(&s, 1);
  EXPECT_EQ(s, 7);
}

TEST_F(MixerChannelTest, RegistryFollowsLifetimes) {
  const int before = MixerChannelsList->getCount();
  auto* a = new ZRMixerChannel(nullptr, nullptr, 1);
  auto* b = new ZRMixerChannel(nullptr, nullptr, 1);
  EXPECT_EQ(MixerChannelsList->getCount(), before + 2);
  EXPECT_EQ(MixerChannelsList->findElementNumber(b), before + 1);
  delete a;
  EXPECT_EQ(MixerChannelsList->findElementNumber(b), before);
  delete b;
  EXPECT_EQ(MixerChannelsList->getCount(), before);
}

TEST(LiveInputSourceTest, PassesTheInputOnAndAsksTheDeck) {
  ConstSource deck(0, 0);
  deck.bpm = 128.0f;
  deck.position = 4410;
  deck.length = 44100;
  CLiveInputSource input(&deck, 1000);
  EXPECT_EQ(input.getInputBufferFrames(), 4410);
  float* in = input.getInputBuffer();
  for (int i = 0; i < 2 * 4410; ++i) in[i] = static_cast<float>(i);
  std::vector<float> out(2 * 5000, -1.0f);
  input.GetSamples(out.data(), 5000);
  EXPECT_EQ(out[0], 0.0f);
  EXPECT_EQ(out[2 * 4409 + 1], static_cast<float>(2 * 4409 + 1));
  EXPECT_EQ(out[2 * 4410], 0.0f);  // past the buffer: silence
  EXPECT_EQ(input.GetCurrentBPM(), 128.0f);
  EXPECT_EQ(input.GetCurrentPos(), 4410);
  EXPECT_EQ(input.GetLength(), 44100);
  input.BeforeGetSamples(0);
  EXPECT_EQ(deck.passes, 1);
  CLiveInputSource mic(nullptr, 8192);
  EXPECT_EQ(mic.getInputBufferFrames(), 8192);
  EXPECT_EQ(mic.GetLength(), -1);
  EXPECT_EQ(mic.GetCurrentPos(), 0);
  mic.GetSamples(out.data(), 4);
  EXPECT_EQ(out[0], 0.0f);
}
