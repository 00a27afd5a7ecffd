// The analysis results of a table of generated tracks, pinned: tempo, beat
// marks, auto-gain and the waveform display data must stay what they are when
// the analysis is made faster. Tempo, marks, gain and waveform data are pinned
// bit for bit. The raw onset envelope depends on the FFT library's choice of
// algorithm (its last bits may differ between plans), so it is pinned by
// sums, to a relative 1e-5.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "track_analysis_signals.h"

namespace {

using track_analysis::Material;
using track_analysis::TrackRecipe;

std::vector<int> marks(const std::vector<float>& low, int count) {
  std::vector<int> out;
  for (int i = 0; i < count; ++i) {
    if (low[i] >= 54.999f) out.push_back(i);
  }
  return out;
}

struct Pinned {
  TrackRecipe track;
  int suggestedBpm;
  bool steady;
  // Expected results.
  float bpm;
  float gain;
  int markCount;
  uint64_t markHash;
  uint64_t rmsHash, lowHash, highHash;
  double onsetSum, onsetSquares, onsetMoment;
};

std::string caseName(const Pinned& p) {
  return std::string(p.track.name) + (p.steady ? "_steady" : "");
}
void PrintTo(const Pinned& p, std::ostream* out) {
  *out << caseName(p);
}

// The table. The last three numbers: the sum of the onsets, of their squares,
// and of index x onset / points.
const Pinned kPinned[] = {
#include "analysis_results_pinned_table.inc"
};

class AnalysisResultsPinned : public ::testing::TestWithParam<Pinned> {};

TEST_P(AnalysisResultsPinned, SameResultsAsPinned) {
  const Pinned& p = GetParam();
  track_analysis::Analyser analyser(p.steady);
  const track_analysis::Result r = analyser.run(track_analysis::makeTrack(p.track), p.suggestedBpm);
  const std::vector<int> m = marks(r.low, r.points);
  double sum = 0, squares = 0, moment = 0;
  for (int i = 0; i < r.points; ++i) {
    sum += r.onsets[i];
    squares += static_cast<double>(r.onsets[i]) * r.onsets[i];
    moment += static_cast<double>(i) / r.points * r.onsets[i];
  }
  char row[600];
  std::snprintf(row, sizeof row,
                "bpm %a gain %a marks %d 0x%016" PRIx64 " rms 0x%016" PRIx64 " low 0x%016" PRIx64
                " high 0x%016" PRIx64 " onsets %.9g %.9g %.9g",
                r.bpm, r.gain, static_cast<int>(m.size()), orvel_test::bitsHash(m.data(), m.size()),
                orvel_test::bitsHash(r.rms.data(), r.points), orvel_test::bitsHash(r.low.data(), r.points),
                orvel_test::bitsHash(r.high.data(), r.points), sum, squares, moment);
  SCOPED_TRACE(row);
  EXPECT_EQ(r.bpm, p.bpm);
  // The off-beat hat once moved these by most of a BPM (a beat's slip every 70 s): the pin must stay
  // true, not only unchanged.
  if (p.track.material == Material::kKickHatChord) {
    EXPECT_NEAR(r.bpm, p.track.bpmStart, 0.05);
  }
  EXPECT_EQ(r.gain, p.gain);
  EXPECT_EQ(static_cast<int>(m.size()), p.markCount);
  EXPECT_EQ(orvel_test::bitsHash(m.data(), m.size()), p.markHash);
  EXPECT_EQ(orvel_test::bitsHash(r.rms.data(), r.points), p.rmsHash);
  EXPECT_EQ(orvel_test::bitsHash(r.low.data(), r.points), p.lowHash);
  EXPECT_EQ(orvel_test::bitsHash(r.high.data(), r.points), p.highHash);
  EXPECT_NEAR(sum, p.onsetSum, 1e-5 * std::fabs(p.onsetSum) + 1e-9);
  EXPECT_NEAR(squares, p.onsetSquares, 1e-5 * std::fabs(p.onsetSquares) + 1e-9);
  EXPECT_NEAR(moment, p.onsetMoment, 1e-5 * std::fabs(p.onsetMoment) + 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Tracks, AnalysisResultsPinned, ::testing::ValuesIn(kPinned),
                         [](const ::testing::TestParamInfo<Pinned>& info) { return caseName(info.param); });

}  // namespace
