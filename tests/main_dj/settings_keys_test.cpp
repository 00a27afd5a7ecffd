// The settings store as start-up makes it: every default declared and applied on a first run (the skin
// before the sound device), saved settings announced before the defaults, the preferences dialog trimmed to
// the system's features, and dialog changes stored and applied.

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/notebook.h>
#include <wx/slider.h>
#include <wx/stattext.h>

#include <algorithm>
#include <filesystem>

#include "common/action_ids.h"
#include "common/zr_preferences.h"
#include "gui/tarvo_wdr.h"
#include "main_dj/shell_state.h"
#include "shell_engine_rig.h"
#include "support/log_capture.h"
#include "main_window_rig.h"

using orvel_test::LogCapture;
using orvel_test::preferencesXml;
using orvel_test::ShellRig;
using orvel_test::ShellSandbox;

namespace {

class SettingsKeys : public orvel_test::ShellRigTest {
 protected:
  // The position of the first log line containing text; -1 when none.
  static int lineOf(const LogCapture& log, const std::string& text) {
    const std::vector<std::string> lines = log.lines();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].find(text) != std::string::npos) return static_cast<int>(i);
    }
    return -1;
  }

  // Chooses an entry of a dialog choice as a user does: the selection, then the toolkit's event.
  static void userChooses(int id, int entry) {
    auto* choice = ShellRig::control<wxChoice>(id);
    ASSERT_NE(choice, nullptr);
    choice->SetSelection(entry);
    wxCommandEvent event(wxEVT_CHOICE, id);
    event.SetEventObject(choice);
    event.SetInt(entry);
    choice->GetEventHandler()->ProcessEvent(event);
  }
};

}  // namespace

TEST_F(SettingsKeys, AFirstRunDeclaresEveryDefault) {
  ASSERT_EQ(rig->start(), 1);
  int count = 0;
  const TZRSettingKey* keys = getSettingKeys(&count);
  ASSERT_GT(count, 90);
  for (int i = 0; i < count; ++i) {
    const TZRSettingKey& key = keys[i];
    SCOPED_TRACE(key.key);
    switch (key.kind) {
      case ZRSettingDefault::Int:
        // A chosen device rewrites the routings to fit it before their defaults are declared.
        if (std::string(key.key).rfind("Routing", 0) == 0) {
          EXPECT_EQ(preferences->getValueType(key.key), ZRPreferenceTypeInt);
        } else {
          EXPECT_EQ(ShellRig::intSetting(key.key), key.intDefault);
        }
        break;
      case ZRSettingDefault::Text:
        EXPECT_EQ(ShellRig::textSetting(key.key), key.textDefault);
        break;
      case ZRSettingDefault::None:
        EXPECT_EQ(preferences->getValueType(key.key), ZRPreferenceTypeNone);
        break;
      default:
        EXPECT_EQ(preferences->getValueType(key.key), ZRPreferenceTypeString);
        break;
    }
  }
  // Without a system device the built-in null output is the default; there is no second device.
  EXPECT_EQ(ShellRig::textSetting("AudioDevice"), "Null output");
  EXPECT_EQ(ShellRig::textSetting("AudioDevice2"), "No audio device");
  EXPECT_EQ(ShellRig::intSetting("ALatency"), 27);
  EXPECT_EQ(ShellRig::openRow(), ShellRig::row("Null output"));
  EXPECT_EQ(audioOutput->getLatency(), 1184);
  EXPECT_EQ(ShellRig::textSetting("BroadcastStreamWeb"), kBroadcastDefaultWebsite);
}

TEST_F(SettingsKeys, OnAFirstRunTheSkinIsChosenBeforeTheSoundDevice) {
  LogCapture log;
  ASSERT_EQ(rig->start(), 1);
  const int skin = lineOf(log, "getDefaultSkin for resolution");
  const int latency = lineOf(log, "ALatency changed to 27 (1184 frames = 26.8 ms)");
  const int device = lineOf(log, "sound device 'Null output' chosen");
  ASSERT_GE(skin, 0);
  ASSERT_GE(latency, 0);
  ASSERT_GE(device, 0);
  EXPECT_LT(skin, latency);
  EXPECT_LT(latency, device);
}

