// A published record is always read whole: readers on other threads never see
// a mix of two values while one thread publishes without pause.

#include "common/zr_published_value.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Odd-sized on purpose: the last word is only partly used.
struct Record {
  int32_t a = 0;
  int64_t b = 0;
  int32_t c = 0;
  bool flag = false;
};

TEST(PublishedValue, ReadersNeverSeeHalfARecord) {
  ZRPublishedValue<Record> value;
  EXPECT_EQ(value.read().a, 0);
  std::atomic<bool> stop{false};
  std::atomic<long> torn{0}, reads{0};
  std::vector<std::thread> readers;
  for (int r = 0; r < 3; ++r) {
    readers.emplace_back([&] {
      while (!stop.load()) {
        const Record v = value.read();
        if (v.a == 0) continue;  // the value before the first publish
        if (v.b != -static_cast<int64_t>(v.a) * 3 || v.c != v.a + 1 || v.flag != (v.a % 2 == 1))
          torn.fetch_add(1);
        reads.fetch_add(1);
      }
    });
  }
  for (int32_t i = 1; i < 200000; ++i)
    value.publish(Record{i, -static_cast<int64_t>(i) * 3, i + 1, i % 2 == 1});
  while (reads.load() < 1000) std::this_thread::yield();
  stop.store(true);
  for (std::thread& t : readers) t.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(value.read().a, 199999);
}

}  // namespace
