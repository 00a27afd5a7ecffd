// Text labels and the hint bubble: label clicks, caption layout (alignment, multiline, scrolling of a
// too-wide caption and the extra round a click grants), and the bubble's size, timer and swallowed clicks.

#include "gui_nodes/zr_node_text.h"

#include <cmath>

#include "control_test_support.h"
#include "gui/zr_draw_context.h"
#include "gui_nodes/zr_node_hint.h"
#include "support/display_required.h"

namespace orvel_test {
namespace {

SkinPicture redPicture() {
  SkinPicture p(256, 64);
  p.fill(0, 0, 256, 64, 255, 0, 0);
  return p;
}

class TextLabels : public ControlTest {
 protected:
  void loadLabel(const std::string& attributes) {
    loadSkin("<textarea action=\"time\" posx=\"0\" posy=\"0\" " + attributes + "/>", SkinPicture(256, 64),
             256, 64);
    label = control<ZRNodeText>("time");
    bindRecorders(label);
  }
  // Frames of dt until seconds have passed.
  void run(double seconds, double dt = 0.02) {
    for (double t = 0; t < seconds - 1e-9; t += dt) frame(dt);
  }
  ZRNodeText* label = nullptr;
};

TEST_F(TextLabels, ClicksCallTheirSlotsWithMinusOne) {
  loadLabel("width=\"100\" height=\"20\"");
  click(10, 10);
  click(10, 10, ZRButtonRight);
  click(10, 10, ZRButtonMiddle);
  EXPECT_EQ(SlotLog::get().slotsAndValues(),
            (std::vector<std::pair<int, int>>{{0, -1}, {1, -1}, {2, -1}, {3, -1}}));
  EXPECT_TRUE(label->executeAction(ZRNodeEventMove, 0, 1, 1, ZRButtonNone, -1, 0, -1, -1, -1, L' ', -1));
  EXPECT_FALSE(label->executeAction(ZRNodeEventKey, 0, 0, 0, ZRButtonNone, 65, 0, -1, -1, -1, L' ', -1));
  EXPECT_FALSE(ControlTest::midi(label, 144, 1, 1));
}

TEST_F(TextLabels, CaptionsAreAlignedInTheirNode) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  loadLabel(
      "width=\"200\" height=\"40\" caption=\"AAAA\" backcolor=\"#0000FF\" fontcolor=\"#FFFFFF\""
      " fontalign=\"right\"");
  frame();
  float tw = 0, th = 0;
  ZRDrawContext::measureTextStatic(ZRString("AAAA"), ZRString("Arial"), 12, textStyleInvalid, tw, th, 1);
  const int textW = static_cast<int>(std::ceil(tw)), textH = static_cast<int>(std::ceil(th));
  const int top = (40 - textH) / 2;
  // The text box sits at the right edge, centred vertically; left of it the window shows through.
  EXPECT_EQ(at(200 - textW - 3, 20), kBlack);
  EXPECT_EQ(at(199, top + textH - 1), kBlue);
  EXPECT_EQ(at(199, 2), kBlack);
  EXPECT_FLOAT_EQ(label->intrinsicWidth, static_cast<float>(textW));

  // A new caption replaces it at the next frame; a multiline label fills its whole node.
  loadLabel("width=\"60\" height=\"40\" caption=\"AA AA AA AA\" multiline=\"yes\" backcolor=\"#00FF00\"");
  frame();
  EXPECT_EQ(at(58, 38), kGreen);
  EXPECT_EQ(at(61, 38), kBlack);
  EXPECT_FALSE(label->isScrolling());
}

TEST_F(TextLabels, TooWideCaptionsScrollTwiceAndAClickGrantsOneMoreRound) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  loadLabel("width=\"60\" height=\"20\" caption=\"A caption much wider than its label\"");
  frame(0);
  ASSERT_TRUE(label->isScrolling());
  const float excess = label->getTextWidth() - 60;
  ASSERT_GT(excess, 20);
  // Out at 50 points per second.
  run(0.2);
  EXPECT_NEAR(label->getScrollOffset(), 10, 1.01);
  run(excess / 50.0 - 0.2 + 0.1);
  EXPECT_FLOAT_EQ(label->getScrollOffset(), excess);
  // The pause at the end.
  run(1.0);
  EXPECT_FLOAT_EQ(label->getScrollOffset(), excess);
  run(0.3);
  EXPECT_LT(label->getScrollOffset(), excess);
  // Back home: one pass done; a second round trip, then it stays at the start.
  run(excess / 50.0 + 1.2 + excess / 50.0 + 1.2 + excess / 50.0 + 0.5);
  EXPECT_EQ(label->getScrollPassesDone(), 2);
  EXPECT_FLOAT_EQ(label->getScrollOffset(), 0);
  run(3);
  EXPECT_FLOAT_EQ(label->getScrollOffset(), 0);

