// The user actions driving the whole engine on the manual pump, as the skin would: two generated tracks
// loaded into deck A and deck B through the load action, played from the play buttons, the time text
// moving on the GUI tick, the crossfader, an EQ kill, the cut-off filter, talk-over and the limiter heard
// in the output; a deck reaching its end; the question before replacing music that is being heard (its
// answer injected); every deck event shown although several arrive between two ticks; and the automix
// handing over from one deck to the other at the mix-out point.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/automix_actions.h"
#include "actions_dj/controller_notify.h"
#include "actions_dj/deck_display.h"
#include "actions_dj/deck_loading.h"
#include "actions_dj/deck_transport.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/mixer_actions.h"
#include "actions_dj/settings_mirrors.h"
#include "actions_dj/test_node_table.h"
#include "common/action_ids.h"
#include "common/zr_preferences.h"
#include "controllers/controller_notifications.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "soundio/engine_test_rig.h"
#include "soundio/manual_audio_device.h"
#include "soundio/zr_audio_multi_output.h"
#include "support/audio_test_sources.h"
#include "support/test_support.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBuffer = 512;

// The amplitude of the freq component of the left channel of interleaved stereo frames.
double toneLevel(const std::vector<float>& stereo, double freq) {
  const size_t frames = stereo.size() / 2;
  double re = 0, im = 0;
  for (size_t i = 0; i < frames; ++i) {
    const double phase = 2 * M_PI * freq * static_cast<double>(i) / 44100.0;
    re += stereo[2 * i] * std::cos(phase);
    im += stereo[2 * i] * std::sin(phase);
  }
  return 2.0 * std::hypot(re, im) / static_cast<double>(frames);
}

double dB(double ratio) { return 20.0 * std::log10(std::max(ratio, 1e-12)); }

class DeckActionsEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeMixerChannels();
    ASSERT_TRUE(orvel_test::writeWav16(dir.file("a.wav"), orvel_test::stereoToneTrack(1000.0, 6.0, 12000), 2, 44100));
    ASSERT_TRUE(orvel_test::writeWav16(dir.file("b.wav"), orvel_test::stereoToneTrack(1500.0, 6.0, 12000), 2, 44100));
    deckA = std::make_unique<CSoundSource>(0, ZRString(dir.file("Stripes")));
    deckB = std::make_unique<CSoundSource>(1, ZRString(dir.file("Stripes")));
    channelA = std::make_unique<ZRMixerChannel>(deckA.get(), nullptr, 0);
    channelB = std::make_unique<ZRMixerChannel>(deckB.get(), nullptr, 0);
    orvel_test::setUpTwoDeckMixer(main, channelA.get(), channelB.get());
    main.AddMixerMicrophoneChannel(&microphone);  // a silent microphone
    engine = std::make_unique<orvel_test::ManualEngine>(main, kBuffer);
    decks[0] = deckA.get();
    decks[1] = deckB.get();
    mixer = &main;
    MixerChannelDeck[0] = channelA.get();
    MixerChannelDeck[1] = channelB.get();
    // The shell's reaction to the limiter setting switches the output's limiter.
    settings = std::make_unique<ZRPreferences>(
        nullptr, [this](void*, const char* key, ZRPreferenceType, int value, float, const char*,
                        ZRPreferences::NotificationSource) {
          if (std::string(key) == "Limiter") engine->output->setLimiter(value != 0);
        });
    preferences = settings.get();
    table = std::make_shared<orvel_test::TestNodeTable>();
    installActionControls(table);
    installActionDialogs({[this](const ZRString&, const ZRString&, std::function<void()> onYes) {
                            ++questions;
                            if (answerYes) onYes();
                          },
                          [this](const ZRString&, const ZRString&) { ++messages; }});
    resetControllerNotifications();
    installControllerNotificationTable();
    PlayAfterLoading[0] = PlayAfterLoading[1] = 0;
    cfg_elapsed_time_displays_remain = 0;
  }

  void TearDown() override {
    installActionDialogs({});
    installActionControls(nullptr);
    installControllerNotificationSink(nullptr);
    preferences = nullptr;
    mixer = nullptr;
    MixerChannelDeck[0] = MixerChannelDeck[1] = nullptr;
    decks[0] = decks[1] = nullptr;
    engine.reset();
  }

  // One GUI tick: both decks' display update, then the counter moves on.
  void tick() {
    FastSearchTick(0);
    FastSearchTick(1);
    Afis_TIME(0, 0.025f);
    Afis_TIME(1, 0.025f);
    internal_afis_counter = (internal_afis_counter + 1) % 10;
  }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) tick();
  }

  // Ticks (as the GUI does) until the deck's track is open and decoded in full.
  bool tickUntilDecoded(CSoundSource& deck) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
      tick();
      if (deck.isTrackReady() && deck.GetLoadingProgressPercent() >= 100) {
        ticks(10);
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }

  bool loadBoth() {
    FDeck_LoadFile(ZRString(dir.file("a.wav")), ZRString(), nullptr, 0, 0.0f);
    FDeck_LoadFile(ZRString(dir.file("b.wav")), ZRString(), nullptr, 1, 0.0f);
    return tickUntilDecoded(*deckA) && tickUntilDecoded(*deckB);
  }

  // Runs seconds of sound; returns the master bus (or the device output) of the whole run.
  std::vector<float> run(double seconds, bool deviceOutput = false) {
    std::vector<float> kept, device(2 * kBuffer);
    const int buffers = static_cast<int>(std::lround(seconds * 44100 / kBuffer));
    for (int b = 0; b < buffers; ++b) {
      EXPECT_TRUE(pumpManualAudioDevice(kBuffer, nullptr, device.data()));
      const float* from = deviceOutput ? device.data() : engine->output->getBus(ZRAudioMultiOutput::kBusMaster);
      kept.insert(kept.end(), from, from + 2 * kBuffer);
    }
    return kept;
  }

  orvel_test::TempDir dir;
  std::unique_ptr<CSoundSource> deckA, deckB;
  std::unique_ptr<ZRMixerChannel> channelA, channelB;
  orvel_test::ConstSource microphone{0.0f, 0.0f};
  ZRMixer main{22050};
  std::unique_ptr<orvel_test::ManualEngine> engine;
  std::unique_ptr<ZRPreferences> settings;
  std::shared_ptr<orvel_test::TestNodeTable> table;
  int questions = 0, messages = 0;
  bool answerYes = false;
};

TEST_F(DeckActionsEngine, LoadPlayShowTheTimeAndCrossfade) {
  ASSERT_TRUE(loadBoth());
  EXPECT_EQ(table->caption(ACT_deck_songname, 0), table->caption(ACT_deck_titlename, 0));
  EXPECT_FALSE(table->caption(ACT_deck_songname, 0).empty());
  EXPECT_EQ(table->get(ACT_deck_pos, 1).maximum, deckB->GetLength() / 100);
  EXPECT_EQ(table->caption(ACT_deck_elapsed, 0), "00:00.0");
  EXPECT_EQ(table->caption(ACT_deck_remained, 0), "00:06.0");
  EXPECT_EQ(questions, 0);

  table->userClicks(ACT_deck_play_pause, 0);
  table->userClicks(ACT_deck_play_pause, 1);
  EXPECT_TRUE(deckA->IsPlaying());
  EXPECT_TRUE(deckB->IsPlaying());
  // The crossfader starts on deck A: deck A is heard, deck B is not.
  std::vector<float> heard = run(1.2);
  EXPECT_GT(toneLevel(heard, 1000.0), 0.2);
  EXPECT_LT(dB(toneLevel(heard, 1500.0) / toneLevel(heard, 1000.0)), -50.0);
  ticks(2);
  const std::string first = table->caption(ACT_deck_elapsed, 0);
  EXPECT_EQ(first.substr(0, 5), "00:01");
  run(0.5);
  ticks(2);
  EXPECT_GT(table->caption(ACT_deck_elapsed, 0), first);
  EXPECT_EQ(table->caption(ACT_deck_elapsed, 1).substr(0, 5), "00:01");
  EXPECT_LT(table->caption(ACT_deck_remained, 0), "00:06.0");

  // The crossfader moved by the user to deck B.
  table->userMoves(ACT_crossfader, -1, 127);
  EXPECT_EQ(table->getPos(ACT_cf_audio, -1, -1), 127);
  run(0.1);
  heard = run(0.5);
  EXPECT_GT(toneLevel(heard, 1500.0), 0.2);
  EXPECT_LT(dB(toneLevel(heard, 1000.0) / toneLevel(heard, 1500.0)), -50.0);
  // Half way both are heard.
  table->userMoves(ACT_crossfader, -1, 63);
  run(0.1);
  heard = run(0.5);
  EXPECT_GT(toneLevel(heard, 1000.0), 0.05);
  EXPECT_GT(toneLevel(heard, 1500.0), 0.05);
  // The tempo text shows a number (a pure tone has no beat: 0.00).
  EXPECT_FALSE(table->caption(ACT_deck_bpm, 0).empty());
}

