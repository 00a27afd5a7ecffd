#include "common/zr_scroller.h"

#include <gtest/gtest.h>

namespace {

struct Result {
  double size, pos, offset;
};

Result calc(CZRScroller& s) {
  Result r{};
  s.GetCalculations(r.size, r.pos, r.offset);
  return r;
}

CZRScroller longList(int mode) {
  CZRScroller s(mode);
  s.SetSliderSizes(100, 10);
  s.SetDataSize(1000);
  s.SetDisplaySize(100);
  return s;
}

TEST(Scroller, InitialValues) {
  CZRScroller s(0);
  const Result r = calc(s);  // 100 data, 100 visible, track 100
  EXPECT_DOUBLE_EQ(r.size, 100);
  EXPECT_DOUBLE_EQ(r.pos, 0);
  EXPECT_DOUBLE_EQ(r.offset, 0);
}

TEST(Scroller, SliderPositionDrivesTheDataOffset) {
  CZRScroller s = longList(0);
  s.SetSliderPos(45);
  Result r = calc(s);
  EXPECT_DOUBLE_EQ(r.size, 10);
  EXPECT_DOUBLE_EQ(r.pos, 45);
  EXPECT_DOUBLE_EQ(r.offset, 901.0 * 45 / 90);
  s.SetSliderPos(500);  // clamped to the free track
  r = calc(s);
  EXPECT_DOUBLE_EQ(r.pos, 90);
  EXPECT_DOUBLE_EQ(r.offset, 901);
  s.SetSliderPos(-3);
  r = calc(s);
  EXPECT_DOUBLE_EQ(r.pos, 0);
  EXPECT_DOUBLE_EQ(r.offset, 0);
  EXPECT_DOUBLE_EQ(s.GetSliderCurrentSize(), 10);
  EXPECT_DOUBLE_EQ(s.GetSliderCurrentPos(), 0);
  EXPECT_DOUBLE_EQ(s.GetDataCurrentOffset(), 0);
}

TEST(Scroller, DataOffsetDrivesTheSlider) {
  struct Case {
    int mode;
    double offset;
    double expectedOffset;
    double expectedPos;
  };
  const Case cases[] = {
      {0, 2000, 901, 90}, {0, 450.5, 450.5, 45}, {0, -20, 0, 0},
      {1, 2000, 999, 90}, {1, -20, -20, 0},      {1, -500, -99, 0},
  };
  for (const Case& c : cases) {
    CZRScroller s = longList(c.mode);
    s.SetDataOffset(c.offset);
    const Result r = calc(s);
    EXPECT_DOUBLE_EQ(r.offset, c.expectedOffset) << "mode " << c.mode << " offset " << c.offset;
    EXPECT_DOUBLE_EQ(r.pos, c.expectedPos) << "mode " << c.mode << " offset " << c.offset;
  }
}

TEST(Scroller, FewerDataThanVisibleFillsTheTrack) {
  CZRScroller s(0);
  s.SetSliderSizes(100, 10);
  s.SetDataSize(50);
  s.SetDisplaySize(100);
  s.SetDataOffset(30);
  Result r = calc(s);
  EXPECT_DOUBLE_EQ(r.size, 100);
  EXPECT_DOUBLE_EQ(r.offset, 0);
  EXPECT_DOUBLE_EQ(r.pos, 0);
  s.SetSliderPos(20);
  r = calc(s);
  EXPECT_DOUBLE_EQ(r.pos, 0);
  EXPECT_DOUBLE_EQ(r.offset, 0);
}

TEST(Scroller, EmptyDataAndSizeLimits) {
  CZRScroller s(0);
  s.SetSliderSizes(5, 10);
  s.SetDataSize(-4);
  s.SetDisplaySize(0);
  const Result r = calc(s);
  EXPECT_DOUBLE_EQ(r.size, 11);  // track raised above the minimum slider
  EXPECT_DOUBLE_EQ(r.pos, 0);
  EXPECT_DOUBLE_EQ(r.offset, 0);
  CZRScroller t(0);
  t.SetSliderSizes(0, 0);
  t.SetDataSize(0);
  EXPECT_DOUBLE_EQ(calc(t).size, 2);
}

}  // namespace