TEST_F(SettingsKeys, SavedSettingsAreAnnouncedBeforeTheMissingDefaults) {
  // A saved device and routing, no latency: the saved device opens first, the latency default follows, and
  // loading keeps the saved routing although the device would suggest another. (A split-stereo setting
  // declared by its default would route anew, as a change of it does.)
  orvel_test::writeFile(rig->preferencesPath(),
                        preferencesXml("\t<pref name=\"ASplitStereoMode\" value=\"0\" type=\"1\" />\n"
                                       "\t<pref name=\"AudioDevice\" value=\"Manual pump\" type=\"3\" />\n"
                                       "\t<pref name=\"RoutingOutHeadphones\" value=\"3\" type=\"1\" />\n"
                                       "\t<pref name=\"ShowHints\" value=\"0\" type=\"1\" />\n"));
  LogCapture log;
  ASSERT_EQ(rig->start(), 1);
  EXPECT_EQ(ShellRig::openRow(), ShellRig::row("Manual pump"));
  EXPECT_LT(lineOf(log, "sound device 'Manual pump' chosen"), lineOf(log, "ALatency changed to 27"));
  EXPECT_EQ(ShellRig::intSetting("RoutingOutHeadphones"), 3);
  // Headphones on entry 3 of a four-output device: channel 1 alone (two pairs come first).
  EXPECT_EQ(audioOutput->getRoute(6), 0);
  EXPECT_EQ(audioOutput->getRoute(7), 0);
  EXPECT_EQ(ShellRig::intSetting("ShowHints"), 0);
  EXPECT_FALSE(rig->manager().showHints);
  EXPECT_EQ(ShellRig::intSetting("ALatency"), 27);
  // The dialog shows what was loaded.
  EXPECT_EQ(ShellRig::control<wxChoice>(ID_CFG_AUDIO_DEVICE)->GetStringSelection(), "Manual pump");
  EXPECT_FALSE(ShellRig::control<wxCheckBox>(10038)->GetValue());
}

TEST_F(SettingsKeys, TheDialogKeepsGeneralAudioRoutingAndControl) {
  setRunFromIDE(true);
  ASSERT_EQ(rig->start(), 1);
  setRunFromIDE(false);
  auto* notebook = ShellRig::control<wxNotebook>(ID_CFG_NOTEBOOK);
  ASSERT_NE(notebook, nullptr);
  ASSERT_EQ(notebook->GetPageCount(), 3u);
  EXPECT_EQ(notebook->GetPageText(0), "General");
  EXPECT_EQ(notebook->GetPageText(1), "Audio Routing");
  EXPECT_EQ(notebook->GetPageText(2), "Control");
  for (int id = 10151; id <= 10221; ++id) EXPECT_EQ(preferencesDialog->FindWindow(id), nullptr) << id;
  for (int id : {10046, 10049, 10050}) {
    auto* box = ShellRig::control<wxCheckBox>(id);
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->GetValue()) << id;
    EXPECT_FALSE(box->IsShown()) << id;
    EXPECT_FALSE(box->IsEnabled()) << id;
  }
  for (int id : {10053, 10066, 10067, 10068, 10072, 10073, 10074, 10129, 10130, 10030, 10011, 10012, 10027}) {
    ASSERT_NE(preferencesDialog->FindWindow(id), nullptr) << id;
    EXPECT_FALSE(preferencesDialog->FindWindow(id)->IsShown()) << id;
  }
  EXPECT_FALSE(preferencesDialog->FindWindow(10020)->IsEnabled());
  EXPECT_TRUE(preferencesDialog->FindWindow(10020)->IsShown());
  EXPECT_TRUE(preferencesDialog->FindWindow(10008)->IsEnabled());
  EXPECT_EQ(ShellRig::control<wxStaticText>(ID_CFG_VERSION_TEXT)->GetLabel(), "v3.11.0.2 (IDE)");
  EXPECT_EQ(preferencesDialog->GetTitle(), "Preferences");
  EXPECT_FALSE(preferencesDialog->IsShown());

  // The lists: the devices in table order after the no-audio entry, the eight timecode engines.
  auto* devices = ShellRig::control<wxChoice>(ID_CFG_AUDIO_DEVICE);
  ASSERT_EQ(devices->GetCount(), 4u);
  EXPECT_EQ(devices->GetString(0), "No audio device");
  EXPECT_EQ(devices->GetString(1), "Null output");
  EXPECT_EQ(devices->GetString(2), "File output");
  EXPECT_EQ(devices->GetString(3), "Manual pump");
  EXPECT_EQ(ShellRig::control<wxChoice>(ID_CFG_AUDIO_DEVICE2)->GetCount(), 4u);
  EXPECT_EQ(ShellRig::control<wxChoice>(ID_CFG_TIMECODE_CHOICE)->GetCount(), 8u);
}

TEST_F(SettingsKeys, TheVersionHasNoIDEMarkByDefault) {
  ASSERT_EQ(rig->start(), 1);
  EXPECT_EQ(ShellRig::control<wxStaticText>(ID_CFG_VERSION_TEXT)->GetLabel(), "v3.11.0.2");
}

TEST_F(SettingsKeys, TheSystemIsMadeOnce) {
  ASSERT_EQ(rig->start(), 1);
  ZRPreferencesDialog* dialog = preferencesDialog;
  ZRPreferences* store = preferences;
  EXPECT_EQ(rig->start(), 1);
  EXPECT_EQ(preferencesDialog, dialog);
  EXPECT_EQ(preferences, store);
}

