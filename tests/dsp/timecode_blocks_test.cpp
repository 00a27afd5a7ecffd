// The timecode demodulator's small blocks: delay ring, Hann windows, arc-tangent, shelf filter, half-band
// decimator and linear resampler.

#include "dsp/timecode_blocks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

namespace {

std::vector<float> ramp(long n, float from = 1.0f) {
  std::vector<float> v(n);
  std::iota(v.begin(), v.end(), from);
  return v;
}

// Amplitude of a sine of freq (cycles per sample) after `run`, measured over the second half of the output.
template <class Run>
double gainAt(double freq, Run run) {
  const long n = 8192;
  std::vector<float> l(n), r(n);
  for (long i = 0; i < n; ++i) l[i] = r[i] = static_cast<float>(std::sin(2 * M_PI * freq * i));
  const long out = run(l, r);
  double power = 0;
  for (long i = out / 2; i < out; ++i) power += static_cast<double>(l[i]) * l[i];
  return std::sqrt(2 * power / static_cast<double>(out - out / 2));
}

}  // namespace

TEST(TimecodeBlocksTest, DelayRingDelaysByItsLengthAndReportsItsState) {
  CZinvStereo ring(128);
  const std::vector<float> in = ramp(300);
  std::vector<float> outL(300), outR(300);
  ring.DelayIt(in.data(), in.data(), outL.data(), outR.data(), 300);
  for (long i = 0; i < 128; ++i) ASSERT_EQ(outL[i], 0.0f) << i;
  for (long i = 128; i < 300; ++i) ASSERT_EQ(outL[i], in[i - 128]) << i;

  // The newest 100 samples, oldest first; and in place, the ring delays the same way.
  std::vector<float> l(100), r(100);
  EXPECT_EQ(ring.GetState(l.data(), r.data(), 100, 128 - 100), 100);
  for (long i = 0; i < 100; ++i) EXPECT_EQ(l[i], in[200 + i]);
  std::vector<float> same = ramp(128, 1000.0f);
  ring.DelayIt(same.data(), same.data(), same.data(), same.data(), 128);
  EXPECT_EQ(same[0], in[172]);
  EXPECT_EQ(same[127], in[299]);

  EXPECT_EQ(ring.SetState(l.data(), r.data(), 100), -1);
  std::vector<float> full = ramp(128, 5.0f);
  EXPECT_EQ(ring.SetState(full.data(), full.data(), 128), 0);
  EXPECT_EQ(ring.GetStateIndex(), 0);
  ring.ClearState();
  std::vector<float> cl(128, 1.0f), cr(128, 1.0f);
  EXPECT_EQ(ring.GetState(cl.data(), cr.data(), 1000, 0), 128);
  EXPECT_EQ(cl, std::vector<float>(128, 0.0f));
}

TEST(TimecodeBlocksTest, HannWindowIsPeriodicAndShared) {
  const CHanning a(256), b(256), c(128);
  EXPECT_EQ(a.GetWindow(), b.GetWindow());
  EXPECT_EQ(a.GetWindowLeng(), 256);
  EXPECT_EQ(a.GetWindow()[0], 0.0f);
  EXPECT_FLOAT_EQ(a.GetWindow()[128], 1.0f);
  EXPECT_FLOAT_EQ(a.GetWindow()[64], 0.5f);
  EXPECT_NEAR(a.GetWindow()[1], a.GetWindow()[255], 1e-6);  // periodic: w[n] = w[N - n]
  EXPECT_FLOAT_EQ(c.GetWindow()[32], 0.5f);
}

TEST(TimecodeBlocksTest, ArcTangentApproximation) {
  const CMyArcTanApprox a;
  for (double x = -50; x <= 50; x += 0.01) ASSERT_NEAR(a.approx_arctan(x), std::atan(x), 2e-6) << x;
  EXPECT_NEAR(a.approx_arctan(1.0), M_PI / 4, 1e-6);
  EXPECT_EQ(a.approx_arctan(-3.0), -a.approx_arctan(3.0));
  EXPECT_NEAR(a.approx_arctan(1e9), CMyArcTanApprox::halfpi, 1e-8);
}

TEST(TimecodeBlocksTest, ShelfFilterGains) {
  CBJShelfEQ shelf;
  EXPECT_FLOAT_EQ(shelf.GetTapweight(), -0.9858529567718506f);
  shelf.UpdateTapweight(100.0, 44100.0);
  EXPECT_FLOAT_EQ(shelf.GetTapweight(), -0.9858529567718506f);
  shelf.SetGain(0.0001f);
  auto run = [&](std::vector<float>& l, std::vector<float>&) {
    shelf.SetState(0.0f);
    shelf.ProcessBuffer(l.data(), l.data(), static_cast<long>(l.size()));
    return static_cast<long>(l.size());
  };
  EXPECT_NEAR(gainAt(100.0 / 44100, run), std::sqrt(0.5), 0.01);
  EXPECT_NEAR(gainAt(0.5 - 1.0 / 64, run), 1.0, 0.01);
  // At 0 Hz: a constant comes out scaled by the gain once the all-pass has settled.
  std::vector<float> dc(20000, 1.0f);
  shelf.SetState(0.0f);
  shelf.ProcessBuffer(dc.data(), dc.data(), 20000);
  EXPECT_NEAR(dc.back(), 0.0001, 1e-5);
}