TEST_F(DeckActionsEngine, KillCutoffTalkOverAndLimiterAreHeard) {
  ASSERT_TRUE(loadBoth());
  table->userClicks(ACT_deck_play_pause, 0);
  run(0.2);
  const double open = toneLevel(run(0.3), 1000.0);
  ASSERT_GT(open, 0.2);

  // 1 kHz lies in the mid band: its kill removes it, the low band's does not touch it.
  table->userToggles(ACT_deck_kill_low, 0);
  run(0.1);
  EXPECT_GT(dB(toneLevel(run(0.3), 1000.0) / open), -3.5);
  table->userToggles(ACT_deck_kill_low, 0);
  table->userToggles(ACT_deck_kill_mid, 0);
  run(0.1);
  // What is left comes through the low band's crossover skirt.
  EXPECT_LT(dB(toneLevel(run(0.3), 1000.0) / open), -20.0);
  table->userToggles(ACT_deck_kill_mid, 0);
  run(0.1);
  EXPECT_GT(dB(toneLevel(run(0.3), 1000.0) / open), -0.5);

  // The cut-off knob turned fully left filters the tone away; half way it already lowers it; back at 0 it
  // is heard as before.
  table->userMoves(ACT_deck_cutoff_filter, 0, -64);
  EXPECT_FALSE(table->caption(ACT_deck_cutoff, 0).empty());
  run(0.2);
  EXPECT_LT(dB(toneLevel(run(0.3), 1000.0) / open), -30.0);
  table->userMoves(ACT_deck_cutoff_filter, 0, -32);
  run(0.2);
  EXPECT_LT(dB(toneLevel(run(0.3), 1000.0) / open), -3.0);
  table->userMoves(ACT_deck_cutoff_filter, 0, 0);
  run(0.2);
  EXPECT_GT(dB(toneLevel(run(0.3), 1000.0) / open), -1.0);

  // Talk-over ducks the music by 12 dB and puts the microphone on air.
  table->userToggles(ACT_talkover, -1);
  EXPECT_TRUE(table->getSwitched(ACT_onair, -1));
  run(0.1);
  EXPECT_NEAR(dB(toneLevel(run(0.3), 1000.0) / open), -12.0, 0.5);
  table->userToggles(ACT_talkover, -1);
  run(0.1);

  // A hot signal: +12 dB of gain drives the output past full scale; the limiter holds it.
  table->userMoves(ACT_deck_gain, 0, 120);
  run(0.1);
  auto peak = [](const std::vector<float>& s) {
    float p = 0;
    for (float v : s) p = std::max(p, std::fabs(v));
    return p;
  };
  EXPECT_GT(peak(run(0.3, true)), 1.2f);
  FAudioMasterLimiter(1, -1, -1, nullptr);
  run(0.1, true);
  EXPECT_LE(peak(run(0.5, true)), 1.0f);
}