TEST_F(SettingsKeys, ADialogChangeIsStoredAndAppliedAtOnce) {
  ASSERT_EQ(rig->start(), 1);
  // The four-output manual pump: decks on the first pair, headphones on the second, the two inputs to
  // decks A and B, the microphone on the first input alone.
  userChooses(ID_CFG_AUDIO_DEVICE, 3);
  EXPECT_EQ(ShellRig::textSetting("AudioDevice"), "Manual pump");
  EXPECT_EQ(ShellRig::openRow(), ShellRig::row("Manual pump"));
  EXPECT_EQ(ShellRig::intSetting("RoutingOutDeckA"), 1);
  EXPECT_EQ(ShellRig::intSetting("RoutingOutHeadphones"), 2);
  EXPECT_EQ(ShellRig::intSetting("RoutingInDeckA"), 1);
  EXPECT_EQ(ShellRig::intSetting("RoutingInDeckB"), 1);
  EXPECT_EQ(ShellRig::intSetting("RoutingInDeckC"), 0);
  EXPECT_EQ(ShellRig::intSetting("RoutingInMicrophone"), 2);
  EXPECT_EQ(ShellRig::intSetting("RoutingOutZone3"), 1);
  // The routing choices were rebuilt for the device and show the new routing.
  auto* headphones = ShellRig::control<wxChoice>(10018);
  ASSERT_EQ(headphones->GetCount(), 7u);  // none, two pairs, four mono channels
  EXPECT_EQ(headphones->GetSelection(), 2);
  EXPECT_EQ(ShellRig::control<wxChoice>(10020)->GetCount(), 4u);  // none, one pair, two mono channels
  EXPECT_FALSE(preferencesDialog->FindWindow(ID_CFG_ASIO_PANEL)->IsShown());

  // Choosing "no audio" closes the device and routes nothing.
  userChooses(ID_CFG_AUDIO_DEVICE, 0);
  EXPECT_EQ(ShellRig::textSetting("AudioDevice"), "No audio device");
  EXPECT_EQ(ShellRig::openRow(), -1);
  EXPECT_EQ(ShellRig::intSetting("RoutingOutDeckA"), 0);
}

TEST_F(SettingsKeys, TheStoreIsSavedWhenTheDialogCloses) {
  ASSERT_EQ(rig->start(), 1);
  preferences->setValue("AutoMixLimitTrack", 4, 0, ZRPreferences::NotificationProgram);
  preferencesDialog->Close();
  const std::string saved = orvel_test::readFile(rig->preferencesPath());
  EXPECT_NE(saved.find("name=\"AutoMixLimitTrack\" value=\"4\""), std::string::npos);
}

TEST_F(SettingsKeys, ThePreferencesActionShowsTheDialog) {
  FCfgApp(-1, -1, -1, nullptr);  // no dialog yet: nothing
  ASSERT_EQ(rig->start(), 1);
  auto* list = ShellRig::control<wxListBox>(ID_CFG_MIDI_LIST);
  list->Append("stale entry");
  FCfgApp(-1, -1, -1, nullptr);
  EXPECT_TRUE(preferencesDialog->IsShown());
  EXPECT_EQ(list->GetCount(), 0u);  // refilled each time it is shown
  preferencesDialog->Hide();
}

TEST_F(SettingsKeys, TheControllerListOnlyInforms) {
  ASSERT_EQ(rig->start(), 1);
  auto* list = ShellRig::control<wxListBox>(ID_CFG_MIDI_LIST);
  list->Append("Controller  |  MIDI");
  list->SetSelection(0);
  wxCommandEvent event(wxEVT_LISTBOX, ID_CFG_MIDI_LIST);
  event.SetEventObject(list);
  list->GetEventHandler()->ProcessEvent(event);
  wxArrayInt selected;
  EXPECT_EQ(list->GetSelections(selected), 0);
}

TEST_F(SettingsKeys, ASkinSliderStoresItsSettingFromTheSkin) {
  ASSERT_EQ(rig->start(), 1);
  onTrack_SkinCfgSlider(40, ACT_cfg_latency, -1, nullptr);
  EXPECT_EQ(ShellRig::intSetting("ALatency"), 40);
  EXPECT_EQ(audioOutput->getLatency(), latencyMillisecondsToFrames(40));
  // The dialog's slider follows.
  EXPECT_EQ(ShellRig::control<wxSlider>(ID_CFG_LATENCY_SLIDER)->GetValue(), 40);
  onTrack_SkinCfgSlider(150, ACT_cfg_automix_duration, -1, nullptr);
  EXPECT_EQ(ShellRig::intSetting("AutoMixFadeTime"), 150);
  // An action no setting is bound to changes nothing.
  onTrack_SkinCfgSlider(5, ACT_deck_pitch, -1, nullptr);
  EXPECT_EQ(preferences->getValueType("deck_pitch"), ZRPreferenceTypeNone);
}
