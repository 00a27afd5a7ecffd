// Buttons: push and switch buttons turning mouse, MIDI and shortcut events into their slots, the setters'
// rules, and the picture and caption colour of each state.

#include "gui_nodes/zr_node_button.h"

#include <chrono>
#include <functional>
#include <thread>

#include "control_test_support.h"
#include "support/display_required.h"

namespace orvel_test {
namespace {

// A 16 x 16 button at (8, 8); its state pictures in the row below the window: up red, over green, down
// blue, selected yellow, selected-over cyan, selected-down magenta.
const char* const kButtonSkin =
    "<button action=\"minimize\" posx=\"8\" posy=\"8\" width=\"16\" height=\"16\" upx=\"0\" upy=\"32\""
    " overx=\"16\" overy=\"32\" downx=\"32\" downy=\"32\" selx=\"48\" sely=\"32\" overselx=\"0\" "
    "oversely=\"48\""
    " downselx=\"16\" downsely=\"48\"/>";

SkinPicture buttonPicture() {
  SkinPicture p(64, 64);
  p.fill(0, 32, 16, 16, 255, 0, 0);
  p.fill(16, 32, 16, 16, 0, 255, 0);
  p.fill(32, 32, 16, 16, 0, 0, 255);
  p.fill(48, 32, 16, 16, 255, 255, 0);
  p.fill(0, 48, 16, 16, 0, 255, 255);
  p.fill(16, 48, 16, 16, 255, 0, 255);
  return p;
}

class Buttons : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    loadSkin(kButtonSkin, buttonPicture(), 64, 32);
    button = control<ZRNodeButton>("minimize");
    ASSERT_NE(button, nullptr);
    bindRecorders(button);
  }
  ZRNodeButton* button = nullptr;
};

struct ButtonCase {
  const char* name;
  bool switchMode;
  std::function<void(Buttons&, ZRNodeButton*)> events;
  std::vector<std::pair<int, int>> calls;  // (slot, value)
};

TEST_F(Buttons, EventsCallTheirSlotsWithTheSwitchedState) {
  using B = Buttons;
  const std::vector<ButtonCase> cases = {
      {"push click", false, [](B& t, ZRNodeButton*) { t.click(16, 16); }, {{0, 0}, {1, 0}}},
      {"switch click toggles before press",
       true,
       [](B& t, ZRNodeButton*) { t.click(16, 16); },
       {{0, 1}, {1, 1}}},
      {"switch clicked twice",
       true,
       [](B& t, ZRNodeButton*) {
         t.click(16, 16);
         SlotLog::get().clear();
         t.click(16, 16);
       },
       {{0, 0}, {1, 0}}},
      {"right click toggles a switch before right press",
       true,
       [](B& t, ZRNodeButton*) { t.click(16, 16, ZRButtonRight); },
       {{2, 1}, {3, 1}}},
      {"middle button calls nothing",
       false,
       [](B& t, ZRNodeButton*) { t.click(16, 16, ZRButtonMiddle); },
       {}},
      {"note on presses and toggles",
       true,
       [](B&, ZRNodeButton* b) { ControlTest::midi(b, 144, 60, 100); },
       {{0, 1}}},
      {"note on with velocity 0 releases",
       true,
       [](B&, ZRNodeButton* b) { ControlTest::midi(b, 144, 60, 0); },
       {{1, 0}}},
      {"note off releases", false, [](B&, ZRNodeButton* b) { ControlTest::midi(b, 128, 60, 64); }, {{1, 0}}},
      {"control change presses and releases without toggling",
       true,
       [](B&, ZRNodeButton* b) { ControlTest::midi(b, 176, 7, 127); },
       {{0, 0}, {1, 0}}},
      {"pitch bend does nothing", true, [](B&, ZRNodeButton* b) { ControlTest::midi(b, 224, 0, 64); }, {}},
      {"shortcut toggles, presses and releases",
       true,
       [](B&, ZRNodeButton* b) { b->runKBShortcut(0); },
       {{0, 1}, {1, 1}}},
      {"switched with notify calls press and release",
       true,
       [](B&, ZRNodeButton* b) { b->setSwitched(true, true); },
       {{0, 1}, {1, 1}}},
      {"a shown push button stays off and calls nothing",
       false,
       [](B&, ZRNodeButton* b) { b->setSwitched(true, true); },
       {}},
  };
  for (const ButtonCase& c : cases) {
    SCOPED_TRACE(c.name);
    button->setSwitchMode(c.switchMode);
    SlotLog::get().clear();
    c.events(*this, button);
    EXPECT_EQ(SlotLog::get().slotsAndValues(), c.calls);
    for (const SlotCall& call : SlotLog::get().calls()) {
      EXPECT_EQ(call.node, button);
      EXPECT_EQ(call.deck, -1);
    }
  }
}

