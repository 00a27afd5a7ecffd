// The constraint layout: constraint skins with stacks, spacing, distributions, alignments and priorities,
// solved on load and again on resize; contradictory skins; the measuring of containers.

#include "gui/zr_constraints_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>

#include "common/zr_texture.h"
#include "skin_test_support.h"
#include "support/log_capture.h"

using namespace orvel_test;

namespace {

constexpr float kTolerance = 0.01f;

float right(const ZRDrawNode* n) {
  return n->x + n->width;
}
float centreX(const ZRDrawNode* n) {
  return n->x + n->width / 2;
}
float bottom(const ZRDrawNode* n) {
  return n->y + n->height;
}

// Three buttons (A, B, C = minimize, maximize, close) in the window's stack.
std::string threeButtons(int wa, int wb, int wc, int h = 40) {
  auto b = [h](const char* action, int w) {
    return std::string("<button action=\"") + action + "\" width=\"" + std::to_string(w) + "\" height=\"" +
           std::to_string(h) + "\"/>\n";
  };
  return b("minimize", wa) + b("maximize", wb) + b("close", wc);
}

struct LayoutCase {
  const char* name;
  std::string window;   // attributes of the window element (the root's stack)
  std::string content;  // its children
  int width, height;    // the window the skin is loaded at
  std::function<void(ZRNodeManager&, ZRDrawNode* a, ZRDrawNode* b, ZRDrawNode* c)> check;
  int resizeWidth = 0, resizeHeight = 0;  // then re-solved at this size and checked again
};

void PrintTo(const LayoutCase& c, std::ostream* out) {
  *out << c.name;
}

std::vector<LayoutCase> layoutCases() {
  std::vector<LayoutCase> cases;
  cases.push_back({"HorizontalFillWithSpacing", "stack_axis=\"horizontal\" stack_spacing=\"10\"",
                   threeButtons(100, 50, 50), 400, 100,
                   [](ZRNodeManager& m, ZRDrawNode* a, ZRDrawNode* b, ZRDrawNode* c) {
                     ZRDrawNode* root = m.getRootNode();
                     EXPECT_NEAR(a->x, root->x, kTolerance);
                     EXPECT_NEAR(b->x, right(a) + 10, kTolerance);
                     EXPECT_NEAR(c->x, right(b) + 10, kTolerance);
                     EXPECT_NEAR(right(c), right(root), kTolerance);
                     for (ZRDrawNode* n : {a, b, c}) {  // alignment Fill: the stack's height
                       EXPECT_NEAR(n->y, root->y, kTolerance);
                       EXPECT_NEAR(n->height, root->height, kTolerance);
                     }
                   },
                   600, 120});
  cases.push_back({"FillProportionally",
                   "stack_axis=\"Horizontal\" stack_distribution=\"FillProportionally\"",
                   threeButtons(100, 50, 50), 400, 100,
                   [](ZRNodeManager& m, ZRDrawNode* a, ZRDrawNode* b, ZRDrawNode* c) {
                     const float w = m.getRootNode()->width;
                     EXPECT_NEAR(a->width, w / 2, kTolerance);
                     EXPECT_NEAR(b->width, w / 4, kTolerance);
                     EXPECT_NEAR(c->width, w / 4, kTolerance);
                   },
                   800, 100});
  cases.push_back({"FillProportionallyWithoutAFirstSize",
                   "stack_axis=\"Horizontal\" stack_distribution=\"FillProportionally\"",
                   threeButtons(0, 50, 100), 300, 100,
                   [](ZRNodeManager&, ZRDrawNode* a, ZRDrawNode* b, ZRDrawNode* c) {
                     EXPECT_NEAR(a->width, 100, kTolerance);  // nothing to compare with: equal shares
                     EXPECT_NEAR(b->width, 100, kTolerance);
                     EXPECT_NEAR(c->width, 100, kTolerance);
                   }});
  cases.push_back({"FillEqually",
                   "stack_axis=\"Horizontal\" stack_distribution=\"FillEqually\" stack_spacing=\"10\"",
                   threeButtons(100, 50, 50), 400, 100,
                   [](ZRNodeManager& m, ZRDrawNode* a, ZRDrawNode* b, ZRDrawNode* c) {
                     const float each = (m.getRootNode()->width - 20) / 3;
                     for (ZRDrawNode* n : {a, b, c}) EXPECT_NEAR(n->width, each, kTolerance);
                     EXPECT_NEAR(right(c), m.getRootNode()->width, kTolerance);
                   },
                   700, 100});
  cases.push_back({"EqualCentering", "stack_axis=\"Horizontal\" stack_distribution=\"EqualCentering\"",
                   threeButtons(40, 60, 20), 400, 100,
                   [](ZRNodeManager& m, ZRDrawNode* a, ZRDrawNode* b, ZRDrawNode* c) {
                     EXPECT_NEAR(centreX(b) - centreX(a), centreX(c) - centreX(b), kTolerance);
                     EXPECT_NEAR(a->x, 0, kTolerance);
                     EXPECT_NEAR(right(c), m.getRootNode()->width, kTolerance);
                     EXPECT_GE(b->x + kTolerance, right(a));
                     EXPECT_GE(c->x + kTolerance, right(b));
                   },
                   500, 100});
  cases.push_back({"EqualSpacing", "stack_axis=\"Horizontal\" stack_distribution=\"EqualSpacing\"",
                   threeButtons(40, 60, 20), 400, 100,
                   [](ZRNodeManager&, ZRDrawNode* a, ZRDrawNode* b, ZRDrawNode* c) {
                     EXPECT_NEAR(b->x - right(a), c->x - right(b), kTolerance);
                     EXPECT_GE(b->x + kTolerance, right(a));
                   },
                   500, 100});
  cases.push_back({"VerticalCentred",
                   "stack_axis=\"Vertical\" stack_alignment=\"Center\" stack_spacing=\"5\"",
                   threeButtons(100, 50, 20, 30), 300, 200,
                   [](ZRNodeManager& m, ZRDrawNode* a, ZRDrawNode* b, ZRDrawNode* c) {
                     const float middle = m.getRootNode()->width / 2;
                     for (ZRDrawNode* n : {a, b, c}) EXPECT_NEAR(centreX(n), middle, kTolerance);
                     EXPECT_NEAR(b->y, bottom(a) + 5, kTolerance);
                     EXPECT_NEAR(bottom(c), m.getRootNode()->height, kTolerance);
                     EXPECT_NEAR(b->width, 50, kTolerance);  // hugging keeps the skin's width
                   },
                   400, 300});
  // Alignment Top adds nothing across a vertical stack: a skin constraint places A freely.
  cases.push_back({"VerticalTopAddsNothingAcross", "stack_axis=\"Vertical\" stack_alignment=\"Top\"",
                   threeButtons(100, 50, 20) +
                       "<constraint action1=\"minimize\" attr1=\"leading\" relation=\"eq\" constant=\"70\"/>",
                   300, 200, [](ZRNodeManager&, ZRDrawNode* a, ZRDrawNode*, ZRDrawNode*) {
                     EXPECT_NEAR(a->x, 70, kTolerance);
                   }});
  // A skin constraint is required whatever its priority says; relations read case-insensitively.
  cases.push_back({"SkinConstraintsAreRequired", "stack_axis=\"Horizontal\" stack_alignment=\"Top\"",
                   threeButtons(50, 100, 50) +
                       "<constraint action1=\"maximize\" attr1=\"Width\" relation=\"GT\" constant=\"250\" "
                       "priority=\"500\"/>\n"
                       "<constraint action1=\"close\" attr1=\"Height\" relation=\"le\" action2=\"minimize\" "
                       "attr2=\"height\" multiplier=\"0.5\"/>\n"
                       "<constraint action1=\"minimize\" attr1=\"nonsense\" constant=\"999\"/>",
                   400, 100, [](ZRNodeManager& m, ZRDrawNode* a, ZRDrawNode* b, ZRDrawNode* c) {
                     EXPECT_GE(b->width + kTolerance, 250);
                     EXPECT_LE(c->height, a->height * 0.5f + kTolerance);
                     EXPECT_NEAR(right(c), m.getRootNode()->width, kTolerance);
                   }});
  // Hidden children take no place.
  cases.push_back(
      {"HiddenChildrenTakeNoPlace", "stack_axis=\"Horizontal\" stack_distribution=\"FillEqually\"",
       "<button action=\"insert\" hidden=\"yes\" width=\"500\" height=\"10\"/>\n" + threeButtons(10, 10, 10) +
           "<button action=\"remove\" hidden=\"yes\" width=\"5\" height=\"5\"/>",
       300, 100, [](ZRNodeManager& m, ZRDrawNode* a, ZRDrawNode*, ZRDrawNode* c) {
         EXPECT_NEAR(a->x, 0, kTolerance);
         EXPECT_NEAR(a->width, 100, kTolerance);
         EXPECT_NEAR(right(c), m.getRootNode()->width, kTolerance);
       }});
  // Nested stacks: a vertical stack of two rows; relative children are placed inside their row.
  cases.push_back({"NestedStacksAndRelativeChildren", "stack_axis=\"Vertical\"",
                   "<group action=\"_row1\" height=\"40\" stack_axis=\"Horizontal\">" +
                       threeButtons(50, 50, 50) +
                       "</group>\n<group action=\"_row2\" height=\"60\" stack_axis=\"Horizontal\">"
                       "<button action=\"insert\" isrelative=\"yes\" width=\"30\" height=\"30\"/></group>",
                   300, 200,
                   [](ZRNodeManager& m, ZRDrawNode* a, ZRDrawNode*, ZRDrawNode* c) {
                     ZRDrawNode* row1 = m.getNode("_row1", -2);
                     ZRDrawNode* row2 = m.getNode("_row2", -2);
                     ZRDrawNode* inserted = m.getNode("insert", -1);
                     EXPECT_NEAR(row2->y, bottom(row1), kTolerance);
                     EXPECT_NEAR(bottom(row2), m.getRootNode()->height, kTolerance);
                     EXPECT_NEAR(a->y, row1->y, kTolerance);
                     EXPECT_NEAR(right(c), m.getRootNode()->width, kTolerance);
                     // Relative: its own position is inside the row, its absolute one is the row's.
                     float ax, ay;
                     inserted->getAbsolutePosition(ax, ay);
                     EXPECT_NEAR(ax, row2->x, kTolerance);
                     EXPECT_NEAR(ay, row2->y, kTolerance);
                     EXPECT_NEAR(inserted->y, 0, kTolerance);
                   },
                   500, 400});
  return cases;
}

class ConstraintLayout : public ::testing::TestWithParam<LayoutCase> {
 protected:
  void SetUp() override { ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL); }
  RecordingClasses classes;
};

