// The wheel on the list controls' table views: one notch, as the main window routes it, moves a list a few
// rows, whether the browser tree's rows or the track table's, up from the end or down from the top.

#include <gtest/gtest.h>

#include <cmath>

#include "gui/zr_draw_context.h"
#include "gui/zr_node_events.h"
#include "gui/zr_table_view.h"
#include "gui_nodes/zr_table_node_input.h"
#include "support/recording_texture.h"

namespace {

class PlainRows : public ZRTableViewDelegate {
 public:
  PlainRows(int count, int height) : count_(count), height_(height) {}
  int numberOfRows(ZRTableView*) override { return count_; }
  bool hasFixedRowHeight(ZRTableView*) override { return true; }
  int rowHeight(int, ZRTableView*) override { return height_; }
  void drawRow(ZRTableViewRow*, ZRTableView*) override {}
  void rowClicked(int, float, float, int, ZRTableView*) override {}
  void rowSwiped(int, ZRTableView*) override {}

 private:
  int count_, height_;
};

// The event value of one notch of a vertical wheel: the window gives 3 lines x -25 for a notch up, the
// node manager routes the wheel amount times ten.
constexpr int kNotchUp = -750;

TEST(TableWheel, OneNotchMovesAListAboutThreeRows) {
  orvel_test::RecordingTextures textures;
  struct Case {
    const char* what;
    int rows, rowHeight, displayHeight;
    bool fromTheEnd;
    int value;
  };
  const Case cases[] = {
      // The shipped browser tree: 24-point rows in about 200 points, a dozen lines.
      {"tree, up from the end", 14, 24, 202, true, kNotchUp},
      {"tree, down from the top", 14, 24, 202, false, -kNotchUp},
      // A track table of a thousand tracks, 19-point rows.
      {"tracks, up from the end", 1000, 19, 181, true, kNotchUp},
      {"tracks, down from the top", 1000, 19, 181, false, -kNotchUp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PlainRows rows(c.rows, c.rowHeight);
    ZRTableView view(212, c.displayHeight, &rows, 1);
    view.refreshWholeData(true);
    view.render(0, 0, 1);
    const double end = static_cast<double>(c.rows) * c.rowHeight - c.displayHeight;
    if (c.fromTheEnd) {
      view.makeRowVisible(c.rows - 1);
      view.render(0, 0, 1);
      ASSERT_NEAR(view.getScrollOffsetV(), end, 1);
    }
    const double before = view.getScrollOffsetV();
    ASSERT_TRUE(passEventToTableView(&view, ZRNodeEventWheel, c.value));
    for (int i = 0; i < 10; ++i) view.render(0, 0, 1);  // long frames reach the target
    const double movedRows = (view.getScrollOffsetV() - before) / c.rowHeight;
    EXPECT_NEAR(std::fabs(movedRows), 3, 1) << "moved " << movedRows << " rows";
    EXPECT_EQ(movedRows < 0, c.value < 0);
  }
}

}  // namespace
