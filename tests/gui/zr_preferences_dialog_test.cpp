#include "gui/zr_preferences_dialog.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/slider.h>
#include <wx/textctrl.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/shell_hooks.h"
#include "support/display_required.h"
#include "support/test_support.h"
#include "wx_test_app.h"

namespace {

enum { kBox = 1100, kSlider, kPitchSlider, kDeviceChoice, kNameField, kModeChoice, kApplyButton, kList };

class PreferencesDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureWxApp()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    prefsPath = dir.file("preferences.xml");
    store = std::make_unique<ZRPreferences>(
        prefsPath.c_str(), [this](void*, const char* key, ZRPreferenceType, int, float, const char*,
                                  ZRPreferences::NotificationSource source) {
          sources.push_back(source);
          dialog->preferenceHasChanged(key, source);
        });
    installSkinCfgSliderPosHook(
        [this](int a, int v) { skin.push_back("slider " + std::to_string(a) + " " + std::to_string(v)); });
    installSkinCfgDropDownValueHook(
        [this](int a, int v) { skin.push_back("dd " + std::to_string(a) + " " + std::to_string(v)); });
    installSkinCfgDropDownValueStringHook(
        [this](int a, const ZRString& t) { skin.push_back("ddt " + std::to_string(a) + " " + t.utf8()); });

    dialog = new ZRPreferencesDialog(nullptr, wxID_ANY, "Preferences", wxDefaultPosition, wxSize(300, 300));
    box = new wxCheckBox(dialog, kBox, "Auto gain");
    slider = new wxSlider(dialog, kSlider, 27, 1, 90);
    pitchSlider = new wxSlider(dialog, kPitchSlider, 1, 0, 20);
    const wxString devices[] = {"Built-in Output", "USB Card"};
    deviceChoice = new wxChoice(dialog, kDeviceChoice, wxDefaultPosition, wxDefaultSize, 2, devices);
    nameField = new wxTextCtrl(dialog, kNameField, "");
    const wxString modes[] = {"a", "b", "c"};
    modeChoice = new wxChoice(dialog, kModeChoice, wxDefaultPosition, wxDefaultSize, 3, modes);
    button = new wxButton(dialog, kApplyButton, "Apply");
    list = new wxListBox(dialog, kList);

    dialog->addPreference("UseAutoGain", kBox, PREF_GUI_CHECKBOX, 0, 0);
    dialog->addPreference("ALatency", kSlider, PREF_GUI_SLIDER, ACT_cfg_latency, ELEMENT_slider);
    dialog->addPreference("PitchRange", kPitchSlider, PREF_GUI_SLIDER, ACT_cfg_pitch_range,
                          ELEMENT_dropdownlist);
    dialog->addPreference("ASplitStereoMode", -1, PREF_GUI_CHOICE_INDEX, ACT_cfg_split_stereo_mode,
                          ELEMENT_dropdownlist);
    dialog->addPreference("AudioDevice", kDeviceChoice, PREF_GUI_CHOICE_TEXT, ACT_cfg_audio_device,
                          ELEMENT_dropdownlist);
    dialog->addPreference("UserName", kNameField, PREF_GUI_TEXT, 0, 0);
    dialog->addPreference("Mode", kModeChoice, PREF_GUI_CHOICE_INDEX, 0, 0);
    dialog->setPreferencesObject(store.get());
  }

  void TearDown() override {
    installSkinCfgSliderPosHook(nullptr);
    installSkinCfgDropDownValueHook(nullptr);
    installSkinCfgDropDownValueStringHook(nullptr);
    if (dialog != nullptr) dialog->Destroy();
    if (wxTheApp != nullptr) wxTheApp->ProcessPendingEvents();
  }

  // Sends a control's event the way the toolkit does after user input.
  void userEvent(wxWindow* control, wxEventType type, int intValue = 0) {
    wxCommandEvent event(type, control->GetId());
    event.SetEventObject(control);
    event.SetInt(intValue);
    control->GetEventHandler()->ProcessEvent(event);
  }

  orvel_test::TempDir dir;
  std::string prefsPath;
  std::unique_ptr<ZRPreferences> store;
  ZRPreferencesDialog* dialog = nullptr;
  wxCheckBox* box = nullptr;
  wxSlider* slider = nullptr;
  wxSlider* pitchSlider = nullptr;
  wxChoice* deviceChoice = nullptr;
  wxTextCtrl* nameField = nullptr;
  wxChoice* modeChoice = nullptr;
  wxButton* button = nullptr;
  wxListBox* list = nullptr;
  std::vector<ZRPreferences::NotificationSource> sources;
  std::vector<std::string> skin;
};

