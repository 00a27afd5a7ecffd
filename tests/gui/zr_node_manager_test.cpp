// The node manager without drawing: the node table, lookups, the skin image's parts and hit masks, the
// mouse scale, full screen from the root's double click, cursors.

#include <gtest/gtest.h>

#include "common/zr_texture.h"
#include "skin_test_support.h"

using namespace orvel_test;

namespace {

class FakeWindow : public ZRNodeManagerWindow {
 public:
  bool isFullScreen() override { return fullScreen; }
  bool isMaximized() override { return false; }
  void noteLeavingFullScreen() override { ++leaving; }
  void showFullScreen(bool on, long style) override {
    fullScreen = on;
    lastStyle = style;
    ++calls;
  }
  void setSkinCursor(int kind) override { cursors.push_back(kind); }

  bool fullScreen = false;
  long lastStyle = 0;
  int calls = 0, leaving = 0;
  std::vector<int> cursors;
};

class NodeManager : public ::testing::Test {
 protected:
  void SetUp() override { ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL); }
  RecordingClasses classes;
};

TEST_F(NodeManager, TableHasOneNodePerActionAndDeck) {
  ZRNodeManager manager(nullptr, &classes);
  const int global = firstAction(ELEMENT_button, true);
  const int perDeck = firstAction(ELEMENT_button, false);
  ASSERT_GT(global, 0);
  ASSERT_GT(perDeck, 0);
  EXPECT_NE(manager.getNodeAt(global), nullptr);
  EXPECT_EQ(manager.getNodeAt(global + 727), nullptr);
  EXPECT_EQ(manager.getNodeAt(global + 1454), nullptr);
  EXPECT_EQ(manager.getNodeAt(perDeck), nullptr);
  ASSERT_NE(manager.getNodeAt(perDeck + 727), nullptr);
  ASSERT_NE(manager.getNodeAt(perDeck + 1454), nullptr);
  EXPECT_EQ(manager.getNodeAt(perDeck + 727)->deck, 0);
  EXPECT_EQ(manager.getNodeAt(perDeck + 1454)->deck, 1);
  EXPECT_EQ(manager.getNodeAt(perDeck + 1454)->id, perDeck);
  EXPECT_EQ(manager.getNodeAt(perDeck + 1454)->elementType, ELEMENT_button);
  EXPECT_EQ(manager.getNodeAt(0), nullptr);
  EXPECT_EQ(manager.getNodeAt(727), nullptr);
  EXPECT_EQ(manager.getNodeAt(-1), nullptr);
  EXPECT_EQ(manager.getNodeAt(ZRNodeManager::kNodeCount), nullptr);
  // Every node starts hidden, without parent.
  for (int slot = 0; slot < ZRNodeManager::kNodeCount; ++slot) {
    if (ZRDrawNode* node = manager.getNodeAt(slot)) {
      ASSERT_EQ(node->shown, 0);
      ASSERT_EQ(node->parent, nullptr);
    }
  }
  // Element types without a class (flow, dropzone) have no node.
  EXPECT_EQ(manager.getNode("flow", -1), nullptr);
  EXPECT_EQ(manager.getNode("dz_deck", 0), nullptr);
}

TEST_F(NodeManager, GetNodeChecksNamesAndDecks) {
  ZRNodeManager manager(nullptr, &classes);
  const int perDeck = firstAction(ELEMENT_button, false);
  const char* name = GetActionName(perDeck);
  EXPECT_EQ(manager.getNode(name, 1), manager.getNodeAt(perDeck + 1454));
  EXPECT_EQ(manager.getNode(name, 2), nullptr);
  EXPECT_EQ(manager.getNode(name, 3), nullptr);
  EXPECT_EQ(manager.getNode("no_such_action", 0), nullptr);
  EXPECT_EQ(manager.getNode(nullptr, 0), nullptr);
  EXPECT_EQ(manager.getNode("action_lastaction", 1), nullptr);
  EXPECT_EQ(manager.getNode("_script", -2), nullptr);
}

TEST_F(NodeManager, ImagePartsAndRows) {
  SkinFiles skin;
  skin.writeParts(40, {600, 400});
  ZRNodeManager manager(nullptr, &classes);
  ASSERT_TRUE(manager.loadMainTextures(ZRString(skin.image()), 2));
  EXPECT_EQ(manager.getImageTotalHeight(), 1000);
  struct Row {
    int y, part, inPart;
  };
  for (const Row& row : {Row{0, 0, 0}, Row{599, 0, 599}, Row{600, 1, 0}, Row{650, 1, 50}, Row{999, 1, 399},
                         Row{1000, -1, 0}, Row{-1, -1, 0}}) {
    int inPart = -7;
    EXPECT_EQ(manager.getTextureIndexForCoordinate(row.y, inPart, false), row.part) << row.y;
    EXPECT_EQ(inPart, row.inPart) << row.y;
  }
  // No texture before the render pass made them.
  int inPart = 0;
  EXPECT_EQ(manager.getMainTexture(650, inPart, false), nullptr);
}

