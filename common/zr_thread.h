#pragma once
// ZRThread: a named worker thread with a priority step that calls one
// function with a user pointer, either once or again and again.
//
// - interval < 0: the function is called once, right after the start.
// - interval >= 0: the thread waits `interval` milliseconds, calls the
//   function, and repeats while the function returns true. The first call
//   therefore comes one interval after the start; 0 calls without pause.
// - wakeUpNow() ends the wait in progress so the call happens at once. A
//   wake-up that arrives while the function runs is lost: the next wait lasts
//   its full interval.
// - Deleting the object stops the thread: a wait in progress ends at once, a
//   call in progress is finished first, and no further call is made. It must
//   not be deleted from its own function.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "common/zr_sleep_killer.h"
#include "common/zr_thread_priority.h"

class ZRThread {
 public:
  using Function = std::function<bool(void*)>;

  // Starts the thread at once. A null name, or one of 32 or more bytes, names
  // the thread "unnamed-thread". An empty fn gives a thread that ends at once.
  ZRThread(Function fn, void* data, ZRThreadPriority priority, int interval, const char* name);
  ~ZRThread();

  ZRThread(const ZRThread&) = delete;
  ZRThread& operator=(const ZRThread&) = delete;

  // Ends the wait the thread is in now (from any other thread).
  void wakeUpNow();

  // Puts the calling thread to sleep; nothing happens for ms of 0 or less.
  static void sleep_ms(int ms);

 private:
  void threadFunction();

  void* data_;
  int interval_;
  std::atomic<bool> stop_{false};  // asked to stop, or finished
  char name_[32];
  Function fn_;
  ZRThreadPriority priority_;
  ZRSleepKiller sleeper_;
  std::unique_ptr<std::thread> thread_;
  std::mutex startMutex_;  // held by the constructor until thread_ is stored
};
