#include "platform/graphics/image_resample.h"

#include <gtest/gtest.h>

#include "support/image_fixtures.h"

namespace {

TEST(ImageResample, ShrinkingAveragesAreasAndGrowingInterpolates) {
  // Two columns: black and white. Halving the width gives mid grey; the same size is a copy.
  orvel_test::TestPicture p = orvel_test::solidPicture(2, 1, 0, 0, 0);
  p.at(1, 0)[0] = p.at(1, 0)[1] = p.at(1, 0)[2] = 255;
  std::vector<uint8_t> out;
  ASSERT_TRUE(resampleRGBA(p.rgba.data(), 2, 1, 1, 1, out));
  EXPECT_NEAR(out[0], 128, 1);
  EXPECT_EQ(out[3], 255);
  ASSERT_TRUE(resampleRGBA(p.rgba.data(), 2, 1, 2, 1, out));
  EXPECT_EQ(out, p.rgba);
  // Four columns from two: the outer ones keep the end colours, the inner ones blend.
  ASSERT_TRUE(resampleRGBA(p.rgba.data(), 2, 1, 4, 1, out));
  EXPECT_EQ(out[0], 0);
  EXPECT_NEAR(out[4], 64, 1);
  EXPECT_NEAR(out[8], 191, 1);
  EXPECT_EQ(out[12], 255);
}

TEST(ImageResample, TransparentPixelsDoNotDarkenTheirNeighbours) {
  orvel_test::TestPicture p = orvel_test::solidPicture(2, 2, 250, 0, 0, 255);
  p.at(1, 0)[0] = 0;
  p.at(1, 0)[3] = 0;  // transparent black
  std::vector<uint8_t> out;
  ASSERT_TRUE(resampleRGBA(p.rgba.data(), 2, 2, 1, 1, out));
  EXPECT_EQ(out[0], 250);
  EXPECT_NEAR(out[3], 191, 1);
}

TEST(ImageResample, RefusesEmptySizes) {
  std::vector<uint8_t> out = {1};
  const uint8_t pixel[4] = {1, 2, 3, 4};
  EXPECT_FALSE(resampleRGBA(pixel, 1, 1, 0, 5, out));
  EXPECT_FALSE(resampleRGBA(pixel, 0, 1, 5, 5, out));
  EXPECT_EQ(out.size(), 1u);
}

}  // namespace
