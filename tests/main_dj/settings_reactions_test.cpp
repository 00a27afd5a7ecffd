// Each setting's change reaching its reaction: a table of settings and the effect each one has on the
// engine, the dialog and the values the actions read; the restart message only for the user's own changes;
// changes made on another thread applied on the main thread, in order.

#include "main_dj/settings_reactions.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/stattext.h>

#include <chrono>
#include <functional>
#include <thread>

#include "actions_dj/action_controls.h"
#include "actions_dj/background_analysis.h"
#include "actions_dj/player_actions.h"
#include "actions_dj/settings_mirrors.h"
#include "actions_dj/test_node_table.h"
#include "common/action_ids.h"
#include "database/zr_database.h"
#include "dsp/engine/effect_dynamics.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_batch_audio_detection.h"
#include "dsp/engine/zr_simple_mix_zone.h"
#include "main_window_rig.h"
#include "opengl_directx/zr_video_preview_frame.h"
#include "shell_engine_rig.h"
#include "support/log_capture.h"

using orvel_test::LogCapture;
using orvel_test::ShellRig;
using orvel_test::ShellSandbox;
using Source = ZRPreferences::NotificationSource;

namespace {

std::string label(int id) {
  auto* text = ShellRig::control<wxStaticText>(id);
  return text != nullptr ? std::string(text->GetLabel().utf8_str()) : "<no control>";
}

testing::AssertionResult labelIs(int id, const std::string& expected) {
  const std::string shown = label(id);
  if (shown == expected) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "control " << id << " shows '" << shown << "', not '" << expected
                                     << "'";
}

// Both decks answer the same.
testing::AssertionResult bothDecks(const std::function<bool(CSoundSource*)>& test) {
  for (int deck = 0; deck < 2; ++deck) {
    if (!test(decks[deck])) return testing::AssertionFailure() << "deck " << deck;
  }
  return testing::AssertionSuccess();
}

testing::AssertionResult truth(bool value, const char* what) {
  return value ? testing::AssertionSuccess() : testing::AssertionFailure() << what;
}

struct ReactionRow {
  const char* key;
  int value;
  std::function<testing::AssertionResult()> effect;
};

using SettingsReactions = orvel_test::ShellRigTest;

// The engine objects the reactions act on, besides the mixer and the output of the rig.
struct EngineObjects {
  EngineObjects() {
    const ZRString stripes(theStripesDir);
    decks[0] = new CSoundSource(0, stripes);
    decks[1] = new CSoundSource(1, stripes);
    fillerPlayer = new ZRSimpleMixZone(FillerPlayerGetNextFileCallback, 1.0f, false, -1, 1.5f, 0.5f);
    fillerPlayerChIndex = mixer->AddMixerChannel(fillerPlayer);
    batchAudioDetection = new ZRBatchAudioDetection(stripes, false, true);
  }
  ~EngineObjects() {
    // The output is closed before what it plays goes.
    audioOutput->updateAudioDevices(-1, -1, 0, nullptr, 0);
    delete batchAudioDetection;
    batchAudioDetection = nullptr;
    delete decks[0];
    delete decks[1];
    decks[0] = decks[1] = nullptr;
    delete fillerPlayer;
    fillerPlayer = nullptr;
    fillerPlayerChIndex = -1;
  }
};

}  // namespace

