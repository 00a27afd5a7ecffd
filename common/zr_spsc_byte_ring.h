#pragma once
// ZRSpscByteRing: a byte ring of fixed capacity between exactly one producer thread and one consumer
// thread, without any lock: each side only moves its own position (an atomic count of the bytes it has
// put or taken) and reads the other's. The audio thread hands blocks to a writer thread through it: a
// put never waits, allocates or enters the kernel.
//
// Which thread is the producer or the consumer may change only at a hand-over that orders the two (a
// thread join, for example). clear() is for when neither side is running.

#include <atomic>
#include <cstdint>
#include <memory>

class ZRSpscByteRing {
 public:
  // An empty ring of capacity bytes (below 0 taken as 0).
  explicit ZRSpscByteRing(int capacity);
  ZRSpscByteRing(const ZRSpscByteRing&) = delete;
  ZRSpscByteRing& operator=(const ZRSpscByteRing&) = delete;

  // Producer: appends len bytes, all or nothing; false (nothing written) when len <= 0 or fewer than
  // len bytes are free.
  bool putBlock(const void* src, int len);
  // Consumer: takes the len oldest bytes into dst (a null dst drops them); false (nothing taken) when
  // len <= 0 or fewer than len bytes are stored.
  bool getBlock(void* dst, int len);
  // Bytes stored; from either side a lower (consumer) or upper (producer) bound of the moment after.
  int getUsed() const;
  int getCapacity() const { return capacity_; }
  // Drops everything; neither side may run meanwhile.
  void clear();

 private:
  const int capacity_;
  std::unique_ptr<unsigned char[]> storage_;
  // Bytes ever put (written by the producer) and taken (written by the consumer), each on its own cache
  // line so that the two sides do not slow each other down.
  alignas(64) std::atomic<uint64_t> put_{0};
  alignas(64) std::atomic<uint64_t> taken_{0};
};
