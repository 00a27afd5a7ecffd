// The five buses of the main mix: normal and external-mixer modes, talk-over, microphone, headphones,
// meters, balance and channel modes.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "mixer_test_util.h"
#include "support/audio_test_sources.h"

using mixer_test::Buses;
using mixer_test::Frames;
using mixer_test::mix;
using orvel_test::ConstSource;

namespace {

// Decks A and B, the preview and one sampler, all faders up, ramps settled.
struct Rig {
  ConstSource a{0.5f, 0.25f}, b{0.1f, 0.2f}, preview{0.7f, 0.7f}, sampler{0.3f, -0.3f};
  ZRMixer m{22050};
  Rig() {
    m.AddMixerChannel(&a);
    m.AddMixerChannel(&b);
    m.AddMixerChannel(&preview);
    m.AddMixerChannel(&sampler);
    for (int j = 0; j < 4; ++j) m.SetFaderPosition(j, 127);
    m.SetVetoPgmMix(2, 1);
    m.SetCuePFLFaderPosition(2, 127);
    // Headphones on cue only (programme level 0 at the cue end of a hard-cut curve would still be -90 dB).
    m.SetCrossfaderCurveStartPoint(50, false);
    m.SetCuePgmMixPosition(0);
    mix(m, 256);
  }
};

constexpr double kProgramAtCueEnd = 3.1622776601683795e-05;  // -90 dB
constexpr double kTalkOver = 0.25118864;

}  // namespace

TEST(MixerBusesTest, NormalModeSums) {
  Rig r;
  r.m.SetMasterVolume(96);
  const double A = std::pow(10.0, -2.01 / 20.0);
  mix(r.m, 16);  // master volume is not ramped; one buffer is enough
  Buses out = mix(r.m, 16);
  EXPECT_NEAR(out.deckA[0], A * 0.5, 1e-3);
  EXPECT_NEAR(out.deckA[1], A * 0.25, 1e-3);
  EXPECT_NEAR(out.deckB[0], A * 0.1, 1e-3);
  EXPECT_NEAR(out.sampler[0], A * 0.3, 1e-3);
  EXPECT_NEAR(out.sampler[1], -A * 0.3, 1e-3);
  // The preview reaches only the headphones.
  EXPECT_NEAR(out.master[0], A * (0.5 + 0.1 + 0.3), 1e-3);
  EXPECT_NEAR(out.master[1], A * (0.25 + 0.2 - 0.3), 1e-3);
  EXPECT_NEAR(out.phones[0], 0.7 + (0.5 + 0.1 + 0.3) * kProgramAtCueEnd, 1e-6);
}

TEST(MixerBusesTest, ExternalMixerModeCarriesGainOnly) {
  Rig r;
  r.m.SetEnableCrossfaderAndVolume(0);
  r.m.SetChannelGain(0, -6.0f);
  r.m.SetFaderPosition(0, 0);  // ignored for the deck bus in this mode
  r.m.SetMasterVolume(64);
  r.m.SetTalkOver(1);  // ignored for the deck buses too
  const double g = std::pow(10.0, -6.0 / 20.0);
  const double A = std::pow(10.0, -8.37 / 20.0);
  mix(r.m, 256);
  Buses out = mix(r.m, 16);
  EXPECT_NEAR(out.deckA[0], 0.5 * g, 1e-4);
  EXPECT_NEAR(out.deckB[1], 0.2, 1e-6);
  // master = ((deck A + deck B) x 0.75 + sampler) x master amplitude; no microphone, so talk-over leaves it.
  EXPECT_NEAR(out.master[0], A * ((0.5 * g + 0.1) * 0.75 + 0.3), 1e-3);
  EXPECT_NEAR(out.sampler[0], A * kTalkOver * 0.3, 1e-3);
}

TEST(MixerBusesTest, TalkOverWithoutMicrophone) {
  Rig r;
  r.m.SetTalkOver(1);
  Buses out = mix(r.m, 16);
  EXPECT_NEAR(out.deckA[0], 0.5 * kTalkOver, 1e-5);
  EXPECT_NEAR(out.sampler[0], 0.3 * kTalkOver, 1e-5);
  EXPECT_NEAR(out.master[0], 0.9, 1e-5);
}

