#include "dsp/engine/zr_batch_analysis.h"

#include <algorithm>

#include "common/zr_thread.h"
#include "dsp/engine/zr_batch_audio_detection.h"
#include "platform/thread_platform.h"

namespace {

constexpr int kIntervalMs = 340;

}  // namespace

ZRBatchAnalysis::ZRBatchAnalysis(const ZRString& stripes, bool firstGen, bool steady, int count)
    : stripesFolder(stripes), firstGeneration(firstGen), steadyMode(steady) {
  if (count <= 0) count = std::max(1, platformOnlineCpuCount() - 1);
  for (int i = 0; i < count; ++i) {
    auto worker = std::make_unique<Worker>();
    worker->owner = this;
    worker->thread = std::make_unique<ZRThread>(
        [](void* data) {
          Worker* w = static_cast<Worker*>(data);
          return w->owner->work(*w);
        },
        worker.get(), 0, kIntervalMs, "analyze");
    workers.push_back(std::move(worker));
  }
}

ZRBatchAnalysis::~ZRBatchAnalysis() {
  stopping.store(true, std::memory_order_release);
  for (std::unique_ptr<Worker>& w : workers) w->thread.reset();
}

void ZRBatchAnalysis::addFile(const ZRString& path) {
  pending.fetch_add(1, std::memory_order_acq_rel);
  queue.enqueue(path);
  for (std::unique_ptr<Worker>& w : workers) w->thread->wakeUpNow();
}

bool ZRBatchAnalysis::work(Worker& worker) {
  if (!worker.analyser) {
    platformMakeCurrentThreadBackground();
    worker.analyser = std::make_unique<ZRBatchAudioDetection>(stripesFolder, firstGeneration, steadyMode);
  }
  ZRString path;
  while (!stopping.load(std::memory_order_acquire) && queue.try_dequeue(path)) {
    worker.analyser->analyzeFileAndUpdateDatabase(path, 0);
    pending.fetch_sub(1, std::memory_order_acq_rel);
  }
  return true;
}
