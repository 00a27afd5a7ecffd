#include "common/zr_global_task_dispatch.h"

#include "common/zr_logging.h"
#include "common/zr_thread.h"
#include "common/zr_thread_utils.h"

ZRGlobalTaskDispatch* ZRGlobalTaskDispatch::getInstance() {
  // The log is created first so that it outlives the dispatcher, whose
  // destructor may still log at process exit.
  ZRLogging::getInstance();
  static ZRGlobalTaskDispatch instance;
  return &instance;
}

ZRGlobalTaskDispatch::ZRGlobalTaskDispatch()
    : logicalCores_(getTotalLogicalCores()), creationTime_(ZRSystemNow()) {
  const int n = logicalCores_;
  idlePool.store(new ZRDispatchQueueThreadPool(n, 2 * n, 0, "idle"), std::memory_order_release);
  lowPool.store(new ZRDispatchQueueThreadPool(n, 2 * n, 1, "low"), std::memory_order_release);
  normalPool.store(new ZRDispatchQueueThreadPool(n, 2 * n, 3, "normal"), std::memory_order_release);
}

ZRGlobalTaskDispatch::~ZRGlobalTaskDispatch() {
  if (!isStopped()) {
    ZRLOG("error: ZRGlobalTaskDispatch was not gracefully stopped, atempting cleanup");
    stopService(false);
  }
}

bool ZRGlobalTaskDispatch::async(const ZRTask& fn, ZRDispatchQueueBase* queue) {
  if (isStopped()) return false;
  if (queue == nullptr) {
    if (fn) fn();
    return true;
  }
  queue->addTask(fn, interval_, creationTime_, false, false, nullptr);
  return true;
}

void ZRGlobalTaskDispatch::syncQueueMainThread() {
  mainQueue.execute();
}

void ZRGlobalTaskDispatch::syncQueueGUIThread() {
  guiQueue.execute();
}

void ZRGlobalTaskDispatch::stopService(bool waitForTasks) {
  if (stopped_.exchange(true)) return;

  // Let posters that passed the stopped check just before finish posting.
  ZRThread::sleep_ms(100);

  mainQueue.disableAddTask();
  guiQueue.disableAddTask();
  audioQueue.disableAddTask();
  ZRDispatchQueueThreadPool* const pools[] = {normalPool.load(std::memory_order_acquire),
                                              lowPool.load(std::memory_order_acquire),
                                              idlePool.load(std::memory_order_acquire)};
  for (ZRDispatchQueueThreadPool* pool : pools) {
    if (pool != nullptr) pool->disableAddTask();
  }

  if (waitForTasks) {
    for (ZRDispatchQueueThreadPool* pool : pools) {
      if (pool != nullptr) pool->removeAllDelayedOrRepeatingTasks();
    }
    for (;;) {
      bool empty = true;
      for (ZRDispatchQueueThreadPool* pool : pools) {
        if (pool != nullptr && !pool->isEmpty()) empty = false;
      }
      if (empty) break;
      ZRThread::sleep_ms(50);
    }
  }

  normalPool.store(nullptr, std::memory_order_release);
  lowPool.store(nullptr, std::memory_order_release);
  idlePool.store(nullptr, std::memory_order_release);
  for (ZRDispatchQueueThreadPool* pool : pools) delete pool;
}
