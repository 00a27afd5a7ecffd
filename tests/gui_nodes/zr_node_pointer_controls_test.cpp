// The crossfader curve editor, the two-axis pad and the cell grid: pointer events to slot calls and
// positions, their bounds (a pad without room, grids larger than their cells), and their drawing.

#include "control_test_support.h"
#include "gui/skin_engine_hooks.h"
#include "gui_nodes/zr_node_cf_curve.h"
#include "gui_nodes/zr_node_grid.h"
#include "gui_nodes/zr_node_xy_pad.h"
#include "support/display_required.h"
#include "support/log_capture.h"

namespace orvel_test {
namespace {

using Calls = std::vector<std::pair<int, int>>;

class CurveEditor : public ControlTest {
 public:
  void SetUp() override {
    ControlTest::SetUp();
    loadSkin(
        "<cfcurve action=\"cfcurve\" posx=\"0\" posy=\"0\" width=\"200\" height=\"100\" upx=\"0\" upy=\"100\""
        " leftcolor=\"#FF0000\" rightcolor=\"#00FF00\" linewidth=\"3\"/>",
        SkinPicture(200, 200), 200, 100);
    curve = control<ZRNodeCFCurve>("cfcurve");
    bindRecorders(curve);
  }
  ZRNodeCFCurve* curve = nullptr;
};

TEST_F(CurveEditor, DragsMoveTheNearestMovablePointWithinReach) {
  LogCapture log;
  // On a fixed point (the left curve's start): nothing within (200 + 100) / 20 = 15 points is movable.
  click(0, 0);
  int list = 0, index = 0;
  curve->getSelected(list, index);
  EXPECT_EQ(list, -1);
  EXPECT_TRUE(SlotLog::get().calls().empty());

  // Near the left curve's second point (0.4, 0): selected, dragged beyond the node's corner.
  press(83, 4);
  curve->getSelected(list, index);
  EXPECT_EQ(list, 0);
  EXPECT_EQ(index, 1);
  EXPECT_TRUE(log.contains("selectedPoint=0, selectedPointList=0, bestDistance=5.0"));
  move(-400, -300);
  release(-400, -300);
  EXPECT_EQ(SlotLog::get().slotsAndValues(), (Calls{{0, 1}}));
  const std::vector<TCFCurvePoint> left = curve->getCurve(0);
  EXPECT_FLOAT_EQ(left[1].x, 0);
  EXPECT_FLOAT_EQ(left[1].y, 0);
  curve->getSelected(list, index);
  EXPECT_EQ(list, -1);

  // The right curve's third point (0.6, 0) moved 20 points right and 50 down; the order stays.
  SlotLog::get().clear();
  press(120, 0);
  move(140, 50);
  release(140, 50);
  const std::vector<TCFCurvePoint> right = curve->getCurve(1);
  EXPECT_FLOAT_EQ(right[2].x, 0.7f);
  EXPECT_FLOAT_EQ(right[2].y, 0.5f);
  EXPECT_TRUE(right[3].fixed);
  EXPECT_EQ(SlotLog::get().slotsAndValues(), (Calls{{0, 1}}));

  // A press and release without movement reports nothing.
  SlotLog::get().clear();
  click(140, 50);
  EXPECT_TRUE(SlotLog::get().calls().empty());
}

TEST_F(CurveEditor, BothCurvesDrawn) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  frame();
  // The left curve runs along the top to 0.4, the right one along the bottom to 0.1.
  EXPECT_TRUE(near(at(40, 3), kRed, 60));
  EXPECT_TRUE(near(at(12, 96), kGreen, 60));
  EXPECT_EQ(at(100, 50), kBlack);
  press(80, 2);
  move(80, 52);
  release(80, 52);
  frame();
  EXPECT_TRUE(near(at(79, 49), kRed, 80));
}

class Pads : public ControlTest {
 public:
  void loadPad(const std::string& attributes) {
    SkinPicture p(200, 260);
    p.fill(0, 100, 200, 100, 255, 0, 0);   // background red
    p.fill(0, 200, 200, 100, 0, 255, 0);   // over: green
    p.fill(0, 240, 20, 20, 255, 255, 0);   // cursor yellow
    p.fill(20, 240, 20, 20, 0, 255, 255);  // cursor over cyan
    loadSkin(
        "<xypad action=\"deck_padfx\" deck=\"0\" posx=\"0\" posy=\"0\" width=\"200\" height=\"100\" upx=\"0\""
        " upy=\"100\" overx=\"0\" overy=\"200\" cursorupx=\"0\" cursorupy=\"240\" cursoroverx=\"20\""
        " cursorovery=\"240\" " +
            attributes + "/>",
        p, 200, 100);
    pad = control<ZRNodeXYPad>("deck_padfx", 0);
    for (int slot = 0; slot < ZRNodeXYPad::SlotCount; ++slot) {
      static const ZRPointerActionCallback kRecorders[] = {recordPointer<0>, recordPointer<1>,
                                                           recordPointer<2>};
      pad->setPointerSlot(slot, kRecorders[slot]);
    }
  }
  std::vector<std::vector<int>> calls() const {
    std::vector<std::vector<int>> out;
    for (const SlotCall& c : SlotLog::get().calls()) out.push_back({c.slot - 100, c.value, c.x, c.y});
    return out;
  }
  ZRNodeXYPad* pad = nullptr;
};

TEST_F(Pads, PositionsInThousandths) {
  loadPad("cursorwidth=\"20\" cursorheight=\"20\"");
  move(100, 50);  // no button: nothing
  press(5, 50);
  move(200, 100);
  move(110, 10);
  release(110, 10);
  EXPECT_EQ(calls(), (std::vector<std::vector<int>>{
                         {0, 1, 0, 500}, {2, -1, 1000, 1000}, {2, -1, 556, 0}, {1, 0, 556, 0}}));
  SlotLog::get().clear();
  click(100, 50, ZRButtonRight);
  EXPECT_TRUE(SlotLog::get().calls().empty());

  // A cursor as wide as the pad leaves no room: that axis stays at 0.
  loadPad("cursorwidth=\"200\" cursorheight=\"20\"");
  SlotLog::get().clear();
  click(150, 50);
  EXPECT_EQ(calls(), (std::vector<std::vector<int>>{{0, 1, 0, 500}, {1, 0, 0, 500}}));
}

TEST_F(Pads, CursorFollowsThePointer) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  loadPad("cursorwidth=\"20\" cursorheight=\"20\"");
  frame();
  EXPECT_EQ(at(10, 10), kYellow);  // placed at the top-left by the skin
  EXPECT_EQ(at(100, 50), kRed);
  press(100, 50);
  frame();
  EXPECT_EQ(at(100, 50), kCyan);
  EXPECT_EQ(at(10, 10), kGreen);
  release(100, 50);
  move(300, 300);
  frame();
  EXPECT_EQ(at(100, 50), kYellow);  // the pad keeps its last position
  EXPECT_EQ(at(150, 50), kRed);
}

