// The pictures of the start-up and shut-down windows: the window shows the picture at its own size, so each
// must decode and fit a 900 x 600 display with room around it.

#include <gtest/gtest.h>

#include <string>

#include "gui/zr_image_raw_data.h"
#include "support/test_support.h"

namespace {

TEST(ShippedPictures, PictureWindowImagesDecodeAndFitTheSmallestDisplay) {
  for (const char* name : {"loading.png", "saving.png"}) {
    const std::string path = orvel_test::sourceFile(std::string("resources/images/") + name);
    unsigned char** frames = nullptr;
    int count = 0, width = 0, height = 0;
    bool alpha = false;
    ASSERT_TRUE(getImageRawData(path.c_str(), false, false, frames, count, alpha, width, height, false)) << name;
    freeImageFrames(frames, count);
    EXPECT_EQ(count, 1) << name;
    EXPECT_GE(width, 200) << name;
    EXPECT_LE(width, 600) << name;
    EXPECT_GE(height, 100) << name;
    EXPECT_LE(height, 400) << name;
  }
}

}  // namespace
