#include "common/zr_dispatch_queue_thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "common/zr_dispatch_queue_simple.h"
#include "common/zr_thread_utils.h"
#include "concurrency_test_helpers.h"
#include "platform/thread_platform.h"

using namespace std::chrono_literals;
using orvel_test::BoundedRun;
using orvel_test::eventually;
using orvel_test::runWithin;
using orvel_test::Signal;
using orvel_test::WaitableCounter;

namespace {

using Pool = ZRDispatchQueueThreadPool;

std::unique_ptr<Pool> makePool(int threads, int maxThreads, const char* name) {
  return std::make_unique<Pool>(threads, maxThreads, 1, name);
}

// Destroys the pool on a helper and fails instead of hanging.
void destroyWithin(std::unique_ptr<Pool>& pool) {
  Pool* raw = pool.release();
  ASSERT_TRUE(runWithin([raw] { delete raw; }));
}

bool addPlain(Pool& pool, const ZRTask& fn, std::chrono::microseconds interval = 0us,
              ZRDispatchQueueBase* reply = nullptr) {
  return pool.addTask(fn, interval, ZRSystemNow(), false, false, reply);
}

bool addRepeating(Pool& pool, const ZRTask& fn, std::chrono::microseconds interval,
                  ZRDispatchQueueBase* reply = nullptr) {
  return pool.addTask(fn, interval, ZRSystemNow(), true, false, reply);
}

bool addDelayed(Pool& pool, const ZRTask& fn, ZRSystemTimePoint at) {
  return pool.addTask(fn, 0us, at, false, true, nullptr);
}

}  // namespace

TEST(ZRDispatchQueueThreadPoolTest, WorkersAreNamedAfterThePoolAndRunInParallel) {
  auto pool = makePool(3, 6, "x");
  EXPECT_EQ(pool->getThreadCount(), 3);
  EXPECT_TRUE(pool->allowsRepeatingTasks());
  EXPECT_TRUE(pool->allowsDelayedTasks());
  std::mutex mutex;
  std::set<std::string> names;
  WaitableCounter arrived;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(addPlain(*pool, [&] {
      char name[32];
      getCurrentThreadName(name, sizeof(name));
      {
        std::lock_guard<std::mutex> lock(mutex);
        names.insert(name);
      }
      arrived.increment();
      // All three must be running at once for this to end in time.
      arrived.waitAtLeast(3);
      return true;
    }));
  }
  ASSERT_TRUE(arrived.waitAtLeast(3));
  destroyWithin(pool);
  EXPECT_EQ(names, (std::set<std::string>{"DQ-x-th0", "DQ-x-th1", "DQ-x-th2"}));
}

TEST(ZRDispatchQueueThreadPoolTest, Names) {
  const std::string name32(32, 'p');
  auto pool = makePool(1, 1, name32.c_str());
  EXPECT_STREQ(pool->getName(), "unnamed");
  destroyWithin(pool);
}

TEST(ZRDispatchQueueThreadPoolTest, IntervalsBelowOneMillisecondRunAtOnceLongerOnesWait) {
  auto pool = makePool(2, 2, "interval");
  struct Case {
    std::chrono::microseconds interval, atLeast;
  };
  const Case cases[] = {{500us, 0us}, {2000us, 2000us}, {50000us, 50000us}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.interval.count());
    Signal ran;
    std::atomic<int64_t> ranAfter{-1};
    const int64_t posted = platformMonotonicMicros();
    ASSERT_TRUE(addPlain(
        *pool,
        [&] {
          ranAfter.store(platformMonotonicMicros() - posted);
          ran.set();
          return true;
        },
        c.interval));
    ASSERT_TRUE(ran.waitFor());
    EXPECT_GE(ranAfter.load(), c.atLeast.count());
  }
  destroyWithin(pool);
}

TEST(ZRDispatchQueueThreadPoolTest, DelayedTaskWaitsForItsTimePoint) {
  auto pool = makePool(1, 1, "delayed");
  Signal ran;
  std::atomic<bool> early{true};
  const ZRSystemTimePoint at = ZRSystemNow() + 100ms;
  ASSERT_TRUE(addDelayed(
      *pool,
      [&] {
        early.store(ZRSystemNow() < at);
        ran.set();
        return true;
      },
      at));
  // Taken by the worker but waiting for its time: still pending.
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(pool->isEmpty());
  ASSERT_TRUE(ran.waitFor());
  EXPECT_FALSE(early.load());
  EXPECT_TRUE(eventually([&] { return pool->isEmpty(); }));
  destroyWithin(pool);
}

