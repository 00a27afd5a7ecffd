// The deck performance actions through their functions, as the skin, MIDI and scripts call them: the pitch
// slider turning into tempo and its text, the key shift steps and the key text, hot cues that set, jump and
// clear when held (the held cue itself, never after a release or a load), the lit loop-size button, and
// indexes from outside (decks, cues, slots, sizes) that must change nothing.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/deck_cues.h"
#include "actions_dj/deck_display.h"
#include "actions_dj/deck_loading.h"
#include "actions_dj/deck_live_input.h"
#include "actions_dj/deck_loops.h"
#include "actions_dj/deck_pads.h"
#include "actions_dj/deck_scratch.h"
#include "actions_dj/deck_tempo.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/test_node_table.h"
#include "common/action_ids.h"
#include "common/zr_preferences.h"
#include "dsp/engine/sound_source.h"
#include "soundio/engine_test_rig.h"
#include "support/test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

class DeckPerformance : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(
        orvel_test::writeWav16(dir.file("a.wav"), orvel_test::stereoToneTrack(1000.0, 4.0, 12000), 2, 44100));
    deckA = std::make_unique<CSoundSource>(0, ZRString(dir.file("Stripes")));
    deckB = std::make_unique<CSoundSource>(1, ZRString(dir.file("Stripes")));
    decks[0] = deckA.get();
    decks[1] = deckB.get();
    settings = std::make_unique<ZRPreferences>(nullptr, nullptr);
    preferences = settings.get();
    table = std::make_shared<orvel_test::TestNodeTable>();
    installActionControls(table);
    installActionDialogs({nullptr, [this](const ZRString&, const ZRString&) { ++messages; }});
    resetHoldTimers(-1);
    resetPerformancePads(-1);
    resetKeyShiftWarning();
    slow_reset_pitch[0] = slow_reset_pitch[1] = 0;
  }
  void TearDown() override {
    installActionDialogs({});
    installActionControls(nullptr);
    preferences = nullptr;
    decks[0] = decks[1] = nullptr;
  }

  // Loads a.wav into deck A and waits (bounded) until it is decoded.
  bool loadA() {
    FDeck_LoadFile(ZRString(dir.file("a.wav")), ZRString(), nullptr, 0, 0.0f);
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
      Afis_TIME(0, 0.025f);
      if (deckA->isTrackReady() && deckA->GetLoadingProgressPercent() >= 100) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }

  orvel_test::TempDir dir;
  std::unique_ptr<CSoundSource> deckA, deckB;
  std::unique_ptr<ZRPreferences> settings;
  std::shared_ptr<orvel_test::TestNodeTable> table;
  int messages = 0;
};

