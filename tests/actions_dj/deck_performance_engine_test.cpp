// The deck performance actions heard through the whole engine on the manual pump, as the skin calls them:
// tracks with exact beat grids (a ramp whose every frame can be told apart, click tracks), the master bus
// read back and the decks' positions measured. A 4-beat loop wraps sample-exactly; loop rolls, slices and
// loop cues return to where the track would have been; a pitch pad plays faster while held; sync lands on
// the other deck's beat phase; key lock holds the pitch while the tempo rises by 8 %; a waveform drag moves
// the deck by the dragged amount; a generated timecode signal on the live input drives the deck, and the
// analog input replaces the deck in the mix.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "actions_dj/action_controls.h"
#include "actions_dj/controller_notify.h"
#include "actions_dj/deck_display.h"
#include "actions_dj/deck_live_input.h"
#include "actions_dj/deck_loops.h"
#include "actions_dj/deck_pads.h"
#include "actions_dj/deck_scratch.h"
#include "actions_dj/deck_tempo.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/test_node_table.h"
#include "common/action_ids.h"
#include "common/zr_preferences.h"
#include "dsp/engine/live_input_source.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "engine/deck_test_util.h"
#include "soundio/engine_test_rig.h"
#include "support/timecode_synth.h"

namespace {

using deck_test::kScale;
constexpr int kBuffer = 512;
constexpr double kBeat = 22050.0;  // 120 BPM

// The pattern frame (modulo its 20000-frame period) a sample of the ramp came from.
long patternFrame(float sample) {
  return lrintf(sample / kScale) + 10000;
}

// Deck A as its mixer channel pulls it, keeping every frame the deck gave (the master bus is mixed and
// filtered, so the deck's own frames are read here).
class DeckTap : public ZRAudioSignalSource {
 public:
  explicit DeckTap(ZRAudioSignalSource& source) : source(source) {}
  void GetSamples(float* buffer, int frames) override {
    source.GetSamples(buffer, frames);
    kept.insert(kept.end(), buffer, buffer + 2 * frames);
  }
  void GetSamplesShort(short* buffer, int frames) override { source.GetSamplesShort(buffer, frames); }
  float GetCurrentBPM() override { return source.GetCurrentBPM(); }
  int GetCurrentPos() override { return source.GetCurrentPos(); }
  int GetLength() override { return source.GetLength(); }
  void BeforeGetSamples(int pass) override { source.BeforeGetSamples(pass); }
  // The frames kept since the last take.
  std::vector<float> take() { return std::exchange(kept, {}); }

 private:
  ZRAudioSignalSource& source;
  std::vector<float> kept;
};

class DeckPerformanceEngine : public deck_test::DeckFixture {
 protected:
  void SetUp() override {
    DeckFixture::SetUp();
    InitializeMixerChannels();
    deckB = std::make_unique<CSoundSource>(1, ZRString(stripes()));
    tapA = std::make_unique<DeckTap>(*deck);
    channelA = std::make_unique<ZRMixerChannel>(tapA.get(), nullptr, 0);
    channelB = std::make_unique<ZRMixerChannel>(deckB.get(), nullptr, 0);
    orvel_test::setUpTwoDeckMixer(main, channelA.get(), channelB.get());
    engine = std::make_unique<orvel_test::ManualEngine>(main, kBuffer);
    decks[0] = deck.get();
    decks[1] = deckB.get();
    mixer = &main;
    MixerChannelDeck[0] = channelA.get();
    MixerChannelDeck[1] = channelB.get();
    // The shell's reaction to the key-lock setting locks the player.
    settings =
        std::make_unique<ZRPreferences>(nullptr, [](void*, const char* key, ZRPreferenceType, int value,
                                                    float, const char*, ZRPreferences::NotificationSource) {
          if (std::string(key) == "KeyLockA") decks[0]->SetMasterTempo(value);
        });
    preferences = settings.get();
    table = std::make_shared<orvel_test::TestNodeTable>();
    installActionControls(table);
    installControllerNotificationSink([](const char* name, int deck, int value, double, const char*) {
      notified.push_back(std::string(name) + " " + std::to_string(deck) + " " + std::to_string(value));
    });
    notified.clear();
    resetPerformancePads(-1);
  }