TEST_F(DeckActionsEngine, ADeckStopsAtItsEndAndShowsIt) {
  ASSERT_TRUE(loadBoth());
  table->userClicks(ACT_deck_play_pause, 1);
  // The user clicks the ring near its end: 5.94 s of 6.
  OnProgressPress(990, -1, 1, nullptr);
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (deckB->IsPlaying() && Clock::now() < deadline) {
    run(0.05);
    tick();
  }
  EXPECT_FALSE(deckB->IsPlaying());
  run(0.05);
  ticks(2);
  EXPECT_EQ(deckB->GetCurrentPos(), deckB->getCuePos(-1));
  EXPECT_EQ(table->caption(ACT_deck_elapsed, 1), "00:00.0");
  EXPECT_EQ(table->caption(ACT_deck_remained, 1), "00:06.0");
}

TEST_F(DeckActionsEngine, LoadingOntoAnAudibleDeckAsksFirst) {
  ASSERT_TRUE(loadBoth());
  const ZRString a = deckA->GetFileName(), b = deckB->GetFileName();
  table->userClicks(ACT_deck_play_pause, 0);
  table->userClicks(ACT_deck_play_pause, 1);
  run(0.1);

  // Deck A is heard (crossfader at 0): the question comes; no keeps the track.
  answerYes = false;
  FDeck_LoadFile(b, ZRString(), nullptr, 0, 0.0f);
  EXPECT_EQ(questions, 1);
  ticks(5);
  EXPECT_EQ(deckA->GetFileName(), a);
  EXPECT_TRUE(deckA->IsPlaying());
  // Unloading it asks too.
  FDeck_Unload(0, -1, 0, nullptr);
  EXPECT_EQ(questions, 2);
  EXPECT_GT(deckA->GetLength(), 0);

  // Deck B is not heard with the crossfader at 16 or below: no question.
  table->userMoves(ACT_crossfader, -1, 16);
  FDeck_LoadFile(a, ZRString(), nullptr, 1, 0.0f);
  EXPECT_EQ(questions, 2);
  ASSERT_TRUE(tickUntilDecoded(*deckB));
  EXPECT_EQ(deckB->GetFileName(), a);

  // Yes loads it.
  answerYes = true;
  FDeck_LoadFile(b, ZRString(), nullptr, 0, 0.0f);
  EXPECT_EQ(questions, 3);
  ASSERT_TRUE(tickUntilDecoded(*deckA));
  EXPECT_EQ(deckA->GetFileName(), b);
  // A load that plays the track at once never asks.
  table->userClicks(ACT_deck_play_pause, 0);
  run(0.1);
  PlayAfterLoading[0] = 1;
  FDeck_LoadFile(a, ZRString(), nullptr, 0, 0.0f);
  EXPECT_EQ(questions, 3);
  // A path that names no file is ignored.
  FDeck_LoadFile(ZRString(dir.file("missing.wav")), ZRString(), nullptr, 1, 0.0f);
  EXPECT_EQ(questions, 3);
}

