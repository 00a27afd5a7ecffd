#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/zr_global_task_dispatch.h"
#include "common/zr_thread_utils.h"
#include "concurrency_test_helpers.h"
#include "support/log_capture.h"

using namespace std::chrono_literals;
using orvel_test::BoundedRun;
using orvel_test::eventually;
using orvel_test::runWithin;
using orvel_test::Signal;
using orvel_test::WaitableCounter;

namespace {

// Tests stop their own dispatcher; the process-wide one stays for everyone.
std::unique_ptr<ZRGlobalTaskDispatch> makeDispatch() {
  return std::make_unique<ZRGlobalTaskDispatch>();
}

void stopWithin(ZRGlobalTaskDispatch& dispatch, bool waitForTasks) {
  ASSERT_TRUE(runWithin([&] { dispatch.stopService(waitForTasks); }, 30s));
}

}  // namespace

TEST(ZRGlobalTaskDispatchTest, GetInstanceIsOneObjectForEveryThread) {
  std::vector<ZRGlobalTaskDispatch*> seen(4, nullptr);
  ASSERT_TRUE(runWithin([&] {
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
      threads.emplace_back([&, i] { seen[i] = ZRGlobalTaskDispatch::getInstance(); });
    for (auto& t : threads) t.join();
  }));
  for (auto* p : seen) EXPECT_EQ(p, ZRGlobalTaskDispatch::getInstance());
  EXPECT_STREQ(ZRGlobalTaskDispatch::getInstance()->mainQueue.getName(), "main");
}

TEST(ZRGlobalTaskDispatchTest, QueuesAndPoolsAsCreated) {
  auto dispatch = makeDispatch();
  const int cores = getTotalLogicalCores();
  EXPECT_STREQ(dispatch->mainQueue.getName(), "main");
  EXPECT_STREQ(dispatch->guiQueue.getName(), "GUI");
  EXPECT_STREQ(dispatch->audioQueue.getName(), "audio");
  ZRDispatchQueueThreadPool* pools[] = {dispatch->idlePool.load(), dispatch->lowPool.load(),
                                        dispatch->normalPool.load()};
  const char* names[] = {"idle", "low", "normal"};
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(pools[i], nullptr);
    EXPECT_STREQ(pools[i]->getName(), names[i]);
    EXPECT_EQ(pools[i]->getThreadCount(), cores);
  }

  // One worker per core, all running at once, named DQ-low-th0 ...
  ZRDispatchQueueThreadPool* low = dispatch->lowPool.load();
  std::mutex mutex;
  std::set<std::string> workerNames;
  WaitableCounter arrived;
  for (int i = 0; i < cores; ++i) {
    dispatch->async(
        [&] {
          char name[32];
          getCurrentThreadName(name, sizeof(name));
          {
            std::lock_guard<std::mutex> lock(mutex);
            workerNames.insert(name);
          }
          arrived.increment();
          arrived.waitAtLeast(cores);
          return true;
        },
        low);
  }
  ASSERT_TRUE(arrived.waitAtLeast(cores));
  std::set<std::string> expected;
  for (int i = 0; i < cores; ++i) expected.insert("DQ-low-th" + std::to_string(i));
  {
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(workerNames, expected);
  }

  // Repeating tasks grow a pool to twice the core count, no further.
  ZRDispatchQueueThreadPool* idle = dispatch->idlePool.load();
  for (int i = 0; i < 3 * cores; ++i)
    idle->addTask([] { return true; }, 1h, ZRSystemNow(), true, false, nullptr);
  EXPECT_EQ(idle->getThreadCount(), 2 * cores);
  stopWithin(*dispatch, true);
}

TEST(ZRGlobalTaskDispatchTest, AsyncWithoutQueueRunsAtOnceOnTheCaller) {
  auto dispatch = makeDispatch();
  std::thread::id ranOn;
  EXPECT_TRUE(dispatch->async(
      [&] {
        ranOn = std::this_thread::get_id();
        return false;
      },
      nullptr));
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  stopWithin(*dispatch, true);
}

