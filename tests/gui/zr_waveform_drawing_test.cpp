#include "gui/zr_waveform_drawing.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "draw_test_helpers.h"

namespace {

using orvel_test::pixelAt;

// The first and last row of a column whose alpha reaches threshold ({-1, -1} when none).
std::pair<int, int> columnInk(ZRDrawContext& dc, int x, int threshold = 100) {
  int first = -1, last = -1;
  for (int y = 0; y < dc.getPixelHeight(); ++y) {
    if (pixelAt(dc, x, y).a < threshold) continue;
    if (first < 0) first = y;
    last = y;
  }
  return {first, last};
}

// The same for a row (the first and last column).
std::pair<int, int> rowInk(ZRDrawContext& dc, int y, int threshold = 100) {
  int first = -1, last = -1;
  for (int x = 0; x < dc.getPixelWidth(); ++x) {
    if (pixelAt(dc, x, y).a < threshold) continue;
    if (first < 0) first = x;
    last = x;
  }
  return {first, last};
}

class ScrollingWaveform : public ::testing::Test {
 protected:
  void SetUp() override {
    resetWaveformPrivateData(&d);
    d.width = 40;
    d.height = 20;
    d.zoom = 1;
    d.cursorColumn = 1;
    // Envelope: value k / 8 at index k (mod 8), so a column's amplitude is a whole number of points.
    for (int k = 0; k < 200; ++k) values.push_back(static_cast<float>(k % 8) / 8.0f);
    d.data = values.data();
    d.length = static_cast<int>(values.size());
  }
  // Centred: a value v is a line of half-height amp = v x 8 from 10 - amp - 1 to 10 + amp, moved half a
  // pixel down onto pixel centres: 2 amp + 1 whole pixels (the columns are not smoothed), rows 9 - amp to
  // 9 + amp.
  static std::pair<int, int> centred(int amp) { return {9 - amp, 9 + amp}; }

