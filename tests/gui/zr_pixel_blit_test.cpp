#include "gui/zr_pixel_blit.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

// A picture of stride x height pixels whose pixel (x, y) is (x, y, 10 * x + y, 255), with guard bytes after
// it that no copy may touch.
std::vector<uint8_t> numbered(int stride, int height) {
  std::vector<uint8_t> v(static_cast<size_t>(stride) * height * 4 + 64, 0xEE);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < stride; ++x) {
      uint8_t* p = &v[(static_cast<size_t>(y) * stride + x) * 4];
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>(10 * x + y);
      p[3] = 255;
    }
  }
  return v;
}

std::vector<uint8_t> blank(int stride, int height) {
  std::vector<uint8_t> v(static_cast<size_t>(stride) * height * 4 + 64, 0xEE);
  std::fill(v.begin(), v.begin() + static_cast<long>(stride) * height * 4, 0);
  return v;
}

const uint8_t* px(const std::vector<uint8_t>& v, int stride, int x, int y) {
  return &v[(static_cast<size_t>(y) * stride + x) * 4];
}

bool guardIntact(const std::vector<uint8_t>& v) {
  for (size_t i = v.size() - 64; i < v.size(); ++i) {
    if (v[i] != 0xEE) return false;
  }
  return true;
}

struct Clip {
  const char* name;
  int sx, sy, dx, dy, w, h;
  // The destination pixel that receives source (0, 0) of the block after clipping, and the copied size.
  int firstSourceX, firstSourceY, firstDestX, firstDestY, copiedW, copiedH;
};

// Test names and messages show the row's name, not its bytes.
void PrintTo(const Clip& row, std::ostream* out) {
  *out << row.name;
}

class BlitClipping : public ::testing::TestWithParam<Clip> {};

TEST_P(BlitClipping, CopiesOnlyWhatLiesInsideBothPictures) {
  const Clip& c = GetParam();
  const int sw = 6, sh = 5, dw = 4, dh = 4;
  const std::vector<uint8_t> source = numbered(sw, sh);
  for (bool blend : {false, true}) {
    SCOPED_TRACE(blend ? "with alpha" : "plain");
    std::vector<uint8_t> dest = blank(dw, dh);
    if (blend) {
      rgbaBlitWithAlpha(source.data(), c.sx, c.sy, sw, sh, dest.data(), c.dx, c.dy, dw, dh, c.w, c.h, false);
    } else {
      rgbaBlit(source.data(), c.sx, c.sy, sw, sh, dest.data(), c.dx, c.dy, dw, dh, c.w, c.h, false);
    }
    EXPECT_TRUE(guardIntact(dest));
    int copied = 0;
    for (int y = 0; y < dh; ++y) {
      for (int x = 0; x < dw; ++x) copied += px(dest, dw, x, y)[3] == 255 ? 1 : 0;
    }
    EXPECT_EQ(copied, c.copiedW * c.copiedH);
    if (copied > 0) {
      const uint8_t* first = px(dest, dw, c.firstDestX, c.firstDestY);
      EXPECT_EQ(first[0], c.firstSourceX);
      EXPECT_EQ(first[1], c.firstSourceY);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Blocks, BlitClipping,
                         ::testing::Values(Clip{"inside", 1, 1, 1, 1, 2, 2, 1, 1, 1, 1, 2, 2},
                                           Clip{"above_the_top", 0, 0, 0, -3, 3, 5, 0, 3, 0, 0, 3, 2},
                                           Clip{"left_of_the_edge", 0, 0, -2, 0, 4, 2, 2, 0, 0, 0, 2, 2},
                                           Clip{"past_the_right_edge", 0, 0, 2, 0, 5, 1, 0, 0, 2, 0, 2, 1},
                                           Clip{"past_the_bottom", 0, 0, 0, 3, 2, 4, 0, 0, 0, 3, 2, 1},
                                           Clip{"source_too_small", 4, 3, 0, 0, 4, 4, 4, 3, 0, 0, 2, 2},
                                           Clip{"negative_source", -1, -1, 0, 0, 3, 3, 0, 0, 1, 1, 2, 2},
                                           Clip{"nothing_left", 0, 0, 4, 0, 3, 3, 0, 0, 0, 0, 0, 0}),
                         [](const ::testing::TestParamInfo<Clip>& info) {
                           return std::string(info.param.name);
                         });

TEST(PixelBlit, BlendingFollowsTheSourceAlpha) {
  // Destination: (100, 100, 100) at alpha 200. Sources: alpha 0, 255 and 102 (0.4).
  const uint8_t source[12] = {10, 20, 30, 0, 10, 20, 30, 255, 200, 0, 50, 102};
  uint8_t dest[12];
  for (int i = 0; i < 3; ++i) {
    dest[4 * i] = dest[4 * i + 1] = dest[4 * i + 2] = 100;
    dest[4 * i + 3] = 200;
  }
  rgbaBlitWithAlpha(source, 0, 0, 3, 1, dest, 0, 0, 3, 1, 3, 1, false);
  EXPECT_EQ(std::vector<int>(dest, dest + 4), (std::vector<int>{100, 100, 100, 200}));
  EXPECT_EQ(std::vector<int>(dest + 4, dest + 8), (std::vector<int>{10, 20, 30, 255}));
  // 100 x 0.6 + 200 x 0.4 = 140, 100 x 0.6 = 60, 100 x 0.6 + 50 x 0.4 = 80 (truncated); alpha the larger.
  EXPECT_EQ(std::vector<int>(dest + 8, dest + 12), (std::vector<int>{140, 60, 80, 200}));

  uint8_t swapped[4] = {0, 0, 0, 0};
  rgbaBlitWithAlpha(source + 4, 0, 0, 1, 1, swapped, 0, 0, 1, 1, 1, 1, true);
  EXPECT_EQ(std::vector<int>(swapped, swapped + 4), (std::vector<int>{30, 20, 10, 255}));
}

TEST(PixelBlit, ByteSwapExchangesRedAndBlue) {
  const uint8_t rgba[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  uint8_t out[8];
  convertColorBufferFromARGBtoRGBA(rgba, out, 8);
  EXPECT_EQ(std::vector<int>(out, out + 8), (std::vector<int>{3, 2, 1, 4, 7, 6, 5, 8}));
  convertColorBufferFromARGBtoRGBA(out, out, 8);  // in place, back again
  EXPECT_EQ(std::vector<int>(out, out + 8), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
