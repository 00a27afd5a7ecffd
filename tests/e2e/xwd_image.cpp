#include "xwd_image.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace orvel_e2e {

namespace {

uint32_t be32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// The 8-bit value of a channel given its mask.
uint8_t channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  const uint32_t max = mask >> shift;
  return static_cast<uint8_t>(((pixel & mask) >> shift) * 255u / max);
}

bool fail(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return false;
}

}  // namespace

bool readXwd(const std::string& path, RgbImage& image, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(error, "cannot open " + path);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
  // The header: 25 big-endian 32-bit fields, then the window's name up to header_size.
  if (bytes.size() < 100) return fail(error, "too short for a window dump");
  uint32_t h[25];
  for (int i = 0; i < 25; ++i) h[i] = be32(bytes.data() + 4 * i);
  const uint32_t headerSize = h[0], version = h[1], format = h[2], width = h[4], height = h[5],
                 byteOrder = h[7], bitsPerPixel = h[11], bytesPerLine = h[12], visualClass = h[13],
                 redMask = h[14], greenMask = h[15], blueMask = h[16], colors = h[19];
  if (version != 7 || format != 2) return fail(error, "not a ZPixmap window dump of version 7");
  if (visualClass != 4 && visualClass != 5) return fail(error, "not a TrueColor or DirectColor dump");
  if (bitsPerPixel != 24 && bitsPerPixel != 32) return fail(error, "unsupported bits per pixel");
  if (width == 0 || height == 0 || width > 16384 || height > 16384) return fail(error, "implausible size");
  const size_t dataStart = static_cast<size_t>(headerSize) + static_cast<size_t>(colors) * 12;
  if (bytesPerLine < width * (bitsPerPixel / 8) ||
      bytes.size() < dataStart + static_cast<size_t>(bytesPerLine) * height) {
    return fail(error, "pixel data cut short");
  }
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
  const int step = static_cast<int>(bitsPerPixel / 8);
  for (uint32_t y = 0; y < height; ++y) {
    const unsigned char* row = bytes.data() + dataStart + static_cast<size_t>(y) * bytesPerLine;
    for (uint32_t x = 0; x < width; ++x) {
      const unsigned char* p = row + static_cast<size_t>(x) * step;
      uint32_t v = 0;
      for (int b = 0; b < step; ++b) {
        // byte order 0: least significant byte first.
        const int shift = byteOrder == 0 ? 8 * b : 8 * (step - 1 - b);
        v |= uint32_t{p[b]} << shift;
      }
      uint8_t* out = &image.rgb[(static_cast<size_t>(y) * width + x) * 3];
      out[0] = channel(v, redMask);
      out[1] = channel(v, greenMask);
      out[2] = channel(v, blueMask);
    }
  }
  return true;
}

RgbImage crop(const RgbImage& image, int x, int y, int width, int height) {
  const int x0 = std::clamp(x, 0, image.width), y0 = std::clamp(y, 0, image.height);
  const int x1 = std::clamp(x + width, x0, image.width), y1 = std::clamp(y + height, y0, image.height);
  RgbImage out;
  out.width = x1 - x0;
  out.height = y1 - y0;
  out.rgb.reserve(static_cast<size_t>(out.width) * out.height * 3);
  for (int row = y0; row < y1; ++row) {
    const uint8_t* from = image.pixel(x0, row);
    out.rgb.insert(out.rgb.end(), from, from + static_cast<size_t>(out.width) * 3);
  }
  return out;
}

bool writePng(const std::string& path, const RgbImage& image) {
  if (image.width <= 0 || image.height <= 0) return false;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) {
    png_write_row(png, const_cast<png_bytep>(image.pixel(0, y)));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

}  // namespace orvel_e2e
