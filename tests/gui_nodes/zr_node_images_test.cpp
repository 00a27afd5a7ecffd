// Image, solid fill and video nodes: skin pictures turned by the spinner angle, covers in place of the
// picture (stretched or cut by the skin mask, cleared, lost with the textures), splitters' drags and
// cursors, the root's double click, rounded fills, and video textures that may go away.

#include <memory>

#include "common/zr_texture.h"
#include "control_test_support.h"
#include "gui_nodes/zr_node_back_image.h"
#include "gui_nodes/zr_node_back_solid.h"
#include "gui_nodes/zr_node_video.h"
#include "support/display_required.h"
#include "support/mp3_cover_fixture.h"

namespace orvel_test {
namespace {

// Pictures below the 128 x 64 window: a half red, half green square; blue; a mask white on its left half.
SkinPicture imagePicture() {
  SkinPicture p(128, 160);
  p.fill(0, 64, 16, 32, 255, 0, 0);
  p.fill(16, 64, 16, 32, 0, 255, 0);
  p.fill(32, 64, 32, 32, 0, 0, 255);
  p.fill(64, 64, 16, 32, 255, 255, 255);
  p.fill(80, 64, 16, 32, 0, 0, 0);
  return p;
}

const char* const kImageSkin =
    "<image action=\"img_background_tasks_spinner\" posx=\"0\" posy=\"0\" width=\"32\" height=\"32\" "
    "upx=\"0\""
    " upy=\"64\"/>"
    "<image action=\"img_album_art\" deck=\"0\" posx=\"40\" posy=\"0\" width=\"32\" height=\"32\" upx=\"32\""
    " upy=\"64\"/>"
    "<image action=\"track_info_image\" posx=\"80\" posy=\"0\" width=\"32\" height=\"32\" upx=\"32\" "
    "upy=\"64\""
    " maskx=\"64\" masky=\"64\"/>"
    "<image action=\"img_splitter_browser\" posx=\"0\" posy=\"40\" width=\"60\" height=\"8\" upx=\"32\""
    " upy=\"64\" issplitter=\"yes\"/>";

class FakeWindow : public ZRNodeManagerWindow {
 public:
  bool isFullScreen() override { return fullScreen; }
  bool isMaximized() override { return false; }
  void noteLeavingFullScreen() override {}
  void showFullScreen(bool on, long) override { fullScreen = on; }
  void setSkinCursor(int kind) override { cursors.push_back(kind); }
  bool fullScreen = false;
  std::vector<int> cursors;
};

class Images : public ControlTest {
 public:
  void SetUp() override {
    ControlTest::SetUp();
    manager = std::make_unique<ZRNodeManager>(&window, &classes);
    loadSkin(kImageSkin, imagePicture(), 128, 64);
    spinner = control<ZRNodeBackImage>("img_background_tasks_spinner");
    cover = control<ZRNodeBackImage>("img_album_art", 0);
    masked = control<ZRNodeBackImage>("track_info_image");
    splitter = control<ZRNodeBackImage>("img_splitter_browser");
    writeMp3WithCover(dir.file("track.mp3"), encodePng(quadrantPicture(32, 32), false));
  }
  FakeWindow window;
  ZRNodeBackImage* spinner = nullptr;
  ZRNodeBackImage* cover = nullptr;
  ZRNodeBackImage* masked = nullptr;
  ZRNodeBackImage* splitter = nullptr;
};

TEST_F(Images, TheSpinnerTurnsAboutItsCentre) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  frame();
  EXPECT_EQ(at(6, 16), kRed);
  EXPECT_EQ(at(26, 16), kGreen);
  spinner->rotation = 90;  // clockwise: the left half goes to the top
  frame();
  EXPECT_EQ(at(16, 6), kRed);
  EXPECT_EQ(at(16, 26), kGreen);
}

TEST_F(Images, CoversReplaceThePictureUntilClearedOrLost) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  frame();
  EXPECT_EQ(at(56, 16), kBlue);
  cover->setArtworkImage(ZRString(dir.file("track.mp3")), ZRString("key"));
  ASSERT_TRUE(cover->hasArtwork());
  frame();
  // The quadrants of the cover, stretched over the node.
  EXPECT_TRUE(near(at(44, 4), kRed, 40));
  EXPECT_TRUE(near(at(68, 4), kGreen, 40));
  EXPECT_TRUE(near(at(44, 28), kBlue, 40));
  EXPECT_TRUE(near(at(68, 28), kWhite, 40));