TEST_F(SettingsReactions, EachSettingReachesItsReaction) {
  EngineObjects engine;
  ASSERT_EQ(rig->start(), 1);

  const ReactionRow rows[] = {
      {"AutoMixFadeTime", 60,
       [] {
         if (!labelIs(10056, "6.0 s")) return labelIs(10056, "6.0 s");
         return truth(fillerPlayer->getMixer()->AutoMixGetMixTime() == 6.0f, "filler crossfade 6 s");
       }},
      {"AutoMixFadeTime", 125, [] { return labelIs(10056, "12.5 s"); }},
      {"AutoMixLimitTrack", 0, [] { return labelIs(10059, "no limit"); }},
      {"AutoMixLimitTrack", 1, [] { return labelIs(10059, "30s"); }},
      {"AutoMixLimitTrack", 2, [] { return labelIs(10059, "1m0s"); }},
      {"AutoMixLimitTrack", 5, [] { return labelIs(10059, "2m30s"); }},
      {"PitchRange", 2, [] { return labelIs(10062, "8%"); }},
      {"PitchRange", 7, [] { return labelIs(10062, ""); }},
      {"CutoffFilter", 1, [] { return labelIs(10065, "LowPass"); }},
      {"CutoffFilter", 2, [] { return labelIs(10065, "LowPass && HighPass"); }},
      {"CutoffFilter", 3, [] { return labelIs(10065, "HighPass"); }},
      {"KeyStepperSemitone", 2, [] { return labelIs(10068, "Half semitone"); }},
      {"SamplerMode", 2, [] { return labelIs(10074, "Instant"); }},
      {"CrossfaderCurve", 29,
       [] {
         if (mixer->GetCrossfaderCurveStartPoint() != 29) return truth(false, "mixer curve from 29");
         return labelIs(10071, "Soft");
       }},
      {"CrossfaderCurve", 30, [] { return labelIs(10071, "Normal"); }},
      {"CrossfaderCurve", 70, [] { return labelIs(10071, "Normal"); }},
      {"CrossfaderCurve", 71, [] { return labelIs(10071, "Hard"); }},
      {"DisableCrossfaderAndVolumes", 1,
       [] { return truth(mixer->GetEnableCrossfaderAndVolume() == 0, "external"); }},
      {"DisableCrossfaderAndVolumes", 0,
       [] { return truth(mixer->GetEnableCrossfaderAndVolume() == 1, "internal"); }},
      {"SearchInMiddleOfWords", 1,
       [] { return truth(ZRDatabase::getInstance()->getSearchInMiddleOfWords(), "search in words"); }},
      {"RemainingTime", 1,
       [] { return truth(cfg_elapsed_time_displays_remain.load() == 1, "remaining time"); }},
      {"ShadersOnTop", 1, [] { return truth(cfg_show_shaders_on_top.load() == 1, "shaders on top"); }},
      {"VideoEnabled", 1, [] { return truth(cfg_enable_video_mixing_window.load() == 1, "video window"); }},
      {"UseSteadyBpmDetection", 0,
       [] {
         if (!updateBatchAudioDetection.load()) return truth(false, "background analysis told");
         return bothDecks([](CSoundSource* d) { return !d->getSteadyBpmDetectionMode(); });
       }},
      {"DetectMusicalKey", 1,
       [] {
         if (!batchDetectMusicalKeyRequested()) return truth(false, "background analysis");
         return bothDecks([](CSoundSource* d) { return d->getDetectMusicalKey(); });
       }},
      {"UseAutoCueing", 0, [] { return bothDecks([](CSoundSource* d) { return !d->getAutoCueEnabled(); }); }},
      {"UseSoftAutoCueDetection", 1,
       [] {
         return bothDecks([](CSoundSource* d) {
           bool a = false;
           float in = 0, out = 0;
           d->getAutoCueDetectParams(a, in, out);
           return a && in == -48.0f && out == -48.0f;
         });
       }},
      {"UseSoftAutoCueDetection", 0,
       [] {
         return bothDecks([](CSoundSource* d) {
           bool a = true;
           float in = 0, out = 0;
           d->getAutoCueDetectParams(a, in, out);
           return !a && in == -10.0f && out == -12.0f;
         });
       }},
      {"UseSlipModeForLoops", 1,
       [] { return bothDecks([](CSoundSource* d) { return d->getLoopMode() == 1; }); }},
      {"ShowHints", 0, [] { return truth(!shellNodeManager()->showHints, "hints off"); }},
      {"ShowHints", 1, [] { return truth(shellNodeManager()->showHints, "hints on"); }},
      {"KSRFillerPlayerVolume", 0,
       [] { return truth(mixer->GetChannelFader(fillerPlayerChIndex) < -100.0f, "filler silent"); }},
      {"KSRFillerPlayerVolume", 127,
       [] { return truth(mixer->GetChannelFader(fillerPlayerChIndex) > -0.5f, "filler at full volume"); }},
      {"KSREnableFillerPlayer", 0, [] { return truth(!fillerPlayerOn.load(), "filler stopped"); }},
  };
  for (const ReactionRow& row : rows) {
    SCOPED_TRACE(testing::Message() << row.key << " = " << row.value);
    updateBatchAudioDetection.store(false);
    fillerPlayerOn.store(true);
    preferences->setValue(row.key, row.value, 0, ZRPreferences::NotificationProgram);
    EXPECT_TRUE(row.effect());
  }
}

