// The video actions and the shell's video glue: the choice drop-downs reach the video output, the linked
// videos come from their folder's videos only, and the video window's place is kept, a place on no screen
// not applied.

#include "main_dj/video_actions.h"

#include <gtest/gtest.h>

#include "actions_dj/deck_loading.h"
#include "actions_dj/engine_globals.h"
#include "common/zr_preferences.h"
#include "main_dj/action_functions.h"
#include "main_window_rig.h"
#include "opengl_directx/zr_video_preview_frame.h"
#include "shell_engine_rig.h"
#include "support/test_support.h"
#include "video_mixing/zr_video_output.h"

namespace {

using orvel_test::TempDir;

TEST(VideoActions, DropDownChoicesReachTheVideoOutput) {
  ZRActionCallback fx = actionFunction("FVideoFXOnChange");
  ZRActionCallback transition = actionFunction("FVideoTransitionOnChange");
  ASSERT_NE(fx, nullptr);
  ASSERT_NE(transition, nullptr);
  ASSERT_FALSE(isActionPlaceholder(fx));
  fx(3, 0, 1, nullptr);
  EXPECT_EQ(getVideoEffect(1), 3);
  EXPECT_EQ(getVideoEffect(0), 0);
  transition(6, 0, -1, nullptr);
  EXPECT_EQ(getVideoTransition(), 6);
  fx(99, 0, 1, nullptr);  // outside the list
  EXPECT_EQ(getVideoEffect(1), 0);
  transition(0, 0, -1, nullptr);
  EXPECT_FALSE(isActionPlaceholder(actionFunction("enableVideoWindow")));
}

using LinkedVideos = orvel_test::ShellRigTest;

TEST_F(LinkedVideos, OnlyTheFoldersVideosAreHandedOutInTurn) {
  ASSERT_EQ(rig->start(), 1);
  TempDir folder;
  for (const char* name : {"a.mp4", "b.MKV", "song.mp3", "notes.txt"})
    ASSERT_TRUE(orvel_test::writeFile(folder.file(name), "x"));
  preferences->setValue("LinkVideoEnabled", 1, 0, ZRPreferences::NotificationProgram);
  preferences->setValue("LinkVideoFolder", folder.path().c_str(), 0, ZRPreferences::NotificationDialog);
  const ZRString audio(folder.file("song.mp3"));
  std::vector<std::string> handed;
  for (int i = 0; i < 3; ++i) {
    ZRString video;
    linkVideoIfNeeded(audio, video, nullptr);
    handed.push_back(video.utf8());
  }
  EXPECT_EQ(handed,
            (std::vector<std::string>{folder.file("a.mp4"), folder.file("b.MKV"), folder.file("a.mp4")}));
  // A folder without videos links none (and hands out nothing, whatever the cursor).
  preferences->setValue("LinkVideoRandom", 1, 0, ZRPreferences::NotificationProgram);
  preferences->setValue("LinkVideoFolder", "", 0, ZRPreferences::NotificationDialog);
  ZRString video;
  linkVideoIfNeeded(audio, video, nullptr);
  EXPECT_TRUE(video.empty());
  preferences->setValue("LinkVideoEnabled", 0, 0, ZRPreferences::NotificationProgram);
}

TEST(VideoWindowPlace, KeptAcrossStartsAndNotPutOffEveryScreen) {
  if (!orvel_test::ensureToolkitForRenderThread()) GTEST_SKIP() << "no display";
  orvel_test::MainWindowRig rig;
  ASSERT_NE(MainFrame1, nullptr);
  TempDir dir;
  ZRPreferences store(dir.file("preferences.xml").c_str(), nullptr);
  ZRPreferences* previous = preferences;
  preferences = &store;
  struct Restore {
    ZRPreferences* previous;
    ~Restore() { preferences = previous; }
  } restore{previous};

  struct PlaceRow {
    const char* what;
    int x, y;
    bool applied;
  };
  const PlaceRow rows[] = {{"on the screen", 60, 70, true}, {"on no screen", 30000, 30000, false}};
  for (const PlaceRow& row : rows) {
    SCOPED_TRACE(row.what);
    MainFrame1->Move(10, 20);
    orvel_test::pumpFor(50);
    store.setValue("VideoX", row.x, 0, ZRPreferences::NotificationProgram);
    store.setValue("VideoY", row.y, 0, ZRPreferences::NotificationProgram);
    loadVideoWindowSettings();
    orvel_test::pumpFor(50);
    const wxPoint at = MainFrame1->GetPosition();
    if (row.applied) {
      EXPECT_EQ(at, wxPoint(row.x, row.y));
    } else {
      EXPECT_EQ(at, wxPoint(10, 20));
    }
  }
  MainFrame1->Move(90, 80);
  orvel_test::pumpFor(50);
  saveVideoWindowSettings();
  int x = 0, y = 0;
  ASSERT_TRUE(store.getValue("VideoX", x));
  ASSERT_TRUE(store.getValue("VideoY", y));
  EXPECT_EQ(x, 90);
  EXPECT_EQ(y, 80);
}

}  // namespace
