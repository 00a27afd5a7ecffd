#include "gui/zr_image_raw_data.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "common/zr_logging.h"
#include "platform/graphics/image_codecs.h"
#include "platform/graphics/image_resample.h"

namespace {

// Skin files and covers are small; a file beyond this is not a picture we would show.
constexpr long kMaxImageFileBytes = 256L * 1024 * 1024;

void putColour(const uint8_t* rgba, uint8_t* out, bool swapRB) {
  out[0] = rgba[swapRB ? 2 : 0];
  out[1] = rgba[1];
  out[2] = rgba[swapRB ? 0 : 2];
}

bool readWholeFile(const char* path, std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long length = ok ? std::ftell(f) : -1;
  ok = ok && length >= 0 && length <= kMaxImageFileBytes && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    try {
      bytes.resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  ok = ok && std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
  std::fclose(f);
  return ok;
}

void logRefusal(ImageDecodeResult result) {
  if (result == ImageDecodeResult::TooLarge || result == ImageDecodeResult::OutOfMemory) {
    ZRLOG("warning: image not decoded: %s", imageDecodeResultText(result));
  }
}

}  // namespace

bool getImageRawData(const char* data, int size, bool, bool forceAlpha, unsigned char*& pixels,
                     bool& hasAlpha, int& width, int& height, int& bytes, int requestedWidth,
                     int requestedHeight, bool swapRB) {
  pixels = nullptr;
  hasAlpha = false;
  width = height = bytes = 0;
  const bool resize = requestedWidth > 0 && requestedHeight > 0;
  ImageDecodeOptions options;
  if (resize) {
    options.atLeastWidth = requestedWidth;
    options.atLeastHeight = requestedHeight;
  }
  DecodedImage image;
  ImageDecodeResult result = ImageDecodeResult::NotAnImage;
  if (data != nullptr && size > 0) {
    result = decodeImage(reinterpret_cast<const uint8_t*>(data), static_cast<size_t>(size), options, image);
  }
  if (result == ImageDecodeResult::Ok && resize &&
      static_cast<int64_t>(requestedWidth) * requestedHeight > options.pixelBudget) {
    result = ImageDecodeResult::TooLarge;
  }
  std::vector<uint8_t> resized;
  if (result == ImageDecodeResult::Ok && resize &&
      !resampleRGBA(image.frames[0].rgba.data(), image.frames[0].width, image.frames[0].height,
                    requestedWidth, requestedHeight, resized)) {
    result = ImageDecodeResult::OutOfMemory;
  }
  if (result != ImageDecodeResult::Ok) {
    ZRLOG("- - - [ERROR offline] NOT loaded image from memory stream");
    logRefusal(result);
    return false;
  }
  const DecodedImageFrame& frame = image.frames[0];
  const int w = resize ? requestedWidth : frame.width;
  const int h = resize ? requestedHeight : frame.height;
  const uint8_t* src = resize ? resized.data() : frame.rgba.data();
  const size_t count = static_cast<size_t>(w) * h;
  unsigned char* out = new (std::nothrow) unsigned char[count * 4]();
  if (out == nullptr) {
    ZRLOG("- - - [ERROR offline] NOT loaded image from memory stream");
    logRefusal(ImageDecodeResult::OutOfMemory);
    return false;
  }
  const bool alpha = frame.hasAlpha || forceAlpha;
  for (size_t i = 0; i < count; ++i) {
    if (alpha) {
      putColour(src + 4 * i, out + 4 * i, swapRB);
      out[4 * i + 3] = frame.hasAlpha ? src[4 * i + 3] : 255;
    } else {
      putColour(src + 4 * i, out + 3 * i, swapRB);
    }
  }
  pixels = out;
  hasAlpha = alpha;
  width = w;
  height = h;
  bytes = static_cast<int>(std::min<size_t>(count * 4, 0x7fffffff));
  return true;
}

bool getImageRawData(const char* path, bool canvasStride, bool forceAlpha, unsigned char**& frames,
                     int& frameCount, bool& hasAlpha, int& width, int& height, bool swapRB) {
  frames = nullptr;
  frameCount = 0;
  hasAlpha = false;
  width = height = 0;
  if (path == nullptr) return false;
  const size_t pathLength = std::strlen(path);
  const bool gif = pathLength >= 3 && strcasecmp(path + pathLength - 3, "gif") == 0;
  std::vector<uint8_t> file;
  DecodedImage image;
  ImageDecodeOptions options;
  options.allFrames = gif;
  ImageDecodeResult result = ImageDecodeResult::NotAnImage;
  if (readWholeFile(path, file)) result = decodeImage(file.data(), file.size(), options, image);
  if (result != ImageDecodeResult::Ok) {
    ZRLOG("- - - [ERROR offline] NOT loaded image '%s'", path);
    logRefusal(result);
    return false;
  }
  const int canvasW = image.width, canvasH = image.height;
  const int count = static_cast<int>(image.frames.size());
  // One layout for the whole picture: the caller reads every frame with the one alpha flag.
  bool alpha = forceAlpha;
  for (const DecodedImageFrame& f : image.frames) alpha = alpha || f.hasAlpha || f.width != canvasW;

  unsigned char** out = new (std::nothrow) unsigned char*[std::max(count, 2)]();
  if (out == nullptr) {
    ZRLOG("* * fatal error * * (can not create imgData %d)", 0);
    return false;
  }
  const size_t frameBytes = static_cast<size_t>(canvasW) * canvasH * 4;
  for (int i = 0; i < count; ++i) {
    out[i] = new (std::nothrow) unsigned char[frameBytes]();
    if (out[i] == nullptr) {
      ZRLOG("* * fatal error * * (can not create imgData %d)", i);
      freeImageFrames(out, count);
      return false;
    }
    const DecodedImageFrame& f = image.frames[i];
    // Frames sit at the top-left corner; what reaches past the canvas is cut.
    const int w = std::min(f.width, canvasW), h = std::min(f.height, canvasH);
    const int stride = alpha && canvasStride ? canvasW : w;
    for (int y = 0; y < h; ++y) {
      const uint8_t* src = f.rgba.data() + static_cast<size_t>(y) * f.width * 4;
      for (int x = 0; x < w; ++x) {
        if (alpha) {
          unsigned char* p = out[i] + (static_cast<size_t>(y) * stride + x) * 4;
          putColour(src + 4 * x, p, swapRB);
          p[3] = f.hasAlpha ? src[4 * x + 3] : 255;
        } else {
          putColour(src + 4 * x, out[i] + (static_cast<size_t>(y) * w + x) * 3, swapRB);
        }
      }
    }
  }
  frames = out;
  frameCount = count;
  hasAlpha = alpha;
  width = canvasW;
  height = canvasH;
  return true;
}

void freeImageFrames(unsigned char**& frames, int frameCount) {
  if (frames == nullptr) return;
  for (int i = 0; i < frameCount; ++i) delete[] frames[i];
  delete[] frames;
  frames = nullptr;
}
