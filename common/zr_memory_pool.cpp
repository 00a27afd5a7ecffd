#include "common/zr_memory_pool.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#include "common/zr_logging.h"

int ZRMemoryInit(size_t) {
  return 0;
}

int ZRMemoryLock(const void*, size_t) {
  return 0;
}

int ZRMemoryUnlock(const void*, size_t) {
  return 0;
}

ZRMemoryPoolUntyped::ZRMemoryPoolUntyped(int blockSize, int alignment, int maxBlocks, bool lockMemory)
    : blockSize_(blockSize < 0 ? 0 : blockSize),
      alignment_(alignment < 1 ? 1 : alignment),
      maxBlocks_(maxBlocks),
      lockMemory_(lockMemory) {}

ZRMemoryPoolUntyped::~ZRMemoryPoolUntyped() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [block, record] : blocks_) {
    if (lockMemory_ && record.locked) ZRMemoryUnlock(record.raw, allocationSize());
    std::free(record.raw);
  }
  blocks_.clear();
}

size_t ZRMemoryPoolUntyped::allocationSize() const {
  // Size plus one alignment, rounded up to a multiple of the alignment: the
  // aligned block always fits whatever address the allocator returns.
  const size_t a = static_cast<size_t>(alignment_);
  const size_t n = static_cast<size_t>(blockSize_) + a;
  return (n + a - 1) / a * a;
}

void* ZRMemoryPoolUntyped::internalAllocateAndAddNewBlock(bool inUse) {
  if (maxBlocks_ > 0 && blocks_.size() >= static_cast<size_t>(maxBlocks_)) {
    ZRLOG("error: already reached maxBlocks (%d)", maxBlocks_);
    return nullptr;
  }
  const size_t size = allocationSize();
  void* raw = std::malloc(size);
  if (raw == nullptr) {
    ZRLOG("error: cannot allocate internal block");
    return nullptr;
  }
  const uintptr_t a = static_cast<uintptr_t>(alignment_);
  const uintptr_t address = reinterpret_cast<uintptr_t>(raw);
  void* block = reinterpret_cast<void*>((address + a - 1) / a * a);
  const bool locked = lockMemory_ && ZRMemoryLock(raw, size) != 0;
  try {
    blocks_.emplace(block, Record{raw, inUse, locked});
  } catch (const std::bad_alloc&) {
    if (locked) ZRMemoryUnlock(raw, size);
    std::free(raw);
    ZRLOG("error: cannot allocate internal block");
    return nullptr;
  }
  return block;
}

void* ZRMemoryPoolUntyped::getFreeBlock() {
  void* block = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [address, record] : blocks_) {
      if (!record.inUse) {
        record.inUse = true;
        return address;
      }
    }
    block = internalAllocateAndAddNewBlock(true);
  }
  if (block == nullptr) ZRLOG("error: cannot get a free block");
  return block;
}

void ZRMemoryPoolUntyped::releaseBlock(void* block) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = blocks_.find(block);
  if (it == blocks_.end()) {
    ZRLOG("error: block cannot be found");
    return;
  }
  it->second.inUse = false;
}

int ZRMemoryPoolUntyped::getBlockCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(blocks_.size());
}

void ZRMemoryPoolUntyped::preAllocBlocksImpl(int n) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (int i = 0; i < n; ++i) internalAllocateAndAddNewBlock(false);
}
