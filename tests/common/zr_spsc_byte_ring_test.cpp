#include "common/zr_spsc_byte_ring.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "concurrency_test_helpers.h"

namespace {

TEST(SpscByteRing, AllOrNothingAcrossTheWrap) {
  ZRSpscByteRing ring(10);
  const unsigned char in[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  unsigned char out[10] = {};
  EXPECT_FALSE(ring.putBlock(in, 0));
  EXPECT_FALSE(ring.putBlock(in, 11));
  ASSERT_TRUE(ring.putBlock(in, 7));
  EXPECT_FALSE(ring.putBlock(in, 4)) << "only 3 bytes free";
  EXPECT_EQ(ring.getUsed(), 7);
  EXPECT_FALSE(ring.getBlock(out, 8));
  ASSERT_TRUE(ring.getBlock(out, 5));
  EXPECT_TRUE(std::equal(out, out + 5, in));
  // 2 stored at positions 5..6; 8 more wrap around the end.
  ASSERT_TRUE(ring.putBlock(in + 2, 8));
  EXPECT_EQ(ring.getUsed(), 10);
  ASSERT_TRUE(ring.getBlock(out, 10));
  const unsigned char expect[10] = {6, 7, 3, 4, 5, 6, 7, 8, 9, 10};
  EXPECT_TRUE(std::equal(out, out + 10, expect));
  ASSERT_TRUE(ring.putBlock(in, 3));
  EXPECT_TRUE(ring.getBlock(nullptr, 2));
  ring.clear();
  EXPECT_EQ(ring.getUsed(), 0);
  EXPECT_FALSE(ring.getBlock(out, 1));

  ZRSpscByteRing empty(0);
  EXPECT_FALSE(empty.putBlock(in, 1));
  EXPECT_FALSE(empty.getBlock(out, 1));
}

// One producer and one consumer thread: the consumer sees exactly the produced byte sequence.
TEST(SpscByteRing, CarriesAStreamIntactBetweenTwoThreads) {
  ZRSpscByteRing ring(1000);
  EXPECT_TRUE(orvel_test::streamsIntact(ring, 400000));
}

}  // namespace
