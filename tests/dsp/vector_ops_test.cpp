#include "dsp/vector_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/resample.h"
#include "dsp/sample_formats.h"
#include "dsp/window_functions.h"

namespace {

TEST(VectorOpsTest, ArithmeticAndNormalize) {
  std::vector<float> v = {1, -2, 3};
  multiply_float_vector(v.data(), 2.0f, 3);
  EXPECT_EQ(v, (std::vector<float>{2, -4, 6}));
  std::vector<float> w = {0.5f, 2, -1};
  multiply_float_vectors(v.data(), w.data(), 3);
  EXPECT_EQ(v, (std::vector<float>{1, -8, -6}));
  add_float_vector16(v.data(), 1.0f, 3);
  EXPECT_EQ(v, (std::vector<float>{2, -7, -5}));
  add_float_vector16(v.data(), 1.0f, 0);  // n of 0 does nothing
  EXPECT_EQ(v[0], 2.0f);

  std::vector<float> n = {0.25f, -2, 0.5f};
  normalize_float_vector(n.data(), 3, 1.0f);
  EXPECT_FLOAT_EQ(n[0], 0.5f);
  EXPECT_FLOAT_EQ(n[1], -4.0f);
  EXPECT_FLOAT_EQ(n[2], 1.0f);
  std::vector<float> zeros(8, 0.0f);
  normalize_float_vector(zeros.data(), 8, 0.75f);
  for (float z : zeros) EXPECT_EQ(z, 0.0f);
}

TEST(VectorOpsTest, AlignedAllocation) {
  float* p = malloc_a(1000, true);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
  for (int i = 0; i < 250; ++i) EXPECT_EQ(p[i], 0.0f);
  free_a(p);
}

TEST(VectorOpsTest, GoertzelMagnitude) {
  std::vector<float> c(64), s(64);
  for (int i = 0; i < 64; ++i) {
    c[i] = 0.7f * static_cast<float>(cos(2 * M_PI * 4 * i / 64));
    s[i] = 0.7f * static_cast<float>(sin(2 * M_PI * 4 * i / 64));
  }
  double phase = 0;
  EXPECT_NEAR(goertzel_mag_new(c.data(), 64, 4, phase, true), 0.7, 1e-5);
  EXPECT_NEAR(goertzel_mag_new(s.data(), 64, 4, phase, true), 0.7, 1e-5);
  EXPECT_NEAR(goertzel_mag_new(c.data(), 64, 4, phase, false), 0.7 * 32, 1e-3);
  EXPECT_NEAR(goertzel_mag_new(c.data(), 64, 9, phase, true), 0.0, 1e-5);
}

TEST(VectorOpsTest, TempoConversions) {
  EXPECT_FLOAT_EQ(BPMToBeatSize(120, 441), 220.5f);
  EXPECT_FLOAT_EQ(BeatSizeToBPM(220.5f, 441), 120.0f);
}

TEST(VectorOpsTest, FindMaxElementSkipsBeatMarks) {
  std::vector<float> v = {1, 55, 3, 3, 60, 2};
  float max;
  int index;
  FindMaxElement(v.data(), 0, 6, max, index);
  EXPECT_EQ(max, 3.0f);
  EXPECT_EQ(index, 2);  // first of equal maxima
  std::vector<float> marks = {50, 55, 65};
  FindMaxElement(marks.data(), 1, 3, max, index);
  EXPECT_EQ(max, 0.0f);
  EXPECT_EQ(index, 1);
}

TEST(VectorOpsTest, AutoCorrelationAndResonator) {
  std::vector<float> v = {1, 2, 3, 4, 5};
  // n - 1 products: 1*3 + 2*4 + 3*5
  EXPECT_DOUBLE_EQ(AutoCorrelation(v.data(), 4, 2), 26.0);
  EXPECT_DOUBLE_EQ(AutoCorrelation(v.data(), 1, 0), 0.0);
  EXPECT_DOUBLE_EQ(AutoCorrelation(v.data(), 4, -1), 0.0);
  EXPECT_DOUBLE_EQ(AutoCorrelation(nullptr, 4, 1), 0.0);

  // Period 386: alpha 0.5.
  std::vector<float> src(772, 1.0f), dst(772, 0.0f);
  const double e = ResonateAndGetEnergy(src.data(), dst.data(), 772, 386);
  EXPECT_FLOAT_EQ(dst[0], 1.0f);
  EXPECT_FLOAT_EQ(dst[400], 1.0f);
  EXPECT_NEAR(e, 772.0, 1e-3);
  EXPECT_EQ(ResonateAndGetEnergy(src.data(), dst.data(), 0, 10), 0.0);
}

TEST(WindowFunctionsTest, Shapes) {
  std::vector<float> w(7, -1.0f);
  getWindowFunction(w.data(), 7, kWindowRectangular);
  for (float v : w) EXPECT_EQ(v, 1.0f);
  std::vector<float> t(4);
  getWindowFunction(t.data(), 4, kWindowTriangular);
  EXPECT_EQ(t, (std::vector<float>{0, 0.5f, 1, 0.5f}));
  std::vector<float> h(2048);
  getWindowFunction(h.data(), 2048, kWindowHann);
  EXPECT_NEAR(h[0], 0.0f, 1e-7);
  EXPECT_NEAR(h[2047], 0.0f, 1e-7);
  EXPECT_NEAR(h[1024], 1.0f, 1e-5);
  std::vector<float> b(5);
  getWindowFunction(b.data(), 5, kWindowBlackman);
  EXPECT_NEAR(b[2], 1.0f, 1e-6);
  EXPECT_NEAR(b[0], 0.0f, 1e-6);
  std::vector<float> hm(3);
  getWindowFunction(hm.data(), 3, kWindowHamming);
  EXPECT_NEAR(hm[0], 0.08f, 1e-6);
  float one = -1;
  getWindowFunction(&one, 1, kWindowHann);
  EXPECT_EQ(one, 1.0f);
  std::vector<float> untouched(3, 7.0f);
  getWindowFunction(untouched.data(), 3, static_cast<TWindowFunctions>(9));
  EXPECT_EQ(untouched[1], 7.0f);
}

TEST(ResampleTest, FrameCounts) {
  EXPECT_EQ(CalculateDestinationSamples(48000, 1024, 44100), 941);
  EXPECT_EQ(CalculateDestinationSamples(0, 1024, 44100), 0);
  EXPECT_EQ(CalculateDestinationSamples(48000, 0, 44100), 0);
  EXPECT_EQ(CalculateDestinationSamples(48000, 1024, -1), 0);
}

TEST(ResampleTest, LinearInterpolationKeepsLastFrame) {
  const float ramp[4] = {0, 1, 2, 3};
  float up[6];
  ResampleFloatSamples(ramp, 4, up, 6, 1);
  const float expectUp[6] = {0, 2.0f / 3, 4.0f / 3, 2, 8.0f / 3, 3};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(up[i], expectUp[i], 1e-6) << i;
  float down[3];
  ResampleFloatSamples(ramp, 4, down, 3, 1);
  EXPECT_NEAR(down[0], 0, 1e-6);
  EXPECT_NEAR(down[1], 4.0f / 3, 1e-6);
  EXPECT_NEAR(down[2], 3, 1e-6);
}

TEST(ResampleTest, UpsamplingByTwoOrMoreNeverReadsPastTheSource) {
  // Stereo source of 3 frames followed by poison values that must not leak in.
  std::vector<float> src = {0, 10, 1, 11, 2, 12, 1000, 1000, 1000, 1000};
  std::vector<float> dst(2 * 8, -1.0f);
  ResampleFloatSamples(src.data(), 3, dst.data(), 8, 2);
  for (int i = 0; i < 8; ++i) {
    EXPECT_LE(dst[2 * i], 2.0f) << i;
    EXPECT_LE(dst[2 * i + 1], 12.0f) << i;
  }
  // Frame 6 sits at 2.25: past the last frame, which stands in for the next.
  EXPECT_FLOAT_EQ(dst[12], 2.0f);
  EXPECT_FLOAT_EQ(dst[14], 2.0f);
  EXPECT_FLOAT_EQ(dst[15], 12.0f);
  // A single source frame fills everything.
  std::vector<float> one = {5.0f};
  std::vector<float> out(4);
  ResampleFloatSamples(one.data(), 1, out.data(), 4, 1);
  for (float v : out) EXPECT_EQ(v, 5.0f);
}

TEST(ResampleTest, MonoDecimationTakesEveryHundredth) {
  std::vector<float> src(44100);
  for (int i = 0; i < 44100; ++i) src[i] = static_cast<float>(i);
  std::vector<float> dst(441);
  resample_mono_floats(44100, 441, 441, src.data(), dst.data());
  EXPECT_EQ(dst[0], 0.0f);
  EXPECT_EQ(dst[10], 1000.0f);
  EXPECT_EQ(dst[439], 43900.0f);
  EXPECT_EQ(dst[440], 44099.0f);
}

TEST(SampleFormatsTest, Int24AndEndianness) {
  EXPECT_FLOAT_EQ(Int24ToFloat(myInt24{{0xFF, 0xFF, 0xFF}}), -1.0f / 8388608.0f);
  EXPECT_LT(Int24ToFloat(myInt24{{0xFF, 0xFF, 0x7F}}), 1.0f);
  EXPECT_GT(Int24ToFloat(myInt24{{0xFF, 0xFF, 0x7F}}), 0.9999f);
  EXPECT_FLOAT_EQ(Int24ToFloat(myInt24{{0x00, 0x00, 0x80}}), -1.0f);

  myInt24 v{{1, 2, 3}};
  ReverseEndian(v);
  EXPECT_EQ(v.b[0], 3);
  EXPECT_EQ(v.b[2], 1);
  short s = 0x1234;
  ReverseEndian(s);
  EXPECT_EQ(s, 0x3412);
  unsigned int u = 0x11223344u;
  ReverseEndian(u);
  EXPECT_EQ(u, 0x44332211u);
  int i = 0x11223344;
  ReverseEndian(i);
  EXPECT_EQ(i, 0x44332211);

  char buf[6] = {1, 2, 3, 4, 5, 6};
  ReverseEndianInplace(buf, 2, 24);
  EXPECT_EQ(buf[0], 3);
  EXPECT_EQ(buf[2], 1);
  EXPECT_EQ(buf[3], 6);
  ReverseEndianInplace(buf, 3, 16);
  EXPECT_EQ(buf[0], 2);
  EXPECT_EQ(buf[1], 3);
  char same[4] = {1, 2, 3, 4};
  ReverseEndianInplace(same, 1, 8);
  EXPECT_EQ(same[0], 1);
  ReverseEndianInplace(same, 1, 32);
  EXPECT_EQ(same[0], 4);
}

TEST(SampleFormatsTest, Extended80BitFloat) {
  unsigned char p[10];
  double_to_ieee_80(44100, p);
  const unsigned char expect[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(p[i], expect[i]) << i;
  EXPECT_EQ(ieee_80_to_double(p), 44100.0);
  for (double x : {1.0, -48000.0, 0.5, 12345.678, 96000.0}) {
    double_to_ieee_80(x, p);
    EXPECT_NEAR(ieee_80_to_double(p), x, 1e-9 * fabs(x)) << x;
  }
  double_to_ieee_80(0, p);
  for (unsigned char c : p) EXPECT_EQ(c, 0);
  EXPECT_EQ(ieee_80_to_double(p), 0.0);
}

}  // namespace
