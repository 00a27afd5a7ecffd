#include "platform/graphics/image_resample.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// The source pixels one output pixel reads along an axis, with their weights (summing to 1).
struct Taps {
  std::vector<int> first;  // per output pixel: index into weights of its first tap
  std::vector<int> start;  // per output pixel: first source pixel
  std::vector<int> count;  // per output pixel: number of taps
  std::vector<float> weights;
};

Taps makeTaps(int sourceSize, int size) {
  Taps t;
  t.first.resize(size);
  t.start.resize(size);
  t.count.resize(size);
  const double ratio = static_cast<double>(sourceSize) / size;
  for (int i = 0; i < size; ++i) {
    t.first[i] = static_cast<int>(t.weights.size());
    if (size < sourceSize) {
      // Area average over [a, b).
      const double a = i * ratio, b = (i + 1) * ratio;
      const int j0 = static_cast<int>(std::floor(a));
      const int j1 = std::min(sourceSize, static_cast<int>(std::ceil(b)));
      t.start[i] = j0;
      for (int j = j0; j < j1; ++j) {
        const double overlap = std::min<double>(j + 1, b) - std::max<double>(j, a);
        t.weights.push_back(static_cast<float>(std::max(0.0, overlap) / ratio));
      }
      t.count[i] = j1 - j0;
    } else {
      // Linear interpolation between the two nearest pixel centres.
      const double centre = (i + 0.5) * ratio - 0.5;
      const int j0 = static_cast<int>(std::floor(centre));
      const double f = centre - j0;
      const int lo = std::clamp(j0, 0, sourceSize - 1), hi = std::clamp(j0 + 1, 0, sourceSize - 1);
      t.start[i] = lo;
      if (hi == lo || f <= 0) {
        t.weights.push_back(1.0f);
        t.count[i] = 1;
      } else {
        t.weights.push_back(static_cast<float>(1 - f));
        t.weights.push_back(static_cast<float>(f));
        t.count[i] = 2;
      }
    }
  }
  return t;
}

}  // namespace

bool resampleRGBA(const uint8_t* source, int sourceWidth, int sourceHeight, int width, int height,
                  std::vector<uint8_t>& out) {
  if (source == nullptr || sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0) return false;
  try {
    const Taps tx = makeTaps(sourceWidth, width);
    const Taps ty = makeTaps(sourceHeight, height);
    // Horizontal pass on alpha-weighted colours.
    std::vector<float> rows(static_cast<size_t>(sourceHeight) * width * 4);
    for (int y = 0; y < sourceHeight; ++y) {
      const uint8_t* src = source + static_cast<size_t>(y) * sourceWidth * 4;
      float* dst = rows.data() + static_cast<size_t>(y) * width * 4;
      for (int x = 0; x < width; ++x) {
        float r = 0, g = 0, b = 0, a = 0;
        const float* w = tx.weights.data() + tx.first[x];
        const uint8_t* p = src + static_cast<size_t>(tx.start[x]) * 4;
        for (int k = 0; k < tx.count[x]; ++k, p += 4) {
          const float wa = w[k] * p[3];
          r += wa * p[0];
          g += wa * p[1];
          b += wa * p[2];
          a += wa;
        }
        dst[4 * x] = r;
        dst[4 * x + 1] = g;
        dst[4 * x + 2] = b;
        dst[4 * x + 3] = a;
      }
    }
    std::vector<uint8_t> result(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
      uint8_t* dst = result.data() + static_cast<size_t>(y) * width * 4;
      const float* w = ty.weights.data() + ty.first[y];
      for (int x = 0; x < width; ++x) {
        float r = 0, g = 0, b = 0, a = 0;
        for (int k = 0; k < ty.count[y]; ++k) {
          const float* p = rows.data() + (static_cast<size_t>(ty.start[y] + k) * width + x) * 4;
          r += w[k] * p[0];
          g += w[k] * p[1];
          b += w[k] * p[2];
          a += w[k] * p[3];
        }
        if (a > 0) {
          dst[4 * x] = static_cast<uint8_t>(std::clamp(std::lrint(r / a), 0L, 255L));
          dst[4 * x + 1] = static_cast<uint8_t>(std::clamp(std::lrint(g / a), 0L, 255L));
          dst[4 * x + 2] = static_cast<uint8_t>(std::clamp(std::lrint(b / a), 0L, 255L));
        }
        dst[4 * x + 3] = static_cast<uint8_t>(std::clamp(std::lrint(a), 0L, 255L));
      }
    }
    out.swap(result);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