TEST(ZRDispatchQueueThreadPoolTest, RepeatingTaskRunsUntilAddingIsDisabledThenOnceMore) {
  auto pool = makePool(1, 2, "repeat");
  WaitableCounter runs;
  ASSERT_TRUE(addRepeating(
      *pool,
      [&] {
        runs.increment();
        return true;
      },
      10ms));
  ASSERT_TRUE(runs.waitAtLeast(3));
  pool->disableAddTask();
  const int atDisable = runs.value();
  std::this_thread::sleep_for(200ms);
  EXPECT_LE(runs.value(), atDisable + 1);
  EXPECT_FALSE(addPlain(*pool, [] { return true; }));
  destroyWithin(pool);
}

TEST(ZRDispatchQueueThreadPoolTest, RepeatingTaskEndsWhenItReturnsFalse) {
  auto pool = makePool(1, 2, "repeat-false");
  WaitableCounter runs;
  ASSERT_TRUE(addRepeating(
      *pool, [&] { return runs.increment() < 3; }, 1ms));
  ASSERT_TRUE(runs.waitAtLeast(3));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(runs.value(), 3);
  destroyWithin(pool);
}

TEST(ZRDispatchQueueThreadPoolTest, RepeatingTasksAddWorkersUpToTheMaximum) {
  auto pool = makePool(1, 3, "grow");
  for (int i = 0; i < 5; ++i)
    ASSERT_TRUE(addRepeating(
        *pool, [] { return true; }, 5ms));
  EXPECT_EQ(pool->getThreadCount(), 3);
  destroyWithin(pool);
}

TEST(ZRDispatchQueueThreadPoolTest, RepeatingTaskWithReplyQueuePostsOncePerInterval) {
  auto pool = makePool(1, 2, "reply");
  ZRDispatchQueueSimple main("main");
  std::atomic<int> runs{0};
  std::atomic<bool> ranElsewhere{false};
  const auto drainer = std::this_thread::get_id();
  ASSERT_TRUE(addRepeating(
      *pool,
      [&] {
        if (std::this_thread::get_id() != drainer) ranElsewhere.store(true);
        runs.fetch_add(1);
        return true;
      },
      10ms, &main));
  ASSERT_TRUE(eventually([&] {
    main.execute();
    return runs.load() >= 3;
  }));
  EXPECT_FALSE(ranElsewhere.load());
  destroyWithin(pool);
}

TEST(ZRDispatchQueueThreadPoolTest, RepliesToAnotherPoolRunOncePerPost) {
  // The function handed to a reply pool must not become a repeating task of
  // its own there: each post runs exactly once.
  auto source = makePool(1, 2, "source");
  auto target = makePool(2, 4, "target");
  WaitableCounter runs;
  ASSERT_TRUE(addRepeating(
      *source,
      [&] {
        runs.increment();
        return true;
      },
      20ms, target.get()));
  ASSERT_TRUE(runs.waitAtLeast(3));
  destroyWithin(source);
  // Let the last post run, then nothing more may come.
  std::this_thread::sleep_for(100ms);
  const int settled = runs.value();
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(runs.value(), settled);
  EXPECT_EQ(target->getThreadCount(), 2);
  destroyWithin(target);
}

TEST(ZRDispatchQueueThreadPoolTest, PlainTaskWithReplyQueueIsHandedOver) {
  auto pool = makePool(1, 1, "hand-over");
  ZRDispatchQueueSimple main("main");
  int runs = 0;
  ASSERT_TRUE(addPlain(
      *pool,
      [&] {
        ++runs;  // runs on the drainer only
        return true;
      },
      0us, &main));
  ASSERT_TRUE(eventually([&] { return !main.isEmpty(); }));
  EXPECT_EQ(runs, 0);
  main.execute();
  EXPECT_EQ(runs, 1);
  destroyWithin(pool);
}

TEST(ZRDispatchQueueThreadPoolTest, RemoveAllDelayedOrRepeatingTasksRunsEverythingOnceNow) {
  auto pool = makePool(2, 4, "flush");
  WaitableCounter delayedRuns, repeatingRuns, queuedRuns;
  Signal busy, release;
  // Keep both workers busy so the next tasks stay queued.
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(addPlain(*pool, [&] {
      busy.set();
      release.waitFor();
      return true;
    }));
  }
  ASSERT_TRUE(busy.waitFor());
  ASSERT_TRUE(addDelayed(
      *pool,
      [&] {
        delayedRuns.increment();
        return true;
      },
      ZRSystemNow() + 1h));
  ASSERT_TRUE(addPlain(
      *pool,
      [&] {
        queuedRuns.increment();
        return true;
      },
      1h));
  // This one adds a worker, which takes the first queued task and waits in it.
  ASSERT_TRUE(addRepeating(
      *pool,
      [&] {
        repeatingRuns.increment();
        return true;
      },
      1h));
  std::this_thread::sleep_for(50ms);
  pool->removeAllDelayedOrRepeatingTasks();
  release.set();
  EXPECT_TRUE(delayedRuns.waitAtLeast(1));
  EXPECT_TRUE(queuedRuns.waitAtLeast(1));
  EXPECT_TRUE(repeatingRuns.waitAtLeast(1));
  EXPECT_FALSE(addPlain(*pool, [] { return true; }));
  ASSERT_TRUE(eventually([&] { return pool->isEmpty(); }));
  destroyWithin(pool);
  EXPECT_EQ(delayedRuns.value(), 1);
  EXPECT_EQ(queuedRuns.value(), 1);
  EXPECT_EQ(repeatingRuns.value(), 1);
}

