#pragma once
// ZRDispatchQueueSimple: a task queue that any thread may post to and that
// its owner thread drains when it chooses (for example a window timer). It
// does not time tasks: interval, time point, repetition and reply queue are
// ignored, and results are ignored too.

#include <atomic>

#include "common/zr_dispatch_queue_base.h"
#include "common/zr_lock_free_queue.h"

class ZRDispatchQueueSimple : public ZRDispatchQueueBase {
 public:
  // A null name, or one of 32 or more bytes, gives "unnamed".
  explicit ZRDispatchQueueSimple(const char* name);
  // Disables adding and drops what is left.
  ~ZRDispatchQueueSimple() override;

  ZRDispatchQueueSimple(const ZRDispatchQueueSimple&) = delete;
  ZRDispatchQueueSimple& operator=(const ZRDispatchQueueSimple&) = delete;

  // Enqueues fn without a lock; false once adding is disabled.
  bool addTask(const ZRTask& fn, std::chrono::microseconds interval, ZRSystemTimePoint at, bool repeating,
               bool delayed, ZRDispatchQueueBase* replyQueue) override;
  // Runs tasks until the queue is empty; tasks added meanwhile run too.
  void execute() override;
  void clear() override;
  bool isEmpty() override;
  void disableAddTask() override;
  const char* getName() override;
  bool allowsRepeatingTasks() override { return false; }
  bool allowsDelayedTasks() override { return false; }

 private:
  ZRLockFreeQueue<ZRTask> queue_;
  std::atomic<bool> addDisabled_{false};
  char name_[32];
};
