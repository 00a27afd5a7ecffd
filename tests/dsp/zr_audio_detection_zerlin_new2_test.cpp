#include "dsp/zr_audio_detection_zerlin_new2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "beat_test_signals.h"
#include "dsp/beat_grid_marking.h"

namespace {

using beat_test::analyse;
using beat_test::beatSamples;
using beat_test::markedPoints;

std::unique_ptr<ZRAudioDetection> newDetector(bool steady) {
  std::unique_ptr<ZRAudioDetection> d(ZRAudioDetection::create(true, false, steady));
  d->setMarkValues(55, 65);
  return d;
}

// Offsets (in display points) of every mark from the nearest beat.
std::vector<double> markOffsets(const std::vector<int>& marks, const std::vector<long>& beats) {
  std::vector<double> out;
  for (int m : marks) {
    double best = 1e9;
    for (long b : beats) {
      const double d = m - b / 100.0;
      if (fabs(d) < fabs(best)) best = d;
    }
    out.push_back(best);
  }
  return out;
}

struct TempoCase {
  double bpm;
  int suggested;
  bool drums;
};

// A readable name for test names and CTest's list, e.g. "128bpm_drums".
std::string caseName(const TempoCase& c) {
  return std::to_string(static_cast<int>(c.bpm)) + "bpm_" + (c.drums ? "drums" : "clicks");
}
void PrintTo(const TempoCase& c, std::ostream* out) {
  *out << caseName(c);
}

// Every mark sits on a beat and almost every beat is marked.
void expectMarksOnBeats(const beat_test::Analysis& a, const std::vector<long>& beats, double tolerance,
                        double minShare) {
  const std::vector<int> marks = markedPoints(a.marks, a.count);
  ASSERT_GE(marks.size(), static_cast<size_t>(beats.size() * minShare));
  EXPECT_LE(marks.size(), beats.size());
  int near = 0;
  for (double o : markOffsets(marks, beats)) near += fabs(o) <= tolerance;
  EXPECT_GE(near, static_cast<int>(marks.size() * minShare));
}

class New2TempoTest : public ::testing::TestWithParam<TempoCase> {};

TEST_P(New2TempoTest, DetectsTempoAndMarksTheBeats) {
  const TempoCase c = GetParam();
  const double seconds = 60;
  const std::vector<long> beats = beatSamples(c.bpm, c.bpm, seconds);
  const std::vector<float> audio =
      c.drums ? beat_test::drumPattern(beats, seconds) : beat_test::clickTrack(beats, seconds);
  auto d = newDetector(false);
  const auto a = analyse(*d, audio, c.suggested);
  EXPECT_EQ(a.result, 1);
  EXPECT_NEAR(a.bpm, c.bpm, 0.1) << (c.drums ? "drums " : "clicks ") << c.bpm;
  expectMarksOnBeats(a, beats, 3.0, 0.97);
}

INSTANTIATE_TEST_SUITE_P(
    Tempos, New2TempoTest,
    ::testing::Values(TempoCase{70, -2, false}, TempoCase{95, -1, false}, TempoCase{120, -1, false},
                      TempoCase{128, -1, false}, TempoCase{140, -1, false}, TempoCase{174, -3, false},
                      TempoCase{70, -2, true}, TempoCase{95, -1, true}, TempoCase{120, -1, true},
                      TempoCase{128, -1, true}, TempoCase{140, -1, true}, TempoCase{174, -3, true}),
    [](const ::testing::TestParamInfo<TempoCase>& info) { return caseName(info.param); });

TEST(New2DetectorTest, TempoRampIsFollowedByTheBeatTracker) {
  const double seconds = 60;
  const std::vector<long> beats = beatSamples(116, 124, seconds);
  auto d = newDetector(false);
  const auto a = analyse(*d, beat_test::drumPattern(beats, seconds), -1);
  EXPECT_NEAR(a.bpm, 120, 3);
  expectMarksOnBeats(a, beats, 4.0, 0.9);
}

TEST(New2DetectorTest, SteadyModeLaysARigidGridOnTheBeats) {
  const double seconds = 60;
  const std::vector<long> beats = beatSamples(125, 125, seconds);
  auto d = newDetector(true);
  EXPECT_TRUE(d->isBeatGridSuitableForAlwaysInSync());
  const auto a = analyse(*d, beat_test::clickTrack(beats, seconds), -1);
  EXPECT_EQ(a.bpm, 125.0f);  // within 0.15 of a whole number: snapped
  const std::vector<int> marks = markedPoints(a.marks, a.count);
  ASSERT_GT(marks.size(), 100u);
  const double period = 26460.0 / 125;
  for (size_t i = 1; i < marks.size(); ++i) EXPECT_NEAR(marks[i] - marks[i - 1], period, 1.0);
  expectMarksOnBeats(a, beats, 3.0, 0.97);
}

TEST(New2DetectorTest, SteadyModeTypedBpmWins) {
  const double seconds = 40;
  auto d = newDetector(true);
  const auto a = analyse(*d, beat_test::clickTrack(beatSamples(126.5, 126.5, seconds), seconds), 128);
  EXPECT_EQ(a.bpm, 128.0f);
  auto plain = newDetector(false);
  const auto b = analyse(*plain, beat_test::clickTrack(beatSamples(126.5, 126.5, seconds), seconds), 128);
  EXPECT_NEAR(b.bpm, 127.5, 1.3);  // confined to 127..129 without the override
  EXPECT_NE(b.bpm, 128.0f);
}

TEST(New2DetectorTest, ShortOrSilentTracksHaveNoTempo) {
  auto d = newDetector(false);
  // 9.9 seconds: under the 10 seconds the estimators need.
  const auto s = analyse(*d, beat_test::clickTrack(beatSamples(120, 120, 9.9), 9.9), -1);
  EXPECT_EQ(s.result, 1);
  EXPECT_EQ(s.bpm, 0.0f);
  EXPECT_TRUE(markedPoints(s.marks, s.count).empty());
  // Silence after a real track on the same detector: no tempo, no marks, and
  // nothing left over from the previous track.
  const auto t = analyse(*d, beat_test::clickTrack(beatSamples(120, 120, 30), 30), -1);
  EXPECT_GT(t.bpm, 0.0f);
  const auto q = analyse(*d, std::vector<float>(44100 * 20, 0.0f), -1);
  EXPECT_EQ(q.bpm, 0.0f);
  EXPECT_TRUE(markedPoints(q.marks, q.count).empty());
  for (int i = 0; i < q.count; ++i) ASSERT_EQ(q.onsets[i], 0.0f) << i;
  EXPECT_EQ(d->getTestBPM(), 0.0f);
}

TEST(New2DetectorTest, ReusedDetectorMatchesAFreshOne) {
  const std::vector<float> first = beat_test::drumPattern(beatSamples(100, 100, 15), 15);
  const std::vector<float> second = beat_test::clickTrack(beatSamples(133, 133, 15), 15);
  auto reused = newDetector(false);
  analyse(*reused, first, -1);
  const auto a = analyse(*reused, second, -1);
  auto fresh = newDetector(false);
  const auto b = analyse(*fresh, second, -1);
  EXPECT_EQ(a.bpm, b.bpm);
  EXPECT_EQ(a.onsets, b.onsets);
  EXPECT_EQ(a.marks, b.marks);
}

TEST(New2DetectorTest, EveryBlockYieldsOneSecondOfOnsets) {
  auto d = newDetector(false);
  d->resetAndStartProcessing(44100 * 3, 0);
  std::vector<float> block(44100, 0.1f), onsets(2000, -1.0f);
  d->process(block.data(), 44100, 1, onsets.data(), 0);
  EXPECT_NE(onsets[440], -1.0f);
  EXPECT_EQ(onsets[441], -1.0f);
  d->process(block.data(), 44100, 1, onsets.data() + 441, 0);
  EXPECT_NE(onsets[881], -1.0f);
  EXPECT_EQ(onsets[882], -1.0f);
  // Without an onset array the block is not even stored.
  d->process(block.data(), 44100, 1, nullptr, 0);
  d->process(block.data(), 44100, 1, onsets.data() + 882, 0);
  EXPECT_NE(onsets[1322], -1.0f);
  EXPECT_EQ(onsets[1323], -1.0f);
}

TEST(New2DetectorTest, BpmRanges) {
  struct Case {
    int suggested;
    float lo, hi;
  } cases[] = {{-1, 76, 150},  {0, 76, 150}, {49, 76, 150},   {-2, 56, 100},
               {-3, 101, 195}, {50, 49, 51}, {128, 127, 129}, {-7, 76, 150}};
  for (const Case& c : cases) {
    float lo, hi;
    ZRAudioDetectionZerlinNew2::bpmRange(c.suggested, lo, hi);
    EXPECT_EQ(lo, c.lo) << c.suggested;
    EXPECT_EQ(hi, c.hi) << c.suggested;
  }
}

TEST(New2DetectorTest, TypedLowBpmNeverReadsPastTheOnsets) {
  // 19 seconds of onsets make one 10-second segment whose longest lag (8
  // periods of 49 BPM) reaches past the end. Values beyond the envelope are
  // poisoned: reading them would make 49 BPM win by far.
  const int n = 441 * 19;
  std::vector<float> onsets(n + 6000, 1e6f);
  for (int i = 0; i < n; ++i) onsets[i] = 0.1f;
  EXPECT_EQ(ZRAudioDetectionZerlinNew2::getBPMEstimateAutocorrelationClassicAdaptive_new(onsets.data(), n,
                                                                                         441, 49, 51),
            51.0f);
  const float comb = ZRAudioDetectionZerlinNew2::getBPMEstimateCombFilter_new(onsets.data(), n, 441, 49, 51);
  EXPECT_GE(comb, 49.0f);
  EXPECT_LE(comb, 165.0f);
  // Through the whole analysis with the typed BPM 50.
  auto d = newDetector(false);
  const auto a = analyse(*d, beat_test::clickTrack(beatSamples(50, 50, 19), 19), 50);
  EXPECT_NEAR(a.bpm, 50, 1.2);
}

TEST(New2DetectorTest, EstimatorFallbacks) {
  std::vector<float> zeros(441 * 20, 0.0f);
  EXPECT_EQ(ZRAudioDetectionZerlinNew2::getBPMEstimateAutocorrelationClassicAdaptive_new(
                zeros.data(), 441 * 5, 441, 76, 150),
            150.0f);  // no segment: every score 0, the last candidate wins
  EXPECT_EQ(ZRAudioDetectionZerlinNew2::getBPMEstimateCombFilter_new(zeros.data(), 441 * 20, 441, 76, 150),
            -1.0f);
  EXPECT_EQ(ZRAudioDetectionZerlinNew2::getBPMEstimateCombFilter_new(zeros.data(), 441 * 20, 441, -1, 150),
            -1.0f);
}

// The refinement finds the strongest periodicity near the estimate on long
// tracks too. Beats at 124 BPM with a weaker pulse at another tempo within
// 1.2 BPM: eight first points 0.34 BPM apart straddle 124 and, for tracks of
// some minutes, miss its narrow peak and settle on the weaker pulse's
// (124.86 or 125.2 read instead of 124).
TEST(New2DetectorTest, RefinementFindsTheTempoOfLongTracks) {
  struct Case {
    double seconds, otherBpm;
    double otherLevel;
  };
  for (const Case& c : {Case{240, 124.86, 0.35}, Case{240, 125.2, 0.5}, Case{600, 124.86, 0.2},
                        Case{600, 125.2, 0.2}, Case{600, 123.14, 0.35}}) {
    const int count = static_cast<int>(c.seconds * 441);
    std::vector<float> onsets(count, 0.0f);
    for (double b = 10; b < count - 5; b += 26460.0 / 124.0) onsets[lrint(b)] += 1.0f;
    for (double b = 50; b < count - 5; b += 26460.0 / c.otherBpm)
      onsets[lrint(b)] += static_cast<float>(c.otherLevel);
    const auto r = ZRAudioDetectionZerlinNew2::refineTempo(onsets.data(), count, 124.0f);
    EXPECT_NEAR(r.bpm, 124.0, 0.01) << c.seconds << " s with " << c.otherBpm << " BPM at " << c.otherLevel;
  }
}

}  // namespace
