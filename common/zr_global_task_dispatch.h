#pragma once
// ZRGlobalTaskDispatch: the process-wide task dispatcher. It owns three
// simple queues that their owner threads drain ("main": the main window's
// timer; "GUI": the GUI tick; "audio") and three thread pools ("idle", "low"
// and "normal", priority steps 0, 1 and 3, one worker per logical core at
// the start and at most twice that).
//
// Shut-down: the application drains "main" and "GUI" once more and calls
// stopService(true); from then on async() refuses work and the pools are gone.

#include <atomic>
#include <chrono>

#include "common/zr_clock.h"
#include "common/zr_dispatch_queue_base.h"
#include "common/zr_dispatch_queue_simple.h"
#include "common/zr_dispatch_queue_thread_pool.h"

class ZRGlobalTaskDispatch {
 public:
  // The process-wide dispatcher, created on first use (thread-safe) and
  // destroyed at process exit.
  static ZRGlobalTaskDispatch* getInstance();

  // The application uses getInstance(); separate instances serve tests.
  ZRGlobalTaskDispatch();
  // Stops the service first (without waiting for tasks, logging an error)
  // when nobody did.
  ~ZRGlobalTaskDispatch();

  ZRGlobalTaskDispatch(const ZRGlobalTaskDispatch&) = delete;
  ZRGlobalTaskDispatch& operator=(const ZRGlobalTaskDispatch&) = delete;

  // False, and fn is not run, once the dispatcher is stopped. A null queue
  // runs fn at once on the calling thread. Otherwise fn is posted to the
  // queue as a plain task and the answer is true even when the queue refused
  // it: a task posted during shut-down is dropped silently.
  bool async(const ZRTask& fn, ZRDispatchQueueBase* queue);

  // Runs the tasks of "main" / "GUI" on the calling thread.
  void syncQueueMainThread();
  void syncQueueGUIThread();

  // Shuts down (once): refuse new work, wait 100 ms for posters in flight,
  // disable adding on "main", "GUI", "audio", "normal", "low", "idle"; with
  // waitForTasks run every pending pool task once at once and wait until the
  // pools are empty; then destroy the pools "normal", "low", "idle" (tasks
  // being run are finished first). The simple queues keep their tasks.
  void stopService(bool waitForTasks);

  bool isStopped() const { return stopped_.load(std::memory_order_acquire); }

  // The pools; null once the service has stopped.
  std::atomic<ZRDispatchQueueThreadPool*> idlePool{nullptr};
  std::atomic<ZRDispatchQueueThreadPool*> lowPool{nullptr};
  std::atomic<ZRDispatchQueueThreadPool*> normalPool{nullptr};
  ZRDispatchQueueSimple mainQueue{"main"};
  ZRDispatchQueueSimple guiQueue{"GUI"};
  ZRDispatchQueueSimple audioQueue{"audio"};

 private:
  int logicalCores_;
  std::atomic<bool> stopped_{false};
  std::chrono::microseconds interval_{0};  // what async passes
  ZRSystemTimePoint creationTime_;         // what async passes
};
