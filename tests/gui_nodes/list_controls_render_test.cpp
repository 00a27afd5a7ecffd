// The list controls drawn with OpenGL through the node manager: the track table's header and rows in
// their colours, the browser tree's rows with icons copied from the skin image (an icon strip reaching past
// the image is clipped), read back from an offscreen frame.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/zr_texture.h"
#include "gui/skin_test_support.h"
#include "gui_nodes/zr_control_classes.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"
#include "list_controls_support.h"
#include "opengl_directx/gl_test_context.h"
#include "support/display_required.h"

namespace {

using orvel_test::RenderTarget;

constexpr int kWidth = 320, kHeight = 400;

class ListControlsRender : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
    ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
    orvel_test::loadEnglish();
    registerControlClasses();
    // The icon strip: icon 1 green, icon 2 blue, from x 16 of a 48-point wide image.
    orvel_test::TestPicture image = orvel_test::solidPicture(48, 32, 0, 0, 0, 255);
    for (int y = 0; y < 16; ++y) {
      for (int x = 16; x < 32; ++x) image.at(x, y)[1] = 255;
      for (int x = 32; x < 48; ++x) image.at(x, y)[2] = 255;
    }
    orvel_test::writeFile(skin.image(), orvel_test::encodePng(image, false));
    skin.writeXml(orvel_test::skinXml(
        "screenwidth=\"320\" screenheight=\"400\"",
        "<list action=\"playlist\" posx=\"0\" posy=\"0\" width=\"320\" height=\"200\" linecolor1=\"#ff0000\""
        " linecolor2=\"#0000ff\" cursorcolor=\"#00ff00\" fontcolor=\"#ffffff\"/>\n"
        "<browser action=\"browser\" posx=\"0\" posy=\"200\" width=\"320\" height=\"200\" "
        "linecolor1=\"#202020\""
        " linecolor2=\"#404040\" iconx=\"0\" icony=\"0\" iconsize=\"16\" linesize=\"28\"/>"));
    manager = std::make_unique<ZRNodeManager>(nullptr, &classes);
    ASSERT_TRUE(manager->loadSkin(ZRString(skin.xml()), ZRString(skin.image()), 0, 0, 1));
    table = dynamic_cast<ZRNodePlaylist*>(manager->getNode("playlist", -1));
    browser = dynamic_cast<ZRNodeBrowser*>(manager->getNode("browser", -1));
    ASSERT_TRUE(table && browser);
  }
  void TearDown() override {
    if (manager) manager->getRootNode()->destroyAllGraphicsResources();
  }
  std::vector<uint8_t> frame(RenderTarget& target) {
    target.begin(0, 0, 0, 1);
    manager->render(0.016);
    target.end();
    return target.read();
  }
  static std::vector<int> at(const std::vector<uint8_t>& picture, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * kWidth + x) * 4;
    return {picture[i], picture[i + 1], picture[i + 2]};
  }

  orvel_test::SkinFiles skin;
  ZRControlClassFactory classes;
  std::unique_ptr<ZRNodeManager> manager;
  ZRNodePlaylist* table = nullptr;
  ZRNodeBrowser* browser = nullptr;
};

TEST_F(ListControlsRender, RowsAndHeaderOfTheTrackTable) {
  ZRList list(ZRString("drawn"), false, ZRList::kTypeUserList, -1);
  orvel_test::fillList(list, 30, "render");
  list.setMainCursor(3, false);
  table->setDisplayMode(ZRNodePlaylist::kModeColumns);
  table->changeList(&list);
  RenderTarget target(kWidth, kHeight);
  frame(target);
  const std::vector<uint8_t> picture = frame(target);
  // Header 19 high, then rows of 19: row 0 (even) in line colour 2, row 1 in line colour 1.
  EXPECT_EQ(at(picture, 150, 19 + 19 / 2 + 5), (std::vector<int>{0, 0, 255}));
  EXPECT_EQ(at(picture, 150, 19 + 19 + 19 / 2 + 5), (std::vector<int>{255, 0, 0}));
  // The cursor row's frame (row 3) on its top edge.
  EXPECT_EQ(at(picture, 250, 19 + 3 * 19), (std::vector<int>{0, 255, 0}));
  // The header cells in line colour 1, outlined in the played colour ("#707070").
  EXPECT_EQ(at(picture, 30, 10), (std::vector<int>{255, 0, 0}));
  EXPECT_EQ(at(picture, 60, 10), (std::vector<int>{112, 112, 112}));
}

TEST_F(ListControlsRender, BrowserRowsWithIconsFromTheSkinImage) {
  RenderTarget target(kWidth, kHeight);
  frame(target);
  const std::vector<uint8_t> picture = frame(target);
  // Row 1 is the collection (icon 1, depth 1): its icon at x 18..33, y 6..21 of the row.
  EXPECT_EQ(at(picture, 25, 200 + 28 + 12), (std::vector<int>{0, 255, 0}));
  // Row 2 "Special Lists" has icon 2 (blue).
  EXPECT_EQ(at(picture, 25, 200 + 2 * 28 + 12), (std::vector<int>{0, 0, 255}));
  // Row 0, the root, has no icon: the row's background.
  EXPECT_EQ(at(picture, 15, 200 + 12), (std::vector<int>{0x40, 0x40, 0x40}));
  // Icons 4 and beyond lie past the 48-point image: nothing is copied (the history's icon, row 3).
  EXPECT_EQ(at(picture, 35, 200 + 3 * 28 + 12), (std::vector<int>{0x20, 0x20, 0x20}));
}

}  // namespace
