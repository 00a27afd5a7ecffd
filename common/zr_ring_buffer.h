#pragma once
// ZRRingBuffer: a byte ring of fixed capacity that carries sample streams from
// a producer to a consumer (decoded audio, stretched deck audio, recorder and
// encoder input, the BPM detector's sliding window). It can drop its oldest
// bytes to make room, and it can read a window while advancing by less than
// the window.
//
// Made without a lock it is for one thread at a time (or callers that guard
// it themselves). Made with its lock, any threads may put, get and clear, and
// each operation is atomic with respect to the others. The lock is a spin
// lock held only for a copy, so the audio thread may use the ring.

#include <atomic>
#include <memory>

#include "common/zr_spin_lock.h"

class ZRRingBuffer {
 public:
  // An empty ring of capacity bytes (a capacity below 0 is taken as 0); with
  // withLock it owns a lock that every operation but getUsed() holds.
  ZRRingBuffer(int capacity, bool withLock);
  ~ZRRingBuffer();

  ZRRingBuffer(const ZRRingBuffer&) = delete;
  ZRRingBuffer& operator=(const ZRRingBuffer&) = delete;

  // Drops everything: both positions 0, all bytes free.
  void clear();

  // Stored bytes; read without the lock, so it may be a moment old.
  int getUsed() const;
  int getCapacity() const { return capacity_; }

  // Appends len bytes, all or nothing: false, nothing written, when len <= 0
  // or fewer than len bytes are free.
  bool putBlock(const void* src, int len);

  // Appends len bytes, first dropping as many of the oldest bytes as needed.
  // Returns the number of bytes dropped (0 when there was room), or -1, with
  // nothing written, when len <= 0 or len > capacity.
  int putBlockWithOverwriteIfNeeded(const void* src, int len);

  // Takes the len oldest bytes out into dst; a null dst skips them. False,
  // nothing changed, when len <= 0 or fewer than len bytes are stored.
  bool getBlock(void* dst, int len);

  // Copies the len oldest bytes into dst (unless null) but removes only
  // advance bytes, so the next read repeats len - advance bytes. False,
  // nothing changed, when len <= 0, fewer than len bytes are stored, or
  // advance is outside 0..len.
  bool getBlockOverlap(void* dst, int len, int advance);

 private:
  class Guard;

  void copyIn(const void* src, int len);
  void copyOut(void* dst, int len) const;

  unsigned char* storage_;
  int readPos_ = 0;
  int writePos_ = 0;
  // The only field read outside the lock (by getUsed).
  std::atomic<int> free_;
  const int capacity_;
  std::unique_ptr<ZRSpinLock> lock_;
};
