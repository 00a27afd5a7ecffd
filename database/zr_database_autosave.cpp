// Saving database.xml in the background: a crash then loses at most the
// changes of the last few seconds, not everything since the start. The
// "saveDB" thread looks twice a second whether the library or a list changed;
// it saves once they have been quiet for a while, or at the latest a few
// seconds after the first unsaved change while changes keep coming (a large
// folder being added). It never runs on the audio thread and never ends a
// filter or touches a record: it only reads, under the locks.

#include <algorithm>
#include <chrono>

#include "common/zr_logging.h"
#include "common/zr_thread.h"
#include "database/zr_database.h"
#include "database/zr_list.h"

namespace {

constexpr int kLookIntervalMs = 500;
constexpr int kRetryAfterFailureMs = 30000;

int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

uint64_t ZRDatabase::currentSaveGeneration() const {
  return saveGeneration_.load(std::memory_order_relaxed) + ZRList::changeGeneration();
}

void ZRDatabase::startAutoSave(const ZRString& path, int quietMs, int maxDelayMs) {
  stopAutoSave();
  std::lock_guard<std::mutex> g(autoSaveLock_);
  autoSavePath_ = path;
  autoSaveQuietMs_ = quietMs;
  autoSaveMaxDelayMs_ = maxDelayMs;
  // What is in memory now is what was just loaded or saved.
  savedGeneration_ = lastSeenGeneration_ = currentSaveGeneration();
  firstUnsavedMs_ = 0;
  retryAtMs_ = 0;
  autoSaveThread_ =
      new ZRThread([this](void*) { return autoSaveTick(); }, nullptr, 0, kLookIntervalMs, "saveDB");
}

void ZRDatabase::stopAutoSave() {
  ZRThread* thread = nullptr;
  {
    std::lock_guard<std::mutex> g(autoSaveLock_);
    thread = autoSaveThread_;
    autoSaveThread_ = nullptr;
  }
  // Joins: a save in progress is finished first.
  delete thread;
}

bool ZRDatabase::autoSaveTick() {
  const uint64_t generation = currentSaveGeneration();
  const int64_t now = nowMs();
  if (generation == savedGeneration_) {
    firstUnsavedMs_ = 0;
    return true;
  }
  if (firstUnsavedMs_ == 0) firstUnsavedMs_ = now;
  if (generation != lastSeenGeneration_) {
    lastSeenGeneration_ = generation;
    lastChangeSeenMs_ = now;
  }
  if (now < retryAtMs_) return true;
  if (now - lastChangeSeenMs_ < autoSaveQuietMs_ && now - firstUnsavedMs_ < autoSaveMaxDelayMs_) return true;
  // Changes made while the file is written make the next save.
  if (writeFile(autoSavePath_, true)) {
    savedGeneration_ = generation;
    firstUnsavedMs_ = 0;
  } else {
    // A full disk stays full for a while: not twice a second.
    retryAtMs_ = now + std::max(autoSaveMaxDelayMs_, kRetryAfterFailureMs);
  }
  return true;
}
