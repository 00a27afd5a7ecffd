// The decks on a real audio thread: while one thread pulls two decks the way
// the mixer does, the user-interface side works every loop, cue, sync,
// scratch, bend and search control, the GUI tick and the "scratch" thread run
// their clocks, and tracks are loaded mid-play. The audio thread allocates
// nothing throughout; run under ThreadSanitizer this also shows that no
// state is shared without a hand-over (the loop state, the beat grid, the
// display arrays of a track being replaced).

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "deck_test_util.h"
#include "support/allocation_counter.h"

namespace {

using namespace deck_test;

class DeckRealtimeTest : public DeckFixture {
 protected:
  TZRDatabaseTrack clickRecord(const char* name, double bpm, long frames) {
    const std::string path = dir.file(name);
    const std::vector<long> beats = beatFrames(frames, bpm, 1000);
    EXPECT_TRUE(orvel_test::writeWav16(path, clicks(frames, beats), 2, 44100));
    return gridRecord(path, frames, bpm, beats);
  }

  // Waits until the audio thread has finished another buffer.
  static void waitBuffer(const std::atomic<long>& buffers) {
    const long target = buffers.load() + 1;
    waitUntil([&] { return buffers.load() >= target; }, 10);
  }
};

TEST_F(DeckRealtimeTest, ControlsAndLoadsWhileTheAudioThreadPlays) {
  CSoundSource deckB(1, ZRString(stripes()));
  const long frames = 8 * 44100;
  const TZRDatabaseTrack records[3] = {clickRecord("a.wav", 126.0, frames),
                                       clickRecord("b.wav", 105.0, frames),
                                       clickRecord("c.wav", 140.0, frames)};
  loadRecord(records[0]);
  loadRecord(records[1], &deckB);
  CSoundSource* decks[2] = {deck.get(), &deckB};

  std::atomic<bool> stop{false};
  std::atomic<long> buffers{0};
  orvel_test::resetCountedAllocations();
  std::thread audio([&] {
    std::vector<float> out(2 * 256);
    while (!stop.load()) {
      // Only this thread counts its allocations.
      orvel_test::setCountAllocations(true);
      for (int pass = 0; pass < 3; ++pass) {
        for (CSoundSource* d : decks) d->BeforeGetSamples(pass);
      }
      for (CSoundSource* d : decks) d->GetSamples(out.data(), 256);
      orvel_test::setCountAllocations(false);
      buffers.fetch_add(1);
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  });
  // The GUI tick and the "scratch" thread.
  std::thread clocks([&] {
    while (!stop.load()) {
      for (CSoundSource* d : decks) {
        d->BendAndSearch_TimerFunction();
        d->ScratchTimerUpdate(7);
        TTrackMarker* list;
        int count;
        d->GetTrackMarkers(&list, count);
        d->GetLoopInfo();
        d->takeLoopStateChanged();
        int p, l, bar;
        float phase;
        d->GetNearestBeatsInfo(p, l, phase, bar);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });

  deck->PlayPause(1);
  deckB.PlayPause(1);
  for (int round = 0; round < 400; ++round) {
    CSoundSource& d = *decks[round % 2];
    CSoundSource& other = *decks[1 - round % 2];
    switch (round % 20) {
      case 0:
        d.DoLoopFixed(1 << (round % 12), round % 3 == 0);
        break;
      case 1:
        d.DoInstantLoopFixed(16 << (round % 5));
        break;
      case 2:
        d.DoLoopInEnd();
        break;
      case 3:
        d.ResizeLoop(round % 2 ? 3000 : -3000);
        break;
      case 4:
        d.MoveLoop(round % 2 ? 5000 : -5000);
        break;
      case 5:
        d.ExitLoop(round % 2);
        break;
      case 6:
        d.ReLoop();
        break;
      case 7:
        d.SaveOrRecallLoopNo(round % 8);
        break;
      case 8:
        d.SkipBeatNext();
        d.SkipBarPrev();
        break;
      case 9:
        d.SyncDeckToOtherDeck(&other);
        break;
      case 10:
        d.MatchDeckToOtherDeck(&other);
        d.setIsAlwaysInSync(true);
        break;
      case 11:
        d.SetCurrentCue(round % 4);
        d.SetCueAtCurrentPos();
        d.CUE();
        d.CUEUnClick();
        break;
      case 12:
        d.CUEplay();
        d.getNearestBeatSample(20000, -1);
        break;
      case 13:
        d.ScratchMouseBegin(0, 1);
        d.ScratchMouseMove(4000);
        break;
      case 14:
        d.ScratchMouseEnd();
        d.ScratchJogWheelMove(70, 0, 2, 0, 0);
        break;
      case 15:
        d.ScratchJogWheelHold(1);
        d.ScratchJogWheelMove(60, 0, 2, 1, 0);
        d.ScratchJogWheelHold(0);
        break;
      case 16:
        d.BendUp_Click();
        d.SearchRight_Click();
        break;
      case 17:
        d.BendUp_UnClick();
        d.SearchRight_UnClick();
        d.SetPitch(round % 7 * 100);
        break;
      case 18:
        d.SetMasterTempo(round % 3 == 0);
        d.PlayPause(1);
        break;
      case 19:
        if (round % 60 == 19) d.SetForceLockBPM(120.0f);
        // A new track while the old one plays: its arrays go while the
        // audio thread may be looking for beats in them.
        if (round % 40 == 39) {
          ZRCodecBase::OpenStruct r;
          r.path = records[2 - round % 3].tags[kTagFileName];
          d.OpenFileName(&r, &records[2 - round % 3]);
        }
        break;
    }
    d.GetCurrentBPM();
    d.GetCurrentLoopSize();
    d.GetLoopSizeIn64Divisions();
    if (round % 4 == 0) waitBuffer(buffers);
  }
  stop.store(true);
  audio.join();
  clocks.join();
  EXPECT_GT(buffers.load(), 50);
  EXPECT_EQ(orvel_test::countedAllocations(), 0) << "the audio thread allocated";
}

}  // namespace