TEST_P(ConstraintLayout, SolvedOnLoadAndOnResize) {
  const LayoutCase& c = GetParam();
  SkinFiles skin;
  skin.writeParts(8, {8});
  skin.writeXml(skinXml("useconstraints=\"yes\" screenwidth=\"" + std::to_string(c.width) +
                            "\" screenheight=\"" + std::to_string(c.height) + "\"",
                        c.content, "action=\"main\" " + c.window));
  ZRNodeManager manager(nullptr, &classes);
  LogCapture log(true);
  ASSERT_TRUE(manager.loadSkin(ZRString(skin.xml()), ZRString(skin.image()), c.width, c.height, 1));
  EXPECT_FALSE(log.contains("left out")) << log.joined();
  ZRDrawNode* root = manager.getRootNode();
  EXPECT_NEAR(root->width, c.width, kTolerance);
  EXPECT_NEAR(root->height, c.height, kTolerance);
  ZRDrawNode* a = manager.getNode("minimize", -1);
  ZRDrawNode* b = manager.getNode("maximize", -1);
  ZRDrawNode* cc = manager.getNode("close", -1);
  c.check(manager, a, b, cc);
  if (c.resizeWidth > 0) {
    SCOPED_TRACE("after the resize");
    manager.setNewWindowSize(c.resizeWidth, c.resizeHeight);
    EXPECT_NEAR(root->width, c.resizeWidth, kTolerance);
    EXPECT_NEAR(root->height, c.resizeHeight, kTolerance);
    c.check(manager, a, b, cc);
  }
}

