#pragma once
// ZRDispatchQueueThreadPool: a task queue with its own worker threads, named
// "DQ-<pool name>-th<index>". Workers run a task at once, after its interval
// (1 ms or more), at its time point (delayed) or again and again (repeating:
// each run waits the interval first and the task goes on while it returns
// true). A task with a reply queue is not run by the worker: when its time
// comes, its function is posted to that queue as a plain task.
//
// Posting never blocks the poster beyond waking one worker. A repeating task
// occupies a worker for good, so each one adds a worker while the pool has
// fewer than its maximum.
//
// Life: running -> add-disabled (disableAddTask or
// removeAllDelayedOrRepeatingTasks: no new tasks, waits skipped, repeating
// tasks end after their current run) -> stopped (destructor: a task being run
// is finished first, queued tasks are dropped).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "common/zr_dispatch_queue_base.h"
#include "common/zr_lock_free_queue.h"
#include "common/zr_thread_priority.h"

class ZRDispatchQueueThreadPool : public ZRDispatchQueueBase {
 public:
  struct Task {
    ZRTask fn;
    std::chrono::microseconds interval{0};  // the pause before each run
    ZRSystemTimePoint at{};                 // when a delayed task runs
    bool repeating = false;
    bool delayed = false;  // never together with repeating
    ZRDispatchQueueBase* replyQueue = nullptr;
  };

  // Starts threadCount workers at once; repeating tasks may add workers up to
  // maxThreadCount. A null name, or one of 32 or more bytes, gives "unnamed".
  ZRDispatchQueueThreadPool(int threadCount, int maxThreadCount, ZRThreadPriority priority, const char* name);
  ~ZRDispatchQueueThreadPool() override;

  ZRDispatchQueueThreadPool(const ZRDispatchQueueThreadPool&) = delete;
  ZRDispatchQueueThreadPool& operator=(const ZRDispatchQueueThreadPool&) = delete;

  // False once the pool is stopped or add-disabled. A task asking to be both
  // repeating and delayed is repeating only.
  bool addTask(const ZRTask& fn, std::chrono::microseconds interval, ZRSystemTimePoint at, bool repeating,
               bool delayed, ZRDispatchQueueBase* replyQueue) override;
  // Takes every queued task and runs the non-repeating ones on the calling
  // thread at once (pauses, time points and reply queues ignored); repeating
  // ones are dropped.
  void execute() override;
  void clear() override;
  // True when no task is queued or waiting in a worker for its time (tasks
  // being run do not count).
  bool isEmpty() override;
  void disableAddTask() override;
  const char* getName() override;
  bool allowsRepeatingTasks() override { return true; }
  bool allowsDelayedTasks() override { return true; }

  // Disables adding and makes every queued task a plain one and every waiting
  // worker stop waiting: all pending tasks run once, now.
  void removeAllDelayedOrRepeatingTasks();

  // Starts count more workers with the next indexes.
  void addThreadsToPool(int count);

  // Workers started so far.
  int getThreadCount() const { return threadCount_.load(std::memory_order_relaxed); }

 private:
  class InterruptibleThread;

  void addThreadsToPoolLocked(int count);
  bool waitAndGetTask(InterruptibleThread& worker, Task& task);
  void runTask(InterruptibleThread& worker, const Task& task);
  void runOrHandOver(const Task& task);

  std::vector<std::unique_ptr<InterruptibleThread>> workers_;  // guarded by mutex_
  ZRLockFreeQueue<Task> queue_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::atomic<int> threadCount_{0};
  int maxThreadCount_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> addDisabled_{false};
  std::atomic<int> takenNotStarted_{0};  // taken by a worker, still waiting for its time
  ZRThreadPriority priority_;
  char name_[32];
};
