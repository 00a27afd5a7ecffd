#pragma once
// ZRPublishedValue<T>: a small record that one thread writes and any thread
// reads whole, without a lock on either side. The writer never waits; a
// reader that meets a write in progress reads again, so it always gets one
// complete value, never half of an old one and half of a new one (a
// sequence lock over atomic words).
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
    sequence_.store(s + 1, std::memory_order_relaxed);
    // Release stores (no fences, which some tools cannot follow): a reader
    // that sees any new word also sees the odd sequence stored before it.
    for (size_t i = 0; i < kWords; ++i) words_[i].store(words[i], std::memory_order_release);
    sequence_.store(s + 2, std::memory_order_release);
  }

  // Any thread: the last complete value published.
  T read() const {
    uint64_t words[kWords];
    for (;;) {
      const uint32_t before = sequence_.load(std::memory_order_acquire);
      if (before & 1) continue;
      // Acquire loads keep the second look at the sequence after them.
      for (size_t i = 0; i < kWords; ++i) words[i] = words_[i].load(std::memory_order_acquire);
      if (sequence_.load(std::memory_order_relaxed) == before) break;
    }
    T value;
    std::memcpy(&value, words, sizeof(T));
    return value;
  }

 private:
  std::atomic<uint32_t> sequence_{0};
  std::atomic<uint64_t> words_[kWords] = {};
};
