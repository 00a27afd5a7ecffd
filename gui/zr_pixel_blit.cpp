#include "gui/zr_pixel_blit.h"

#include <algorithm>
#include <cstring>

namespace {

// Clips a block against both pictures; false when nothing is left.
bool clipBlock(int& sx, int& sy, int sourceStride, int sourceHeight, int& dx, int& dy, int destinationStride,
               int destinationHeight, int& w, int& h) {
  if (sx < 0) {
    dx -= sx;
    w += sx;
    sx = 0;
  }
  if (sy < 0) {
    dy -= sy;
    h += sy;
    sy = 0;
  }
  if (dx < 0) {
    sx -= dx;
    w += dx;
    dx = 0;
  }
  if (dy < 0) {
    sy -= dy;
    h += dy;
    dy = 0;
  }
  w = std::min({w, sourceStride - sx, destinationStride - dx});
  h = std::min({h, sourceHeight - sy, destinationHeight - dy});
  return w > 0 && h > 0;
}

}  // namespace

void convertColorBufferFromARGBtoRGBA(const uint8_t* source, uint8_t* destination, size_t lengthInBytes) {
  if (source == nullptr || destination == nullptr) return;
  for (size_t i = 0; i + 4 <= lengthInBytes; i += 4) {
    const uint8_t b0 = source[i], b2 = source[i + 2];
    destination[i] = b2;
    destination[i + 1] = source[i + 1];
    destination[i + 2] = b0;
    destination[i + 3] = source[i + 3];
  }
}

void rgbaBlit(const uint8_t* source, int sx, int sy, int sourceStride, int sourceHeight, uint8_t* destination,
              int dx, int dy, int destinationStride, int destinationHeight, int w, int h, bool swapRB) {
  if (source == nullptr || destination == nullptr) return;
  if (!clipBlock(sx, sy, sourceStride, sourceHeight, dx, dy, destinationStride, destinationHeight, w, h))
    return;
  for (int row = 0; row < h; ++row) {
    const uint8_t* s = source + (static_cast<size_t>(sy + row) * sourceStride + sx) * 4;
    uint8_t* d = destination + (static_cast<size_t>(dy + row) * destinationStride + dx) * 4;
    if (swapRB) {
      convertColorBufferFromARGBtoRGBA(s, d, static_cast<size_t>(w) * 4);
    } else {
      std::memmove(d, s, static_cast<size_t>(w) * 4);
    }
  }
}

void rgbaBlitWithAlpha(const uint8_t* source, int sx, int sy, int sourceStride, int sourceHeight,
                       uint8_t* destination, int dx, int dy, int destinationStride, int destinationHeight,
                       int w, int h, bool swapRB) {
  if (source == nullptr || destination == nullptr) return;
  if (!clipBlock(sx, sy, sourceStride, sourceHeight, dx, dy, destinationStride, destinationHeight, w, h))
    return;
  const int first = swapRB ? 2 : 0, third = swapRB ? 0 : 2;
  for (int row = 0; row < h; ++row) {
    const uint8_t* s = source + (static_cast<size_t>(sy + row) * sourceStride + sx) * 4;
    uint8_t* d = destination + (static_cast<size_t>(dy + row) * destinationStride + dx) * 4;
    for (int x = 0; x < w; ++x, s += 4, d += 4) {
      const float a = s[3] / 255.0f;
      const float keep = 1.0f - a;
      const int from[3] = {s[first], s[1], s[third]};
      for (int c = 0; c < 3; ++c) {
        const float v = d[c] * keep + from[c] * a;
        d[c] = static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f));
      }
      d[3] = std::max(d[3], s[3]);
    }
  }
}
