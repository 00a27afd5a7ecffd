#include "dsp/window_functions.h"

#include <cmath>

void getWindowFunction(float* out, int n, TWindowFunctions kind) {
  if (out == nullptr || n <= 0) return;
  switch (kind) {
    case kWindowRectangular:
      if (n < 2) return;
      for (int i = 0; i < n; ++i) out[i] = 1.0f;
      return;
    case kWindowTriangular: {
      if (n < 2) return;
      const int h = n / 2;
      const double H = n * 0.5;
      for (int i = 0; i < h; ++i) {
        out[i] = static_cast<float>(i / H);
        out[i + h] = static_cast<float>(1.0 - i / H);
      }
      // An odd length leaves one value after the falling half: continue it.
      if (n & 1) out[n - 1] = static_cast<float>(1.0 - h / H);
      return;
    }
    case kWindowHamming:
    case kWindowHann:
    case kWindowBlackman:
      break;
    default:
      return;
  }
  if (n == 1) {
    out[0] = 1.0f;
    return;
  }
  const double d = n - 1;
  for (int i = 0; i < n; ++i) {
    const double c = cos(2.0 * M_PI * i / d);
    double v;
    if (kind == kWindowHamming) {
      v = 0.54 - 0.46 * c;
    } else if (kind == kWindowHann) {
      v = 0.5 - 0.5 * c;
    } else {
      v = 0.42 - 0.5 * c + 0.08 * cos(4.0 * M_PI * i / d);
    }
    out[i] = static_cast<float>(v);
  }
}