// The slider holds the negated pitch: each position within the range from the settings plays at minus that
// pitch and shows it; a position beyond the range stops at its end.
TEST_F(DeckPerformance, PitchSliderPositionsGiveTheTempoAndItsText) {
  struct Case {
    int range, position, pitch;
    const char* text;
  } cases[] = {
      {1600, 150, -150, "-1.50%"}, {1600, -5, 5, "0.05%"},        {1600, 0, 0, "0.00%"},
      {400, 1000, -400, "-4.00%"}, {5000, -5000, 5000, "50.00%"}, {800, -801, 800, "8.00%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "range " << c.range << " position " << c.position);
    table->setRange(ACT_deck_pitch, 1, -c.range, c.range);
    table->userMoves(ACT_deck_pitch, 1, c.position);
    EXPECT_EQ(deckB->GetPitch(), c.pitch);
    EXPECT_EQ(table->caption(ACT_deck_pitch_tempo, 1), c.text);
  }
  EXPECT_EQ(deckA->GetPitch(), 0);
}

// A reset glides when slow reset is on and snaps on the second press; a moved slider stops the glide.
TEST_F(DeckPerformance, ResetPitchGlidesThenSnaps) {
  table->userMoves(ACT_deck_pitch, 0, 1234);
  FDeck_ResetPitch(0, -1, 0, nullptr);
  EXPECT_EQ(slow_reset_pitch[0].load(), 1);
  EXPECT_EQ(deckA->GetPitch(), -1234);
  table->userMoves(ACT_deck_pitch, 0, 1000);
  EXPECT_EQ(slow_reset_pitch[0].load(), 0);
  FDeck_ResetPitch(0, -1, 0, nullptr);
  FDeck_ResetPitch(0, -1, 0, nullptr);
  EXPECT_EQ(slow_reset_pitch[0].load(), 0);
  EXPECT_EQ(table->getPos(ACT_deck_pitch, 0, -1), 0);
  EXPECT_EQ(deckA->GetPitch(), 0);
}

TEST_F(DeckPerformance, KeyShiftStepsAndText) {
  struct Shift {
    int position, setting, cents;
  } shifts[] = {{7, 1, 100}, {-7, 1, -100}, {3, 2, 50}, {3, 3, 75}, {-48, 3, -1200}, {4, 1, 100}, {1, 2, 0}};
  for (const Shift& s : shifts) {
    EXPECT_EQ(keyShiftCents(s.position, s.setting), s.cents) << s.position << " step " << s.setting;
  }
  struct Text {
    int cents;
    const char* key;
    const char* text;
  } texts[] = {{-150, "08m/Am", "-1.50 (08m/Am)"},
               {0, "08m/Am", "= (08m/Am)"},
               {0, "", "="},
               {200, "", "+2.00"},
               {25, "01d/C", "+0.25 (01d/C)"}};
  for (const Text& t : texts) {
    char out[64];
    formatKeyText(t.cents, t.key, out);
    EXPECT_STREQ(out, t.text) << t.cents;
  }
  // Through the slider: half-semitone steps, the player shifted and the label written.
  preferences->setValue("KeyStepperSemitone", 2, 0, ZRPreferences::NotificationProgram);
  preferences->setValue("HighQualityTimeStretch", 0, 0, ZRPreferences::NotificationProgram);
  FDeck_PitchKey_StepAdjust(0, -1, 1, nullptr);
  FDeck_PitchKey_StepAdjust(0, -1, 1, nullptr);
  EXPECT_EQ(table->getPos(ACT_deck_pitch_key, 1, 0), -4);
  EXPECT_EQ(deckB->GetPitchKey(), -100);
  EXPECT_EQ(table->caption(ACT_deck_pitch_key_label, 1), "-1.00");
  // The quality warning is shown once per run, however often the key moves.
  EXPECT_EQ(messages, 1);
  EXPECT_TRUE(keyShiftWarningShown());
}

// A press on an unset hot cue stores it; a press on a set one jumps there and plays. Held through three
// slow ticks the held cue clears, even when another cue became current meanwhile; released before, or a
// new track loaded during the hold, nothing clears.
TEST_F(DeckPerformance, HotCuesSetJumpAndClearOnHold) {
  ASSERT_TRUE(loadA());
  deckA->setCuePos(0, 2);
  FDeck_CuePoint_Click(1, 2, 0, nullptr);
  FDeck_CuePoint_UnClick(0, 2, 0, nullptr);
  EXPECT_EQ(deckA->getCuePos(2), static_cast<int>(std::floor(deckA->GetPlayPosition())));
  EXPECT_FALSE(deckA->IsPlaying());
  EXPECT_TRUE(table->get(ACT_deck_cuepos_3, 0).lit);
  EXPECT_FALSE(table->get(ACT_deck_cuepos_1, 0).lit);

  deckA->setCuePos(22050, 4);
  FDeck_CuePoint_Click(1, 4, 0, nullptr);
  EXPECT_TRUE(deckA->IsPlaying());
  EXPECT_EQ(deckA->GetCurrentCue(), 4);
  deckA->PlayPause(0);  // a paused deck loads without asking

  struct Case {
    const char* what;
    int releaseAfterTicks;  // -1: held throughout
    bool loadDuringHold;
    bool cleared;
  } cases[] = {{"held", -1, false, true},
               {"released after one tick", 1, false, false},
               {"released at once", 0, false, false},
               {"load during the hold", -1, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    deckA->setCuePos(30000, 5);
    deckA->setCuePos(40000, 6);
    FDeck_CuePoint_Click(-100, 5, 0, nullptr);  // select only: the timer runs, nothing jumps
    deckA->SetCurrentCue(6);                    // another cue becomes current during the hold
    for (int tick = 0; tick < 3; tick++) {
      if (tick == c.releaseAfterTicks) FDeck_CuePoint_UnClick(0, 5, 0, nullptr);
      if (c.loadDuringHold && tick == 1) {
        ASSERT_TRUE(loadA());
        EXPECT_EQ(cuePointTimer[0][5].load(), -1);
        deckA->setCuePos(30000, 5);  // the new track's own cues
        deckA->setCuePos(40000, 6);
      }
      advanceHoldTimers(0);
    }
    FDeck_CuePoint_UnClick(0, 5, 0, nullptr);
    EXPECT_EQ(deckA->getCuePos(5), c.cleared ? 0 : 30000);
    EXPECT_EQ(deckA->getCuePos(6), 40000);
  }
  EXPECT_EQ(cuePointTimer[0][5].load(), -1);
}

TEST_F(DeckPerformance, TheLitLoopButtonIsTheLoopsSize) {
  struct Case {
    int size, button;
  } cases[] = {{4, ACT_deck_loop_sixteenth},
               {64, ACT_deck_loop_1},
               {256, ACT_deck_loop_4},
               {2048, ACT_deck_loop_32},
               {96, -1},
               {0, -1},
               {4096, -1}};
  for (const Case& c : cases) EXPECT_EQ(loopSizeButton(c.size), c.button) << c.size;
  ASSERT_TRUE(loadA());
  // No loop: every size button dark, and halving or moving a loop that is not there does nothing.
  table->setSwitched(ACT_deck_loop_4, 0, true, false);
  UpdateLoopButtonsState(0);
  for (int a = ACT_deck_loop_sixteenth; a <= ACT_deck_loop_32; a++)
    EXPECT_FALSE(table->getSwitched(a, 0)) << a;
  FDeck_LoopLess(0, -1, 0, nullptr);
  FDeck_LoopMore(0, -1, 0, nullptr);
  FDeck_LoopNext(0, -1, 0, nullptr);
  EXPECT_FALSE(deckA->GetLoopInfo().active);
}

// Skins, scripts and MIDI pass any index: outside their ranges the actions touch nothing.
TEST_F(DeckPerformance, IndexesOutOfRangeChangeNothing) {
  ASSERT_TRUE(loadA());
  deckA->setCuePos(1234, 0);
  struct Call {
    void (*action)(int, int, int, ZRDrawNode*);
    int value, param, deck;
  } calls[] = {
      {FDeck_CuePoint_Click, 1, 18, 0},
      {FDeck_CuePoint_Click, 1, -1, 0},
      {FDeck_CuePoint_Click, 1, 0, 2},
      {FDeck_CuePoint_RightClick, 1, 18, 0},
      {FDeck_ClearCuePoint_Click, 1, 99, 0},
      {FDeck_ClearCuePoint_Click, 1, 0, -1},
      {FDeck_CuePointClear, 1, 0, 5},
      {FDeck_LoopNo_Press, 1, 8, 0},
      {FDeck_LoopNo_Press, 1, -1, 0},
      {FDeck_LoopNo_RightPress, 1, 8, 0},
      {FDeck_LoopHalfBeats, 1, 0, 0},
      {FDeck_LoopHalfBeats, 1, 5000, 0},
      {FDeck_LoopHalfBeats_RightPress, 1, 0, 0},
      {FDeck_Sync, 1, -1, 7},
      {FDeck_Sync, 1, -1, -1},
      {FDeck_Pitch, 300, -1, 3},
      {FDeck_PitchKey, 8, -1, -1},
      {FDeck_CuePoint, 0, 40, 0},
      {FDeck_LoopRoll_Click, 1, 8, 0},
      {FDeck_SliceCue_Click, 1, -1, 0},
      {FDeck_SliceLoopCue_Click, 1, 0, 3},
      {FDeck_LoopCue_Click, 1, 1, 0},  // hot cue 2 is unset
      {FDeck_PitchCue_Click, 1, 0, -1},
      {FDeck_PitchCue_UnClick, 1, 0, 0},
      {FDeck_AnalogIn, 1, -1, 0},  // deck A has no live input here
      {FDeck_TimecodeIn, 1, -1, 9},
  };
  for (const Call& c : calls) c.action(c.value, c.param, c.deck, nullptr);
  EXPECT_EQ(deckA->getCuePos(0), 1234);
  EXPECT_FALSE(deckA->IsPlaying());
  EXPECT_FALSE(deckA->GetLoopInfo().active);
  EXPECT_EQ(deckA->GetPitch(), 0);
  EXPECT_EQ(deckA->GetPitchKey(), 0);
  EXPECT_EQ(heldPerformancePad(0), -1);
  EXPECT_EQ(deckA->GetTimecodedVinylMode(), 0);
  for (auto& timer : loopTimer[0]) EXPECT_EQ(timer.load(), -1);
}

// A pitch pad held while a new track loads belongs to the old track: the load lets go of it and brings
// key lock back (the pitch starts at 0, as after every load), and the pad's late release changes nothing.
TEST_F(DeckPerformance, ALoadLetsGoOfAHeldPitchPad) {
  ASSERT_TRUE(loadA());
  table->userMoves(ACT_deck_pitch, 0, -300);
  deckA->SetMasterTempo(1);
  FDeck_PitchCue_Click(1, 7, 0, nullptr);
  EXPECT_EQ(deckA->GetPitch(), 10600);
  EXPECT_EQ(deckA->GetMasterTempo(), 0);
  ASSERT_TRUE(loadA());
  EXPECT_EQ(heldPerformancePad(0), -1);
  EXPECT_EQ(deckA->GetPitch(), 0);
  EXPECT_EQ(deckA->GetMasterTempo(), 1);
  table->userMoves(ACT_deck_pitch, 0, -500);
  FDeck_PitchCue_UnClick(0, 7, 0, nullptr);
  EXPECT_EQ(deckA->GetPitch(), 500);
}

// Sync needs two decks with tracks: with deck B empty nothing happens to deck A.
TEST_F(DeckPerformance, SyncToAnEmptyDeckDoesNothing) {
  ASSERT_TRUE(loadA());
  preferences->setValue("UseSyncLock", 0, 0, ZRPreferences::NotificationProgram);
  table->userMoves(ACT_deck_pitch, 0, 300);
  FDeck_Sync(0, -1, 0, nullptr);
  FDeck_Match(0, -1, 0, nullptr);
  EXPECT_EQ(deckA->GetPitch(), -300);
  EXPECT_EQ(table->getPos(ACT_deck_pitch, 0, 0), 300);
}

// A drag on the waveform scratches the deck it belongs to, from the slot's own coordinates, through the
// scratch thread's steps, and lets go on release; an empty or unknown deck does not scratch.
TEST_F(DeckPerformance, WaveformScratchStartsAndEndsOnItsOwnDeck) {
  ASSERT_TRUE(loadA());
  const double start = deckA->GetPlayPosition();
  struct Step {
    int vertical, x, y;
  } begin{0, 500, 7}, move{0, 300, 9};
  FDeck_Scratch_Begin(begin.vertical, begin.x, begin.y, 1, 0, 0, nullptr);
  EXPECT_TRUE(deckA->IsScratching());
  FDeck_Scratch_Move(move.vertical, move.x, move.y, 1, 0, 0, nullptr);
  for (int i = 0; i < 50; i++) scratch_thread_function(nullptr);
  FDeck_Scratch_End(0, 0, 0, nullptr);
  EXPECT_FALSE(deckA->IsScratching());
  FDeck_Scratch_Begin(0, 10, 10, 1, 0, 1, nullptr);  // deck B holds no track
  EXPECT_FALSE(deckB->IsScratching());
  FDeck_Scratch_Begin(0, 10, 10, 1, 0, 9, nullptr);  // no such deck
  EXPECT_FALSE(deckA->IsScratching());
  EXPECT_GE(deckA->GetPlayPosition(), start);
}

}  // namespace
