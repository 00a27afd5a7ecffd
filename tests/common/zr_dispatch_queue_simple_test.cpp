#include "common/zr_dispatch_queue_simple.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "concurrency_test_helpers.h"

using orvel_test::runWithin;

namespace {

bool post(ZRDispatchQueueBase& queue, const ZRTask& fn) {
  return queue.addTask(fn, std::chrono::microseconds(0), ZRSystemNow(), false, false, nullptr);
}

}  // namespace

TEST(ZRDispatchQueueSimpleTest, Names) {
  const std::string name31(31, 'q');
  const std::string name32(32, 'q');
  EXPECT_STREQ(ZRDispatchQueueSimple("main").getName(), "main");
  EXPECT_STREQ(ZRDispatchQueueSimple(name31.c_str()).getName(), name31.c_str());
  EXPECT_STREQ(ZRDispatchQueueSimple(name32.c_str()).getName(), "unnamed");
  EXPECT_STREQ(ZRDispatchQueueSimple(nullptr).getName(), "unnamed");
}

TEST(ZRDispatchQueueSimpleTest, TimesNothing) {
  ZRDispatchQueueSimple queue("GUI");
  EXPECT_FALSE(queue.allowsRepeatingTasks());
  EXPECT_FALSE(queue.allowsDelayedTasks());
  // Repetition, delay and reply queue are ignored: the task runs once, here.
  int runs = 0;
  ZRDispatchQueueSimple other("other");
  EXPECT_TRUE(queue.addTask(
      [&] {
        ++runs;
        return true;
      },
      std::chrono::hours(1), ZRSystemNow() + std::chrono::hours(1), true, true, &other));
  queue.execute();
  queue.execute();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(other.isEmpty());
}

TEST(ZRDispatchQueueSimpleTest, ExecuteRunsInOrderOnTheCallerIncludingTasksAddedMeanwhile) {
  ZRDispatchQueueSimple queue("main");
  std::vector<int> order;
  std::vector<std::thread::id> threads;
  for (int i = 0; i < 3; ++i) {
    post(queue, [&, i] {
      order.push_back(i);
      threads.push_back(std::this_thread::get_id());
      if (i == 1)
        post(queue, [&] {
          order.push_back(99);
          return true;
        });
      return false;  // results are ignored
    });
  }
  EXPECT_FALSE(queue.isEmpty());
  queue.execute();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 99}));
  for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_TRUE(queue.isEmpty());
}

TEST(ZRDispatchQueueSimpleTest, ClearAndDisable) {
  ZRDispatchQueueSimple queue("audio");
  int runs = 0;
  auto task = [&] {
    ++runs;
    return true;
  };
  post(queue, task);
  post(queue, ZRTask());  // an empty function is skipped, not called
  queue.clear();
  EXPECT_TRUE(queue.isEmpty());
  post(queue, task);
  queue.disableAddTask();
  EXPECT_FALSE(post(queue, task));
  queue.execute();  // what was queued before still runs
  EXPECT_EQ(runs, 1);
}

TEST(ZRDispatchQueueSimpleTest, ManyPostersOneDrainer) {
  ZRDispatchQueueSimple queue("main");
  std::atomic<int> runs{0};
  constexpr int kPosters = 4, kEach = 2000;
  ASSERT_TRUE(runWithin([&] {
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p) {
      posters.emplace_back([&] {
        for (int i = 0; i < kEach; ++i)
          post(queue, [&] {
            runs.fetch_add(1, std::memory_order_relaxed);
            return true;
          });
      });
    }
    for (auto& t : posters) t.join();
    queue.execute();
  }));
  EXPECT_EQ(runs.load(), kPosters * kEach);
}
