#include "common/zr_thread.h"

#include <chrono>
#include <cstring>

#include "common/zr_logging.h"
#include "common/zr_thread_utils.h"
#include "platform/thread_platform.h"

ZRThread::ZRThread(Function fn, void* data, ZRThreadPriority priority, int interval, const char* name)
    : data_(data), interval_(interval), fn_(std::move(fn)), priority_(priority) {
  const char* chosen = (name != nullptr && std::strlen(name) < sizeof(name_)) ? name : "unnamed-thread";
  std::strcpy(name_, chosen);

  std::lock_guard<std::mutex> lock(startMutex_);
  thread_ = std::make_unique<std::thread>(&ZRThread::threadFunction, this);
}

ZRThread::~ZRThread() {
  stop_.exchange(true);
  sleeper_.kill();
  if (thread_ && thread_->joinable()) thread_->join();
  thread_.reset();
}

void ZRThread::wakeUpNow() {
  sleeper_.kill();
}

void ZRThread::sleep_ms(int ms) {
  if (ms <= 0) return;
  platformSleepMicros(static_cast<int64_t>(ms) * 1000);
}

void ZRThread::threadFunction() {
  if (!fn_) return;
  {
    // Go on only once the constructor has stored the handle.
    std::lock_guard<std::mutex> lock(startMutex_);
  }
  setThreadName(name_);
  if (thread_) {
    setThreadPriority_internal(thread_->native_handle(), priority_);
  } else {
    ZRLOG("error: 'thread' is NULL, cannot set priority and name!");
  }

  if (interval_ < 0) {
    fn_(data_);
  } else {
    const std::chrono::microseconds pause(static_cast<int64_t>(interval_) * 1000);
    for (;;) {
      // A stop request ends the wait even when it comes just before the wait
      // starts, so deleting a thread never waits out a long interval.
      sleeper_.wait_for(pause, [this] { return stop_.load(std::memory_order_acquire); });
      if (stop_.load(std::memory_order_acquire)) break;
      if (!fn_(data_) || stop_.load(std::memory_order_acquire)) break;
    }
  }
  stop_.exchange(true);
}
