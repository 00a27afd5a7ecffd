#include "dsp/engine/zr_audio_block_pool.h"

namespace {

constexpr size_t kLockableBytes = 419430400;  // 400 MiB

ZRMemoryPool<ZRAudioBlock>* makePool() {
  ZRMemoryInit(kLockableBytes);
  static ZRMemoryPool<ZRAudioBlock> pool(64, -1, true);
  pool.preAllocBlocks(ZRAudioBlockPool::kPreallocatedBlocks);
  return &pool;
}

}  // namespace

ZRMemoryPool<ZRAudioBlock>* ZRAudioBlockPool::get() {
  static ZRMemoryPool<ZRAudioBlock>* const pool = makePool();
  return pool;
}
