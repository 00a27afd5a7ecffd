#include "dsp/resample.h"

#include <cmath>

long CalculateDestinationSamples(double fromRate, double frames, double toRate) {
  if (fromRate <= 0 || frames <= 0 || toRate <= 0) return 0;
  return lrint(frames * toRate / fromRate);
}

void ResampleFloatSamples(const float* src, int srcFrames, float* dst, int dstFrames, int channels) {
  if (src == nullptr || dst == nullptr || channels < 1 || srcFrames < 1 || dstFrames < 1) return;
  const double r = static_cast<double>(srcFrames) / dstFrames;
  const long last = srcFrames - 1;
  for (int i = 0; i < dstFrames - 1; ++i) {
    const double p = r * i;
    const long g = static_cast<long>(floor(p));
    const float f = static_cast<float>(p - g);
    // Up-sampling by two or more reaches past the last source frame: the
    // last frame stands in for the one after it.
    const long g1 = g + 1 <= last ? g + 1 : last;
    const float* a = src + g * channels;
    const float* b = src + g1 * channels;
    float* o = dst + static_cast<long>(i) * channels;
    for (int c = 0; c < channels; ++c) o[c] = f * b[c] + (1.0f - f) * a[c];
  }
  const float* a = src + last * channels;
  float* o = dst + static_cast<long>(dstFrames - 1) * channels;
  for (int c = 0; c < channels; ++c) o[c] = a[c];
}

void resample_mono_floats(int fromRate, int toRate, int dstCount, const float* src, float* dst) {
  if (src == nullptr || dst == nullptr || dstCount < 1 || fromRate <= 0 || toRate <= 0) return;
  const double r = static_cast<double>(fromRate) / toRate;
  const long srcCount = static_cast<long>(floor(dstCount * r));
  if (srcCount < 1) return;
  const long last = srcCount - 1;
  for (int i = 0; i < dstCount - 1; ++i) {
    const double p = r * i;
    long g = static_cast<long>(floor(p));
    if (g > last) g = last;
    const long g1 = g + 1 <= last ? g + 1 : last;
    const float f = static_cast<float>(p - floor(p));
    dst[i] = f * src[g1] + (1.0f - f) * src[g];
  }
  dst[dstCount - 1] = src[last];
}
