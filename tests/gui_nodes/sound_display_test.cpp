// The deck waveform displays: shape and cursor from the skin and from the size the layout gives, the layers
// drawn from the deck's arrays, the end-of-track warning, a still display redrawn every fourth frame, the
// pointer slots, a real deck through its display lock, and the overview that nothing feeds.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/zr_parameter_list.h"
#include "dsp/engine/sound_source.h"
#include "gui/draw_test_helpers.h"
#include "gui_nodes/zr_node_sound_display.h"
#include "support/guarded_buffer.h"
#include "support/recording_texture.h"
#include "support/test_support.h"

namespace {

// A deck as the display sees it, set by the test.
class FakeDeck : public ZRDeckDisplaySource {
 public:
  FakeDeck() : full(40000, 0.5f), low(40000, 0.8f), high(40000, 0.3f) {
    frame.full = full.data();
    frame.low = low.data();
    frame.high = high.data();
    frame.points = 40000;
    frame.length = 40000 * 100;
  }
  void beginRead(ZRDeckDisplayFrame& f) override {
    ++reads;
    locked = true;
    f = frame;
  }
  void endRead() override { locked = false; }

  std::vector<float> full, low, high;
  ZRDeckDisplayFrame frame;
  int reads = 0;
  bool locked = false;
};

class SoundDisplay : public ::testing::Test {
 protected:
  ZRNodeSoundDisplay& make(int w, int h, const std::vector<std::pair<std::string, std::string>>& extra = {}) {
    node = std::make_unique<ZRNodeSoundDisplay>(nullptr, nullptr, 1.0f, GetActionIndex("sd_deck"), 0, -1);
    ZRParameterList a;
    a.setInt("posx", 10);
    a.setInt("posy", 20);
    a.setInt("width", w);
    a.setInt("height", h);
    a.setStr("datacolor", "#6080a0");
    a.setStr("dataflashcolor", "#ff0000");
    for (const auto& [name, value] : extra) a.setStr(name.c_str(), value.c_str());
    node->refreshCoordinates(&a);
    node->setDisplaySource(&deck);
    return *node;
  }
  static bool sameColour(ZRWaveformColor c, float r, float g, float b) {
    return std::fabs(c.r - r) < 1e-4f && std::fabs(c.g - g) < 1e-4f && std::fabs(c.b - b) < 1e-4f;
  }

