// Cues, loops and markers of the deck: hot cues, the CUE button's preview
// and return, loops of 1/32 to 32 beats that wrap sample-exactly, leaving
// loops (quantised and slip), loops at the end of a track, ReLoop across a
// track change, saved loops and cues from and to the library, and the
// marker list.

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "deck_test_util.h"

namespace {

using namespace deck_test;

class DeckLoopTest : public DeckFixture {
 protected:
  // A pattern track with an exact 120 BPM grid (22050 frames per beat).
  TZRDatabaseTrack patternRecord(long frames, const char* name = "pattern.wav") {
    const std::string path = patternTrack(frames, name);
    return gridRecord(path, frames, 120.0, beatFrames(frames, 120.0, 0));
  }

  // Renders and checks that the left channel plays the expected frames.
  void expectFrames(const std::vector<long>& expected, const char* what) {
    const std::vector<float> out = render(static_cast<long>(expected.size()));
    for (size_t k = 0; k < expected.size(); ++k) {
      ASSERT_FLOAT_EQ(out[2 * k], patternValue(expected[k]) * kScale) << what << ", output frame " << k;
    }
  }

  static std::vector<long> cycle(long start, long end, long from, long count) {
    std::vector<long> frames;
    long f = from;
    for (long i = 0; i < count; ++i) {
      frames.push_back(f);
      f = f == end ? start : f + 1;
    }
    return frames;
  }

  static std::vector<long> straight(long from, long count) {
    std::vector<long> frames;
    for (long i = 0; i < count; ++i) frames.push_back(from + i);
    return frames;
  }
};

TEST_F(DeckLoopTest, HotCuesAreSetJumpedToAndCleared) {
  char color[8];
  deck->getCueColor(3, color);
  EXPECT_STREQ(color, "#000000") << "no track";
  loadRecord(patternRecord(10 * 44100));
  playFrom(50000);
  render(1000);
  deck->SetCurrentCue(3);
  deck->SetCueAtCurrentPos();
  EXPECT_EQ(deck->getCuePos(3), 51000);
  EXPECT_EQ(deck->getCuePos(-1), 51000);
  deck->getCueColor(-1, color);
  EXPECT_STREQ(color, "#FFFF00");
  deck->getCueColor(12, color);
  EXPECT_STREQ(color, "#FFFFFF");
  deck->getCueColor(18, color);
  EXPECT_STREQ(color, "#000000");

  render(20000);
  deck->CUEplay();  // plays from the cue
  expectFrames(straight(51000, 3000), "from hot cue 4");
  EXPECT_TRUE(deck->IsPlaying());

  deck->ClearCurrentCue();
  EXPECT_EQ(deck->getCuePos(3), 0);
  deck->SetCurrentCue(18);  // out of range: ignored
  EXPECT_EQ(deck->GetCurrentCue(), 3);
  EXPECT_EQ(deck->getCuePos(19), 0);
}

TEST_F(DeckLoopTest, CueButtonPreviewsAndReturns) {
  loadRecord(patternRecord(10 * 44100));
  deck->SetPositionAsync(30000);
  render(64);
  deck->SetCueAtCurrentPos();
  ASSERT_EQ(deck->getCuePos(-1), 30000);

  // At the cue and paused: a preview that releasing CUE ends.
  deck->CUEClick();
  EXPECT_TRUE(deck->IsPlaying());
  expectFrames(straight(30000, 2000), "preview");
  deck->CUEUnClick();
  render(512);
  EXPECT_FALSE(deck->IsPlaying());
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), 30000);

  // Play pressed during the preview: the deck keeps playing on release.
  deck->CUEClick();
  render(1000);
  deck->PlayPause(-1);
  EXPECT_TRUE(deck->IsPlaying());
  deck->CUEUnClick();
  render(512);
  EXPECT_TRUE(deck->IsPlaying());

  // Playing away from the cue: CUE returns and stops.
  deck->CUE();
  render(512);
  EXPECT_FALSE(deck->IsPlaying());
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), 30000);

  // Scratched while paused, the next CUE moves the cue to the position.
  deck->ScratchMouseBegin(0, 1);
  render(64);
  deck->ScratchMouseMove(4410);
  for (int i = 0; i < 40; ++i) {
    deck->ScratchTimerUpdate(7);
    render(1024);
  }
  deck->ScratchMouseEnd();
  render(64);
  EXPECT_TRUE(deck->GetCanSetCuePointNow());
  const int moved = deck->GetCurrentPos();
  EXPECT_NEAR(moved, 34410, 50);
  deck->CUE();
  EXPECT_EQ(deck->getCuePos(-1), moved);
  EXPECT_FALSE(deck->GetCanSetCuePointNow());

  deck->BackToTop();
  render(64);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), 0);
}

