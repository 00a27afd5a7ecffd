// The skin as a setting: the catalogue of the skin folders, the default skin for the display, a skin change
// that keeps each skin's panel sizes, an unknown skin falling back to the default, the scripts' partial names
// and node ids.

#include <gtest/gtest.h>

#include "common/action_ids.h"
#include "common/zr_preferences.h"
#include "gui/zr_draw_node.h"
#include "shell_engine_rig.h"
#include "support/image_fixtures.h"
#include "support/log_capture.h"
#include "main_window_rig.h"

using orvel_test::LogCapture;
using orvel_test::ShellRig;
using orvel_test::ShellSandbox;
using orvel_test::writeFile;

namespace {

// A skin of the catalogue with the library's panels: the browser, its splitter, the track table, the
// list splitter and the side list, side by side; and a script element "_play".
std::string panelSkin(const std::string& name, int width, int height, const std::string& image,
                      int browserWidth) {
  const std::string size =
      " screenwidth=\"" + std::to_string(width) + "\" screenheight=\"" + std::to_string(height);
  auto element = [](const char* tag, const char* action, int x, int w) {
    return std::string("<") + tag + " action=\"" + action + "\" posx=\"" + std::to_string(x) +
           "\" posy=\"10\" width=\"" + std::to_string(w) + "\" height=\"100\"/>\n";
  };
  return "<?xml version=\"1.0\"?>\n<skin targetversion=\"3\" skinname=\"" + name + "\"" + size +
         "\">\n<aspectratios_supported>\n<aspectratio_supported name=\"wide\" aspectratio=\"1.6\">\n"
         "<image name=\"" +
         image + "\" resolutionx=\"" + std::to_string(width) + "\" resolutiony=\"" + std::to_string(height) +
         "\" images=\"1\"/>\n</aspectratio_supported>\n</aspectratios_supported>\n"
         "<window action=\"main\">\n" +
         element("browser", "browser", 0, browserWidth) + element("image", "img_splitter_browser", 200, 4) +
         element("list", "playlist", 204, 200) + element("image", "img_splitter_list", 404, 4) +
         element("list", "sidelist", 408, 100) + element("button", "_play", 1, 5) + "</window>\n</skin>\n";
}

class SkinChoice : public orvel_test::ShellRigTest {
 protected:
  void SetUp() override {
    ShellRigTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    setSkinWindowLoader([this](const ZRString& xml, const ZRString& image, int w, int h, int parts) {
      return rig->manager().loadSkin(xml, image, w, h, parts);
    });
  }
  // A skin in the user's Skins folder: <file>.xml and <file>.png.
  void addSkin(const std::string& file, const std::string& name, int width, int height,
               int browserWidth = 150) {
    const std::string folder = theSkinsDir.utf8();
    writeFile(folder + file + ".xml", panelSkin(name, width, height, file + ".png", browserWidth));
    // Skins larger than the display are never loaded: a token picture spares encoding a huge one.
    const bool loadable = width <= 2000;
    writeFile(folder + file + ".png",
              orvel_test::encodePng(
                  orvel_test::solidPicture(loadable ? width : 1, loadable ? height : 1, 30, 30, 30), false));
  }
  ZRDrawNode* node(int action) { return shellNode(action, -1); }
  std::string loadedSkin() { return rig->manager().getSkinPath().getName().utf8(); }
  static void setFloat(const std::string& key, float value) {
    preferences->setValue(key.c_str(), value, 0, ZRPreferences::NotificationProgram);
  }
};

}  // namespace

TEST_F(SkinChoice, TheOrvelSkinIsTheDefaultElseTheLargestThatFits) {
  addSkin("club", "Club", 800, 500);
  addSkin("small", "Small", 640, 400);
  addSkin("huge", "Huge", 8000, 5000);
  scanAllSkins(nullptr);
  char name[128] = "";
  getDefaultSkin(name);
  EXPECT_STREQ(name, "Club [u]");

  delete skinManager;
  skinManager = nullptr;
  addSkin("orvel", "ORVEL", 640, 400);
  scanAllSkins(nullptr);
  getDefaultSkin(name);
  EXPECT_STREQ(name, "ORVEL [u]");
}

TEST_F(SkinChoice, AFirstRunLoadsTheDefaultSkin) {
  addSkin("orvel", "Orvel", 640, 400);
  addSkin("club", "Club", 800, 500);
  ASSERT_EQ(rig->start(), 1);
  EXPECT_EQ(ShellRig::textSetting("UserInterface"), "Orvel [u]");
  EXPECT_EQ(loadedSkin(), "orvel");
  EXPECT_EQ(rig->manager().skinWidth, 640);
}

