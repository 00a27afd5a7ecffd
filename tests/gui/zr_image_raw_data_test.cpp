#include "gui/zr_image_raw_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/image_fixtures.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

struct Decoded {
  unsigned char* pixels = nullptr;
  bool hasAlpha = false;
  int width = 0, height = 0, bytes = 0;
  bool ok = false;
  ~Decoded() { delete[] pixels; }
  std::vector<int> pixel(int x, int y) const {
    const int bpp = hasAlpha ? 4 : 3;
    const unsigned char* p = pixels + (static_cast<size_t>(y) * width + x) * bpp;
    return std::vector<int>(p, p + bpp);
  }
};

void decodeMemory(const std::string& file, Decoded& d, bool forceAlpha = false, int w = -1, int h = -1,
                  bool swapRB = false) {
  d.ok = getImageRawData(file.data(), static_cast<int>(file.size()), false, forceAlpha, d.pixels, d.hasAlpha,
                         d.width, d.height, d.bytes, w, h, swapRB);
}

TEST(ImageRawDataMemory, AlphaPicturesGetFourBytesOthersThree) {
  orvel_test::TestPicture p = orvel_test::quadrantPicture(8, 8);
  p.at(0, 0)[3] = 77;
  Decoded png;
  decodeMemory(orvel_test::encodePng(p, true), png, false, -1, -1, true);
  ASSERT_TRUE(png.ok);
  EXPECT_TRUE(png.hasAlpha);
  EXPECT_EQ(png.width, 8);
  EXPECT_EQ(png.bytes, 8 * 8 * 4);
  EXPECT_EQ(png.pixel(0, 0), (std::vector<int>{0, 0, 255, 77}));  // red, blue first
  EXPECT_EQ(png.pixel(7, 0), (std::vector<int>{0, 255, 0, 255}));

  Decoded jpeg;
  decodeMemory(orvel_test::encodeJpeg(orvel_test::solidPicture(8, 8, 250, 10, 10), 100), jpeg);
  ASSERT_TRUE(jpeg.ok);
  EXPECT_FALSE(jpeg.hasAlpha);
  EXPECT_EQ(jpeg.bytes, 8 * 8 * 4);  // the array is sized for 4, the pixels packed by 3
  EXPECT_NEAR(jpeg.pixel(7, 7)[0], 250, 4);
  EXPECT_NEAR(jpeg.pixel(7, 7)[2], 10, 4);

  Decoded forced;
  decodeMemory(orvel_test::encodeJpeg(orvel_test::solidPicture(8, 8, 250, 10, 10), 100), forced, true);
  EXPECT_TRUE(forced.hasAlpha);
  EXPECT_EQ(forced.pixel(3, 3)[3], 255);
}

TEST(ImageRawDataMemory, RequestedSizeResizesExactly) {
  const std::string file = orvel_test::encodePng(orvel_test::quadrantPicture(40, 20), false);
  Decoded own;
  decodeMemory(file, own);
  EXPECT_EQ(own.width, 40);
  EXPECT_EQ(own.height, 20);
  Decoded square;
  decodeMemory(file, square, false, 16, 16);
  ASSERT_TRUE(square.ok);
  EXPECT_EQ(square.width, 16);
  EXPECT_EQ(square.height, 16);
  EXPECT_EQ(square.pixel(2, 2), (std::vector<int>{255, 0, 0}));
  EXPECT_EQ(square.pixel(13, 13), (std::vector<int>{255, 255, 255}));
}

