// The user's overlays in the shell: the overlay-file drop-down switches files only when one loads, a file
// that did not load is never written over at shut-down, and the overlay switch is kept.

#include "main_dj/overlay_actions.h"

#include <gtest/gtest.h>

#include "actions_dj/engine_globals.h"
#include "common/zr_preferences.h"
#include "main_dj/action_functions.h"
#include "shell_engine_rig.h"
#include "support/log_capture.h"
#include "support/test_support.h"
#include "video_mixing/zr_simple_overlays.h"

namespace {

using orvel_test::readFile;
using orvel_test::writeFile;

constexpr const char* kGood =
    "<overlays version=\"1\">\n<overlay index=\"1\" enabled=\"1\" type=\"text\" nametext=\"Good\" />\n"
    "</overlays>\n";
constexpr const char* kBroken = "<overlays version=\"1\">\n<overlay index=\"1\" nametext=\"cut";

using OverlayActions = orvel_test::ShellRigTest;

std::string setting(const char* key) {
  ZRString value;
  return preferences != nullptr && preferences->getValue(key, &value) ? value.utf8() : std::string();
}

int indexOf(const std::string& path) {
  for (size_t i = 0; i < overlaysFiles.size(); ++i)
    if (overlaysFiles[i].utf8() == path) return static_cast<int>(i);
  return -1;
}

TEST_F(OverlayActions, TheDropDownSwitchesOnlyToAFileThatLoads) {
  ASSERT_EQ(rig->start(), 1);
  ZRActionCallback onChange = actionFunction("FVideoOverlaysOnChange");
  ASSERT_NE(onChange, nullptr);
  ASSERT_FALSE(isActionPlaceholder(onChange));
  const std::string folder = theOverlaysDir.utf8();
  const std::string good = folder + "good.xml", broken = folder + "broken.xml";
  ASSERT_TRUE(writeFile(good, kGood));
  ASSERT_TRUE(writeFile(broken, kBroken));
  refreshVideoOverlaysFiles(theOverlaysDir, true);
  ASSERT_GE(indexOf(good), 0);
  ASSERT_GE(indexOf(broken), 0);

  orvel_test::LogCapture log;
  onChange(indexOf(good), 0, -1, nullptr);
  EXPECT_EQ(setting("CurrentOverlaysFilename"), good);
  ASSERT_EQ(simpleOverlays.getTotalItems(), 1);
  EXPECT_EQ(simpleOverlays.getItem(0)->nametext, ZRString("Good"));

  onChange(indexOf(broken), 0, -1, nullptr);
  EXPECT_TRUE(log.contains("FVideoOverlaysOnChange param="));
  EXPECT_EQ(setting("CurrentOverlaysFilename"), good) << "a file that did not load is not the file in use";
  ASSERT_EQ(simpleOverlays.getTotalItems(), 1);
  EXPECT_EQ(simpleOverlays.getItem(0)->nametext, ZRString("Good"));
  onChange(static_cast<int>(overlaysFiles.size()), 0, -1, nullptr);  // past the list: nothing
  EXPECT_EQ(setting("CurrentOverlaysFilename"), good);
}

TEST_F(OverlayActions, AFileThatDidNotLoadIsNeverWrittenOver) {
  ASSERT_EQ(rig->start(), 1);
  const std::string broken = theOverlaysDir.utf8() + "mine.xml";
  ASSERT_TRUE(writeFile(broken, kBroken));
  preferences->setValue("CurrentOverlaysFilename", broken.c_str(), 0, ZRPreferences::NotificationProgram);
  simpleOverlays.clear();
  simpleOverlays.add(true, -1);
  loadOverlaysAtStart();
  EXPECT_EQ(simpleOverlays.getTotalItems(), 1);
  saveOverlaysAtShutDown();
  EXPECT_EQ(readFile(broken), kBroken);

  // Mended by hand, it loads and is saved again.
  ASSERT_TRUE(writeFile(broken, kGood));
  ASSERT_TRUE(loadOverlaysFile(ZRString(broken), ZRString()));
  simpleOverlays.getItem(0)->nametext = "Changed";
  saveOverlaysAtShutDown();
  EXPECT_NE(readFile(broken).find("nametext=\"Changed\""), std::string::npos);
}

TEST_F(OverlayActions, TheFirstStartLoadsTheShippedListAndTheSwitchIsKept) {
  ASSERT_EQ(rig->start(), 1);
  const std::string shipped = theOverlaysDir.utf8() + "default.xml";
  ASSERT_TRUE(writeFile(shipped, readFile(orvel_test::sourceFile("resources/overlays/default.xml"))));
  simpleOverlays.clear();
  loadOverlaysAtStart();
  EXPECT_EQ(currentOverlaysFile().utf8(), shipped);
  ASSERT_EQ(simpleOverlays.getTotalItems(), 2);
  EXPECT_EQ(simpleOverlays.getItem(0)->nametext, ZRString("Orvel"));
  EXPECT_GE(indexOf(shipped), 0);

  ZRActionCallback visible = actionFunction("setVisibleVideoOverlays");
  ASSERT_FALSE(isActionPlaceholder(visible));
  visible(0, 0, -1, nullptr);
  int stored = -1;
  ASSERT_TRUE(preferences->getValue("CurrentOverlaysVisible", stored));
  EXPECT_EQ(stored, 0);
  visible(1, 0, -1, nullptr);
  ASSERT_TRUE(preferences->getValue("CurrentOverlaysVisible", stored));
  EXPECT_EQ(stored, 1);
}

}  // namespace
