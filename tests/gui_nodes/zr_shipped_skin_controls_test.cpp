// The shipped skin loaded with the real control classes: every element becomes its control, a frame is
// drawn where the layout put the nodes (button plates from the chosen image set, their pressed and
// switched-on pictures, the deck waveforms across the width the layout gives them, the window's edges in
// the background colour), and mouse, MIDI and shortcut events on every node leave a skin that still draws.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/zr_files_platform.h"
#include "control_test_support.h"
#include "gui/skin_engine_hooks.h"
#include "gui/zr_image_raw_data.h"
#include "gui/zr_skin_manager.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_sound_display.h"
#include "support/display_required.h"

namespace orvel_test {
namespace {

// A deck in the middle of a track whose bands are all loud.
class LoudDeck : public ZRDeckDisplaySource {
 public:
  LoudDeck() : values(40000, 0.9f) {}
  void beginRead(ZRDeckDisplayFrame& f) override {
    f.full = f.low = f.high = values.data();
    f.points = 40000;
    f.length = 40000 * 100;
    f.position = 20000 * 100;
  }
  void endRead() override {}
  std::vector<float> values;
};

void collect(ZRDrawNode* node, std::vector<ZRDrawNode*>& out) {
  out.push_back(node);
  for (ZRDrawNode* child : node->children) collect(child, out);
}

class ShippedSkin : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    installInitSkinScriptHook([](const std::string&) { return true; });
    installCallSkinInitHook([] {});
    installTestEnableVideoButtonHook([] {});
    catalogue.addSkinsFromFolder(ZRString(sourceFile("resources/skins")), nullptr);
  }
  void TearDown() override {
    if (frames != nullptr) freeImageFrames(frames, frameCount);
    ControlTest::TearDown();
    installInitSkinScriptHook(nullptr);
    installCallSkinInitHook(nullptr);
    installTestEnableVideoButtonHook(nullptr);
  }

  // Loads the skin for a 1280 x 720 display and decodes its image set to compare pixels with.
  void load() {
    ZRString xml, image;
    int parts = 0;
    ASSERT_TRUE(catalogue.getBestSkinDetailsForResolution("Orvel", 1280, 720, xml, image, skinWidth,
                                                          skinHeight, parts));
    manager = std::make_unique<ZRNodeManager>(nullptr, &classes);
    ASSERT_TRUE(manager->loadSkin(xml, image, skinWidth, skinHeight, parts));
    bool alpha = false;
    ASSERT_TRUE(getImageRawData(image.utf8().c_str(), false, true, frames, frameCount, alpha, imageWidth,
                                imageHeight, false));
  }

  // The image set's colour at (x, y).
  Rgb imageAt(float x, float y) const {
    const unsigned char* p = frames[0] + (static_cast<size_t>(y) * imageWidth + static_cast<size_t>(x)) * 4;
    return {p[0], p[1], p[2]};
  }

  ZRSkinManager catalogue;
  unsigned char** frames = nullptr;
  int frameCount = 0, imageWidth = 0, imageHeight = 0;
};

TEST_F(ShippedSkin, EveryElementBecomesItsControl) {
  load();
  int buttons = 0, sliders = 0;
  std::vector<ZRDrawNode*> nodes;
  collect(manager->getRootNode(), nodes);
  for (ZRDrawNode* node : nodes) {
    if (node->elementType == ELEMENT_button) {
      EXPECT_NE(dynamic_cast<ZRNodeButton*>(node), nullptr) << node->name;
      ++buttons;
    }
    if (node->elementType == ELEMENT_slider) {
      EXPECT_NE(dynamic_cast<ZRNodeSliderKnob*>(node), nullptr) << node->name;
      ++sliders;
    }
  }
  EXPECT_GE(buttons, 60);
  EXPECT_GE(sliders, 30);
}