TEST(MixerBusesTest, TalkOverWithMicrophoneOnAir) {
  Rig r;
  ConstSource mic(0.2f, 0.4f);
  r.m.AddMixerMicrophoneChannel(&mic);
  r.m.SetMicrophoneVolume(127);
  r.m.SetMasterVolume(96);
  const double A = r.m.calculateAmpFromFaderPosAndGain(96, 0.0f);
  r.m.SetTalkOver(1);
  r.m.SetOnAir(1);
  float l, rr;
  r.m.VUGetMicrophoneRms(l, rr);
  mix(r.m, 1000);
  Buses out = mix(r.m, 16);
  EXPECT_GT(mic.pulls, 0);
  EXPECT_NEAR(out.deckA[0], A * kTalkOver * 0.5, 1e-4);
  EXPECT_NEAR(out.master[0], A * (0.9 * kTalkOver + 0.2), 1e-4);
  EXPECT_NEAR(out.master[1], A * (0.15 * kTalkOver + 0.4), 1e-4);
  // The sampler bus carries the microphone at the master amplitude, not reduced by talk-over.
  EXPECT_NEAR(out.sampler[0], A * kTalkOver * 0.3 + A * 0.2, 1e-4);
  EXPECT_NEAR(out.phones[1], 0.7 + 0.4 + (0.15 * kTalkOver + 0.4) * kProgramAtCueEnd, 1e-4);
  r.m.VUGetMicrophoneRms(l, rr);
  EXPECT_NEAR(l, 20 * std::log10(0.2), 0.2);
  EXPECT_NEAR(rr, 20 * std::log10(0.4), 0.2);
}

TEST(MixerBusesTest, MicrophoneOffAirIsNotPulled) {
  Rig r;
  ConstSource mic(0.9f, 0.9f);
  r.m.AddMixerMicrophoneChannel(&mic);
  Buses out = mix(r.m, 16);
  EXPECT_EQ(mic.pulls, 0);
  EXPECT_NEAR(out.master[0], 0.9, 1e-5);
  EXPECT_NEAR(out.phones[0], 0.7 + 0.9 * kProgramAtCueEnd, 1e-5);
}

TEST(MixerBusesTest, HeadphoneCueVetoAndProgramme) {
  Rig r;
  r.m.SetCuePFLFaderPosition(0, 127);  // deck A cued, not vetoed
  // At the programme end the cue level is -90 dB, the vetoed preview stays at its cue amplitude.
  r.m.SetCuePgmMixPosition(127);
  Buses out = mix(r.m, 16);
  EXPECT_NEAR(out.phones[0], 0.7 + 0.5 * kProgramAtCueEnd + 0.9, 1e-4);
  r.m.SetCuePgmMixPosition(0);
  out = mix(r.m, 16);
  EXPECT_NEAR(out.phones[0], 0.7 + 0.5 + 0.9 * kProgramAtCueEnd, 1e-4);
  r.m.SetMonitorVolume(64);
  out = mix(r.m, 16);
  EXPECT_NEAR(out.phones[0], (0.7 + 0.5 + 0.9 * kProgramAtCueEnd) * std::pow(10.0, -8.37 / 20), 1e-3);
  // The cue send is taken before the fader.
  r.m.SetFaderPosition(0, 0);
  mix(r.m, 256);
  out = mix(r.m, 16);
  EXPECT_NEAR(out.phones[0], (0.7 + 0.5 + 0.4 * kProgramAtCueEnd) * std::pow(10.0, -8.37 / 20), 1e-3);
}

TEST(MixerBusesTest, BalanceAndChannelModes) {
  Rig r;
  r.m.SetMasterBalance(0.5f);
  Buses out = mix(r.m, 4);
  EXPECT_NEAR(out.master[0], 0.9 * 0.5, 1e-5);
  EXPECT_NEAR(out.master[1], 0.15, 1e-5);
  r.m.SetMasterBalance(-3.0f);  // clamped to -1: right silent
  out = mix(r.m, 4);
  EXPECT_NEAR(out.master[0], 0.9, 1e-5);
  EXPECT_EQ(out.master[1], 0.0f);
  r.m.SetMasterBalance(0.0f);
  struct Row {
    ChannelMode mode;
    double left, right;
  };
  const Row rows[] = {{ChannelModeStereo, 0.9, 0.15},
                      {ChannelModeSwap, 0.15, 0.9},
                      {ChannelModeMono, 0.525, 0.525},
                      {ChannelModeLeft, 0.9, 0.9},
                      {ChannelModeRight, 0.15, 0.15}};
  for (const Row& row : rows) {
    r.m.SetMasterChannelMode(row.mode);
    EXPECT_EQ(r.m.GetMasterChannelMode(), row.mode);
    out = mix(r.m, 4);
    EXPECT_NEAR(out.master[0], row.left, 1e-5) << row.mode;
    EXPECT_NEAR(out.master[1], row.right, 1e-5) << row.mode;
  }
}