std::string sixtyfourthsName(const ::testing::TestParamInfo<int>& info) {
  return std::to_string(info.param) + "_64ths";
}

class DeckLoopSizeTest : public DeckLoopTest, public ::testing::WithParamInterface<int> {};

// A loop plays exactly its frames, start to end, again and again.
TEST_P(DeckLoopSizeTest, LoopWrapsSampleExactly) {
  const int sixtyfourths = GetParam();
  loadRecord(patternRecord(40 * 44100));
  playFrom(100000);
  render(777);
  deck->DoLoopFixed(sixtyfourths, false);
  render(1);
  const TLoopInfo info = deck->GetLoopInfo();
  ASSERT_TRUE(info.active);
  const long length = 22050L * sixtyfourths / 64;
  EXPECT_EQ(info.start, 100777);
  EXPECT_EQ(info.length, length);
  EXPECT_EQ(info.end, info.start + length - 1);
  EXPECT_EQ(deck->GetLoopSizeIn64Divisions(), sixtyfourths);
  expectFrames(cycle(info.start, info.end, info.start + 1, 2 * length + 1000), "forward loop");
}

INSTANTIATE_TEST_SUITE_P(Sizes, DeckLoopSizeTest,
                         ::testing::Values(2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048), sixtyfourthsName);

TEST_F(DeckLoopTest, LoopPlaysBackwardsExactlyToo) {
  loadRecord(patternRecord(10 * 44100));
  playFrom(100000);
  deck->SetDirection(-1);
  render(3000);  // turned round
  ASSERT_DOUBLE_EQ(deck->GetCurrentSpeed(), -1.0);
  deck->SetPositionAsync(100000);
  deck->DoLoopFixed(16, false);
  render(1);
  const TLoopInfo info = deck->GetLoopInfo();
  ASSERT_TRUE(info.active);
  ASSERT_EQ(info.start, 100000);
  // Backwards the frames run down from the loop's end to its start, again
  // and again (the loop is shorter than the pattern's period, so a value
  // names its frame).
  const std::vector<float> out = render(3 * info.length);
  const auto frameOf = [&](float v) {
    const long inPeriod = lrintf(v / kScale) + 10000;
    return info.start + ((inPeriod - info.start % 20000) % 20000 + 20000) % 20000;
  };
  for (long k = 1; k < 3 * info.length; ++k) {
    const long f = frameOf(out[2 * k]), previous = frameOf(out[2 * (k - 1)]);
    ASSERT_LE(f, info.end) << k;
    ASSERT_EQ(f, previous == info.start ? info.end : previous - 1) << k;
  }
}

TEST_F(DeckLoopTest, LeavingALoop) {
  loadRecord(patternRecord(20 * 44100));
  playFrom(100000);
  deck->DoLoopFixed(64, false);
  render(1);
  TLoopInfo info = deck->GetLoopInfo();
  render(30000);  // wrapped once
  // A loop of a beat or more is left at once; play goes on past its end.
  deck->ExitLoop(0);
  const long at = static_cast<long>(deck->GetPlayPosition());
  render(1);
  EXPECT_FALSE(deck->GetLoopInfo().active);
  EXPECT_TRUE(deck->takeLoopStateChanged());
  expectFrames(straight(at + 1, 30000), "after the loop");
  EXPECT_EQ(deck->GetLoopInfo().lastLength, info.length);

  // A quarter-beat loop waits for a whole beat of wraps.
  deck->DoLoopFixed(16, false);
  render(1);
  info = deck->GetLoopInfo();
  render(info.length + 10);  // one wrap
  ASSERT_EQ(deck->GetLoopInfo().wraps, 1);
  deck->ExitLoop(0);
  render(1);
  EXPECT_TRUE(deck->GetLoopInfo().active);
  EXPECT_TRUE(deck->GetLoopInfo().exitPending);
  render(2 * info.length);
  EXPECT_TRUE(deck->GetLoopInfo().active) << "3 wraps";
  render(info.length);
  EXPECT_FALSE(deck->GetLoopInfo().active) << "4 wraps: a whole beat";

  // Slip mode: leaving jumps to where playback would have been.
  deck->setLoopMode(1);
  deck->SetPositionAsync(200000);
  render(1);
  const double startedAt = deck->GetPlayPosition();
  deck->DoLoopFixed(64, true);  // slip plays it as an instant loop
  render(50000);
  EXPECT_TRUE(deck->GetLoopInfo().active);
  deck->ExitLoop(0);
  render(100);
  EXPECT_FALSE(deck->GetLoopInfo().active);
  EXPECT_NEAR(deck->GetPlayPosition(), startedAt + 50100, 2);
}

