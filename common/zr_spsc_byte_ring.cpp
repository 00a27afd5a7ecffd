#include "common/zr_spsc_byte_ring.h"

#include <algorithm>
#include <cstring>

ZRSpscByteRing::ZRSpscByteRing(int capacity)
    : capacity_(std::max(0, capacity)),
      storage_(new unsigned char[static_cast<size_t>(std::max(1, capacity))]) {}

bool ZRSpscByteRing::putBlock(const void* src, int len) {
  if (len <= 0 || src == nullptr) return false;
  const uint64_t put = put_.load(std::memory_order_relaxed);
  const uint64_t taken = taken_.load(std::memory_order_acquire);
  if (static_cast<uint64_t>(capacity_) - (put - taken) < static_cast<uint64_t>(len)) return false;
  const size_t at = static_cast<size_t>(put % static_cast<uint64_t>(capacity_));
  const size_t first = std::min(static_cast<size_t>(len), static_cast<size_t>(capacity_) - at);
  const auto* bytes = static_cast<const unsigned char*>(src);
  std::memcpy(storage_.get() + at, bytes, first);
  std::memcpy(storage_.get(), bytes + first, static_cast<size_t>(len) - first);
  // Publishes the bytes: the consumer's acquire of put_ sees them written.
  put_.store(put + static_cast<uint64_t>(len), std::memory_order_release);
  return true;
}

bool ZRSpscByteRing::getBlock(void* dst, int len) {
  if (len <= 0) return false;
  const uint64_t taken = taken_.load(std::memory_order_relaxed);
  const uint64_t put = put_.load(std::memory_order_acquire);
  if (put - taken < static_cast<uint64_t>(len)) return false;
  if (dst != nullptr) {
    const size_t at = static_cast<size_t>(taken % static_cast<uint64_t>(capacity_));
    const size_t first = std::min(static_cast<size_t>(len), static_cast<size_t>(capacity_) - at);
    auto* bytes = static_cast<unsigned char*>(dst);
    std::memcpy(bytes, storage_.get() + at, first);
    std::memcpy(bytes + first, storage_.get(), static_cast<size_t>(len) - first);
  }
  // Frees the room only after the bytes were copied out.
  taken_.store(taken + static_cast<uint64_t>(len), std::memory_order_release);
  return true;
}

int ZRSpscByteRing::getUsed() const {
  const uint64_t taken = taken_.load(std::memory_order_acquire);
  const uint64_t put = put_.load(std::memory_order_acquire);
  return static_cast<int>(put - taken);
}

void ZRSpscByteRing::clear() {
  taken_.store(put_.load(std::memory_order_relaxed), std::memory_order_release);
}