// What a setting shows in the skin: every reaction writes its controls through the actions' view, so a
// view installed here sees the range, position, switch, caption, table or browser state each one sets.
TEST_F(SettingsReactions, SettingsReachTheirControls) {
  EngineObjects engine;
  ASSERT_EQ(rig->start(), 1);
  auto table = std::make_shared<orvel_test::TestNodeTable>();
  installActionControls(table);
  using Control = orvel_test::TestNodeTable::Control;
  struct Row {
    const char* key;
    int value;
    int action, deck;
    std::function<bool(const Control&)> shows;
    const char* what;
  };
  auto range = [](int minimum, int maximum) {
    return [=](const Control& c) { return c.minimum == minimum && c.maximum == maximum; };
  };
  auto on = [](bool state) { return [=](const Control& c) { return c.switched == state; }; };
  const Row rows[] = {
      {"PitchRange", 1, ACT_deck_pitch, 0, range(-400, 400), "pitch +-4%"},
      {"PitchRange", 6, ACT_deck_pitch, 1, range(-5000, 5000), "pitch +-50%"},
      {"PitchRange", 9, ACT_deck_pitch, 0, range(-1600, 1600), "pitch default +-16%"},
      {"CutoffFilter", 2, ACT_deck_cutoff_filter, 0, range(-64, 63), "cut-off both ways"},
      {"CutoffFilter", 1, ACT_deck_cutoff_filter, 1, range(-64, 0), "cut-off low pass"},
      {"CutoffFilter", 3, ACT_deck_cutoff_filter, 0,
       [](const Control& c) { return c.minimum == 0 && c.maximum == 63 && c.position == 0; },
       "high pass at 0"},
      {"CrossfaderCurve", 80, ACT_cf_curve, -1, [](const Control& c) { return c.position == 80; }, "curve"},
      {"CrossfaderCurve", 80, ACT_cf_curve_val, -1, [](const Control& c) { return c.caption == "Hard"; },
       "curve text"},
      {"AutoMixFadeTime", 60, ACT_cfg_automix_duration_value, -1,
       [](const Control& c) { return c.caption == "6.0 s"; }, "fade text"},
      {"KSRFillerPlayerVolume", 100, ACT_filler_player_volume, -1,
       [](const Control& c) { return c.position == 100; }, "filler volume"},
      {"UseSlipModeForLoops", 1, ACT_deck_loop_mode, 1, on(true), "slip on"},
      {"UseSlipModeForLoops", 0, ACT_deck_loop_mode, 0, on(false), "slip off"},
      {"KeyLockA", 1, ACT_deck_key_lock, 0,
       [](const Control& c) { return c.switched && decks[0]->GetMasterTempo() == 1; }, "key lock A on"},
      {"KeyLockB", 1, ACT_deck_key_lock, 1, on(true), "key lock B on"},
      {"KeyLockB", 0, ACT_deck_key_lock, 1,
       [](const Control& c) { return !c.switched && decks[1]->GetMasterTempo() == 0; }, "key lock B off"},
      {"Limiter", 1, ACT_limiter, -1, on(true), "limiter on"},
      {"Random", 1, ACT_random, -1, on(true), "random on"},
      {"AutoMixOn", 1, ACT_autodj2, -1, on(true), "automix on"},
      {"UserInterfaceFontAdjust", 3, ACT_sidelist, -1, [](const Control& c) { return c.tableFont == 3; },
       "font"},
      {"UserInterfaceDisplayModeSideList", 2, ACT_sidelist, -1,
       [](const Control& c) { return c.tableMode == 2; }, "side list mode"},
      {"BrowserExpandedFavorites", 1, ACT_browser, -1,
       [](const Control& c) { return c.expanded.count(2) == 1 && c.expanded.at(2); }, "favourites open"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.key << " = " << row.value << ": " << row.what);
    preferences->setValue(row.key, row.value, 0, ZRPreferences::NotificationProgram);
    EXPECT_TRUE(row.shows(table->get(row.action, row.deck)));
  }
  installActionControls(nullptr);
}