TEST_F(Buttons, EventResultsAndTheDisabledButton) {
  EXPECT_TRUE(button->executeAction(ZRNodeEventPress, 0, 1, 1, ZRButtonMiddle, -1, 0, -1, -1, -1, L' ', -1));
  EXPECT_TRUE(button->executeAction(ZRNodeEventMove, 0, 1, 1, ZRButtonNone, -1, 0, -1, -1, -1, L' ', -1));
  EXPECT_FALSE(button->executeAction(ZRNodeEventWheel, 10, 1, 1, ZRButtonNone, -1, 0, -1, -1, -1, L' ', -1));
  EXPECT_FALSE(button->executeAction(ZRNodeEventKey, 0, 0, 0, ZRButtonNone, 65, 0, -1, -1, -1, L' ', -1));
  EXPECT_FALSE(button->executeAction(ZRNodeEventFocusGained, 0, 0, 0, 0, -1, 0, -1, -1, -1, L' ', -1));
  EXPECT_TRUE(ControlTest::midi(button, 999, 1, 1));

  button->enable(0, false);
  SlotLog::get().clear();
  EXPECT_FALSE(button->executeAction(ZRNodeEventPress, 0, 1, 1, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1));
  EXPECT_FALSE(ControlTest::midi(button, 144, 60, 100));
  EXPECT_FALSE(button->runKBShortcut(0));
  EXPECT_TRUE(SlotLog::get().calls().empty());
}

TEST_F(Buttons, QuickSecondPressesArePressesUnlessDetectionIsOn) {
  click(16, 16);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  click(16, 16);
  EXPECT_EQ(SlotLog::get().slotsAndValues(),
            (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {0, 0}, {1, 0}}));
  button->setDoubleClickAllowed(true);
  SlotLog::get().clear();
  click(16, 16);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  click(16, 16);
  EXPECT_EQ(SlotLog::get().slotsAndValues(),
            (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {4, 0}, {1, 0}}));
}

TEST_F(Buttons, SwitchedStateRules) {
  // A hidden push button keeps what it is given.
  button->show(0, false);
  button->setSwitched(true, false);
  EXPECT_TRUE(button->getSwitched());
  button->show(1, false);
  EXPECT_FALSE(button->getSwitched());
  // Switch mode clears the state.
  button->setSwitchMode(true);
  EXPECT_FALSE(button->getSwitched());
  button->setSwitched(true, false);
  EXPECT_TRUE(button->getSwitched());
  button->setSwitchMode(true);
  EXPECT_FALSE(button->getSwitched());
  // The same caption again still turns the label on.
  EXPECT_FALSE(button->isLabelShown());
  button->setCaption(ZRString());
  EXPECT_TRUE(button->isLabelShown());
}

TEST_F(Buttons, StatePictures) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  auto colourNow = [&] {
    frame();
    return at(16, 16);
  };
  EXPECT_EQ(colourNow(), kRed);
  move(16, 16);
  EXPECT_EQ(colourNow(), kGreen);
  press(16, 16);
  EXPECT_EQ(colourNow(), kBlue);
  release(16, 16);
  move(40, 20);  // away: the push button is up again
  EXPECT_EQ(colourNow(), kRed);
  EXPECT_EQ(at(40, 20), kBlack);

  button->setSwitchMode(true);
  button->setSwitched(true, false);
  EXPECT_EQ(colourNow(), kYellow);
  move(16, 16);
  EXPECT_EQ(colourNow(), kCyan);
  // A press toggles it off: the switched-off pressed picture.
  press(16, 16);
  EXPECT_EQ(colourNow(), kBlue);
  release(16, 16);
  EXPECT_FALSE(button->getSwitched());
  press(16, 16);  // on again, held
  EXPECT_EQ(colourNow(), kMagenta);
  release(16, 16);
  move(40, 20);
  // Mouse-over forced by the GUI tick.
  button->setMouseOverBlocked(true);
  EXPECT_EQ(colourNow(), kCyan);
}

TEST_F(Buttons, CaptionColoursFollowTheState) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  loadSkin(
      "<button action=\"minimize\" posx=\"0\" posy=\"0\" width=\"48\" height=\"32\" upx=\"0\" upy=\"32\""
      " showlabel=\"yes\" caption=\"WWW\" fontsize=\"20\" fontstyle=\"bold\" backcolor=\"#000080\""
      " fontcolor=\"#FF0000\" fontcolorpressed=\"#00FF00\"/>",
      buttonPicture(), 64, 32);
  auto count = [&](const Rgb& colour) {
    int n = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 48; ++x) n += near(at(x, y), colour, 40) ? 1 : 0;
    return n;
  };
  frame();
  EXPECT_EQ(at(1, 1), (Rgb{0, 0, 128}));  // the caption's background covers the picture
  EXPECT_GT(count(kRed), 10);
  EXPECT_EQ(count(kGreen), 0);
  press(20, 16);
  frame();
  EXPECT_GT(count(kGreen), 10);
  EXPECT_EQ(count(kRed), 0);
  release(20, 16);
  frame();
  EXPECT_GT(count(kRed), 10);
  // A switch turned on by MIDI (no mouse event marks the caption) shows its switched colour at once.
  loadSkin(
      "<button action=\"minimize\" posx=\"0\" posy=\"0\" width=\"48\" height=\"32\" upx=\"0\" upy=\"32\""
      " showlabel=\"yes\" caption=\"WWW\" fontsize=\"20\" fontstyle=\"bold\" isswitch=\"yes\""
      " fontcolor=\"#FF0000\" fontcolorswitched=\"#00FF00\"/>",
      buttonPicture(), 64, 32);
  frame();
  EXPECT_GT(count(kRed), 10);
  ControlTest::midi(button, 144, 60, 100);
  frame();
  EXPECT_GT(count(kGreen), 10);
  EXPECT_EQ(count(kRed), 0);
  // A new caption is drawn at the next frame.
  button->setCaption(ZRString(""));
  frame();
  EXPECT_EQ(count(kRed), 0);
}

}  // namespace
}  // namespace orvel_test
