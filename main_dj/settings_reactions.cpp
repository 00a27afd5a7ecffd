#include "main_dj/settings_reactions.h"

#include <wx/app.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/thread.h>
#include <wx/tooltip.h>

#include <atomic>
#include <string>

#include "actions_dj/action_controls.h"
#include "actions_dj/automix_actions.h"
#include "actions_dj/background_analysis.h"
#include "actions_dj/controller_notify.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/settings_mirrors.h"
#include "common/action_ids.h"
#include "common/language_tables.h"
#include "common/text_ids.h"
#include "common/zr_logging.h"
#include "database/zr_database.h"
#include "dsp/engine/live_input_source.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_batch_audio_detection.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_simple_mix_zone.h"
#include "gui/zr_node_manager.h"
#include "gui/zr_preferences_dialog.h"
#include "gui/zr_wx_strings.h"
#include "main_dj/audio_device_choice.h"
#include "main_dj/engine_objects.h"
#include "main_dj/karaoke_singers_output.h"
#include "main_dj/settings_keys.h"
#include "main_dj/shell_state.h"
#include "main_dj/shell_window.h"
#include "main_dj/skin_choice.h"
#include "main_dj/startup_problems.h"
#include "main_dj/video_actions.h"
#include "main_dj/zr_main_frame.h"
#include "opengl_directx/zr_video_preview_frame.h"
#include "soundio/zr_audio_multi_output.h"

