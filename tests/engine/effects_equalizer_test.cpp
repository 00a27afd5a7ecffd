#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "dsp/engine/effect_equalizer.h"
#include "effects_test_util.h"
#include "support/test_support.h"

using namespace effects_test;

namespace {

constexpr int kSecond = 44100;

// RMS of the settled output for a tone through an equaliser with the given band gains.
double settledRms(double hz, int lowDb, int midDb, int highDb) {
  CEffectEqualizerIIR eq(nullptr, nullptr);
  eq.start();
  eq.setparam(1, lowDb);
  eq.setparam(2, midDb);
  eq.setparam(3, highDb);
  Frames v = sine(kSecond, hz, 0.5f);
  processBlocks(eq, v, 4410);
  return rms(v, 0, kSecond / 2, kSecond);
}

}  // namespace

TEST(EffectsEqualizer, BandGainsAtTheirCentres) {
  // Each band alone (the others killed) at the middle of its range, relative to the same band at 0 dB.
  struct Band {
    int index;
    double hz;
  };
  const Band bands[] = {{1, 60.0}, {2, 1740.0}, {3, 16000.0}};
  const int knobs[] = {0, 6, -6, -12, -20, -34};
  for (const Band& band : bands) {
    auto run = [&](int dB) {
      return settledRms(band.hz, band.index == 1 ? dB : -40, band.index == 2 ? dB : -40,
                        band.index == 3 ? dB : -40);
    };
    const double unity = run(0);
    EXPECT_GT(unity, 0.5 / std::sqrt(2.0) * 0.7) << "band " << band.index;
    for (int dB : knobs) {
      EXPECT_NEAR(20.0 * std::log10(run(dB) / unity), dB, 0.05) << "band " << band.index << " at " << dB;
    }
    // A kill keeps 10^-5 of the band (all bands killed here).
    const double killed = run(-40) / unity;
    EXPECT_GT(killed, 0.5e-5) << "band " << band.index;
    EXPECT_LT(killed, 2.5e-5) << "band " << band.index;
    // -35 dB is already a kill; -34 dB is not.
    EXPECT_LT(run(-35) / unity, 2.5e-5);
  }
}

TEST(EffectsEqualizer, FlatBandsSumToTheCrossover) {
  // All bands at 0 dB give the sum of the three crossover bands, which is not flat: the Bessel low-pass
  // and band-pass (and band-pass and high-pass) both sit at -3 dB at their shared corner and are not in
  // phase there, so the sum dips by about 2.8 dB at 340 Hz and 8 kHz and is within 0.1 dB elsewhere.
  struct Tone {
    double hz;
    double dB;
  };
  const Tone tones[] = {{60.0, -0.05},  {100.0, -0.04}, {340.0, -2.79},  {441.0, -2.11},  {882.0, 0.05},
                        {1740.0, 0.07}, {3000.0, 0.07}, {8000.0, -2.79}, {15000.0, -0.01}};
  for (const Tone& tone : tones) {
    const double out = settledRms(tone.hz, 0, 0, 0);
    EXPECT_NEAR(20.0 * std::log10(out / (0.5 / std::sqrt(2.0))), tone.dB, 0.03) << tone.hz << " Hz";
  }
}

TEST(EffectsEqualizer, RisesFromSilenceOverTheFirst110Frames) {
  CEffectEqualizerIIR eq(nullptr, nullptr);
  eq.start();
  Frames v = constant(400, 0.5f, 0.5f);
  processBlocks(eq, v);
  EXPECT_LT(std::fabs(v[0]), 0.01f);
  EXPECT_GT(std::fabs(v[2 * 300]), 0.4f);
}

TEST(EffectsEqualizer, KillTogglesGlideWithoutClicks) {
  // 100 Hz at half scale moves at most 0.0072 per sample; a hard switch would jump by up to 0.5.
  CEffectEqualizerIIR eq(nullptr, nullptr);
  eq.start();
  Frames v = sine(4 * kSecond, 100.0, 0.5f);
  const int block = 512;
  float maxJump = 0.0f;
  float previous = 0.0f;
  bool killed = false;
  for (int done = 0, n = 0; done < 4 * kSecond; done += block, ++n) {
    if (n > 10 && n % 20 == 0) {
      killed = !killed;
      eq.setparam(1, killed ? -40 : 0);
    }
    const int frames = std::min(block, 4 * kSecond - done);
    eq.process(asFrames(v) + done, frames, 0.0f);
    for (int i = done; i < done + frames; ++i) {
      if (done > 4410) maxJump = std::max(maxJump, std::fabs(v[2 * i] - previous));
      previous = v[2 * i];
    }
  }
  EXPECT_LT(maxJump, 0.015f);
  EXPECT_GT(maxJump, 0.005f);
}

TEST(EffectsEqualizer, ParameterIndices) {
  CEffectEqualizerIIR eq(nullptr, nullptr);
  EXPECT_EQ(eq.getparam(0), 1000);
  EXPECT_EQ(eq.getparam(1), 0);
  EXPECT_EQ(eq.allowdrywetmix(), 0);
  eq.setparam(2, -7);
  EXPECT_EQ(eq.bandGainDb(1), -7.0f);
  // Another index sets the low band without being remembered.
  eq.setparam(7, -40);
  EXPECT_EQ(eq.bandGainDb(0), 0.0f);
  eq.start();
  Frames v = sine(kSecond, 60.0, 0.5f);
  processBlocks(eq, v, 4410);
  EXPECT_LT(rms(v, 0, kSecond / 2, kSecond), 0.05);
}

TEST(EffectsEqualizer, OnOffAmountDoesNotReachTheGains) {
  // The channel's dry/wet control writes parameter 0 = 1000 to switched effects; taken as a low-band gain it
  // would be +1000 dB.
  CEffectEqualizerIIR eq(nullptr, nullptr);
  eq.start();
  eq.setparam(0, 1000);
  Frames v = sine(kSecond, 60.0, 0.5f);
  processBlocks(eq, v, 4410);
  EXPECT_LT(peak(v, 0, 0, kSecond), 1.0f);
  EXPECT_TRUE(std::isfinite(v[2 * (kSecond - 1)]));
}

TEST(EffectsEqualizer, OutputPinnedBitForBit) {
  // Its output may not change when the equaliser is made faster: band moves, a kill and its glide back, over
  // buffers of uneven sizes, against a hash of the output.
  CEffectEqualizerIIR eq(nullptr, nullptr);
  eq.start();
  Frames v = sine(3 * kSecond, 97.0, 0.4f);
  Frames treble = sine(3 * kSecond, 9100.0, 0.3f, 0.5);
  for (size_t i = 0; i < v.size(); ++i) v[i] += (i % 2 ? 0.5f : 1.0f) * treble[i];
  const int settings[][3] = {{0, 0, 0}, {-6, 3, 0}, {-40, 0, 5}, {0, -40, -12}, {2, 0, -40}, {0, 0, 0}};
  int done = 0;
  for (int n = 0; done < 3 * kSecond; ++n) {
    if (n % 17 == 0) {
      const int* s = settings[(n / 17) % 6];
      for (int band = 0; band < 3; ++band) eq.setparam(band + 1, s[band]);
    }
    const int frames = std::min(1 + (n * 389) % 1500, 3 * kSecond - done);
    eq.process(asFrames(v) + done, frames, 0.0f);
    done += frames;
  }
  EXPECT_EQ(orvel_test::bitsHash(v.data(), v.size()), 0xea7f48bbc7af11a4ull);
}
