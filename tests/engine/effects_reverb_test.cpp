#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "dsp/engine/effect_plate_reverb.h"
#include "dsp/engine/nreverb/nrev/zr_allpass.h"
#include "dsp/engine/nreverb/nrev/zr_comb.h"
#include "dsp/engine/nreverb/nrev/zr_delay.h"
#include "dsp/engine/nreverb/nrev/zr_filters.h"
#include "dsp/engine/nreverb/nrev/zr_nrev.h"
#include "dsp/engine/nreverb/nrev/zr_slot.h"
#include "dsp/engine/nreverb/nrev/zr_src.h"
#include "dsp/engine/nreverb/nrev/zr_utils.h"
#include "effects_test_util.h"

using namespace effects_test;

namespace {

// Engine configured like the deck reverb, without its diagnostics on the test output.
struct Engine {
  Engine() {
    ZR_utils::QuietScope quiet;
    nrev.setOSFactor(1, ZR_src::kBiquad);
    nrev.setSampleRate(44100.0f);
  }
  ZR_nrev nrev;
};

std::vector<float> impulseResponse(ZR_comb& comb, int n) {
  std::vector<float> out(n);
  for (int i = 0; i < n; ++i) out[i] = comb.process(i == 0 ? 1.0f : 0.0f);
  return out;
}

}  // namespace

TEST(ReverbBlocks, CombEchoesEveryLength) {
  ZR_utils::QuietScope quiet;
  ZR_comb comb;
  comb.setsize(10);
  comb.setdamp(0.0f);
  comb.feedback = 0.5f;
  std::vector<float> out = impulseResponse(comb, 41);
  for (int i = 0; i < 41; ++i) {
    const float expected = i == 10 ? 1.0f : i == 20 ? 0.5f : i == 30 ? 0.25f : i == 40 ? 0.125f : 0.0f;
    EXPECT_FLOAT_EQ(out[i], expected) << i;
  }
  // Damping 1: the filter store never moves, nothing recirculates.
  comb.mute();
  comb.setdamp(1.0f);
  out = impulseResponse(comb, 41);
  EXPECT_FLOAT_EQ(out[10], 1.0f);
  EXPECT_EQ(out[20], 0.0f);
  EXPECT_EQ(comb.getsize(), 10);
}

TEST(ReverbBlocks, AllpassImpulse) {
  ZR_utils::QuietScope quiet;
  ZR_allpass ap;
  ap.setsize(7);
  ap.setfeedback(0.7f);
  std::vector<float> out(29);
  for (int i = 0; i < 29; ++i) out[i] = ap.process(i == 0 ? 1.0f : 0.0f);
  EXPECT_FLOAT_EQ(out[0], -1.0f);
  EXPECT_FLOAT_EQ(out[7], 1.0f);
  EXPECT_FLOAT_EQ(out[14], 0.7f);
  EXPECT_FLOAT_EQ(out[21], 0.49f);
  EXPECT_EQ(out[3], 0.0f);
}

TEST(ReverbBlocks, DelayLine) {
  ZR_utils::QuietScope quiet;
  ZR_delay d;
  EXPECT_EQ(d.process(0.25f), 0.25f);
  d.setsize(441);
  d.setsize(0);
  EXPECT_EQ(d.getsize(), 441);
  std::vector<float> out(900);
  for (int i = 0; i < 900; ++i) out[i] = d.process(static_cast<float>(i + 1));
  EXPECT_EQ(out[440], 0.0f);
  EXPECT_EQ(out[441], 1.0f);
  EXPECT_EQ(out[899], 459.0f);
  // Growing keeps the newest samples at the end: they come out after the extra delay.
  d.setsize(500);
  EXPECT_EQ(d.process(0.0f), 0.0f);
  for (int i = 1; i < 59; ++i) d.process(0.0f);
  EXPECT_EQ(d.process(0.0f), 460.0f);
  d.bypass();
  EXPECT_EQ(d.process(3.0f), 3.0f);
}