class Grids : public ControlTest {
 public:
  void loadGrid(const std::string& attributes) {
    SkinPicture p(160, 240);
    p.fill(0, 80, 160, 80, 255, 0, 0);   // normal: red
    p.fill(0, 160, 160, 80, 0, 255, 0);  // selected: green
    p.fill(0, 0, 4, 4, 255, 255, 0);     // a yellow over picture in the window's corner
    loadSkin(
        "<grid action=\"_grid\" posx=\"0\" posy=\"0\" width=\"160\" height=\"80\" upx=\"0\" upy=\"80\""
        " selx=\"0\" sely=\"160\" " +
            attributes + "/>",
        p, 160, 80);
    grid = dynamic_cast<ZRNodeGrid*>(manager->getNode("_grid", -2));
    ASSERT_NE(grid, nullptr);
  }
  ZRNodeGrid* grid = nullptr;
};

TEST_F(Grids, ClicksReportRowAndColumnAndScriptsSetCells) {
  loadGrid("totalrows=\"4\" totalcolumns=\"8\"");
  std::vector<std::string> scriptCalls;
  installCallSkinCallbackHook([&](const std::string& function, int a, int b, int c) {
    scriptCalls.push_back(function + " " + std::to_string(a) + " " + std::to_string(b) + " " +
                          std::to_string(c));
    return true;
  });
  click(45, 25);
  installCallSkinCallbackHook(nullptr);
  // The skin's "oncellclick" function gets (column, row, -1).
  EXPECT_EQ(scriptCalls, (std::vector<std::string>{"_grid_oncellclick 2 1 -1"}));
  EXPECT_FALSE(grid->getCell(1, 2));  // a click does not switch the cell

  bindRecorders(grid);
  click(45, 25);
  ASSERT_EQ(SlotLog::get().calls().size(), 2u);
  EXPECT_EQ(SlotLog::get().calls()[0].value, 1);  // row
  EXPECT_EQ(SlotLog::get().calls()[0].deck, 2);   // column
  EXPECT_EQ(SlotLog::get().calls()[1].slot, 1);
  SlotLog::get().clear();
  grid->setCell(4, 0, true, true);  // outside: ignored
  grid->setCell(0, 8, true, true);
  EXPECT_TRUE(SlotLog::get().calls().empty());
  grid->setCell(3, 7, true, true);
  EXPECT_TRUE(grid->getCell(3, 7));
  grid->clickOnCell(2, 1);
  EXPECT_EQ(SlotLog::get().slotsAndValues(), (Calls{{0, 3}, {0, 2}}));
}

TEST_F(Grids, SizesAreBounded) {
  LogCapture log;
  loadGrid("totalrows=\"0\" totalcolumns=\"40\"");
  EXPECT_EQ(grid->getRows(), 1);
  EXPECT_EQ(grid->getColumns(), ZRNodeGrid::kMaxCells);
  EXPECT_TRUE(log.contains("totalcolumns 40"));
  grid->setCell(0, 31, true, false);
  EXPECT_TRUE(grid->getCell(0, 31));
  grid->setCell(0, 32, true, false);
  EXPECT_FALSE(grid->getCell(0, 32));
}

TEST_F(Grids, CellsHoverAndClickDrawn) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  loadGrid("totalrows=\"4\" totalcolumns=\"8\"");
  grid->setCell(0, 0, true, false);
  frame();
  EXPECT_EQ(at(10, 10), kGreen);
  EXPECT_EQ(at(30, 10), kRed);
  // Without an over picture the hovered cell shows the selected picture.
  move(45, 25);
  frame();
  EXPECT_EQ(at(45, 25), kGreen);
  EXPECT_EQ(at(65, 25), kRed);

  // With one, the over picture marks the hovered and the clicked cell.
  loadGrid(
      "totalrows=\"4\" totalcolumns=\"8\" celloverx=\"0\" cellovery=\"0\" celloverw=\"4\" celloverh=\"4\""
      " celloverspacex=\"16\" celloverspacey=\"16\"");
  move(45, 25);
  frame();
  EXPECT_EQ(at(45, 25), kRed);
  EXPECT_EQ(at(41, 21), kYellow);
  click(125, 65);
  move(5, 5);
  frame();
  EXPECT_EQ(at(121, 61), kYellow);
  EXPECT_EQ(at(1, 1), kYellow);
  EXPECT_EQ(at(41, 21), kRed);
}

}  // namespace
}  // namespace orvel_test
