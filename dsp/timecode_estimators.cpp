#include "dsp/timecode_estimators.h"

#include <cmath>

namespace {

// Weights of the fitted value at the window centre, of the slope and of the curvature, newest value first
// (window positions -2 .. +2).
constexpr double kC0[5] = {-3.0 / 35, 12.0 / 35, 17.0 / 35, 12.0 / 35, -3.0 / 35};
constexpr double kC1[5] = {-0.2, -0.1, 0.0, 0.1, 0.2};
constexpr double kC2[5] = {1.0 / 7, -1.0 / 14, -1.0 / 7, -1.0 / 14, 1.0 / 7};

}  // namespace

void CFivePointLeastSquaresQuadratic::ClearState() {
  std::fill(x, x + 5, 0.0);
  a0 = a1 = a2 = 0.0;
  count = 0;
  t = -3;
}

void CFivePointLeastSquaresQuadratic::FilterBuff(const double* in, double* out, double*, long n) {
  for (long i = 0; i < n; ++i) {
    const double v = in[i];
    auto shiftIn = [&]() {
      for (int k = 4; k > 0; --k) x[k] = x[k - 1];
      x[0] = v;
    };
    if (count < 5) {
      shiftIn();
      ++count;
      out[i] = v;
      continue;
    }
    a0 = a1 = a2 = 0.0;
    double sumAbs = 0.0;
    for (int k = 0; k < 5; ++k) {
      a0 += kC0[k] * x[k];
      a1 += kC1[k] * x[k];
      a2 += kC2[k] * x[k];
      sumAbs += std::fabs(x[k]);
    }
    const double p = a2 * t * t + a1 * t + a0;
    const double limit = tolerance * sumAbs / 5.0;
    if (std::fabs(p - v) >= limit) {
      // An outlier: the prediction stands in, and the next fit extrapolates one place further.
      out[i] = p;
      if (--t <= -11) ClearState();
    } else if (t <= -4) {
      out[i] = v;
      ClearState();
    } else {
      shiftIn();
      out[i] = v;
    }
  }
}

void CBinTerp::ComplexDivide(double a, double b, double c, double d, double& re, double& im) {
  const double den = c * c + d * d;
  re = (a * c + b * d) / den;
  im = (b * c - a * d) / den;
}

namespace {

// The shared start of the three estimators: the one-sided offsets d1 (from below) and d2 (from above), and
// the correction factor f of the chosen one.
void binOffsets(double peakRe, double peakIm, double belowRe, double belowIm, double aboveRe, double aboveIm,
                double& d1, double& d2, double& f, double& d) {
  double r1, r2, unused;
  CBinTerp::ComplexDivide(belowRe, belowIm, peakRe, peakIm, r1, unused);
  CBinTerp::ComplexDivide(aboveRe, aboveIm, peakRe, peakIm, r2, unused);
  d1 = r1 / (1.0 - r1);
  d2 = -r2 / (1.0 - r2);
  d = d1 > 0 && d2 > 0 ? d2 : d1;
  const double q = d * d;
  f = (3 * q + 2) / (3 * q * q + 6 * q + 1);
}

}  // namespace

void CBinTerp::Algorithm3(double pr, double pi, double br, double bi, double ar, double ai,
                          double& delta) const {
  double d1, d2, f, d;
  binOffsets(pr, pi, br, bi, ar, ai, d1, d2, f, d);
  delta = (d2 - d1) * d * f + (d1 + d2) / 2;
}

void CBinTerp::Algorithm5(double pr, double pi, double br, double bi, double ar, double ai,
                          double& delta) const {
  double d1, d2, f, d;
  binOffsets(pr, pi, br, bi, ar, ai, d1, d2, f, d);
  delta = (d1 + d2) / 2;
}

void CBinTerp::Algorithm4(double pr, double pi, double br, double bi, double ar, double ai,
                          double& delta) const {
  double d1, d2, f, d;
  binOffsets(pr, pi, br, bi, ar, ai, d1, d2, f, d);
  delta = ((d2 * d2 - d1 * d1) * f + (d1 + d2)) / 2;
}
