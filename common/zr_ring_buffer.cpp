#include "common/zr_ring_buffer.h"

#include <cstring>

// Holds the ring's lock for one operation when the ring has one.
class ZRRingBuffer::Guard {
 public:
  explicit Guard(ZRSpinLock* lock) : lock_(lock) {
    if (lock_ != nullptr) lock_->lock();
  }
  ~Guard() {
    if (lock_ != nullptr) lock_->unlock();
  }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  ZRSpinLock* lock_;
};

ZRRingBuffer::ZRRingBuffer(int capacity, bool withLock)
    : storage_(new unsigned char[capacity > 0 ? capacity : 1]),
      free_(capacity > 0 ? capacity : 0),
      capacity_(capacity > 0 ? capacity : 0),
      lock_(withLock ? std::make_unique<ZRSpinLock>() : nullptr) {}

ZRRingBuffer::~ZRRingBuffer() {
  delete[] storage_;
}

void ZRRingBuffer::clear() {
  Guard guard(lock_.get());
  readPos_ = 0;
  writePos_ = 0;
  free_.store(capacity_, std::memory_order_relaxed);
}

int ZRRingBuffer::getUsed() const {
  return capacity_ - free_.load(std::memory_order_relaxed);
}

void ZRRingBuffer::copyIn(const void* src, int len) {
  const auto* bytes = static_cast<const unsigned char*>(src);
  const int first = len < capacity_ - writePos_ ? len : capacity_ - writePos_;
  std::memcpy(storage_ + writePos_, bytes, static_cast<size_t>(first));
  if (len > first) std::memcpy(storage_, bytes + first, static_cast<size_t>(len - first));
  writePos_ = (writePos_ + len) % capacity_;
  free_.store(free_.load(std::memory_order_relaxed) - len, std::memory_order_relaxed);
}

void ZRRingBuffer::copyOut(void* dst, int len) const {
  auto* bytes = static_cast<unsigned char*>(dst);
  const int first = len < capacity_ - readPos_ ? len : capacity_ - readPos_;
  std::memcpy(bytes, storage_ + readPos_, static_cast<size_t>(first));
  if (len > first) std::memcpy(bytes + first, storage_, static_cast<size_t>(len - first));
}

bool ZRRingBuffer::putBlock(const void* src, int len) {
  if (len <= 0 || src == nullptr) return false;
  Guard guard(lock_.get());
  if (free_.load(std::memory_order_relaxed) < len) return false;
  copyIn(src, len);
  return true;
}

int ZRRingBuffer::putBlockWithOverwriteIfNeeded(const void* src, int len) {
  if (len <= 0 || len > capacity_ || src == nullptr) return -1;
  Guard guard(lock_.get());
  int dropped = 0;
  const int freeBytes = free_.load(std::memory_order_relaxed);
  if (freeBytes < len) {
    dropped = len - freeBytes;
    readPos_ = (readPos_ + dropped) % capacity_;
    free_.store(len, std::memory_order_relaxed);
  }
  copyIn(src, len);
  return dropped;
}

bool ZRRingBuffer::getBlock(void* dst, int len) {
  return getBlockOverlap(dst, len, len);
}

bool ZRRingBuffer::getBlockOverlap(void* dst, int len, int advance) {
  if (len <= 0 || advance < 0 || advance > len) return false;
  Guard guard(lock_.get());
  if (capacity_ - free_.load(std::memory_order_relaxed) < len) return false;
  if (dst != nullptr) copyOut(dst, len);
  readPos_ = (readPos_ + advance) % capacity_;
  free_.store(free_.load(std::memory_order_relaxed) + advance, std::memory_order_relaxed);
  return true;
}
