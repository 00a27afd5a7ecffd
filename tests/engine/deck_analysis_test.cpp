// The deck's track analysis and stripe data: a fresh analysis writes the
// stripe and its results when the track closes and the next load reads them
// instead of analysing, automatic mix cues and the seek to the mix-in cue,
// the analysis settings, and what the library keeps of a track's record.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "database/zr_stripe_file.h"
#include "deck_test_util.h"

namespace {

using namespace deck_test;

class DeckAnalysisTest : public DeckFixture {
 protected:
  // Clicks at 120 BPM over seconds of track, in the library under its path.
  TZRDatabaseTrack libraryClickTrack(const char* name, double seconds) {
    const long frames = lrint(seconds * 44100);
    const std::string path = dir.file(name);
    EXPECT_TRUE(orvel_test::writeWav16(path, clicks(frames, beatFrames(frames, 120.0, 1000)), 2, 44100));
    TZRDatabaseTrack record;
    record.tags[kTagFileName] = ZRString(path);
    record.tags[kTagTitle] = ZRString(name);
    ZRDatabase::getInstance()->addOrUpdate(&record);
    return record;
  }

  TZRDatabaseTrack stored(const TZRDatabaseTrack& record) {
    TZRDatabaseTrack t;
    EXPECT_TRUE(ZRDatabase::getInstance()->getTrackIdData(record.id, &t));
    return t;
  }

  void unload() {
    ASSERT_TRUE(request("---$"));
    collectEvents([](const std::vector<int>& v) { return contains(v, 4); });
    ASSERT_EQ(deck->GetLength(), 0);
  }

  // A low tone between silences: loud from `from` to `to` seconds.
  std::string toneTrack(const char* name, double seconds, double from, double to) {
    const long frames = lrint(seconds * 44100);
    std::vector<int16_t> s(2 * frames, 0);
    for (long i = lrint(from * 44100); i < lrint(to * 44100) && i < frames; ++i) {
      s[2 * i] = s[2 * i + 1] = static_cast<int16_t>(lrint(30000 * std::sin(2 * M_PI * 60.0 * i / 44100.0)));
    }
    const std::string path = dir.file(name);
    EXPECT_TRUE(orvel_test::writeWav16(path, s, 2, 44100));
    return path;
  }
};

TEST_F(DeckAnalysisTest, StripeIsWrittenOnTheFirstLoadAndReadOnTheSecond) {
  const TZRDatabaseTrack record = libraryClickTrack("twenty.wav", 20.0);
  const std::string path = record.tags[kTagFileName].utf8();
  ASSERT_TRUE(request(path));
  const std::vector<int> first = collectEvents([](const std::vector<int>& v) { return contains(v, 32); }, 30);
  ASSERT_TRUE(contains(first, 32));
  ASSERT_TRUE(waitUntil([&] { return deck->isAnalysisDone(); }));
  EXPECT_FALSE(deck->isStripeLoaded());
  const float bpm = deck->GetCurrentBPM();
  EXPECT_NEAR(bpm, 120.0f, 1.0f);
  unload();

  const TZRDatabaseTrack afterFirst = stored(record);
  ASSERT_FALSE(afterFirst.stripe.empty());
  EXPECT_TRUE(std::filesystem::exists(stripeFilePath(ZRString(stripes()), afterFirst.stripe).utf8()));
  EXPECT_FLOAT_EQ(afterFirst.bpm, bpm);
  EXPECT_EQ(afterFirst.durationMs, 20000);
  EXPECT_TRUE(afterFirst.pgainValid);

  // A track with stripe data opens analysed (no event 32 follows).
  ASSERT_TRUE(request(path));
  std::vector<int> second =
      collectEvents([&](const std::vector<int>&) { return deck->GetLoadingProgressPercent() >= 100; });
  const auto quiet = Clock::now() + std::chrono::milliseconds(400);
  const std::vector<int> later = collectEvents([&](const std::vector<int>&) { return Clock::now() > quiet; });
  second.insert(second.end(), later.begin(), later.end());
  EXPECT_TRUE(deck->isStripeLoaded());
  EXPECT_FALSE(contains(second, 16)) << "no analysis the second time";
  EXPECT_FLOAT_EQ(deck->GetCurrentBPM(), bpm);
  // The stripe's beats are marked on the display data as the blocks decode.
  const int marks = countBeatMarks(*deck);
  EXPECT_GE(marks, 36);
  EXPECT_LE(marks, 41);
  unload();
  EXPECT_EQ(stored(record).stripe, afterFirst.stripe) << "the same stripe, not written again";
}

TEST_F(DeckAnalysisTest, AutomaticCuesAndTheSeekToTheMixInCue) {
  // Five seconds of silence, a minute of sound, five seconds of silence.
  ASSERT_TRUE(request(toneTrack("tone.wav", 70.0, 5.0, 65.0)));
  ASSERT_TRUE(waitUntil([&] { return deck->isAnalysisDone(); }, 30));
  const int in = deck->GetMixInCue();
  const int out = deck->GetMixOutCue();
  EXPECT_NEAR(in, 5 * 44100, 2000);
  EXPECT_NEAR(out, 65 * 44100, 2000);
  // The deck stood still, so it went to the mix-in cue.
  render(64);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), in);

  // A deck moved before its analysis ended stays where it was put.
  ASSERT_TRUE(request(toneTrack("moved.wav", 70.0, 5.0, 65.0)));
  ASSERT_TRUE(waitUntil([&] { return deck->isTrackReady(); }));
  deck->SetPositionAsync(20 * 44100);
  render(1);
  ASSERT_TRUE(waitUntil([&] { return deck->isAnalysisDone(); }, 30));
  EXPECT_NEAR(deck->GetMixInCue(), 5 * 44100, 2000);
  render(64);
  EXPECT_NEAR(deck->GetPlayPosition(), 20 * 44100, 1);

  // A track under a minute gets none.
  loadAndDecode(toneTrack("short.wav", 59.0, 5.0, 54.0));
  ASSERT_TRUE(waitUntil([&] { return deck->isAnalysisDone(); }, 30));
  EXPECT_EQ(deck->GetMixInCue(), 0);
  EXPECT_EQ(deck->GetMixOutCue(), deck->GetLength());
}