// Everything the deck reports between two ticks is shown: the track open, then blocks decoded and the
// analysis finished, all taken by one tick (one event slot lost "loaded" to the later events).
TEST_F(DeckActionsEngine, EventsFasterThanTheTickAreAllApplied) {
  settings->setValue("UseAutoGain", 1, 0, ZRPreferences::NotificationProgram);
  TZRDatabaseTrack record;
  record.tags[kTagFileName] = ZRString(dir.file("b.wav"));
  record.tags[kTagTitle] = "Intro";
  record.id = ZRDatabase::getInstance()->addOrUpdate(&record);
  FDeck_LoadFile(record.tags[kTagFileName], ZRString(), &record, 1, -1.5f);
  EXPECT_EQ(table->getPos(ACT_deck_pitch_key, 1, 0), -6);
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (!(deckB->isTrackReady() && deckB->GetLoadingProgressPercent() >= 100 && deckB->isAnalysisDone()) &&
         Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(deckB->isAnalysisDone());
  EXPECT_NE(deckB->getPendingEvent() & CSoundSource::kEventTrackOpen, 0);
  tick();
  tick();  // deck B's slider and texts refresh on the second tick
  EXPECT_EQ(table->caption(ACT_deck_songname, 1), "Intro");  // an empty artist: just the title
  EXPECT_EQ(table->caption(ACT_deck_titlename, 1), "Intro");
  EXPECT_EQ(table->get(ACT_deck_pos, 1).maximum, deckB->GetLength() / 100);
  EXPECT_GT(table->get(ACT_deck_pos, 1).dataCount, 0);  // the overview after the analysis
  const TZRDatabaseTrack track = deckB->getCurrentTrack();
  if (track.pgainValid) {
    EXPECT_EQ(table->getPos(ACT_deck_gain, 1, -999), static_cast<int>(std::lround(10.0 * (track.pgain + 7.5))));
  }
  ZRControllerNotification title;
  ASSERT_TRUE(getCtrlNotif(findCtrlNotif("title", 1), title));
  EXPECT_STREQ(title.text, "Intro");
  settings->setValue("UseAutoGain", 0, 0, ZRPreferences::NotificationProgram);
}

// The unload leaves the record to the deck: the close still saves the record whole, and the deck empties
// its texts afterwards.
TEST_F(DeckActionsEngine, UnloadSavesTheRecordBeforeItIsEmptied) {
  TZRDatabaseTrack record;
  record.tags[kTagFileName] = ZRString(dir.file("a.wav"));
  record.tags[kTagArtist] = "Someone";
  record.tags[kTagTitle] = "Song";
  record.tags[kTagYear] = "1999";
  record.mediaType = 0;
  record.id = ZRDatabase::getInstance()->addOrUpdate(&record);
  FDeck_LoadFile(record.tags[kTagFileName], ZRString(), &record, 0, 0.0f);
  ASSERT_TRUE(tickUntilDecoded(*deckA));
  EXPECT_EQ(table->caption(ACT_deck_songname, 0), "Someone - Song");
  table->userToggles(ACT_deck_reverse, 0);
  EXPECT_EQ(deckA->GetDirection(), -1);

  FDeck_Unload(0, -1, 0, nullptr);
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (deckA->GetLength() > 0 && Clock::now() < deadline) {
    tick();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_EQ(deckA->GetLength(), 0);
  ticks(2);
  EXPECT_EQ(deckA->GetDirection(), 1);
  EXPECT_FALSE(table->getSwitched(ACT_deck_reverse, 0));
  const TZRDatabaseTrack left = deckA->getCurrentTrack();
  EXPECT_TRUE(left.tags[kTagArtist].empty());
  EXPECT_TRUE(left.tags[kTagTitle].empty());
  EXPECT_EQ(left.mediaType, -1);
  TZRDatabaseTrack saved;
  ASSERT_TRUE(ZRDatabase::getInstance()->getTrackIdData(record.id, &saved));
  EXPECT_EQ(saved.tags[kTagTitle], ZRString("Song"));
  EXPECT_EQ(saved.tags[kTagArtist], ZRString("Someone"));
  EXPECT_EQ(saved.tags[kTagYear], ZRString("1999"));
}

// Shut-down closes both decks, also one whose load is still pending, and never waits without bound.
TEST_F(DeckActionsEngine, CloseAllClosesEveryDeckInBoundedTime) {
  ASSERT_TRUE(loadBoth());
  FDeck_LoadFile(ZRString(dir.file("b.wav")), ZRString(), nullptr, 0, 0.0f);  // pending on deck A
  const auto start = Clock::now();
  EXPECT_TRUE(closeAllOpenedDecks(false, false));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2 * kCloseAllTimeoutMs + 1000));
  EXPECT_EQ(deckA->GetLength(), 0);
  EXPECT_EQ(deckB->GetLength(), 0);
  // Nothing to close: returns at once.
  EXPECT_TRUE(closeAllOpenedDecks(false, false));
}