  void TearDown() override {
    resetPerformancePads(-1);
    installControllerNotificationSink(nullptr);
    installActionControls(nullptr);
    preferences = nullptr;
    mixer = nullptr;
    MixerChannelDeck[0] = MixerChannelDeck[1] = nullptr;
    DeckLiveIn[0] = nullptr;
    decks[0] = decks[1] = nullptr;
    engine.reset();
    channelA.reset();
    channelB.reset();
    tapA.reset();
    deckB.reset();
    DeckFixture::TearDown();
    DeinitializeMixerChannels();
  }

  // A 40 s ramp at 120 BPM with its grid from frame 0, in deck A, playing from `from`.
  void playPattern(double from) {
    const long frames = 40 * 44100;
    loadRecord(gridRecord(patternTrack(frames), frames, 120.0, deck_test::beatFrames(frames, 120.0, 0)));
    deck->SetPositionAsync(from);
    deck->PlayPause(1);
  }

  // Checks that the master bus played the pattern frames first, first + 1, ... with the loop [start, end]
  // wrapping them, from output frame `at` on for count frames.
  static void expectFrames(const std::vector<float>& out, long at, long count, long first, long start = -1,
                           long end = -1) {
    long f = first;
    for (long k = at; k < at + count; ++k) {
      ASSERT_EQ(patternFrame(out[2 * k]), f % 20000) << "output frame " << k;
      f = f == end ? start : f + 1;
    }
  }

  // Pumps buffers device buffers; returns deck A's own frames of them.
  std::vector<float> pumpA(int buffers) {
    tapA->take();
    engine->pump(buffers);
    return tapA->take();
  }

  std::unique_ptr<CSoundSource> deckB;
  std::unique_ptr<DeckTap> tapA;
  std::unique_ptr<ZRMixerChannel> channelA, channelB;
  ZRMixer main{22050};
  std::unique_ptr<orvel_test::ManualEngine> engine;
  std::unique_ptr<ZRPreferences> settings;
  std::shared_ptr<orvel_test::TestNodeTable> table;
  static inline std::vector<std::string> notified;
};

// The master bus holds deck A's own samples: the frames played are the ramp's frames, and a 4-beat loop
// from the loop button plays start..end and wraps to start, sample for sample, and lights its button.
TEST_F(DeckPerformanceEngine, AFourBeatLoopWrapsSampleExactly) {
  playPattern(100000);
  // The first buffer fades in from the pause.
  std::vector<float> out = pumpA(4);
  expectFrames(out, kBuffer, 3 * kBuffer, 100000 + kBuffer);
  FDeck_LoopHalfBeats(1, 256, 0, nullptr);
  out = pumpA(4 * 4 * 44 + 8);
  const TLoopInfo loop = deck->GetLoopInfo();
  ASSERT_TRUE(loop.active);
  EXPECT_EQ(loop.length, 4 * 22050);
  EXPECT_EQ(loop.end, loop.start + loop.length - 1);
  EXPECT_LE(loop.start, 100000 + 4 * kBuffer);
  Afis_TIME(0, 0.025f);  // the next GUI tick shows it
  EXPECT_TRUE(table->getSwitched(ACT_deck_loop_4, 0));
  // Before the loop's end the deck plays on straight; from there it wraps, twice over.
  const long first = 100000 + 4 * kBuffer;
  expectFrames(out, 0, static_cast<long>(out.size() / 2), first, loop.start, loop.end);
}

// A roll loops from where its pad was pressed while held; on release the deck is exactly where it would
// have been without the roll, and plays on from there. Each pad rolls its own size.
TEST_F(DeckPerformanceEngine, LoopRollReturnsWhereTheTrackWouldHaveBeen) {
  playPattern(100000);
  long played = 0;
  for (int pad : {0, 4, 7}) {
    SCOPED_TRACE(testing::Message() << "pad " << pad);
    played += static_cast<long>(pumpA(3).size() / 2);
    const long pressedAt = 100000 + played;
    FDeck_LoopRoll_Click(1, pad, 0, nullptr);
    const int buffers = 6 + 20 * pad;
    std::vector<float> out = pumpA(buffers);
    played += buffers * kBuffer;
    const TLoopInfo loop = deck->GetLoopInfo();
    ASSERT_TRUE(loop.active);
    EXPECT_EQ(loop.start, pressedAt);
    EXPECT_EQ(deck->GetLoopSizeIn64Divisions(), loopRollSize(pad));
    expectFrames(out, 0, buffers * kBuffer, pressedAt, loop.start, loop.end);
    EXPECT_TRUE(deck->IsSlipping());

    FDeck_LoopRoll_UnClick(0, pad, 0, nullptr);
    out = pumpA(2);
    EXPECT_FALSE(deck->GetLoopInfo().active);
    EXPECT_FALSE(deck->IsSlipping());
    expectFrames(out, 0, 2 * kBuffer, 100000 + played);
    played += 2 * kBuffer;
    EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), 100000.0 + played);
  }
}

