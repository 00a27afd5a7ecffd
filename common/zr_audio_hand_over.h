#pragma once
// How the user-interface side replaces or frees memory that the audio thread reads, while the audio thread
// never locks and never waits.
//
// ZRAudioReaderGate: the audio thread brackets every use of shared memory with enter() and leave() (a
// counter that is odd while it is inside). The user side first makes the memory unreachable (stores a new
// pointer, clears a table entry), then calls waitForReaders(): when the counter was even nobody was
// inside; when odd, the use in progress began before the memory became unreachable and the wait lasts
// until its leave(). A use that begins afterwards no longer finds the memory. So the wait is at most the
// rest of one audio buffer, needs no further buffer to come, and returns at once when the audio thread is
// not running. After it, the memory may be freed.
//
// ZRAudioHandOver<T>: one owned object on that rule. The audio thread reads it between enter() and leave()
// (or through a Reader); the user side installs a new object with exchange(), which hands the previous one
// back only once the audio thread has let go of it.
//
// Threads: one audio-side user per gate (the audio thread; uses never overlap). Any number of user-side
// threads may wait; exchange() is for one user-side thread at a time (callers that replace from several
// threads hold their own lock around it).

#include <atomic>
#include <cstdint>
#include <memory>

class ZRAudioReaderGate {
 public:
  // The longest wait for the audio thread to leave a use (a device buffer lasts far less).
  static constexpr int kWaitLimitMs = 2000;

  ZRAudioReaderGate() = default;
  ZRAudioReaderGate(const ZRAudioReaderGate&) = delete;
  ZRAudioReaderGate& operator=(const ZRAudioReaderGate&) = delete;

  // Audio thread. Never blocks. The shared pointers must be read after enter() with sequentially
  // consistent loads (ZRAudioHandOver does so), and the user side must have stored them the same way.
  void enter() { uses_.fetch_add(1, std::memory_order_seq_cst); }
  void leave() { uses_.fetch_add(1, std::memory_order_release); }

  // User side, after the memory has become unreachable: true once no use that may still see it is
  // running. False, with a log line naming what, when the audio thread stayed inside beyond the wait
  // limit: the memory must then be kept (leaked) rather than freed.
  bool waitForReaders(const char* what) const;

 private:
  std::atomic<uint32_t> uses_{0};
};

template <typename T>
class ZRAudioHandOver {
 public:
  ZRAudioHandOver() = default;
  // No audio-thread use may be running or follow.
  ~ZRAudioHandOver() { delete current_.load(std::memory_order_acquire); }
  ZRAudioHandOver(const ZRAudioHandOver&) = delete;
  ZRAudioHandOver& operator=(const ZRAudioHandOver&) = delete;

  // Audio thread: the object to use until leave() (may be null).
  T* enter() {
    gate_.enter();
    return current_.load(std::memory_order_seq_cst);
  }
  void leave() { gate_.leave(); }

  // Audio thread: enter() and leave() for one scope.
  class Reader {
   public:
    explicit Reader(ZRAudioHandOver& h) : h_(h), object_(h.enter()) {}
    ~Reader() { h_.leave(); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    T* get() const { return object_; }

   private:
    ZRAudioHandOver& h_;
    T* object_;
  };

  // User side: the object installed now.
  T* get() const { return current_.load(std::memory_order_acquire); }

  // User side: installs next (owned from now on; may be null) and returns the previous object once the
  // audio thread can no longer be reading it. Null when there was none, or when the audio thread did not
  // let go in time: the previous object is then left alive rather than freed under it.
  std::unique_ptr<T> exchange(std::unique_ptr<T> next, const char* what) {
    T* previous = current_.exchange(next.release(), std::memory_order_seq_cst);
    if (previous == nullptr) return nullptr;
    if (!gate_.waitForReaders(what)) return nullptr;
    return std::unique_ptr<T>(previous);
  }

 private:
  ZRAudioReaderGate gate_;
  std::atomic<T*> current_{nullptr};
};
