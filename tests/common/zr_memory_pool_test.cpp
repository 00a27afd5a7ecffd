#include "common/zr_memory_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "support/log_capture.h"

namespace {

class MemoryPoolTest : public ::testing::Test {
 protected:
  std::vector<std::string> lines() { return log_.lines(); }

 private:
  orvel_test::LogCapture log_;
};

struct Block {
  int16_t samples[1000];
  int32_t frames;
};

TEST_F(MemoryPoolTest, BlocksAreAlignedAndUsableInFull) {
  ZRMemoryPool<Block> pool(64, -1, true);
  std::vector<Block*> taken;
  for (int i = 0; i < 20; ++i) {
    Block* b = pool.getFreeBlock();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 64, 0u);
    std::memset(b, i, sizeof(Block));  // the whole block is writable
    taken.push_back(b);
  }
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(reinterpret_cast<unsigned char*>(taken[i])[sizeof(Block) - 1], static_cast<unsigned char>(i));
  }
  EXPECT_EQ(std::set<Block*>(taken.begin(), taken.end()).size(), 20u);
  EXPECT_TRUE(lines().empty());
}

TEST_F(MemoryPoolTest, MaximumIsKeptAndReleasedBlocksAreReused) {
  ZRMemoryPool<Block> pool(64, 2, false);
  Block* a = pool.getFreeBlock();
  Block* b = pool.getFreeBlock();
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(pool.getFreeBlock(), nullptr);
  EXPECT_EQ(lines(), (std::vector<std::string>{"-- ztv: error: already reached maxBlocks (2)",
                                               "-- ztv: error: cannot get a free block"}));
  pool.releaseBlock(b);
  EXPECT_EQ(pool.getFreeBlock(), b);
  pool.releaseBlock(a);
  pool.releaseBlock(a);  // twice: stays free
  EXPECT_EQ(pool.getFreeBlock(), a);
  EXPECT_EQ(pool.getBlockCount(), 2);
}

TEST_F(MemoryPoolTest, PreAllocatedBlocksAreHandedOutBeforeNewOnes) {
  ZRMemoryPool<Block> pool(64, -1, false);
  pool.preAllocBlocks(3);
  EXPECT_EQ(pool.getBlockCount(), 3);
  std::set<Block*> got;
  for (int i = 0; i < 3; ++i) got.insert(pool.getFreeBlock());
  EXPECT_EQ(got.size(), 3u);
  EXPECT_EQ(pool.getBlockCount(), 3);
  Block* fourth = pool.getFreeBlock();
  ASSERT_NE(fourth, nullptr);
  EXPECT_EQ(got.count(fourth), 0u);
  EXPECT_EQ(pool.getBlockCount(), 4);
}

TEST_F(MemoryPoolTest, ForeignPointerIsLoggedAndIgnored) {
  ZRMemoryPool<Block> pool(64, 1, false);
  Block* mine = pool.getFreeBlock();
  Block stranger;
  pool.releaseBlock(&stranger);
  EXPECT_EQ(lines(), std::vector<std::string>{"-- ztv: error: block cannot be found"});
  EXPECT_EQ(pool.getBlockCount(), 1);
  EXPECT_EQ(pool.getFreeBlock(), nullptr);  // the real block is still in use
  pool.releaseBlock(mine);
  EXPECT_EQ(pool.getFreeBlock(), mine);
}

TEST_F(MemoryPoolTest, UntypedPoolServesItsBlockSize) {
  ZRMemoryPoolUntyped pool(1280 * 4, 64, 0, false);
  EXPECT_EQ(pool.getBlockSize(), 5120);
  void* a = pool.getFreeBlock();
  void* b = pool.getFreeBlock();
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 64, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 64, 0u);
  std::memset(a, 1, 5120);
  std::memset(b, 2, 5120);
  EXPECT_EQ(static_cast<unsigned char*>(a)[5119], 1);
  pool.releaseBlock(a);
  EXPECT_EQ(pool.getFreeBlock(), a);
}

TEST_F(MemoryPoolTest, MemoryLockCallsDoNothing) {
  int x = 0;
  EXPECT_EQ(ZRMemoryInit(419430400), 0);
  EXPECT_EQ(ZRMemoryLock(&x, sizeof(x)), 0);
  EXPECT_EQ(ZRMemoryUnlock(&x, sizeof(x)), 0);
}

}  // namespace