TEST_F(PreferencesDialog, TickingTheCheckBoxStoresOneWithDialogSource) {
  box->SetValue(true);
  userEvent(box, wxEVT_CHECKBOX, 1);
  int value = 0;
  EXPECT_TRUE(store->getValue("UseAutoGain", value));
  EXPECT_EQ(value, 1);
  EXPECT_EQ(sources, (std::vector<ZRPreferences::NotificationSource>{ZRPreferences::NotificationDialog}));
  EXPECT_TRUE(box->GetValue());
  box->SetValue(false);
  userEvent(box, wxEVT_CHECKBOX, 0);
  EXPECT_TRUE(store->getValue("UseAutoGain", value));
  EXPECT_EQ(value, 0);
}

TEST_F(PreferencesDialog, UserControlsWriteTheirKeysAndReachOnlyTheSkin) {
  slider->SetValue(40);
  userEvent(slider, wxEVT_SLIDER, 40);
  deviceChoice->SetSelection(1);
  userEvent(deviceChoice, wxEVT_CHOICE, 1);
  modeChoice->SetSelection(2);
  userEvent(modeChoice, wxEVT_CHOICE, 2);
  nameField->SetValue("dj one");  // the control itself reports the text change
  int latency = 0, mode = 0;
  char device[128], name[128];
  EXPECT_TRUE(store->getValue("ALatency", latency));
  EXPECT_TRUE(store->getValue("AudioDevice", device));
  EXPECT_TRUE(store->getValue("Mode", mode));
  EXPECT_TRUE(store->getValue("UserName", name));
  EXPECT_EQ(latency, 40);
  EXPECT_STREQ(device, "USB Card");
  EXPECT_EQ(mode, 2);
  EXPECT_STREQ(name, "dj one");
  EXPECT_EQ(skin, (std::vector<std::string>{"slider 716 40", "ddt 720 USB Card"}));
  EXPECT_EQ(slider->GetValue(), 40);
  EXPECT_EQ(nameField->GetValue(), "dj one");
  for (auto source : sources) EXPECT_EQ(source, ZRPreferences::NotificationDialog);
}

TEST_F(PreferencesDialog, ProgramChangesMoveDialogAndSkinControls) {
  store->setValue("ALatency", 33, 0, ZRPreferences::NotificationProgram);
  store->setValue("PitchRange", 6, 0, ZRPreferences::NotificationProgram);
  store->setValue("ASplitStereoMode", 1, 0, ZRPreferences::NotificationProgram);
  store->setValue("UseAutoGain", 1, 0, ZRPreferences::NotificationLoaded);
  store->setValue("UserName", "Zoë", 0, ZRPreferences::NotificationProgram);
  EXPECT_EQ(slider->GetValue(), 33);
  EXPECT_EQ(pitchSlider->GetValue(), 6);
  EXPECT_TRUE(box->GetValue());
  EXPECT_EQ(nameField->GetValue(), wxString::FromUTF8("Zoë"));
  EXPECT_EQ(skin, (std::vector<std::string>{"slider 716 33", "dd 724 6", "dd 721 1"}));
  // Showing the text in its field did not come back as a dialog change.
  EXPECT_EQ(sources.size(), 5u);
  for (auto source : sources) EXPECT_NE(source, ZRPreferences::NotificationDialog);
}

