#include "support/image_fixtures.h"

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <stdlib.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace orvel_test {

TestPicture solidPicture(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  TestPicture p;
  p.width = width;
  p.height = height;
  p.rgba.resize(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < p.rgba.size(); i += 4) {
    p.rgba[i] = r;
    p.rgba[i + 1] = g;
    p.rgba[i + 2] = b;
    p.rgba[i + 3] = a;
  }
  return p;
}

TestPicture quadrantPicture(int width, int height, uint8_t alpha) {
  TestPicture p = solidPicture(width, height, 0, 0, 0, alpha);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* px = p.at(x, y);
      const bool right = x >= width / 2, bottom = y >= height / 2;
      px[0] = (!right && !bottom) || (right && bottom) ? 255 : 0;
      px[1] = (right && !bottom) || (right && bottom) ? 255 : 0;
      px[2] = (!right && bottom) || (right && bottom) ? 255 : 0;
    }
  }
  return p;
}

std::string encodePng(const TestPicture& picture, bool withAlpha) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = withAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  std::vector<uint8_t> pixels;
  if (withAlpha) {
    pixels = picture.rgba;
  } else {
    for (size_t i = 0; i < picture.rgba.size(); i += 4)
      pixels.insert(pixels.end(), &picture.rgba[i], &picture.rgba[i] + 3);
  }
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
  std::string out(size, '\0');
  png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr);
  out.resize(size);
  return out;
}

std::string encodeJpeg(const TestPicture& picture, int quality) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(picture.width);
  cinfo.image_height = static_cast<JDIMENSION>(picture.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(picture.width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint8_t* src = picture.rgba.data() + static_cast<size_t>(cinfo.next_scanline) * picture.width * 4;
    for (int x = 0; x < picture.width; ++x) std::memcpy(&row[3 * x], src + 4 * x, 3);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::string out(reinterpret_cast<char*>(buffer), size);
  jpeg_destroy_compress(&cinfo);
  free(buffer);
  return out;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string encodeTiff(const TestPicture& picture, bool withAlpha) {
  char path[] = "/tmp/orvel-tiff-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return std::string();
  close(fd);
  TIFF* tif = TIFFOpen(path, "w");
  const int channels = withAlpha ? 4 : 3;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(picture.width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(picture.height));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, channels);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 1);
  if (withAlpha) {
    uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  std::vector<uint8_t> row(static_cast<size_t>(picture.width) * channels);
  for (int y = 0; y < picture.height; ++y) {
    const uint8_t* src = picture.rgba.data() + static_cast<size_t>(y) * picture.width * 4;
    for (int x = 0; x < picture.width; ++x) std::memcpy(&row[channels * x], src + 4 * x, channels);
    TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0);
  }
  TIFFClose(tif);
  std::string out = readAll(path);
  unlink(path);
  return out;
}

namespace {

int gifWrite(GifFileType* gif, const GifByteType* data, int length) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
  return length;
}

}  // namespace

std::string encodeGif(int canvasWidth, int canvasHeight, const std::vector<uint8_t>& palette,
                      const std::vector<TestGifFrame>& frames) {
  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, gifWrite, &error);
  const int colours = static_cast<int>(palette.size() / 3);
  std::vector<GifColorType> entries(colours);
  for (int i = 0; i < colours; ++i) entries[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
  ColorMapObject* map = GifMakeMapObject(colours, entries.data());
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, canvasWidth, canvasHeight, 8, 0, map);
  for (const TestGifFrame& f : frames) {
    GraphicsControlBlock gcb;
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.UserInputFlag = false;
    gcb.DelayTime = 10;
    gcb.TransparentColor = f.transparentIndex;
    GifByteType block[4];
    const size_t length = EGifGCBToExtension(&gcb, block);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), block);
    EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, nullptr);
    for (int y = 0; y < f.height; ++y) {
      EGifPutLine(gif, const_cast<GifPixelType*>(f.indexes.data() + static_cast<size_t>(y) * f.width),
                  f.width);
    }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

namespace {

void putBigEndian16(std::string& s, size_t at, int v) {
  s[at] = static_cast<char>((v >> 8) & 0xff);
  s[at + 1] = static_cast<char>(v & 0xff);
}
void putBigEndian32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xff);
}
void putLittleEndian16(std::string& s, size_t at, int v) {
  s[at] = static_cast<char>(v & 0xff);
  s[at + 1] = static_cast<char>((v >> 8) & 0xff);
}
uint32_t littleEndian(const std::string& s, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
  return v;
}

}  // namespace

std::string withDeclaredSize(const std::string& file, int width, int height) {
  std::string s = file;
  if (s.compare(0, 4, "\x89PNG") == 0) {
    putBigEndian32(s, 16, static_cast<uint32_t>(width));
    putBigEndian32(s, 20, static_cast<uint32_t>(height));
    const uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(s.data() + 12), 17));
    putBigEndian32(s, 29, crc);
  } else if (s.compare(0, 2, "\xff\xd8") == 0) {
    for (size_t i = 2; i + 9 < s.size();) {
      const uint8_t marker = static_cast<uint8_t>(s[i + 1]);
      const size_t length = (static_cast<uint8_t>(s[i + 2]) << 8) | static_cast<uint8_t>(s[i + 3]);
      if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc) {
        putBigEndian16(s, i + 5, height);
        putBigEndian16(s, i + 7, width);
        break;
      }
      i += 2 + length;
    }
  } else if (s.compare(0, 3, "GIF") == 0) {
    putLittleEndian16(s, 6, width);
    putLittleEndian16(s, 8, height);
    size_t i = 13;
    const uint8_t flags = static_cast<uint8_t>(s[10]);
    if (flags & 0x80) i += 3u * (2u << (flags & 7));
    while (i < s.size() && s[i] == 0x21) {
      i += 2;
      while (i < s.size() && s[i] != 0) i += 1 + static_cast<uint8_t>(s[i]);
      ++i;
    }
    if (i + 9 < s.size() && s[i] == 0x2c) {
      putLittleEndian16(s, i + 5, width);
      putLittleEndian16(s, i + 7, height);
    }
  } else if (s.compare(0, 4, std::string("II*\0", 4)) == 0) {
    const size_t ifd = littleEndian(s, 4, 4);
    const int entries = static_cast<int>(littleEndian(s, ifd, 2));
    for (int e = 0; e < entries; ++e) {
      const size_t at = ifd + 2 + 12 * e;
      const uint32_t tag = littleEndian(s, at, 2);
      const uint32_t type = littleEndian(s, at + 2, 2);
      if (tag != 256 && tag != 257) continue;
      const uint32_t v = static_cast<uint32_t>(tag == 256 ? width : height);
      for (int b = 0; b < (type == 3 ? 2 : 4); ++b) s[at + 8 + b] = static_cast<char>((v >> (8 * b)) & 0xff);
    }
  }
  return s;
}

}  // namespace orvel_test
