#include "main_dj/settings_keys.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/listbox.h>
#include <wx/notebook.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <string>

#include "actions_dj/action_controls.h"
#include "actions_dj/engine_globals.h"
#include "common/action_ids.h"
#include "common/language_tables.h"
#include "common/shell_hooks.h"
#include "common/text_ids.h"
#include "common/zr_logging.h"
#include "gui/tarvo_wdr.h"
#include "gui/zr_draw_node.h"
#include "gui/zr_message_dialogs.h"
#include "gui/zr_preferences_dialog.h"
#include "gui/zr_wx_strings.h"
#include "gui_nodes/zr_node_drop_down.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "main_dj/audio_device_choice.h"
#include "main_dj/settings_reactions.h"
#include "main_dj/shell_state.h"
#include "main_dj/shell_window.h"
#include "main_dj/skin_choice.h"
#include "main_dj/video_overlays_dialog.h"
#include "main_dj/zr_main_frame.h"
#include "soundio/zr_audio_io.h"

ZRPreferencesDialog* preferencesDialog = nullptr;

namespace {

bool cfgShownForFirstTime = false;

using D = ZRSettingDefault;
constexpr int kNoControl = -1;  // mirrored by a skin control only
constexpr int kUnbound = -2;    // read by its users, shown nowhere

// clang-format off
const TZRSettingKey kSettingKeys[] = {
  {"HighQualityTimeStretch", D::Int, 0, nullptr, 10050, PREF_GUI_CHECKBOX, 0, 0},
  {"ResetDeckAfterLoad", D::Int, 1, nullptr, 10040, PREF_GUI_CHECKBOX, ACT_cfg_reset_deck_after_load, 7},
  {"ResetPitchAfterAutoMix", D::Int, 0, nullptr, 10041, PREF_GUI_CHECKBOX, ACT_cfg_automix_reset_pitch, 7},
  {"ShowHints", D::Int, 1, nullptr, 10038, PREF_GUI_CHECKBOX, 0, 0},
  {"UseSlowPitchReset", D::Int, 1, nullptr, 10042, PREF_GUI_CHECKBOX, ACT_cfg_slow_pitch_reset, 7},
  {"UseAutoGain", D::Int, 0, nullptr, 10045, PREF_GUI_CHECKBOX, 0, 0},
  {"DetectMusicalKey", D::Int, 0, nullptr, 10046, PREF_GUI_CHECKBOX, 0, 0},
  {"RememberSongEq", D::Int, 1, nullptr, 10044, PREF_GUI_CHECKBOX, 0, 0},
  {"SearchInMiddleOfWords", D::Int, 0, nullptr, 10039, PREF_GUI_CHECKBOX, 0, 0},
  {"UseAutoCueing", D::Int, 1, nullptr, 10047, PREF_GUI_CHECKBOX, 0, 0},
  {"UseSyncLock", D::Int, 1, nullptr, 10052, PREF_GUI_CHECKBOX, 0, 0},
  {"UseSoftAutoCueDetection", D::Int, 1, nullptr, 10048, PREF_GUI_CHECKBOX, 0, 0},
  {"UseSlipModeForLoops", D::Int, 0, nullptr, 10049, PREF_GUI_CHECKBOX, 0, 0},
  {"BeatMatchingWhenAutoMix", D::Int, 0, nullptr, 10043, PREF_GUI_CHECKBOX, ACT_cfg_automix_beatmatch, 7},
  {"UseSteadyBpmDetection", D::Int, 1, nullptr, 10051, PREF_GUI_CHECKBOX, 0, 0},
  {"DisablePulselocker", D::Int, 0, nullptr, 10053, PREF_GUI_CHECKBOX, 0, 0},
  {"DisableGalaTune", D::Int, 0, nullptr, 10218, PREF_GUI_CHECKBOX, 0, 0},
  {"AutoMixFadeTime", D::Int, 60, nullptr, 10055, PREF_GUI_SLIDER, ACT_cfg_automix_duration, 2},
  {"AutoMixLimitTrack", D::Int, 0, nullptr, 10058, PREF_GUI_SLIDER, 0, 0},
  {"PitchRange", D::Int, 3, nullptr, 10061, PREF_GUI_SLIDER, ACT_cfg_pitch_range, 7},
  {"CutoffFilter", D::Int, 2, nullptr, 10064, PREF_GUI_SLIDER, 0, 0},
  {"KeyStepperSemitone", D::Int, 1, nullptr, 10067, PREF_GUI_SLIDER, 0, 0},
  {"CrossfaderCurve", D::Int, 50, nullptr, 10070, PREF_GUI_SLIDER, 0, 0},
  {"SamplerMode", D::Int, 1, nullptr, 10073, PREF_GUI_SLIDER, 0, 0},
  {"UserInterface", D::Skin, 0, nullptr, ID_CFG_SKIN_CHOICE, PREF_GUI_CHOICE_TEXT, 0, 0},
  {"ALatency", D::Int, default_audio_device_latency, nullptr, ID_CFG_LATENCY_SLIDER, PREF_GUI_SLIDER, ACT_cfg_latency, 2},
  {"DisableCrossfaderAndVolumes", D::Int, 0, nullptr, 10029, PREF_GUI_CHECKBOX, 0, 0},
  {"ASplitStereoMode", D::Int, 0, nullptr, kNoControl, PREF_GUI_CHECKBOX, ACT_cfg_split_stereo_mode, 7},
  {"AudioDevice", D::OutputDevice, 0, nullptr, ID_CFG_AUDIO_DEVICE, PREF_GUI_CHOICE_TEXT, ACT_cfg_audio_device, 7},
  {"AudioDevice2", D::NoSecondDevice, 0, nullptr, ID_CFG_AUDIO_DEVICE2, PREF_GUI_CHOICE_TEXT, 0, 0},
  {"RoutingOutDeckA", D::Int, 1, nullptr, 10008, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"RoutingOutDeckB", D::Int, 1, nullptr, 10010, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"RoutingOutDeckC", D::Int, 1, nullptr, 10012, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"RoutingOutDeckD", D::Int, 1, nullptr, 10014, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"RoutingOutSamplerMic", D::Int, 1, nullptr, 10016, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"RoutingOutHeadphones", D::Int, 0, nullptr, 10018, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"RoutingOutZone2", D::Int, 1, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"RoutingOutZone3", D::Int, 1, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"RoutingOutZone4", D::Int, 1, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"RoutingOutZone5", D::Int, 1, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"RoutingInDeckA", D::Int, 0, nullptr, 10020, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"RoutingInDeckB", D::Int, 0, nullptr, 10022, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"RoutingInDeckC", D::Int, 0, nullptr, 10024, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"RoutingInDeckD", D::Int, 0, nullptr, 10026, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"RoutingInMicrophone", D::Int, 0, nullptr, 10028, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"KSREnableSingersScroll", D::Int, 0, nullptr, 10216, PREF_GUI_CHECKBOX, 0, 0},
  {"KSREnableFillerPlayer", D::Int, 0, nullptr, 10215, PREF_GUI_CHECKBOX, 0, 0},
  {"KSRBackgroundEnabled", D::Int, 0, nullptr, 10219, PREF_GUI_CHECKBOX, 0, 0},
  {"KSRKeepEmptySingers", D::Int, 1, nullptr, 10217, PREF_GUI_CHECKBOX, 0, 0},
  {"KSRSingersNum", D::Int, 3, nullptr, 10210, PREF_GUI_SLIDER, 0, 0},
  {"KSRFillerPlayerVolume", D::Int, 127, nullptr, 10213, PREF_GUI_SLIDER, 0, 0},
  {"ControllersConfigAudio", D::Int, 1, nullptr, 10128, PREF_GUI_CHECKBOX, 0, 0},
  {"TimecodeType", D::Int, 0, nullptr, ID_CFG_TIMECODE_CHOICE, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"BroadcastType", D::Int, 0, nullptr, 10152, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"BroadcastHost", D::Text, 0, "127.0.0.1", 10154, PREF_GUI_TEXT, 0, 0},
  {"BroadcastPort", D::Text, 0, "8000", 10155, PREF_GUI_TEXT, 0, 0},
  {"BroadcastUser", D::Text, 0, "source", 10156, PREF_GUI_TEXT, 0, 0},
  {"BroadcastPass", D::Text, 0, "plumbo", 10157, PREF_GUI_TEXT, 0, 0},
  {"BroadcastMount", D::Text, 0, "/stream1", 10158, PREF_GUI_TEXT, 0, 0},
  {"BroadcastEncFormat", D::Int, 0, nullptr, 10159, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"BroadcastEncBitrate", D::Int, 2, nullptr, 10160, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"BroadcastEncChannels", D::Int, 1, nullptr, 10161, PREF_GUI_CHOICE_INDEX, 0, 0},
  {"BroadcastStreamName", D::Text, 0, "stream1", 10162, PREF_GUI_TEXT, 0, 0},
  {"BroadcastStreamDesc", D::Text, 0, "Live DJ mixing stream", 10163, PREF_GUI_TEXT, 0, 0},
  {"BroadcastStreamWeb", D::Text, 0, kBroadcastDefaultWebsite, 10164, PREF_GUI_TEXT, 0, 0},
  {"BroadcastStreamGenre", D::Text, 0, "Live", 10165, PREF_GUI_TEXT, 0, 0},
  {"BroadcastUpdateMetadata", D::Int, 1, nullptr, 10166, PREF_GUI_CHECKBOX, 0, 0},
  {"RemainingTime", D::Int, 0, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"Random", D::Int, 0, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"KeyLockA", D::Int, 1, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"KeyLockB", D::Int, 1, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"KeyLockC", D::Int, 1, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"KeyLockD", D::Int, 1, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"UserInterfaceFontAdjust", D::Int, 0, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"UserInterfaceDisplayModeCurrentList", D::Int, 0, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"UserInterfaceDisplayModeSideList", D::Int, 0, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"BrowserExpandedUserLists", D::Int, 1, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"BrowserExpandediTunes", D::Int, 1, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"BrowserExpandedFavorites", D::Int, 1, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"BrowserExpandedExplorer", D::Int, 1, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"VideoEnabled", D::Int, 0, nullptr, 10167, PREF_GUI_CHECKBOX, 0, 0},
  {"ShadersOnTop", D::Int, 0, nullptr, 10168, PREF_GUI_CHECKBOX, 0, 0},
  {"VideoFullScreen", D::Int, 0, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"VideoX", D::Int, 16, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"VideoY", D::Int, 100, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"VideoW", D::Int, 400, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"VideoH", D::Int, 295, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"AutoMixOn", D::Int, 0, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  {"Limiter", D::Int, 0, nullptr, kUnbound, PREF_GUI_NONE, 0, 0},
  // Shown in the dialog, absent until set.
  {"LinkVideoEnabled", D::None, 0, nullptr, 10169, PREF_GUI_CHECKBOX, 0, 0},
  {"LinkVideoRandom", D::None, 0, nullptr, 10170, PREF_GUI_CHECKBOX, 0, 0},
  {"LinkVideoFolder", D::None, 0, nullptr, 10171, PREF_GUI_TEXT, 0, 0},
  {"KSRBackgroundFile", D::None, 0, nullptr, 10220, PREF_GUI_TEXT, 0, 0},
};
// clang-format on

wxString wx(const ZRString& text) {
  return CharTowxString(text.utf8().c_str());
}

template <typename T>
T* dialogControl(wxWindow* dialog, int id) {
  return dialog != nullptr ? dynamic_cast<T*>(dialog->FindWindow(id)) : nullptr;
}

// The skin's configuration controls: their param is their own action, and a user's change stores the
// setting bound to it.
void setUpSkinConfigurationNodes() {
  for (int action : {ACT_cfg_latency, ACT_cfg_automix_duration}) {
    ZRDrawNode* node = shellNode(action, -1);
    if (node == nullptr) continue;
    node->actionCode = action;
    actionControls().setRange(action, -1, action == ACT_cfg_latency ? 1 : 10,
                              action == ACT_cfg_latency ? 90 : 200);
    node->setActionSlot(ZRNodeSliderKnob::SlotValue, onTrack_SkinCfgSlider);
  }
  const std::vector<std::pair<ZRString, int>> yesNo{{getTextName(txt_yes), 1}, {getTextName(txt_no), 0}};
  const std::vector<std::pair<ZRString, int>> pitchRanges{{"4%", 1},  {"8%", 2},  {"16%", 3},
                                                          {"24%", 4}, {"32%", 5}, {"50%", 6}};
  for (int action : {ACT_cfg_audio_device, ACT_cfg_split_stereo_mode, ACT_cfg_automix_beatmatch,
                     ACT_cfg_automix_reset_pitch, ACT_cfg_reset_deck_after_load, ACT_cfg_slow_pitch_reset,
                     ACT_cfg_pitch_range}) {
    ZRDrawNode* node = shellNode(action, -1);
    if (node == nullptr) continue;
    node->actionCode = action;
    if (action == ACT_cfg_pitch_range) {
      actionControls().setItems(action, -1, pitchRanges);
    } else if (action != ACT_cfg_audio_device) {
      actionControls().setItems(action, -1, yesNo);
    }
    node->setActionSlot(ZRNodeDropDown::SlotAfterChange, onChange_SkinCfgDropDown);
  }
}

// The dialog's buttons and lists that are not bound to a setting.
void onPreferenceGuiControl(void* dialog, int controlId) {
  auto* window = static_cast<wxWindow*>(static_cast<ZRPreferencesDialog*>(dialog));
  switch (controlId) {
    case ID_CFG_MIDI_LIST:
      // The list only informs: a selection is taken back at once.
      if (auto* list = dialogControl<wxListBox>(window, ID_CFG_MIDI_LIST)) list->DeselectAll();
      break;
    case 10172: {
      wxDirDialog chooser(GetApplicationMainWindow(), wx(getTextName(txt_addfolder_title)));
      if (runDialogModal(chooser) != wxID_OK) break;
      if (auto* folder = dialogControl<wxTextCtrl>(window, 10171)) folder->SetValue(chooser.GetPath());
      break;
    }
    case 10173:
      showVideoOverlaysDialog(0, 0, -1, nullptr);
      break;
    case 10221: {
      const wxString filter =
          wx(getTextName(txt_all_supported_files)) +
          "|*.jpg;*.jpeg;*.png;*.mp4;*.mpg;*.m4v;*.avi;*.asf;*.wmv;*.m2v;*.mkv;*.flv;*.mpeg;*.divx;*.mov";
      wxFileDialog chooser(GetApplicationMainWindow(), wx(getTextName(txt_addfile_title)), wxEmptyString,
                           wxEmptyString, filter, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
      if (runDialogModal(chooser) != wxID_OK) break;
      if (preferences != nullptr) {
        preferences->setValue("KSRBackgroundEnabled", 1, 0, ZRPreferences::NotificationProgram);
      }
      if (auto* file = dialogControl<wxTextCtrl>(window, 10220)) file->SetValue(chooser.GetPath());
      break;
    }
    default:
      break;
  }
}

void installShellHooks() {
  installPreferenceChangedHook(applyPreferenceChange);
  installPreferenceGuiControlChangedHook(onPreferenceGuiControl);
  installSkinCfgSliderPosHook(
      [](int action, int position) { actionControls().setPos(action, -1, position, false); });
  installSkinCfgDropDownValueHook(
      [](int action, int param) { actionControls().selectByParam(action, -1, param); });
  installSkinCfgDropDownValueStringHook(
      [](int action, const ZRString& text) { actionControls().selectByText(action, -1, text); });
}

void declareDefault(const TZRSettingKey& setting) {
  switch (setting.kind) {
    case D::Int:
      preferences->setValue(setting.key, setting.intDefault, 1, ZRPreferences::NotificationProgram);
      break;
    case D::Text:
      preferences->setValue(setting.key, setting.textDefault, 1, ZRPreferences::NotificationProgram);
      break;
    case D::Skin: {
      char skin[ZRPreferences::kMaxTextBytes + 1] = {0};
      getDefaultSkin(skin);
      preferences->setValue(setting.key, skin, 1, ZRPreferences::NotificationProgram);
      break;
    }
    case D::OutputDevice:
    case D::NoSecondDevice: {
      char device[kAudioDeviceNameBytes];
      getDefaultAudioDevice(setting.kind == D::OutputDevice, device);
      preferences->setValue(setting.key, device, 1, ZRPreferences::NotificationProgram);
      break;
    }
    case D::None:
      break;
  }
}

}  // namespace

const TZRSettingKey* getSettingKeys(int* count) {
  if (count != nullptr) *count = static_cast<int>(std::size(kSettingKeys));
  return kSettingKeys;
}

int createPreferencesSystem(wxWindow*, const char* path) {
  if (preferencesDialog == nullptr) {
    setUpSkinConfigurationNodes();
    preferencesDialog =
        new ZRPreferencesDialog(GetApplicationMainWindow(), wxID_ANY, wx(getTextName(txt_preferences)),
                                wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE, "-");
    CfgDialogFunc(preferencesDialog, true, true);
    translatePreferencesDialog(preferencesDialog);
    scanAllSkins(dialogControl<wxChoice>(preferencesDialog, ID_CFG_SKIN_CHOICE));
    populateComboBox_AudioDevice(dialogControl<wxChoice>(preferencesDialog, ID_CFG_AUDIO_DEVICE),
                                 ACT_cfg_audio_device, true);
    populateComboBox_AudioDevice(dialogControl<wxChoice>(preferencesDialog, ID_CFG_AUDIO_DEVICE2), -1, false);
    populateComboBox_TimecodeType(dialogControl<wxChoice>(preferencesDialog, ID_CFG_TIMECODE_CHOICE));
    populateComboBox_MidiSelection(dialogControl<wxListBox>(preferencesDialog, ID_CFG_MIDI_LIST));
    installShellHooks();
    preferencesDialog->setCallback(preferenceGuiControlChanged);
    for (const TZRSettingKey& setting : kSettingKeys) {
      if (setting.controlId == kUnbound) continue;
      preferencesDialog->addPreference(setting.key, setting.controlId, setting.guiType, setting.skinAction,
                                       setting.skinNodeKind);
    }
  }
  if (preferences != nullptr) return 1;

  installAudioDeviceProblemHandler(audioOutput);
  preferences = new ZRPreferences(path, preferenceChanged);
  preferencesDialog->setPreferencesObject(preferences);
  // Every saved setting is applied (the saved skin loads, the saved device opens), then each missing one
  // gets its default and is applied the same way.
  preferences->loadAll(nullptr);
  for (const TZRSettingKey& setting : kSettingKeys) declareDefault(setting);
  return preferences != nullptr ? 1 : 0;
}

void destroyPreferencesSystem() {
  if (preferencesDialog != nullptr) {
    preferencesDialog->setPreferencesObject(nullptr);
    preferencesDialog->Destroy();
    preferencesDialog = nullptr;
  }
  delete preferences;
  preferences = nullptr;
  cfgShownForFirstTime = false;
}

void FCfgApp(int, int, int, ZRDrawNode*) {
  if (preferencesDialog == nullptr) return;
  if (!cfgShownForFirstTime) {
    cfgShownForFirstTime = true;
    preferencesDialog->CentreOnScreen(wxBOTH);
  }
  populateComboBox_MidiSelection(dialogControl<wxListBox>(preferencesDialog, ID_CFG_MIDI_LIST));
  preferencesDialog->Show();
}

void onTrack_SkinCfgSlider(int value, int param, int, ZRDrawNode*) {
  if (preferencesDialog == nullptr || preferences == nullptr) return;
  char key[ZRPreferences::kMaxTextBytes + 1];
  if (!preferencesDialog->getPreferenceForActionId(param, key, nullptr)) return;
  preferences->setValue(key, value, 0, ZRPreferences::NotificationSkin);
}

void onChange_SkinCfgDropDown(int, int param, int, ZRDrawNode* node) {
  if (preferencesDialog == nullptr || preferences == nullptr || node == nullptr) return;
  char key[ZRPreferences::kMaxTextBytes + 1];
  PreferenceGuiType guiType = PREF_GUI_NONE;
  if (!preferencesDialog->getPreferenceForActionId(param, key, &guiType)) return;
  ZRString text;
  int selected = 0;
  if (!actionControls().getSelected(param, -1, &text, &selected)) return;
  if (guiType == PREF_GUI_CHOICE_TEXT) {
    preferences->setValue(key, text, 0, ZRPreferences::NotificationSkin);
  } else {
    preferences->setValue(key, selected, 0, ZRPreferences::NotificationSkin);
  }
}

void translatePreferencesDialog(wxDialog* dialog) {
  if (dialog == nullptr) return;
  auto hide = [dialog](int id) {
    if (wxWindow* control = dialog->FindWindow(id)) control->Hide();
  };
  auto untickHideDisable = [dialog](int id) {
    if (auto* box = dialogControl<wxCheckBox>(dialog, id)) {
      box->SetValue(false);
      box->Hide();
      box->Disable();
    }
  };
  auto disable = [dialog](int id) {
    if (wxWindow* control = dialog->FindWindow(id)) control->Disable();
  };
  // 1. Features this system does not have.
  for (int id : {10216, 10053, 10218}) hide(id);
  for (int id : {10046, 10050, 10049}) untickHideDisable(id);
  // 2. Key stepper, sampler mode, timecode engine and the master-effects note.
  for (int id : {10067, 10073, 10068, 10074, 10066, 10072, int{ID_CFG_TIMECODE_CHOICE}, 10129,
                 int{ID_CFG_MASTER_FX_NOTE}}) {
    hide(id);
  }
  // 3. Routing: two decks, no inputs to choose.
  for (int id : {10020, 10022, 10024, 10026, 10028, 10012, 10014, 10016}) disable(id);
  for (int id : {10012, 10014, 10016, 10011, 10013, 10015, 10024, 10026, 10028, 10023, 10025, 10027})
    hide(id);
  // 4. The Video, Karaoke and Broadcast pages go.
  if (auto* notebook = dialogControl<wxNotebook>(dialog, ID_CFG_NOTEBOOK)) {
    if (notebook->GetPageCount() > 2) notebook->GetPage(2)->Fit();
    for (size_t page : {5u, 3u, 2u}) {
      if (page < notebook->GetPageCount()) notebook->DeletePage(page);
    }
    for (size_t page = 0; page < notebook->GetPageCount() && page < 2; ++page) notebook->GetPage(page)->Fit();
    notebook->Fit();
  }
  if (wxSizer* sizer = dialog->GetSizer()) sizer->SetSizeHints(dialog);
  // 5. The version.
  if (auto* version = dialogControl<wxStaticText>(dialog, ID_CFG_VERSION_TEXT)) {
    version->SetLabel(wxString("v") + kOrvelVersion + (runFromIDE.load() ? " (IDE)" : ""));
  }
}

int getIntPreference(const char* key, int fallback) {
  int value = 0;
  if (preferences == nullptr || key == nullptr || !preferences->getValue(key, value)) return fallback;
  return value;
}

float getFloatPreference(const ZRString& key, float fallback) {
  float value = 0;
  if (preferences == nullptr || !preferences->getValue(key.utf8().c_str(), value)) return fallback;
  return value;
}

ZRPreferences* getPreferencesObject() {
  return preferences;
}
