// The code-word stage of the timecode demodulator on its own: timing, locking, direction, the speed and
// stability gates, parity and the bit operations. Speeds and spreads are given per hop, as the tracker would.

#include "dsp/timecode_demod.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "support/timecode_synth.h"

namespace {

using orvel_test::TimecodeSynth;

constexpr long kHop = 32;

void timingModulators(long bin, float* c, float* s) {
  const CHanning hann(128);
  for (long n = 0; n < 128; ++n) {
    c[n] = static_cast<float>(hann.GetWindow()[n] * std::cos(n * bin * 2 * M_PI / 128) / 128);
    s[n] = static_cast<float>(hann.GetWindow()[n] * std::sin(n * bin * 2 * M_PI / 128) / 128);
  }
}

// The demodulator as generation 4 sets it up.
std::unique_ptr<CVinylDemodDecode> generation4() {
  float c[128], s[128];
  timingModulators(20, c, s);
  const long bins[11] = {2, 5, 8, 11, 17, 20, 23, 26, 30, 33, 36};
  const CHanning hann(256);
  auto d = std::make_unique<CVinylDemodDecode>(512, hann.GetWindow(), c, s, 768, 0.25, 2.5, 8, 4, 2, 18, 8,
                                               11, bins, 44100.0);
  d->SetBitReversed(true);
  d->SetParityCheck(true);
  d->SetMaxErrMetric(0.45, 0);
  d->SetMaxErrMetric(0.9, 1);
  return d;
}

// Per-hop results of a run over a whole signal in buffers of `buffer` frames with one speed and spread for
// every hop.
struct DemodRun {
  std::vector<double> positions;
  std::vector<long> words;
  long decodedWords = 0;
};

DemodRun demodulate(CVinylDemodDecode& d, const std::vector<float>& interleaved, double speed, long spread,
                    long buffer = 1024, long from = 0) {
  std::vector<float> l, r;
  TimecodeSynth::split(interleaved, l, r);
  DemodRun run;
  const long hops = buffer / kHop + 1;
  std::vector<double> speeds(hops, speed), symI(704), symQ(704), errors(hops), positions(hops);
  std::vector<long> spreads(hops, spread), words(hops);
  for (long at = from; at + buffer <= static_cast<long>(l.size()); at += buffer) {
    long nWords = 0, nHops = 0;
    EXPECT_EQ(d.DemodSignalAndDecode(l.data() + at, r.data() + at, buffer, speeds.data(), spreads.data(),
                                     hops, kHop, kHop, symI.data(), symQ.data(), nWords, words.data(),
                                     errors.data(), positions.data(), nHops, 44100.0),
              0);
    EXPECT_EQ(nHops, buffer / kHop);
    run.positions.insert(run.positions.end(), positions.begin(), positions.begin() + nHops);
    run.words.insert(run.words.end(), words.begin(), words.begin() + nHops);
    run.decodedWords += nWords;
  }
  return run;
}

long countPositions(const DemodRun& run) {
  long n = 0;
  for (double p : run.positions) n += p >= 0 ? 1 : 0;
  return n;
}

}  // namespace

TEST(TimecodeDemodTest, BitOperations) {
  uint64_t out = 0;
  const uint64_t two = 0b10, oneZeroOne = 0b010, one = 1;
  CVinylDemodDecode::bit_deinterleave(&two, &out, 1, 2);
  EXPECT_EQ(out, 0b10u);
  CVinylDemodDecode::bit_deinterleave(&oneZeroOne, &out, 1, 3);
  EXPECT_EQ(out, 0b100u);
  CVinylDemodDecode::bit_reverse(&one, &out, 1, 18);
  EXPECT_EQ(out, uint64_t{1} << 17);
  const uint64_t words[4] = {0b0110, 0b0111, 1, 0xFFFF};
  uint64_t parity[4];
  CVinylDemodDecode::bit_parity_check(words, parity, 4, 4);
  EXPECT_EQ(parity[0], 0u);
  EXPECT_EQ(parity[1], 1u);
  CVinylDemodDecode::bit_parity_check(words + 2, parity, 1, 1);
  EXPECT_EQ(parity[0], 1u);  // fewer than two bits: bit 0 itself
  CVinylDemodDecode::bit_reverse(words + 3, &out, 1, 0);
  EXPECT_EQ(out, 0u);
}

