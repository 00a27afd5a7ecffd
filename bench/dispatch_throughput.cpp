// Task throughput of the dispatcher's queues: posting plain tasks to a pool
// until all have run, posting to a simple queue and draining it, and the bare
// lock-free queue underneath both.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "common/zr_dispatch_queue_simple.h"
#include "common/zr_dispatch_queue_thread_pool.h"
#include "common/zr_lock_free_queue.h"
#include "common/zr_thread_utils.h"

namespace {

constexpr int kTasksPerIteration = 10000;

void BM_PoolPlainTasks(benchmark::State& state) {
  const int workers = static_cast<int>(state.range(0));
  ZRDispatchQueueThreadPool pool(workers, workers, 1, "bench");
  std::atomic<int> done{0};
  const ZRTask task = [&done] {
    done.fetch_add(1, std::memory_order_relaxed);
    return true;
  };
  for (auto _ : state) {
    done.store(0, std::memory_order_relaxed);
    for (int i = 0; i < kTasksPerIteration; ++i) {
      pool.addTask(task, std::chrono::microseconds(0), ZRSystemNow(), false, false, nullptr);
    }
    while (done.load(std::memory_order_relaxed) < kTasksPerIteration) std::this_thread::yield();
  }
  state.SetItemsProcessed(state.iterations() * kTasksPerIteration);
}
BENCHMARK(BM_PoolPlainTasks)->Arg(1)->Arg(2)->Arg(4)->UseRealTime();

void BM_SimpleQueuePostAndDrain(benchmark::State& state) {
  ZRDispatchQueueSimple queue("bench");
  int done = 0;
  const ZRTask task = [&done] {
    ++done;
    return true;
  };
  for (auto _ : state) {
    for (int i = 0; i < kTasksPerIteration; ++i) {
      queue.addTask(task, std::chrono::microseconds(0), ZRSystemNow(), false, false, nullptr);
    }
    queue.execute();
  }
  benchmark::DoNotOptimize(done);
  state.SetItemsProcessed(state.iterations() * kTasksPerIteration);
}
BENCHMARK(BM_SimpleQueuePostAndDrain);

void BM_LockFreeQueueEnqueueDequeue(benchmark::State& state) {
  ZRLockFreeQueue<int> queue;
  int out = 0;
  for (auto _ : state) {
    for (int i = 0; i < kTasksPerIteration; ++i) queue.enqueue(i);
    while (queue.try_dequeue(out)) {
    }
  }
  benchmark::DoNotOptimize(out);
  state.SetItemsProcessed(state.iterations() * kTasksPerIteration);
}
BENCHMARK(BM_LockFreeQueueEnqueueDequeue);

}  // namespace
