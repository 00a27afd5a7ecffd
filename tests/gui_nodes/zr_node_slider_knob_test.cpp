// Sliders and knobs: mouse gestures, MIDI, shortcuts and setters to slot calls and positions; the held
// slider ignoring the engine; button emulation; the track, fill, cursor, data row, markers and knob ring
// drawn offscreen.

#include "gui_nodes/zr_node_slider_knob.h"

#include <cmath>
#include <functional>
#include <memory>

#include "control_test_support.h"
#include "dsp/engine/sound_source.h"
#include "support/display_required.h"

namespace orvel_test {
namespace {

// A horizontal slider of 110 x 20 at (0, 0) with a 10 x 20 cursor (track 100 points, so offset = value on
// 0..100), a vertical one of 20 x 110 at (120, 0), and a 64 x 64 knob at (150, 0).
// Pictures: track red (over green), fill blue, cursor yellow (over cyan), knob cursor white.
const char* const kSliderSkin =
    "<slider action=\"master_volume\" posx=\"0\" posy=\"0\" width=\"110\" height=\"20\" upx=\"0\" upy=\"120\""
    " overx=\"0\" overy=\"140\" selx=\"0\" sely=\"160\" cursorwidth=\"10\" cursorheight=\"20\" "
    "cursorupx=\"0\""
    " cursorupy=\"180\" cursoroverx=\"10\" cursorovery=\"180\"/>"
    "<slider action=\"monitor_volume\" posx=\"120\" posy=\"0\" width=\"20\" height=\"110\" upx=\"120\" "
    "upy=\"120\""
    " selx=\"140\" sely=\"120\" cursorwidth=\"20\" cursorheight=\"10\" cursorupx=\"0\" cursorupy=\"180\"/>"
    "<slider action=\"master_gain\" posx=\"150\" posy=\"0\" width=\"64\" height=\"64\" upx=\"150\" "
    "upy=\"120\""
    " selx=\"150\" sely=\"190\" isknob=\"yes\" radius=\"20\" cursorsize=\"3\" cursorcolor=\"#FFFFFF\"/>";

SkinPicture sliderPicture() {
  SkinPicture p(256, 256);
  p.fill(0, 120, 110, 20, 255, 0, 0);
  p.fill(0, 140, 110, 20, 0, 255, 0);
  p.fill(0, 160, 110, 20, 0, 0, 255);
  p.fill(0, 180, 10, 20, 255, 255, 0);
  p.fill(10, 180, 10, 20, 0, 255, 255);
  p.fill(120, 120, 20, 110, 255, 0, 0);
  p.fill(140, 120, 20, 110, 0, 0, 255);
  p.fill(150, 120, 64, 64, 255, 0, 0);
  p.fill(150, 190, 64, 64, 0, 0, 255);
  return p;
}

using Calls = std::vector<std::pair<int, int>>;

class Sliders : public ControlTest {
 public:
  void SetUp() override {
    ControlTest::SetUp();
    loadSkin(kSliderSkin, sliderPicture(), 220, 120);
    slider = control<ZRNodeSliderKnob>("master_volume");
    vertical = control<ZRNodeSliderKnob>("monitor_volume");
    knob = control<ZRNodeSliderKnob>("master_gain");
    ASSERT_TRUE(slider && vertical && knob);
    for (ZRNodeSliderKnob* s : {slider, vertical, knob}) bindRecorders(s);
  }
  ZRNodeSliderKnob* slider = nullptr;
  ZRNodeSliderKnob* vertical = nullptr;
  ZRNodeSliderKnob* knob = nullptr;
};

struct SliderCase {
  const char* name;
  std::function<void(Sliders&)> setUp;  // run before the log is cleared
  std::function<void(Sliders&)> events;
  Calls calls;
  int position;  // of the slider the case drives, checked after the events
  std::function<ZRNodeSliderKnob*(Sliders&)> which;
};

ZRNodeSliderKnob* horizontalOne(Sliders& t) {
  return t.slider;
}
ZRNodeSliderKnob* verticalOne(Sliders& t) {
  return t.vertical;
}
ZRNodeSliderKnob* theKnob(Sliders& t) {
  return t.knob;
}

TEST_F(Sliders, GesturesMidiAndShortcutsMoveThePosition) {
  using S = Sliders;
  auto at50 = [](S& t) { t.slider->SetPos(50, false); };
  const std::vector<SliderCase> cases = {
      {"a press off the cursor jumps its middle under the pointer",
       nullptr,
       [](S& t) { t.click(50, 10); },
       {{0, 45}, {1, 45}, {2, 45}},
       45,
       horizontalOne},
      {"a press on the cursor grabs it where it was taken",
       at50,
       [](S& t) {
         t.press(53, 10);
         t.move(73, 10);
         t.release(73, 10);
       },
       {{0, 50}, {1, 50}, {0, 70}, {1, 70}, {2, 70}},
       70,
       horizontalOne},
      {"the drag stops at the ends",
       at50,
       [](S& t) {
         t.press(55, 10);
         t.move(400, 10);
         t.release(400, 10);
       },
       {{0, 50}, {1, 50}, {0, 100}, {1, 100}, {2, 100}},
       100,
       horizontalOne},
      {"a right press jumps and its release puts the slider back",
       at50,
       [](S& t) {
         t.press(85, 10, ZRButtonRight);
         t.release(85, 10, ZRButtonRight);
       },
       {{0, 80}, {1, 80}, {0, 50}, {1, 50}},
       50,
       horizontalOne},
      {"a double click resets",
       [](S& t) { t.slider->setResetOnDoubleClick(true, 30); },
       [](S& t) {
         t.slider->executeActionInternal(ZRNodeEventDoubleClick, 0, 5, 5, 0, -1, 0, -1, -1, -1, L' ', -1);
       },
       {{0, 30}, {1, 30}},
       30,
       horizontalOne},
      {"a vertical slider has its maximum at the top",
       nullptr,
       [](S& t) { t.click(130, 20); },
       {{0, 85}, {1, 85}, {2, 85}},
       85,
       verticalOne},
      {"control change 64 on -100..100 is exactly 0",
       [](S& t) { t.slider->setMinMaxPos(-100, 100, 40, false); },
       [](S& t) { ControlTest::midi(t.slider, 176, 7, 64); },
       {{0, 0}, {1, 0}},
       0,
       horizontalOne},
      {"control change 64 on 0..100 is 50",
       nullptr,
       [](S& t) { ControlTest::midi(t.slider, 176, 7, 64); },
       {{0, 50}, {1, 50}},
       50,
       horizontalOne},
      {"pitch bend moves like a control change",
       nullptr,
       [](S& t) { ControlTest::midi(t.slider, 224, 0, 127); },
       {{0, 100}, {1, 100}},
       100,
       horizontalOne},
      {"note ons cycle min, 0, max on a symmetric range",
       [](S& t) { t.slider->setMinMaxPos(-100, 100, -100, false); },
       [](S& t) {
         for (int i = 0; i < 3; ++i) ControlTest::midi(t.slider, 144, 60, 100);
       },
       {{0, 0}, {1, 0}, {0, 100}, {1, 100}, {0, -100}, {1, -100}},
       -100,
       horizontalOne},
      {"a note on jumps to the far end of an asymmetric range",
       [](S& t) { t.slider->SetPos(20, false); },
       [](S& t) { ControlTest::midi(t.slider, 144, 60, 1); },
       {{0, 100}, {1, 100}},
       100,
       horizontalOne},
      {"note off does nothing",
       nullptr,
       [](S& t) { ControlTest::midi(t.slider, 128, 60, 0); },
       {},
       0,
       horizontalOne},
      {"shortcuts step by a twentieth",
       at50,
       [](S& t) {
         t.slider->runKBShortcut(0);
         t.slider->runKBShortcut(1);
         t.slider->runKBShortcut(1);
       },
       {{0, 45}, {1, 45}, {0, 50}, {1, 50}, {0, 55}, {1, 55}},
       55,
       horizontalOne},
      {"a step of lrintf(0.5) does not move 0..10",
       [](S& t) { t.slider->setMinMaxPos(0, 10, 4, false); },
       [](S& t) { t.slider->runKBShortcut(1); },
       {{0, 4}, {1, 4}},
       4,
       horizontalOne},
      {"a fixed range calls nothing",
       [](S& t) { t.slider->setMinMaxPos(5, 5, 3, true); },
       [](S& t) {
         t.click(60, 10);
         t.slider->SetPos(1, true);
       },
       {{2, 5}},
       5,
       horizontalOne},
      {"button emulation calls the button slots only",
       [](S& t) { t.slider->setEmulateButton(true); },
       [](S& t) {
         t.click(60, 10);
         t.click(60, 10, ZRButtonRight);
         t.slider->executeActionInternal(ZRNodeEventDoubleClick, 0, 5, 5, 0, -1, 0, -1, -1, -1, L' ', -1);
       },
       {{3, -1}, {4, -1}, {5, -1}, {6, -1}, {7, -1}},
       0,
       horizontalOne},
      {"a knob drag turns 2 degrees per point right or up",
       nullptr,
       [](S& t) {
         t.press(180, 30);
         t.move(185, 25);  // 10 points: 20 degrees of 270 on 0..100
         t.release(185, 25);
       },
       {{0, 7}, {1, 7}, {2, 7}},
       7,
       theKnob},
      {"a knob's right click goes to 0 held into its range",
       [](S& t) { t.knob->setMinMaxPos(20, 100, 60, false); },
       [](S& t) { t.click(180, 30, ZRButtonRight); },
       {{0, 20}, {1, 20}},
       20,
       theKnob},
  };
  for (const SliderCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (ZRNodeSliderKnob* s : {slider, vertical, knob}) {
      s->setEmulateButton(false);
      s->setResetOnDoubleClick(true, 0);
      s->setMinMaxPos(0, 100, 0, false);
    }
    if (c.setUp) c.setUp(*this);
    SlotLog::get().clear();
    c.events(*this);
    EXPECT_EQ(SlotLog::get().slotsAndValues(), c.calls);
    EXPECT_EQ(c.which(*this)->GetPos(), c.position);
  }
}

TEST_F(Sliders, TheEngineCannotMoveAHeldSliderButItMovesAKnob) {
  slider->SetPos(50, false);
  press(55, 10);
  SlotLog::get().clear();
  slider->SetPos(10, false);
  EXPECT_EQ(slider->GetPos(), 50);
  EXPECT_TRUE(SlotLog::get().calls().empty());
  release(55, 10);
  slider->SetPos(10, false);
  EXPECT_EQ(slider->GetPos(), 10);

  press(180, 30);
  knob->SetPos(90, false);
  EXPECT_EQ(knob->GetPos(), 90);
  EXPECT_NEAR(knob->getAngle(), 243, 0.01);
  release(180, 30);
}

TEST_F(Sliders, ReversedValuesMirrorTheCursor) {
  loadSkin(std::string(kSliderSkin)
               .replace(std::string(kSliderSkin).find("width=\"110\""), 11, "width=\"110\" reversed=\"yes\""),
           sliderPicture(), 220, 120);
  slider->SetPos(0, false);
  EXPECT_EQ(slider->getCursorOffset(), 100);
  SlotLog::get().clear();
  click(20, 10);  // offset 15 is value 85
  EXPECT_EQ(SlotLog::get().slotsAndValues(), (Calls{{0, 85}, {1, 85}, {2, 85}}));
  // A new skin keeps the value.
  loadSkin(kSliderSkin, sliderPicture(), 220, 120);
  EXPECT_EQ(slider->GetPos(), 85);
}

TEST_F(Sliders, RangeChangesKeepThePositionInside) {
  slider->SetPos(80, false);
  SlotLog::get().clear();
  slider->SetMax(50);
  EXPECT_EQ(slider->GetPos(), 50);
  EXPECT_EQ(slider->getCursorOffset(), 100);
  slider->SetMin(-50);
  EXPECT_EQ(slider->getCursorOffset(), 100);
  EXPECT_EQ(SlotLog::get().slotsAndValues(), (Calls{{0, 50}, {0, 50}}));
}

TEST_F(Sliders, TrackFillAndCursorPictures) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  slider->SetPos(50, false);
  frame();
  EXPECT_EQ(at(20, 10), kBlue);    // filled up to the cursor's middle
  EXPECT_EQ(at(55, 10), kYellow);  // the cursor at offset 50
  EXPECT_EQ(at(80, 10), kRed);     // the rest of the track
  vertical->SetPos(25, false);     // cursor 75 points from the top
  frame();
  EXPECT_EQ(at(130, 60), kRed);
  EXPECT_EQ(at(125, 78), kYellow);
  EXPECT_EQ(at(130, 100), kBlue);  // filled from the cursor down

