#pragma once
// Screenshots for the end-to-end test: the X window dump that xwd writes (TrueColor, 24 or 32 bits per
// pixel, either byte order) read into plain RGB pixels, cropped, and written as PNG.

#include <cstdint>
#include <string>
#include <vector>

namespace orvel_e2e {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3, rows top to bottom

  const uint8_t* pixel(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// false with a reason in error for a file that is not a TrueColor ZPixmap dump or is cut short.
bool readXwd(const std::string& path, RgbImage& image, std::string* error);
// The part of image inside the rectangle (clipped to the image).
RgbImage crop(const RgbImage& image, int x, int y, int width, int height);
bool writePng(const std::string& path, const RgbImage& image);

}  // namespace orvel_e2e