TEST_F(SettingsReactions, TheLimiterSwitchesAtTheNextBuffer) {
  ASSERT_EQ(rig->start(), 1);
  ASSERT_TRUE(audioOutput->getDevice()->isRunning());
  auto limiterRuns = [](bool on) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (audioOutput->getLimiter()->isRunning() != on && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return audioOutput->getLimiter()->isRunning() == on;
  };
  preferences->setValue("Limiter", 1, 0, ZRPreferences::NotificationSkin);
  EXPECT_TRUE(limiterRuns(true));
  preferences->setValue("Limiter", 0, 0, ZRPreferences::NotificationSkin);
  EXPECT_TRUE(limiterRuns(false));
}

TEST_F(SettingsReactions, TheRestartMessageIsOnlyForTheUsersOwnChange) {
  ASSERT_EQ(rig->start(), 1);
  LogCapture log;
  const char* message = "You must restart the app before this setting will take effect";
  preferences->setValue("DisablePulselocker", 0, 0, ZRPreferences::NotificationLoaded);
  preferences->setValue("DisableGalaTune", 0, 0, ZRPreferences::NotificationProgram);
  EXPECT_EQ(log.count(message), 0);
  preferences->setValue("DisablePulselocker", 0, 0, ZRPreferences::NotificationDialog);
  preferences->setValue("DisableGalaTune", 0, 0, ZRPreferences::NotificationSkin);
  EXPECT_EQ(log.count(message), 2);
  preferences->setValue("DisablePulselocker", 1, 0, ZRPreferences::NotificationDialog);
  EXPECT_EQ(log.count(message), 2);
}

TEST_F(SettingsReactions, ChangesFromAnotherThreadAreAppliedOnTheMainThreadInOrder) {
  ASSERT_EQ(rig->start(), 1);
  std::thread render([] {
    // As a skin control moved by MIDI would, on the render thread.
    for (int value = 1; value <= 5; ++value) {
      preferences->setValue("AutoMixLimitTrack", value, 0, ZRPreferences::NotificationSkin);
    }
    preferences->setValue("CrossfaderCurve", 80, 0, ZRPreferences::NotificationSkin);
  });
  render.join();
  // Nothing toolkit-side has happened on the other thread; the main thread's next pass applies it all.
  EXPECT_TRUE(labelIs(10059, "no limit"));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (label(10071) != "Hard" && std::chrono::steady_clock::now() < deadline) wxTheApp->Yield(true);
  EXPECT_TRUE(labelIs(10059, "2m30s"));
  EXPECT_TRUE(labelIs(10071, "Hard"));
  EXPECT_EQ(mixer->GetCrossfaderCurveStartPoint(), 80);
}

TEST(SettingRanges, PitchAndCutoffRangesFromTheirSettings) {
  const int pitch[][2] = {{1, 400},  {2, 800},  {3, 1600}, {4, 2400},
                          {5, 3200}, {6, 5000}, {0, 1600}, {7, 1600}};
  for (const auto& row : pitch) EXPECT_EQ(pitchRangeFromSetting(row[0]), row[1]) << row[0];
  const int cutoff[][3] = {{1, -64, 0}, {2, -64, 63}, {3, 0, 63}, {9, -64, 63}};
  for (const auto& row : cutoff) {
    int minimum = 0, maximum = 0;
    cutoffRangeFromSetting(row[0], minimum, maximum);
    EXPECT_EQ(minimum, row[1]) << row[0];
    EXPECT_EQ(maximum, row[2]) << row[0];
  }
}