TEST(ZRDispatchQueueThreadPoolTest, ExecuteRunsQueuedPlainTasksOnTheCallerAndDropsRepeatingOnes) {
  auto pool = makePool(1, 1, "execute");
  Signal busy, release;
  ASSERT_TRUE(addPlain(*pool, [&] {
    busy.set();
    release.waitFor();
    return true;
  }));
  ASSERT_TRUE(busy.waitFor());
  int plainRuns = 0, repeatingRuns = 0, postedRuns = 0;
  std::thread::id ranOn;
  ASSERT_TRUE(addPlain(
      *pool,
      [&] {
        ++plainRuns;
        ranOn = std::this_thread::get_id();
        // Posting to the same pool from a task run by execute() must not deadlock.
        addPlain(*pool, [&] {
          ++postedRuns;
          return true;
        });
        return true;
      },
      1h));
  // The pool is at its maximum, so this one only queues.
  ASSERT_TRUE(addRepeating(
      *pool,
      [&] {
        ++repeatingRuns;
        return true;
      },
      1ms));
  std::thread::id executor;
  ASSERT_TRUE(runWithin([&] {
    executor = std::this_thread::get_id();
    pool->execute();
  }));
  EXPECT_EQ(plainRuns, 1);
  EXPECT_EQ(repeatingRuns, 0);
  EXPECT_EQ(ranOn, executor);
  ASSERT_TRUE(runWithin([&] { pool->execute(); }));  // the task posted meanwhile
  EXPECT_EQ(postedRuns, 1);
  EXPECT_TRUE(pool->isEmpty());
  release.set();
  destroyWithin(pool);
}

TEST(ZRDispatchQueueThreadPoolTest, DestructionFinishesTheRunningTaskAndDropsQueuedOnes) {
  auto pool = makePool(1, 1, "destroy");
  Signal entered, release;
  std::atomic<bool> finished{false};
  std::atomic<int> queuedRuns{0};
  ASSERT_TRUE(addPlain(*pool, [&] {
    entered.set();
    release.waitFor();
    finished.store(true);
    return true;
  }));
  ASSERT_TRUE(entered.waitFor());
  for (int i = 0; i < 5; ++i)
    addPlain(*pool, [&] {
      queuedRuns.fetch_add(1);
      return true;
    });
  Pool* raw = pool.release();
  std::atomic<bool> finishedSeen{false};
  BoundedRun destruction([&] {
    delete raw;
    finishedSeen.store(finished.load());
  });
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(destruction.finished());
  release.set();
  ASSERT_TRUE(destruction.waitFor());
  EXPECT_TRUE(finishedSeen.load());
  EXPECT_EQ(queuedRuns.load(), 0);
}

TEST(ZRDispatchQueueThreadPoolTest, DestructionEndsLongWaits) {
  auto pool = makePool(2, 3, "long-waits");
  std::atomic<int> runs{0};
  auto count = [&] {
    runs.fetch_add(1);
    return true;
  };
  addDelayed(*pool, count, ZRSystemNow() + 1h);
  addPlain(*pool, count, 1h);
  addRepeating(*pool, count, 1h);
  std::this_thread::sleep_for(50ms);
  destroyWithin(pool);
  EXPECT_EQ(runs.load(), 0);
}

TEST(ZRDispatchQueueThreadPoolTest, ClearDropsQueuedTasks) {
  auto pool = makePool(1, 1, "clear");
  Signal busy, release;
  std::atomic<int> runs{0};
  addPlain(*pool, [&] {
    busy.set();
    release.waitFor();
    return true;
  });
  ASSERT_TRUE(busy.waitFor());
  for (int i = 0; i < 3; ++i)
    addPlain(*pool, [&] {
      runs.fetch_add(1);
      return true;
    });
  EXPECT_FALSE(pool->isEmpty());
  pool->clear();
  EXPECT_TRUE(pool->isEmpty());
  release.set();
  std::this_thread::sleep_for(50ms);
  destroyWithin(pool);
  EXPECT_EQ(runs.load(), 0);
}
