#include "dsp/audio_fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// Plain DFT in double precision: the layout and scaling the transform must keep.
void plainDft(const std::vector<float>& x, std::vector<double>& re, std::vector<double>& im) {
  const size_t n = x.size();
  re.assign(n / 2 + 1, 0);
  im.assign(n / 2 + 1, 0);
  for (size_t k = 0; k <= n / 2; ++k) {
    for (size_t t = 0; t < n; ++t) {
      const double a = -2 * M_PI * static_cast<double>(k * t % n) / n;
      re[k] += x[t] * cos(a);
      im[k] += x[t] * sin(a);
    }
  }
}

TEST(AudioFftTest, MatchesPlainDftForSeveralSizes) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> dist(-1, 1);
  for (size_t n : {2u, 8u, 64u, 512u, 2048u}) {
    std::vector<float> x(n);
    for (float& v : x) v = dist(rng);
    ZRAppleAccelerateFFT fft;
    fft.init(n);
    std::vector<float> re(n / 2 + 1, 99), im(n / 2 + 1, 99);
    fft.fft(x.data(), re.data(), im.data());
    std::vector<double> dre, dim;
    plainDft(x, dre, dim);
    const double tol = 1e-4 * sqrt(static_cast<double>(n)) * 4;
    for (size_t k = 0; k <= n / 2; ++k) {
      EXPECT_NEAR(re[k], dre[k], tol) << "n=" << n << " k=" << k;
      EXPECT_NEAR(im[k], dim[k], tol) << "n=" << n << " k=" << k;
    }
    EXPECT_EQ(im[0], 0.0f);
    EXPECT_EQ(im[n / 2], 0.0f);
  }
}

TEST(AudioFftTest, KnownSpectra) {
  const size_t n = 256;
  ZRAppleAccelerateFFT fft;
  fft.init(n);
  std::vector<float> re(n / 2 + 1), im(n / 2 + 1);

  std::vector<float> ones(n, 1.0f);
  fft.fft(ones.data(), re.data(), im.data());
  EXPECT_NEAR(re[0], n, 1e-3);
  for (size_t k = 1; k <= n / 2; ++k) EXPECT_NEAR(re[k], 0, 1e-3);

  std::vector<float> alt(n);
  for (size_t i = 0; i < n; ++i) alt[i] = (i & 1) ? -1.0f : 1.0f;
  fft.fft(alt.data(), re.data(), im.data());
  EXPECT_NEAR(re[n / 2], n, 1e-3);
  for (size_t k = 0; k < n / 2; ++k) EXPECT_NEAR(re[k], 0, 1e-3);

  std::vector<float> c(n);
  for (size_t i = 0; i < n; ++i) c[i] = 0.5f * static_cast<float>(cos(2 * M_PI * 10 * i / n));
  fft.fft(c.data(), re.data(), im.data());
  EXPECT_NEAR(re[10], 0.5 * n / 2, 1e-3);
  EXPECT_NEAR(im[10], 0, 1e-3);
}

TEST(AudioFftTest, InverseRestoresInputAndLeavesSpectrumAlone) {
  const size_t n = 2048;
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> dist(-1, 1);
  std::vector<float> x(n), back(n);
  for (float& v : x) v = dist(rng);
  ZRAppleAccelerateFFT fft;
  fft.init(n);
  std::vector<float> re(n / 2 + 1), im(n / 2 + 1);
  fft.fft(x.data(), re.data(), im.data());
  const std::vector<float> re0 = re, im0 = im;
  fft.ifft(back.data(), re.data(), im.data());
  for (size_t i = 0; i < n; ++i) EXPECT_NEAR(back[i], x[i], 1e-5);
  EXPECT_EQ(re, re0);
  EXPECT_EQ(im, im0);
}

TEST(AudioFftTest, ReinitAndEmpty) {
  ZRAppleAccelerateFFT fft;
  EXPECT_EQ(fft.getSize(), 0u);
  fft.init(1024);
  fft.init(1024);
  EXPECT_EQ(fft.getSize(), 1024u);
  EXPECT_EQ(fft.getLog2Size(), 10u);
  std::vector<float> x(1024, 1.0f), re(513), im(513);
  fft.fft(x.data(), re.data(), im.data());
  EXPECT_NEAR(re[0], 1024, 1e-3);
  fft.init(0);
  EXPECT_EQ(fft.getSize(), 0u);
  re[0] = 5;
  fft.fft(x.data(), re.data(), im.data());  // an empty transform does nothing
  EXPECT_EQ(re[0], 5);
  fft.init(1);
  float one = 3, r1[1], i1[1];
  fft.fft(&one, r1, i1);
  EXPECT_EQ(r1[0], 3);
  EXPECT_EQ(i1[0], 0);
}

TEST(AudioFftTest, ComplexSplitTransformMatchesPlainDftOnAnyArrays) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> dist(-1, 1);
  for (size_t n : {8u, 256u}) {
    const ZRComplexSplitFFT fft(n);
    EXPECT_EQ(fft.getSize(), n);
    // Real and imaginary parts side by side in one block, and in two separate blocks: a plan made for
    // arrays at one distance must not write past arrays at another.
    std::vector<float> block(2 * n + 8, 7.0f), re2(n), im2(n);
    float* re1 = block.data();
    float* im1 = block.data() + n;
    for (size_t i = 0; i < n; ++i) {
      re1[i] = re2[i] = dist(rng);
      im1[i] = im2[i] = dist(rng);
    }
    std::vector<double> dre(n), dim(n);
    for (size_t k = 0; k < n; ++k) {
      for (size_t t = 0; t < n; ++t) {
        const double a = -2 * M_PI * static_cast<double>(k * t % n) / n;
        dre[k] += re1[t] * cos(a) - im1[t] * sin(a);
        dim[k] += re1[t] * sin(a) + im1[t] * cos(a);
      }
    }
    fft.forward(re1, im1);
    fft.forward(re2.data(), im2.data());
    for (size_t k = 0; k < n; ++k) {
      EXPECT_NEAR(re1[k], dre[k], 1e-3) << k;
      EXPECT_NEAR(im1[k], dim[k], 1e-3) << k;
      EXPECT_EQ(re2[k], re1[k]);
      EXPECT_EQ(im2[k], im1[k]);
    }
    for (size_t i = 2 * n; i < block.size(); ++i) EXPECT_EQ(block[i], 7.0f);
  }
}

TEST(AudioFftDeathTest, NonPowerOfTwoStopsTheProcess) {
  ZRAppleAccelerateFFT fft;
  EXPECT_DEATH(fft.init(1000), "internal::IsPowerOf2\\(size\\)");
}

}  // namespace