// Slices are the beats of the bar the deck was in; a second slice pad keeps that window. The slice loop
// loops one beat, the loop cue one bar from its hot cue; releasing the pad that plays returns the deck to
// where it would have been, and releasing a pad another took over from changes nothing.
TEST_F(DeckPerformanceEngine, SlicesAndLoopCuesPlayWhileHeldAndReturn) {
  playPattern(100000);
  engine->pump(4);
  FDeck_SliceCue_Click(1, 0, 0, nullptr);
  engine->pump(1);
  const double window = deck->GetPlayPosition() - kBuffer;
  EXPECT_LE(window, 100000 + 4 * kBuffer);
  EXPECT_GT(window + 4 * kBeat, 100000.0);
  EXPECT_NEAR(std::remainder(window, kBeat), 0.0, 100.0) << "on a beat of the grid";
  FDeck_SliceCue_Click(1, 3, 0, nullptr);
  engine->pump(1);
  EXPECT_NEAR(deck->GetPlayPosition(), window + 3 * kBeat + kBuffer, 1.0);
  FDeck_SliceCue_UnClick(0, 0, 0, nullptr);  // taken over: still slicing
  EXPECT_EQ(heldPerformancePad(0), 1 * 8 + 3);
  FDeck_SliceLoopCue_Click(1, 5, 0, nullptr);
  engine->pump(1);
  TLoopInfo loop = deck->GetLoopInfo();
  ASSERT_TRUE(loop.active);
  EXPECT_NEAR(loop.start, window + 5 * kBeat, 1.0);
  EXPECT_EQ(loop.length, 22050);
  FDeck_SliceLoopCue_UnClick(0, 5, 0, nullptr);
  engine->pump(1);
  EXPECT_FALSE(deck->GetLoopInfo().active);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), 100000.0 + 8 * kBuffer);

  // A loop cue of an unset hot cue does nothing; of a set one it loops a bar from the cue.
  FDeck_LoopCue_Click(1, 5, 0, nullptr);
  EXPECT_EQ(heldPerformancePad(0), -1);
  deck->setCuePos(300000, 5);
  FDeck_LoopCue_Click(1, 5, 0, nullptr);
  engine->pump(1);
  loop = deck->GetLoopInfo();
  ASSERT_TRUE(loop.active);
  EXPECT_EQ(loop.start, 300000);
  EXPECT_EQ(loop.length, 4 * 22050);
  FDeck_LoopCue_UnClick(0, 5, 0, nullptr);
  engine->pump(1);
  EXPECT_DOUBLE_EQ(deck->GetPlayPosition(), 100000.0 + 10 * kBuffer);
}