  move(80, 10);
  frame();
  EXPECT_EQ(at(80, 10), kGreen);  // the track's over picture
  EXPECT_EQ(at(55, 10), kCyan);   // and the cursor's
  move(300, 100);

  // A symmetric range fills from the centre (55) to the cursor's middle.
  slider->setMinMaxPos(-100, 100, 50, false);  // offset 75, middle 80
  frame();
  EXPECT_EQ(at(40, 10), kRed);
  EXPECT_EQ(at(70, 10), kBlue);
  EXPECT_EQ(at(95, 10), kRed);
}

TEST_F(Sliders, AReversedSliderAtItsMinimumFillsFromTheRightEnd) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  loadSkin(std::string(kSliderSkin)
               .replace(std::string(kSliderSkin).find("width=\"110\""), 11, "width=\"110\" reversed=\"yes\""),
           sliderPicture(), 220, 120);
  slider->SetPos(0, false);
  frame();
  EXPECT_EQ(at(105, 10), kYellow);
  EXPECT_EQ(at(90, 10), kRed);
  slider->SetPos(100, false);
  frame();
  EXPECT_EQ(at(5, 10), kYellow);
  EXPECT_EQ(at(50, 10), kBlue);
}

TEST_F(Sliders, TheDataRowIsACopy) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  loadSkin(
      std::string(kSliderSkin)
          .replace(std::string(kSliderSkin).find("width=\"110\""), 11, "width=\"110\" datacolor=\"#00FF00\""),
      sliderPicture(), 220, 120);
  slider->SetPos(0, false);  // the fill would cover the row
  {
    auto row = std::make_unique<float[]>(500);
    for (int i = 0; i < 500; ++i) row[i] = 1.0f;
    slider->updateData(row.get(), 500, 1.0f);
  }  // the caller's array is gone before the frame
  frame();
  EXPECT_GT(at(40, 10)[1], 150);  // the full-height row over the track
  slider->updateData(nullptr, 0, 1.0f);
  frame();
  EXPECT_EQ(at(40, 10), kRed);
}

