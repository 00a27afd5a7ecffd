#pragma once
// ZRBatchAnalysis: the background analysis of library tracks on as many
// "analyze" threads as it is given, each with its own ZRBatchAudioDetection.
// Files are taken from one queue in the order they were added; each worker
// takes the next file as soon as it has stored the last one.
//
// The workers run at the lowest claim on the processors the normal policy
// has, so that they use idle cores and yield to everything else; the audio
// thread, in its real-time class, is not competed with at all.
//
// Threads: addFile and the getters from any thread; the workers wake every
// 340 ms and at once when a file is added.

#include <atomic>
#include <memory>
#include <vector>

#include "common/zr_lock_free_queue.h"
#include "common/zr_string.h"

class ZRBatchAudioDetection;
class ZRThread;

class ZRBatchAnalysis {
 public:
  // workers <= 0: one per online core but one (at least one).
  ZRBatchAnalysis(const ZRString& stripesFolder, bool firstGeneration, bool steadyMode, int workers);
  // Files being analysed are finished and stored; files still queued are
  // dropped.
  ~ZRBatchAnalysis();
  ZRBatchAnalysis(const ZRBatchAnalysis&) = delete;
  ZRBatchAnalysis& operator=(const ZRBatchAnalysis&) = delete;

  void addFile(const ZRString& path);
  // Files queued or being analysed.
  int getPendingCount() const { return pending.load(std::memory_order_acquire); }
  int getWorkerCount() const { return static_cast<int>(workers.size()); }

 private:
  struct Worker {
    ZRBatchAnalysis* owner = nullptr;
    std::unique_ptr<ZRBatchAudioDetection> analyser;  // made on the worker's own thread
    std::unique_ptr<ZRThread> thread;
  };
  bool work(Worker& worker);

  ZRString stripesFolder;
  bool firstGeneration;
  bool steadyMode;
  ZRLockFreeQueue<ZRString> queue;
  std::atomic<int> pending{0};
  std::atomic<bool> stopping{false};
  std::vector<std::unique_ptr<Worker>> workers;
};
