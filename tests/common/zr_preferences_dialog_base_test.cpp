#include "common/zr_preferences_dialog_base.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/shell_hooks.h"

namespace {

// Records what the dialog would show instead of driving toolkit controls.
class RecordingDialog : public ZRPreferencesDialogBase {
 public:
  struct Shown {
    int controlId;
    int guiType;
    int intValue;
    std::string text;
  };

  void preferenceHasChanged(const char* key, ZRPreferences::NotificationSource source) override {
    showChange(key, source);
  }
  using ZRPreferencesDialogBase::onChoiceChanged;
  using ZRPreferencesDialogBase::onCommandControl;
  using ZRPreferencesDialogBase::onIntControlChanged;
  using ZRPreferencesDialogBase::onTextChanged;

  std::vector<Shown> shown;

 protected:
  void updateDialogControl(const Setting& setting, int intValue, const ZRString& textValue) override {
    shown.push_back({setting.controlId, setting.guiType, intValue, textValue.utf8()});
  }
};

struct SkinCall {
  std::string kind;
  int action;
  int value;
  std::string text;
  bool operator==(const SkinCall& o) const {
    return kind == o.kind && action == o.action && value == o.value && text == o.text;
  }
};

std::ostream& operator<<(std::ostream& os, const SkinCall& c) {
  return os << c.kind << "(" << c.action << ", " << c.value << ", '" << c.text << "')";
}

constexpr int kAutoGainBox = 100;
constexpr int kLatencySlider = 101;
constexpr int kPitchRangeSlider = 102;
constexpr int kDeviceChoice = 103;
constexpr int kNameField = 104;
constexpr int kModeChoice = 105;
constexpr int kApplyButton = 106;

class PreferencesBinding : public ::testing::Test {
 protected:
  PreferencesBinding()
      : store(nullptr, [this](void*, const char* key, ZRPreferenceType, int, float, const char*,
                              ZRPreferences::NotificationSource source) {
          sources.push_back(source);
          // What the shell's change handler does first.
          dialog.preferenceHasChanged(key, source);
        }) {}

  void SetUp() override {
    installSkinCfgSliderPosHook([this](int action, int position) {
      skin.push_back({"slider", action, position, ""});
    });
    installSkinCfgDropDownValueHook([this](int action, int param) {
      skin.push_back({"dropdown", action, param, ""});
    });
    installSkinCfgDropDownValueStringHook([this](int action, const ZRString& text) {
      skin.push_back({"dropdownText", action, 0, text.utf8()});
    });
    dialog.addPreference("UseAutoGain", kAutoGainBox, PREF_GUI_CHECKBOX, 0, 0);
    dialog.addPreference("ALatency", kLatencySlider, PREF_GUI_SLIDER, ACT_cfg_latency, ELEMENT_slider);
    dialog.addPreference("PitchRange", kPitchRangeSlider, PREF_GUI_SLIDER, ACT_cfg_pitch_range,
                         ELEMENT_dropdownlist);
    dialog.addPreference("ASplitStereoMode", -1, PREF_GUI_CHOICE_INDEX, ACT_cfg_split_stereo_mode,
                         ELEMENT_dropdownlist);
    dialog.addPreference("AudioDevice", kDeviceChoice, PREF_GUI_CHOICE_TEXT, ACT_cfg_audio_device,
                         ELEMENT_dropdownlist);
    dialog.addPreference("UserName", kNameField, PREF_GUI_TEXT, 0, 0);
    dialog.addPreference("Mode", kModeChoice, PREF_GUI_CHOICE_INDEX, 0, 0);
    dialog.addPreference("Hidden", kApplyButton, PREF_GUI_NONE, ACT_cfg_automix_duration, ELEMENT_slider);
    dialog.setPreferencesObject(&store);
  }

  void TearDown() override {
    installSkinCfgSliderPosHook(nullptr);
    installSkinCfgDropDownValueHook(nullptr);
    installSkinCfgDropDownValueStringHook(nullptr);
  }

