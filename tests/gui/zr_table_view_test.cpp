// The table view: only visible rows are made and drawn, rows are reused when scrolling, clicks and swipes
// are told from drags, the rubber band springs back at a speed that follows time, flings, keeping a row in
// view, artwork delivery and the scroll bars.

#include "gui/zr_table_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "gui/zr_draw_context.h"
#include "support/recording_texture.h"

namespace {

using orvel_test::RecordingTextures;
using orvel_test::textureLog;

class Rows : public ZRTableViewDelegate {
 public:
  int numberOfRows(ZRTableView*) override { return count; }
  bool hasFixedRowHeight(ZRTableView*) override { return heights.empty(); }
  int rowHeight(int row, ZRTableView*) override {
    return heights.empty() ? height : heights[static_cast<size_t>(row)];
  }
  void drawRow(ZRTableViewRow* row, ZRTableView*) override {
    drawn.push_back(row->index);
    row->drawContext->setFillColor(1, 0, 0, 1);
    row->drawContext->drawFilledRectWithSize(0, 0, static_cast<float>(row->width),
                                             static_cast<float>(row->height), 0);
  }
  void rowClicked(int row, float x, float y, int button, ZRTableView*) override {
    clicks.push_back({row, x, y, button});
  }
  void rowSwiped(int row, ZRTableView*) override { swipes.push_back(row); }
  void rowFreed(ZRTableViewRow* row, ZRTableView*) override { freed.push_back(row->index); }

