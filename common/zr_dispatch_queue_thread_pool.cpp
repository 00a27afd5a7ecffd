#include "common/zr_dispatch_queue_thread_pool.h"

#include <cstring>
#include <string>
#include <thread>

#include "common/zr_logging.h"
#include "common/zr_sleep_killer.h"
#include "common/zr_thread_utils.h"

// One worker of a pool: fetches tasks until its own or the pool's stop flag
// is set, and waits for timed tasks in a sleeper the pool can interrupt.
class ZRDispatchQueueThreadPool::InterruptibleThread {
 public:
  InterruptibleThread(int index, ZRDispatchQueueThreadPool* pool, ZRThreadPriority priority)
      : index_(index), pool_(pool), priority_(priority) {
    std::lock_guard<std::mutex> lock(startMutex_);
    thread_ = std::make_unique<std::thread>(&InterruptibleThread::threadFunction, this);
  }

  // Stops the worker: a wait ends at once, a task being run is finished first.
  ~InterruptibleThread() {
    requestStop();
    sleeper_.kill();
    if (thread_ && thread_->joinable()) thread_->join();
  }

  InterruptibleThread(const InterruptibleThread&) = delete;
  InterruptibleThread& operator=(const InterruptibleThread&) = delete;

  void requestStop() { stop_.exchange(true); }
  bool stopRequested() const { return stop_.load(std::memory_order_acquire); }
  ZRSleepKiller& sleeper() { return sleeper_; }

 private:
  void threadFunction() {
    {
      // Go on only once the constructor has stored the handle.
      std::lock_guard<std::mutex> lock(startMutex_);
    }
    if (thread_) {
      std::string name = std::string("DQ-") + pool_->name_ + "-th" + std::to_string(index_);
      if (name.size() > 31) name.resize(31);
      setThreadName(name.c_str());
      setThreadPriority_internal(thread_->native_handle(), priority_);
    } else {
      ZRLOG("error: 'thread' is NULL, cannot set priority and name!");
    }
    while (!stopRequested()) {
      Task task;
      if (!pool_->waitAndGetTask(*this, task)) break;
      pool_->runTask(*this, task);
    }
  }

  int index_;
  std::atomic<bool> stop_{false};
  std::unique_ptr<std::thread> thread_;
  std::mutex startMutex_;  // held by the constructor until thread_ is stored
  ZRSleepKiller sleeper_;
  ZRDispatchQueueThreadPool* pool_;
  ZRThreadPriority priority_;
};

ZRDispatchQueueThreadPool::ZRDispatchQueueThreadPool(int threadCount, int maxThreadCount,
                                                     ZRThreadPriority priority, const char* name)
    : maxThreadCount_(maxThreadCount), priority_(priority) {
  const char* chosen = (name != nullptr && std::strlen(name) < sizeof(name_)) ? name : "unnamed";
  std::strcpy(name_, chosen);
  addThreadsToPool(threadCount);
}

ZRDispatchQueueThreadPool::~ZRDispatchQueueThreadPool() {
  std::vector<std::unique_ptr<InterruptibleThread>> workers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& worker : workers_) worker->requestStop();
    stop_.exchange(true);
    cv_.notify_all();
    workers.swap(workers_);
  }
  // Joined outside the mutex: a worker fetching its next task needs it.
  for (auto& worker : workers) worker.reset();
  queue_.clear();
}

void ZRDispatchQueueThreadPool::addThreadsToPool(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  addThreadsToPoolLocked(count);
}

void ZRDispatchQueueThreadPool::addThreadsToPoolLocked(int count) {
  for (int i = 0; i < count; ++i) {
    const int index = threadCount_.load(std::memory_order_relaxed);
    workers_.push_back(std::make_unique<InterruptibleThread>(index, this, priority_));
    threadCount_.store(index + 1, std::memory_order_relaxed);
  }
}

