// The pilot tracker: speed and direction from the strongest line of left + i right, strength from the power,
// the warm-up and the peak bin's median and spread.

#include "dsp/timecode_freq_track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A complex tone at `bin` of a 256-point transform at 44100 Hz: left = A cos, right = A sin (or swapped).
void tone(double bin, double amplitude, long n, std::vector<float>& l, std::vector<float>& r,
          bool swapped = false, long from = 0) {
  l.resize(n);
  r.resize(n);
  for (long i = 0; i < n; ++i) {
    const double a = 2 * M_PI * bin * static_cast<double>(i + from) / 256;
    l[i] = static_cast<float>(amplitude * std::cos(a));
    r[i] = static_cast<float>(amplitude * std::sin(a));
    if (swapped) std::swap(l[i], r[i]);
  }
}

// The tracker as generation 4 sets it up (no decimation, hop 32, three-point medians, bin median off).
std::unique_ptr<CVinylFreqTrack> generation4Tracker(double sensitivity = 1.0, double shelfGain = 0.0001) {
  auto t = std::make_unique<CVinylFreqTrack>(44100.0, 32, 1, true, 1.0 / 8);
  t->SetLoShelfGain(shelfGain);
  t->SetPowerThreshold(-30.0);
  t->SetSensitivity(sensitivity);
  t->SetDecimationStagesHopSizeFiltLengUseMedi(0, 32, 3, false);
  t->SetFreqScaler(1.0 / 7);
  t->SetLoShelfCutoff(250.0);
  t->ClearState();
  return t;
}

struct Hops {
  std::vector<double> speed = std::vector<double>(512), power = std::vector<double>(512);
  std::vector<long> spread = std::vector<long>(512);
  long count = 0;
};

Hops run(CVinylFreqTrack& t, std::vector<float> l, std::vector<float> r) {
  Hops h;
  t.ProcessFloatBuffer(l.data(), r.data(), static_cast<long>(l.size()), h.speed.data(), h.power.data(),
                       44100.0, h.spread.data(), h.count);
  return h;
}

}  // namespace

TEST(TimecodeFreqTrackTest, WarmUpThenSpeedAndDirectionOfThePilot) {
  auto t = generation4Tracker();
  std::vector<float> l, r;
  tone(7, 0.5, 4096, l, r);
  const Hops h = run(*t, l, r);
  ASSERT_EQ(h.count, 128);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(h.speed[i], 0.0) << i;
    EXPECT_LT(h.power[i], 0.01) << i;
  }
  for (int i = 16; i < h.count; ++i) {
    ASSERT_NEAR(h.speed[i], 1.0, 1e-4) << i;
    ASSERT_GT(h.power[i], 0.99) << i;
    ASSERT_EQ(h.spread[i], 0) << i;
  }
  EXPECT_EQ(t->GetCurrBin(), 7);

  auto back = generation4Tracker();
  tone(7, 0.5, 4096, l, r, true);
  const Hops b = run(*back, l, r);
  for (int i = 16; i < b.count; ++i) ASSERT_NEAR(b.speed[i], -1.0, 1e-4) << i;
  EXPECT_EQ(back->GetCurrBin(), 249);
}

TEST(TimecodeFreqTrackTest, FractionalBinsStayWithinHalfABin) {
  struct Case {
    double bin, lo, hi;
  };
  // Between two bins; at DC; one bin below DC (bin 255).
  for (const Case& c :
       {Case{7.5, 7.4, 7.6}, Case{0.2, -0.5, 0.5}, Case{-1.0, -1.5, -0.5}, Case{-0.7, -1.5, 0.5}}) {
    auto t = generation4Tracker(1.0, 1.0);  // no low cut, so DC passes
    t->SetFreqScaler(1.0);
    std::vector<float> l, r;
    tone(c.bin, 0.5, 4096, l, r);
    const Hops h = run(*t, l, r);
    for (int i = 16; i < h.count; ++i) {
      ASSERT_GE(h.speed[i], c.lo) << c.bin;
      ASSERT_LE(h.speed[i], c.hi) << c.bin;
    }
  }
}

TEST(TimecodeFreqTrackTest, StrengthFollowsPowerAroundTheThreshold) {
  struct Case {
    double sensitivity, dB, strength, tolerance;
  };
  for (const Case& c : {Case{2, 0, 0.5, 0.01}, Case{2, 10, 0.998, 0.001}, Case{2, -10, 0.016, 0.002},
                        Case{1, 10, 0.997, 0.001}, Case{1, -10, 0.032, 0.002}}) {
    auto t = generation4Tracker(c.sensitivity, 1.0);
    std::vector<float> l, r;
    tone(7, std::sqrt(std::pow(10.0, (c.dB - 30) / 10)), 2048, l, r);
    const Hops h = run(*t, l, r);
    EXPECT_NEAR(h.power[h.count - 1], c.strength, c.tolerance) << c.sensitivity << " " << c.dB;
  }
  // Silence: strength near 0 and speed 0.
  auto t = generation4Tracker();
  const Hops h = run(*t, std::vector<float>(2048), std::vector<float>(2048));
  EXPECT_EQ(h.speed[h.count - 1], 0.0);
  EXPECT_LT(h.power[h.count - 1], 0.005);
}

TEST(TimecodeFreqTrackTest, BinMedianIgnoresASingleJumpAndReportsItsSpread) {
  CFFTFreqTerp terp;
  terp.SetMedFiltLeng(5);
  terp.UseBinMedFilt(true);
  terp.ClearState();
  terp.SetWinTick(CFFTFreqTerp::kWarmUpFrames);
  std::vector<long> bins, spreads;
  // Non-overlapping frames (hop 256): four of bin 10, one of bin 30, then bin 10 again.
  for (int frame = 0; frame < 9; ++frame) {
    std::vector<float> l, r;
    tone(frame == 4 ? 30 : 10, 0.5, 256, l, r);
    long avail = 256, nOut = 256, bin = -1, spread = -1;
    double freq, power, peak;
    terp.AnalyzeBuffer(l.data(), r.data(), avail, nOut, 256, freq, power, peak, true, bin, spread);
    ASSERT_EQ(nOut, 256);
    bins.push_back(bin);
    spreads.push_back(spread);
  }
  for (int frame = 4; frame < 9; ++frame) EXPECT_EQ(bins[frame], 10) << frame;
  EXPECT_EQ(spreads[4], 20);
  EXPECT_EQ(spreads[8], 20);
}

TEST(TimecodeFreqTrackTest, HopsRunContinuouslyAcrossBuffers) {
  auto whole = generation4Tracker();
  auto pieces = generation4Tracker();
  std::vector<float> l, r;
  tone(7.3, 0.3, 3000, l, r);
  const Hops a = run(*whole, l, r);
  std::vector<double> speeds;
  for (long at = 0; at < 3000; at += 77) {
    const long n = std::min(77L, 3000 - at);
    const Hops h = run(*pieces, std::vector<float>(l.begin() + at, l.begin() + at + n),
                       std::vector<float>(r.begin() + at, r.begin() + at + n));
    speeds.insert(speeds.end(), h.speed.begin(), h.speed.begin() + h.count);
  }
  ASSERT_EQ(static_cast<long>(speeds.size()), a.count);
  for (long i = 0; i < a.count; ++i) EXPECT_NEAR(speeds[i], a.speed[i], 1e-12) << i;
}
