// The audio-thread hand-over: an object replaced on the user side is handed back (and may be freed) only
// after the audio thread has let go of it, however the two threads interleave; a reader that never lets go
// keeps the object alive instead of having it freed under it.

#include "common/zr_audio_hand_over.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "concurrency_test_helpers.h"

namespace {

struct Payload {
  static constexpr int kWords = 64;
  explicit Payload(int v) {
    for (int& w : words) w = v;
  }
  int words[kWords];
};

TEST(AudioHandOverThreads, ReplacedObjectsAreFreedOnlyAfterTheReaderLetGo) {
  ZRAudioHandOver<Payload> handOver;
  handOver.exchange(std::make_unique<Payload>(1), "payload");
  std::atomic<bool> stop{false};
  std::atomic<long> uses{0}, torn{0};
  std::thread audio([&] {
    while (!stop.load(std::memory_order_relaxed)) {
      ZRAudioHandOver<Payload>::Reader reader(handOver);
      const Payload* p = reader.get();
      const int first = p->words[0];
      for (int w : p->words) {
        if (w != first || w <= 0) torn.fetch_add(1, std::memory_order_relaxed);
      }
      uses.fetch_add(1, std::memory_order_relaxed);
    }
  });
  ASSERT_TRUE(orvel_test::eventually([&] { return uses.load() > 0; }));
  // At least 5000 replacements, and on until the reader has used many of them.
  const auto deadline = std::chrono::steady_clock::now() + orvel_test::kBound;
  int i = 2;
  for (; i < 5000 || (uses.load() < 20000 && std::chrono::steady_clock::now() < deadline); ++i) {
    std::unique_ptr<Payload> old = handOver.exchange(std::make_unique<Payload>(i), "payload");
    ASSERT_NE(old, nullptr);
    // Poisoned before it goes: a reader still inside would see it.
    for (int& w : old->words) w = -1;
  }
  stop.store(true);
  audio.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_GE(uses.load(), 20000);
  EXPECT_EQ(handOver.get()->words[0], i - 1);
}

TEST(AudioHandOver, ExchangeReturnsAtOnceWithoutAnAudioThread) {
  ZRAudioHandOver<Payload> handOver;
  EXPECT_EQ(handOver.exchange(std::make_unique<Payload>(1), "payload"), nullptr);
  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<Payload> old = handOver.exchange(nullptr, "payload");
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->words[0], 1);
  EXPECT_EQ(handOver.get(), nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

TEST(AudioHandOverThreads, AReaderThatNeverLeavesKeepsTheObjectAlive) {
  ZRAudioHandOver<Payload> handOver;
  handOver.exchange(std::make_unique<Payload>(7), "payload");
  orvel_test::Signal inside, release;
  const Payload* seen = nullptr;
  std::thread audio([&] {
    seen = handOver.enter();
    inside.set();
    release.waitFor();
    handOver.leave();
  });
  ASSERT_TRUE(inside.waitFor());
  // The reader holds on beyond the wait limit: nothing is handed back for freeing.
  EXPECT_EQ(handOver.exchange(std::make_unique<Payload>(8), "payload"), nullptr);
  release.set();
  audio.join();
  // Still readable: it was kept, not freed. The hand-over gave it up for good, so the test frees it
  // (the leak checker of the sanitizer run would report it otherwise).
  EXPECT_EQ(seen->words[0], 7);
  EXPECT_EQ(handOver.get()->words[0], 8);
  delete seen;
}

}  // namespace
