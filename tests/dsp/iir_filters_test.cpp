#include "dsp/iir_filters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr double kRate = 44100;

std::vector<float> sine(double freq, int n, double amp = 1.0) {
  std::vector<float> v(n);
  for (int i = 0; i < n; ++i) v[i] = static_cast<float>(amp * sin(2 * M_PI * freq * i / kRate));
  return v;
}

double rms(const float* v, int n, int stride = 1) {
  double s = 0;
  for (int i = 0; i < n; ++i) s += static_cast<double>(v[i * stride]) * v[i * stride];
  return sqrt(s / n);
}

// Gain in dB of a mono biquad at freq, measured after it settles.
double biquadGainDb(Biquad& b, double freq) {
  b.resetState();
  std::vector<float> v = sine(freq, 44100);
  b.process(v.data(), 44100, 0, 1);
  return 20 * log10(rms(v.data() + 22050, 22050) / (1 / sqrt(2.0)));
}

TEST(BiquadTest, ConstructorIsBandPassAt1700Hz) {
  Biquad b;
  EXPECT_NEAR(biquadGainDb(b, 1700), 0.0, 0.1);
  EXPECT_LT(biquadGainDb(b, 100), -20.0);
  EXPECT_LT(biquadGainDb(b, 15000), -10.0);
}

TEST(BiquadTest, ResponsesAtKnownFrequencies) {
  struct Case {
    int type;
    float freq, gain, q;
    double probe, expectDb, tol;
  } cases[] = {
      {kBiquadLowPass, 1000, 0, 0.7071f, 100, 0.0, 0.1},
      {kBiquadLowPass, 1000, 0, 0.7071f, 1000, -3.0, 0.1},
      {kBiquadLowPass, 1000, 0, 0.7071f, 8000, -38.1, 1.0},
      {kBiquadHighPass, 1000, 0, 0.7071f, 1000, -3.0, 0.1},
      {kBiquadHighPass, 1000, 0, 0.7071f, 10000, 0.0, 0.1},
      {kBiquadNotch, 1000, 0, 1, 1000, -100, 40},
      {kBiquadPeaking, 1000, 6, 1, 1000, 6.0, 0.1},
      {kBiquadPeaking, 1000, 0, 1, 3000, 0.0, 0.01},
      {kBiquadLowShelf, 200, -12, 0.7071f, 30, -12.0, 0.5},
      {kBiquadHighShelf, 5000, 9, 0.7071f, 18000, 9.0, 0.5},
      {kBiquadAllPass, 1000, 0, 1, 3000, 0.0, 0.05},
      {kBiquadBandPassPeakQ, 2000, 0, 2, 2000, 6.02, 0.1},
  };
  for (const Case& c : cases) {
    Biquad b;
    b.calcCoeffs(c.freq, c.gain, c.q, c.type);
    EXPECT_NEAR(biquadGainDb(b, c.probe), c.expectDb, c.tol) << "type " << c.type << " at " << c.probe;
  }
}

TEST(BiquadTest, InvalidTypeKeepsCoefficientsAndZeroGainPeakingIsTransparent) {
  Biquad b;
  b.calcCoeffs(500, 0, 0.7f, kBiquadLowPass);
  const Biquad before = b;
  b.calcCoeffs(3000, 3, 2, 0);
  b.calcCoeffs(3000, 3, 2, 10);
  EXPECT_EQ(b.b0, before.b0);
  EXPECT_EQ(b.a1, before.a1);
  b.calcCoeffs(1000, 0, 1, kBiquadPeaking);
  EXPECT_EQ(b.b0, b.a0);
  EXPECT_EQ(b.b1, b.a1);
  EXPECT_EQ(b.b2, b.a2);
}

