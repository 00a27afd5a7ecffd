// Fader, crossfader and headphone-mix laws of the mixer, measured through the mixed audio.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/engine/zr_mixer.h"
#include "mixer_test_util.h"
#include "support/audio_test_sources.h"

using mixer_test::Buses;
using mixer_test::mix;
using orvel_test::ConstSource;

namespace {

double db(double amp) {
  return 20.0 * std::log10(amp);
}

// The settled amplitude of a unit source on deck A through the master at a fader position.
double faderAmplitude(int position) {
  ZRMixer m(22050);
  ConstSource a(1.0f, 1.0f);
  m.AddMixerChannel(&a);
  m.SetFaderPosition(0, position);
  mix(m, 256);
  return mix(m, 16).master[0];
}

}  // namespace

TEST(MixerLawsTest, FaderTableAtReferencePoints) {
  struct Row {
    int position;
    double dB;
  };
  const Row rows[] = {{120, -0.28}, {96, -2.01}, {64, -8.37}, {32, -28.2}, {1, -86.8}};
  for (const Row& r : rows)
    EXPECT_NEAR(db(faderAmplitude(r.position)), r.dB, 0.05) << "position " << r.position;
  EXPECT_EQ(faderAmplitude(127), 1.0);
  EXPECT_EQ(faderAmplitude(0), 0.0);
}

TEST(MixerLawsTest, FaderAmplitudeAndReadoutAgree) {
  ZRMixer m(1024);
  EXPECT_FLOAT_EQ(m.calculateAmpFromFaderPosAndGain(127, 0.0f), 1.0f);
  EXPECT_EQ(m.calculateAmpFromFaderPosAndGain(0, 0.0f), 0.0f);
  EXPECT_NEAR(db(m.calculateAmpFromFaderPosAndGain(64, 6.0f)), -8.37 + 6.0, 0.05);
  ConstSource a(1.0f, 1.0f);
  m.AddMixerChannel(&a);
  m.SetFaderPosition(0, 64);
  EXPECT_NEAR(m.GetChannelFader(0), -8.37, 0.05);
  m.SetChannelGain(0, -6.0f);
  EXPECT_NEAR(m.GetChannelGain(0), -6.0, 0.05);
  m.SetChannelGain(0, -400.0f);
  EXPECT_FLOAT_EQ(m.GetChannelGain(0), -318.7f);
  EXPECT_FLOAT_EQ(m.GetChannelGain(5), -320.0f);
}

// The readout's polynomial is good to a few hundredths of a dB near unity; its 3.3125 in place of
// log2(10) adds 0.3 % of the value further out.
TEST(MixerLawsTest, DecibelReadoutIsCloseToLog) {
  for (float x : {1e-6f, 0.001f, 0.1f, 0.5f, 0.7071f, 1.0f, 1.5f, 4.0f, 1000.0f}) {
    const double exact = 20.0 * std::log10(x);
    EXPECT_NEAR(ZRMixer::decibelReadout(x, -1.0f), exact, 0.05 + 0.004 * std::fabs(exact)) << x;
  }
  EXPECT_FLOAT_EQ(ZRMixer::decibelReadout(0.0f, -159.35f), -159.35f);
  EXPECT_FLOAT_EQ(ZRMixer::decibelReadout(-1.0f, -318.7f), -318.7f);
}

// Crossfader at curve start 50: side 0 at the given positions, side 1 mirrored.
TEST(MixerLawsTest, CrossfaderTableWithCurveStart50) {
  struct Row {
    int position;
    double dB;  // 1e9: exactly unity; -1e9: silence
  };
  const Row rows[] = {{0, 1e9}, {50, 1e9}, {64, -1.27}, {77, -3.86}, {100, -17.7}, {126, -84.8}, {127, -1e9}};
  for (const Row& r : rows) {
    ZRMixer m(4096);
    ConstSource a(1.0f, 1.0f), b(1.0f, 1.0f);
    m.AddMixerChannel(&a);
    m.AddMixerChannel(&b);
    m.SetCrossfaderCurveStartPoint(50, false);
    m.SetFaderPosition(0, 127);
    m.SetFaderPosition(1, 127);
    m.SetCrossfaderChannel(0, 0);
    m.SetCrossfaderChannel(1, 1);
    m.SetCrossfaderPosition(r.position);
    mix(m, 256);
    Buses out = mix(m, 8);
    const double sideA = out.deckA[0];
    m.SetCrossfaderPosition(127 - r.position);
    mix(m, 256);
    const double sideB = mix(m, 8).deckB[0];
    if (r.dB == 1e9) {
      EXPECT_DOUBLE_EQ(sideA, 1.0) << r.position;
      EXPECT_DOUBLE_EQ(sideB, 1.0) << r.position;
    } else if (r.dB == -1e9) {
      EXPECT_EQ(sideA, 0.0) << r.position;
      EXPECT_EQ(sideB, 0.0) << r.position;
    } else {
      EXPECT_NEAR(db(sideA), r.dB, 0.05) << r.position;
      EXPECT_NEAR(db(sideB), r.dB, 0.05) << r.position;
    }
  }
}

