#include "common/zr_thread.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "common/zr_thread_priority.h"
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

constexpr int kHour = 3600 * 1000;

// Deletes the thread on a helper and fails instead of hanging.
void deleteWithin(ZRThread* thread) {
  ASSERT_TRUE(runWithin([thread] { delete thread; }));
}

// Wakes the thread until its function has been entered: a wake-up sent before
// the thread starts waiting is lost, so one is not enough.
bool wakeUntil(ZRThread& thread, Signal& entered) {
  return eventually([&] {
    if (entered.isSet()) return true;
    thread.wakeUpNow();
    return false;
  });
}

}  // namespace

TEST(ZRThreadTest, NegativeIntervalCallsOnceAndDeleteReturns) {
  WaitableCounter calls;
  int marker = 7;
  std::atomic<void*> seenData{nullptr};
  auto* thread = new ZRThread(
      [&](void* data) {
        seenData.store(data);
        calls.increment();
        return true;
      },
      &marker, 0, -1, "once");
  ASSERT_TRUE(calls.waitAtLeast(1));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(calls.value(), 1);
  EXPECT_EQ(seenData.load(), &marker);
  deleteWithin(thread);
}

TEST(ZRThreadTest, FirstCallComesOneIntervalAfterStartThenRepeats) {
  WaitableCounter calls;
  std::atomic<int64_t> firstCallMicros{0};
  const int64_t start = platformMonotonicMicros();
  auto* thread = new ZRThread(
      [&](void*) {
        if (calls.value() == 0) firstCallMicros.store(platformMonotonicMicros() - start);
        calls.increment();
        return true;
      },
      nullptr, 0, 200, "interval");
  ASSERT_TRUE(calls.waitAtLeast(3));
  EXPECT_GE(firstCallMicros.load(), 200000);
  deleteWithin(thread);
}

TEST(ZRThreadTest, FalseResultEndsTheThread) {
  WaitableCounter calls;
  auto* thread = new ZRThread(
      [&](void*) {
        calls.increment();
        return false;
      },
      nullptr, 0, 0, "ends");
  ASSERT_TRUE(calls.waitAtLeast(1));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(calls.value(), 1);
  deleteWithin(thread);
}

TEST(ZRThreadTest, WakeUpEndsAWaitInProgress) {
  WaitableCounter calls;
  Signal entered;
  ZRThread* thread = new ZRThread(
      [&](void*) {
        entered.set();
        calls.increment();
        return true;
      },
      nullptr, 0, kHour, "wake");
  // With an hour's interval only a wake-up can bring the call.
  ASSERT_TRUE(wakeUntil(*thread, entered));
  EXPECT_EQ(calls.value(), 1);
  deleteWithin(thread);
}

TEST(ZRThreadTest, WakeUpDuringTheFunctionIsLost) {
  WaitableCounter calls;
  Signal firstEntered, release, secondEntered;
  ZRThread* thread = new ZRThread(
      [&](void*) {
        if (calls.increment() == 1) {
          firstEntered.set();
          release.waitFor();
        } else {
          secondEntered.set();
        }
        return true;
      },
      nullptr, 0, kHour, "lost-wake");
  ASSERT_TRUE(wakeUntil(*thread, firstEntered));
  thread->wakeUpNow();  // arrives while the function runs
  release.set();
  // The next wait lasts its full hour: no second call comes by itself.
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(calls.value(), 1);
  // A wake-up during the wait brings it.
  ASSERT_TRUE(wakeUntil(*thread, secondEntered));
  EXPECT_EQ(calls.value(), 2);
  deleteWithin(thread);
}

TEST(ZRThreadTest, DeletingWaitsForTheRunningCallAndMakesNoOther) {
  WaitableCounter calls;
  Signal entered, release;
  std::atomic<bool> finished{false};
  ZRThread* thread = new ZRThread(
      [&](void*) {
        calls.increment();
        entered.set();
        release.waitFor();
        finished.store(true);
        return true;
      },
      nullptr, 0, 0, "busy");
  ASSERT_TRUE(entered.waitFor());
  std::atomic<bool> finishedSeenByDelete{false}, deleting{false};
  BoundedRun deletion([&] {
    deleting.store(true);
    delete thread;
    finishedSeenByDelete.store(finished.load());
  });
  // The call is released only once the deletion is under way: on a loaded machine the deleting thread
  // may start late, and until it has asked the thread to stop, further calls are right.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!deleting.load() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  ASSERT_TRUE(deleting.load());
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(deletion.finished());  // still inside the call
  release.set();
  ASSERT_TRUE(deletion.waitFor());
  EXPECT_TRUE(finishedSeenByDelete.load());
  EXPECT_EQ(calls.value(), 1);
}

TEST(ZRThreadTest, DeletingDuringALongWaitReturnsWithoutACall) {
  WaitableCounter calls;
  auto* thread = new ZRThread(
      [&](void*) {
        calls.increment();
        return true;
      },
      nullptr, 0, kHour, "long-wait");
  std::this_thread::sleep_for(20ms);
  deleteWithin(thread);
  EXPECT_EQ(calls.value(), 0);
}

