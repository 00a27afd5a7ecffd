// The progress ring and the play button: clicked shares, lit angles (steps and offsets) and the lit ring
// drawn (also after its texture was lost); the play button's slots, pressed glow and turning tick ring.

#include "control_test_support.h"
#include "gui_nodes/zr_node_play_live.h"
#include "gui_nodes/zr_node_rounded_progress.h"
#include "support/display_required.h"

namespace orvel_test {
namespace {

using Calls = std::vector<std::pair<int, int>>;

// 64 x 64 nodes: the progress ring at (0, 0), the play button at (70, 0). Pictures: normal red, over or
// pressed green, the ring's lit picture blue.
SkinPicture roundPicture() {
  SkinPicture p(140, 200);
  p.fill(0, 64, 140, 64, 255, 0, 0);
  p.fill(0, 128, 140, 64, 0, 255, 0);
  return p;
}

class ProgressRings : public ControlTest {
 public:
  void loadRing(const std::string& attributes) {
    SkinPicture p = roundPicture();
    p.fill(0, 128, 64, 64, 0, 0, 255);  // the ring's lit picture
    loadSkin(
        "<rounded_progress action=\"deck_progress\" deck=\"0\" posx=\"0\" posy=\"0\" width=\"64\""
        " height=\"64\" upx=\"0\" upy=\"64\" overx=\"70\" overy=\"128\" selx=\"0\" sely=\"128\" " +
            attributes + "/>",
        p, 140, 64);
    ring = control<ZRNodeRoundedProgress>("deck_progress", 0);
    bindRecorders(ring);
  }
  ZRNodeRoundedProgress* ring = nullptr;
};

TEST_F(ProgressRings, ClicksReportTheShareClockwiseFromTwelve) {
  loadRing("");
  release(10, 10);  // a release before any press reports 0
  for (const auto& [x, y] : {std::pair{63.0f, 32.0f}, {32, 63}, {0, 32}, {32, 0}}) click(x, y);
  EXPECT_EQ(
      SlotLog::get().slotsAndValues(),
      (Calls{{1, 0}, {0, 250}, {1, 250}, {0, 500}, {1, 500}, {0, 750}, {1, 750}, {0, 1000}, {1, 1000}}));
  SlotLog::get().clear();
  click(32, 0, ZRButtonRight);
  EXPECT_TRUE(SlotLog::get().calls().empty());
}

TEST_F(ProgressRings, LitAngles) {
  struct Case {
    const char* attributes;
    float share;
    float angle;
  } const cases[] = {
      {"", 0.25f, 90},
      {"positions=\"8\"", 0.3f, 90},
      {"offsetangle=\"90\"", 0, 90},
      {"offsetangle=\"-90\"", 0, 270},
      {"", 1.5f, 360},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    loadRing(c.attributes);
    ring->updatePos(c.share);
    EXPECT_FLOAT_EQ(ring->litAngle(), c.angle);
  }
}

TEST_F(ProgressRings, TheLitQuarterAndAHoleInTheMiddle) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  loadRing("innerradius=\"10\"");
  ring->updatePos(0.25f);
  frame();
  EXPECT_EQ(at(48, 12), kBlue);
  EXPECT_EQ(at(16, 12), kRed);
  EXPECT_EQ(at(48, 52), kRed);
  EXPECT_EQ(at(36, 28), kRed);  // inside the inner radius
  // The texture lost with the same angle: drawn again all the same.
  ring->destroyTexture();
  frame();
  EXPECT_EQ(at(48, 12), kBlue);
  move(32, 32);
  frame();
  EXPECT_EQ(at(16, 12), kGreen);
}

class PlayButtons : public ControlTest {
 public:
  void SetUp() override {
    ControlTest::SetUp();
    loadSkin(
        "<playlive action=\"deck_playlive\" deck=\"0\" posx=\"70\" posy=\"0\" width=\"64\" height=\"64\""
        " upx=\"70\" upy=\"64\" downx=\"70\" downy=\"128\" radius=\"30\" cursorsize=\"10\""
        " cursorcolor=\"#FFFFFF\" trailcursorcolor=\"#0000FF\"/>",
        roundPicture(), 140, 64);
    play = control<ZRNodePlayLive>("deck_playlive", 0);
    bindRecorders(play);
  }
  ZRNodePlayLive* play = nullptr;
};

TEST_F(PlayButtons, EventsCallTheirSlots) {
  struct Case {
    const char* name;
    std::function<void(PlayButtons&)> events;
    Calls calls;
  } const cases[] = {
      {"left click", [](PlayButtons& t) { t.click(100, 30); }, {{0, -1}, {1, -1}}},
      {"right click", [](PlayButtons& t) { t.click(100, 30, ZRButtonRight); }, {{2, -1}, {3, -1}}},
      {"note on", [](PlayButtons& t) { ControlTest::midi(t.play, 144, 60, 100); }, {{0, -1}}},
      {"note on with velocity 0 only releases",
       [](PlayButtons& t) { ControlTest::midi(t.play, 144, 60, 0); },
       {{1, -1}}},
      {"control change presses and releases",
       [](PlayButtons& t) { ControlTest::midi(t.play, 176, 1, 5); },
       {{0, -1}, {1, -1}}},
      {"shortcut", [](PlayButtons& t) { t.play->runKBShortcut(0); }, {{0, -1}, {1, -1}}},
      {"double click",
       [](PlayButtons& t) {
         t.play->executeActionInternal(ZRNodeEventDoubleClick, 0, 1, 1, 0, -1, 0, -1, -1, -1, L' ', -1);
       },
       {{4, -1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SlotLog::get().clear();
    c.events(*this);
    EXPECT_EQ(SlotLog::get().slotsAndValues(), c.calls);
  }
  EXPECT_TRUE(play->getCanUseLearn());
  EXPECT_FALSE(play->executeAction(ZRNodeEventWheel, 10, 1, 1, -1, -1, 0, -1, -1, -1, L' ', -1));
  play->enable(0, false);
  SlotLog::get().clear();
  EXPECT_FALSE(ControlTest::midi(play, 144, 60, 100));
  EXPECT_TRUE(SlotLog::get().calls().empty());
}

TEST_F(PlayButtons, PressedGlowFadesOverHalfASecond) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  frame();
  EXPECT_EQ(at(75, 5), kRed);
  press(100, 30);
  frame(0.1);
  EXPECT_FLOAT_EQ(play->getGlowAlpha(), 1);
  EXPECT_EQ(at(75, 5), kGreen);
  release(100, 30);
  frame(0.25);
  EXPECT_NEAR(play->getGlowAlpha(), 0.5, 1e-6);
  EXPECT_TRUE(near(at(75, 5), {128, 128, 0}, 4));
  frame(0.25);
  EXPECT_FLOAT_EQ(play->getGlowAlpha(), 0);
  EXPECT_EQ(at(75, 5), kRed);
}

TEST_F(PlayButtons, TheRingTurnsInTickStepsWhilePlaying) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  frame();
  // The tick at three o'clock in the cursor colour.
  EXPECT_TRUE(near(at(127, 32), kWhite, 60));
  play->updateState(true);
  frame(0.05);
  EXPECT_DOUBLE_EQ(play->getDrawnRingAngle(), 0);
  EXPECT_TRUE(near(at(127, 32), kBlue, 60));  // the trail starts there
  frame(0.1);
  EXPECT_DOUBLE_EQ(play->getDrawnRingAngle(), 22.5);  // 18 degrees, rounded up to the next tick step
  play->updateState(true);
  frame(0.1);
  EXPECT_NEAR(play->getRingAngle(), 36, 1e-9);
  play->updateState(false);
  frame(0.1);
  EXPECT_DOUBLE_EQ(play->getDrawnRingAngle(), 0);
  EXPECT_TRUE(near(at(127, 32), kWhite, 60));
}

}  // namespace
}  // namespace orvel_test
