#include "dsp/perceptual_gain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace {

std::vector<float> sine16(double freq, int n, double amp) {
  std::vector<float> v(n);
  for (int i = 0; i < n; ++i) v[i] = static_cast<float>(amp * sin(2 * M_PI * freq * i / 44100));
  return v;
}

float gainOf(PerceptualGain& g, const std::vector<float>& mono) {
  g.InitGainAnalysis(44100);
  for (size_t off = 0; off < mono.size(); off += 44100) {
    const unsigned long n = std::min<size_t>(44100, mono.size() - off);
    g.AnalyzeSamples(mono.data() + off, nullptr, n, 1);
  }
  return g.GetTitleGain();
}

TEST(PerceptualGainTest, ReferenceResults) {
  auto g = std::make_unique<PerceptualGain>();
  // Fewer samples than one 50 ms block.
  EXPECT_EQ(gainOf(*g, std::vector<float>(2204, 1000.0f)), kGainNotEnoughSamples);
  // Digital silence: every block in counter 0.
  EXPECT_FLOAT_EQ(gainOf(*g, std::vector<float>(44100 * 2, 0.0f)), 64.82f);

  // Full-scale 1 kHz sine: mean square 32767^2 / 2 is 87.30 dB and the
  // equal-loudness filter's response at 1 kHz is -8.31 dB, so the level is
  // 78.99 dB and the gain 64.82 - 78.99.
  const float full = gainOf(*g, sine16(1000, 44100 * 5, 32767));
  EXPECT_NEAR(full, -14.17f, 0.02f);
  const float half = gainOf(*g, sine16(1000, 44100 * 5, 32767 / 2.0));
  EXPECT_NEAR(half - full, 6.02f, 0.05f);
  // The equal-loudness filter removes most of a 30 Hz tone.
  const float bass = gainOf(*g, sine16(30, 44100 * 5, 32767));
  EXPECT_GT(bass, full + 10.0f);
}

TEST(PerceptualGainTest, StereoEqualsMonoAndArguments) {
  auto g = std::make_unique<PerceptualGain>();
  std::vector<float> s = sine16(440, 44100 * 2, 8000);
  const float mono = gainOf(*g, s);
  g->InitGainAnalysis(44100);
  EXPECT_EQ(g->AnalyzeSamples(s.data(), s.data(), s.size(), 2), 1);
  EXPECT_FLOAT_EQ(g->GetTitleGain(), mono);

  EXPECT_EQ(g->AnalyzeSamples(s.data(), s.data(), 100, 3), 0);
  EXPECT_EQ(g->AnalyzeSamples(s.data(), nullptr, 0, 1), 1);
  EXPECT_EQ(g->InitGainAnalysis(12345), 0);
  EXPECT_EQ(g->InitGainAnalysis(48000), 1);
  EXPECT_EQ(g->ResetSampleFrequency(44100), 1);
}

TEST(PerceptualGainTest, ConsecutiveTitlesMatchFreshAnalyses) {
  std::mt19937 rng(11);
  std::normal_distribution<float> noise(0, 3000);
  std::vector<float> a(44100 * 3), b = sine16(2500, 44100 * 3, 12000);
  for (float& v : a) v = noise(rng);
  auto fresh = std::make_unique<PerceptualGain>();
  const float ga = gainOf(*fresh, a);
  const float gb = gainOf(*fresh, b);
  auto reused = std::make_unique<PerceptualGain>();
  reused->InitGainAnalysis(44100);
  reused->AnalyzeSamples(a.data(), nullptr, a.size(), 1);
  EXPECT_FLOAT_EQ(reused->GetTitleGain(), ga);
  reused->AnalyzeSamples(b.data(), nullptr, b.size(), 1);
  EXPECT_FLOAT_EQ(reused->GetTitleGain(), gb);
  EXPECT_NE(ga, gb);
}

TEST(PerceptualGainTest, PercentileOfHistogram) {
  std::vector<uint32_t> h(12000, 0);
  EXPECT_EQ(analyzeResult(h.data(), 12000), kGainNotEnoughSamples);
  // 5 % of 100 blocks rounds up to 6 (1 - 0.95 is a hair above 0.05 in
  // binary): the percentile lands at 90 dB when 6 blocks sit there.
  h[8000] = 94;
  h[9000] = 6;
  EXPECT_NEAR(analyzeResult(h.data(), 12000), 64.82f - 90.0f, 1e-4);
  h[8000] = 95;
  h[9000] = 5;
  EXPECT_NEAR(analyzeResult(h.data(), 12000), 64.82f - 80.0f, 1e-4);
}

// The analysis as the reference writes it: every filter output summed term by
// term in the formula's order, in single precision, mono.
float referenceGain(const std::vector<float>& x) {
  const double *yule, *butter;
  PerceptualGain::filterCoefficients(44100, yule, butter);
  float k[21], b[5];
  for (int j = 0; j < 21; ++j) k[j] = static_cast<float>(yule[j]);
  for (int j = 0; j < 5; ++j) b[j] = static_cast<float>(butter[j]);
  std::vector<float> in(10, 0.0f), y(10, 0.0f), z(2, 0.0f);
  in.insert(in.end(), x.begin(), x.end());
  std::vector<uint32_t> histogram(PerceptualGain::kHistogramSize, 0);
  double sum = 0;
  int blockSamples = 0;
  for (size_t n = 10; n < in.size(); ++n) {
    float v = 1e-10f + in[n] * k[0];
    for (int j = 1; j <= 10; ++j) {
      v -= y[n - j] * k[2 * j - 1];
      v += in[n - j] * k[2 * j];
    }
    y.push_back(v);
    const size_t m = z.size();
    const float w = v * b[0] - z[m - 1] * b[1] + y[n - 1] * b[2] - z[m - 2] * b[3] + y[n - 2] * b[4];
    z.push_back(w);
    sum += 2.0 * static_cast<double>(w) * w;
    if (++blockSamples == 2205) {
      int index = static_cast<int>(100 * 10.0 * log10(sum / 2205 * 0.5 + 1e-37));
      histogram[std::clamp(index, 0, PerceptualGain::kHistogramSize - 1)]++;
      sum = 0;
      blockSamples = 0;
    }
  }
  return analyzeResult(histogram.data(), PerceptualGain::kHistogramSize);
}

TEST(PerceptualGainTest, SameGainsAsTheReferenceOrderOfTerms) {
  std::mt19937 rng(9);
  std::normal_distribution<float> noise(0, 1);
  auto g = std::make_unique<PerceptualGain>();
  for (double level : {30.0, 300.0, 3000.0, 20000.0}) {
    for (int kind = 0; kind < 3; ++kind) {
      std::vector<float> x(44100 * 6);
      for (size_t i = 0; i < x.size(); ++i) {
        const double t = i / 44100.0;
        const double tone = kind == 0 ? sin(2 * M_PI * 60 * t) : sin(2 * M_PI * (100 + 2000 * t) * t);
        const double envelope = kind == 2 ? std::fabs(sin(2 * M_PI * 2.07 * t)) : 1.0;
        x[i] = static_cast<float>(level * envelope * (0.5 * tone + 0.3 * noise(rng)));
      }
      EXPECT_EQ(gainOf(*g, x), referenceGain(x)) << "level " << level << " kind " << kind;
    }
  }
}

}  // namespace
