#pragma once
// Reading the pixels of a drawing context in tests (the bitmap is B, G, R, A, premultiplied).

#include <cstdint>

#include "gui/zr_draw_context.h"

namespace orvel_test {

struct Bgra {
  int b = 0, g = 0, r = 0, a = 0;
};

inline Bgra pixelAt(ZRDrawContext& dc, int x, int y) {
  const uint8_t* p = dc.getDataAlwaysInRGBA(false) + (static_cast<size_t>(y) * dc.getPixelWidth() + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

// The ink of a drawing: pixels whose alpha reaches threshold, and their bounding box.
struct Ink {
  int count = 0;
  int left = -1, top = -1, right = -1, bottom = -1;  // inclusive; -1 without ink
};

inline Ink inkOf(ZRDrawContext& dc, int threshold = 128, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
  if (x1 < 0) x1 = dc.getPixelWidth();
  if (y1 < 0) y1 = dc.getPixelHeight();
  Ink ink;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      if (pixelAt(dc, x, y).a < threshold) continue;
      ++ink.count;
      if (ink.left < 0 || x < ink.left) ink.left = x;
      if (ink.right < 0 || x > ink.right) ink.right = x;
      if (ink.top < 0) ink.top = y;
      ink.bottom = y;
    }
  }
  return ink;
}

}  // namespace orvel_test