TEST_F(SkinChoice, ASkinChangeKeepsThePanelSizesOfEachSkin) {
  addSkin("skin_a", "A", 640, 400);
  addSkin("skin_b", "B", 640, 400);
  ASSERT_EQ(rig->start(), 1);
  setFloat("__skin_skin_a__browser_w", 180);
  setFloat("__skin_skin_a__splitt_b_x", 180);
  setFloat("__skin_skin_a__playlist_x", 184);
  setFloat("__skin_skin_a__playlist_w", 0);  // zero or less: the skin's own width stays
  setFloat("__skin_skin_b__browser_w", 120);
  setFloat("__skin_skin_b__sidelist_w", 60);
  setFloat("__skin_skin_b__sidelist_x", 300);
  EXPECT_EQ(skinPanelSettingKey(ZRString("/x/skin_a.xml"), "browser_w"), "__skin_skin_a__browser_w");

  preferences->setValue("UserInterface", "A [u]", 0, ZRPreferences::NotificationDialog);
  ASSERT_EQ(loadedSkin(), "skin_a");
  EXPECT_EQ(node(ACT_browser)->width, 180);
  EXPECT_EQ(node(ACT_img_splitter_browser)->getAbsolutePositionX(), 180);
  EXPECT_EQ(node(ACT_playlist)->getAbsolutePositionX(), 184);
  EXPECT_EQ(node(ACT_playlist)->width, 200);
  EXPECT_EQ(node(ACT_sidelist)->width, 100);

  preferences->setValue("UserInterface", "B [u]", 0, ZRPreferences::NotificationDialog);
  ASSERT_EQ(loadedSkin(), "skin_b");
  EXPECT_EQ(node(ACT_browser)->width, 120);
  EXPECT_EQ(node(ACT_img_splitter_browser)->getAbsolutePositionX(), 200);
  EXPECT_EQ(node(ACT_sidelist)->width, 60);
  EXPECT_EQ(node(ACT_sidelist)->getAbsolutePositionX(), 300);

  // Back to A: its own sizes again, not B's.
  preferences->setValue("UserInterface", "A [u]", 0, ZRPreferences::NotificationDialog);
  EXPECT_EQ(node(ACT_browser)->width, 180);
  EXPECT_EQ(node(ACT_sidelist)->width, 100);
  EXPECT_EQ(node(ACT_sidelist)->getAbsolutePositionX(), 408);

  // The reload action loads the setting's skin again, with its sizes.
  node(ACT_browser)->changeSize(50, -1);
  reloadSkin(0, 0, -1, nullptr);
  EXPECT_EQ(node(ACT_browser)->width, 180);
}

TEST_F(SkinChoice, AnUnknownSkinLoadsTheDefaultAndTheSettingKeepsItsName) {
  addSkin("orvel", "Orvel", 640, 400);
  ASSERT_EQ(rig->start(), 1);
  addSkin("club", "Club", 800, 500);  // after the catalogue was made: not known until a restart
  preferences->setValue("UserInterface", "Club [u]", 0, ZRPreferences::NotificationProgram);
  EXPECT_EQ(loadedSkin(), "orvel");
  EXPECT_EQ(ShellRig::textSetting("UserInterface"), "Club [u]");
}

TEST_F(SkinChoice, ASkinWithoutAFittingImageLeavesTheOldSkin) {
  addSkin("orvel", "Orvel", 640, 400);
  addSkin("wall", "Wall", 8000, 5000);
  ASSERT_EQ(rig->start(), 1);
  LogCapture log;
  preferences->setValue("UserInterface", "Wall [u]", 0, ZRPreferences::NotificationDialog);
  EXPECT_EQ(loadedSkin(), "orvel");
  EXPECT_EQ(log.count("error - cannot get a suitable skin image for the current resolution/aspect ratio"), 1);
}

TEST_F(SkinChoice, ScriptsChangeTheSkinByPartOfItsFileName) {
  addSkin("orvel", "Orvel", 640, 400);
  addSkin("club_night", "Club", 800, 500);
  ASSERT_EQ(rig->start(), 1);
  LogCapture log;
  changeSkin("ub_nig");  // a part of the path
  EXPECT_EQ(ShellRig::textSetting("UserInterface"), "Club [u]");
  EXPECT_EQ(loadedSkin(), "club_night");
  EXPECT_TRUE(log.contains("yes, skin 'ub_nig' [Club [u]] was found"));
  changeSkin("orvel");  // the file name
  EXPECT_EQ(ShellRig::textSetting("UserInterface"), "Orvel [u]");
  EXPECT_EQ(loadedSkin(), "orvel");
  changeSkin("disco");
  EXPECT_TRUE(log.contains("ERROR - skin 'disco' was NOT found"));
  EXPECT_EQ(loadedSkin(), "orvel");
}

TEST_F(SkinChoice, NodeIdsOfActionsAndScriptElements) {
  addSkin("orvel", "Orvel", 640, 400);
  ASSERT_EQ(rig->start(), 1);
  setShellNodeManager(nullptr);
  EXPECT_EQ(GetEngineNodeId("deck_play_pause", 1), -1);  // no main window
  setShellNodeManager(&rig->manager());
  EXPECT_EQ(GetEngineNodeId("deck_play_pause", 1), 1545);
  EXPECT_EQ(GetEngineNodeId("minimize", -1), 1);
  EXPECT_EQ(GetEngineNodeId("deck_play_pause", 2), -1);
  EXPECT_EQ(GetEngineNodeId("no_such_action", 0), -1);
  EXPECT_EQ(GetEngineNodeId("", 0), -1);
  EXPECT_EQ(GetEngineNodeId(nullptr, 0), -1);
  ZRDrawNode* play = rig->manager().getExtraNode(ZRString("_play"), -1);
  ASSERT_NE(play, nullptr);
  EXPECT_EQ(GetEngineNodeId("_play", 1), play->id);
  EXPECT_EQ(GetEngineNodeId("minimize", -2), -1);  // a deck below -1 asks for a script element
  EXPECT_EQ(GetEngineNodeId("_stop", 0), -1);
}

TEST_F(SkinChoice, TheFocusedTrackListIsRemembered) {
  ZRDrawNode* playlist = shellNode(ACT_playlist, -1);
  ZRDrawNode* sidelist = shellNode(ACT_sidelist, -1);
  lastFocusedPlaylist = playlist;
  OnKBFocusPlaylistOrSideList(1, 0, -1, sidelist);
  EXPECT_EQ(lastFocusedPlaylist, sidelist);
  OnKBFocusPlaylistOrSideList(0, 0, -1, playlist);
  EXPECT_EQ(lastFocusedPlaylist, sidelist);
  lastFocusedPlaylist = nullptr;
}