INSTANTIATE_TEST_SUITE_P(Skins, ConstraintLayout, ::testing::ValuesIn(layoutCases()),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(ConstraintLayoutRules, StrengthOfPriorities) {
  EXPECT_EQ(ZRConstraintsLayout::strengthForPriority(10000), cassowary::strength::required);
  EXPECT_EQ(ZRConstraintsLayout::strengthForPriority(1000), cassowary::strength::strong);
  EXPECT_EQ(ZRConstraintsLayout::strengthForPriority(9999), 9999.0 * 9999.0);
  EXPECT_EQ(ZRConstraintsLayout::strengthForPriority(10), 100);
  EXPECT_EQ(ZRConstraintsLayout::strengthForPriority(1), cassowary::strength::weak);
}

TEST(ConstraintLayoutRules, ContainersMeasureTheirShownChildren) {
  ZRDrawNode box(nullptr, nullptr, 1, 1, -1, -1), tall(nullptr, &box, 1, 2, -1, -1),
      short_(nullptr, &box, 1, 3, -1, -1), hidden(nullptr, &box, 1, 4, -1, -1);
  tall.shown = short_.shown = 1;
  tall.intrinsicWidth = 30;
  tall.intrinsicHeight = 60;
  short_.intrinsicWidth = 50;
  short_.intrinsicHeight = 40;
  hidden.intrinsicWidth = hidden.intrinsicHeight = 1000;
  ZRConstraintsLayout layout;
  layout.measureLayout(&box);  // not a stack: stacked vertically
  EXPECT_EQ(box.intrinsicWidth, 50);
  EXPECT_EQ(box.intrinsicHeight, 100);
  box.stackAxis = ZRAxisHorizontal;
  box.stackSpacing = 5;
  layout.measureLayout(&box);
  EXPECT_EQ(box.intrinsicWidth, 85);
  EXPECT_EQ(box.intrinsicHeight, 60);
  tall.shown = short_.shown = 0;
  layout.measureLayout(&box);
  EXPECT_EQ(box.intrinsicWidth, 0);
  EXPECT_EQ(box.intrinsicHeight, 0);
}

class ConstraintSkins : public ::testing::Test {
 protected:
  void SetUp() override { ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL); }
  bool load(ZRNodeManager& manager, const std::string& window, const std::string& content, int w, int h) {
    skin.writeParts(8, {8});
    skin.writeXml(skinXml("useconstraints=\"yes\" screenwidth=\"" + std::to_string(w) + "\" screenheight=\"" +
                              std::to_string(h) + "\"",
                          content, "action=\"main\" " + window));
    return manager.loadSkin(ZRString(skin.xml()), ZRString(skin.image()), w, h, 1);
  }
  RecordingClasses classes;
  SkinFiles skin;
};