TEST(CutOffFilterTest, BypassIsBitExactAndRestartsFromClearedState) {
  CIIRFilter f;
  const int frames = 512;
  std::vector<float> stereo(2 * frames);
  for (int i = 0; i < 2 * frames; ++i) stereo[i] = static_cast<float>(sin(i * 0.37) * 0.8);
  const std::vector<float> original = stereo;
  f.change_frequency(-1, 1, 0.7f);
  f.process_CutOff_Filter(reinterpret_cast<float(*)[2]>(stereo.data()), frames * 4);
  EXPECT_EQ(stereo, original);

  // From bypass, a low-pass on a fresh filter and on the bypassed one agree.
  CIIRFilter fresh;
  fresh.change_frequency(800, 1, 0.7f);
  f.change_frequency(800, 1, 0.7f);
  std::vector<float> a = original, b = original;
  fresh.process_CutOff_Filter(reinterpret_cast<float(*)[2]>(a.data()), frames * 4);
  f.process_CutOff_Filter(reinterpret_cast<float(*)[2]>(b.data()), frames * 4);
  EXPECT_EQ(a, b);
}

TEST(CutOffFilterTest, ChannelsAreIndependentAnd24DbPerOctave) {
  CIIRFilter f;
  f.change_frequency(1000, 1, 0.7071f);
  const int frames = 44100;
  std::vector<float> stereo(2 * frames);
  std::vector<float> lo = sine(250, frames), hi = sine(4000, frames);
  for (int i = 0; i < frames; ++i) {
    stereo[2 * i] = lo[i];
    stereo[2 * i + 1] = hi[i];
  }
  f.process_CutOff_Filter(reinterpret_cast<float(*)[2]>(stereo.data()), frames * 4);
  const double left = 20 * log10(rms(stereo.data() + frames, frames / 2, 2) * sqrt(2.0));
  const double right = 20 * log10(rms(stereo.data() + frames + 1, frames / 2, 2) * sqrt(2.0));
  EXPECT_NEAR(left, 0.0, 0.5);
  EXPECT_LT(right, -45.0);  // two octaves above: about -48 dB
}

TEST(CutOffFilterTest, SweepKeepsStateAcrossChanges) {
  // Continuity: a sweep in small blocks must not click (no state reset).
  CIIRFilter f;
  const int frames = 256;
  std::vector<float> in = sine(300, 200 * frames);
  float maxJump = 0, prev = 0;
  for (int blk = 0; blk < 200; ++blk) {
    f.change_frequency(200 + 9 * blk, 1, 0.7071f);
    std::vector<float> st(2 * frames);
    for (int i = 0; i < frames; ++i) st[2 * i] = st[2 * i + 1] = in[blk * frames + i];
    f.process_CutOff_Filter(reinterpret_cast<float(*)[2]>(st.data()), frames * 4);
    for (int i = 0; i < frames; ++i) {
      if (blk > 4) maxJump = std::max(maxJump, std::fabs(st[2 * i] - prev));
      prev = st[2 * i];
    }
  }
  EXPECT_LT(maxJump, 0.1f);  // a 300 Hz unit sine moves at most ~0.043 per sample
}

TEST(ChebyshevFilterTest, BandPassOfTheTempoDetector) {
  CIIRFilter low, high;
  low.change_frequency(215, 1, 0.5f);
  high.change_frequency(132, 0, 0.5f);
  auto bandGain = [&](double freq) {
    CIIRFilter l, h;
    l.change_frequency(215, 1, 0.5f);
    h.change_frequency(132, 0, 0.5f);
    std::vector<float> s = sine(freq, 8820 * 10);
    std::vector<float> out;
    for (int c = 0; c < 10; ++c) {
      float* chunk = s.data() + c * 8820;
      l.process_BPM_Filter(chunk, 8820);
      h.process_BPM_Filter(chunk, 8820);
    }
    return rms(s.data() + 8820 * 5, 8820 * 5) * sqrt(2.0);
  };
  const double mid = bandGain(170);
  EXPECT_GT(mid, 0.005);
  EXPECT_LT(bandGain(40) / mid, 0.05);
  EXPECT_LT(bandGain(1000) / mid, 0.01);
}

