#include "common/zr_dispatch_queue_simple.h"

#include <cstring>

ZRDispatchQueueSimple::ZRDispatchQueueSimple(const char* name) {
  const char* chosen = (name != nullptr && std::strlen(name) < sizeof(name_)) ? name : "unnamed";
  std::strcpy(name_, chosen);
}

ZRDispatchQueueSimple::~ZRDispatchQueueSimple() {
  disableAddTask();
  clear();
}

bool ZRDispatchQueueSimple::addTask(const ZRTask& fn, std::chrono::microseconds, ZRSystemTimePoint, bool,
                                    bool, ZRDispatchQueueBase*) {
  if (addDisabled_.load(std::memory_order_acquire)) return false;
  return queue_.enqueue(fn);
}

void ZRDispatchQueueSimple::execute() {
  ZRTask task;
  while (queue_.try_dequeue(task)) {
    if (task) task();
    task = nullptr;
  }
}

void ZRDispatchQueueSimple::clear() {
  queue_.clear();
}

bool ZRDispatchQueueSimple::isEmpty() {
  return queue_.size_approx() == 0;
}

void ZRDispatchQueueSimple::disableAddTask() {
  addDisabled_.exchange(true);
}

const char* ZRDispatchQueueSimple::getName() {
  return name_;
}
