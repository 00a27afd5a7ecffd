#pragma once
// Pictures made in the tests: PNG, JPEG, GIF and TIFF files encoded from pixels given by the test, and
// damaged ones (files that declare a huge size). Nothing is committed.

#include <cstdint>
#include <string>
#include <vector>

namespace orvel_test {

// width x height pixels, R, G, B, A each, first row at the top.
struct TestPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
  uint8_t* at(int x, int y) { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
};

// A picture filled with one colour.
TestPicture solidPicture(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
// Four quadrants: top-left red, top-right green, bottom-left blue, bottom-right white (alpha as given).
TestPicture quadrantPicture(int width, int height, uint8_t alpha = 255);

std::string encodePng(const TestPicture& picture, bool withAlpha);
std::string encodeJpeg(const TestPicture& picture, int quality = 95);
std::string encodeTiff(const TestPicture& picture, bool withAlpha);

// A GIF frame: palette indexes (width x height) placed at (left, top) of the canvas.
struct TestGifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> indexes;
  int transparentIndex = -1;
};
// palette: R, G, B triples (a power of two of them, 2..256).
std::string encodeGif(int canvasWidth, int canvasHeight, const std::vector<uint8_t>& palette,
                      const std::vector<TestGifFrame>& frames);

// The same file with the size it declares changed (the pixel data stay as they were).
std::string withDeclaredSize(const std::string& file, int width, int height);

}  // namespace orvel_test