TEST(MixerBusesTest, MetersReadAndReset) {
  Rig r;
  float l, rr;
  r.m.VUGetMasterRms(l, rr);
  r.m.VUGetMasterRms(l, rr);
  EXPECT_FLOAT_EQ(l, -159.35f * 0.5f);
  mix(r.m, 1000);
  r.m.VUGetMasterRms(l, rr);
  EXPECT_NEAR(l, 20 * std::log10(0.9), 0.1);
  EXPECT_NEAR(rr, 20 * std::log10(0.15), 0.1);
  r.m.VUGetMasterRms(l, rr);
  EXPECT_FLOAT_EQ(l, -159.35f * 0.5f);
  // Channel meters read after gain, before the fader.
  r.m.SetChannelGain(0, -6.0f);
  r.m.SetFaderPosition(0, 10);
  r.m.VUGetChannelRms(0, l, rr);
  mix(r.m, 1000);
  r.m.VUGetChannelRms(0, l, rr);
  EXPECT_NEAR(l, 20 * std::log10(0.5) - 6.0, 0.1);
  r.m.VUGetChannelRms(9, l, rr);
  EXPECT_EQ(l, -320.0f);
  EXPECT_EQ(rr, -320.0f);
}

TEST(MixerBusesTest, PassesRunBeforeAnyPullAndLongRequestsAreSplit) {
  ConstSource a(0.5f, 0.5f);
  ZRMixer m(64);
  m.AddMixerChannel(&a);
  m.SetFaderPosition(0, 127);
  Buses out = mix(m, 300);
  EXPECT_EQ(a.passes % 1000, 123);  // passes 0, 1, 2 in order for each piece
  EXPECT_LE(a.maxFrames, 64);
  EXPECT_EQ(a.totalFrames, 300);
  EXPECT_NEAR(out.master[2 * 299], 0.5f, 1e-6);
}

TEST(MixerBusesTest, MasterEffectsChannelRunsOnTheMaster) {
  InitializeMixerChannels();
  {
    Rig r;
    ZRMixerChannel fx(nullptr, nullptr, 1);
    r.m.SetMasterFXChannel(&fx);
    Buses out = mix(r.m, 4);
    EXPECT_NEAR(out.master[0], 0.9, 1e-6);
    r.m.SetMasterFXChannel(nullptr);
  }
  DeinitializeMixerChannels();
}

TEST(MixerBusesTest, FillerZoneMixAndSplitCue) {
  ConstSource a(0.5f, 0.1f), b(0.2f, 0.4f);
  ZRMixer m(4096);
  m.AddMixerChannel(&a);
  m.AddMixerChannel(&b);
  m.SetFaderPosition(0, 127);
  m.SetFaderPosition(1, 127);
  m.SetCrossfaderChannel(0, 0);
  m.SetCrossfaderChannel(1, 1);
  m.SetCrossfaderPosition(64);
  std::vector<float> master(2 * 512), cue(2 * 512);
  m.GetOutputSignal(reinterpret_cast<Frames>(master.data()), reinterpret_cast<Frames>(cue.data()), 512);
  // Curve start 0 at 64: side A 64 steps down the curve, side B 63.
  const double ampA = std::pow(10.0, -(std::pow(91.0, 64.0 / 127) - 1) / 20);
  const double ampB = std::pow(10.0, -(std::pow(91.0, 63.0 / 127) - 1) / 20);
  EXPECT_NEAR(master[2 * 511], 0.5 * ampA + 0.2 * ampB, 1e-4);
  m.SetMonitorSplitMode(1);
  m.GetOutputSignal(reinterpret_cast<Frames>(master.data()), reinterpret_cast<Frames>(cue.data()), 512);
  EXPECT_NEAR(cue[0], 0.3, 1e-6);  // side A folded onto the left
  EXPECT_NEAR(cue[1], 0.3, 1e-6);  // side B folded onto the right
}
