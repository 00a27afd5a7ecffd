// Moving a deck by hand: mouse and jog-wheel scratching move the position by
// the dragged amount, throws, the jog wheel's encodings and idle end, nudges,
// pitch bend and fast search, and what an empty deck refuses.

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "deck_test_util.h"

namespace {

using namespace deck_test;

class DeckScratchTest : public DeckFixture {
 protected:
  // The "scratch" thread's clock and the audio thread, interleaved: 25 ms of
  // each at a time.
  void scratchFor(int ticks) {
    for (int i = 0; i < ticks; ++i) {
      deck->ScratchTimerUpdate(7);
      render(1102);
    }
  }
};

TEST_F(DeckScratchTest, MouseScratchMovesByTheDraggedAmount) {
  loadAndDecode(patternTrack(10 * 44100));
  deck->SetPositionAsync(100000);
  render(64);
  // The skin's jog wheel: relative frame offsets.
  deck->ScratchMouseBegin(-1, 1);
  EXPECT_TRUE(deck->IsScratching());
  deck->ScratchMouseMove(5000);
  scratchFor(40);
  EXPECT_NEAR(deck->GetPlayPosition(), 105000, 2);
  deck->ScratchMouseMove(-8000);
  scratchFor(40);
  EXPECT_NEAR(deck->GetPlayPosition(), 97000, 2);
  deck->ScratchMouseEnd();
  EXPECT_FALSE(deck->IsScratching());
  EXPECT_FALSE(deck->IsPlaying()) << "released slowly, a paused deck stays paused";

  // The waveform: pointer coordinates, 31 frames per unit, up or left is
  // forward.
  const double at = deck->GetPlayPosition();
  deck->ScratchMouseBegin(200, 0);
  deck->ScratchMouseMove(150);
  deck->ScratchMouseMove(100);
  scratchFor(40);
  EXPECT_NEAR(deck->GetPlayPosition(), std::floor(at) + 100 * 31, 2);
  deck->ScratchMouseEnd();
}

TEST_F(DeckScratchTest, AScratchOnAPausedDeckStopsThePlatterAndAThrowStartsIt) {
  loadAndDecode(patternTrack(20 * 44100));
  deck->SetPositionAsync(100000);
  render(64);
  deck->ScratchMouseBegin(500, 0);
  const std::vector<float> held = render(256);
  for (float v : held) EXPECT_EQ(v, 0.0f) << "the platter stops at once";
  deck->ScratchMouseMove(470);  // 30 units: a throw
  render(256);
  deck->ScratchMouseEnd();
  EXPECT_TRUE(deck->IsPlaying());
  // The glide after a throw approaches the speed exponentially (about 1.7 s
  // a step of e) and snaps within 0.01 of it.
  render(44100);
  EXPECT_LT(deck->GetCurrentSpeed(), 0.9);
  render(7 * 44100);
  EXPECT_DOUBLE_EQ(deck->GetCurrentSpeed(), 1.0);

  // With key lock the thrown deck reaches its speed by the ordinary ramp.
  deck->PlayPause(0);
  deck->SetMasterTempo(1);
  render(1024);
  deck->ScratchMouseBegin(500, 0);
  deck->ScratchMouseMove(470);
  render(256);
  deck->ScratchMouseEnd();
  EXPECT_TRUE(deck->IsPlaying());
  render(2100);
  EXPECT_DOUBLE_EQ(deck->GetCurrentSpeed(), 1.0);
}

TEST_F(DeckScratchTest, AnEmptyDeckCannotBeScratched) {
  deck->ScratchMouseBegin(0, 1);
  EXPECT_FALSE(deck->IsScratching());
  EXPECT_FALSE(deck->IsPlaying());
  deck->ScratchJogWheelHold(1);
  EXPECT_FALSE(deck->IsScratching());
  EXPECT_FALSE(deck->IsPlaying());
  deck->ScratchJogWheelMove(70, 64, 2, 1, 0);
  EXPECT_FALSE(deck->IsPlaying());
}

struct JogCase {
  const char* name;
  int value, previous, encoding, rate;
  int steps;  // signed: negative backwards
};

void PrintTo(const JogCase& c, std::ostream* os) {
  *os << c.name;
}

std::string jogCaseName(const ::testing::TestParamInfo<JogCase>& info) {
  return info.param.name;
}

class DeckJogTest : public DeckScratchTest, public ::testing::WithParamInterface<JogCase> {};

// Each encoding's step count moves the jog scratch's target by 41 frames a
// step.
TEST_P(DeckJogTest, WheelStepsMoveTheTarget) {
  const JogCase c = GetParam();
  loadAndDecode(patternTrack(10 * 44100));
  deck->SetPositionAsync(200000);
  render(64);
  deck->ScratchJogWheelHold(1);
  ASSERT_TRUE(deck->IsScratching());
  deck->ScratchJogWheelMove(c.value, c.previous, c.encoding, 1, c.rate);
  scratchFor(40);
  EXPECT_NEAR(deck->GetPlayPosition(), 200000 + 41.0 * c.steps, 2);
  deck->ScratchJogWheelHold(0);
  EXPECT_FALSE(deck->IsScratching());
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, DeckJogTest,
    ::testing::Values(
        JogCase{"TwosComplementForward", 70, 0, 2, 0, 60},
        JogCase{"TwosComplementBackward", 60, 0, 2, 0, -40}, JogCase{"SignBitForward", 70, 0, 0x8000, 0, 18},
        JogCase{"SignBitBackward", 50, 0, 0x8000, 0, -42}, JogCase{"FineForward", 70, 0, 0x10000, 0, 36},
        JogCase{"FineBackward", 54, 0, 0x100000, 0, -60}, JogCase{"AbsoluteForward", 15, 10, 0, 0, 30},
        JogCase{"AbsoluteBackward", 10, 15, 0, 0, -30}, JogCase{"AbsoluteWrapForward", 3, 120, 0, 0, 66},
        JogCase{"AbsoluteWrapBackward", 120, 3, 0, 0, -66}, JogCase{"AbsoluteStillAt64", 64, 64, 0, 0, -10},
        JogCase{"AbsoluteStillAt65", 65, 65, 0, 0, 10}, JogCase{"ScriptMovement", 5, -100, 0, 100, 96},
        JogCase{"ScriptSlowRate", -1, -100, 0, 1, -484}),
    jogCaseName);

TEST_F(DeckScratchTest, AnUntouchedJogScratchEndsWhenTheWheelRests) {
  loadAndDecode(patternTrack(10 * 44100));
  // A move of an untouched wheel on a paused deck starts a scratch.
  deck->ScratchJogWheelMove(70, 0, 2, 0, 0);
  ASSERT_TRUE(deck->IsScratching());
  deck->ScratchJogWheelMove(70, 0, 2, 0, 0);
  for (int i = 0; i < 4; ++i) deck->ScratchTimerUpdate(7);
  EXPECT_TRUE(deck->IsScratching());
  deck->ScratchTimerUpdate(7);
  EXPECT_FALSE(deck->IsScratching()) << "the fifth tick after a MIDI move";
  EXPECT_FALSE(deck->IsPlaying());

  deck->ScratchJogWheelMove(3, -100, 0, 0, 100);
  deck->ScratchJogWheelMove(3, -100, 0, 0, 100);
  for (int i = 0; i < 2; ++i) deck->ScratchTimerUpdate(7);
  EXPECT_TRUE(deck->IsScratching());
  deck->ScratchTimerUpdate(7);
  EXPECT_FALSE(deck->IsScratching()) << "the third tick after a script move";

  // A touched wheel holds the scratch however long it rests.
  deck->ScratchJogWheelHold(1);
  for (int i = 0; i < 20; ++i) deck->ScratchTimerUpdate(7);
  EXPECT_TRUE(deck->IsScratching());
  deck->ScratchJogWheelHold(0);
  EXPECT_FALSE(deck->IsScratching());
}

TEST_F(DeckScratchTest, NudgeBendsForFourTicks) {
  loadAndDecode(patternTrack(10 * 44100));
  deck->PlayPause(1);
  deck->ScratchJogWheelMove(70, 0, 2, 0, 0);  // untouched, playing: a nudge forward
  EXPECT_FALSE(deck->IsScratching());
  std::vector<int> pitches;
  for (int i = 0; i < 7; ++i) {
    deck->BendAndSearch_TimerFunction();
    pitches.push_back(deck->GetPitch());
  }
  EXPECT_EQ(pitches, (std::vector<int>{0, 200, 200, 200, 0, 0, 0}));
  EXPECT_FALSE(deck->IsBending());

  // A nudge the other way cuts a running one short: released two ticks
  // after it was pressed instead of four.
  deck->ScratchJogWheelMove(70, 0, 2, 0, 0);
  deck->BendAndSearch_TimerFunction();
  deck->ScratchJogWheelMove(60, 0, 2, 0, 0);
  deck->BendAndSearch_TimerFunction();
  EXPECT_EQ(deck->GetPitch(), 200);
  deck->BendAndSearch_TimerFunction();
  EXPECT_EQ(deck->GetPitch(), 0);
}

TEST_F(DeckScratchTest, PitchBendGrowsAndIsUndone) {
  loadAndDecode(patternTrack(10 * 44100));
  // The GUI ticks from the start: the nudge counters start at 0 and the
  // first tick sets them idle.
  deck->BendAndSearch_TimerFunction();
  deck->BendUp_Click();
  EXPECT_TRUE(deck->IsBending());
  std::vector<int> pitches;
  for (int i = 0; i < 3; ++i) {
    deck->BendAndSearch_TimerFunction();
    pitches.push_back(deck->GetPitch());
  }
  EXPECT_EQ(pitches, (std::vector<int>{45, 71, 98}));
  for (int i = 0; i < 400; ++i) deck->BendAndSearch_TimerFunction();
  EXPECT_EQ(deck->GetPitch(), 10000) << "the speed stays below 2";
  deck->BendDown_Click();  // not while another bend runs
  deck->BendUp_UnClick();
  EXPECT_EQ(deck->GetPitch(), 0);
  EXPECT_FALSE(deck->IsBending());

  deck->SetPitch(-500);
  deck->BendDown_Click();
  EXPECT_DOUBLE_EQ(deck->GetSpeedBeforeBend(), 0.95);
  for (int i = 0; i < 400; ++i) deck->BendAndSearch_TimerFunction();
  EXPECT_EQ(deck->GetPitch(), -10000) << "the speed stays above 0";
  deck->BendDown_UnClick();
  EXPECT_EQ(deck->GetPitch(), -500);
}

TEST_F(DeckScratchTest, SearchStepsGrowAndStopAtTheEnd) {
  const std::string path = dir.file("long.wav");
  const long frames = 400L * 44100;
  ASSERT_TRUE(writeSparseWav8(path, static_cast<uint32_t>(frames)));
  ASSERT_TRUE(request(path));
  collectEvents([](const std::vector<int>& v) { return contains(v, 2) || contains(v, 4); });
  ASSERT_EQ(deck->GetLength(), frames);
  deck->SearchRight_Click();
  std::vector<long> steps;
  double last = 0;
  for (int i = 0; i < 30; ++i) {
    deck->BendAndSearch_TimerFunction();
    render(32);
    steps.push_back(lrint((deck->GetPlayPosition() - last) / 44100));
    last = deck->GetPlayPosition();
  }
  const std::vector<long> expected = {1,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                      12, 13, 14, 15, 16, 17, 18, 19, 20, 22, 24};
  EXPECT_EQ(std::vector<long>(steps.begin(), steps.begin() + 23), expected);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), frames - 1) << "a search never passes the last frame";
  deck->SearchRight_UnClick();
  deck->SearchLeft_Click();
  deck->BendAndSearch_TimerFunction();
  render(32);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), frames - 1 - 44100);
  deck->SearchLeft_UnClick();
  deck->BendAndSearch_TimerFunction();
  render(32);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), frames - 1 - 44100);
}

TEST_F(DeckScratchTest, JogScratchModeOnlyWhilePlaying) {
  loadAndDecode(patternTrack(10 * 44100));
  deck->ToggleJogScratchMode();
  EXPECT_EQ(deck->GetJogScratchMode(), 0);
  deck->PlayPause(1);
  deck->ToggleJogScratchMode();
  EXPECT_EQ(deck->GetJogScratchMode(), 1);
  // In scratch mode an untouched wheel scratches instead of nudging.
  deck->ScratchJogWheelMove(70, 0, 2, 0, 0);
  EXPECT_TRUE(deck->IsScratching());
  deck->ScratchJogWheelHold(0);
  deck->PlayPause(0);
  EXPECT_EQ(deck->GetJogScratchMode(), 0);
}

}  // namespace