  // The skin's mask cuts the cover: only its left half shows.
  masked->setArtworkImage(ZRString(dir.file("track.mp3")), ZRString("key"));
  frame();
  EXPECT_TRUE(near(at(84, 4), kRed, 40));
  EXPECT_EQ(at(108, 4), kBlack);

  cover->clearArtworkImage();
  frame();
  EXPECT_EQ(at(56, 16), kBlue);

  // Textures lost (the GL context went away): the cover stays away until the next track, skin loads too.
  cover->setArtworkImage(ZRString(dir.file("track.mp3")), ZRString("key"));
  frame();
  manager->getRootNode()->destroyAllGraphicsResources();
  cover->destroyTexture();
  EXPECT_FALSE(cover->hasArtwork());
  loadSkin(kImageSkin, imagePicture(), 128, 64);
  frame();
  EXPECT_EQ(at(56, 16), kBlue);
}

TEST_F(Images, AFileWithoutACoverLeavesThePicture) {
  ASSERT_TRUE(writeFile(dir.file("plain.mp3"), std::string(4000, '\0')));
  cover->setArtworkImage(ZRString(dir.file("plain.mp3")), ZRString("k"));
  EXPECT_FALSE(cover->hasArtwork());
  cover->setArtworkImage(ZRString(dir.file("missing.mp3")), ZRString("k"));
  EXPECT_FALSE(cover->hasArtwork());
}

TEST_F(Images, CoversAreDecodedAtTheNodesPixelSize) {
  int w = 0, h = 0;
  ZRNodeArtwork::wantedSize(40, 40, 2, w, h);  // max(128, 80) = 128 is a multiple of 8: the next one
  EXPECT_EQ(w, 136);
  ZRNodeArtwork::wantedSize(100, 30, 1, w, h);
  EXPECT_EQ(w, 104);
  EXPECT_EQ(h, 68);
}

TEST_F(Images, SplittersReportDragStepsAndShowTheResizeCursor) {
  splitter->setMoveSlot(recordPointer<0>);
  splitter->setSplitterDragSlot(recordPointer<1>);
  move(10, 44);
  EXPECT_EQ(manager->getCursor(), ZRNodeManager::cursorSizeWE);
  press(10, 44);
  move(13, 44);
  move(13.4f, 44.3f);  // rounds to no step: nothing sent, the anchor stays
  move(13.6f, 44);
  SlotLog::get().clear();
  splitter->adjustDragPos(5, 0);  // the handler moved the node by 5
  move(20, 44);
  release(20, 44);
  EXPECT_EQ(SlotLog::get().calls().size(), 2u);  // a move and a step of 20 - 18.6 = 1.4, rounded to 1
  EXPECT_EQ(SlotLog::get().calls()[1].slot, 101);
  EXPECT_EQ(SlotLog::get().calls()[1].x, 1);
  move(100, 60);
  EXPECT_EQ(manager->getCursor(), ZRNodeManager::cursorDefault);

  // Earlier steps: (3, 0) once, then (1, 0) when the 13.6 rounded to a step.
  SlotLog::get().clear();
  press(10, 44);
  move(13, 44);
  move(13.4f, 44.3f);
  release(13.4f, 44.3f);
  std::vector<SlotCall> drags;
  for (const SlotCall& c : SlotLog::get().calls())
    if (c.slot == 101) drags.push_back(c);
  ASSERT_EQ(drags.size(), 1u);
  EXPECT_EQ(drags[0].x, 3);
  EXPECT_EQ(drags[0].y, 0);
  EXPECT_EQ(drags[0].value, -1);

  // A plain image leaves the cursor alone and reports presses.
  bindRecorders(cover);
  move(56, 16);
  EXPECT_EQ(manager->getCursor(), ZRNodeManager::cursorDefault);
  SlotLog::get().clear();
  click(56, 16);
  click(56, 16, ZRButtonRight);
  EXPECT_EQ(SlotLog::get().slotsAndValues(),
            (std::vector<std::pair<int, int>>{{0, -1}, {1, -1}, {2, -1}, {3, -1}}));
}

