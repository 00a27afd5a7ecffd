#include "dsp/engine/zr_audio_block_pool.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "dsp/engine/zr_audio_signal_source.h"

namespace {

class SilentSource : public ZRAudioSignalSource {
 public:
  void GetSamples(float*, int) override {}
  void GetSamplesShort(short*, int) override {}
  float GetCurrentBPM() override { return 0; }
  int GetCurrentPos() override { return 0; }
  int GetLength() override { return -1; }
  void BeforeGetSamples(int) override {}
};

TEST(AudioSignalSourceTest, MixPointsKeepTheirDefaults) {
  SilentSource s;
  s.SetMixInPoint(3.0);
  s.SetMixOutPoint(10.0);
  s.SetMixInPointFrames(100);
  s.SetMixOutPointFrames(200);
  EXPECT_EQ(s.GetMixInPoint(), 0.0);
  EXPECT_EQ(s.GetMixOutPoint(), -1.0);
  EXPECT_EQ(s.GetMixInPointFrames(), 0);
  EXPECT_EQ(s.GetMixOutPointFrames(), -1);
}

TEST(AudioBlockPoolTest, OnePoolPreallocatedAndGrowing) {
  EXPECT_EQ(sizeof(ZRAudioBlock) % 64, 0u);
  ZRMemoryPool<ZRAudioBlock>* seen[2] = {};
  std::thread a([&] { seen[0] = ZRAudioBlockPool::get(); });
  std::thread b([&] { seen[1] = ZRAudioBlockPool::get(); });
  a.join();
  b.join();
  ASSERT_NE(seen[0], nullptr);
  EXPECT_EQ(seen[0], seen[1]);
  ZRMemoryPool<ZRAudioBlock>* pool = ZRAudioBlockPool::get();
  const int start = pool->getBlockCount();
  EXPECT_GE(start, ZRAudioBlockPool::kPreallocatedBlocks);

  // Take every block and one more: the pool grows by one.
  std::vector<ZRAudioBlock*> taken;
  for (int i = 0; i <= start; ++i) {
    ZRAudioBlock* block = pool->getFreeBlock();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 64, 0u);
    taken.push_back(block);
  }
  EXPECT_EQ(pool->getBlockCount(), start + 1);
  pool->releaseBlock(taken.back());
  taken.pop_back();
  EXPECT_NE(pool->getFreeBlock(), nullptr);
  EXPECT_EQ(pool->getBlockCount(), start + 1);
  for (ZRAudioBlock* block : taken) pool->releaseBlock(block);
}

}  // namespace