TEST_F(NodeManager, ImageLoadFailures) {
  SkinFiles skin;
  skin.writeParts(40, {30, 30});
  ZRNodeManager manager(nullptr, &classes);
  EXPECT_FALSE(manager.loadMainTextures(ZRString(skin.image()), 0));
  EXPECT_FALSE(manager.loadMainTextures(ZRString(skin.image()), 9));
  EXPECT_FALSE(manager.loadMainTextures(ZRString(skin.image()), 3));  // no third part
  ASSERT_TRUE(manager.loadMainTextures(ZRString(skin.image()), 2));
  writeFile(skin.dir.file("skin_2.png"), "not a picture");
  EXPECT_FALSE(manager.loadMainTextures(ZRString(skin.image()), 2));
  // Parts of different widths are not one picture.
  writeFile(skin.dir.file("skin_2.png"), encodePng(solidPicture(41, 30, 1, 2, 3), false));
  EXPECT_FALSE(manager.loadMainTextures(ZRString(skin.image()), 2));
  // The last good image stays.
  EXPECT_EQ(manager.getImageCount(), 2);
  EXPECT_EQ(manager.getImageTotalHeight(), 60);
}

TEST_F(NodeManager, PixelMaskReadsAlphaOrGrey) {
  SkinFiles skin;
  TestPicture top = solidPicture(10, 10, 90, 120, 150);  // grey level 120
  top.at(3, 3)[0] = top.at(3, 3)[1] = top.at(3, 3)[2] = 0;
  writeFile(skin.image(), encodePng(top, false));
  TestPicture bottom = solidPicture(10, 10, 255, 255, 255, 255);
  bottom.at(2, 2)[3] = 200;
  writeFile(skin.dir.file("skin_2.png"), encodePng(bottom, true));
  ZRNodeManager manager(nullptr, &classes);
  ASSERT_TRUE(manager.loadMainTextures(ZRString(skin.image()), 2));
  EXPECT_EQ(manager.getPixelMask(0, 0), 120);
  EXPECT_EQ(manager.getPixelMask(3, 3), 0);  // opaque black
  EXPECT_EQ(manager.getPixelMask(2, 12), 200);
  EXPECT_EQ(manager.getPixelMask(1, 12), 255);
  EXPECT_EQ(manager.getPixelMask(10, 0), 0);  // right of the image
  EXPECT_EQ(manager.getPixelMask(0, 20), 0);  // below it
  EXPECT_EQ(manager.getPixelMask(-1, 0), 0);
  EXPECT_EQ(manager.getPixelMask(0, -1), 0);
}

TEST_F(NodeManager, MouseScaleFollowsTheWindow) {
  SkinFiles skin;
  skin.writeParts(20, {20});
  skin.writeXml(skinXml("screenwidth=\"800\" screenheight=\"600\"", ""));
  ZRNodeManager manager(nullptr, &classes);
  ASSERT_TRUE(manager.loadSkin(ZRString(skin.xml()), ZRString(skin.image()), 800, 600, 1));
  EXPECT_EQ(manager.mouseScaleX, 1);
  manager.setNewWindowSize(1600, 900);
  EXPECT_FLOAT_EQ(manager.mouseScaleX, 0.5f);
  EXPECT_FLOAT_EQ(manager.mouseScaleY, 600.0f / 900.0f);
  manager.setNewWindowSize(0, 0);  // ignored
  EXPECT_FLOAT_EQ(manager.mouseScaleX, 0.5f);
  int w = 0, h = 0;
  manager.getOptimalWindowSize(w, h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
}

TEST_F(NodeManager, DoubleClickNearTheTopTogglesFullScreen) {
  FakeWindow window;
  ZRNodeManager manager(&window, &classes);
  ZRDrawNode* root = manager.getRootNode();
  auto doubleClickAt = [&](float y) {
    root->executeAction(ZRNodeEventDoubleClick, 0, 10, y, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
  };
  doubleClickAt(49.9f);
  EXPECT_TRUE(window.fullScreen);
  EXPECT_EQ(window.lastStyle, 31);
  doubleClickAt(50);
  EXPECT_TRUE(window.fullScreen);
  doubleClickAt(0);
  EXPECT_FALSE(window.fullScreen);
  EXPECT_EQ(window.leaving, 1);
  EXPECT_EQ(window.calls, 2);
  // The root allows double clicks, and a plain press is not one.
  EXPECT_TRUE(root->doubleClickAllowed);
  EXPECT_FALSE(root->executeAction(ZRNodeEventPress, 0, 1, 1, 0, -1, 0, -1, -1, -1, L' ', -1));
}

TEST_F(NodeManager, CursorChangesOnlyWhenTheKindChanges) {
  FakeWindow window;
  ZRNodeManager manager(&window, &classes);
  manager.changeCursor(ZRNodeManager::cursorText);
  manager.changeCursor(ZRNodeManager::cursorText);
  manager.changeCursor(ZRNodeManager::cursorDefault);
  EXPECT_EQ(window.cursors, (std::vector<int>{3, 0}));
  EXPECT_EQ(manager.getCursor(), 0);
  ZRNodeManager headless(nullptr, &classes);
  headless.changeCursor(2);
  EXPECT_EQ(headless.getCursor(), 2);
}

TEST_F(NodeManager, SkinEngineAloneMakesPlainNodes) {
  ZRNodeManager manager(nullptr);
  const int global = firstAction(ELEMENT_slider, true);
  ASSERT_NE(manager.getNodeAt(global), nullptr);
  EXPECT_EQ(manager.getNodeAt(global)->getActionSlotCount(), 0);
  EXPECT_NE(manager.getRootNode(), nullptr);
  EXPECT_NE(manager.getHintNode(), nullptr);
}

}  // namespace
