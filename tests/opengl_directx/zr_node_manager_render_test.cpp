// The node manager's render pass with OpenGL: the skin image part textures made on the first frame, nodes
// drawing their pictures from the right part, and the learn-mode outlines.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/zr_texture.h"
#include "gl_test_context.h"
#include "gui/zr_node_manager.h"
#include "support/display_required.h"
#include "support/image_fixtures.h"
#include "support/test_support.h"

namespace {

using orvel_test::RenderTarget;

// A node that draws its up picture from the skin image at its place.
class PictureNode : public ZRDrawNode {
 public:
  using ZRDrawNode::ZRDrawNode;
  void render(double dt, float x, float y) override {
    if (shown) mainTexture_drawRect(upx, upy, width, height, x, y, 1, 1, 1, 0, 1);
    ZRDrawNode::render(dt, x, y);
  }
};

class PictureClasses : public ZRNodeClassFactory {
 public:
  ZRDrawNode* createNode(int type, ZRNodeManager* manager, float scale, int id, int deck) override {
    return typeHasClass(type) ? new PictureNode(manager, nullptr, scale, id, deck, -1) : nullptr;
  }
};

class NodeManagerRender : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
    // A skin image of two parts: red rows 0..39, green rows 40..69.
    orvel_test::writeFile(dir.file("skin.png"),
                          orvel_test::encodePng(orvel_test::solidPicture(32, 40, 255, 0, 0), false));
    orvel_test::writeFile(dir.file("skin_2.png"),
                          orvel_test::encodePng(orvel_test::solidPicture(32, 30, 0, 255, 0, 255), true));
    orvel_test::writeFile(
        dir.file("skin.xml"),
        "<skin screenwidth=\"64\" screenheight=\"64\"><window action=\"main\">"
        "<button action=\"minimize\" posx=\"0\" posy=\"0\" width=\"16\" height=\"16\" upx=\"0\" upy=\"10\"/>"
        "<button action=\"maximize\" posx=\"32\" posy=\"0\" width=\"16\" height=\"16\" upx=\"0\" upy=\"45\"/>"
        "<button action=\"close\" posx=\"20\" posy=\"30\" width=\"20\" height=\"20\" upx=\"0\" upy=\"200\"/>"
        "</window></skin>");
    manager = std::make_unique<ZRNodeManager>(nullptr, &classes);
    ASSERT_TRUE(manager->loadSkin(ZRString(dir.file("skin.xml")), ZRString(dir.file("skin.png")), 0, 0, 2));
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
  static std::vector<uint8_t> at(const std::vector<uint8_t>& picture, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * 64 + x) * 4;
    return {picture[i], picture[i + 1], picture[i + 2]};
  }

  orvel_test::TempDir dir;
  PictureClasses classes;
  std::unique_ptr<ZRNodeManager> manager;
};

TEST_F(NodeManagerRender, NodesDrawFromTheirImagePart) {
  int inPart = 0;
  EXPECT_EQ(manager->getMainTexture(45, inPart, false), nullptr);  // made by the first frame
  RenderTarget target(64, 64);
  const std::vector<uint8_t> picture = frame(target);
  ASSERT_NE(manager->getMainTexture(45, inPart, false), nullptr);
  EXPECT_EQ(inPart, 5);
  EXPECT_EQ(at(picture, 8, 8), (std::vector<uint8_t>{255, 0, 0}));
  EXPECT_EQ(at(picture, 40, 8), (std::vector<uint8_t>{0, 255, 0}));
  // A picture outside the image draws nothing; neither does the root here.
  EXPECT_EQ(at(picture, 30, 40), (std::vector<uint8_t>{0, 0, 0}));

  // Textures freed before the context goes away come back with the next frame.
  manager->getRootNode()->destroyAllGraphicsResources();
  EXPECT_EQ(manager->getMainTexture(45, inPart, false), nullptr);
  EXPECT_EQ(at(frame(target), 40, 8), (std::vector<uint8_t>{0, 255, 0}));
}

TEST_F(NodeManagerRender, LearnModeOutlinesLearnableNodesAndTheTarget) {
  ZRDrawNode* learnable = manager->getNode("close", -1);
  learnable->setCanUseLearn(true);
  RenderTarget target(64, 64);
  EXPECT_EQ(at(frame(target), 30, 30), (std::vector<uint8_t>{0, 0, 0}));  // no outlines outside learn mode
  manager->setLearnMode(true);
  auto edgeColour = [&](const std::vector<uint8_t>& picture) {
    // The top edge runs along row 30 between x 20 and 40; take the brightest pixel near it.
    std::vector<uint8_t> best{0, 0, 0};
    for (int y = 29; y <= 31; ++y) {
      const std::vector<uint8_t> p = at(picture, 30, y);
      if (p[0] + p[1] + p[2] > best[0] + best[1] + best[2]) best = p;
    }
    return best;
  };
  std::vector<uint8_t> blue = edgeColour(frame(target));
  EXPECT_GT(blue[2], 200);
  EXPECT_LT(blue[0], 120);
  manager->setLearnFocusedNode(learnable);
  std::vector<uint8_t> red = edgeColour(frame(target));
  EXPECT_GT(red[0], 200);
  EXPECT_LT(red[2], 120);
  // The unlearnable buttons get no outline: the middle of the minimize button's bottom edge stays red.
  EXPECT_EQ(at(frame(target), 8, 15), (std::vector<uint8_t>{255, 0, 0}));
}

}  // namespace
