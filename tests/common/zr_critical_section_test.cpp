#include "common/zr_critical_section.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "concurrency_test_helpers.h"

using namespace std::chrono_literals;
using orvel_test::BoundedRun;
using orvel_test::runWithin;
using orvel_test::Signal;
using orvel_test::WaitableCounter;

TEST(ZRCriticalSectionTest, TwoReadersAtOnceAndAWriterWaitsForBoth) {
  ZRCriticalSection lock;
  WaitableCounter readersIn;
  Signal readersMayLeave;
  auto reader = [&] {
    lock.enterShared();
    readersIn.increment();
    // Both readers must be inside together for this to end in time.
    readersIn.waitAtLeast(2);
    readersMayLeave.waitFor();
    lock.leaveShared();
  };
  BoundedRun reader1(reader), reader2(reader);
  ASSERT_TRUE(readersIn.waitAtLeast(2));

  std::atomic<bool> writerIn{false};
  BoundedRun writer([&] {
    lock.enterExclusive();
    writerIn.store(true);
    lock.leaveExclusive();
  });
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(writerIn.load());
  readersMayLeave.set();
  ASSERT_TRUE(reader1.waitFor());
  ASSERT_TRUE(reader2.waitFor());
  ASSERT_TRUE(writer.waitFor());
  EXPECT_TRUE(writerIn.load());
}

TEST(ZRCriticalSectionTest, AWriterExcludesReaders) {
  ZRCriticalSection lock;
  lock.enterExclusive();
  std::atomic<bool> readerIn{false};
  BoundedRun reader([&] {
    lock.enterShared();
    readerIn.store(true);
    lock.leaveShared();
  });
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(readerIn.load());
  lock.leaveExclusive();
  ASSERT_TRUE(reader.waitFor());
  EXPECT_TRUE(readerIn.load());
}

TEST(ZRCriticalSectionTest, WritersAndReadersNeverSeeAHalfDoneUpdate) {
  // Two plain fields changed together by writers; readers check they match.
  // Under ThreadSanitizer a missing exclusion also shows as a data race.
  ZRCriticalSection lock;
  long first = 0, second = 0;
  std::atomic<int> mismatches{0};
  constexpr int kWriters = 3, kReaders = 3, kRounds = 20000;
  ASSERT_TRUE(runWithin(
      [&] {
        std::vector<std::thread> threads;
        for (int w = 0; w < kWriters; ++w) {
          threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
              lock.enterExclusive();
              ++first;
              ++second;
              lock.leaveExclusive();
            }
          });
        }
        for (int r = 0; r < kReaders; ++r) {
          threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
              lock.enterShared();
              if (first != second) mismatches.fetch_add(1);
              lock.leaveShared();
            }
          });
        }
        for (auto& t : threads) t.join();
      },
      60s));
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_EQ(first, static_cast<long>(kWriters) * kRounds);
  EXPECT_EQ(second, first);
}