bool ZRDispatchQueueThreadPool::addTask(const ZRTask& fn, std::chrono::microseconds interval,
                                        ZRSystemTimePoint at, bool repeating, bool delayed,
                                        ZRDispatchQueueBase* replyQueue) {
  if (stop_.load(std::memory_order_acquire) || addDisabled_.load(std::memory_order_acquire)) return false;

  Task task;
  task.fn = fn;
  task.interval = interval;
  task.at = at;
  task.repeating = repeating;
  task.delayed = delayed && !repeating;
  task.replyQueue = replyQueue;

  if (repeating) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!stop_.load(std::memory_order_acquire) &&
        threadCount_.load(std::memory_order_relaxed) < maxThreadCount_)
      addThreadsToPoolLocked(1);
  }

  if (stop_.load(std::memory_order_acquire) || addDisabled_.load(std::memory_order_acquire)) return false;
  if (!queue_.enqueue(task)) return false;
  {
    // Under the mutex, so a worker between its empty check and its wait
    // cannot miss the wake-up.
    std::lock_guard<std::mutex> lock(mutex_);
    cv_.notify_one();
  }
  return true;
}

bool ZRDispatchQueueThreadPool::waitAndGetTask(InterruptibleThread& worker, Task& task) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_.load(std::memory_order_acquire) && !worker.stopRequested()) {
    if (queue_.try_dequeue(task)) {
      takenNotStarted_.fetch_add(1);
      return true;
    }
    cv_.wait(lock);
  }
  return false;
}

void ZRDispatchQueueThreadPool::runOrHandOver(const Task& task) {
  if (task.replyQueue != nullptr) {
    // The pause has been waited here already: the reply queue gets a plain
    // task that runs once, whatever kind of queue it is.
    task.replyQueue->addTask(task.fn, std::chrono::microseconds(0), task.at, false, false, nullptr);
  } else if (task.fn) {
    task.fn();
  }
}

void ZRDispatchQueueThreadPool::runTask(InterruptibleThread& worker, const Task& task) {
  const auto disabled = [this] { return addDisabled_.load(std::memory_order_acquire); };
  const auto cancelled = [&] { return disabled() || worker.stopRequested(); };
  // A task taken from the queue still counts as pending until its worker has
  // decided to run it, so a stop that waits for the pools to empty cannot
  // slip in between a finished wait and the run.
  const auto claim = [&] {
    const bool run = !worker.stopRequested();
    takenNotStarted_.fetch_sub(1);
    return run;
  };

  if (task.repeating) {
    bool counted = true;  // counted when it was taken from the queue
    do {
      if (!counted) takenNotStarted_.fetch_add(1);
      counted = false;
      if (!disabled()) worker.sleeper().wait_for(task.interval, cancelled);
      if (!claim()) break;
      if (task.replyQueue != nullptr) {
        const bool goOn = !disabled();
        runOrHandOver(task);
        if (!goOn) break;
      } else {
        const bool goOn = task.fn && task.fn();
        if (!goOn || disabled()) break;
      }
    } while (!worker.stopRequested());
  } else if (task.delayed) {
    if (!disabled()) worker.sleeper().wait_until(task.at, cancelled);
    if (claim()) runOrHandOver(task);
  } else {
    if (task.interval >= std::chrono::milliseconds(1) && !disabled())
      worker.sleeper().wait_for(task.interval, cancelled);
    if (claim()) runOrHandOver(task);
  }
}

void ZRDispatchQueueThreadPool::execute() {
  std::vector<Task> tasks;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Task task;
    while (queue_.try_dequeue(task)) tasks.push_back(std::move(task));
  }
  // Run outside the mutex, so a task may post to this same pool.
  for (const Task& task : tasks) {
    if (!task.repeating && task.fn) task.fn();
  }
}

void ZRDispatchQueueThreadPool::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.clear();
}

bool ZRDispatchQueueThreadPool::isEmpty() {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size_approx() == 0 && takenNotStarted_.load() == 0;
}

void ZRDispatchQueueThreadPool::disableAddTask() {
  std::lock_guard<std::mutex> lock(mutex_);
  addDisabled_.exchange(true);
}

const char* ZRDispatchQueueThreadPool::getName() {
  return name_;
}

void ZRDispatchQueueThreadPool::removeAllDelayedOrRepeatingTasks() {
  std::lock_guard<std::mutex> lock(mutex_);
  addDisabled_.exchange(true);
  std::vector<Task> taken;
  Task task;
  while (queue_.try_dequeue(task)) taken.push_back(std::move(task));
  for (Task& plain : taken) {
    plain.interval = std::chrono::microseconds(0);
    plain.repeating = false;
    plain.delayed = false;
    queue_.enqueue(plain);
  }
  for (auto& worker : workers_) worker->sleeper().kill();
  cv_.notify_all();
}