TEST_F(DeckActionsEngine, FastSearchAndSeeks) {
  ASSERT_TRUE(loadBoth());
  FDeck_Pos(300, -1, 0, nullptr);  // 30000 frames
  run(0.02);
  EXPECT_NEAR(deckA->GetCurrentPos(), 30000, kBuffer);
  table->userClicks(ACT_deck_back_to_top, 0);
  run(0.02);
  EXPECT_EQ(deckA->GetCurrentPos(), 0);
  // Forward held, then rewind pressed: rewinding at once; releasing forward leaves the rewind running.
  FDeck_FwdClick(1, -1, 0, nullptr);
  tick();
  run(0.02);
  EXPECT_NEAR(deckA->GetCurrentPos(), 44100, kBuffer);
  FDeck_RevClick(1, -1, 0, nullptr);
  EXPECT_EQ(fastSearchCounter(0, true), -1);
  FDeck_FwdUnClick(0, -1, 0, nullptr);
  EXPECT_EQ(fastSearchCounter(0, false), 0);
  tick();
  run(0.02);
  EXPECT_EQ(deckA->GetCurrentPos(), 0);  // never before the start
  FDeck_RevUnClick(0, -1, 0, nullptr);
  // The jump grows: the 21st and 22nd ticks jump 20 and 22 seconds.
  FDeck_FwdClick(1, -1, 1, nullptr);
  for (int i = 0; i < 20; ++i) FastSearchTick(1);
  EXPECT_EQ(fastSearchCounter(1, true), 20);
  FastSearchTick(1);
  EXPECT_EQ(fastSearchCounter(1, true), 22);
  FDeck_FwdUnClick(0, -1, 1, nullptr);
  run(0.02);
  EXPECT_EQ(deckB->GetCurrentPos(), deckB->GetLength());  // never past the end
  // Reverse lights: direction -1 and the notification carries 1.
  table->userToggles(ACT_deck_reverse, 1);
  EXPECT_EQ(deckB->GetDirection(), -1);
  ZRControllerNotification reverse;
  ASSERT_TRUE(getCtrlNotif(findCtrlNotif("reverse", 1), reverse));
  EXPECT_EQ(reverse.value, 1);
  table->userToggles(ACT_deck_reverse, 1);
  EXPECT_EQ(deckB->GetDirection(), 1);
  // Zoom steps of the waveform.
  table->setZoom(ACT_sd_deck, 0, 3);
  FDeck_SoundDisplayZoomMore(0, -1, 0, nullptr);
  EXPECT_EQ(table->getZoom(ACT_sd_deck, 0), 1);
  table->setZoom(ACT_sd_deck, 0, 20);
  FDeck_SoundDisplayZoomLess(0, -1, 0, nullptr);
  EXPECT_EQ(table->getZoom(ACT_sd_deck, 0), 32);
}

// The automix over the whole engine: deck A plays to its end, the fade starts one fade time before it,
// deck B comes in while the crossfader moves across in GUI ticks, the level never dips, and deck A is
// loaded with the automix list's next track.
class AutomixEngine : public DeckActionsEngine {
 protected:
  void SetUp() override {
    DeckActionsEngine::SetUp();
    resetAutomix();
    lastUpdatingGUICallback_dt = 0.025f;
    list = ZRList::create("Automix", false, ZRList::kTypeAutomix, 0);
    for (const auto& [key, value] : {std::pair{"AutoMixFadeTime", 10}, std::pair{"UseAutoCueing", 1},
                                     std::pair{"UseSlowPitchReset", 1}, std::pair{"AutoMixLimitTrack", 0}}) {
      settings->setValue(key, value, 0, ZRPreferences::NotificationProgram);
    }
  }
  void TearDown() override {
    resetAutomix();
    ZRList::removeList(list);
    delete list;
    DeckActionsEngine::TearDown();
  }
  void addRow(const std::string& path) {
    TZRDatabaseTrack track;
    track.tags[kTagFileName] = ZRString(path);
    TZRListTrack row;
    row.trackId = ZRDatabase::getInstance()->addOrUpdate(&track);
    list->addLine(row, -1, false);
  }
  // One GUI tick of 25 ms of sound: the deck displays (with the end-of-track check), then the automix.
  std::vector<float> guiTick() {
    std::vector<float> heard = run(0.025);
    tick();
    processAutoMix();
    return heard;
  }
  ZRList* list = nullptr;
};

