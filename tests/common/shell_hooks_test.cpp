#include "common/shell_hooks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/log_capture.h"

namespace {

TEST(ShellHooks, SamplesDir) {
  SetSamplesDir(ZRString("/data/Samples/"));
  EXPECT_EQ(GetSamplesDir().utf8(), "/data/Samples/");
  SetSamplesDir(ZRString());
  EXPECT_TRUE(GetSamplesDir().empty());
}

// Without a shell (the engine's tests, tools) the calls are dropped: nothing is logged, and nothing is
// kept to reach a hook installed later.
TEST(ShellHooks, OperationsWithoutHooksDoNothing) {
  orvel_test::LogCapture log(true);
  setSkinCfgSliderPos(716, 3);
  setSkinCfgDropDownValue(724, 3);
  setSkinCfgDropDownValueString(720, ZRString("x"));
  preferenceChanged(nullptr, "Key", ZRPreferenceTypeInt, 1, 0.0f, "", ZRPreferences::NotificationProgram);
  preferenceGuiControlChanged(nullptr, 5);
  EXPECT_EQ(log.lines(), std::vector<std::string>{});
  std::vector<std::string> calls;
  installSkinCfgSliderPosHook(
      [&](int a, int p) { calls.push_back(std::to_string(a) + " " + std::to_string(p)); });
  installPreferenceGuiControlChangedHook([&](void*, int id) { calls.push_back(std::to_string(id)); });
  installPreferenceChangedHook([&](void*, const char* key, ZRPreferenceType, int, float, const char*,
                                   ZRPreferences::NotificationSource) { calls.push_back(key); });
  setSkinCfgSliderPos(716, 4);
  installSkinCfgSliderPosHook(nullptr);
  installPreferenceGuiControlChangedHook(nullptr);
  installPreferenceChangedHook(nullptr);
  EXPECT_EQ(calls, (std::vector<std::string>{"716 4"}));
}

TEST(ShellHooks, InstalledHooksReceiveTheirArgumentsAndCanBeRemoved) {
  std::vector<std::string> calls;
  installSkinCfgSliderPosHook(
      [&](int a, int p) { calls.push_back("slider " + std::to_string(a) + " " + std::to_string(p)); });
  installSkinCfgDropDownValueHook(
      [&](int a, int p) { calls.push_back("dd " + std::to_string(a) + " " + std::to_string(p)); });
  installSkinCfgDropDownValueStringHook(
      [&](int a, const ZRString& t) { calls.push_back("ddt " + std::to_string(a) + " " + t.utf8()); });
  installPreferenceGuiControlChangedHook(
      [&](void* d, int id) { calls.push_back(std::string(d ? "dlg " : "null ") + std::to_string(id)); });
  int dialog = 0;
  setSkinCfgSliderPos(716, 27);
  setSkinCfgDropDownValue(724, 6);
  setSkinCfgDropDownValueString(720, ZRString("Out"));
  preferenceGuiControlChanged(&dialog, 9);
  EXPECT_EQ(calls, (std::vector<std::string>{"slider 716 27", "dd 724 6", "ddt 720 Out", "dlg 9"}));

  installSkinCfgSliderPosHook(nullptr);
  installSkinCfgDropDownValueHook(nullptr);
  installSkinCfgDropDownValueStringHook(nullptr);
  installPreferenceGuiControlChangedHook(nullptr);
  setSkinCfgSliderPos(716, 1);
  preferenceGuiControlChanged(&dialog, 1);
  EXPECT_EQ(calls.size(), 4u);
}

TEST(ShellHooks, StoreCallbackThroughTheSeamMayReenter) {
  // The shell's handler applies a key by setting another key: the nested call must not deadlock.
  std::vector<std::string> seen;
  ZRPreferences store(nullptr, preferenceChanged);
  installPreferenceChangedHook([&](void* s, const char* key, ZRPreferenceType type, int i, float, const char*,
                                   ZRPreferences::NotificationSource source) {
    seen.push_back(std::string(key) + "=" + std::to_string(i) + "/" + std::to_string(type) + "/" +
                   std::to_string(source));
    if (std::string(key) == "A")
      static_cast<ZRPreferences*>(s)->setValue("B", i + 1, 0, ZRPreferences::NotificationProgram);
  });
  store.setValue("A", 1, 0, ZRPreferences::NotificationDialog);
  installPreferenceChangedHook(nullptr);
  EXPECT_EQ(seen, (std::vector<std::string>{"A=1/1/2", "B=2/1/1"}));
}

}  // namespace