  click(10, 10);
  run(0.5);
  EXPECT_GT(label->getScrollOffset(), 5);
  run(excess / 50.0 * 2 + 3);
  EXPECT_EQ(label->getScrollPassesDone(), 2);
  EXPECT_FLOAT_EQ(label->getScrollOffset(), 0);
}

TEST_F(TextLabels, WithoutScrollingTheStartOfTheCaptionShows) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  loadLabel("width=\"60\" height=\"20\" backcolor=\"#0000FF\"");
  label->setAllowScrolling(false);
  label->setCaption(ZRString("A caption much wider than its label"));
  run(1);
  EXPECT_FALSE(label->isScrolling());
  EXPECT_FLOAT_EQ(label->getScrollOffset(), 0);
  // Only the label's own width is drawn.
  EXPECT_EQ(at(59, 1), kBlue);
  EXPECT_EQ(at(61, 1), kBlack);
}

class HintBubble : public ControlTest {};

TEST_F(HintBubble, SizeFromTheTextAndTheFontMargins) {
  manager = std::make_unique<ZRNodeManager>(nullptr, &classes);
  auto* hint = dynamic_cast<ZRNodeHint*>(manager->getHintNode());
  ASSERT_NE(hint, nullptr);
  hint->setHintFontSize(10);
  EXPECT_FLOAT_EQ(hint->getMarginX(), 6);
  EXPECT_FLOAT_EQ(hint->getMarginY(), 4);
  const ZRString text("Play or pause the deck");
  float tw = 0, th = 0;
  ZRDrawContext::measureTextStatic(text, ZRString("Arial"), 10, textStyleInvalid, tw, th, 1);
  hint->x = 30;
  hint->y = 40;
  hint->setHint(text);
  EXPECT_FLOAT_EQ(hint->width, static_cast<float>(lrintf(tw + 12)));
  EXPECT_FLOAT_EQ(hint->height, static_cast<float>(lrintf(th + 8)));
  EXPECT_FLOAT_EQ(hint->x, 30);
  EXPECT_FALSE(hint->shown);
  EXPECT_EQ(hint->zOrder, 1000000);

  // The same text lays nothing out again but restarts the timer.
  hint->width = 5;
  hint->setHint(text);
  EXPECT_FLOAT_EQ(hint->width, 5);
  EXPECT_FLOAT_EQ(hint->getDisplayTimer(), 0);

  for (int code = ZRNodeEventPress; code <= ZRNodeEventMove; ++code)
    EXPECT_TRUE(hint->executeAction(code, 0, 1, 1, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1));
  EXPECT_FALSE(hint->executeAction(ZRNodeEventKey, 0, 0, 0, ZRButtonNone, 65, 0, -1, -1, -1, L' ', -1));
}

TEST_F(HintBubble, ShownOverTheNodeUnderThePointerAndGoneAfterThreeSeconds) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  loadSkin(
      "<button action=\"minimize\" posx=\"0\" posy=\"0\" width=\"40\" height=\"20\" upx=\"0\" upy=\"0\""
      " hint=\"Minimise the window\"/>",
      redPicture(), 256, 64);
  ZRNodeHintBase* hint = manager->getHintNode();
  frame();
  EXPECT_EQ(at(100, 40), kRed);
  move(10, 10);
  ASSERT_TRUE(hint->shown);
  frame(0.1);
  const int bx = static_cast<int>(hint->x), by = static_cast<int>(hint->y);
  // Translucent black over red, with a grey border.
  const Rgb inside = at(bx + 3, by + static_cast<int>(hint->height) - 2);
  EXPECT_LT(inside[0], 120);
  EXPECT_GT(inside[0], 40);
  for (int i = 0; i < 160; ++i) frame(0.02);
  EXPECT_FALSE(hint->shown);
  frame(0.02);
  EXPECT_EQ(at(bx + 3, by + static_cast<int>(hint->height) - 2), kRed);
}

}  // namespace
}  // namespace orvel_test