// A pitch pad plays from the current cue, faster by its interval and with key lock off, while held; on
// release pitch and key lock come back and the deck returns to where the track would have been at its own
// speed.
TEST_F(DeckPerformanceEngine, PitchCuePlaysTheCueFasterWhileHeld) {
  EXPECT_DOUBLE_EQ(pitchCueRatio(0), 1.0);
  EXPECT_NEAR(pitchCueRatio(4), std::pow(2.0, 7 / 12.0), 1e-12);
  EXPECT_DOUBLE_EQ(pitchCueRatio(7), 2.0);
  EXPECT_DOUBLE_EQ(pitchCueRatio(8), 1.0);
  playPattern(100000);
  table->userMoves(ACT_deck_pitch, 0, -100);  // pitch +1 %
  deck->SetMasterTempo(1);
  deck->setCuePos(400000, 2);
  deck->SetCurrentCue(2);
  engine->pump(4);
  const double before = deck->GetPlayPosition();
  FDeck_PitchCue_Click(1, 7, 0, nullptr);
  EXPECT_EQ(deck->GetPitch(), 10200);  // 1.01 x 2
  EXPECT_EQ(deck->GetMasterTempo(), 0);
  engine->pump(1);
  const double cueStart = deck->GetPlayPosition();
  EXPECT_GT(cueStart, 400000.0);
  EXPECT_LT(cueStart, 400000.0 + 2 * kBuffer);
  engine->pump(40);
  EXPECT_NEAR(deck->GetPlayPosition() - cueStart, 40 * kBuffer * 2.02, 1500.0)
      << "twice as fast, after the glide";
  FDeck_PitchCue_UnClick(0, 7, 0, nullptr);
  EXPECT_EQ(deck->GetPitch(), 100);
  EXPECT_EQ(deck->GetMasterTempo(), 1);
  engine->pump(1);
  // 41 buffers at 1.01, and one more buffer gliding back from twice the speed.
  const double expected = before + 41 * kBuffer * 1.01;
  EXPECT_GT(deck->GetPlayPosition(), expected + kBuffer * 0.99);
  EXPECT_LT(deck->GetPlayPosition(), expected + kBuffer * 2.03);
  EXPECT_FALSE(deck->IsSlipping());
}

// Sync through the deck's SYNC button: deck B takes deck A's tempo, starts, and lands within a frame of
// deck A's beat phase, its pitch slider showing the new pitch.
TEST_F(DeckPerformanceEngine, SyncLandsOnTheOtherDecksPhase) {
  const double bpmA = 126, bpmB = 105;
  const long firstA = 2000, firstB = 7300;
  loadRecord(clickRecord("a.wav", bpmA, firstA));
  loadRecord(clickRecord("b.wav", bpmB, firstB), deckB.get());
  preferences->setValue("UseSyncLock", 0, 0, ZRPreferences::NotificationProgram);
  table->setRange(ACT_deck_pitch, 1, -1600, 1600);
  table->userMoves(ACT_deck_pitch, 0, -150);
  deck->SetPositionAsync(60000.25);
  deck->PlayPause(1);
  deckB->SetPositionAsync(100123.5);
  engine->pump(4);
  FDeck_Sync(1, -1, 1, nullptr);
  EXPECT_TRUE(deckB->IsPlaying());
  EXPECT_EQ(deckB->GetPitch(), lrint((1.015 * bpmA / bpmB - 1) * 10000));
  // The sync needs more than the slider's range: the slider stops at its end, the deck keeps its pitch.
  EXPECT_EQ(table->getPos(ACT_deck_pitch, 1, 0), -1600);
  EXPECT_EQ(table->caption(ACT_deck_pitch_tempo, 1), "21.80%");
  engine->pump(10);
  const auto fraction = [](CSoundSource& d, double bpm, long first) {
    const double beat = 2646000.0 / bpm;
    const double f = std::fmod(d.GetPlayPosition() - first, beat) / beat;
    return f < 0 ? f + 1.0 : f;
  };
  double d = fraction(*deckB, bpmB, firstB) - fraction(*deck, bpmA, firstA);
  if (d > 0.5) d -= 1.0;
  if (d < -0.5) d += 1.0;
  // One frame, and what the pitch rounded to 1/100 % drifts over ten buffers.
  EXPECT_LT(std::fabs(d) * 2646000.0 / bpmB, 1.5) << "phase difference in frames of deck B";
}