TEST_F(ShippedSkin, ButtonPlatesDrawTheirStatesFromTheImageSet) {
  if (!ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  load();
  ASSERT_TRUE(needGL());
  auto* button = control<ZRNodeButton>("deck_load", 0);
  ASSERT_NE(button, nullptr);
  float x = 0, y = 0;
  button->getAbsolutePosition(x, y);
  // Left of the caption, in the middle of the plate's height.
  const int px = static_cast<int>(x) + 5, py = static_cast<int>(y + button->height / 2);
  const float dy = button->height / 2;
  ASSERT_FALSE(
      near(imageAt(button->upx + 5, button->upy + dy), imageAt(button->downx + 5, button->downy + dy), 2))
      << "the skin's up and down plates should differ";

  frame();
  EXPECT_TRUE(near(at(px, py), imageAt(button->upx + 5, button->upy + dy), 10));
  press(px, py);
  frame();
  EXPECT_TRUE(near(at(px, py), imageAt(button->downx + 5, button->downy + dy), 10));
  release(px, py);
  move(1, 1);

  // Switched on (as the shell makes it), the plate is the selected picture.
  button->setSwitchMode(true);
  button->setSwitched(true, false);
  frame();
  EXPECT_TRUE(near(at(px, py), imageAt(button->selx + 5, button->sely + dy), 10));
}

TEST_F(ShippedSkin, TheDeckWaveformsFillTheWidthTheLayoutGivesThem) {
  if (!ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  load();
  ASSERT_TRUE(needGL());
  LoudDeck deck;
  for (int d : {0, 1}) {
    auto* display = control<ZRNodeSoundDisplay>("sd_deck", d);
    ASSERT_NE(display, nullptr);
    display->setDisplaySource(&deck);
  }
  frame();
  for (int d : {0, 1}) {
    auto* display = control<ZRNodeSoundDisplay>("sd_deck", d);
    float x = 0, y = 0;
    display->getAbsolutePosition(x, y);
    // The skin says 600 points; the layout stretches the strip across the window.
    ASSERT_GT(display->width, skinWidth - 40) << "deck " << d;
    const int row = static_cast<int>(y + display->height / 2);
    // Every tenth column from the skin's 600 points to the right end shows the bright waveform colour, not
    // the dark strip behind it.
    int drawn = 0, columns = 0;
    for (int px = static_cast<int>(x) + 600; px < static_cast<int>(x + display->width) - 2; px += 10) {
      ++columns;
      const Rgb c = at(px, row);
      if (std::max({c[0], c[1], c[2]}) >= 120) ++drawn;
    }
    EXPECT_EQ(drawn, columns) << "deck " << d << " at " << x << "," << y << " " << display->width << " wide";
    display->setDisplaySource(nullptr);
  }
}

// The window's outermost pixels are the skin's background colour all round: nothing of the image set
// (which the window itself draws underneath, from its top-left corner) shows through at the edges.
TEST_F(ShippedSkin, TheWindowsEdgesShowTheBackgroundOnly) {
  if (!ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  load();
  ASSERT_TRUE(needGL());
  frame();
  const Rgb background = at(skinWidth / 2, 2);
  int wrong = 0;
  std::string first;
  auto check = [&](int x, int y) {
    if (at(x, y) == background) return;
    if (wrong++ == 0) first = std::to_string(x) + "," + std::to_string(y);
  };
  for (int x = 0; x < skinWidth; ++x) {
    check(x, 0);
    check(x, skinHeight - 1);
  }
  for (int y = 0; y < skinHeight; ++y) {
    check(0, y);
    check(skinWidth - 1, y);
  }
  EXPECT_EQ(wrong, 0) << "first at " << first;
}

TEST_F(ShippedSkin, EventsOnEveryNodeLeaveASkinThatDraws) {
  if (!ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  load();
  ASSERT_TRUE(needGL());
  frame();
  const std::vector<uint8_t> before = pixels;
  std::vector<ZRDrawNode*> nodes;
  collect(manager->getRootNode(), nodes);
  for (ZRDrawNode* node : nodes) bindRecorders(node);
  for (ZRDrawNode* node : nodes) {
    // Drop-downs would open a toolkit menu: this test has no window to show it on.
    if (node->elementType == ELEMENT_dropdownlist) continue;
    float ax = 0, ay = 0;
    node->getAbsolutePosition(ax, ay);
    const float cx = ax + node->width / 2, cy = ay + node->height / 2;
    move(cx, cy);
    press(cx, cy);
    move(ax + 1, ay + node->height - 1);
    release(ax + 1, ay + 1);
    for (int kind : {176, 144, 128}) midi(node, kind, 1, 100);
    node->runKBShortcut(0);
  }
  manager->actionRouteMouse(ZRNodeManager::mouseLeftWindow, -1, -1, -1, 0, 0, 0);
  frame(0.5);
  EXPECT_FALSE(SlotLog::get().calls().empty());
  // The window is still drawn: most of it as before (pressed buttons went back up, values moved).
  size_t same = 0;
  for (size_t i = 0; i + 3 < pixels.size(); i += 4)
    same += pixels[i] == before[i] && pixels[i + 1] == before[i + 1];
  EXPECT_GT(same, pixels.size() / 4 / 2);
}

}  // namespace
}  // namespace orvel_test
