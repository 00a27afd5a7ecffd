#pragma once
// ZRDispatchQueueBase: the interface of a task queue. A task is a function
// object returning bool. Simple queues hold tasks until their owner thread
// drains them with execute(); thread pools run them on their own workers, at
// once, after a pause, at a time point or again and again.
//
// The reply pattern: an asynchronous operation takes a callback and a queue
// from its caller, does its work on a pool and posts the callback, bound to
// its results, to that queue, so the callback runs on the queue's owner.

#include <chrono>
#include <functional>

#include "common/zr_clock.h"

using ZRTask = std::function<bool()>;

class ZRDispatchQueueBase {
 public:
  virtual ~ZRDispatchQueueBase() = default;

  // Queues a task. interval is the pause before the task runs (before each
  // run of a repeating task, whose result says whether to go on); a delayed
  // task runs at `at`; with a replyQueue the function is handed to that queue
  // instead of being run. Queues that do not time tasks ignore those
  // arguments. False when the queue refuses the task.
  virtual bool addTask(const ZRTask& fn, std::chrono::microseconds interval, ZRSystemTimePoint at,
                       bool repeating, bool delayed, ZRDispatchQueueBase* replyQueue) = 0;
  // Runs the queued tasks on the calling thread.
  virtual void execute() = 0;
  // Drops every queued task.
  virtual void clear() = 0;
  // True when no task is queued (tasks being run do not count).
  virtual bool isEmpty() = 0;
  // Refuses every later addTask.
  virtual void disableAddTask() = 0;
  virtual const char* getName() = 0;
  virtual bool allowsRepeatingTasks() = 0;
  virtual bool allowsDelayedTasks() = 0;
};
