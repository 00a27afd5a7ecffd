#include "dsp/engine/nreverb/nrev/zr_line.h"

#include <algorithm>
#include <cstring>

void ZR_line::reserve(long n) {
  if (n <= capacity) return;
  std::unique_ptr<float[]> grown(new float[n]());
  if (length > 0) std::memcpy(grown.get(), buffer.get(), sizeof(float) * length);
  buffer = std::move(grown);
  capacity = n;
}

void ZR_line::resize(long n) {
  if (n <= 0) return;
  const long old = length;
  const long keep = std::min(old, n);
  if (old > 0) {
    // Oldest sample first: the position written next holds the oldest value.
    std::rotate(buffer.get(), buffer.get() + index, buffer.get() + old);
  }
  if (n > capacity) {
    std::unique_ptr<float[]> grown(new float[n]());
    if (keep > 0) std::memcpy(grown.get() + (n - keep), buffer.get() + (old - keep), sizeof(float) * keep);
    buffer = std::move(grown);
    capacity = n;
  } else {
    if (keep > 0) std::memmove(buffer.get() + (n - keep), buffer.get() + (old - keep), sizeof(float) * keep);
    std::fill(buffer.get(), buffer.get() + (n - keep), 0.0f);
  }
  length = n;
  index = 0;
}

void ZR_line::zero() {
  if (length > 0) std::fill(buffer.get(), buffer.get() + length, 0.0f);
  index = 0;
}

void ZR_line::release() {
  buffer.reset();
  capacity = 0;
  length = 0;
  index = 0;
}
