// Beats, sync and tempo of the deck: tempo and beat-size arithmetic, the
// nearest-beat information, beat sync and tempo match between two decks on
// click tracks with exact beat grids, beat and bar skips, a forced
// re-analysis, always-in-sync and the key after key shift.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "deck_test_util.h"

namespace {

using namespace deck_test;

class DeckSyncTest : public DeckFixture {
 protected:
  // Where a deck stands in its own beat: the fraction of a beat since its
  // last beat, from its exact position and the track's true grid.
  static double trueFraction(CSoundSource& d, double bpm, long first) {
    const double beat = 2646000.0 / bpm;
    double f = std::fmod(d.GetPlayPosition() - first, beat) / beat;
    return f < 0 ? f + 1.0 : f;
  }
};

TEST_F(DeckSyncTest, TempoAndBeatArithmetic) {
  loadRecord(clickRecord("c120.wav", 120.0, 0));
  EXPECT_FLOAT_EQ(deck->GetCurrentBPM(), 120.0f);
  EXPECT_FLOAT_EQ(deck->GetCurrentBeatSize(), 22050.0f);
  EXPECT_EQ(deck->ConvertSamplesTo64BeatDivisions(22050, false), 64);
  EXPECT_EQ(deck->ConvertSamplesTo64BeatDivisions(33075, false), 96);
  EXPECT_EQ(deck->ConvertSamplesTo64BeatDivisions(33075, true), 128);
  EXPECT_EQ(deck->ConvertSamplesTo64BeatDivisions(11025, false), 32);
  EXPECT_EQ(deck->ConvertSamplesTo64BeatDivisions(0, true), 0);
  // Less than 1/64 beat is no division at all (not 2^30).
  EXPECT_EQ(deck->ConvertSamplesTo64BeatDivisions(100, true), 0);

  // A track too short to analyse reports no tempo and a 120 BPM beat.
  loadAndDecode(patternTrack(2 * 44100));
  ASSERT_TRUE(waitUntil([&] { return deck->isAnalysisDone(); }));
  EXPECT_EQ(deck->GetCurrentBPM(), 0.0f);
  EXPECT_FLOAT_EQ(deck->GetCurrentBeatSize(), 22050.0f);
}

TEST_F(DeckSyncTest, TemposFromTheLibraryAreHeldToASaneRange) {
  // A tempo beyond any music would give a beat shorter than a display point
  // (a division by zero on the audio thread).
  TZRDatabaseTrack record = clickRecord("fast.wav", 120.0, 0);
  record.bpm = 50000.0f;
  loadRecord(record);
  EXPECT_FLOAT_EQ(deck->GetCurrentBPM(), CSoundSource::kMaxTempoBpm);
  deck->PlayPause(1);
  mixBuffer({deck.get()}, 512);
  int position, length, bar;
  float phase;
  deck->GetNearestBeatsInfo(position, length, phase, bar);
  EXPECT_EQ(length, 8820);
}

TEST_F(DeckSyncTest, NearestBeatInformation) {
  loadRecord(clickRecord("c126.wav", 126.0, 3000));  // beats every 21000 frames from 3000
  int position, length, bar;
  float phase;
  deck->SetPositionAsync(3000 + 21000 * 2 - 5250);  // a quarter beat before the third beat
  mixBuffer({deck.get()}, 64);                      // the seek
  mixBuffer({deck.get()}, 64);
  deck->GetNearestBeatsInfo(position, length, phase, bar);
  EXPECT_EQ(length, 21000);
  // The information is computed at the start of the buffer.
  EXPECT_EQ(position, 3000 + 21000 * 2 - 5250);
  EXPECT_NEAR(phase, 0.75, 1e-6);
  EXPECT_GE(bar, 0);
  EXPECT_LE(bar, 3);

  deck->SetPositionAsync(3000 + 21000 * 2 + 10);  // just past the beat
  mixBuffer({deck.get()}, 64);                    // the seek
  mixBuffer({deck.get()}, 64);
  deck->GetNearestBeatsInfo(position, length, phase, bar);
  EXPECT_NEAR(phase, 10.0 / 21000.0, 1e-6);

  // Playing backwards, the beat ahead is the one behind.
  deck->SetPositionAsync(3000 + 21000 * 2 - 5250);
  deck->PlayPause(1);
  deck->SetDirection(-1);
  for (int i = 0; i < 10; ++i) mixBuffer({deck.get()}, 441);
  deck->GetNearestBeatsInfo(position, length, phase, bar);
  const double sinceBeat = std::fmod(deck->GetPlayPosition() - 3000, 21000.0) / 21000.0;
  EXPECT_NEAR(phase, 1.0 - sinceBeat, 0.03);
}

TEST_F(DeckSyncTest, AGapInTheGridIsFilledThroughTheStreamingThread) {
  // 126 BPM from 3000, with the beat at 3000 + 4 x 21000 missing.
  const long frames = 12 * 44100;
  const std::string path = dir.file("gap.wav");
  std::vector<long> beats = beatFrames(frames, 126.0, 3000);
  ASSERT_TRUE(orvel_test::writeWav16(path, clicks(frames, beats), 2, 44100));
  beats.erase(beats.begin() + 4);
  loadRecord(gridRecord(path, frames, 126.0, beats));
  const int missing = (3000 + 4 * 21000) / 100;
  deck->SetPositionAsync(3000 + 3 * 21000 + 100);
  mixBuffer({deck.get()}, 64);
  mixBuffer({deck.get()}, 64);
  int position, length, bar;
  float phase;
  deck->GetNearestBeatsInfo(position, length, phase, bar);
  // The phase counts from the beat one beat before the next mark.
  EXPECT_NEAR(phase, 100.0 / 21000.0, 1e-6);
  const auto marked = [&] {
    deck->StartUseDisplayData();
    const bool m = deck->getDisplayArrayB()[missing] >= 54.999f;
    deck->StopUseDisplayData();
    return m;
  };
  EXPECT_TRUE(waitUntil(marked, 5)) << "the mark reaches the display data";
}

struct SyncCase {
  double bpmA, bpmB;
  bool accepted;
};

void PrintTo(const SyncCase& c, std::ostream* os) {
  *os << c.bpmA << " BPM and " << c.bpmB << " BPM";
}

std::string syncCaseName(const ::testing::TestParamInfo<SyncCase>& info) {
  return "A" + std::to_string(lrint(info.param.bpmA)) + "_B" + std::to_string(lrint(info.param.bpmB));
}

class DeckSyncPairTest : public DeckSyncTest, public ::testing::WithParamInterface<SyncCase> {};

// Deck B syncs to deck A: B takes A's tempo, starts, and once its speed has
// settled moves to A's beat phase, within a frame of A's true phase.
TEST_P(DeckSyncPairTest, SyncLandsOnTheOtherDecksPhase) {
  const SyncCase c = GetParam();
  CSoundSource deckB(1, ZRString(stripes()));
  const long firstA = 2000, firstB = 7300;
  loadRecord(clickRecord("a.wav", c.bpmA, firstA));
  loadRecord(clickRecord("b.wav", c.bpmB, firstB), &deckB);
  deck->SetPitch(150);
  deck->SetPositionAsync(60000.25);
  deck->PlayPause(1);
  deckB.SetPositionAsync(100123.5);
  for (int i = 0; i < 4; ++i) mixBuffer({deck.get(), &deckB}, 512);

  const double positionB = deckB.GetPlayPosition();
  const bool synced = deckB.SyncDeckToOtherDeck(deck.get());
  EXPECT_EQ(synced, c.accepted);
  if (!c.accepted) {
    // Refused: nothing changed, the deck did not even start.
    EXPECT_FALSE(deckB.IsPlaying());
    EXPECT_EQ(deckB.GetPitch(), 0);
    for (int i = 0; i < 8; ++i) mixBuffer({deck.get(), &deckB}, 512);
    EXPECT_DOUBLE_EQ(deckB.GetPlayPosition(), positionB);
    return;
  }
  EXPECT_TRUE(deckB.IsPlaying());
  EXPECT_EQ(deckB.GetPitch(), lrint((1.015 * c.bpmA / c.bpmB - 1) * 10000));
  // The speed ramps for 2000 frames, then the phase is aligned.
  for (int i = 0; i < 10; ++i) mixBuffer({deck.get(), &deckB}, 512);
  const double beatB = 2646000.0 / c.bpmB;
  double d = trueFraction(deckB, c.bpmB, firstB) - trueFraction(*deck, c.bpmA, firstA);
  if (d > 0.5) d -= 1.0;
  if (d < -0.5) d += 1.0;
  // One frame, plus what the pitch rounded to 1/100 % drifts over 5120 frames.
  EXPECT_LT(std::fabs(d) * beatB, 1.5) << "phase difference in frames of B";

  // Both decks agree on it too.
  int p, l, bar;
  float phaseA, phaseB;
  deck->GetNearestBeatsInfo(p, l, phaseA, bar);
  deckB.GetNearestBeatsInfo(p, l, phaseB, bar);
  double dp = phaseB - phaseA;
  if (dp > 0.5) dp -= 1.0;
  if (dp < -0.5) dp += 1.0;
  EXPECT_LT(std::fabs(dp) * beatB, 1.5);
}

INSTANTIATE_TEST_SUITE_P(TempoPairs, DeckSyncPairTest,
                         ::testing::Values(SyncCase{126, 126, true}, SyncCase{126, 105, true},
                                           SyncCase{105, 126, true}, SyncCase{140, 126, true},
                                           SyncCase{140, 98, true},   // +45 %
                                           SyncCase{63, 126, true},   // half tempo: -49 %
                                           SyncCase{147, 98, false},  // +52 %: over the limit
                                           SyncCase{140, 70, false},  // double tempo
                                           SyncCase{147, 84, false}),
                         syncCaseName);

TEST_F(DeckSyncTest, MatchSetsOnlyTheTempo) {
  CSoundSource deckB(1, ZRString(stripes()));
  loadRecord(clickRecord("a.wav", 126.0, 0));
  loadRecord(clickRecord("b.wav", 128.0, 0), &deckB);
  deck->SetPitch(100);
  EXPECT_TRUE(deckB.MatchDeckToOtherDeck(deck.get()));
  EXPECT_EQ(deckB.GetPitch(), -58);
  EXPECT_FALSE(deckB.IsPlaying());
  EXPECT_TRUE(deckB.MatchDeckToOtherDeck(deck.get())) << "already matched is still a success";
  CSoundSource empty(2, ZRString(stripes()));
  EXPECT_FALSE(empty.MatchDeckToOtherDeck(deck.get()));
  EXPECT_FALSE(empty.SyncDeckToOtherDeck(deck.get()));
  EXPECT_FALSE(empty.IsPlaying());
}

TEST_F(DeckSyncTest, BeatAndBarSkips) {
  loadRecord(clickRecord("c.wav", 120.0, 0, 10 * 44100));
  deck->SetPositionAsync(100000);
  mixBuffer({deck.get()}, 32);
  const double start = deck->GetPlayPosition();
  deck->SkipBeatNext();
  mixBuffer({deck.get()}, 32);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), start + 22050);
  deck->SkipBarPrev();
  mixBuffer({deck.get()}, 32);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), start + 22050 - 4 * 22050);
  // Playing backwards, "next" goes back.
  deck->SetDirection(-1);
  deck->SkipBeatNext();
  mixBuffer({deck.get()}, 32);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), start - 4 * 22050);
  deck->SetDirection(1);
  // A skip out of the track is refused.
  deck->SetPositionAsync(10000);
  mixBuffer({deck.get()}, 32);
  deck->SkipBeatPrev();
  mixBuffer({deck.get()}, 32);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), 10000);
  deck->SetPositionAsync(10 * 44100 - 20000);
  mixBuffer({deck.get()}, 32);
  deck->SkipBeatNext();
  mixBuffer({deck.get()}, 32);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), 10 * 44100 - 20000);

  // Inside a loop a skip wraps round; a loop shorter than a beat refuses it.
  deck->SetPositionAsync(100000);
  mixBuffer({deck.get()}, 32);
  deck->DoLoopFixed(128, false);  // two beats from 100000
  mixBuffer({deck.get()}, 32);
  deck->SkipBeatNext();
  deck->SkipBeatNext();
  mixBuffer({deck.get()}, 32);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), 100000);
  deck->ExitLoop(1);
  deck->DoLoopFixed(32, false);  // half a beat
  mixBuffer({deck.get()}, 32);
  const double inLoop = deck->GetPlayPosition();
  deck->SkipBeatNext();
  mixBuffer({deck.get()}, 32);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), inLoop);
}

