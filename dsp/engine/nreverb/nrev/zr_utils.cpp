#include "dsp/engine/nreverb/nrev/zr_utils.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ZR_utils {

namespace {
thread_local bool quiet = false;
}

float dB2R(float x) {
  return std::pow(10.0f, x / 20.0f);
}

float R2dB(float x) {
  return 20.0f * std::log(x) / std::log(10.0f);
}

void mute(float* buffer, long n) {
  if (buffer == nullptr || n < 1) return;
  std::memset(buffer, 0, sizeof(float) * static_cast<size_t>(n));
}

bool isPrime(long n) {
  if (n == 2) return true;
  if (n % 2 == 0 || n < 1) return false;
  long s = static_cast<long>(std::sqrt(static_cast<double>(n)));
  while (s * s > n) --s;
  while ((s + 1) * (s + 1) <= n) ++s;
  if (s <= 2) return true;
  for (long d = 3; d <= s; d += 2) {
    if (n % d == 0) return false;
  }
  return true;
}

void* aligned_malloc(size_t size, size_t alignment) {
  if (alignment < 1) alignment = 8;
  char* block = static_cast<char*>(std::malloc(size + alignment + 8));
  if (block == nullptr) return nullptr;
  uintptr_t at = reinterpret_cast<uintptr_t>(block) + 8;
  at = at / alignment * alignment + alignment;
  void* result = reinterpret_cast<void*>(at);
  std::memcpy(reinterpret_cast<char*>(result) - 8, &block, sizeof(block));
  return result;
}

void aligned_free(void* p) {
  if (p == nullptr) return;
  char* block = nullptr;
  std::memcpy(&block, static_cast<char*>(p) - 8, sizeof(block));
  std::free(block);
}

void diag(const char* format, ...) {
  if (quiet) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}

QuietScope::QuietScope() : previous_(quiet) {
  quiet = true;
}

QuietScope::~QuietScope() {
  quiet = previous_;
}

}  // namespace ZR_utils