TEST(TimecodeDemodTest, PeakFinderGivesIndexPowerAndFraction) {
  CBinPhaseBump bump(8);
  long index[2] = {-1, -1};
  double power[2] = {0, 0}, fraction[2] = {0, 0};
  const double first[8] = {9, 1, 2, 3, 4, 5, 6, 9};
  for (int i = 0; i < 7; ++i) EXPECT_FALSE(bump.BumpBinPhase(first[i], index, power, fraction));
  EXPECT_TRUE(bump.BumpBinPhase(first[7], index, power, fraction));
  EXPECT_EQ(index[0], 0);  // the first of two equal peaks
  EXPECT_EQ(power[0], 9.0);
  EXPECT_DOUBLE_EQ(fraction[0], 7.0 / 8);
  for (int i = 0; i < 8; ++i) bump.BumpBinPhase(i == 7 ? 5.0 : 1.0, index, power, fraction);
  EXPECT_EQ(index[0], 7);
  EXPECT_EQ(fraction[0], 0.0);
  EXPECT_EQ(index[1], 0);
  EXPECT_DOUBLE_EQ(fraction[1], 7.0 / 8);
}

TEST(TimecodeDemodTest, TimingTransformMeasuresItsBinEveryHop) {
  float c[128], s[128];
  timingModulators(20, c, s);
  CWindowedDotProd dot(c, s);
  std::vector<float> x(400);
  for (size_t i = 0; i < x.size(); ++i)
    x[i] = static_cast<float>(0.8 * std::cos(2 * M_PI * 20 * i / 128.0 + 1));
  long count = 10;
  EXPECT_FALSE(dot.StoreDataAndComputeDotProduct(x.data(), count, 16));
  EXPECT_EQ(count, 10);
  long done = 10;
  while (done < 400) {
    count = 400 - done;
    const bool product = dot.StoreDataAndComputeDotProduct(x.data() + done, count, 16);
    done += count;
    if (!product) break;
    EXPECT_EQ(done % 16, 0);
    // A whole window of the tone: |D| = amplitude / 2 x (window sum / 128) = 0.2.
    if (done >= 128) {
      EXPECT_NEAR(dot.GetDotProduct(), 0.04, 1e-4) << done;
    }
  }
  // Another bin's tone is not seen.
  CWindowedDotProd other(c, s);
  for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<float>(std::cos(2 * M_PI * 26 * i / 128.0));
  count = 128;
  EXPECT_TRUE(other.StoreDataAndComputeDotProduct(x.data(), count, 128));
  EXPECT_LT(other.GetDotProduct(), 1e-8);
}

TEST(TimecodeDemodTest, LocksOnTheSecondWordThenReportsEveryWord) {
  TimecodeSynth synth;
  auto d = generation4();
  const DemodRun run = demodulate(*d, synth.render(100.0, 1.0, 44100), 1.0, 0);
  // The first complete word only advances the lock; from then on every completed word is a position, in the
  // hop it completes in (one hop in sixteen at nominal speed), the other hops -1.
  long first = -1;
  for (size_t h = 0; h < run.positions.size(); ++h) {
    if (run.positions[h] >= 0) {
      first = static_cast<long>(h);
      break;
    }
  }
  ASSERT_GE(first, 16);
  EXPECT_LT(first, 40);
  const long found = countPositions(run);
  EXPECT_GE(found, (static_cast<long>(run.positions.size()) - first) / 16 - 1);
  EXPECT_LE(found, (static_cast<long>(run.positions.size()) - first) / 16 + 1);
  EXPECT_EQ(d->GetDemodState(), 3);
  for (size_t h = 0; h < run.positions.size(); ++h) {
    if (run.positions[h] < 0) {
      EXPECT_EQ(run.words[h], -32767);
      continue;
    }
    // Within a word of where the record is at the end of the hop (less the filters' short delay).
    const double truth = (100.0 + (h + 1) * kHop / 44100.0) * TimecodeSynth::kWordsPerSecond;
    EXPECT_NEAR(run.positions[h], truth - 0.3, 0.75) << h;
  }
}

TEST(TimecodeDemodTest, PositionsHoldWhereverWordBoundariesFallBetweenMeasurements) {
  // Eight measurements per word, 64 input samples apart: word boundaries at every offset within that step.
  // The frame and the fraction must come from the same measurement, or positions jump a word off when the
  // two channels peak on either side of a group boundary.
  for (int offset = 0; offset < 64; offset += 4) {
    TimecodeSynth synth;
    auto d = generation4();
    const double start = 30.0 + offset / 44100.0;
    const DemodRun run = demodulate(*d, synth.render(start, 1.0, 22050, 44100.0, 20.0, offset + 1), 1.0, 0);
    long found = 0;
    for (size_t h = 0; h < run.positions.size(); ++h) {
      if (run.positions[h] < 0) continue;
      ++found;
      const double truth = (start + (h + 1) * kHop / 44100.0) * TimecodeSynth::kWordsPerSecond;
      EXPECT_NEAR(run.positions[h], truth - 0.3, 0.6) << "offset " << offset << " hop " << h;
    }
    EXPECT_GT(found, 35) << offset;
  }
}

