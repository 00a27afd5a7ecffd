#pragma once
// Small helpers of the reverb engine: level conversions, buffer clearing, the prime test that keeps the
// engine's line lengths free of common factors, 8-byte-header aligned allocation, the per-value flush of
// non-normal floats, and the engine's diagnostic lines on the standard error stream.

#include <cmath>
#include <cstddef>

namespace ZR_utils {

// 10^(x/20).
float dB2R(float x);
// 20 ln x / ln 10.
float R2dB(float x);

// n zero floats from buffer (nothing for n < 1).
void mute(float* buffer, long n);

// True for 2, false for other even numbers, true when the integer square root is at most 2, otherwise true
// when no odd divisor from 3 up to that root divides n. So 1 counts as prime; 0 and negatives do not.
bool isPrime(long n);

// Allocates size + alignment + 8 bytes and returns an address that is a multiple of alignment with the
// block's own address stored in the 8 bytes before it; null when the allocation fails.
void* aligned_malloc(size_t size, size_t alignment);
// Releases a block from aligned_malloc (nothing for null).
void aligned_free(void* p);

// A value that is neither a normal number nor zero (denormal, infinite, not a number) becomes 0, so that a
// decaying tail never drops into slow denormal arithmetic and a bad value cannot circulate in a line.
inline float undenormal(float v) {
  return std::isnormal(v) ? v : 0.0f;
}

// Writes one diagnostic line (printf format) to the standard error stream, unless the calling thread is
// inside a QuietScope: the audio thread keeps configuration diagnostics off its path.
void diag(const char* format, ...) __attribute__((format(printf, 1, 2)));

// While it lives, diag writes nothing on the thread that made it.
class QuietScope {
 public:
  QuietScope();
  ~QuietScope();
  QuietScope(const QuietScope&) = delete;
  QuietScope& operator=(const QuietScope&) = delete;

 private:
  bool previous_;
};

}  // namespace ZR_utils