TEST_F(Images, TheRootIsAnImageWhoseDoubleClickNearTheTopTogglesFullScreen) {
  auto* root = dynamic_cast<ZRNodeBackImage*>(manager->getRootNode());
  ASSERT_NE(root, nullptr);
  root->executeActionInternal(ZRNodeEventDoubleClick, 0, 100, 60, 0, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_FALSE(window.fullScreen);
  root->executeActionInternal(ZRNodeEventDoubleClick, 0, 100, 20, 0, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_TRUE(window.fullScreen);
}

class SolidFills : public ControlTest {};

TEST_F(SolidFills, SquareOrRoundedCornersAndTheirSlots) {
  loadSkin(
      "<backsolid action=\"_square\" posx=\"0\" posy=\"0\" width=\"30\" height=\"30\" color=\"#00FF00\""
      " roundrectradius=\"1\"/>"
      "<backsolid action=\"_round\" posx=\"40\" posy=\"0\" width=\"30\" height=\"30\" color=\"#00FF00\""
      " roundrectradius=\"8\"/>",
      SkinPicture(80, 40), 80, 40);
  auto* square = dynamic_cast<ZRNodeBackSolid*>(manager->getNode("_square", -2));
  ASSERT_NE(square, nullptr);
  bindRecorders(square);
  square->setMoveSlot(recordPointer<0>);
  click(5, 5);
  click(5, 5, ZRButtonRight);
  click(5, 5, ZRButtonMiddle);
  EXPECT_EQ(SlotLog::get().slotsAndValues(),
            (std::vector<std::pair<int, int>>{{0, -1}, {1, -1}, {2, -1}, {3, -1}}));
  SlotLog::get().clear();
  move(7, 9);
  ASSERT_EQ(SlotLog::get().calls().size(), 1u);
  EXPECT_EQ(SlotLog::get().calls()[0].x, 7);
  EXPECT_EQ(SlotLog::get().calls()[0].y, 9);
  EXPECT_FALSE(square->executeAction(ZRNodeEventKey, 0, 0, 0, -1, 65, 0, -1, -1, -1, L' ', -1));

  if (!needGL()) return;
  frame();
  EXPECT_EQ(at(1, 1), kGreen);
  EXPECT_EQ(at(15, 15), kGreen);
  EXPECT_EQ(at(41, 1), kBlack);
  EXPECT_EQ(at(55, 15), kGreen);
}

class Videos : public ControlTest {};

TEST_F(Videos, TheTextureIsDrawnWhileItsOwnerKeepsIt) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  loadSkin("<video action=\"video_preview\" posx=\"0\" posy=\"0\" width=\"40\" height=\"40\"/>",
           SkinPicture(64, 64), 64, 64);
  auto* video = control<ZRNodeVideo>("video_preview");
  // A picture of 8 x 8 pixels: the top half red, the bottom half green (B, G, R, A bytes).
  std::vector<uint8_t> bgra(8 * 8 * 4, 255);
  for (int i = 0; i < 64; ++i) {
    uint8_t* p = &bgra[static_cast<size_t>(i) * 4];
    const bool top = i < 32;
    p[0] = 0;
    p[1] = top ? 0 : 255;
    p[2] = top ? 255 : 0;
  }
  auto picture = std::shared_ptr<ZRTexture>(ZRTexture::createTextureWithDefaultDevice(true, 1));
  ASSERT_TRUE(picture->initWithOrRefreshData(bgra.data(), 8, 8, ZRPixelFormatBGRA));
  video->setTexture(picture, false);
  frame();
  EXPECT_EQ(at(20, 5), kRed);
  EXPECT_EQ(at(20, 35), kGreen);
  video->setTexture(picture, true);
  frame();
  EXPECT_EQ(at(20, 5), kGreen);
  // The owner frees it: nothing is drawn, nothing freed is read.
  picture.reset();
  EXPECT_EQ(video->getTexture(), nullptr);
  frame();
  EXPECT_EQ(at(20, 5), kBlack);
  video->setTexture(nullptr, false);
  frame();
  EXPECT_EQ(at(20, 5), kBlack);
}

}  // namespace
}  // namespace orvel_test