TEST_F(DeckLoopTest, LoopAtTheEndOfTheTrackNeverPlaysPastIt) {
  const long frames = 5 * 44100;
  loadRecord(patternRecord(frames));
  // A loop that would reach past the end is refused.
  playFrom(frames - 10000);
  deck->DoLoopFixed(64, false);
  render(1);
  EXPECT_FALSE(deck->GetLoopInfo().active);
  // An instant loop ending at the last frame loops there, and the deck
  // neither stops nor fades at the end.
  deck->SetPositionAsync(frames - 1);
  deck->DoInstantLoopFixed(16);
  render(1);
  const TLoopInfo info = deck->GetLoopInfo();
  ASSERT_TRUE(info.active);
  EXPECT_EQ(info.end, frames - 1);
  const std::vector<float> out = render(3 * info.length);
  EXPECT_TRUE(deck->IsPlaying());
  for (long k = 0; k < 3 * info.length; ++k) ASSERT_NE(out[2 * k], 0.0f) << k;
  EXPECT_LE(deck->GetPlayPosition(), frames);
}

TEST_F(DeckLoopTest, InstantLoopsStartAtZeroAtTheEarliest) {
  loadRecord(patternRecord(10 * 44100));
  playFrom(5000);
  render(1);
  deck->DoInstantLoopFixed(64);  // a beat ending at 5001: starts at 0
  render(1);
  TLoopInfo info = deck->GetLoopInfo();
  ASSERT_TRUE(info.active);
  EXPECT_EQ(info.start, 0);
  // Another instant loop while this one plays: its start would lie before
  // the track.
  deck->DoInstantLoopFixed(128);
  render(1);
  info = deck->GetLoopInfo();
  EXPECT_EQ(info.nextStart, 0);
  EXPECT_FALSE(info.changePending) << "clamped, it is the loop already playing";
  for (int i = 0; i < 20; ++i) {
    render(1000);
    ASSERT_GE(deck->GetPlayPosition(), 0.0);
  }
}

TEST_F(DeckLoopTest, LoopInEndResizeAndMove) {
  loadRecord(patternRecord(20 * 44100));
  playFrom(44100);
  render(1);
  deck->DoLoopInEnd();  // marks the beat at 44100
  render(1);
  EXPECT_TRUE(deck->GetLoopInfo().inMarked);
  EXPECT_EQ(deck->GetLoopInfo().start, 44100);
  render(30000);  // 1.36 beats on: the next power of two of sixteenths is 2 beats
  deck->DoLoopInEnd();
  render(1);
  TLoopInfo info = deck->GetLoopInfo();
  ASSERT_TRUE(info.active);
  EXPECT_EQ(info.length, 44100);
  EXPECT_TRUE(deck->takeLoopStateChanged());

  // Paused inside the loop, a resize applies at once; below 4/64 beat it is refused.
  deck->PlayPause(0);
  deck->SetPositionAsync(50000);
  render(1024);
  deck->ResizeLoop(-22050);
  render(1);
  EXPECT_EQ(deck->GetLoopInfo().length, 22050);
  EXPECT_FALSE(deck->GetLoopInfo().changePending);
  deck->ResizeLoop(-21500);  // 550 frames: 2/64 beat
  render(1);
  EXPECT_EQ(deck->GetLoopInfo().length, 22050);
  deck->ResizeLoop(-22050 + 100);  // 100 frames: less than 1/64 beat
  render(1);
  EXPECT_EQ(deck->GetLoopInfo().length, 22050);

  deck->MoveLoop(1000);  // the position stays inside: at once
  render(1);
  info = deck->GetLoopInfo();
  EXPECT_EQ(info.start, 45100);
  EXPECT_EQ(info.length, 22050);
  deck->MoveLoop(-50000);  // before the track: refused
  render(1);
  EXPECT_EQ(deck->GetLoopInfo().start, 45100);
}

TEST_F(DeckLoopTest, ReLoopDoesNotCarryALoopToTheNextTrack) {
  loadRecord(patternRecord(10 * 44100, "one.wav"));
  playFrom(100000);
  deck->DoLoopFixed(64, false);
  render(1);
  deck->ExitLoop(1);
  render(1);
  deck->ReLoop();
  render(1);
  EXPECT_TRUE(deck->GetLoopInfo().active);
  EXPECT_EQ(deck->GetLoopInfo().start, 100000);
  deck->ExitLoop(1);
  render(1);

  loadRecord(patternRecord(10 * 44100, "two.wav"));
  EXPECT_EQ(deck->GetLoopInfo().lastLength, -1);
  deck->ReLoop();
  render(1);
  EXPECT_FALSE(deck->GetLoopInfo().active);

  // A loop asked for before the change is not applied to the new track.
  deck->DoLoopFixed(64, false);
  loadRecord(patternRecord(10 * 44100, "three.wav"));
  render(1);
  EXPECT_FALSE(deck->GetLoopInfo().active);
}