  struct Click {
    int row;
    float x, y;
    int button;
  };
  int count = 0;
  int height = 20;
  std::vector<int> heights;
  std::vector<int> drawn;
  std::vector<Click> clicks;
  std::vector<int> swipes;
  std::vector<int> freed;
};

constexpr float kFrame = 1.0f / 60;

class TableViewTest : public ::testing::Test {
 protected:
  void frames(ZRTableView& view, int n, float dt = kFrame) {
    for (int i = 0; i < n; ++i) view.render(0, 0, dt);
  }
  // A table of count rows, 300 x 100 points, after its first frame.
  std::unique_ptr<ZRTableView> table(int count) {
    rows.count = count;
    auto view = std::make_unique<ZRTableView>(300, 100, &rows, 1);
    view->refreshWholeData(true);
    frames(*view, 1);
    return view;
  }
  RecordingTextures textures;
  Rows rows;
};

TEST_F(TableViewTest, AnEmptyTableCachesAndDrawsNothing) {
  ZRTableView view(200, 100, &rows, 1);
  view.actionEnter();
  frames(view, 30);
  EXPECT_EQ(view.getCachedRowCount(), 0);
  EXPECT_TRUE(rows.drawn.empty());
  EXPECT_TRUE(textureLog().drawsCopy().empty());  // no rows, and both bars hidden
  view.actionScrollH(50);
  frames(view, 1);
  EXPECT_EQ(view.getScrollOffsetH(), 0);
}

TEST_F(TableViewTest, OnlyVisibleRowsOfALongListAreMadeAndDrawn) {
  std::unique_ptr<ZRTableView> table_ = table(10000);
  ZRTableView& view = *table_;
  // 100 points of 20-point rows: rows 0..4.
  EXPECT_EQ(view.getCachedRowCount(), 5);
  EXPECT_EQ(rows.drawn, (std::vector<int>{0, 1, 2, 3, 4}));
  const int madeAtStart = textureLog().made;

  // Scrolling through the whole list keeps the number of rows (and of textures) bounded: rows leaving
  // at the top are reused at the bottom.
  for (int i = 0; i < 2000; ++i) {
    view.actionScrollV(100);
    frames(view, 1, 1.0f);  // a long frame reaches the target at once
  }
  EXPECT_LE(view.getCachedRowCount(), 6);
  EXPECT_LE(textureLog().made - madeAtStart, 6);
  EXPECT_EQ(view.getFirstCachedRow(), 9995);
}

TEST_F(TableViewTest, ScrollingByOneRowDrawsOnlyTheNewRow) {
  std::unique_ptr<ZRTableView> table_ = table(100);
  ZRTableView& view = *table_;
  rows.drawn.clear();
  view.actionScrollV(20);
  frames(view, 1, 1.0f);  // a long frame reaches the target at once; the next frame shows it
  EXPECT_EQ(view.getScrollOffsetV(), 20);
  frames(view, 1);
  EXPECT_EQ(rows.drawn, (std::vector<int>{5}));
  EXPECT_EQ(rows.freed, (std::vector<int>{0}));
  view.actionScrollV(-20);
  frames(view, 2, 1.0f);
  EXPECT_EQ(rows.drawn, (std::vector<int>{5, 0}));
}

TEST_F(TableViewTest, ClicksAndSwipesAreToldFromDrags) {
  std::unique_ptr<ZRTableView> table_ = table(10);
  ZRTableView& view = *table_;

  struct Gesture {
    float dx, dy;
    bool click, swipe;
  };
  const Gesture gestures[] = {
      {0, 0, true, false},  {1, 1, true, false},   {2, 1, false, false},
      {70, 5, false, true}, {70, 8, false, false}, {-70, 7, false, true},
  };
  for (const Gesture& g : gestures) {
    SCOPED_TRACE(testing::Message() << g.dx << "," << g.dy);
    rows.clicks.clear();
    rows.swipes.clear();
    view.actionPress(100, 45, 0);
    if (g.dx != 0 || g.dy != 0) view.actionMove(100 + g.dx, 45 + g.dy);
    view.actionRelease(100 + g.dx, 45, 0);
    view.refreshWholeData(true);
    frames(view, 120);
    EXPECT_EQ(rows.clicks.size(), g.click ? 1u : 0u);
    EXPECT_EQ(rows.swipes.size(), g.swipe ? 1u : 0u);
    if (g.click) {
      EXPECT_EQ(rows.clicks[0].row, 2);
      EXPECT_EQ(rows.clicks[0].y, 5);
    }
  }
}

TEST_F(TableViewTest, TheRubberBandMovesAtHalfSpeedAndSpringsBackByTime) {
  std::unique_ptr<ZRTableView> table_ = table(100);
  ZRTableView& view = *table_;
  view.actionPress(100, 50, 0);
  view.actionMove(100, 60);  // from the start the content follows the pointer
  EXPECT_EQ(view.getScrollOffsetV(), -10);
  view.actionMove(100, 80);  // past the start at half speed
  EXPECT_EQ(view.getScrollOffsetV(), -20);
  frames(view, 6);  // no fling: the last move is more than 0.05 s old
  view.actionRelease(100, 80, 0);
  frames(view, 1);
  EXPECT_EQ(view.getTargetOffsetV(), 0);
  // Each sixtieth of a second closes one eighth of the distance.
  frames(view, 1);
  EXPECT_NEAR(view.getScrollOffsetV(), -20 * 0.875, 1e-6);
  frames(view, 1);
  EXPECT_NEAR(view.getScrollOffsetV(), -20 * 0.875 * 0.875, 1e-6);
  // A frame twice as long closes what two short frames would.
  frames(view, 1, 2 * kFrame);
  EXPECT_NEAR(view.getScrollOffsetV(), -20 * std::pow(0.875, 4), 1e-6);
  frames(view, 60);
  EXPECT_EQ(view.getScrollOffsetV(), 0);
}

TEST_F(TableViewTest, AQuickLastMoveFlings) {
  std::unique_ptr<ZRTableView> table_ = table(1000);
  ZRTableView& view = *table_;
  view.actionPress(100, 80, 0);
  view.actionMove(100, 70);
  view.render(0, 0, 0.01f);
  view.actionMove(100, 60);  // 10 points in 0.01 s
  const double offset = view.getScrollOffsetV();
  view.actionRelease(100, 60, 0);
  EXPECT_NEAR(view.getTargetOffsetV(), offset + 125, 1e-3);

  // Released more than 0.05 s after the last move: no fling.
  view.actionPress(100, 80, 0);
  view.actionMove(100, 70);
  view.render(0, 0, 0.06f);
  const double still = view.getScrollOffsetV();
  view.actionRelease(100, 70, 0);
  EXPECT_DOUBLE_EQ(view.getTargetOffsetV(), still);
}

TEST_F(TableViewTest, MakeRowVisibleScrollsOnlyWhenNeeded) {
  std::unique_ptr<ZRTableView> table_ = table(100);
  ZRTableView& view = *table_;
  view.makeRowVisible(2);  // already visible
  EXPECT_EQ(view.getScrollOffsetV(), 0);
  view.makeRowVisible(10);
  EXPECT_EQ(view.getScrollOffsetV(), 11 * 20 + 1 - 100);
  view.makeRowVisible(3);
  EXPECT_EQ(view.getScrollOffsetV(), 60);
  view.makeRowVisible(100);  // out of range
  EXPECT_EQ(view.getScrollOffsetV(), 60);

  // Variable heights: the row's top or bottom edge is brought to the display's edge.
  rows.heights = std::vector<int>(100, 30);
  rows.heights[50] = 60;
  view.refreshWholeData(true);
  frames(view, 1);
  view.makeRowVisible(50);
  EXPECT_EQ(view.getScrollOffsetV(), 50 * 30 + 60 - 100);
  view.makeRowVisible(1);
  EXPECT_EQ(view.getScrollOffsetV(), 30);
}

TEST_F(TableViewTest, RowsAreFoundUnderThePointerWithVariableHeights) {
  rows.count = 4;
  rows.heights = {10, 30, 20, 40};
  ZRTableView view(300, 100, &rows, 1);
  view.refreshWholeData(true);
  frames(view, 1);
  int row = -2, inRow = -2, offset = 0;
  float fraction = -1;
  view.getRowAtPixelFromDisplay(25, row, inRow, fraction);
  EXPECT_EQ(row, 1);
  EXPECT_EQ(inRow, 15);
  EXPECT_FLOAT_EQ(fraction, 0.5f);
  view.getRowAtPixelFromDisplay(99, row, inRow, fraction);
  EXPECT_EQ(row, 3);
  view.getRowAtPixelFromDisplay(100, row, inRow, fraction);  // outside
  EXPECT_EQ(row, -1);
  view.getRowAtPixelFromAllData(45, row, offset, 0);
  EXPECT_EQ(row, 2);
  EXPECT_EQ(offset, -5);
  view.getRowAtPixelFromAllData(-7, row, offset, 0);
  EXPECT_EQ(row, -1);
  EXPECT_EQ(offset, 7);
  view.getRowAtPixelFromAllData(130, row, offset, 1);
  EXPECT_EQ(row, 3);
  EXPECT_EQ(offset, 30);
  EXPECT_EQ(view.getAllDataDisplayHeight(), 100);
}

TEST_F(TableViewTest, ArtworkReachesOnlyTheRowThatAskedForIt) {
  std::unique_ptr<ZRTableView> table_ = table(3);
  ZRTableView& view = *table_;
  // A key the row does not hold: dropped (the buffer is freed all the same).
  view.updateArtworkForRow(1, ZRString("/b.mp3"), new unsigned char[4 * 4 * 4](), 4, 4, true);
  textureLog().clearDraws();
  frames(view, 1);
  EXPECT_EQ(textureLog().drawsCopy().size(), 3u);  // the three rows, no cover
}

TEST_F(TableViewTest, ScrollBarsShowWhenContentExceedsTheDisplayAndFadeWithThePointer) {
  rows.count = 50;
  ZRTableView view(200, 100, &rows, 1);
  view.changeSize(200, 100, 400, 1);  // content twice as wide
  view.refreshWholeData(true);
  frames(view, 1);
  // Invisible until the pointer enters; then both bars fade in.
  size_t withoutBars = textureLog().drawsCopy().size();
  textureLog().clearDraws();
  view.actionEnter();
  frames(view, 1);
  EXPECT_EQ(textureLog().drawsCopy().size(), withoutBars + 2);
  frames(view, 20);
  textureLog().clearDraws();
  frames(view, 1);
  std::vector<orvel_test::TextureDraw> draws = textureLog().drawsCopy();
  ASSERT_GE(draws.size(), 2u);
  EXPECT_EQ(draws[draws.size() - 2].dstX, 200 - 16);  // the vertical bar at the right edge
  EXPECT_EQ(draws.back().dstY, 100 - 16);             // the horizontal one at the bottom
  EXPECT_EQ(draws.back().alpha, 1.0f);

  // The horizontal wheel moves the wide content at once.
  view.actionScrollH(30);
  frames(view, 1);
  EXPECT_EQ(view.getScrollOffsetH(), 30);

  // Dragging the vertical slider moves the list and the target with it.
  view.actionPress(200 - 8, 5, 0);
  EXPECT_TRUE(view.isVerticalSliderGrabbed());
  view.actionMove(200 - 8, 45);
  frames(view, 1);
  EXPECT_GT(view.getScrollOffsetV(), 0);
  EXPECT_EQ(view.getTargetOffsetV(), view.getScrollOffsetV());
  view.actionRelease(200 - 8, 45, 0);
  EXPECT_FALSE(view.isVerticalSliderGrabbed());

  view.actionLeave();
  frames(view, 30);
  textureLog().clearDraws();
  frames(view, 1);
  EXPECT_EQ(textureLog().drawsCopy().size(), static_cast<size_t>(view.getCachedRowCount()));
}

TEST_F(TableViewTest, DestroyedTexturesComeBackWithTheNextFrame) {
  std::unique_ptr<ZRTableView> table_ = table(10);
  ZRTableView& view = *table_;
  view.destroyTextures();
  EXPECT_EQ(view.getCachedRowCount(), 0);
  EXPECT_EQ(view.getFreeRowCount(), 0);
  rows.drawn.clear();
  frames(view, 1);
  EXPECT_EQ(rows.drawn.size(), 5u);
}

}  // namespace
