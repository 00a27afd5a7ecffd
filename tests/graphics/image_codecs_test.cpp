#include "platform/graphics/image_codecs.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/image_fixtures.h"

namespace {

using orvel_test::TestPicture;

ImageDecodeResult decode(const std::string& file, DecodedImage& out, ImageDecodeOptions options = {}) {
  return decodeImage(reinterpret_cast<const uint8_t*>(file.data()), file.size(), options, out);
}

std::vector<uint8_t> pixelOf(const DecodedImageFrame& f, int x, int y) {
  const uint8_t* p = f.rgba.data() + (static_cast<size_t>(y) * f.width + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

std::string threeFrameGif() {
  // Palette: 0 black, 1 red, 2 magenta (a real colour here), 3 the transparent entry of frames 2 and 3.
  const std::vector<uint8_t> palette = {0, 0, 0, 255, 0, 0, 255, 0, 255, 9, 9, 9};
  std::vector<orvel_test::TestGifFrame> frames(3);
  for (int i = 0; i < 3; ++i) {
    frames[i].width = 4;
    frames[i].height = 2;
    frames[i].indexes = {1, 2, 3, 0, 0, 3, 2, 1};
    frames[i].transparentIndex = i == 0 ? -1 : 3;
  }
  return orvel_test::encodeGif(4, 2, palette, frames);
}

TEST(ImageCodecs, EachFormatDecodesItsColoursAndAlpha) {
  const TestPicture q = orvel_test::quadrantPicture(8, 6, 255);
  TestPicture translucent = orvel_test::quadrantPicture(8, 6, 255);
  translucent.at(0, 0)[3] = 100;
  struct Row {
    const char* name;
    std::string file;
    bool alpha;
    int tolerance;
  } rows[] = {
      {"png rgb", orvel_test::encodePng(q, false), false, 0},
      {"png rgba", orvel_test::encodePng(translucent, true), true, 0},
      {"jpeg", orvel_test::encodeJpeg(orvel_test::quadrantPicture(16, 16), 100), false, 40},
      {"tiff rgb", orvel_test::encodeTiff(q, false), false, 0},
      {"tiff rgba", orvel_test::encodeTiff(translucent, true), true, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DecodedImage image;
    ASSERT_EQ(decode(row.file, image), ImageDecodeResult::Ok);
    ASSERT_EQ(image.frames.size(), 1u);
    const DecodedImageFrame& f = image.frames[0];
    EXPECT_EQ(f.hasAlpha, row.alpha);
    EXPECT_FALSE(image.animated);
    // Away from the quadrant edges: red top-left, green top-right, blue bottom-left, white bottom-right.
    const int w = f.width, h = f.height;
    const std::vector<std::vector<int>> expected = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    const int xs[] = {1, w - 2, 1, w - 2}, ys[] = {1, 1, h - 2, h - 2};
    for (int c = 0; c < 4; ++c) {
      const std::vector<uint8_t> p = pixelOf(f, xs[c], ys[c]);
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], expected[c][k], row.tolerance) << "corner " << c;
      EXPECT_EQ(p[3], 255);
    }
    if (row.alpha) {
      EXPECT_NEAR(pixelOf(f, 0, 0)[3], 100, row.tolerance);
    }
  }
}

TEST(ImageCodecs, GifFramesKeepTheirColoursAndTransparency) {
  DecodedImage image;
  ImageDecodeOptions all;
  all.allFrames = true;
  ASSERT_EQ(decode(threeFrameGif(), image, all), ImageDecodeResult::Ok);
  EXPECT_TRUE(image.animated);
  EXPECT_EQ(image.width, 4);
  EXPECT_EQ(image.height, 2);
  ASSERT_EQ(image.frames.size(), 3u);
  EXPECT_FALSE(image.frames[0].hasAlpha);
  EXPECT_EQ(pixelOf(image.frames[0], 2, 0), (std::vector<uint8_t>{9, 9, 9, 255}));
  for (int i = 1; i < 3; ++i) {
    EXPECT_TRUE(image.frames[i].hasAlpha);
    EXPECT_EQ(pixelOf(image.frames[i], 0, 0), (std::vector<uint8_t>{255, 0, 0, 255}));
    // Magenta is a colour like any other; only the transparent entry is see-through.
    EXPECT_EQ(pixelOf(image.frames[i], 1, 0), (std::vector<uint8_t>{255, 0, 255, 255}));
    EXPECT_EQ(pixelOf(image.frames[i], 2, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(pixelOf(image.frames[i], 1, 1), (std::vector<uint8_t>{0, 0, 0, 0}));
  }
  // Without asking for every frame only the first is read.
  ASSERT_EQ(decode(threeFrameGif(), image), ImageDecodeResult::Ok);
  EXPECT_EQ(image.frames.size(), 1u);
  EXPECT_FALSE(image.animated);
}

struct BadInput {
  const char* name;
  std::string file;
  ImageDecodeResult expected;
};

std::string cut(const std::string& s, size_t keep) {
  return s.substr(0, keep);
}

std::vector<BadInput> badInputs() {
  const TestPicture p = orvel_test::quadrantPicture(64, 64);
  const std::string png = orvel_test::encodePng(p, false);
  const std::string jpeg = orvel_test::encodeJpeg(p);
  const std::string tiff = orvel_test::encodeTiff(p, false);
  const std::string gif = threeFrameGif();
  std::vector<BadInput> rows = {
      {"empty", "", ImageDecodeResult::NotAnImage},
      {"wrong_magic", "\x89PNX\r\n\x1a\n" + png.substr(8), ImageDecodeResult::NotAnImage},
      {"text", "just some text, not a picture", ImageDecodeResult::NotAnImage},
      {"png_truncated", cut(png, png.size() / 2), ImageDecodeResult::Corrupt},
      {"png_signature_only", cut(png, 8), ImageDecodeResult::Corrupt},
      {"jpeg_truncated", cut(jpeg, jpeg.size() / 2), ImageDecodeResult::Corrupt},
      {"jpeg_header_only", cut(jpeg, 4), ImageDecodeResult::Corrupt},
      {"tiff_truncated", cut(tiff, tiff.size() / 2), ImageDecodeResult::Corrupt},
      {"tiff_header_only", cut(tiff, 8), ImageDecodeResult::Corrupt},
      {"gif_header_only", cut(gif, 13), ImageDecodeResult::Corrupt},
      {"png_zero_width", orvel_test::withDeclaredSize(png, 0, 64), ImageDecodeResult::Corrupt},
      {"png_50000", orvel_test::withDeclaredSize(png, 50000, 50000), ImageDecodeResult::TooLarge},
      {"jpeg_50000", orvel_test::withDeclaredSize(jpeg, 50000, 50000), ImageDecodeResult::TooLarge},
      {"gif_50000", orvel_test::withDeclaredSize(gif, 50000, 50000), ImageDecodeResult::TooLarge},
      {"tiff_50000", orvel_test::withDeclaredSize(tiff, 50000, 50000), ImageDecodeResult::TooLarge},
  };
  return rows;
}

// Test names and messages show the row's name, not its bytes.
void PrintTo(const BadInput& row, std::ostream* out) {
  *out << row.name;
}

class ImageCodecsBadInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(ImageCodecsBadInput, FailsCleanlyWithNoPixels) {
  DecodedImage image;
  image.width = 7;
  const BadInput& row = GetParam();
  EXPECT_EQ(decode(row.file, image), row.expected);
  EXPECT_TRUE(image.frames.empty());
  EXPECT_EQ(image.width, 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, ImageCodecsBadInput, ::testing::ValuesIn(badInputs()),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                           return std::string(info.param.name);
                         });

TEST(ImageCodecs, ThePixelBudgetCountsEveryFrame) {
  const std::string gif = threeFrameGif();  // 3 frames of 4 x 2
  DecodedImage image;
  ImageDecodeOptions options;
  options.allFrames = true;
  options.pixelBudget = 24;
  EXPECT_EQ(decode(gif, image, options), ImageDecodeResult::Ok);
  options.pixelBudget = 23;
  EXPECT_EQ(decode(gif, image, options), ImageDecodeResult::TooLarge);
  EXPECT_TRUE(image.frames.empty());
  options.pixelBudget = 8 * 8 - 1;
  EXPECT_EQ(decode(orvel_test::encodePng(orvel_test::solidPicture(8, 8, 1, 2, 3), false), image, options),
            ImageDecodeResult::TooLarge);
}

TEST(ImageCodecs, AnimationCutShortKeepsItsWholeFrames) {
  const std::string gif = threeFrameGif();
  DecodedImage whole;
  ImageDecodeOptions options;
  options.allFrames = true;
  ASSERT_EQ(decode(gif, whole, options), ImageDecodeResult::Ok);
  // Cut just before the trailer and a few bytes into the last frame.
  DecodedImage image;
  ASSERT_EQ(decode(gif.substr(0, gif.size() - 1), image, options), ImageDecodeResult::Ok);
  EXPECT_EQ(image.frames.size(), 3u);
  ASSERT_EQ(decode(gif.substr(0, gif.size() - 6), image, options), ImageDecodeResult::Ok);
  EXPECT_EQ(image.frames.size(), 2u);
  EXPECT_EQ(image.frames[1].rgba, whole.frames[1].rgba);
}

TEST(ImageCodecs, JpegDecodesSmallerWhenAskedForLess) {
  const std::string jpeg = orvel_test::encodeJpeg(orvel_test::solidPicture(800, 600, 200, 100, 50));
  DecodedImage image;
  ImageDecodeOptions options;
  options.atLeastWidth = 128;
  options.atLeastHeight = 128;
  ASSERT_EQ(decode(jpeg, image, options), ImageDecodeResult::Ok);
  EXPECT_EQ(image.frames[0].width, 200);  // 1/4: 1/8 would be 100 x 75
  EXPECT_EQ(image.frames[0].height, 150);
  EXPECT_NEAR(pixelOf(image.frames[0], 50, 50)[0], 200, 3);
}

}  // namespace