TEST_F(DeckLoopTest, SavedLoopsAndCuesComeFromAndGoBackToTheLibrary) {
  const long frames = 10 * 44100;
  TZRDatabaseTrack record = patternRecord(frames, "saved.wav");
  record.loops[0] = {100000, 144099};
  record.loops[1] = {5000, 100};           // end before start
  record.loops[2] = {-5, 100};             // before the track
  record.loops[3] = {400000, frames + 5};  // past the end
  record.cues[0] = 70000;
  record.cues[1] = frames + 1000;  // past the end
  record.cueIn = frames + 5;
  record.currentCue = 40;
  ZRDatabase::getInstance()->addOrUpdate(&record);
  loadRecord(record);
  EXPECT_EQ(deck->GetLoopNoStart(0), 100000);
  for (int slot : {1, 2, 3}) EXPECT_EQ(deck->GetLoopNoStart(slot), -1) << slot;
  EXPECT_EQ(deck->getCuePos(0), 70000);
  EXPECT_EQ(deck->getCuePos(1), 0);
  EXPECT_EQ(deck->getCuePos(CSoundSource::kMixInCue), 0);
  EXPECT_EQ(deck->GetCurrentCue(), 0);

  // Recall plays the saved loop; recalling it again leaves it.
  deck->SaveOrRecallLoopNo(0);
  EXPECT_TRUE(deck->IsPlaying());
  render(1);
  EXPECT_TRUE(deck->GetLoopInfo().active);
  EXPECT_EQ(deck->GetLoopInfo().start, 100000);
  deck->SaveOrRecallLoopNo(0);
  render(1);
  EXPECT_FALSE(deck->GetLoopInfo().active);
  // An empty slot stores the active loop.
  deck->DoLoopFixed(32, false);
  render(1);
  const TLoopInfo info = deck->GetLoopInfo();
  deck->SaveOrRecallLoopNo(5);
  EXPECT_EQ(deck->GetLoopNoStart(5), info.start);
  EXPECT_EQ(deck->GetLoopNoEnd(5), info.end);
  deck->SetCurrentCue(2);
  deck->SetCueAtCurrentPos();
  const int cue = deck->getCuePos(2);

  ASSERT_TRUE(request("---$"));
  collectEvents([](const std::vector<int>& v) { return contains(v, 4); });
  TZRDatabaseTrack stored;
  ASSERT_TRUE(ZRDatabase::getInstance()->getTrackIdData(record.id, &stored));
  EXPECT_EQ(stored.loops[5].in, info.start);
  EXPECT_EQ(stored.loops[5].out, info.end);
  EXPECT_EQ(stored.loops[1].in, -1);
  EXPECT_EQ(stored.cues[2], cue);
  EXPECT_EQ(stored.currentCue, 2);
}

TEST_F(DeckLoopTest, MarkersAreSortedAndAtMost32) {
  const long frames = 60 * 44100;
  loadRecord(patternRecord(frames));
  TTrackMarker* list = nullptr;
  int count = -1;

  deck->setCuePos(10000, CSoundSource::kMixInCue);
  deck->setCuePos(frames - 50000, CSoundSource::kMixOutCue);
  for (int i = 0; i < 16; ++i) deck->setCuePos(100000 + i * 50000, i);
  for (int i = 0; i < 8; ++i) deck->SetLoopNo(i, 1500000 + i * 50000, 1520000 + i * 50000);
  deck->SetPositionAsync(1200000);
  deck->DoLoopFixed(64, false);
  render(1);
  deck->GetTrackMarkers(&list, count);
  EXPECT_EQ(count, 32) << "36 markers exist";
  for (int i = 1; i < count; ++i) EXPECT_LE(list[i - 1].position, list[i].position);
  int kinds = 0;
  for (int i = 0; i < count; ++i) kinds |= list[i].kind;
  EXPECT_EQ(
      kinds & (CSoundSource::kMarkerMixIn | CSoundSource::kMarkerMixOut | CSoundSource::kMarkerCurrentCue |
               CSoundSource::kMarkerHotCue | CSoundSource::kMarkerLoopStart),
      CSoundSource::kMarkerMixIn | CSoundSource::kMarkerMixOut | CSoundSource::kMarkerCurrentCue |
          CSoundSource::kMarkerHotCue | CSoundSource::kMarkerLoopStart);
  EXPECT_EQ(list[0].label, ZRString("In"));
  EXPECT_NEAR(list[0].position, 10000.0 / frames, 1e-6);
}

}  // namespace