TEST(AutomixCurves, StepAndEndOfTrack) {
  struct StepCase {
    float dt;
    int tenths;
    float low, high;
  };
  const StepCase steps[] = {
      {0.025f, 60, 0.529f, 0.530f},  // 127 units over 6 s at 40 ticks a second
      {0.025f, 0, 127.0f, 127.0f},   // no fade time: one tick
      {0.025f, -5, 127.0f, 127.0f},  // a negative one too (it never ended)
      {0.0f, 60, 0.02f, 0.03f},      // a tick of 0 s still moves
      {0.025f, 1000000000, 1e-3f, 1e-3f},
  };
  for (const StepCase& c : steps) {
    const float step = automixStep(c.dt, c.tenths);
    EXPECT_GE(step, c.low) << c.dt << " " << c.tenths;
    EXPECT_LE(step, c.high) << c.dt << " " << c.tenths;
  }
  const long long s = 44100, length = 100 * s;
  struct EndCase {
    long long position, mixIn, mixOut;
    int tenths, limit;
    bool ends;
  };
  const EndCase ends[] = {
      {length - 26 * s - 1, 0, length - 20 * s, 60, 0, false},  // 6 s fade, mix-out 20 s before the end
      {length - 26 * s + 1, 0, length - 20 * s, 60, 0, true},
      {10 * s, 0, 0, 60, 0, false},  // an unset mix-out cue is the end, not the start
      {length - 6 * s + 1, 0, 0, 60, 0, true},
      {60 * s - 1, 0, length - 1, 60, 2, false},  // two 30 s units of play
      {60 * s + 1, 0, length - 1, 60, 2, true},
      {30 * s + 1, 20 * s, length - 1, 60, 1, false},  // counted from the mix-in cue
      {50 * s + 1, 20 * s, length - 1, 60, 1, true},
      {90 * s, 0, length - 1, 60, 2000, false},  // 2000 units is past 32 bits of frames
      {10 * s, 0, length - 1, -3, 0, false},
  };
  for (const EndCase& c : ends) {
    EXPECT_EQ(automixDeckEnds(length, c.position, c.mixIn, c.mixOut, c.tenths, c.limit), c.ends)
        << c.position / 44100.0 << " s, limit " << c.limit;
  }
}