// Key lock from its button: at +8 % tempo the deck moves 8 % faster and a 1 kHz tone stays at 1 kHz;
// without key lock the tone rises to 1.08 kHz.
TEST_F(DeckPerformanceEngine, KeyLockKeepsThePitchAtEightPercentMoreTempo) {
  ASSERT_TRUE(orvel_test::writeWav16(dir.file("tone.wav"), orvel_test::stereoToneTrack(1000.0, 20.0, 12000),
                                     2, 44100));
  loadAndDecode(dir.file("tone.wav"));
  table->userMoves(ACT_deck_pitch, 0, -800);
  ASSERT_EQ(deck->GetPitch(), 800);
  deck->SetPositionAsync(44100);
  deck->PlayPause(1);
  struct Case {
    int keyLock;
    double frequency;
  } cases[] = {{1, 1000.0}, {0, 1080.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "key lock " << c.keyLock);
    FDeck_KeyLock(c.keyLock, -1, 0, nullptr);
    EXPECT_EQ(deck->GetMasterTempo(), c.keyLock);
    engine->pump(20);  // past the speed's glide
    const double from = deck->GetPlayPosition();
    const std::vector<float> out = engine->pump(86);
    EXPECT_NEAR((deck->GetPlayPosition() - from) / (86.0 * kBuffer), 1.08, 0.005);
    double frequency = 0, rms = 0;
    orvel_test::analyseTone(out, 0, static_cast<long>(out.size() / 2), frequency, rms);
    EXPECT_NEAR(frequency, c.frequency, c.frequency * 0.005);
  }
}

// A drag across the waveform of a paused deck moves it by the dragged amount (31 frames per pixel, left is
// forward), through the scratch thread's steps and the audio thread's buffers.
TEST_F(DeckPerformanceEngine, WaveformDragMovesTheDeckByTheDraggedAmount) {
  playPattern(100000);
  deck->PlayPause(0);
  engine->pump(4);
  const double at = std::floor(deck->GetPlayPosition());
  struct Drag {
    int x;
    double position;
  } drags[] = {{500, at}, {400, at + 100 * 31}, {450, at + 50 * 31}};
  FDeck_Scratch_Begin(0, drags[0].x, 40, 1, 0, 0, nullptr);
  for (const Drag& drag : drags) {
    SCOPED_TRACE(testing::Message() << "x " << drag.x);
    FDeck_Scratch_Move(0, drag.x, 40, 1, 0, 0, nullptr);
    for (int i = 0; i < 40; i++) {
      scratch_thread_function(nullptr);
      engine->pump(2);
    }
    EXPECT_NEAR(deck->GetPlayPosition(), drag.position, 2.0);
  }
  FDeck_Scratch_End(0, -1, 0, nullptr);
  EXPECT_FALSE(deck->IsScratching());
  EXPECT_FALSE(deck->IsPlaying());
}

// The live input of deck A, fed one buffer ahead of each pump as the sound output fills it.
class DeckLiveInputEngine : public DeckPerformanceEngine {
 protected:
  void SetUp() override {
    DeckPerformanceEngine::SetUp();
    input = std::make_unique<CLiveInputSource>(deck.get(), 4410);
    DeckLiveIn[0] = input.get();
  }
  void TearDown() override {
    DeckPerformanceEngine::TearDown();
    input.reset();
  }
  std::vector<float> feed(const std::vector<float>& signal) {
    std::vector<float> kept;
    for (size_t at = 0; at + 2 * kBuffer <= signal.size(); at += 2 * kBuffer) {
      std::copy(signal.begin() + at, signal.begin() + at + 2 * kBuffer, input->getInputBuffer());
      const std::vector<float> out = engine->pump(1);
      kept.insert(kept.end(), out.begin(), out.end());
    }
    return kept;
  }
  std::unique_ptr<CLiveInputSource> input;
};

