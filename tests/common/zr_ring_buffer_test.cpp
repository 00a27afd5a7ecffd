#include "common/zr_ring_buffer.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "concurrency_test_helpers.h"

namespace {

std::vector<unsigned char> bytes(int from, int count) {
  std::vector<unsigned char> v(static_cast<size_t>(count));
  std::iota(v.begin(), v.end(), static_cast<unsigned char>(from));
  return v;
}

class RingBufferBothKinds : public ::testing::TestWithParam<bool> {};

TEST_P(RingBufferBothKinds, PutBlockIsAllOrNothing) {
  ZRRingBuffer ring(10, GetParam());
  auto first = bytes(1, 6);
  EXPECT_TRUE(ring.putBlock(first.data(), 6));
  EXPECT_FALSE(ring.putBlock(first.data(), 6));
  EXPECT_EQ(ring.getUsed(), 6);
  EXPECT_FALSE(ring.putBlock(first.data(), 0));
  EXPECT_FALSE(ring.putBlock(first.data(), -3));
  EXPECT_EQ(ring.getUsed(), 6);
}

TEST_P(RingBufferBothKinds, OverwriteDropsTheOldestBytes) {
  ZRRingBuffer ring(10, GetParam());
  auto first = bytes(1, 6);    // 1..6
  auto second = bytes(11, 6);  // 11..16
  ASSERT_TRUE(ring.putBlock(first.data(), 6));
  EXPECT_EQ(ring.putBlockWithOverwriteIfNeeded(second.data(), 6), 2);
  EXPECT_EQ(ring.getUsed(), 10);
  std::vector<unsigned char> out(10);
  ASSERT_TRUE(ring.getBlock(out.data(), 10));
  EXPECT_EQ(out, (std::vector<unsigned char>{3, 4, 5, 6, 11, 12, 13, 14, 15, 16}));
  EXPECT_EQ(ring.getUsed(), 0);
}

TEST_P(RingBufferBothKinds, OverwriteWithRoomDropsNothingAndRefusesTooLarge) {
  ZRRingBuffer ring(10, GetParam());
  auto data = bytes(1, 11);
  EXPECT_EQ(ring.putBlockWithOverwriteIfNeeded(data.data(), 4), 0);
  EXPECT_EQ(ring.putBlockWithOverwriteIfNeeded(data.data(), 11), -1);
  EXPECT_EQ(ring.putBlockWithOverwriteIfNeeded(data.data(), 0), -1);
  EXPECT_EQ(ring.getUsed(), 4);
  std::vector<unsigned char> out(4);
  ASSERT_TRUE(ring.getBlock(out.data(), 4));
  EXPECT_EQ(out, bytes(1, 4));
}

TEST_P(RingBufferBothKinds, WritesAndReadsWrapAroundTheEnd) {
  ZRRingBuffer ring(10, GetParam());
  auto head = bytes(100, 4);
  std::vector<unsigned char> out(8);
  ASSERT_TRUE(ring.putBlock(head.data(), 4));
  ASSERT_TRUE(ring.getBlock(out.data(), 4));
  auto wrapped = bytes(1, 8);  // lands at offsets 4..9 and 0..1
  ASSERT_TRUE(ring.putBlock(wrapped.data(), 8));
  EXPECT_EQ(ring.getUsed(), 8);
  ASSERT_TRUE(ring.getBlock(out.data(), 8));
  EXPECT_EQ(out, wrapped);
  // Many more rounds keep the order across the seam.
  for (int round = 0; round < 25; ++round) {
    auto chunk = bytes(round * 7, 7);
    ASSERT_TRUE(ring.putBlock(chunk.data(), 7));
    std::vector<unsigned char> got(7);
    ASSERT_TRUE(ring.getBlock(got.data(), 7));
    ASSERT_EQ(got, chunk) << "round " << round;
  }
}

TEST_P(RingBufferBothKinds, NullDestinationSkipsAndEmptyReadsFail) {
  ZRRingBuffer ring(10, GetParam());
  auto data = bytes(1, 8);
  ASSERT_TRUE(ring.putBlock(data.data(), 8));
  EXPECT_TRUE(ring.getBlock(nullptr, 4));
  EXPECT_EQ(ring.getUsed(), 4);
  unsigned char out[8] = {};
  EXPECT_FALSE(ring.getBlock(out, 0));
  EXPECT_FALSE(ring.getBlock(out, 5));
  EXPECT_EQ(ring.getUsed(), 4);
  ASSERT_TRUE(ring.getBlock(out, 4));
  EXPECT_EQ(std::vector<unsigned char>(out, out + 4), bytes(5, 4));
}

TEST_P(RingBufferBothKinds, OverlappedReadsRepeatTheUnadvancedBytes) {
  ZRRingBuffer ring(10, GetParam());
  auto skip = bytes(200, 5);
  ASSERT_TRUE(ring.putBlock(skip.data(), 5));  // move the read position so windows wrap
  ASSERT_TRUE(ring.getBlock(nullptr, 5));
  auto data = bytes(1, 10);  // bytes 1..10
  ASSERT_TRUE(ring.putBlock(data.data(), 10));
  std::vector<unsigned char> out(8);
  ASSERT_TRUE(ring.getBlockOverlap(out.data(), 8, 2));
  EXPECT_EQ(out, bytes(1, 8));
  EXPECT_EQ(ring.getUsed(), 8);
  ASSERT_TRUE(ring.getBlockOverlap(out.data(), 8, 2));
  EXPECT_EQ(out, bytes(3, 8));
  EXPECT_EQ(ring.getUsed(), 6);
  EXPECT_FALSE(ring.getBlockOverlap(out.data(), 8, 2));  // only 6 stored
  EXPECT_FALSE(ring.getBlockOverlap(out.data(), 4, 5));  // advance beyond the window
  EXPECT_FALSE(ring.getBlockOverlap(out.data(), 4, -1));
  EXPECT_EQ(ring.getUsed(), 6);
}

TEST_P(RingBufferBothKinds, ClearEmptiesTheRing) {
  ZRRingBuffer ring(10, GetParam());
  auto data = bytes(1, 7);
  ASSERT_TRUE(ring.putBlock(data.data(), 7));
  ring.clear();
  EXPECT_EQ(ring.getUsed(), 0);
  EXPECT_TRUE(ring.putBlock(data.data(), 7));
  EXPECT_EQ(ring.putBlockWithOverwriteIfNeeded(data.data(), 7), 4);
}

INSTANTIATE_TEST_SUITE_P(RingBuffer, RingBufferBothKinds, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Locked" : "Unlocked"; });

// A producer and a consumer on two threads through the ring's own lock: the
// consumer sees exactly the produced byte sequence.
TEST(RingBufferThreads, LockedRingCarriesAStreamIntact) {
  ZRRingBuffer ring(1000, true);
  EXPECT_TRUE(orvel_test::streamsIntact(ring, 200000));
}

}  // namespace