TEST(ImageRawDataMemory, FailuresLeaveNothingAndSaySo) {
  orvel_test::LogCapture log;
  Decoded garbage;
  decodeMemory("certainly not a picture", garbage);
  EXPECT_FALSE(garbage.ok);
  EXPECT_EQ(garbage.pixels, nullptr);
  EXPECT_EQ(garbage.width + garbage.height + garbage.bytes, 0);
  EXPECT_TRUE(log.contains("- - - [ERROR offline] NOT loaded image from memory stream"));

  log.clear();
  Decoded bomb;
  const std::string png = orvel_test::encodePng(orvel_test::solidPicture(4, 4, 1, 2, 3), false);
  decodeMemory(orvel_test::withDeclaredSize(png, 50000, 50000), bomb);
  EXPECT_FALSE(bomb.ok);
  EXPECT_TRUE(log.contains("NOT loaded image from memory stream"));
  EXPECT_TRUE(log.contains("larger than the pixel budget"));

  // A resize target beyond the budget is refused as well.
  log.clear();
  Decoded huge;
  decodeMemory(png, huge, false, 40000, 40000);
  EXPECT_FALSE(huge.ok);
  EXPECT_EQ(huge.pixels, nullptr);
}

struct FileDecoded {
  unsigned char** frames = nullptr;
  int count = 0, width = 0, height = 0;
  bool hasAlpha = false;
  bool ok = false;
  ~FileDecoded() { freeImageFrames(frames, count); }
  std::vector<int> pixel(int frame, int x, int y, int stride) const {
    const int bpp = hasAlpha ? 4 : 3;
    const unsigned char* p = frames[frame] + (static_cast<size_t>(y) * stride + x) * bpp;
    return std::vector<int>(p, p + bpp);
  }
};

void decodeFile(const std::string& path, FileDecoded& d, bool canvasStride = false, bool forceAlpha = false) {
  d.ok = getImageRawData(path.c_str(), canvasStride, forceAlpha, d.frames, d.count, d.hasAlpha, d.width,
                         d.height, false);
}

// Palette 0 black, 1 red, 2 green, 3 the transparent entry where a frame has one.
const std::vector<uint8_t> kPalette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 77, 77, 77};

orvel_test::TestGifFrame frame(int left, int top, int w, int h, uint8_t index, int transparent = -1) {
  orvel_test::TestGifFrame f;
  f.left = left;
  f.top = top;
  f.width = w;
  f.height = h;
  f.indexes.assign(static_cast<size_t>(w) * h, index);
  f.transparentIndex = transparent;
  return f;
}

TEST(ImageRawDataFile, StillPictureGivesOneFrameInAnArrayOfTwo) {
  orvel_test::TempDir dir;
  ASSERT_TRUE(orvel_test::writeFile(dir.file("part.png"),
                                    orvel_test::encodePng(orvel_test::quadrantPicture(6, 4), false)));
  FileDecoded d;
  decodeFile(dir.file("part.png"), d);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.count, 1);
  EXPECT_EQ(d.frames[1], nullptr);
  EXPECT_FALSE(d.hasAlpha);
  EXPECT_EQ(d.pixel(0, 5, 0, 6), (std::vector<int>{0, 255, 0}));
}

TEST(ImageRawDataFile, AnimatedGifFramesWithTransparencyAreCanvasSizedAndSeeThrough) {
  orvel_test::TempDir dir;
  std::vector<orvel_test::TestGifFrame> frames = {frame(0, 0, 4, 3, 1, 3), frame(0, 0, 4, 3, 2, 3),
                                                  frame(0, 0, 4, 3, 3, 3)};
  frames[0].indexes[5] = 3;  // one see-through pixel in the first frame
  ASSERT_TRUE(orvel_test::writeFile(dir.file("anim.GIF"), orvel_test::encodeGif(4, 3, kPalette, frames)));
  FileDecoded d;
  decodeFile(dir.file("anim.GIF"), d);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.count, 3);
  EXPECT_EQ(d.width, 4);
  EXPECT_EQ(d.height, 3);
  EXPECT_TRUE(d.hasAlpha);
  EXPECT_EQ(d.pixel(0, 0, 0, 4), (std::vector<int>{255, 0, 0, 255}));
  EXPECT_EQ(d.pixel(0, 1, 1, 4), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(d.pixel(1, 3, 2, 4), (std::vector<int>{0, 255, 0, 255}));
  EXPECT_EQ(d.pixel(2, 2, 2, 4), (std::vector<int>{0, 0, 0, 0}));
}