TEST(MixerLawsTest, CrossfaderEndsAndUnsidedChannels) {
  ZRMixer m(4096);
  ConstSource a(1.0f, 1.0f), b(1.0f, 1.0f), s(1.0f, 1.0f), p(0.0f, 0.0f);
  m.AddMixerChannel(&a);
  m.AddMixerChannel(&b);
  m.AddMixerChannel(&p);
  m.AddMixerChannel(&s);  // a sampler, side -1
  for (int j : {0, 1, 3}) m.SetFaderPosition(j, 127);
  m.SetCrossfaderChannel(0, 0);
  m.SetCrossfaderChannel(1, 1);
  m.SetCrossfaderPosition(0);
  mix(m, 256);
  Buses at0 = mix(m, 4);
  EXPECT_EQ(at0.deckA[0], 1.0f);
  EXPECT_EQ(at0.deckB[0], 0.0f);
  EXPECT_EQ(at0.sampler[0], 1.0f);
  m.SetCrossfaderPosition(127);
  mix(m, 256);
  Buses at127 = mix(m, 4);
  EXPECT_EQ(at127.deckA[0], 0.0f);
  EXPECT_EQ(at127.deckB[0], 1.0f);
  EXPECT_EQ(at127.sampler[0], 1.0f);
}

TEST(MixerLawsTest, HardCutSwitchesAtHalfway) {
  ZRMixer m(4096);
  ConstSource a(1.0f, 1.0f), b(1.0f, 1.0f);
  m.AddMixerChannel(&a);
  m.AddMixerChannel(&b);
  m.SetFaderPosition(0, 127);
  m.SetFaderPosition(1, 127);
  m.SetCrossfaderChannel(0, 0);
  m.SetCrossfaderChannel(1, 1);
  m.SetCrossfaderCurveStartPoint(-1, false);
  for (int p : {1, 63, 64, 126}) {
    m.SetCrossfaderPosition(p);
    mix(m, 256);
    Buses out = mix(m, 4);
    EXPECT_EQ(out.deckA[0], p < 64 ? 1.0f : 0.0f) << p;
    EXPECT_EQ(out.deckB[0], p < 64 ? 0.0f : 1.0f) << p;
  }
  // A start point above positions total - 3 is ignored: still a hard cut.
  m.SetCrossfaderCurveStartPoint(126, false);
  m.SetCrossfaderPosition(63);
  mix(m, 256);
  EXPECT_EQ(mix(m, 4).deckB[0], 0.0f);
}

TEST(MixerLawsTest, GainRampTakesOneHundredFrames) {
  ZRMixer m(4096);
  ConstSource a(1.0f, 1.0f);
  m.AddMixerChannel(&a);
  m.SetFaderPosition(0, 127);
  Buses out = mix(m, 200);
  // Exponential in amplitude + 1 from 1 to 2: frame i carries 2^((i+1)/100) - 1.
  EXPECT_NEAR(out.deckA[0], std::pow(2.0, 0.01) - 1.0, 1e-5);
  EXPECT_NEAR(out.deckA[2 * 49], std::pow(2.0, 0.5) - 1.0, 1e-4);
  EXPECT_LT(out.deckA[2 * 98], 1.0f);
  EXPECT_EQ(out.deckA[2 * 99], 1.0f);
  EXPECT_EQ(out.deckA[2 * 199], 1.0f);
  // Down again to silence: monotonic, and exactly 0 after 100 frames.
  m.SetFaderPosition(0, 0);
  out = mix(m, 200);
  for (int i = 1; i < 100; ++i) EXPECT_LE(out.deckA[2 * i], out.deckA[2 * (i - 1)]);
  EXPECT_NEAR(out.deckA[2 * 99], 0.0f, 1e-6);
  EXPECT_EQ(out.deckA[2 * 101], 0.0f);
}

TEST(MixerLawsTest, CuePgmMixEnds) {
  ZRMixer m(4096);
  ConstSource a(1.0f, 1.0f);
  m.AddMixerChannel(&a);
  m.SetFaderPosition(0, 127);
  m.SetCuePFLFaderPosition(0, 127);
  m.SetCrossfaderCurveStartPoint(50, false);
  // Position 0: full cue, programme at -90 dB.
  m.SetCuePgmMixPosition(0);
  mix(m, 256);
  Buses out = mix(m, 4);
  EXPECT_NEAR(out.phones[0], 1.0 + std::pow(10.0, -90.0 / 20.0), 1e-6);
  // Last position: full programme; the cue level is down by the whole curve.
  m.SetCuePgmMixPosition(127);
  out = mix(m, 4);
  EXPECT_NEAR(out.phones[0], 1.0 + std::pow(10.0, -90.0 / 20.0), 1e-6);
  m.SetCuePgmMixPosition(64);
  out = mix(m, 4);
  const double cue = std::pow(10.0, -(std::pow(std::pow(91.0, 1.0 / 77), 14) - 1) / 20);
  const double program = std::pow(10.0, -(std::pow(std::pow(91.0, 1.0 / 77), 13) - 1) / 20);
  EXPECT_NEAR(out.phones[0], cue + program, 1e-4);
}

TEST(MixerLawsTest, SeventeenthChannelIsRefused) {
  ZRMixer m(64);
  ConstSource s(0.0f, 0.0f);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m.AddMixerChannel(&s), i);
  EXPECT_EQ(m.AddMixerChannel(&s), -1);
  EXPECT_EQ(m.GetChannelCount(), 16);
}