TEST_F(DeckAnalysisTest, CuesPlacedByTheUserAreKept) {
  const std::string path = toneTrack("user.wav", 70.0, 5.0, 65.0);
  TZRDatabaseTrack record;
  record.tags[kTagFileName] = ZRString(path);
  record.cueIn = 3 * 44100;
  record.cueInUser = true;
  record.cueOut = 68 * 44100;
  record.cueOutUser = true;
  ZRDatabase::getInstance()->addOrUpdate(&record);
  ASSERT_TRUE(request(path));
  ASSERT_TRUE(waitUntil([&] { return deck->isAnalysisDone(); }, 30));
  EXPECT_EQ(deck->getCuePos(CSoundSource::kMixInCue), 3 * 44100);
  EXPECT_EQ(deck->getCuePos(CSoundSource::kMixOutCue), 68 * 44100);
  // Moving a mix cue by hand marks it as the user's.
  deck->setCuePos(2 * 44100, CSoundSource::kMixInCue);
  unload();
  const TZRDatabaseTrack t = stored(record);
  EXPECT_EQ(t.cueIn, 2 * 44100);
  EXPECT_TRUE(t.cueInUser);
  EXPECT_TRUE(t.cueOutUser);
}

TEST_F(DeckAnalysisTest, AnalysisKeepsTheKeyAndTheSettingsChooseTheStripe) {
  // The deck detects no key: a key from the file's tags must survive the
  // analysis and the close.
  TZRDatabaseTrack record = libraryClickTrack("keyed.wav", 12.0);
  record.pitchKey = 5;
  record.tags[kTagKey] = ZRString("5");
  ZRDatabase::getInstance()->addOrUpdate(&record);
  ASSERT_TRUE(request(record.tags[kTagFileName].utf8()));
  ASSERT_TRUE(waitUntil([&] { return deck->isAnalysisDone(); }, 30));
  EXPECT_EQ(deck->GetOriginalKeyIndex(), 5);
  unload();
  EXPECT_EQ(stored(record).pitchKey, 5);
  ASSERT_FALSE(stored(record).stripe.empty());

  // With key detection on, a stripe counts only for a track with a key.
  deck->setDetectMusicalKey(true);
  loadAndDecode(record.tags[kTagFileName].utf8());
  EXPECT_TRUE(deck->isStripeLoaded());
  TZRDatabaseTrack keyless = libraryClickTrack("keyless.wav", 12.0);
  deck->setDetectMusicalKey(false);
  loadAndDecode(keyless.tags[kTagFileName].utf8());
  ASSERT_TRUE(waitUntil([&] { return deck->isAnalysisDone(); }, 30));
  unload();
  ASSERT_FALSE(stored(keyless).stripe.empty());
  deck->setDetectMusicalKey(true);
  loadAndDecode(keyless.tags[kTagFileName].utf8());
  EXPECT_FALSE(deck->isStripeLoaded());

  // The steady mode makes a new detector at the next open, whose grid suits
  // always-in-sync.
  deck->setDetectMusicalKey(false);
  EXPECT_FALSE(deck->getIsBeatGridSuitableForAlwaysInSync());
  deck->setSteadyBpmDetectionMode(true);
  loadAndDecode(patternTrack(3 * 44100));
  EXPECT_TRUE(deck->getIsBeatGridSuitableForAlwaysInSync());
}

}  // namespace