  orvel_test::RecordingTextures textures;
  FakeDeck deck;
  std::unique_ptr<ZRNodeSoundDisplay> node;
};

TEST_F(SoundDisplay, ShapeAndCursorComeFromTheSkin) {
  struct Case {
    int w, h;
    const char* cursorpos;  // null: absent
    bool vertical;
    int cursor;
  } cases[] = {{300, 80, nullptr, false, 100}, {300, 80, "-5", false, 100},   {300, 80, "300", false, 100},
               {300, 80, "50", false, 50},     {80, 300, nullptr, true, 100}, {80, 300, "299", true, 299}};
  for (const Case& c : cases) {
    std::vector<std::pair<std::string, std::string>> extra;
    if (c.cursorpos != nullptr) extra.emplace_back("cursorpos", c.cursorpos);
    ZRNodeSoundDisplay& d = make(c.w, c.h, extra);
    EXPECT_EQ(d.isVertical(), c.vertical) << c.w << "x" << c.h;
    EXPECT_EQ(d.getCursorColumn(), c.cursor) << c.w << "x" << c.h << " " << (c.cursorpos ? c.cursorpos : "-");
  }
  // Layer colours: darker, as given, brighter (at most 1).
  ZRNodeSoundDisplay& d = make(300, 80);
  EXPECT_TRUE(
      sameColour(d.getLayerColor(0), 0x60 / 255.0f / 1.35f, 0x80 / 255.0f / 1.35f, 0xa0 / 255.0f / 1.35f));
  EXPECT_TRUE(sameColour(d.getLayerColor(1), 0x60 / 255.0f, 0x80 / 255.0f, 0xa0 / 255.0f));
  EXPECT_TRUE(sameColour(d.getLayerColor(2), std::min(1.0f, 0x60 / 255.0f * 1.25f), 0x80 / 255.0f * 1.25f,
                         std::min(1.0f, 0xa0 / 255.0f * 1.25f)));
}

TEST_F(SoundDisplay, LayersAreDrawnFromTheArraysTheDeckHas) {
  ZRNodeSoundDisplay& d = make(300, 80);
  d.render(0.016, 10, 20);
  EXPECT_EQ(d.getLastDrawnLayers(), 7);
  EXPECT_FALSE(deck.locked);  // released after drawing
  ASSERT_NE(d.drawContext, nullptr);
  EXPECT_GT(orvel_test::inkOf(*d.drawContext).count, 1000);
  // A deck without a low band: layers 0 and 2.
  deck.frame.low = nullptr;
  deck.frame.position += 500;
  d.render(0.016, 10, 20);
  EXPECT_EQ(d.getLastDrawnLayers(), 5);
  // The texture is drawn at the node's place at its size.
  const std::vector<orvel_test::TextureDraw> draws = orvel_test::textureLog().drawsCopy();
  ASSERT_FALSE(draws.empty());
  EXPECT_EQ(draws.back().dstX, 10);
  EXPECT_EQ(draws.back().srcW, 300);
  EXPECT_EQ(draws.back().srcH, 80);
}

TEST_F(SoundDisplay, TheLayersFollowTheSizeTheLayoutGives) {
  // The shipped skin says 600 points; the constraint layout stretches the display across the window.
  ZRNodeSoundDisplay& d = make(600, 52);
  deck.frame.position = 20000 * 100;  // track on both sides of the cursor
  d.render(0.016, 6, 42);
  d.changeSize(1268, 52);
  EXPECT_EQ(d.getCursorColumn(), 1268 / 3);
  d.render(0.016, 6, 42);
  ASSERT_NE(d.drawContext, nullptr);
  ASSERT_EQ(d.drawContext->getPixelWidth(), 1268);
  // Waveform ink up to the right end of the strip, not only over the skin's 600 points.
  const orvel_test::Ink rightEnd = orvel_test::inkOf(*d.drawContext, 128, 1200, 0, 1268, 52);
  EXPECT_GT(rightEnd.count, 68 * 20);
  EXPECT_GE(rightEnd.right, 1264);
  // A cursor the skin placed stays there; a shape turned upright turns the display.
  ZRNodeSoundDisplay& placed = make(600, 52, {{"cursorpos", "50"}});
  placed.changeSize(1268, 52);
  EXPECT_EQ(placed.getCursorColumn(), 50);
  placed.changeSize(52, 900);
  EXPECT_TRUE(placed.isVertical());
  EXPECT_EQ(placed.getCursorColumn(), 50);
}

TEST_F(SoundDisplay, AStillDisplayIsRedrawnEveryFourthFrame) {
  ZRNodeSoundDisplay& d = make(300, 80);
  for (int i = 0; i < 12; ++i) d.render(0.016, 0, 0);
  EXPECT_EQ(d.getRedrawCount(), 3);  // frames 1, 5 and 9
  for (int i = 0; i < 12; ++i) {
    deck.frame.position += 100;  // one display point a frame
    d.render(0.016, 0, 0);
  }
  EXPECT_EQ(d.getRedrawCount(), 15);
}

TEST_F(SoundDisplay, TheLastThirtySecondsFlash) {
  ZRNodeSoundDisplay& d = make(300, 80);
  const ZRWaveformColor normal = d.getLayerColor(0);
  deck.frame.position = (40000 - 13230) * 100;
  d.render(0.1, 0, 0);
  EXPECT_FALSE(d.isFlashing());
  deck.frame.position = (40000 - 13229) * 100;
  d.render(0.1, 0, 0);
  ASSERT_TRUE(d.isFlashing());
  EXPECT_TRUE(sameColour(d.getLayerColor(0), 1, 0, 0));
  d.render(0.33, 0, 0);
  EXPECT_TRUE(sameColour(d.getLayerColor(0), normal.r, normal.g, normal.b));
  d.render(0.33, 0, 0);
  EXPECT_TRUE(sameColour(d.getLayerColor(0), 1, 0, 0));
  // Going back before the last thirty seconds stops it.
  deck.frame.position = 0;
  d.render(0.1, 0, 0);
  EXPECT_FALSE(d.isFlashing());
  EXPECT_TRUE(sameColour(d.getLayerColor(0), normal.r, normal.g, normal.b));
  // A deck without a track never flashes.
  deck.frame.length = 99;
  deck.frame.position = 0;
  d.render(0.1, 0, 0);
  EXPECT_FALSE(d.isFlashing());
}

TEST_F(SoundDisplay, LengthsBeyondTheArraysAreNotRead) {
  // Arrays ending right before an inaccessible page: a read past them faults.
  constexpr int kPoints = 40000;
  orvel_test::GuardedBuffer full(kPoints * sizeof(float)), low(kPoints * sizeof(float));
  ASSERT_NE(full.data(), nullptr);
  ASSERT_NE(low.data(), nullptr);
  for (float* a : {reinterpret_cast<float*>(full.data()), reinterpret_cast<float*>(low.data())}) {
    for (int i = 0; i < kPoints; ++i) a[i] = 0.5f;
  }
  ZRNodeSoundDisplay& d = make(300, 80);
  deck.frame.full = reinterpret_cast<float*>(full.data());
  deck.frame.low = reinterpret_cast<float*>(low.data());
  deck.frame.high = nullptr;
  // The track grew while it decodes: the deck says it is far longer than the arrays it holds.
  deck.frame.length = 900000 * 100;
  deck.frame.position = (kPoints - 20) * 100;
  d.render(0.016, 0, 0);
  EXPECT_TRUE(d.isFlashing());  // measured against the data held: 20 points left
  EXPECT_GT(orvel_test::inkOf(*d.drawContext).count, 0);
}

std::vector<std::vector<int>> pointerCalls;
std::vector<int> actionCalls;
void pointerSlot(int value, int x, int y, int button, int, int, ZRDrawNode*) {
  pointerCalls.push_back({value, x, y, button});
}
void pressSlot(int value, int, int, ZRDrawNode*) {
  actionCalls.push_back(value);
}

TEST_F(SoundDisplay, PointerEventsReachTheScratchSlots) {
  ZRNodeSoundDisplay& d = make(80, 300);  // vertical
  d.setActionSlot(ZRNodeSoundDisplay::kSlotPress, &pressSlot);
  d.setActionSlot(ZRNodeSoundDisplay::kSlotRightRelease, &pressSlot);
  d.setPointerSlot(ZRNodeSoundDisplay::kPointerDragStart, &pointerSlot);
  d.setPointerSlot(ZRNodeSoundDisplay::kPointerDragMove, &pointerSlot);
  pointerCalls.clear();
  actionCalls.clear();
  EXPECT_TRUE(d.executeAction(ZRNodeEventPress, 0, 5.7f, 9.2f, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1));
  EXPECT_TRUE(d.executeAction(ZRNodeEventMove, 0, 6, 19, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1));
  EXPECT_TRUE(d.executeAction(ZRNodeEventRelease, 0, 6, 19, ZRButtonRight, -1, 0, -1, -1, -1, L' ', -1));
  EXPECT_FALSE(d.executeAction(ZRNodeEventWheel, 10, 6, 19, ZRButtonNone, -1, 0, -1, -1, -1, L' ', -1));
  EXPECT_TRUE(d.dropCallback(nullptr, 0, 0, true));
  EXPECT_EQ(actionCalls, (std::vector<int>{-1, -1}));
  EXPECT_EQ(pointerCalls, (std::vector<std::vector<int>>{{1, 5, 9, 0}, {1, 6, 19, 0}}));
}

TEST_F(SoundDisplay, WithoutADeckNothingIsDrawn) {
  ZRNodeSoundDisplay& d = make(300, 80);
  ZRDrawNode child(nullptr, &d, 1.0f, -1, -1, -1);
  d.setDisplaySource(nullptr);
  d.render(0.016, 0, 0);
  EXPECT_EQ(deck.reads, 0);
  EXPECT_TRUE(orvel_test::textureLog().drawsCopy().empty());
}

TEST_F(SoundDisplay, ARealDeckIsReadUnderItsDisplayLock) {
  orvel_test::TempDir stripes;
  CSoundSource real(0, ZRString(stripes.path() + "/"));
  ZRNodeSoundDisplay& d = make(300, 80);
  d.setCSoundSource(&real);
  d.setZoom(8);
  EXPECT_EQ(d.getZoom(), 8);
  d.render(0.016, 0, 0);  // no track: an empty display, no flashing
  EXPECT_FALSE(d.isFlashing());
  EXPECT_EQ(d.getRedrawCount(), 1);
  d.setCSoundSource(nullptr);
}

TEST(WaveformOverview, ShowsOnlyItsChildrenWithoutData) {
  orvel_test::RecordingTextures textures;
  ZRNodeWaveform overview(nullptr, nullptr, 1.0f, GetActionIndex("deck_waveform"), 0, -1);
  ZRParameterList a;
  a.setInt("width", 200);
  a.setInt("height", 40);
  overview.refreshCoordinates(&a);
  overview.render(0.016, 0, 0);
  EXPECT_TRUE(orvel_test::textureLog().drawsCopy().empty());
  EXPECT_TRUE(overview.executeAction(ZRNodeEventPress, 0, 1, 1, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1));
  EXPECT_FALSE(overview.executeAction(ZRNodeEventKey, 0, 1, 1, ZRButtonNone, 65, 0, -1, -1, -1, L' ', -1));
}

}  // namespace
