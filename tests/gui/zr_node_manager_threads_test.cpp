// The node manager's two threads: a render thread drawing the tree frame after frame while the main thread
// loads skins (whose script nodes come and go), relayouts and routes the mouse. Textures are counting fakes,
// so the render pass walks the whole tree without a GL context.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "skin_test_support.h"
#include "support/counting_texture.h"

using namespace orvel_test;

namespace {

// A node that draws its up picture from the skin image and reads its hint while drawing.
class DrawingNode : public RecordingNode {
 public:
  using RecordingNode::RecordingNode;
  void render(double dt, float x, float y) override {
    if (shown) {
      mainTexture_drawRect(upx, upy, width, height, x, y, 1, 1, 1, 0, 1);
      hintChars_ += getHintText().len();
    }
    ZRDrawNode::render(dt, x, y);
  }

 private:
  long hintChars_ = 0;
};

class DrawingClasses : public RecordingClasses {
 public:
  ZRDrawNode* createNode(int type, ZRNodeManager* manager, float scale, int id, int deck) override {
    return typeHasClass(type) ? new DrawingNode(manager, scale, id, deck) : nullptr;
  }
};

TEST(NodeManagerThreads, RenderingWhileTheMainThreadLoadsRelayoutsAndRoutes) {
  ZRTexture::registerTextureFactory(ZRRenderEngineRGBA, &CountingTexture::create);
  ZRTexture::setDefaultRenderDevice(ZRRenderEngineRGBA);
  SkinFiles plain, constrained;
  plain.writeParts(64, {64, 64});
  plain.writeXml(
      skinXml("screenwidth=\"400\" screenheight=\"300\"",
              "<button action=\"minimize\" posx=\"10\" posy=\"10\" width=\"50\" height=\"50\" hint=\"a\"/>\n"
              "<group action=\"_g\" posx=\"100\" posy=\"0\" width=\"200\" height=\"200\">"
              "<button action=\"_b\" posx=\"110\" posy=\"10\" width=\"20\" height=\"20\" upy=\"70\"/>"
              "<button action=\"maximize\" posx=\"150\" posy=\"10\" width=\"20\" height=\"20\"/></group>"));
  constrained.writeParts(64, {64});
  constrained.writeXml(skinXml("useconstraints=\"yes\" screenwidth=\"400\" screenheight=\"300\"",
                               "<button action=\"minimize\" width=\"50\" height=\"50\" hint=\"b\"/>\n"
                               "<group action=\"_row\" stack_axis=\"Horizontal\">"
                               "<button action=\"_c\" width=\"20\" height=\"20\"/>"
                               "<button action=\"maximize\" width=\"20\" height=\"20\"/></group>",
                               "action=\"main\" stack_axis=\"Vertical\""));
  DrawingClasses classes;
  ZRNodeManager manager(nullptr, &classes);
  ASSERT_TRUE(manager.loadSkin(ZRString(plain.xml()), ZRString(plain.image()), 0, 0, 2));

  std::atomic<bool> stop{false};
  std::atomic<int> frames{0};
  std::thread renderer([&] {
    while (!stop.load()) {
      manager.render(0.016);
      frames.fetch_add(1);
    }
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
  int loads = 0;
  while (std::chrono::steady_clock::now() < deadline || loads < 6) {
    const SkinFiles& skin = loads % 2 == 0 ? constrained : plain;
    ASSERT_TRUE(manager.loadSkin(ZRString(skin.xml()), ZRString(skin.image()), 0, 0, loads % 2 == 0 ? 1 : 2));
    ++loads;
    for (int i = 0; i < 50; ++i) {
      manager.actionRouteMouse(ZRNodeManager::mouseMove, static_cast<float>(i * 8), 15, -1, 0, 0, 0);
    }
    manager.setNewWindowSize(400 + loads % 3 * 50, 300);
  }
  // Let the render thread see the last skin too.
  const int seen = frames.load();
  const auto wait = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (frames.load() < seen + 3 && std::chrono::steady_clock::now() < wait) std::this_thread::yield();
  stop.store(true);
  renderer.join();
  EXPECT_GT(frames.load(), 3);
  EXPECT_GT(CountingTexture::draws.load(), 0);
  manager.getRootNode()->destroyAllGraphicsResources();
  ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
  ZRTexture::registerTextureFactory(ZRRenderEngineRGBA, nullptr);
}

}  // namespace