TEST_F(AutomixEngine, HandsOverAtTheEndWithoutADipAndLoadsTheNextTrack) {
  ASSERT_TRUE(loadBoth());
  ASSERT_TRUE(
      orvel_test::writeWav16(dir.file("c.wav"), orvel_test::stereoToneTrack(700.0, 4.0, 12000), 2, 44100));
  addRow(dir.file("c.wav"));
  table->userMoves(ACT_crossfader, -1, 0);
  table->userClicks(ACT_deck_play_pause, 0);
  // Automix on with something playing: nothing starts at once.
  table->userToggles(ACT_autodj, -1);
  int on = 0;
  EXPECT_TRUE(settings->getValue("AutoMixOn", on));
  EXPECT_EQ(on, 1);
  EXPECT_FALSE(automixFade().mixing);

  const double open = toneLevel(run(0.3), 1000.0);
  ASSERT_GT(open, 0.2);
  const int length = deckA->GetLength();
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  int startedAt = -1;
  double lowest = 1e9;
  while (Clock::now() < deadline) {
    const int position = deckA->GetCurrentPos();
    std::vector<float> heard = guiTick();
    const ZRAutomixFade fade = automixFade();
    if (startedAt < 0 && fade.mixing) startedAt = position;
    if (startedAt >= 0) {
      // Both tones together, block by block: the sum of the two levels.
      lowest = std::min(lowest, toneLevel(heard, 1000.0) + toneLevel(heard, 1500.0));
      if (!fade.mixing) break;
    }
  }
  ASSERT_GE(startedAt, 0) << "no fade started";
  EXPECT_NEAR(length - startedAt, 44100, 44100 * 0.1) << "the fade starts one fade time before the end";
  EXPECT_EQ(main.GetCrossfaderPosition(), 127);
  EXPECT_TRUE(deckB->IsPlaying());
  EXPECT_GT(dB(lowest / open), -3.5) << "the level dipped during the fade";
  // Deck A takes the list's next track.
  EXPECT_EQ(list->getCount(), 0);
  const auto loaded = Clock::now() + std::chrono::seconds(20);
  while (Clock::now() < loaded &&
         !(deckA->isTrackReady() && deckA->GetLength() > 0 && deckA->GetLength() != length)) {
    tick();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_TRUE(deckA->isTrackReady());
  EXPECT_EQ(deckA->GetLength(), 4 * 44100);
}

TEST_F(AutomixEngine, FadesByHandTowardTheOtherSideAndStopOnTheCrossfader) {
  ASSERT_TRUE(loadBoth());
  // Next with the crossfader at 100 goes toward deck A.
  table->userMoves(ACT_crossfader, -1, 100);
  table->userClicks(ACT_autodj_next, -1);
  ASSERT_TRUE(automixFade().mixing);
  EXPECT_FALSE(automixFade().toB);
  for (int i = 0; i < 5; ++i) guiTick();
  EXPECT_LT(main.GetCrossfaderPosition(), 100);
  EXPECT_TRUE(deckA->IsPlaying());
  // The user's hand on the crossfader stops the fade where it is.
  table->userMoves(ACT_crossfader, -1, 90);
  EXPECT_FALSE(automixFade().mixing);
  guiTick();
  EXPECT_EQ(main.GetCrossfaderPosition(), 90);
  // The side buttons: nothing when already there.
  table->userMoves(ACT_crossfader, -1, 126);
  table->userClicks(ACT_autodj_to_right, -1);
  EXPECT_FALSE(automixFade().mixing);
  table->userMoves(ACT_crossfader, -1, 1);
  table->userClicks(ACT_autodj_to_left, -1);
  EXPECT_FALSE(automixFade().mixing);
  table->userClicks(ACT_autodj_to_right, -1);
  EXPECT_TRUE(automixFade().mixing);
  EXPECT_TRUE(automixFade().toB);
  // With a fade time of 0 the fade completes in one tick.
  settings->setValue("AutoMixFadeTime", 0, 0, ZRPreferences::NotificationProgram);
  table->userMoves(ACT_crossfader, -1, 64);
  table->userClicks(ACT_autodj_to_left, -1);
  EXPECT_TRUE(automixFade().mixing);
  guiTick();
  EXPECT_FALSE(automixFade().mixing);
  EXPECT_EQ(main.GetCrossfaderPosition(), 0);
}

// With automix on, an empty automix list and an empty other deck, the end of the audible deck starts no
// fade (it would go back and forth for ever).
TEST_F(AutomixEngine, NothingToFadeToStartsNothing) {
  FDeck_LoadFile(ZRString(dir.file("a.wav")), ZRString(), nullptr, 0, 0.0f);
  ASSERT_TRUE(tickUntilDecoded(*deckA));
  settings->setValue("AutoMixOn", 1, 0, ZRPreferences::NotificationProgram);
  table->userMoves(ACT_crossfader, -1, 0);
  deckA->SetPositionAsync(deckA->GetLength() - 4410.0);
  run(0.05);
  for (int i = 0; i < 20; ++i) guiTick();
  EXPECT_FALSE(automixFade().mixing);
}

}  // namespace
