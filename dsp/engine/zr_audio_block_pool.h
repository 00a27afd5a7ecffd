#pragma once
// The decks decode whole tracks into one-second blocks of 16-bit stereo taken
// from one process-wide pool. Blocks are reused, never given back to the
// system, so loading track after track does not fragment memory; the pool
// starts with 900 blocks (15 minutes) and grows one block at a time.
//
// Only the decks' streaming threads take and release blocks (the pool's
// mutex); the audio thread reads blocks a deck already holds and never calls
// the pool.

#include <cstdint>

#include "common/zr_memory_pool.h"

struct alignas(64) ZRAudioBlock {
  static constexpr int kFrames = 44100;
  int16_t samples[kFrames * 2];  // interleaved left, right
  int32_t frames;                // frames the decoder delivered; the rest are zero
};

class ZRAudioBlockPool {
 public:
  static constexpr int kPreallocatedBlocks = 900;
  // The process-wide pool, created (thread-safe) on the first call.
  static ZRMemoryPool<ZRAudioBlock>* get();
};