TEST(ImageRawDataFile, OpaqueFullWidthFramesAreThreeBytes) {
  orvel_test::TempDir dir;
  ASSERT_TRUE(orvel_test::writeFile(
      dir.file("a.gif"),
      orvel_test::encodeGif(4, 2, kPalette, {frame(0, 0, 4, 2, 1), frame(0, 0, 4, 1, 2)})));
  FileDecoded d;
  decodeFile(dir.file("a.gif"), d);
  ASSERT_TRUE(d.ok);
  EXPECT_FALSE(d.hasAlpha);
  EXPECT_EQ(d.pixel(1, 3, 0, 4), (std::vector<int>{0, 255, 0}));
  EXPECT_EQ(d.pixel(1, 3, 1, 4), (std::vector<int>{0, 0, 0}));  // below the shorter frame: zero-filled
}

TEST(ImageRawDataFile, NarrowFramesUseTheCanvasStrideWhenAsked) {
  orvel_test::TempDir dir;
  ASSERT_TRUE(orvel_test::writeFile(
      dir.file("n.gif"),
      orvel_test::encodeGif(4, 2, kPalette, {frame(0, 0, 4, 2, 1), frame(0, 0, 2, 2, 2)})));
  FileDecoded packed, strided;
  decodeFile(dir.file("n.gif"), packed, false);
  decodeFile(dir.file("n.gif"), strided, true);
  ASSERT_TRUE(packed.ok && strided.ok);
  EXPECT_TRUE(packed.hasAlpha);  // a narrower frame forces 4 bytes
  EXPECT_EQ(packed.pixel(1, 1, 1, 2), (std::vector<int>{0, 255, 0, 255}));
  EXPECT_EQ(strided.pixel(1, 1, 1, 4), (std::vector<int>{0, 255, 0, 255}));
  EXPECT_EQ(strided.pixel(1, 3, 1, 4), (std::vector<int>{0, 0, 0, 0}));
}

TEST(ImageRawDataFile, FramesLargerThanTheCanvasAreCut) {
  orvel_test::TempDir dir;
  // Encoded on a 9 x 5 canvas, then the canvas is declared 4 x 2: the frame reaches far past it.
  std::string gif = orvel_test::encodeGif(9, 5, kPalette, {frame(0, 0, 9, 5, 2)});
  gif[6] = 4;
  gif[7] = 0;
  gif[8] = 2;
  gif[9] = 0;
  ASSERT_TRUE(orvel_test::writeFile(dir.file("big.gif"), gif));
  FileDecoded d;
  decodeFile(dir.file("big.gif"), d, true, true);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.width, 4);
  EXPECT_EQ(d.height, 2);
  EXPECT_EQ(d.pixel(0, 3, 1, 4), (std::vector<int>{0, 255, 0, 255}));
}

TEST(ImageRawDataFile, AMissingOrDamagedFileIsLogged) {
  orvel_test::TempDir dir;
  orvel_test::LogCapture log;
  FileDecoded missing;
  decodeFile(dir.file("none.png"), missing);
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.frames, nullptr);
  EXPECT_TRUE(log.contains("- - - [ERROR offline] NOT loaded image '" + dir.file("none.png") + "'"));
  const std::string png = orvel_test::encodePng(orvel_test::quadrantPicture(30, 30), false);
  ASSERT_TRUE(orvel_test::writeFile(dir.file("cut.png"), png.substr(0, png.size() / 2)));
  FileDecoded cut;
  decodeFile(dir.file("cut.png"), cut);
  EXPECT_FALSE(cut.ok);
  EXPECT_EQ(cut.count, 0);
}

}  // namespace