  RecordingDialog dialog;
  ZRPreferences store;
  std::vector<ZRPreferences::NotificationSource> sources;
  std::vector<SkinCall> skin;
};

TEST_F(PreferencesBinding, TickingACheckBoxWritesWithDialogSourceAndIsNotEchoed) {
  dialog.onIntControlChanged(kAutoGainBox, 1);
  int value = -1;
  EXPECT_TRUE(store.getValue("UseAutoGain", value));
  EXPECT_EQ(value, 1);
  ASSERT_EQ(sources.size(), 1u);
  EXPECT_EQ(sources[0], ZRPreferences::NotificationDialog);
  EXPECT_TRUE(dialog.shown.empty());
  EXPECT_TRUE(skin.empty());
}

TEST_F(PreferencesBinding, DialogSliderMovesTheSkinSliderButNotItself) {
  dialog.onIntControlChanged(kLatencySlider, 40);
  EXPECT_TRUE(dialog.shown.empty());
  EXPECT_EQ(skin, (std::vector<SkinCall>{{"slider", 716, 40, ""}}));
}

TEST_F(PreferencesBinding, ProgramChangeUpdatesDialogAndSkin) {
  store.setValue("ALatency", 27, 0, ZRPreferences::NotificationProgram);
  ASSERT_EQ(dialog.shown.size(), 1u);
  EXPECT_EQ(dialog.shown[0].controlId, kLatencySlider);
  EXPECT_EQ(dialog.shown[0].intValue, 27);
  EXPECT_EQ(skin, (std::vector<SkinCall>{{"slider", 716, 27, ""}}));

  dialog.shown.clear();
  skin.clear();
  store.setValue("PitchRange", 6, 0, ZRPreferences::NotificationLoaded);
  ASSERT_EQ(dialog.shown.size(), 1u);
  EXPECT_EQ(dialog.shown[0].controlId, kPitchRangeSlider);
  EXPECT_EQ(dialog.shown[0].intValue, 6);
  EXPECT_EQ(skin, (std::vector<SkinCall>{{"dropdown", 724, 6, ""}}));
}

TEST_F(PreferencesBinding, SkinChangeUpdatesOnlyTheDialog) {
  store.setValue("ALatency", 12, 0, ZRPreferences::NotificationSkin);
  ASSERT_EQ(dialog.shown.size(), 1u);
  EXPECT_EQ(dialog.shown[0].intValue, 12);
  EXPECT_TRUE(skin.empty());
}

TEST_F(PreferencesBinding, SkinOnlyKeyUpdatesOnlyTheSkin) {
  store.setValue("ASplitStereoMode", 2, 0, ZRPreferences::NotificationProgram);
  EXPECT_TRUE(dialog.shown.empty());
  EXPECT_EQ(skin, (std::vector<SkinCall>{{"dropdown", 721, 2, ""}}));
}

TEST_F(PreferencesBinding, ChoiceByTextTravelsAsText) {
  store.setValue("AudioDevice", "Built-in Output", 0, ZRPreferences::NotificationProgram);
  ASSERT_EQ(dialog.shown.size(), 1u);
  EXPECT_EQ(dialog.shown[0].controlId, kDeviceChoice);
  EXPECT_EQ(dialog.shown[0].text, "Built-in Output");
  EXPECT_EQ(skin, (std::vector<SkinCall>{{"dropdownText", 720, 0, "Built-in Output"}}));

  dialog.shown.clear();
  skin.clear();
  dialog.onChoiceChanged(kDeviceChoice, 3, ZRString("USB Card"));
  char text[128];
  EXPECT_TRUE(store.getValue("AudioDevice", text));
  EXPECT_STREQ(text, "USB Card");
  EXPECT_TRUE(dialog.shown.empty());
  EXPECT_EQ(skin, (std::vector<SkinCall>{{"dropdownText", 720, 0, "USB Card"}}));
}

TEST_F(PreferencesBinding, ControlEventsWriteByKind) {
  dialog.onChoiceChanged(kModeChoice, -1, ZRString(""));
  int mode = 0;
  EXPECT_TRUE(store.getValue("Mode", mode));
  EXPECT_EQ(mode, -1);

  dialog.onTextChanged(kNameField, ZRString("Zoë"));
  ZRString name;
  EXPECT_TRUE(store.getValue("UserName", &name));
  EXPECT_EQ(name.utf8(), "Zoë");

  // A text event of a control bound as another kind, a choice event of a non-choice binding and
  // events of unbound controls write nothing.
  sources.clear();
  dialog.onTextChanged(kModeChoice, ZRString("7"));
  dialog.onChoiceChanged(kLatencySlider, 3, ZRString("x"));
  dialog.onChoiceChanged(kApplyButton, 3, ZRString("x"));
  dialog.onIntControlChanged(999, 5);
  dialog.onTextChanged(999, ZRString("x"));
  EXPECT_TRUE(sources.empty());
  EXPECT_EQ(store.getValueType("ALatency"), ZRPreferenceTypeNone);
}

TEST_F(PreferencesBinding, ValueOfTheWrongTypeLeavesControlsAlone) {
  store.setValue("ALatency", "fast", 0, ZRPreferences::NotificationProgram);
  store.setValue("AudioDevice", 3, 0, ZRPreferences::NotificationProgram);
  store.setValue("Hidden", 5, 0, ZRPreferences::NotificationProgram);  // kind 4: no dialog control
  EXPECT_TRUE(dialog.shown.empty());
  EXPECT_EQ(skin, (std::vector<SkinCall>{{"slider", 718, 5, ""}}));
}

TEST_F(PreferencesBinding, NothingWithoutStoreOrBinding) {
  store.setValue("NotBound", 1, 0, ZRPreferences::NotificationProgram);
  dialog.preferenceHasChanged("ALatency", ZRPreferences::NotificationProgram);  // bound, not stored
  EXPECT_TRUE(dialog.shown.empty());
  EXPECT_TRUE(skin.empty());

  store.setValue("ALatency", 10, 0, ZRPreferences::NotificationProgram);
  dialog.shown.clear();
  skin.clear();
  dialog.setPreferencesObject(nullptr);
  dialog.preferenceHasChanged("ALatency", ZRPreferences::NotificationProgram);
  dialog.onIntControlChanged(kLatencySlider, 99);
  EXPECT_TRUE(dialog.shown.empty());
  EXPECT_TRUE(skin.empty());
  int latency = 0;
  EXPECT_TRUE(store.getValue("ALatency", latency));
  EXPECT_EQ(latency, 10);
}

TEST_F(PreferencesBinding, LookupByAction) {
  char key[128] = "junk";
  PreferenceGuiType kind = PREF_GUI_NONE;
  EXPECT_TRUE(dialog.getPreferenceForActionId(720, key, &kind));
  EXPECT_STREQ(key, "AudioDevice");
  EXPECT_EQ(kind, PREF_GUI_CHOICE_TEXT);
  EXPECT_TRUE(dialog.getPreferenceForActionId(716, key, nullptr));
  EXPECT_STREQ(key, "ALatency");
  EXPECT_FALSE(dialog.getPreferenceForActionId(ACT_deck_play_pause, key, &kind));
  EXPECT_STREQ(key, "");
  EXPECT_FALSE(dialog.getPreferenceForActionId(720, nullptr, &kind));
  // The first binding in key order wins.
  dialog.addPreference("AAA", 200, PREF_GUI_SLIDER, 720, ELEMENT_dropdownlist);
  EXPECT_TRUE(dialog.getPreferenceForActionId(720, key, &kind));
  EXPECT_STREQ(key, "AAA");
}

TEST_F(PreferencesBinding, RebindingReplacesTheBinding) {
  dialog.addPreference("ALatency", 300, PREF_GUI_SLIDER, 0, 0);
  store.setValue("ALatency", 8, 0, ZRPreferences::NotificationProgram);
  ASSERT_EQ(dialog.shown.size(), 1u);
  EXPECT_EQ(dialog.shown[0].controlId, 300);
  EXPECT_TRUE(skin.empty());
  dialog.onIntControlChanged(kLatencySlider, 50);
  int latency = 0;
  EXPECT_TRUE(store.getValue("ALatency", latency));
  EXPECT_EQ(latency, 8);
}

TEST_F(PreferencesBinding, RefreshShowsEveryStoredKeyInKeyOrder) {
  store.setValue("UseAutoGain", 1, 0, ZRPreferences::NotificationDialog);
  store.setValue("ALatency", 20, 0, ZRPreferences::NotificationDialog);
  store.setValue("UserName", "dj", 0, ZRPreferences::NotificationDialog);
  dialog.shown.clear();
  skin.clear();
  dialog.refreshAllBasedOnPreferences(ZRPreferences::NotificationProgram);
  ASSERT_EQ(dialog.shown.size(), 3u);
  EXPECT_EQ(dialog.shown[0].controlId, kLatencySlider);
  EXPECT_EQ(dialog.shown[1].controlId, kAutoGainBox);
  EXPECT_EQ(dialog.shown[2].controlId, kNameField);
  EXPECT_EQ(dialog.shown[2].text, "dj");
  EXPECT_EQ(skin, (std::vector<SkinCall>{{"slider", 716, 20, ""}}));
}

TEST_F(PreferencesBinding, ButtonsReachTheCallback) {
  dialog.onCommandControl(&dialog, kApplyButton);  // no callback yet: nothing
  std::vector<std::pair<void*, int>> calls;
  dialog.setCallback([&](void* d, int id) { calls.emplace_back(d, id); });
  dialog.onCommandControl(&dialog, kApplyButton);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].first, &dialog);
  EXPECT_EQ(calls[0].second, kApplyButton);
}

}  // namespace