TEST(ReverbBlocks, FlushesNonNormalValues) {
  EXPECT_EQ(ZR_utils::undenormal(1e-40f), 0.0f);
  EXPECT_EQ(ZR_utils::undenormal(INFINITY), 0.0f);
  EXPECT_EQ(ZR_utils::undenormal(NAN), 0.0f);
  EXPECT_EQ(ZR_utils::undenormal(-0.5f), -0.5f);
  ZR_utils::QuietScope quiet;
  ZR_comb comb;
  comb.setsize(3);
  comb.feedback = 0.5f;
  comb.process(NAN);
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(std::isnan(comb.process(0.0f)));
}

TEST(ReverbBlocks, Utilities) {
  struct Case {
    long n;
    bool prime;
  };
  const Case cases[] = {{1, true},    {2, true},     {3, true},    {4, false}, {9, false},  {25, false},
                        {2467, true}, {2464, false}, {2503, true}, {0, false}, {49, false}, {4127, true}};
  for (const Case& c : cases) EXPECT_EQ(ZR_utils::isPrime(c.n), c.prime) << c.n;
  EXPECT_NEAR(ZR_utils::dB2R(-2.0f), 0.794328f, 1e-5);
  EXPECT_NEAR(ZR_utils::R2dB(0.5f), -6.0206f, 1e-4);
  for (size_t alignment : {8u, 16u, 64u}) {
    void* p = ZR_utils::aligned_malloc(100, alignment);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignment, 0u);
    ZR_utils::aligned_free(p);
  }
  ZR_utils::aligned_free(nullptr);
  ZR_dccut dc;
  EXPECT_FLOAT_EQ(dc.getCoefficient(), 0.9999f);
  dc.setCutOnFreq(8.0f, 44100.0f);
  EXPECT_NEAR(dc.getCoefficient(), 0.99803f, 1e-5);
  // A DC input decays away.
  float y = 0.0f;
  for (int i = 0; i < 44100; ++i) y = dc.process(1.0f);
  EXPECT_LT(std::fabs(y), 1e-3f);
}

TEST(ReverbBlocks, WorkBuffers) {
  ZR_slot slot;
  EXPECT_TRUE(slot.alloc(0, 2));
  EXPECT_EQ(slot.L, nullptr);
  ASSERT_TRUE(slot.alloc(64, 2));
  EXPECT_EQ(slot.getsize(), 64);
  EXPECT_EQ(slot.getChannels(), 2);
  EXPECT_EQ(slot.L[63], 0.0f);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(slot.R) % 8, 0u);
  slot.R[5] = 1.0f;
  slot.mute();
  EXPECT_EQ(slot.R[5], 0.0f);
  slot.free();
  EXPECT_EQ(slot.getsize(), 0);
  EXPECT_EQ(slot.L, nullptr);
}

TEST(ReverbBlocks, ConverterAtFactorOneCopies) {
  ZR_utils::QuietScope quiet;
  ZR_src src;
  EXPECT_TRUE(src.setSRCFactor(1, ZR_src::kBiquad));
  EXPECT_EQ(src.getLatency(), 0);
  float inL[4] = {1, 2, 3, 4}, inR[4] = {-1, -2, -3, -4}, outL[4], outR[4];
  EXPECT_EQ(src.usrc(inL, inR, outL, outR, 4), 4);
  EXPECT_EQ(outL[3], 4.0f);
  EXPECT_EQ(outR[0], -1.0f);
  EXPECT_EQ(src.dsrc(inL, inR, outL, outR, 4), 4);
  EXPECT_EQ(outR[3], -4.0f);
  EXPECT_FALSE(src.setSRCFactor(100000, ZR_src::kBiquad));
  EXPECT_EQ(src.getSRCFactor(), 1);
}