TEST_F(DeckSyncTest, SearchWheelSkipsBars) {
  loadRecord(clickRecord("c.wav", 120.0, 0, 10 * 44100));
  deck->SetPositionAsync(200000);
  mixBuffer({deck.get()}, 32);
  deck->SearchJogWheelMove(3, 100);  // 0.03 of the range: not yet
  mixBuffer({deck.get()}, 32);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), 200000);
  deck->SearchJogWheelMove(2, 100);  // 0.05: a bar
  mixBuffer({deck.get()}, 32);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), 200000 + 4 * 22050);
  deck->SearchJogWheelMove(-5, 0);  // a wheel without a range does nothing
  deck->SearchJogWheelMove(-5, 100);
  mixBuffer({deck.get()}, 32);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), 200000);
}

TEST_F(DeckSyncTest, ForcedTempoWaitsForTheRunningAnalysis) {
  // Twenty seconds of clicks at 120 BPM, analysed on loading.
  const long frames = 20 * 44100;
  const std::string path = dir.file("twenty.wav");
  ASSERT_TRUE(orvel_test::writeWav16(path, clicks(frames, beatFrames(frames, 120.0, 1000)), 2, 44100));
  ASSERT_TRUE(request(path));
  // Typed while the first analysis may still be marking beats.
  collectEvents([](const std::vector<int>& v) { return contains(v, 16) || contains(v, 32); }, 30);
  deck->SetForceLockBPM(120.0f);
  EXPECT_TRUE(deck->isForcedAnalysisPending());
  ASSERT_TRUE(waitUntil([&] { return !deck->isForcedAnalysisPending() && deck->isAnalysisDone(); }, 30));
  EXPECT_NEAR(deck->GetCurrentBPM(), 120.0f, 1.0f);
  // One grid, not two laid over each other.
  const int marks = countBeatMarks(*deck);
  EXPECT_GE(marks, 35);
  EXPECT_LE(marks, 42);
}

