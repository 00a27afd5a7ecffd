#pragma once
// ZRPublishedValue<T>: a small record that one thread writes and any thread
// reads whole, without a lock on either side. The record is kept twice and the
// writer updates one copy at a time (a sequence latch over atomic words): a
// reader always finds one copy complete, so it never waits for a writer that
// was stopped half-way (the audio thread may read while a normal-priority
// writer is preempted), and reads again only when a publish ran during its
// read. It always gets one complete value, never half of an old one and half
// of a new one.
//
// Only one thread may write at a time: either a single owner, or owners that
// hand the record on to each other through some other synchronisation (for
// example a thread that writes only while the usual writer is known to be
// away). T must be trivially copyable.

#include <atomic>
#include <cstdint>
#include <cstring>
#include <type_traits>

template <typename T>
class ZRPublishedValue {
  static_assert(std::is_trivially_copyable_v<T>, "a published value is copied word by word");
  static constexpr size_t kWords = (sizeof(T) + sizeof(uint64_t) - 1) / sizeof(uint64_t);

 public:
  ZRPublishedValue() { publish(T{}); }
  explicit ZRPublishedValue(const T& value) { publish(value); }
  ZRPublishedValue(const ZRPublishedValue&) = delete;
  ZRPublishedValue& operator=(const ZRPublishedValue&) = delete;

  // Writer only. Never blocks and never allocates (safe on the audio thread).
  void publish(const T& value) {
    uint64_t words[kWords] = {};
    std::memcpy(words, &value, sizeof(T));
    const uint32_t s = sequence_.load(std::memory_order_relaxed);
    // Odd: readers take copy 1 while copy 0 changes; even again: copy 0 while copy 1 changes. Release
    // stores (no fences, which some tools cannot follow): a reader that sees any new word of a copy also
    // sees the sequence stored before it, and so reads again.
    sequence_.store(s + 1, std::memory_order_release);
    for (size_t i = 0; i < kWords; ++i) copies_[0][i].store(words[i], std::memory_order_release);
    sequence_.store(s + 2, std::memory_order_release);
    for (size_t i = 0; i < kWords; ++i) copies_[1][i].store(words[i], std::memory_order_release);
  }

  // Any thread: the last complete value published.
  T read() const {
    uint64_t words[kWords];
    for (;;) {
      const uint32_t before = sequence_.load(std::memory_order_acquire);
      const auto& copy = copies_[before & 1];
      // Acquire loads keep the second look at the sequence after them.
      for (size_t i = 0; i < kWords; ++i) words[i] = copy[i].load(std::memory_order_acquire);
      if (sequence_.load(std::memory_order_relaxed) == before) break;
    }
    T value;
    std::memcpy(&value, words, sizeof(T));
    return value;
  }

 private:
  std::atomic<uint32_t> sequence_{0};
  std::atomic<uint64_t> copies_[2][kWords] = {};
};