TEST(ReverbBlocks, OversamplingConvertersRoundTrip) {
  ZR_utils::QuietScope quiet;
  // The filtered kinds and repetition need no library; kinds 0..2 and 4 are libsamplerate's converters.
  const long kinds[] = {ZR_src::kBiquad, ZR_src::kOnePole, ZR_src::kRepeat, 2, 4};
  for (long kind : kinds) {
    ZR_src src;
    ASSERT_TRUE(src.setSRCFactor(2, kind)) << kind;
    if (kind < 3) {
      EXPECT_GT(src.getLatency(), 0) << kind;  // the sinc converters delay
    } else if (kind != 4) {
      EXPECT_EQ(src.getLatency(), 0) << kind;
    }
    const int n = 4410;
    std::vector<float> inL(n, 0.5f), inR(n, -0.5f), upL(2 * n), upR(2 * n), outL(n), outR(n);
    for (int block = 0; block < 4; ++block) {
      src.usrc(inL.data(), inR.data(), upL.data(), upR.data(), n);
      src.dsrc(upL.data(), upR.data(), outL.data(), outR.data(), n);
    }
    // A steady level survives the trip up and down.
    EXPECT_NEAR(outL[n - 1], 0.5f, 0.05f) << kind;
    EXPECT_NEAR(outR[n - 1], -0.5f, 0.05f) << kind;
  }
  ZR_src broken;
  EXPECT_FALSE(broken.setSRCFactor(2, 77));
}

TEST(ReverbEngine, LineLengthsAt44100) {
  Engine e;
  const long combLeft[] = {2467, 2753, 3217, 3533, 3877, 4127};
  const long combRight[] = {2503, 2777, 3251, 3557, 3907, 4153};
  const long apLeft[] = {599, 197, 67, 101, 97, 73, 67, 53, 37};
  const long apRight[] = {619, 223, 89, 127, 113, 97, 89, 71, 59};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(e.nrev.getCombLength(0, i), combLeft[i]) << i;
    EXPECT_EQ(e.nrev.getCombLength(1, i), combRight[i]) << i;
  }
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(e.nrev.getAllpassLength(0, i), apLeft[i]) << i;
    EXPECT_EQ(e.nrev.getAllpassLength(1, i), apRight[i]) << i;
  }
  ZR_utils::QuietScope quiet;
  e.nrev.setPrimeMode(false);
  e.nrev.setSampleRate(44100.0f);
  EXPECT_EQ(e.nrev.getCombLength(0, 0), 2464);
  EXPECT_EQ(e.nrev.getCombLength(1, 0), 2486);
}

TEST(ReverbEngine, GainsAndMix) {
  Engine e;
  ZR_utils::QuietScope quiet;
  e.nrev.setroomsize(2.05f);
  EXPECT_NEAR(e.nrev.getCombFeedback(0, 0), 0.828f, 1e-3);
  e.nrev.setroomsize(0.0f);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(e.nrev.getCombFeedback(0, i), 0.0f);
    EXPECT_EQ(e.nrev.getCombFeedback(1, i), 0.0f);
  }
  e.nrev.setroomsize(NAN);
  EXPECT_EQ(e.nrev.getCombFeedback(0, 0), 0.0f);
  e.nrev.setwetr(0.5f);
  e.nrev.setwidth(0.9f);
  EXPECT_FLOAT_EQ(e.nrev.getWet1(), 0.95f * 0.5f);
  EXPECT_FLOAT_EQ(e.nrev.getWet2(), 0.05f * 0.5f);
  e.nrev.setwidth(1.0f);
  EXPECT_EQ(e.nrev.getWet2(), 0.0f);
  e.nrev.setfeedback(0.6f);
  EXPECT_FLOAT_EQ(e.nrev.getAllpassFeedback(1, 8), 0.6f);
  e.nrev.setwet(-10.0f);
  EXPECT_NEAR(e.nrev.getwetr(), 0.316228f, 1e-5);
}

TEST(ReverbEngine, PreDelaySides) {
  Engine e;
  ZR_utils::QuietScope quiet;
  e.nrev.setPreDelay(10.0f);
  EXPECT_EQ(e.nrev.getInitialDelay(), 441);
  EXPECT_EQ(e.nrev.getWetDelayLength(), 441);
  EXPECT_EQ(e.nrev.getDryDelayLength(), 0);
  e.nrev.setInitialDelay(-100);
  EXPECT_EQ(e.nrev.getDryDelayLength(), 100);
  EXPECT_EQ(e.nrev.getWetDelayLength(), 0);
  EXPECT_NEAR(e.nrev.getPreDelay(), -100 * 1000.0f / 44100.0f, 1e-4);
  // Back to no pre-delay: neither side keeps delaying.
  e.nrev.setPreDelay(0.0f);
  EXPECT_EQ(e.nrev.getWetDelayLength(), 0);
  EXPECT_EQ(e.nrev.getDryDelayLength(), 0);
}