namespace {

// The user actions and controller pieces some reactions call are not built yet: each says so once.
void notAvailableYet(const char* what) {
  static std::mutex lock;
  static std::vector<std::string> said;
  std::lock_guard guard(lock);
  for (const std::string& name : said) {
    if (name == what) return;
  }
  said.emplace_back(what);
  ZRLOG("%s: not available yet", what);
}

void setDialogLabel(int id, const ZRString& text) {
  if (preferencesDialog == nullptr) return;
  if (auto* label = dynamic_cast<wxStaticText*>(preferencesDialog->FindWindow(id))) {
    label->SetLabel(CharTowxString(text.utf8().c_str()));
  }
}

bool fromUser(ZRPreferences::NotificationSource source) {
  return source == ZRPreferences::NotificationDialog || source == ZRPreferences::NotificationSkin;
}

// Decks 0 and 1, when they exist.
template <typename F>
void forTwoDecks(F apply) {
  for (int deck = 0; deck < 2; ++deck) {
    if (decks[deck] != nullptr) apply(deck, decks[deck]);
  }
}

void applyAutoMixOn(int value) {
  actionControls().setSwitched(ACT_autodj, -1, value != 0, false);
  actionControls().setSwitched(ACT_autodj2, -1, value != 0, false);
  bool somethingPlays = false;
  forTwoDecks([&](int, CSoundSource* deck) { somethingPlays |= deck->GetLength() > 0 && deck->IsPlaying(); });
  if (value != 0 && !somethingPlays) FAutoMixNext(0, 0, -1, nullptr);
  notifyControllers("autoDj", -1, value);
}

void applyAutoMixFadeTime(int value) {
  const ZRString text = autoMixFadeTimeText(value);
  setDialogLabel(10056, text);
  actionControls().setCaption(ACT_cfg_automix_duration_value, -1, text);
  if (fillerPlayer != nullptr) fillerPlayer->setMixDuration(value * 0.1f);
}

void applyShowHints(int value) {
  wxToolTip::Enable(value != 0);
  if (ZRNodeManager* manager = shellNodeManager()) manager->showHints = value != 0;
}

void applyPitchRange(int value) {
  updatePitchRangeFromSettings(0);
  updatePitchRangeFromSettings(1);
  const char* labels[] = {"4%", "8%", "16%", "24%", "32%", "50%"};
  setDialogLabel(10062, value >= 1 && value <= 6 ? labels[value - 1] : "");
  notifyControllers("pitchRange", -1, value);
}

void applyCrossfaderCurve(int value) {
  if (mixer != nullptr) mixer->SetCrossfaderCurveStartPoint(value, false);
  if (preferencesDialog == nullptr) return;
  const ZRString text = getTextName(value <= 29 ? txt_soft : value <= 70 ? txt_normal : txt_hard);
  setDialogLabel(10071, text);
  actionControls().setCaption(ACT_cf_curve_val, -1, text);
  actionControls().setPos(ACT_cf_curve, -1, value, false);
}

void applyFillerPlayerVolume(int value, ZRPreferences::NotificationSource source) {
  if (mixer != nullptr && fillerPlayerChIndex >= 0) {
    mixer->SetFaderPosition(fillerPlayerChIndex, value);
    ZRLOG("KSRFillerPlayerVolume fillerPlayerChIndex=%d, valuei=%d", fillerPlayerChIndex, value);
  }
  if (preferencesDialog == nullptr) return;
  // The value text (10214) belongs to the Karaoke page, which the dialog does not keep.
  if (source != ZRPreferences::NotificationDialog) {
    if (auto* slider = dynamic_cast<wxSlider*>(preferencesDialog->FindWindow(10213))) slider->SetValue(value);
  }
  if (source != ZRPreferences::NotificationSkin)
    actionControls().setPos(ACT_filler_player_volume, -1, value, false);
}

void applyRestartSetting(int value, ZRPreferences::NotificationSource source, int pluginId) {
  if (value != 0) {
    actionControls().removeBrowserPlugin(ACT_browser, -1, pluginId);
  } else if (fromUser(source)) {
    tellUserAboutProblem("You must restart the app before this setting will take effect", ZRString(),
                         GetApplicationMainWindow());
  }
}

void applySlipMode(int value) {
  for (int deck = 0; deck < 2; ++deck) {
    if (decks[deck] != nullptr) decks[deck]->setLoopMode(value != 0);
    actionControls().setSwitched(ACT_deck_loop_mode, deck, value != 0, false);
    if (deck == 0) notifyControllers("loopMode", -1, value);
  }
}

void applyVideoEnabled(int value, ZRPreferences::NotificationSource source) {
  cfg_enable_video_mixing_window.store(value);
  // The program stores the window's state after showing or hiding it itself.
  if (appCompletelyLoaded.load() && source != ZRPreferences::NotificationProgram) showVideoWindow(value != 0);
}

// The reactions, tried in this order; the first key that matches applies.
bool react(const std::string& key, int value, const char* text, ZRPreferences::NotificationSource source) {
  if (key == "AutoMixOn") {
    applyAutoMixOn(value);
  } else if (key == "AutoMixFadeTime") {
    applyAutoMixFadeTime(value);
  } else if (key == "AutoMixLimitTrack") {
    setDialogLabel(10059, autoMixLimitTrackText(value));
  } else if (applyAudioSettingChange(key.c_str(), value, text, source)) {
  } else if (key == "DisableCrossfaderAndVolumes") {
    if (mixer != nullptr) mixer->SetEnableCrossfaderAndVolume(value == 0 ? 1 : 0);
  } else if (key == "ShowHints") {
    applyShowHints(value);
  } else if (key == "HighQualityTimeStretch") {
  } else if (key == "SearchInMiddleOfWords") {
    if (ZRDatabase* database = ZRDatabase::getInstance()) database->setSearchInMiddleOfWords(value != 0);
  } else if (key == "Random") {
    actionControls().setSwitched(ACT_random, -1, value != 0, false);
  } else if (key == "UserInterface") {
    loadSkin(text);
  } else if (key == "KeyStepperSemitone") {
    const char* labels[] = {"Full semitone", "Half semitone", "Quarter semitone"};
    if (value >= 1 && value <= 3) setDialogLabel(10068, labels[value - 1]);
  } else if (key == "KSRSingersNum") {
    setDialogLabel(10211, ZRString::format("%d singer%s", value, value == 1 ? "" : "s"));
    if (fromUser(source)) requestKaraokeSingersListRefresh();
  } else if (key == "PitchRange") {
    applyPitchRange(value);
  } else if (key == "CutoffFilter") {
    updateCutoffFilterModeForAllDecks();
    const char* labels[] = {"LowPass", "LowPass && HighPass", "HighPass"};
    setDialogLabel(10065, value >= 1 && value <= 3 ? labels[value - 1] : "");
  } else if (key == "CrossfaderCurve") {
    applyCrossfaderCurve(value);
  } else if (key == "SamplerMode") {
    const char* labels[] = {"Normal", "Stutter", "Instant"};
    if (value >= 0 && value <= 2) setDialogLabel(10074, labels[value]);
  } else if (key == "KSRFillerPlayerVolume") {
    applyFillerPlayerVolume(value, source);
  } else if (key == "KeyLockA" || key == "KeyLockB") {
    setKeyLock(key == "KeyLockA" ? 0 : 1, value != 0);
  } else if (key == "KeyLockC" || key == "KeyLockD") {
  } else if (key == "RemainingTime") {
    cfg_elapsed_time_displays_remain.store(value);
  } else if (key == "TimecodeType") {
  } else if (key == "ShadersOnTop") {
    cfg_show_shaders_on_top.store(value);
    notAvailableYet("UpdateShadersOnTopState");
  } else if (key == "VideoEnabled") {
    applyVideoEnabled(value, source);
  } else if (key == "LinkVideoFolder") {
    refreshLinkVideoFiles(ZRString(text != nullptr ? text : ""));
  } else if (key == "DisablePulselocker") {
    applyRestartSetting(value, source, 2);
  } else if (key == "DisableGalaTune") {
    applyRestartSetting(value, source, 4);
  } else if (key == "KSRBackgroundEnabled" || key == "KSRBackgroundFile") {
    if (fromUser(source)) requestKaraokeSingersListRefresh();
  } else if (key == "KSREnableFillerPlayer") {
    if (value == 0 && fillerPlayer != nullptr) {
      fillerPlayerOn.store(false);
      fillerPlayer->fadeAndPlayPause(false);
    }
  } else if (key == "Limiter") {
    actionControls().setSwitched(ACT_limiter, -1, value != 0, false);
    if (audioOutput != nullptr) audioOutput->setLimiter(value != 0);
  } else if (key == "UseSlipModeForLoops") {
    applySlipMode(value);
  } else if (key == "DetectMusicalKey") {
    for (CSoundSource* deck : decks) {
      if (deck != nullptr) deck->setDetectMusicalKey(value != 0);
    }
    // Only the analyze thread touches its analyser: it takes the setting before its next file.
    requestBatchDetectMusicalKey(value != 0);
  } else if (key == "UseSteadyBpmDetection") {
    forTwoDecks([&](int, CSoundSource* deck) { deck->setSteadyBpmDetectionMode(value != 0); });
    updateBatchAudioDetection.store(true);
  } else if (key == "UseAutoCueing") {
    forTwoDecks([&](int, CSoundSource* deck) { deck->setAutoCueEnabled(value != 0); });
  } else if (key == "UseSyncLock") {
    if (value == 0) forTwoDecks([](int, CSoundSource* deck) { deck->setIsAlwaysInSync(false); });
  } else if (key == "UseSoftAutoCueDetection") {
    const float in = value != 0 ? -48.0f : -10.0f;
    const float out = value != 0 ? -48.0f : -12.0f;
    forTwoDecks([&](int, CSoundSource* deck) { deck->setAutoCueDetectParams(value != 0, in, out); });
  } else if (key == "UserInterfaceFontAdjust") {
    actionControls().setTableFont(ACT_playlist, -1, value);
    actionControls().setTableFont(ACT_sidelist, -1, value);
  } else if (key == "UserInterfaceDisplayModeCurrentList") {
    actionControls().setTableDisplayMode(ACT_playlist, -1, value);
  } else if (key == "UserInterfaceDisplayModeSideList") {
    actionControls().setTableDisplayMode(ACT_sidelist, -1, value);
  } else {
    const char* expanded[] = {"BrowserExpandedUserLists", "BrowserExpandediTunes", "BrowserExpandedFavorites",
                              "BrowserExpandedExplorer", "BrowserExpandedPulselocker"};
    for (int node = 0; node < 5; ++node) {
      if (key == expanded[node]) {
        actionControls().expandBrowserSpecialNode(ACT_browser, -1, node, value != 0);
        return true;
      }
    }
    return false;
  }
  return true;
}

void applyOnThisThread(const std::string& key, int value, const std::string& text,
                       ZRPreferences::NotificationSource source) {
  if (preferencesDialog != nullptr) preferencesDialog->preferenceHasChanged(key.c_str(), source);
  react(key, value, text.c_str(), source);
}

}  // namespace