TEST(ChebyshevFilterTest, ConstantBlocksAreLeftAlone) {
  CIIRFilter f;
  f.change_frequency(215, 1, 0.5f);
  std::vector<float> zeros(1024, 0.0f);
  f.process_BPM_Filter(zeros.data(), 1024);
  for (float z : zeros) EXPECT_EQ(z, 0.0f);
  std::vector<float> constant(1024, 0.3f);
  f.process_BPM_Filter(constant.data(), 1024);
  for (float z : constant) EXPECT_EQ(z, 0.3f);
  std::vector<float> one(1024, 0.0f);
  one[500] = 1.0f;
  f.process_BPM_Filter(one.data(), 1024);
  int changed = 0;
  for (int i = 501; i < 1024; ++i) changed += one[i] != 0.0f;
  EXPECT_GT(changed, 400);
}

TEST(ChebyshevFilterTest, TwoPoleSectionContinuesAcrossBlocks) {
  // One long block and the same signal in two equal halves give the same output.
  const float c0 = 0.2f, c1 = 0.1f, c2 = 0.05f, d1 = 0.5f, d2 = -0.2f;
  std::vector<float> in(64);
  for (int i = 0; i < 64; ++i) in[i] = static_cast<float>(sin(i * 0.3));
  std::vector<float> whole(64, 0.0f);
  float h1 = 0, h2 = 0;
  CIIRFilter::FilterProcess2Poles(in.data(), whole.data(), 64, c0, c1, c2, d1, d2, &h1, &h2);
  std::vector<float> half(32, 0.0f), out(64);
  float g1 = 0, g2 = 0;
  CIIRFilter::FilterProcess2Poles(in.data(), half.data(), 32, c0, c1, c2, d1, d2, &g1, &g2);
  std::copy(half.begin(), half.end(), out.begin());
  CIIRFilter::FilterProcess2Poles(in.data() + 32, half.data(), 32, c0, c1, c2, d1, d2, &g1, &g2);
  std::copy(half.begin(), half.end(), out.begin() + 32);
  for (int i = 0; i < 64; ++i) EXPECT_NEAR(out[i], whole[i], 1e-6) << i;
  EXPECT_EQ(g1, in[63]);
  EXPECT_EQ(g2, in[62]);
}

TEST(BesselCrossoverTest, ThreeBandsAtKnownFrequencies) {
  auto gainDb = [](int band, double freq) {
    CIIRFilterBessel f(band);
    const int frames = 44100;
    std::vector<float> st(2 * frames), out(2 * frames);
    std::vector<float> s = sine(freq, frames);
    for (int i = 0; i < frames; ++i) st[2 * i] = st[2 * i + 1] = s[i];
    f.process(st.data(), out.data(), 2 * frames);
    return 20 * log10(rms(out.data() + frames, frames / 2, 2) * sqrt(2.0));
  };
  EXPECT_NEAR(gainDb(1, 1000), 0.0, 1.0);
  EXPECT_LT(gainDb(0, 1000), -20.0);
  EXPECT_LT(gainDb(2, 1000), -30.0);
  EXPECT_NEAR(gainDb(0, 40), 0.0, 0.3);
  EXPECT_NEAR(gainDb(0, 340), -3.0, 0.5);
  EXPECT_NEAR(gainDb(2, 8000), -3.0, 0.5);
  EXPECT_NEAR(gainDb(2, 20000), 0.0, 0.5);
  EXPECT_NEAR(gainDb(1, 340), -3.0, 1.0);
  EXPECT_NEAR(gainDb(1, 8000), -3.0, 1.0);
}

TEST(BesselCrossoverTest, SourceUntouchedAndInvalidBandWritesNothing) {
  std::vector<float> src = {1, -1, 0.5f, 0.25f}, dst(4, 9.0f);
  CIIRFilterBessel f(1);
  f.process(src.data(), dst.data(), 4);
  EXPECT_EQ(src, (std::vector<float>{1, -1, 0.5f, 0.25f}));
  std::vector<float> untouched(4, 9.0f);
  CIIRFilterBessel bad(3);
  bad.process(src.data(), untouched.data(), 4);
  EXPECT_EQ(untouched, std::vector<float>(4, 9.0f));
}

}  // namespace