TEST_F(ConstraintSkins, ContradictionsAreReportedAndTheSkinLoads) {
  ZRNodeManager manager(nullptr, &classes);
  LogCapture log(true);
  ASSERT_TRUE(load(manager, "stack_axis=\"Horizontal\"",
                   threeButtons(50, 50, 50) +
                       "<constraint action1=\"minimize\" attr1=\"Width\" constant=\"10\"/>\n"
                       "<constraint action1=\"minimize\" attr1=\"Width\" constant=\"20\"/>",
                   300, 100));
  EXPECT_EQ(log.count("left out"), 2);  // the second width, and the summary
  EXPECT_TRUE(log.contains("contradict"));
  EXPECT_NEAR(manager.getNode("minimize", -1)->width, 10, kTolerance);
  EXPECT_NEAR(right(manager.getNode("close", -1)), 300, kTolerance);
}

TEST_F(ConstraintSkins, WindowBelowTheSkinsMinimumKeepsTheMinimum) {
  ZRNodeManager manager(nullptr, &classes);
  ASSERT_TRUE(
      load(manager, "stack_axis=\"Horizontal\" stack_spacing=\"10\"", threeButtons(100, 50, 50), 400, 100));
  manager.setNewWindowSize(100, 20);  // the controls resist compression more strongly than the window pulls
  int w = 0, h = 0;
  manager.getOptimalWindowSize(w, h);
  EXPECT_EQ(w, 220);
  EXPECT_EQ(h, 40);
  EXPECT_NEAR(manager.getNode("minimize", -1)->width, 100, kTolerance);
  // The mouse scale is not the layout's business.
  EXPECT_EQ(manager.mouseScaleX, 1);
}

TEST_F(ConstraintSkins, NodeShownAfterTheBuildKeepsItsPlace) {
  ZRNodeManager manager(nullptr, &classes);
  ASSERT_TRUE(
      load(manager, "stack_axis=\"Horizontal\"",
           threeButtons(50, 50, 50) +
               "<button action=\"insert\" hidden=\"yes\" posx=\"7\" posy=\"8\" width=\"9\" height=\"9\"/>",
           300, 100));
  ZRDrawNode* late = manager.getNode("insert", -1);
  late->show(1, false);
  manager.setNewWindowSize(400, 100);
  EXPECT_EQ(late->x, 7);
  EXPECT_EQ(late->width, 9);
  EXPECT_NEAR(right(manager.getNode("close", -1)), 400, kTolerance);
}

TEST_F(ConstraintSkins, WindowElementSetsTheRootsFirstSize) {
  ZRNodeManager manager(nullptr, &classes);
  // The window's own size is the root's until the main window gives it its client size.
  ASSERT_TRUE(load(manager, "stack_axis=\"Vertical\" width=\"120\" height=\"80\" hint=\"the window\"",
                   threeButtons(20, 20, 20, 10), 300, 100));
  EXPECT_EQ(manager.getRootNode()->getHintText(), ZRString("the window"));
  EXPECT_NEAR(manager.getRootNode()->width, 120, kTolerance);
  EXPECT_NEAR(bottom(manager.getNode("close", -1)), 80, kTolerance);
  manager.setNewWindowSize(300, 100);
  EXPECT_NEAR(bottom(manager.getNode("close", -1)), 100, kTolerance);
}

}  // namespace