// Timecode in switches both buttons on and the record drives the deck: it plays at the record's speed
// from the record's position; timecode off puts the deck back on its own player with analog in off.
TEST_F(DeckLiveInputEngine, TimecodeInDrivesTheDeckFromTheGeneratedSignal) {
  loadAndDecode(patternTrack(40 * 44100));
  FDeck_TimecodeIn(1, -1, 0, nullptr);
  EXPECT_TRUE(table->getSwitched(ACT_deck_analogin, 0));
  EXPECT_EQ(input->GetTimeCodeMode(), 1);
  EXPECT_EQ(deck->GetTimecodedVinylMode(), 1);
  orvel_test::TimecodeSynth record;
  feed(record.render(10.0, 1.0, 3 * 44100));
  EXPECT_EQ(channelA->getSource(), input.get());
  EXPECT_TRUE(deck->IsPlaying());
  EXPECT_NEAR(input->GetTimecodeSpeed(), 1.0, 0.005);
  EXPECT_NEAR(deck->GetPlayPosition() / 44100.0, 13.0, 0.06);
  // Faster and further on: the deck follows.
  feed(record.render(20.0, 1.2, 2 * 44100));
  EXPECT_NEAR(input->GetTimecodeSpeed(), 1.2, 0.006);
  EXPECT_NEAR(deck->GetPlayPosition() / 44100.0, 22.4, 0.06);

  FDeck_TimecodeRelative(1, -1, 0, nullptr);
  EXPECT_EQ(input->GetRelativeMode(), 1);
  FDeck_TimecodeIn(0, -1, 0, nullptr);
  engine->pump(1);
  EXPECT_FALSE(table->getSwitched(ACT_deck_analogin, 0));
  EXPECT_EQ(input->GetTimeCodeMode(), 0);
  EXPECT_EQ(deck->GetTimecodedVinylMode(), 0);
  EXPECT_EQ(channelA->getSource(), deck.get());
  const std::vector<std::string> expected = {"analogIn 0 1", "timecodeIn 0 1", "analogIn 0 0",
                                             "timecodeIn 0 0"};
  EXPECT_EQ(notified, expected);
}

// Analog in mixes the line signal in place of the deck; analog off brings the deck back, switches timecode
// off with it and shows the player's pitch again.
TEST_F(DeckLiveInputEngine, AnalogInReplacesTheDeckInTheMix) {
  ASSERT_TRUE(orvel_test::writeWav16(dir.file("tone.wav"), orvel_test::stereoToneTrack(1000.0, 20.0, 12000),
                                     2, 44100));
  loadAndDecode(dir.file("tone.wav"));
  deck->SetPitch(-250);
  deck->PlayPause(1);
  // A 700 Hz line signal on the input.
  std::vector<float> line(2 * 44100);
  for (size_t i = 0; i < line.size() / 2; i++) {
    line[2 * i] = line[2 * i + 1] = static_cast<float>(0.3 * std::sin(2 * M_PI * 700.0 * i / 44100.0));
  }
  FDeck_AnalogIn(1, -1, 0, nullptr);
  std::vector<float> out = feed(line);
  double frequency = 0, rms = 0;
  orvel_test::analyseTone(out, 4 * kBuffer, static_cast<long>(out.size() / 2), frequency, rms);
  EXPECT_NEAR(frequency, 700.0, 3.5);

  table->setSwitched(ACT_deck_timecodein, 0, true, false);
  FDeck_AnalogIn(0, -1, 0, nullptr);
  EXPECT_FALSE(table->getSwitched(ACT_deck_timecodein, 0));
  EXPECT_EQ(table->caption(ACT_deck_pitch_tempo, 0), "-2.50%");
  out = feed(line);
  orvel_test::analyseTone(out, 4 * kBuffer, static_cast<long>(out.size() / 2), frequency, rms);
  EXPECT_NEAR(frequency, 1000.0 * 0.975, 5.0);
  // Decks and inputs that do not exist are left alone.
  FDeck_AnalogIn(1, -1, 2, nullptr);
  FDeck_TimecodeIn(1, -1, -1, nullptr);
  FDeck_TimecodeRelative(1, -1, 5, nullptr);
  EXPECT_EQ(channelA->getSource(), deck.get());
}

}  // namespace
