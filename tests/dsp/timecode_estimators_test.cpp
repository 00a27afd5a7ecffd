// Running medians, the least-squares smoother and the peak placement between bins.

#include "dsp/timecode_estimators.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

TEST(TimecodeEstimatorsTest, ThreePointMedianWithSpread) {
  CThreePointMedian<long> m;
  const long in[3] = {5, 1, 3};
  long out[3], spread[3];
  m.FilterBuff(in, out, spread, 3);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 1);
  EXPECT_EQ(out[2], 3);
  EXPECT_EQ(spread[0], 5);
  EXPECT_EQ(spread[1], 5);
  EXPECT_EQ(spread[2], 4);
  EXPECT_EQ(m.GetNumDelayElems(), 3);
  EXPECT_EQ(m.GetMax(), 5);
  long window[3];
  m.GetState(window);
  EXPECT_EQ(window[0], 3);
  EXPECT_EQ(window[2], 5);
  m.ClearState();
  EXPECT_EQ(m.GetNumDelayElems(), 0);

  // Every order of three values gives the middle one.
  CThreePointMedian<double> d;
  const double orders[6][3] = {{1, 2, 3}, {1, 3, 2}, {2, 1, 3}, {2, 3, 1}, {3, 1, 2}, {3, 2, 1}};
  for (const auto& o : orders) {
    double out3[3];
    d.FilterBuff(o, out3, nullptr, 3);
    EXPECT_EQ(out3[2], 2.0);
  }
}

TEST(TimecodeEstimatorsTest, FivePointMedianWithSpread) {
  CFivePointMedian<double> m;
  const double in[5] = {0, 10, 0, 10, 0};
  double out[5], spread[5];
  m.FilterBuff(in, out, spread, 5);
  EXPECT_EQ(out[4], 0.0);
  EXPECT_EQ(spread[4], 10.0);
  // In place, and a single jump inside the window does not pass.
  double run[6] = {7, 7, 7, 7, 20, 7};
  m.FilterBuff(run, run, nullptr, 6);
  EXPECT_EQ(run[4], 7.0);
  EXPECT_EQ(run[5], 7.0);
}

TEST(TimecodeEstimatorsTest, LeastSquaresSmootherReplacesOutliers) {
  CFivePointLeastSquaresQuadratic q;
  std::vector<double> in, out(12);
  for (int i = 0; i < 12; ++i) in.push_back(100 + 2.0 * i + 0.5 * i * i);
  q.FilterBuff(in.data(), out.data(), nullptr, 12);
  for (int i = 0; i < 12; ++i) EXPECT_NEAR(out[i], in[i], 1e-9) << i;

  // One outlier is replaced by the extrapolation; the next good value passes and restarts the smoother.
  CFivePointLeastSquaresQuadratic r;
  std::vector<double> seq = {10, 11, 12, 13, 14, 99, 16};
  std::vector<double> res(seq.size());
  r.FilterBuff(seq.data(), res.data(), nullptr, static_cast<long>(seq.size()));
  EXPECT_NEAR(res[5], 15.0, 1e-9);
  EXPECT_EQ(res[6], 16.0);
  EXPECT_EQ(r.GetNumDelayElems(), 0);
}

TEST(TimecodeEstimatorsTest, BinInterpolation) {
  const CBinTerp terp;
  double d3 = 1, d4 = 1, d5 = 1;
  terp.Algorithm3(1, 0, 0, 0, 0, 0, d3);
  terp.Algorithm4(1, 0, 0, 0, 0, 0, d4);
  terp.Algorithm5(1, 0, 0, 0, 0, 0, d5);
  EXPECT_EQ(d3, 0.0);
  EXPECT_EQ(d4, 0.0);
  EXPECT_EQ(d5, 0.0);

  // A complex tone at fractional bins of a 256-point transform: Algorithm4 recovers the offset.
  for (double offset : {-0.4, -0.25, 0.1, 0.3, 0.5}) {
    const double f = 20 + offset;
    std::complex<double> x[3];
    for (int m = 0; m < 3; ++m) {
      for (int n = 0; n < 256; ++n) x[m] += std::polar(1.0, 2 * M_PI * (f - (19 + m)) * n / 256);
    }
    double delta = 0;
    terp.Algorithm4(x[1].real(), x[1].imag(), x[0].real(), x[0].imag(), x[2].real(), x[2].imag(), delta);
    EXPECT_NEAR(delta, offset, 0.01) << offset;
  }
  double re, im;
  CBinTerp::ComplexDivide(1, 2, 3, 4, re, im);
  EXPECT_NEAR(re, 0.44, 1e-12);
  EXPECT_NEAR(im, 0.08, 1e-12);
}