TEST_F(PreferencesDialog, SkinChangesMoveOnlyTheDialogControl) {
  store->setValue("ALatency", 12, 0, ZRPreferences::NotificationSkin);
  store->setValue("AudioDevice", "USB Card", 0, ZRPreferences::NotificationSkin);
  EXPECT_EQ(slider->GetValue(), 12);
  EXPECT_EQ(deviceChoice->GetSelection(), 1);
  EXPECT_TRUE(skin.empty());
}

TEST_F(PreferencesDialog, ChoicesSelectByIndexOrTextIgnoringCase) {
  struct Case {
    const char* device;
    int want;
  };
  for (const Case& c :
       {Case{"built-in OUTPUT", 0}, Case{"USB Card", 1}, Case{"Nothing like it", wxNOT_FOUND}}) {
    store->setValue("AudioDevice", c.device, 0, ZRPreferences::NotificationProgram);
    EXPECT_EQ(deviceChoice->GetSelection(), c.want) << c.device;
  }
  for (int index : {2, 0, 3, -1, 1}) {
    store->setValue("Mode", index, 0, ZRPreferences::NotificationProgram);
    EXPECT_EQ(modeChoice->GetSelection(), index >= 0 && index < 3 ? index : wxNOT_FOUND) << index;
  }
}

TEST_F(PreferencesDialog, WrongTypeLeavesTheControlUnchanged) {
  slider->SetValue(20);
  store->setValue("ALatency", "fast", 0, ZRPreferences::NotificationProgram);
  EXPECT_EQ(slider->GetValue(), 20);
  EXPECT_TRUE(skin.empty());
}

TEST_F(PreferencesDialog, ButtonsAndListBoxesReachTheCallback) {
  std::vector<int> ids;
  dialog->setCallback([&](void* d, int id) {
    EXPECT_EQ(d, static_cast<void*>(dialog));
    ids.push_back(id);
  });
  userEvent(button, wxEVT_BUTTON);
  userEvent(list, wxEVT_LISTBOX);
  EXPECT_EQ(ids, (std::vector<int>{kApplyButton, kList}));
  EXPECT_TRUE(sources.empty());
}

TEST_F(PreferencesDialog, ChangeFromAnotherThreadReachesTheControlOnTheMainThread) {
  std::thread renderThread([this] { store->setValue("ALatency", 55, 0, ZRPreferences::NotificationSkin); });
  renderThread.join();
  EXPECT_EQ(slider->GetValue(), 27);  // not touched off the main thread
  wxTheApp->ProcessPendingEvents();
  EXPECT_EQ(slider->GetValue(), 55);
}

TEST_F(PreferencesDialog, LosingActivationClosesAndSavesTheModelessDialog) {
  dialog->Show();
  store->setValue("ALatency", 44, 0, ZRPreferences::NotificationDialog);
  ASSERT_FALSE(std::filesystem::exists(prefsPath));
  testing::internal::CaptureStdout();
  wxActivateEvent lost(wxEVT_ACTIVATE, false, dialog->GetId());
  lost.SetEventObject(dialog);
  dialog->GetEventHandler()->ProcessEvent(lost);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("OnClose"), std::string::npos);
  EXPECT_FALSE(dialog->IsShown());
  EXPECT_NE(orvel_test::readFile(prefsPath).find("name=\"ALatency\" value=\"44\""), std::string::npos);

  // Gaining activation does nothing.
  dialog->Show();
  wxActivateEvent gained(wxEVT_ACTIVATE, true, dialog->GetId());
  gained.SetEventObject(dialog);
  dialog->GetEventHandler()->ProcessEvent(gained);
  EXPECT_TRUE(dialog->IsShown());
}

}  // namespace