TEST_F(DeckSyncTest, AlwaysInSyncNeedsASuitableGridAndEndsOnAChangeOfDirection) {
  EXPECT_FALSE(deck->setIsAlwaysInSync(true)) << "no track, no grid";
  loadRecord(clickRecord("c.wav", 120.0, 0));
  EXPECT_TRUE(deck->getIsBeatGridSuitableForAlwaysInSync());
  EXPECT_TRUE(deck->setIsAlwaysInSync(true));
  deck->SetDirection(-1);
  EXPECT_FALSE(deck->getIsAlwaysInSync());
  deck->SetDirection(1);
  EXPECT_TRUE(deck->setIsAlwaysInSync(true));
  deck->SetPositionAsync(30000);
  mixBuffer({deck.get()}, 32);
  deck->CUE();  // returns to the cue
  mixBuffer({deck.get()}, 32);
  EXPECT_FALSE(deck->getIsAlwaysInSync());
}

TEST_F(DeckSyncTest, KeyAfterKeyShiftAndPitchInTimecodeMode) {
  struct Case {
    int key, cents, expected;
  };
  int n = 0;
  for (const Case c : {Case{12, 100, 1}, Case{24, 100, 13}, Case{1, -100, 12}, Case{13, -1200, 13},
                       Case{5, 700, 12}, Case{0, 300, 0}}) {
    const std::string name = "k" + std::to_string(n++) + ".wav";
    TZRDatabaseTrack record = clickRecord(name.c_str(), 120.0, 0, 2 * 44100);
    record.pitchKey = c.key;
    loadRecord(record);
    deck->SetPitchKey(c.cents);
    EXPECT_EQ(deck->GetOriginalKeyIndex(), c.key);
    EXPECT_EQ(deck->GetCurrentKeyIndex(), c.expected) << c.key << " " << c.cents;
  }
  deck->SetPitch(300);
  EXPECT_EQ(deck->GetPitch(), 300);
  deck->SetTimecodedVinylMode(1);
  deck->SetSpeed(-0.95);
  EXPECT_EQ(deck->GetPitch(), -500);
  deck->SetSpeed(0.0);
  EXPECT_EQ(deck->GetPitch(), 0);
  deck->SetTimecodedVinylMode(0);
  EXPECT_EQ(deck->GetPitch(), 300);
}

}  // namespace
