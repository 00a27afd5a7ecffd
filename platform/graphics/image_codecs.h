#pragma once
// Image readers: PNG (libpng), JPEG (libjpeg-turbo), GIF with every frame of an animation (giflib) and
// TIFF (libtiff, its first page), decoded from memory into straight (not premultiplied) R, G, B, A bytes.
// They stand in for the toolkit's image readers, which must not run off the main thread; these run on any
// thread, any number at once.
//
// Outside input is untrusted: the size a file declares is checked against a pixel budget before any
// pixel memory is taken (all frames of an animation count), so a small file that claims a huge picture
// is refused instead of exhausting memory. A file cut short or otherwise damaged fails, except that an
// animation keeps the frames decoded whole before the damage.

#include <cstddef>
#include <cstdint>
#include <vector>

struct DecodedImageFrame {
  int width = 0;
  int height = 0;
  // Where the frame sits on the animation's canvas (0, 0 for a still picture).
  int left = 0;
  int top = 0;
  // The picture carries transparency: an alpha channel, a transparent colour (PNG tRNS) or a GIF
  // frame's transparent palette entry, whose pixels are (0, 0, 0, 0).
  bool hasAlpha = false;
  std::vector<uint8_t> rgba;  // width x height x 4 bytes, rows packed, first row at the top
};

struct DecodedImage {
  int width = 0;  // the picture's size; an animation's canvas size
  int height = 0;
  bool animated = false;  // a GIF read with every frame
  std::vector<DecodedImageFrame> frames;
};

enum class ImageDecodeResult {
  Ok,
  NotAnImage,   // no known signature
  Corrupt,      // the decoder failed (damaged or cut short)
  TooLarge,     // the declared size exceeds the pixel budget (or is 0)
  OutOfMemory,  // the pixel memory could not be had
};

// The default pixel budget: 32 Mi pixels (128 MiB of pixels) per picture, all frames counted.
constexpr int64_t kDefaultImagePixelBudget = int64_t{32} * 1024 * 1024;

struct ImageDecodeOptions {
  int64_t pixelBudget = kDefaultImagePixelBudget;
  // GIF: read every frame (else the first only).
  bool allFrames = false;
  // When both are positive, a JPEG may be decoded at 1/2, 1/4 or 1/8 of its size as long as the result
  // stays at least this large (a cheaper way to a small picture). Other formats ignore it.
  int atLeastWidth = 0;
  int atLeastHeight = 0;
};

ImageDecodeResult decodeImage(const uint8_t* data, size_t size, const ImageDecodeOptions& options,
                              DecodedImage& out);

// A short English description for log lines ("not an image", "damaged", ...).
const char* imageDecodeResultText(ImageDecodeResult result);
