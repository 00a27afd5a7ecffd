// Level meters and beat indicators: the meter's scale, ballistics and held peak, fraction meters, meters of
// any length; the lit parts drawn for levels, beats, phase differences and sequencer cells; their clicks.

#include <cmath>

#include "control_test_support.h"
#include "gui_nodes/zr_node_beat_indicators.h"
#include "gui_nodes/zr_node_vu_meter.h"
#include "support/display_required.h"
#include "support/log_capture.h"

namespace orvel_test {
namespace {

class Meters : public ControlTest {
 public:
  ZRNodeVUMeter* loadMeter(int width, int height, const std::string& attributes = "") {
    loadSkin("<vumeter action=\"vm_masterl\" posx=\"0\" posy=\"0\" width=\"" + std::to_string(width) +
                 "\" height=\"" + std::to_string(height) + "\" upx=\"0\" upy=\"40\" " + attributes + "/>",
             meterPicture(), 256, 40);
    return control<ZRNodeVUMeter>("vm_masterl");
  }
  static SkinPicture meterPicture() {
    SkinPicture p(256, 300);
    p.fill(0, 40, 256, 260, 0, 255, 0);
    return p;
  }
};

TEST_F(Meters, TheScaleOfA120PointMeter) {
  ZRNodeVUMeter* meter = loadMeter(120, 10);
  ASSERT_EQ(meter->getLength(), 120);
  const std::pair<int, float> points[] = {{0, -45}, {39, -10}, {40, -8.5f}, {59, -4},
                                          {60, -3}, {99, 4},   {100, 5.5f}, {119, 10}};
  for (const auto& [point, level] : points) EXPECT_NEAR(meter->getLevelAt(point), level, 1e-4) << point;
  // -12 dB is 0 on the meter's scale: the last point at or below it; -60 aims at the start.
  meter->setValueDBAfter(-12, 0);
  EXPECT_EQ(meter->getTargetPixel(), 76);  // -3 + 7 x 16 / 39 <= 0 < -3 + 7 x 17 / 39
  meter->setValueDBAfter(-60, 0);
  EXPECT_EQ(meter->getTargetPixel(), 0);
  // Offsets shorten the meter.
  meter = loadMeter(120, 10, "offsetbegin=\"10\" offsetend=\"5\"");
  EXPECT_EQ(meter->getLength(), 105);
}

TEST_F(Meters, BallisticsAndTheHeldPeak) {
  ZRNodeVUMeter* meter = loadMeter(120, 10);
  meter->setValueDBAfter(-200, 0);
  // Rising: 4 x 120 points per second, so 48 per 100 ms.
  meter->setValueDBAfter(20, 0.1);
  EXPECT_FLOAT_EQ(meter->getCurrentPixel(), 48);
  meter->setValueDBAfter(20, 0.1);
  EXPECT_FLOAT_EQ(meter->getCurrentPixel(), 96);
  meter->setValueDBAfter(20, 0.1);
  EXPECT_FLOAT_EQ(meter->getCurrentPixel(), 119);
  EXPECT_FLOAT_EQ(meter->getPeakPixel(), 119);
  EXPECT_NEAR(meter->getValueDB(), 10 - 8, 1e-4);
  // Falling at 120 points per second; the peak holds for 2 s, then falls at a fifth of that.
  float returned = meter->setValueDBAfter(-200, 0.5);
  EXPECT_FLOAT_EQ(meter->getCurrentPixel(), 59);
  EXPECT_FLOAT_EQ(returned, meter->getLevelAt(59) - 8);
  meter->setValueDBAfter(-200, 1.0);
  meter->setValueDBAfter(-200, 1.0);
  EXPECT_FLOAT_EQ(meter->getPeakPixel(), 119);
  meter->setValueDBAfter(-200, 0.5);  // held 2.5 s: 0.2 x 60 points fall
  EXPECT_FLOAT_EQ(meter->getPeakPixel(), 107);
  EXPECT_FLOAT_EQ(meter->getCurrentPixel(), 0);
}

TEST_F(Meters, MetersOfAnyLengthGiveARisingScale) {
  LogCapture log;
  for (int length : {0, 1, 2, 3, 5, 6, 11, 12}) {
    SCOPED_TRACE(length);
    ZRNodeVUMeter* meter = loadMeter(length > 0 ? length : 1, 1, length == 0 ? "offsetbegin=\"1\"" : "");
    ASSERT_EQ(meter->getLength(), length);
    for (int p = 0; p < length; ++p) {
      EXPECT_TRUE(std::isfinite(meter->getLevelAt(p)));
      if (p > 0) {
        EXPECT_GT(meter->getLevelAt(p), meter->getLevelAt(p - 1));
      }
    }
    EXPECT_TRUE(std::isfinite(meter->setValueDBAfter(0, 0.1)));
    EXPECT_TRUE(std::isfinite(meter->setValueDBAfter(-100, 0.1)));
  }
  // Longer than the scale holds: bounded, and said once.
  ZRNodeVUMeter* meter = loadMeter(100000, 10);
  EXPECT_EQ(meter->getLength(), ZRNodeVUMeter::kMaxLength);
  meter->setValueDBAfter(20, 10);
  EXPECT_FLOAT_EQ(meter->getCurrentPixel(), ZRNodeVUMeter::kMaxLength - 1);
  EXPECT_TRUE(log.contains("scale stops at"));
}

TEST_F(Meters, LitLengthsDrawn) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  struct Case {
    const char* name;
    const char* attributes;
    int width, height;
    float fraction;
    std::vector<std::pair<int, int>> lit, dark;  // points (x, y)
  };
  const Case cases[] = {
      {"half of a 200-point meter lights 101 points",
       "",
       200,
       10,
       0.5f,
       {{0, 5}, {100, 5}},
       {{101, 5}, {199, 5}}},
      {"reversed grows from the right",
       "reversed=\"yes\"",
       200,
       10,
       0.5f,
       {{199, 5}, {99, 5}},
       {{98, 5}, {0, 5}}},
      {"granularity 4 lights whole steps", "granularity=\"4\"", 200, 10, 10.0f / 200, {{11, 5}}, {{12, 5}}},
      {"vertical grows upwards", "", 10, 40, 0.5f, {{5, 39}, {5, 19}}, {{5, 18}, {5, 0}}},
      {"vertical reversed grows downwards", "reversed=\"yes\"", 10, 40, 0.5f, {{5, 0}, {5, 20}}, {{5, 21}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ZRNodeVUMeter* meter = loadMeter(c.width, c.height, c.attributes);
    meter->setValue(c.fraction);
    frame();
    for (const auto& [x, y] : c.lit) EXPECT_EQ(at(x, y), kGreen) << x << "," << y;
    for (const auto& [x, y] : c.dark) EXPECT_EQ(at(x, y), kBlack) << x << "," << y;
  }
  // A level meter shows its held peak as one more lit step.
  ZRNodeVUMeter* meter = loadMeter(120, 10);
  meter->setValueDBAfter(20, 1);
  meter->setValueDBAfter(-200, 0.5);
  frame();
  EXPECT_EQ(at(50, 5), kGreen);
  EXPECT_EQ(at(80, 5), kBlack);
  EXPECT_EQ(at(119, 5), kGreen);
}

class BeatIndicators : public ControlTest {
 public:
  void SetUp() override {
    ControlTest::SetUp();
    SkinPicture p(160, 120);
    p.fill(0, 40, 160, 20, 255, 0, 0);  // normal pictures: red
    p.fill(0, 60, 160, 20, 0, 255, 0);  // lit pictures: green
    loadSkin(
        "<beatpos action=\"deck_beatpos\" deck=\"0\" posx=\"0\" posy=\"0\" width=\"80\" height=\"10\""
        " upx=\"0\" upy=\"40\" onx=\"0\" ony=\"60\"/>"
        "<beatdiff action=\"beatdiff\" posx=\"0\" posy=\"20\" width=\"100\" height=\"10\" upx=\"0\" "
        "upy=\"40\""
        " onx=\"0\" ony=\"60\"/>"
        "<seqpos action=\"_seq\" posx=\"0\" posy=\"30\" width=\"160\" height=\"10\" totalcells=\"8\""
        " cellwidth=\"10\" cellselectedx=\"0\" cellselectedy=\"60\"/>",
        p, 160, 40);
    beat = control<ZRNodeBeatPos>("deck_beatpos", 0);
    diff = control<ZRNodeBeatDiff>("beatdiff");
    sequencer = dynamic_cast<ZRNodeSequencerPos*>(manager->getNode("_seq", -2));
    ASSERT_NE(sequencer, nullptr);
  }
  ZRNodeBeatPos* beat = nullptr;
  ZRNodeBeatDiff* diff = nullptr;
  ZRNodeSequencerPos* sequencer = nullptr;
};

TEST_F(BeatIndicators, ClicksAndCells) {
  bindRecorders(beat);
  bindRecorders(sequencer);
  click(10, 5);
  click(10, 5, ZRButtonRight);
  click(45, 35);  // 20-point cells: the third
  EXPECT_EQ(SlotLog::get().slotsAndValues(),
            (std::vector<std::pair<int, int>>{{0, -1}, {1, -1}, {0, 2}, {1, -1}}));
  EXPECT_TRUE(sequencer->getCell(2));
  click(45, 35);
  EXPECT_FALSE(sequencer->getCell(2));
  beat->show(0, false);
  EXPECT_FALSE(beat->executeAction(ZRNodeEventPress, 0, 1, 1, 0, -1, 0, -1, -1, -1, L' ', -1));

  LogCapture log;
  loadSkin("<seqpos action=\"_seq\" posx=\"0\" posy=\"30\" width=\"160\" height=\"10\" totalcells=\"1000\"/>",
           SkinPicture(160, 40), 160, 40);
  sequencer = dynamic_cast<ZRNodeSequencerPos*>(manager->getNode("_seq", -2));
  EXPECT_EQ(sequencer->getTotalCells(), ZRNodeSequencerPos::kMaxCells);
  EXPECT_TRUE(log.contains("totalcells 1000"));
  click(159.8f, 35);
  EXPECT_TRUE(sequencer->getCell(ZRNodeSequencerPos::kMaxCells - 1));
}

TEST_F(BeatIndicators, LitParts) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  beat->updatePos(2);      // 20-point elements: 40..59
  diff->updatePos(-0.5f);  // 25 points left of the centre: 25..49
  frame();
  EXPECT_EQ(at(39, 5), kRed);
  EXPECT_EQ(at(40, 5), kGreen);
  EXPECT_EQ(at(59, 5), kGreen);
  EXPECT_EQ(at(60, 5), kRed);
  EXPECT_EQ(at(24, 25), kRed);
  EXPECT_EQ(at(25, 25), kGreen);
  EXPECT_EQ(at(49, 25), kGreen);
  EXPECT_EQ(at(50, 25), kRed);
  beat->updatePos(4);
  diff->updatePos(0);
  frame();
  for (int x : {5, 45, 75}) EXPECT_EQ(at(x, 5), kRed);
  EXPECT_EQ(at(45, 25), kRed);
  diff->updatePos(3);  // held to 1: the whole right half
  frame();
  EXPECT_EQ(at(99, 25), kGreen);
  EXPECT_EQ(at(49, 25), kRed);

  click(65, 35);  // cell 3 (20-point steps), a 10-point picture
  frame();
  EXPECT_EQ(at(62, 35), kGreen);
  EXPECT_EQ(at(72, 35), kBlack);
}

}  // namespace
}  // namespace orvel_test
