// The jog wheel: platter angles from play positions, circular drags turned into scratch frames, the cover
// in its centre (clipped to a circle or shown as the default picture), and the platter drawn turned.

#include "gui_nodes/zr_node_jog_wheel.h"

#include <cmath>

#include "control_test_support.h"
#include "support/display_required.h"
#include "support/mp3_cover_fixture.h"

namespace orvel_test {
namespace {

// A 64 x 64 wheel at (0, 0): the platter picture is transparent but for a red bar on its right edge; the
// default centre picture is blue.
SkinPicture wheelPicture() {
  SkinPicture p(128, 160);
  p.fill(0, 64, 64, 64, 0, 0, 0, 0);
  p.fill(56, 88, 8, 16, 255, 0, 0);
  p.fill(64, 64, 64, 64, 0, 0, 255);
  return p;
}

class JogWheels : public ControlTest {
 public:
  void loadWheel(const std::string& attributes) {
    loadSkin(
        "<wheel action=\"deck_wheel\" deck=\"0\" posx=\"0\" posy=\"0\" width=\"64\" height=\"64\" upx=\"0\""
        " upy=\"64\" " +
            attributes + "/>",
        wheelPicture(), 128, 64);
    wheel = control<ZRNodeJogWheel>("deck_wheel", 0);
    bindRecorders(wheel);
    wheel->setMoveSlot(recordPointer<0>);
  }
  // The pointer on the wheel's circle of radius 20 at a counter-clockwise angle.
  void pointAt(double degrees, bool pressIt = false) {
    const double r = degrees * M_PI / 180;
    const float x = 32 + 20 * static_cast<float>(std::cos(r)), y = 32 - 20 * static_cast<float>(std::sin(r));
    if (pressIt) {
      press(x, y);
    } else {
      move(x, y);
    }
  }
  ZRNodeJogWheel* wheel = nullptr;
};

TEST_F(JogWheels, PlatterAnglesFromThePlayPosition) {
  loadWheel("");
  struct Case {
    double seconds;
    int rpm;
    double angle;
  } const cases[] = {{0.9, 33, 180}, {1.8, 33, 0}, {0.45, 33, 90}, {1.0 / 3, 45, 90}, {0, 33, 0}};
  for (const Case& c : cases) {
    wheel->updatePos(c.seconds, c.rpm);
    EXPECT_NEAR(wheel->angle.load(), c.angle, 1e-6) << c.seconds << " s at " << c.rpm;
  }
  loadWheel("positions=\"8\"");
  wheel->updatePos(0.4, 33);  // 80 degrees drawn as 45
  EXPECT_NEAR(wheel->angle.load(), 45, 1e-6);
}

TEST_F(JogWheels, DragsBecomeScratchFrames) {
  loadWheel("");
  struct Case {
    const char* name;
    int rpm;
    std::vector<double> angles;  // the press, then moves
    std::vector<int> frames;
  };
  const Case cases[] = {
      {"90 degrees clockwise at 33 1/3", 33, {90, 0}, {19845}},
      {"90 degrees clockwise at 45", 45, {90, 0}, {14700}},
      {"across the seam counter-clockwise", 33, {350, 10}, {-4410}},
      {"a full clockwise turn in quarters", 33, {0, 270, 180, 90, 0}, {19845, 19845, 19845, 19845}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    wheel->updatePos(0, c.rpm);
    SlotLog::get().clear();
    pointAt(c.angles[0], true);
    for (size_t i = 1; i < c.angles.size(); ++i) pointAt(c.angles[i]);
    release(32, 32);
    std::vector<int> frames;
    for (const SlotCall& call : SlotLog::get().calls())
      if (call.slot == 100) frames.push_back(call.value);
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(SlotLog::get().calls().front().slot, 0);
    EXPECT_EQ(SlotLog::get().calls().back().slot, 1);
  }
  // Moves without the left button, and right presses, send nothing.
  SlotLog::get().clear();
  move(10, 10);
  click(10, 10, ZRButtonRight);
  EXPECT_TRUE(SlotLog::get().calls().empty());
  EXPECT_FALSE(wheel->executeAction(ZRNodeEventMove, 0, 5, 5, ZRButtonNone, -1, 0, -1, -1, -1, L' ', -1));
  // A wheel told no speed turns as a 33 1/3 record instead of dividing by zero.
  wheel->updatePos(0, 0);
  pointAt(90, true);
  pointAt(0);
  release(32, 32);
  EXPECT_EQ(SlotLog::get().calls()[1].value, 19845);
}

TEST_F(JogWheels, CentrePictureAndTurnedPlatter) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  writeMp3WithCover(dir.file("track.mp3"), encodePng(solidPicture(16, 16, 0, 255, 0), false));
  loadWheel("showartwork=\"yes\" clipartwork=\"yes\" defimgx=\"64\" defimgy=\"64\"");
  frame();
  EXPECT_EQ(at(32, 32), kBlue);  // the default centre picture
  EXPECT_EQ(at(60, 32), kRed);   // the platter's bar at three o'clock
  wheel->updatePos(0.45, 33);    // a quarter turn clockwise: the bar at six o'clock
  frame();
  EXPECT_EQ(at(32, 60), kRed);
  EXPECT_NE(at(60, 32), kRed);

  wheel->setArtworkImage(ZRString(dir.file("track.mp3")), ZRString("track"));
  ASSERT_TRUE(wheel->hasArtwork());
  frame();
  EXPECT_EQ(at(32, 32), kGreen);
  EXPECT_EQ(at(2, 2), kBlack);  // clipped to the circle
  wheel->clearArtworkImage();
  frame();
  EXPECT_EQ(at(32, 32), kBlue);
  wheel->show(0, false);
  frame();
  EXPECT_EQ(at(32, 32), kBlack);
}

}  // namespace
}  // namespace orvel_test