  ZRWaveformPrivateData d;
  std::vector<float> values;
  ZRDrawContext dc{40, 20, 1.0f};
};

TEST_F(ScrollingWaveform, ColumnsShowTheEnvelopeAroundThePlayPosition) {
  d.position = 100;
  updateWaveformDisplay(&dc, &d);
  // The window starts one cursor column before the play position.
  EXPECT_EQ(d.position, 99);
  EXPECT_DOUBLE_EQ(d.drawnStart, 99.0);
  EXPECT_EQ(d.lastColumn, 39);
  for (int i = 0; i < 40; ++i) {
    const int amp = (99 + i) % 8;
    EXPECT_EQ(columnInk(dc, i), centred(amp)) << "column " << i;
  }
}

TEST_F(ScrollingWaveform, BeforeTheStartAndPastTheEndColumnsAreEmptyLines) {
  d.position = 5;  // window starts at 4 - ... negative indexes for the first columns
  d.cursorColumn = 10;
  updateWaveformDisplay(&dc, &d);
  EXPECT_EQ(d.position, -5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(columnInk(dc, i), centred(0)) << i;
  EXPECT_EQ(columnInk(dc, 5), centred(0));  // index 0 holds value 0
  EXPECT_EQ(columnInk(dc, 6), centred(1));

  dc.clear();
  d.position = 190;
  d.cursorColumn = 1;
  updateWaveformDisplay(&dc, &d);
  // Indexes 189 .. 198 are inside (their next index is below 200); from 199 on every column is empty.
  EXPECT_EQ(columnInk(dc, 9), centred(198 % 8));
  for (int i = 10; i < 40; ++i) EXPECT_EQ(columnInk(dc, i), centred(0)) << i;
}

TEST_F(ScrollingWaveform, BottomAndTopModes) {
  d.position = 100;
  d.mode = 1;
  updateWaveformDisplay(&dc, &d);
  const int amp = (99 + 3) % 8;  // column 3
  EXPECT_EQ(columnInk(dc, 3), std::make_pair(20 - (2 * amp + 1), 19));
  dc.clear();
  d.position = 100;
  d.mode = 2;
  updateWaveformDisplay(&dc, &d);
  EXPECT_EQ(columnInk(dc, 3), std::make_pair(0, 2 * amp));
}

TEST_F(ScrollingWaveform, MarkedValuesGainAndZoom) {
  std::vector<float> v(400, 0.5f);
  v[101] = 100;  // a marker: drawn at 0.75 whatever the gain
  v[102] = 100;  // the next column's marker is dropped
  v[105] = 30;   // above 1 and up to 60: full height
  d.data = v.data();
  d.length = static_cast<int>(v.size());
  d.gain = 0.5f;
  d.position = 101;  // column i shows index 100 + i
  updateWaveformDisplay(&dc, &d);
  EXPECT_EQ(columnInk(dc, 0), centred(2));  // 0.5 x gain 0.5 x 8
  EXPECT_EQ(columnInk(dc, 1), centred(6));  // 0.75 x 8
  EXPECT_EQ(columnInk(dc, 2), centred(0));
  EXPECT_EQ(columnInk(dc, 5), centred(8));

  // Zoom 8, speed 1: each column covers 8 display points; the spike lands in one column only.
  std::vector<float> spike(4000, 0.0f);
  spike[803] = 1.0f;
  d.data = spike.data();
  d.length = static_cast<int>(spike.size());
  d.gain = 1;
  d.zoom = 8;
  d.position = 800;  // raw start 100 - 1 = 99: column i covers indexes 8 x (99 + i) .. + 7
  dc.clear();
  updateWaveformDisplay(&dc, &d);
  EXPECT_EQ(columnInk(dc, 1), centred(8));
  EXPECT_EQ(columnInk(dc, 0), centred(0));
  EXPECT_EQ(columnInk(dc, 2), centred(0));
}

TEST_F(ScrollingWaveform, AStoppedDeckDrawsAtNormalSpeed) {
  d.position = 100;
  d.speed = 0;
  updateWaveformDisplay(&dc, &d);
  EXPECT_DOUBLE_EQ(d.drawnSpeed, 1.0);
  EXPECT_EQ(columnInk(dc, 4), centred((99 + 4) % 8));
  d.speed = -2;
  d.position = 100;
  dc.clear();
  updateWaveformDisplay(&dc, &d);
  EXPECT_EQ(columnInk(dc, 4), centred((99 + 4) % 8));
}

TEST_F(ScrollingWaveform, WithoutDataOnlyEmptyColumns) {
  d.data = nullptr;
  d.position = 100;
  updateWaveformDisplay(&dc, &d);
  EXPECT_EQ(d.length, 0);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(columnInk(dc, i), centred(0));
}

TEST_F(ScrollingWaveform, VerticalDisplaysRunDownwards) {
  ZRDrawContext tall(20, 40, 1.0f);
  d.vertical = true;
  d.width = 20;
  d.height = 40;
  d.position = 100;
  updateWaveformDisplay(&tall, &d);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(rowInk(tall, i), centred((99 + i) % 8)) << "row " << i;
}

TEST_F(ScrollingWaveform, MarkersCueLoopAndCursor) {
  d.position = 100;
  d.cuePosition = 120;
  d.cueColor = {1, 0, 0, 1};
  d.loopIn = 110;
  d.loopOut = 130;
  d.looping = 1;
  d.loopColor = {0, 1, 0, 1};
  d.cursorColor = {0, 0, 1, 1};
  d.cursorColumn = 1;
  updateWaveformDisplay(&dc, &d);
  dc.clear();
  updateWaveformDisplayExtras(&dc, &d);
  // Cue at column 120 - 99 = 21, pen 3: columns 20 .. 22 over the whole height.
  EXPECT_EQ(pixelAt(dc, 21, 10).r, 191);
  EXPECT_EQ(pixelAt(dc, 21, 10).a, 191);
  EXPECT_EQ(columnInk(dc, 21, 50), std::make_pair(0, 19));
  // Loop in at column 11 with its bracket towards the right on rows 1 and 18; loop out at 31 pointing left.
  EXPECT_GT(pixelAt(dc, 11, 10).g, 150);
  EXPECT_GT(pixelAt(dc, 13, 1).g, 150);
  EXPECT_EQ(pixelAt(dc, 9, 1).a, 0);
  EXPECT_GT(pixelAt(dc, 29, 18).g, 150);
  EXPECT_EQ(pixelAt(dc, 33, 18).a, 0);
  // Cursor at column 1.
  EXPECT_GT(pixelAt(dc, 1, 10).b, 150);
  EXPECT_EQ(d.cuePosition, 120);  // divided by a zoom of 1

  // Loop start pending: only the in marker. No cue at position 0. A hidden cursor is not drawn.
  dc.clear();
  d.cuePosition = 0;
  d.looping = 0;
  d.loopStartPending = 1;
  d.cursorHidden = 1;
  updateWaveformDisplayExtras(&dc, &d);
  EXPECT_EQ(columnInk(dc, 21, 1), std::make_pair(-1, -1));
  EXPECT_GT(pixelAt(dc, 11, 10).g, 150);
  EXPECT_EQ(columnInk(dc, 31, 1), std::make_pair(-1, -1));
  EXPECT_EQ(columnInk(dc, 1, 1), std::make_pair(-1, -1));
}

TEST(WholeWaveform, PortraitOverviewDrawsOneOpaqueLineAcrossPerRow) {
  std::vector<float> peaks(1000, 0.5f);
  peaks[10] = 5.0f;  // a marker value (2 or more) never counts
  ZRDrawContext dc(40, 300, 1.0f);
  updateWholeWaveformDisplay(&dc, 40, 300, peaks.data(), static_cast<int>(peaks.size()), 1, 1, 1, 1, 1);
  // A = 38, len = 19, from (38 - 19) / 2 + 1 = 10 to 29, across the width, rows 1 .. 298.
  EXPECT_EQ(rowInk(dc, 0), std::make_pair(-1, -1));
  for (int row = 1; row <= 298; ++row) EXPECT_EQ(rowInk(dc, row), std::make_pair(10, 29)) << row;
  EXPECT_EQ(rowInk(dc, 299), std::make_pair(-1, -1));
  EXPECT_EQ(pixelAt(dc, 20, 150).a, 255);
}

TEST(WholeWaveform, LandscapeOverviewLayersTranslucentLines) {
  // 2400 sub-columns read 4 values each (9596 / 2399): every line is 19 points long, rows 10 .. 29.
  std::vector<float> peaks(9596, 0.5f);
  ZRDrawContext dc(300, 40, 1.0f);
  updateWholeWaveformDisplay(&dc, 300, 40, peaks.data(), static_cast<int>(peaks.size()), 1, 1, 1, 1, 1);
  // Eight lines of a quarter alpha per point add up to nearly opaque inside, never fully.
  for (int x : {1, 150, 298}) {
    SCOPED_TRACE(x);
    EXPECT_EQ(columnInk(dc, x, 200), std::make_pair(11, 28));
    EXPECT_EQ(columnInk(dc, x, 1), std::make_pair(10, 29));
    EXPECT_LT(pixelAt(dc, x, 20).a, 255);
  }
}

TEST(WholeWaveform, DegenerateSizesAndMissingPeaksDrawNothing) {
  std::vector<float> peaks(100, 0.5f);
  for (auto size :
       {std::make_pair(1, 1), std::make_pair(1, 40), std::make_pair(2, 2), std::make_pair(40, 2)}) {
    ZRDrawContext dc(40, 40, 1.0f);
    dc.clearToBlack();
    updateWholeWaveformDisplay(&dc, size.first, size.second, peaks.data(), 100, 1, 1, 1, 1, 1);
    EXPECT_EQ(orvel_test::inkOf(dc, 1).count, 0)
        << size.first << "x" << size.second;  // cleared, nothing drawn
  }
  ZRDrawContext dc(40, 40, 1.0f);
  updateWholeWaveformDisplay(&dc, 40, 40, nullptr, 100, 1, 1, 1, 1, 1);
  updateWholeWaveformDisplay(&dc, 40, 40, peaks.data(), 0, 1, 1, 1, 1, 1);
  EXPECT_EQ(orvel_test::inkOf(dc, 1).count, 0);
}

}  // namespace
