#pragma once
// Pools of large, equally sized, aligned memory blocks that are taken and
// given back many times a second (the decks' one-second audio blocks, decoded
// video frames). A pool grows by one block whenever every block is in use
// and frees nothing until it is destroyed, so once it has reached its working
// size, taking and releasing blocks never touches the general allocator.
//
// Every operation takes the pool's mutex: any thread may take and release
// blocks, but the audio thread must not (it would wait on the mutex).

#include <cstddef>
#include <mutex>
#include <type_traits>
#include <unordered_map>

// Requests to keep memory resident (no paging), for real-time use. They do no
// work on this platform and report "not locked".
// Would reserve lockable memory for the process; returns 0.
int ZRMemoryInit(size_t bytes);
// Returns non-zero when the range was locked; 0 here.
int ZRMemoryLock(const void* address, size_t bytes);
// Returns 0.
int ZRMemoryUnlock(const void* address, size_t bytes);

// Blocks of a size fixed at construction. Errors are logged and answered with
// a null block or by ignoring the call.
class ZRMemoryPoolUntyped {
 public:
  // alignment: every block address is a multiple of it (values below 1 are
  // taken as 1). maxBlocks: the most blocks the pool may hold, 0 or less for
  // no limit. lockMemory: ask the platform to keep each block resident.
  ZRMemoryPoolUntyped(int blockSize, int alignment, int maxBlocks, bool lockMemory);
  ~ZRMemoryPoolUntyped();

  ZRMemoryPoolUntyped(const ZRMemoryPoolUntyped&) = delete;
  ZRMemoryPoolUntyped& operator=(const ZRMemoryPoolUntyped&) = delete;

  // A block marked in use: a free one when there is one, else a new one.
  // Null after "error: already reached maxBlocks (%d)" or "error: cannot
  // allocate internal block", each followed by "error: cannot get a free block".
  void* getFreeBlock();
  // Marks the block free for reuse; a pointer this pool did not hand out logs
  // "error: block cannot be found" and changes nothing. Releasing twice is harmless.
  void releaseBlock(void* block);

  int getBlockSize() const { return blockSize_; }
  int getAlignment() const { return alignment_; }
  int getMaxBlocks() const { return maxBlocks_; }
  // Blocks the pool holds, in use or free.
  int getBlockCount();

 protected:
  // Adds n free blocks; a block that cannot be made is skipped after its log line.
  void preAllocBlocksImpl(int n);
  // Adds one block, in use or free as asked; null (logged) at the limit or
  // when memory is exhausted. The mutex must be held.
  void* internalAllocateAndAddNewBlock(bool inUse);

 private:
  struct Record {
    void* raw;  // what the allocator returned; the block lies inside it
    bool inUse;
    bool locked;  // the platform accepted the lock request
  };

  size_t allocationSize() const;

  int blockSize_;
  int alignment_;
  int maxBlocks_;
  bool lockMemory_;
  std::unordered_map<void*, Record> blocks_;
  std::mutex mutex_;
};

// Blocks the size of T. They are raw storage: no constructor or destructor of
// T runs, so T must be a plain record.
template <class T>
class ZRMemoryPool : private ZRMemoryPoolUntyped {
  static_assert(std::is_trivially_destructible_v<T>, "pool blocks are raw storage");

 public:
  ZRMemoryPool(int alignment, int maxBlocks, bool lockMemory)
      : ZRMemoryPoolUntyped(static_cast<int>(sizeof(T)), alignment, maxBlocks, lockMemory) {}

  T* getFreeBlock() { return static_cast<T*>(ZRMemoryPoolUntyped::getFreeBlock()); }
  void releaseBlock(T* block) { ZRMemoryPoolUntyped::releaseBlock(block); }
  // Adds n free blocks up front so that the first n requests allocate nothing.
  void preAllocBlocks(int n) { preAllocBlocksImpl(n); }

  using ZRMemoryPoolUntyped::getAlignment;
  using ZRMemoryPoolUntyped::getBlockCount;
  using ZRMemoryPoolUntyped::getMaxBlocks;
};
