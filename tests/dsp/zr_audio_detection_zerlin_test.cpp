#include "dsp/zr_audio_detection_zerlin.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "beat_test_signals.h"

namespace {

std::unique_ptr<ZRAudioDetection> firstGeneration() {
  std::unique_ptr<ZRAudioDetection> d(ZRAudioDetection::create(true, true, false));
  d->setMarkValues(55, 65);
  return d;
}

TEST(FirstGenerationDetectorTest, KickTrackTempoAndMarks) {
  const double seconds = 40;
  const std::vector<long> beats = beat_test::beatSamples(120, 120, seconds);
  auto d = firstGeneration();
  const auto a = beat_test::analyse(*d, beat_test::drumPattern(beats, seconds), -1);
  EXPECT_EQ(a.result, 1);
  EXPECT_NEAR(a.bpm, 120, 1.5);
  EXPECT_GT(beat_test::markedPoints(a.marks, a.count).size(), beats.size() / 2);
}

TEST(FirstGenerationDetectorTest, BlockDecimation) {
  auto d = firstGeneration();
  d->resetAndStartProcessing(44100 * 2, 0);
  std::vector<float> block(44100, 0.0f), onsets(900, -1.0f);
  d->process(block.data(), 44000, 1, onsets.data(), 0);
  EXPECT_NE(onsets[439], -1.0f);
  EXPECT_EQ(onsets[440], -1.0f);
  d->process(block.data(), 44100, 1, onsets.data() + 440, 0);
  EXPECT_NE(onsets[880], -1.0f);
  EXPECT_EQ(onsets[881], -1.0f);
}

TEST(FirstGenerationDetectorTest, NoTempoCases) {
  const double seconds = 20;
  const auto audio = beat_test::clickTrack(beat_test::beatSamples(120, 120, seconds), seconds);
  auto d = firstGeneration();
  EXPECT_EQ(beat_test::analyse(*d, audio, 5).bpm, 0.0f);  // typed 5: at most 6 BPM, below 10
  EXPECT_EQ(beat_test::analyse(*d, std::vector<float>(44100 * 20, 0.0f), -1).bpm, 0.0f);
  const auto shortTrack =
      beat_test::analyse(*d, std::vector<float>(audio.begin(), audio.begin() + 44100 * 9), -1);
  EXPECT_EQ(shortTrack.bpm, 0.0f);
  EXPECT_TRUE(beat_test::markedPoints(shortTrack.marks, shortTrack.count).empty());
  // Typed 50 with an envelope whose longest lag passes its end.
  const auto low = beat_test::analyse(*d, beat_test::drumPattern(beat_test::beatSamples(50, 50, 19), 19), 50);
  EXPECT_GE(low.bpm, 0.0f);
}

}  // namespace