TEST(ZRGlobalTaskDispatchTest, MainAndGuiTasksRunOnTheDrainingThread) {
  auto dispatch = makeDispatch();
  std::vector<std::string> order;
  EXPECT_TRUE(dispatch->async(
      [&] {
        order.push_back("main");
        // Posted while the drain runs: runs in the same drain.
        dispatch->async(
            [&] {
              order.push_back("main-again");
              return true;
            },
            &dispatch->mainQueue);
        return true;
      },
      &dispatch->mainQueue));
  EXPECT_TRUE(dispatch->async(
      [&] {
        order.push_back("gui");
        return true;
      },
      &dispatch->guiQueue));
  EXPECT_TRUE(order.empty());
  dispatch->syncQueueMainThread();
  EXPECT_EQ(order, (std::vector<std::string>{"main", "main-again"}));
  dispatch->syncQueueGUIThread();
  EXPECT_EQ(order, (std::vector<std::string>{"main", "main-again", "gui"}));
  stopWithin(*dispatch, true);
}

TEST(ZRGlobalTaskDispatchTest, ReplyPatternBringsThePoolResultToTheMainQueue) {
  auto dispatch = makeDispatch();
  std::atomic<int> result{0};
  std::thread::id workerThread, replyThread;
  // The asynchronous operation: work on "low", reply bound to its result on "main".
  auto operation = [&](std::function<void(int)> callback, ZRDispatchQueueBase* replyQueue) {
    dispatch->async(
        [&, callback, replyQueue] {
          workerThread = std::this_thread::get_id();
          const int value = 6 * 7;
          dispatch->async(
              [callback, value] {
                callback(value);
                return true;
              },
              replyQueue);
          return true;
        },
        dispatch->lowPool.load());
  };
  operation(
      [&](int value) {
        replyThread = std::this_thread::get_id();
        result.store(value);
      },
      &dispatch->mainQueue);
  ASSERT_TRUE(eventually([&] {
    dispatch->syncQueueMainThread();
    return result.load() != 0;
  }));
  EXPECT_EQ(result.load(), 42);
  EXPECT_EQ(replyThread, std::this_thread::get_id());
  EXPECT_NE(workerThread, std::this_thread::get_id());
  stopWithin(*dispatch, true);
}

TEST(ZRGlobalTaskDispatchTest, AsyncIsTrueEvenWhenTheQueueRefuses) {
  auto dispatch = makeDispatch();
  int runs = 0;
  dispatch->mainQueue.disableAddTask();
  EXPECT_TRUE(dispatch->async(
      [&] {
        ++runs;
        return true;
      },
      &dispatch->mainQueue));
  dispatch->syncQueueMainThread();
  EXPECT_EQ(runs, 0);
  stopWithin(*dispatch, true);
}

TEST(ZRGlobalTaskDispatchTest, AsyncAfterStopIsRefusedAndRunsNothing) {
  auto dispatch = makeDispatch();
  stopWithin(*dispatch, true);
  int runs = 0;
  auto task = [&] {
    ++runs;
    return true;
  };
  EXPECT_FALSE(dispatch->async(task, nullptr));
  EXPECT_FALSE(dispatch->async(task, &dispatch->mainQueue));
  dispatch->syncQueueMainThread();
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(dispatch->lowPool.load(), nullptr);
  // A second stop does nothing.
  stopWithin(*dispatch, true);
}