TEST(TimecodeDemodTest, ReversingClearsTheLockAndPositionsCountDown) {
  TimecodeSynth synth;
  auto d = generation4();
  demodulate(*d, synth.render(50.0, 1.0, 22050), 1.0, 0);
  EXPECT_EQ(d->GetDemodState(), 3);
  const DemodRun back = demodulate(*d, synth.render(50.5, -1.0, 44100), -1.0, 0);
  EXPECT_EQ(d->GetDemodState(), -3);
  std::vector<double> found;
  long first = -1;
  for (size_t h = 0; h < back.positions.size(); ++h) {
    if (back.positions[h] < 0) continue;
    if (first < 0) first = static_cast<long>(h);
    found.push_back(back.positions[h]);
    const double truth = (50.5 - (h + 1) * kHop / 44100.0) * TimecodeSynth::kWordsPerSecond;
    EXPECT_NEAR(back.positions[h], truth + 0.3, 0.75) << h;
  }
  EXPECT_GE(first, 16);  // the first word in the new direction gives none
  ASSERT_GT(found.size(), 50u);
  for (size_t i = 1; i < found.size(); ++i) EXPECT_LT(found[i], found[i - 1]);
}

TEST(TimecodeDemodTest, SpeedRangeAndSpreadLimitGateEveryHop) {
  struct Case {
    double speed;
    long spread;
    bool accepted;
  };
  for (const Case& c :
       {Case{0.25, 0, true}, Case{2.5, 0, true}, Case{0.2499, 0, false}, Case{2.5001, 0, false},
        Case{1.0, 2, true}, Case{1.0, 3, false}, Case{-2.5, 0, true}}) {
    TimecodeSynth synth;
    auto d = generation4();
    const DemodRun run = demodulate(*d, synth.render(200.0, c.speed, 4 * 4096), c.speed, c.spread, 4096);
    if (c.accepted) {
      EXPECT_GT(countPositions(run), 0) << c.speed << " " << c.spread;
      EXPECT_EQ(std::abs(d->GetDemodState()), 3) << c.speed;
    } else {
      EXPECT_EQ(countPositions(run), 0) << c.speed << " " << c.spread;
      EXPECT_EQ(run.decodedWords, 0);
      EXPECT_EQ(d->GetDemodState(), 0);
    }
  }
}

TEST(TimecodeDemodTest, AWordWithWrongParityGivesNoPosition) {
  TimecodeSynth damaged;
  damaged.wrongParity = true;
  auto d = generation4();
  const DemodRun run = demodulate(*d, damaged.render(20.0, 1.0, 44100), 1.0, 0);
  EXPECT_GT(run.decodedWords, 60);
  EXPECT_EQ(countPositions(run), 0);
  // The words themselves decode cleanly: only the parity refuses them.
  EXPECT_LT(d->GetDecodeErrorMetric(), 0.1);

  // Without the parity check the same signal gives positions (of the 18-bit words).
  auto unchecked = generation4();
  unchecked->SetParityCheck(false);
  EXPECT_GT(countPositions(demodulate(*unchecked, damaged.render(20.0, 1.0, 44100), 1.0, 0)), 60);
}

TEST(TimecodeDemodTest, RefusesABufferItsHopsCannotCover) {
  auto d = generation4();
  std::vector<float> l(100), r(100);
  std::vector<double> speeds(3, 1.0), symI(704), symQ(704), errors(3), positions(3, 5.0);
  std::vector<long> spreads(3, 0), words(3);
  long nWords = 7, nHops = 7;
  EXPECT_EQ(d->DemodSignalAndDecode(l.data(), r.data(), 100, speeds.data(), spreads.data(), 3, kHop, kHop,
                                    symI.data(), symQ.data(), nWords, words.data(), errors.data(),
                                    positions.data(), nHops, 44100.0),
            -1);
  EXPECT_EQ(nHops, 7);
  EXPECT_EQ(positions[0], 5.0);
}