TEST_F(Sliders, MarkersOfLoopEndsAreLeftOutAndLabelsPastTheMiddleSitLeft) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  slider->SetPos(100, false);
  TTrackMarker markers[3];
  markers[0].position = 0.25f;
  markers[0].kind = CSoundSource::kMarkerHotCue;
  markers[0].r = markers[0].b = 0;  // green
  markers[1].position = 0.5f;
  markers[1].kind = CSoundSource::kMarkerLoopEnd;
  markers[2].position = 0.75f;
  markers[2].kind = CSoundSource::kMarkerHotCue;
  markers[2].label = ZRString("1");
  markers[2].g = markers[2].b = 0;  // red on the blue fill
  slider->updateMarkersDisplayData(markers, 3);
  EXPECT_EQ(slider->getMarkerCount(), 3);
  frame();
  const int quarter = static_cast<int>(lrintf(108 * 0.25f)), half = static_cast<int>(lrintf(108 * 0.5f));
  const int threeQuarters = static_cast<int>(lrintf(108 * 0.75f));
  EXPECT_TRUE(near(at(quarter, 14), kGreen, 60)) << int(at(quarter, 14)[0]) << "," << int(at(quarter, 14)[1]);
  EXPECT_EQ(at(half, 14), kBlue);  // a loop end is not drawn
  // The label's dark box lies left of its line.
  const Rgb box = at(threeQuarters - 4, 4);
  EXPECT_LT(box[2], 150);
  EXPECT_EQ(at(threeQuarters + 4, 4), kBlue);

  // A vertical slider shows no markers.
  vertical->SetPos(0, false);
  vertical->updateMarkersDisplayData(markers, 3);
  frame();
  EXPECT_EQ(at(130, 55), kRed);
  slider->updateMarkersDisplayData(nullptr, 0);
  EXPECT_EQ(slider->getMarkerCount(), 0);
}

TEST_F(Sliders, KnobRingAndPointer) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  knob->SetPos(0, false);
  frame();
  EXPECT_EQ(at(182, 6), kRed);                           // top centre: nothing lit
  EXPECT_TRUE(near(at(182 - 14, 32 + 14), kWhite, 40));  // the pointer dot at 135 degrees
  knob->SetPos(100, false);
  frame();
  EXPECT_EQ(at(182, 6), kBlue);                          // the ring lit over the top
  EXPECT_EQ(at(182, 60), kRed);                          // the gap at the bottom stays unlit
  EXPECT_TRUE(near(at(182 + 14, 32 + 14), kWhite, 40));  // the pointer at 45 degrees
  EXPECT_FALSE(near(at(182 - 14, 32 + 14), kWhite, 40));
}

}  // namespace
}  // namespace orvel_test