TEST(ZRThreadTest, EmptyFunctionEndsAtOnce) {
  auto* thread = new ZRThread(ZRThread::Function(), nullptr, 0, 10, "empty");
  deleteWithin(thread);
}

TEST(ZRThreadTest, ThreadNames) {
  const std::string name31(31, 'a');
  const std::string name32(32, 'b');
  const std::string longName = "DQ-normal-worker-th12";  // longer than the kernel's 15 bytes
  struct Case {
    const char* given;
    std::string expected;
  };
  const Case cases[] = {
      {"scratch", "scratch"},      {longName.c_str(), longName},
      {name31.c_str(), name31},    {name32.c_str(), "unnamed-thread"},
      {nullptr, "unnamed-thread"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    std::string seenFull, seenKernel;
    bool readOk = false;
    Signal done;
    auto* thread = new ZRThread(
        [&](void*) {
          char full[32];
          readOk = getCurrentThreadName(full, sizeof(full));
          seenFull = full;
          char kernel[16];
          pthread_getname_np(pthread_self(), kernel, sizeof(kernel));
          seenKernel = kernel;
          done.set();
          return true;
        },
        nullptr, 0, -1, c.given);
    ASSERT_TRUE(done.waitFor());
    deleteWithin(thread);
    EXPECT_TRUE(readOk);
    EXPECT_EQ(seenFull, c.expected);
    EXPECT_EQ(seenKernel, c.expected.substr(0, 15));
  }
}

TEST(ZRThreadTest, CurrentThreadNameIntoSmallOrNullBuffer) {
  EXPECT_FALSE(getCurrentThreadName(nullptr, 32));
  std::string seen;
  ASSERT_TRUE(runWithin([&] {
    setThreadName("helper-name");
    char small[7];
    getCurrentThreadName(small, sizeof(small));
    seen = small;
  }));
  EXPECT_EQ(seen, "helper");
}

TEST(ZRThreadTest, SleepWithNothingToWaitReturns) {
  ASSERT_TRUE(runWithin([] {
    ZRThread::sleep_ms(0);
    ZRThread::sleep_ms(-5);
    ZRThread::sleep_ms(1);
  }));
}

TEST(ZRThreadTest, LogicalCoresFollowTheStandardLibrary) {
  const unsigned hardware = std::thread::hardware_concurrency();
  if (hardware > 0) {
    EXPECT_EQ(getTotalLogicalCores(), static_cast<int>(hardware));
  }
  EXPECT_GE(getTotalLogicalCores(), 1);
}

TEST(ZRThreadPriorityTest, StepsMapOntoThePolicyRange) {
  struct Case {
    int step, minPriority, maxPriority, expected;
  };
  const Case cases[] = {
      {3, 15, 47, 31}, {1, 15, 47, 18}, {0, 15, 47, 15}, {2, 15, 47, 24},  {4, 15, 47, 37},
      {5, 15, 47, 43}, {6, 15, 47, 47}, {7, 15, 47, 15}, {-1, 15, 47, 15}, {5, 1, 99, 89},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(threadPriorityForStep(c.step, c.minPriority, c.maxPriority), c.expected)
        << "step " << c.step << " on " << c.minPriority << ".." << c.maxPriority;
  }
}

TEST(ZRThreadPriorityTest, NormalPolicyIsLeftAsItIs) {
  PlatformThreadScheduling before, after;
  ASSERT_TRUE(runWithin([&] {
    platformGetThreadScheduling(pthread_self(), before);
    setThreadPriority_internal(pthread_self(), 5);
    platformGetThreadScheduling(pthread_self(), after);
  }));
  ASSERT_EQ(before.policy, SCHED_OTHER);
  EXPECT_EQ(after.policy, SCHED_OTHER);
  EXPECT_EQ(after.priority, before.priority);
}

TEST(ZRThreadPriorityTest, StepAppliedWithinARealtimePolicy) {
  PlatformThreadScheduling scheduling;
  bool entered = false;
  ASSERT_TRUE(runWithin([&] {
    entered = move_pthread_to_realtime_scheduling_class(pthread_self());
    if (!entered) return;
    setThreadPriority_internal(pthread_self(), 3);
    platformGetThreadScheduling(pthread_self(), scheduling);
  }));
  if (!entered) GTEST_SKIP() << "this machine refuses the real-time class";
  EXPECT_EQ(scheduling.policy, SCHED_FIFO);
  EXPECT_EQ(scheduling.priority,
            threadPriorityForStep(3, sched_get_priority_min(SCHED_FIFO), sched_get_priority_max(SCHED_FIFO)));
}

TEST(ZRThreadPriorityTest, RealtimeStepNeverEndsTheProcess) {
  // Whether or not the system grants the real-time class, the thread runs.
  WaitableCounter calls;
  auto* thread = new ZRThread(
      [&](void*) {
        calls.increment();
        return true;
      },
      nullptr, 6, -1, "realtime");
  ASSERT_TRUE(calls.waitAtLeast(1));
  deleteWithin(thread);
}