TEST(PlateReverb, PresetZeroTiming) {
  CEffectPlateReverb reverb(nullptr, nullptr);
  EXPECT_EQ(reverb.getparam(0), 0);
  EXPECT_EQ(reverb.reverbEngine().getWetDelayLength(), 441);
  EXPECT_EQ(reverb.reverbEngine().getInitialDelay(), 441);
  reverb.start();
  Frames v = constant(4410, 0.0f, 0.0f);
  v[0] = 1.0f;
  v[1] = 1.0f;
  reverb.process(asFrames(v), 4410, 0.0f);
  // The dry part (-2 dB) at once; the wet part after the shortest comb plus the 441-sample pre-delay.
  EXPECT_NEAR(v[0], 0.794328f, 1e-5);
  for (int i = 1; i < 2467 + 441; ++i) ASSERT_EQ(v[2 * i], 0.0f) << i;
  EXPECT_NE(v[2 * (2467 + 441)], 0.0f);
  for (int i = 1; i < 2503 + 441 && i < 2467 + 441; ++i) ASSERT_EQ(v[2 * i + 1], 0.0f) << i;
}

TEST(PlateReverb, ImpulseResponseDecays) {
  CEffectPlateReverb reverb(nullptr, nullptr);
  reverb.start();
  const int seconds = 10;
  Frames v = constant(seconds * 44100, 0.0f, 0.0f);
  v[0] = v[1] = 1.0f;
  processBlocks(reverb, v, 1024);
  std::vector<double> energy;
  for (int s = 0; s < seconds; ++s) energy.push_back(rms(v, 0, std::max(1, s * 44100), (s + 1) * 44100));
  EXPECT_GT(energy[0], 1e-4);
  for (int s = 1; s < seconds; ++s) EXPECT_LT(energy[s], energy[s - 1] * 0.5) << "second " << s;
  EXPECT_LT(energy[seconds - 1], 1e-7);
  // The tail holds no denormal values on its way to silence.
  for (float x : v) ASSERT_TRUE(x == 0.0f || std::isnormal(x));
}

TEST(PlateReverb, OversizedBuffersAndMute) {
  CEffectPlateReverb reverb(nullptr, nullptr);
  reverb.start();
  Frames big = sine(5000, 440, 0.5f);
  const Frames in = big;
  reverb.process(asFrames(big), 5000, 0.0f);
  EXPECT_EQ(big, in);
  Frames burst = sine(4410, 440, 0.5f);
  reverb.process(asFrames(burst), 4410, 0.0f);
  reverb.clear();
  Frames silence = constant(4410, 0.0f, 0.0f);
  reverb.process(asFrames(silence), 4410, 0.0f);
  EXPECT_EQ(peak(silence, 0, 0, 4410), 0.0f);
  EXPECT_EQ(peak(silence, 1, 0, 4410), 0.0f);
}

TEST(PlateReverb, PresetChangeWhileRunning) {
  CEffectPlateReverb reverb(nullptr, nullptr);
  reverb.start();
  Frames v = constant(64, 0.0f, 0.0f);
  reverb.setparam(0, 4);
  EXPECT_EQ(reverb.getparam(0), 4);
  reverb.process(asFrames(v), 64, 0.0f);
  EXPECT_EQ(reverb.reverbEngine().getWetDelayLength(), 882);
  EXPECT_NEAR(reverb.reverbEngine().getroomsize(), 2.98f, 1e-6);
  reverb.setparam(0, 3);
  reverb.process(asFrames(v), 64, 0.0f);
  EXPECT_EQ(reverb.reverbEngine().getWetDelayLength(), 0);
  // Unknown kinds and other indices change nothing.
  reverb.setparam(0, 9);
  reverb.setparam(1, 700);
  reverb.process(asFrames(v), 64, 0.0f);
  EXPECT_NEAR(reverb.reverbEngine().getdamp(), 0.9f, 1e-6);
  EXPECT_EQ(reverb.getparam(1), 0);
}