TEST(ZRGlobalTaskDispatchTest, StopWithWaitRunsDelayedAndRepeatingTasksOnceAtOnce) {
  auto dispatch = makeDispatch();
  WaitableCounter delayedRuns, repeatingRuns, intervalRuns;
  std::atomic<bool> delayedFinished{false};
  // An hour ahead: only the stop can bring these runs within the test's bound.
  ZRDispatchQueueThreadPool* low = dispatch->lowPool.load();
  ASSERT_TRUE(low->addTask(
      [&] {
        delayedRuns.increment();
        std::this_thread::sleep_for(50ms);
        delayedFinished.store(true);
        return true;
      },
      0us, ZRSystemNow() + 1h, false, true, nullptr));
  ASSERT_TRUE(dispatch->normalPool.load()->addTask(
      [&] {
        repeatingRuns.increment();
        return true;
      },
      1h, ZRSystemNow(), true, false, nullptr));
  ASSERT_TRUE(dispatch->idlePool.load()->addTask(
      [&] {
        intervalRuns.increment();
        return true;
      },
      1h, ZRSystemNow(), false, false, nullptr));
  std::this_thread::sleep_for(50ms);
  stopWithin(*dispatch, true);
  // stopService returned only after the delayed task had finished.
  EXPECT_TRUE(delayedFinished.load());
  EXPECT_EQ(delayedRuns.value(), 1);
  EXPECT_EQ(repeatingRuns.value(), 1);
  EXPECT_EQ(intervalRuns.value(), 1);
}

TEST(ZRGlobalTaskDispatchTest, OrderedShutDownKeepsSimpleQueuesAndDropsPools) {
  auto dispatch = makeDispatch();
  int mainRuns = 0;
  auto mainTask = [&] {
    ++mainRuns;
    return true;
  };
  // The shell's order: drain "main" and "GUI", then stop with waiting.
  dispatch->async(mainTask, &dispatch->mainQueue);
  dispatch->syncQueueMainThread();
  dispatch->syncQueueGUIThread();
  EXPECT_EQ(mainRuns, 1);

  // A task still in "main" when the stop comes stays there for a later drain;
  // a pool task being run is finished before the stop returns.
  Signal entered, release;
  ZRDispatchQueueThreadPool* normal = dispatch->normalPool.load();
  ASSERT_TRUE(dispatch->async(
      [&] {
        entered.set();
        release.waitFor();
        return true;
      },
      normal));
  ASSERT_TRUE(entered.waitFor());
  ASSERT_TRUE(dispatch->mainQueue.addTask(mainTask, 0us, ZRSystemNow(), false, false, nullptr));
  BoundedRun stop([&] { dispatch->stopService(true); });
  const auto noop = [] { return true; };
  auto refuses = [&](ZRDispatchQueueBase& queue) {
    return eventually([&] { return !queue.addTask(noop, 0us, ZRSystemNow(), false, false, nullptr); });
  };
  EXPECT_TRUE(refuses(dispatch->mainQueue));
  EXPECT_TRUE(refuses(dispatch->guiQueue));
  EXPECT_TRUE(refuses(dispatch->audioQueue));
  EXPECT_TRUE(dispatch->isStopped());
  EXPECT_FALSE(dispatch->async(noop, nullptr));
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(stop.finished());
  release.set();
  ASSERT_TRUE(stop.waitFor(30s));
  EXPECT_EQ(dispatch->normalPool.load(), nullptr);
  EXPECT_EQ(dispatch->lowPool.load(), nullptr);
  EXPECT_EQ(dispatch->idlePool.load(), nullptr);
  dispatch->syncQueueMainThread();
  EXPECT_EQ(mainRuns, 2);
}

TEST(ZRGlobalTaskDispatchTest, DestroyingWithoutStopLogsAndCleansUp) {
  orvel_test::LogCapture log;
  auto dispatch = makeDispatch();
  WaitableCounter runs;
  dispatch->async(
      [&] {
        runs.increment();
        return true;
      },
      dispatch->normalPool.load());
  ASSERT_TRUE(runs.waitAtLeast(1));
  ZRGlobalTaskDispatch* raw = dispatch.release();
  ASSERT_TRUE(runWithin([raw] { delete raw; }, 30s));
  EXPECT_TRUE(log.contains("error: ZRGlobalTaskDispatch was not gracefully stopped, atempting cleanup"));
}
