#pragma once
// Bounded waiting for the concurrency tests: every wait has a timeout, so a
// broken thread makes a test fail instead of hanging the run.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace orvel_test {

constexpr std::chrono::seconds kBound(10);

// A one-way signal: set() once, any number of bounded waits.
class Signal {
 public:
  // Notifies under the lock: a waiter may destroy the signal as soon as it
  // sees it set.
  void set() {
    std::lock_guard<std::mutex> lock(mutex_);
    set_ = true;
    cv_.notify_all();
  }
  bool isSet() {
    std::lock_guard<std::mutex> lock(mutex_);
    return set_;
  }
  bool waitFor(std::chrono::milliseconds timeout = kBound) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, timeout, [this] { return set_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool set_ = false;
};

// A counter that can be waited on until it reaches a value.
class WaitableCounter {
 public:
  int increment() {
    std::lock_guard<std::mutex> lock(mutex_);
    const int now = ++value_;
    cv_.notify_all();
    return now;
  }
  int value() {
    std::lock_guard<std::mutex> lock(mutex_);
    return value_;
  }
  bool waitAtLeast(int target, std::chrono::milliseconds timeout = kBound) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return value_ >= target; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  int value_ = 0;
};

// Runs fn on a helper thread and waits at most `timeout` for it to finish.
// True when it finished. On a timeout the helper is left running (detached)
// so the test can fail instead of hanging.
class BoundedRun {
 public:
  explicit BoundedRun(std::function<void()> fn) : done_(std::make_shared<Signal>()) {
    std::thread([fn = std::move(fn), done = done_] {
      fn();
      done->set();
    }).detach();
  }
  bool finished() { return done_->isSet(); }
  bool waitFor(std::chrono::milliseconds timeout = kBound) { return done_->waitFor(timeout); }

 private:
  std::shared_ptr<Signal> done_;
};

inline bool runWithin(std::function<void()> fn, std::chrono::milliseconds timeout = kBound) {
  BoundedRun run(std::move(fn));
  return run.waitFor(timeout);
}

// Polls pred every few milliseconds until it holds or the timeout passes.
inline bool eventually(const std::function<bool()>& pred, std::chrono::milliseconds timeout = kBound) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Streams `total` bytes of a known sequence from a producer thread through the ring (putBlock and
// getBlock, all or nothing) to this thread, within kBound. True when exactly the sequence arrived.
template <typename Ring>
bool streamsIntact(Ring& ring, int total) {
  std::atomic<bool> stop{false};
  std::thread producer([&] {
    int next = 0;
    unsigned char chunk[97];
    while (next < total && !stop.load()) {
      const int n = std::min(97, total - next);
      for (int i = 0; i < n; ++i) chunk[i] = static_cast<unsigned char>((next + i) * 31);
      if (ring.putBlock(chunk, n)) {
        next += n;
      } else {
        std::this_thread::yield();
      }
    }
  });
  int received = 0;
  bool inOrder = true;
  const auto deadline = std::chrono::steady_clock::now() + kBound;
  unsigned char out[64];
  while (received < total && std::chrono::steady_clock::now() < deadline) {
    const int n = std::min(64, total - received);
    if (!ring.getBlock(out, n)) {
      std::this_thread::yield();
      continue;
    }
    for (int i = 0; i < n; ++i)
      inOrder = inOrder && out[i] == static_cast<unsigned char>((received + i) * 31);
    received += n;
  }
  stop = true;
  producer.join();
  return received == total && inOrder;
}

}  // namespace orvel_test