TEST(TimecodeBlocksTest, HalfBandDecimatorCountsHoldsAndFilters) {
  CHalfBandDecimatorStereo d(1);
  const std::vector<float> in = ramp(8);
  std::vector<float> l(8), r(8);
  long out = 0;
  d.HalfBandDecimate(in.data(), in.data(), l.data(), r.data(), 7, out);
  EXPECT_EQ(out, 3);
  EXPECT_EQ(d.GetZinvL(0), 7.0);  // the seventh sample waits for its partner
  d.HalfBandDecimate(in.data() + 7, in.data() + 7, l.data(), r.data(), 1, out);
  EXPECT_EQ(out, 1);
  EXPECT_EQ(d.GetToggled(), 0);

  d.SetCurrNumStages(2);  // above its capacity: ignored
  EXPECT_EQ(d.GetCurrNumStages(), 1);
  d.SetCurrNumStages(0);
  d.HalfBandDecimate(in.data(), in.data(), l.data(), r.data(), 8, out);
  EXPECT_EQ(out, 8);
  EXPECT_EQ(l, in);

  // A half-band low-pass: the timecode's band passes flat, the upper quarter of the band is stopped.
  auto run = [](std::vector<float>& left, std::vector<float>& right) {
    CHalfBandDecimatorStereo dec(1);
    long n = 0;
    dec.HalfBandDecimate(left.data(), right.data(), left.data(), right.data(), static_cast<long>(left.size()),
                         n);
    return n;
  };
  for (double hz : {100.0, 1205.0, 3100.0, 8000.0}) EXPECT_NEAR(gainAt(hz / 44100, run), 1.0, 0.01) << hz;
  for (double hz : {12500.0, 16000.0, 20000.0}) EXPECT_LT(gainAt(hz / 44100, run), 0.03) << hz;

  // Two stages decimate by four.
  CHalfBandDecimatorStereo two(2);
  std::vector<float> many = ramp(1000), manyR = ramp(1000);
  two.HalfBandDecimate(many.data(), manyR.data(), many.data(), manyR.data(), 1000, out);
  EXPECT_EQ(out, 250);
}

TEST(TimecodeBlocksTest, HalfBandDecimatorStateTransfer) {
  CHalfBandDecimatorStereo a(1), b(1);
  std::vector<float> in(101), out1(101), out2(101), r(101);
  for (int i = 0; i < 101; ++i) in[i] = static_cast<float>(std::sin(i * 0.3));
  long n = 0;
  a.HalfBandDecimate(in.data(), in.data(), out1.data(), r.data(), 101, n);
  double s0l[2], s0r[2], s1l[2], s1r[2];
  a.GetState0(0, s0l, s0r);
  a.GetState1(0, s1l, s1r);
  b.SetState0(0, s0l, s0r);
  b.SetState1(0, s1l, s1r);
  b.SetZinv(0, a.GetZinvL(0), a.GetZinvR(0));
  b.SetToggled(a.GetToggled());
  long n1 = 0, n2 = 0;
  a.HalfBandDecimate(in.data(), in.data(), out1.data(), r.data(), 101, n1);
  b.HalfBandDecimate(in.data(), in.data(), out2.data(), r.data(), 101, n2);
  ASSERT_EQ(n1, n2);
  for (long i = 0; i < n1; ++i) EXPECT_EQ(out1[i], out2[i]);
}

TEST(TimecodeBlocksTest, LinearResamplerSteps) {
  const std::vector<float> in = ramp(10);
  std::vector<float> l(64), r(64);
  {
    // Step 0.5 across calls: two outputs per input, continuing seamlessly, after a delay of one input.
    CStereoLinTerp up;
    const std::vector<float> longRamp = ramp(100);
    std::vector<float> all;
    for (long at = 0; at < 100; at += 10) {
      long used = 10, made = 64;
      up.ResampleBuff(longRamp.data() + at, longRamp.data() + at, l.data(), r.data(), used, 0.5, made);
      EXPECT_EQ(used, 10);
      all.insert(all.end(), l.begin(), l.begin() + made);
    }
    EXPECT_NEAR(static_cast<double>(all.size()), 200.0, 3.0);
    for (size_t j = 2; j < all.size(); ++j) ASSERT_FLOAT_EQ(all[j], 0.5f * (j - 2)) << j;
  }
  {
    CStereoLinTerp down;
    long used = 10, made = 64;
    down.ResampleBuff(in.data(), in.data(), l.data(), r.data(), used, 2.0, made);
    EXPECT_EQ(used, 10);
    EXPECT_EQ(made, 6);
    for (long j = 1; j < made; ++j) EXPECT_EQ(l[j], 2.0f * j - 1) << j;
  }
  {
    // Output room full: it stops and reports the input consumed so far; the rest follows in the next call.
    CStereoLinTerp full;
    long used = 10, made = 4;
    full.ResampleBuff(in.data(), in.data(), l.data(), r.data(), used, 0.5, made);
    EXPECT_EQ(made, 4);
    EXPECT_EQ(used, 2);
    EXPECT_EQ(full.NumSampsRequired(4, 0.5), 2);
    float state[2];
    EXPECT_EQ(full.GetStateL(state, 1), -1);
    EXPECT_EQ(full.GetStateL(state, 2), 2);
    EXPECT_EQ(state[1], 2.0f);
  }
}
