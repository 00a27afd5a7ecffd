#include "common/zr_lock_free_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "concurrency_test_helpers.h"

using namespace std::chrono_literals;
using orvel_test::runWithin;

TEST(ZRLockFreeQueueTest, OneThreadGetsItsItemsInOrderAndGrowsPastTheStartRoom) {
  ZRLockFreeQueue<std::string> queue;
  std::string item;
  EXPECT_FALSE(queue.try_dequeue(item));
  const int count = static_cast<int>(ZRLockFreeQueue<std::string>::kInitialCapacity) * 5;
  for (int i = 0; i < count; ++i) ASSERT_TRUE(queue.enqueue(std::to_string(i)));
  EXPECT_EQ(queue.size_approx(), static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    ASSERT_TRUE(queue.try_dequeue(item));
    EXPECT_EQ(item, std::to_string(i));
  }
  EXPECT_FALSE(queue.try_dequeue(item));
}

TEST(ZRLockFreeQueueTest, ClearAndDestructionDropItems) {
  auto shared = std::make_shared<int>(1);
  {
    ZRLockFreeQueue<std::shared_ptr<int>> queue;
    for (int i = 0; i < 10; ++i) queue.enqueue(shared);
    queue.clear();
    EXPECT_EQ(shared.use_count(), 1);
    std::shared_ptr<int> out;
    EXPECT_FALSE(queue.try_dequeue(out));
    for (int i = 0; i < 10; ++i) queue.enqueue(shared);
    EXPECT_EQ(shared.use_count(), 11);
  }
  EXPECT_EQ(shared.use_count(), 1);
}

TEST(ZRLockFreeQueueTest, AProducerMadeBeforehandFillsTheStartingRoomAndThenRefuses) {
  ZRLockFreeQueue<int> queue;
  ZRLockFreeQueue<int>::Producer producer(queue);
  // Another thread's items take their own room; they must not disturb the producer's order.
  std::thread([&] { ASSERT_TRUE(queue.enqueue(-1)); }).join();
  int accepted = 0;
  while (accepted < 10000 && queue.tryEnqueue(producer, accepted)) ++accepted;
  EXPECT_GT(accepted, 0);
  EXPECT_LE(accepted, static_cast<int>(ZRLockFreeQueue<int>::kInitialCapacity)) << "it never grows";
  std::vector<int> mine;
  int item;
  bool other = false;
  while (queue.try_dequeue(item)) {
    if (item == -1) {
      other = true;
    } else {
      mine.push_back(item);
    }
  }
  EXPECT_TRUE(other);
  ASSERT_EQ(static_cast<int>(mine.size()), accepted);
  for (int i = 0; i < accepted; ++i) ASSERT_EQ(mine[i], i);
  // Emptied, the room is there again.
  EXPECT_TRUE(queue.tryEnqueue(producer, 7));
  ASSERT_TRUE(queue.try_dequeue(item));
  EXPECT_EQ(item, 7);
}

TEST(ZRLockFreeQueueTest, ManyProducersAndConsumersLoseNothingAndKeepEachProducersOrder) {
  struct Item {
    int producer = 0;
    int sequence = 0;
  };
  constexpr int kProducers = 4, kConsumers = 4, kPerProducer = 20000;
  ZRLockFreeQueue<Item> queue;
  std::vector<std::atomic<int>> seen(kProducers * kPerProducer);
  std::atomic<int> received{0};
  std::atomic<int> outOfOrder{0};
  std::atomic<bool> producersDone{false};

  auto take = [&](const Item& item, std::vector<int>& last) {
    // One consumer sees one producer's items in their order.
    if (item.sequence <= last[item.producer]) outOfOrder.fetch_add(1);
    last[item.producer] = item.sequence;
    seen[item.producer * kPerProducer + item.sequence].fetch_add(1);
    received.fetch_add(1);
  };
  ASSERT_TRUE(runWithin(
      [&] {
        std::vector<std::thread> consumers;
        for (int c = 0; c < kConsumers; ++c) {
          consumers.emplace_back([&] {
            std::vector<int> last(kProducers, -1);
            Item item;
            for (;;) {
              const bool done = producersDone.load(std::memory_order_acquire);
              if (queue.try_dequeue(item)) {
                take(item, last);
              } else if (done) {
                break;
              }
            }
          });
        }
        std::vector<std::thread> producers;
        for (int p = 0; p < kProducers; ++p) {
          producers.emplace_back([&, p] {
            for (int i = 0; i < kPerProducer; ++i) queue.enqueue(Item{p, i});
          });
        }
        for (auto& t : producers) t.join();
        producersDone.store(true, std::memory_order_release);
        for (auto& t : consumers) t.join();
        // Whatever the consumers left after their last look.
        std::vector<int> last(kProducers, -1);
        Item item;
        while (queue.try_dequeue(item)) take(item, last);
      },
      60s));

  EXPECT_EQ(received.load(), kProducers * kPerProducer);
  EXPECT_EQ(outOfOrder.load(), 0);
  int duplicatesOrMissing = 0;
  for (auto& s : seen) duplicatesOrMissing += (s.load() != 1);
  EXPECT_EQ(duplicatesOrMissing, 0);
}