void applyPreferenceChange(void*, const char* key, ZRPreferenceType, int value, float, const char* text,
                           ZRPreferences::NotificationSource source) {
  if (key == nullptr) return;
  const std::string k(key);
  const std::string t(text != nullptr ? text : "");
  if (wxTheApp != nullptr && !wxIsMainThread()) {
    wxTheApp->CallAfter([k, value, t, source] { applyOnThisThread(k, value, t, source); });
    return;
  }
  applyOnThisThread(k, value, t, source);
}

int pitchRangeFromSetting(int setting) {
  switch (setting) {
    case 1:
      return 400;
    case 2:
      return 800;
    case 4:
      return 2400;
    case 5:
      return 3200;
    case 6:
      return 5000;
    default:
      return 1600;
  }
}

void cutoffRangeFromSetting(int setting, int& minimum, int& maximum) {
  minimum = setting == 3 ? 0 : -64;
  maximum = setting == 1 ? 0 : 63;
}

void setKeyLock(int deck, bool on) {
  for (int d = 0; d < 2; ++d) {
    if (deck != -1 && deck != d) continue;
    if (decks[d] == nullptr) continue;
    decks[d]->SetMasterTempo(on ? 1 : 0);
    if (DeckLiveIn[d] != nullptr) DeckLiveIn[d]->UpdateMasterTempoStateFromOriginalSource();
    // The button shows the lock as it is, whatever pressed it.
    actionControls().setSwitched(ACT_deck_key_lock, d, on, false);
  }
}

void updatePitchRangeFromSettings(int deck) {
  const int range = pitchRangeFromSetting(getIntPreference("PitchRange", 3));
  actionControls().setRange(ACT_deck_pitch, deck, -range, range);
}

void updateCutoffFilterModeForAllDecks() {
  if (shellNodeManager() == nullptr) return;
  for (int deck = 0; deck < 2; ++deck) actionControls().setPos(ACT_deck_cutoff_filter, deck, 0, false);
  int minimum = 0, maximum = 0;
  cutoffRangeFromSetting(getIntPreference("CutoffFilter", 2), minimum, maximum);
  for (int deck = 0; deck < 2; ++deck)
    actionControls().setRange(ACT_deck_cutoff_filter, deck, minimum, maximum);
}

ZRString autoMixFadeTimeText(int tenths) {
  return ZRString::format("%d.%d s", tenths / 10, tenths % 10);
}

ZRString autoMixLimitTrackText(int halfMinutes) {
  if (halfMinutes == 0) return ZRString("no limit");
  if (halfMinutes == 1) return ZRString("30s");
  return ZRString::format("%dm%ds", halfMinutes / 2, (halfMinutes % 2) * 30);
}
