#include "actions_dj/background_analysis.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/action_support.h"
#include "actions_dj/background_tasks_status.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/settings_mirrors.h"
#include "common/text_ids.h"
#include "common/zr_files.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "database/zr_stripe_file.h"
#include "dsp/engine/zr_batch_audio_detection.h"

namespace {

std::mutex queueLock;
std::deque<ZRString> queue;
std::atomic<bool> detectKeyRequested{false};
std::atomic<bool> stopping{false};
bool spinnerShown = false;  // analyze thread only

bool takeQueued(ZRString* path) {
  std::lock_guard<std::mutex> guard(queueLock);
  if (queue.empty()) return false;
  *path = std::move(queue.front());
  queue.pop_front();
  return true;
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Only a name of the shape the library writes ("XX-YYYYYYYY", hexadecimal) names a stripe file: a name
// read from database.xml must never reach another path.
bool isStripeName(const std::string& name) {
  if (name.size() != 11 || name[2] != '-') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (i != 2 && !isHexDigit(name[i])) return false;
  }
  return true;
}

bool stripeFileIsCurrent(const ZRString& stripesFolder, const ZRString& name) {
  const ZRString path = stripeFilePath(stripesFolder, name);
  if (path.empty()) return false;
  FILE* file = std::fopen(path.utf8().c_str(), "rb");
  if (file == nullptr) return !FileExists(path);  // there but unreadable: analysing would not help
  int32_t version = 0;
  const bool read = std::fread(&version, sizeof version, 1, file) == 1;
  std::fclose(file);
  return read && version == 1;
}

bool endsWithDollar(const std::string& path) {
  return !path.empty() && path.back() == '$';
}

void queueRowsOf(ZRList* list, bool markedOnly) {
  ZRDatabase* database = ZRDatabase::getInstance();
  if (list == nullptr || database == nullptr) return;
  std::vector<int32_t> ids;
  list->startEnumeration(markedOnly);
  TZRListTrack row;
  while (list->getNextEnumerationElement(&row)) ids.push_back(row.trackId);
  list->stopEnumeration();
  TZRDatabaseTrack track;
  for (const int32_t id : ids) {
    if (id >= 0 && database->getTrackIdData(id, &track)) queueTrackForAnalysis(track.tags[kTagFileName]);
  }
}

}  // namespace

void queueTrackForAnalysis(const ZRString& path) {
  if (path.empty()) return;
  std::lock_guard<std::mutex> guard(queueLock);
  queue.push_back(path);
}

int backgroundAnalysisQueued() {
  std::lock_guard<std::mutex> guard(queueLock);
  return static_cast<int>(queue.size());
}

bool IsFileOkToBeAnalyzed(const ZRString& path, int* id, const ZRString& stripesFolder) {
  if (id != nullptr) *id = -1;
  ZRDatabase* database = ZRDatabase::getInstance();
  if (database == nullptr) return false;
  if (!endsWithDollar(path.utf8()) && !FileExists(path)) return false;
  TZRDatabaseTrack track;
  if (!database->getTrackIdOnlyIfFound(-1, path, &track)) return true;
  if (id != nullptr) *id = track.id;
  bool complete =
      track.bpm >= 10.0f && track.durationMs > 0 && track.pgainValid && !track.tags[kTagBpm].empty();
  if (complete && batchDetectMusicalKeyRequested()) {
    complete = track.pitchKey > 0 && !track.tags[kTagKey].empty();
  }
  if (!complete) return true;
  const std::string stripe = track.stripe.utf8();
  if (!isStripeName(stripe)) return true;
  return !stripeFileIsCurrent(stripesFolder, track.stripe);
}

void requestBatchDetectMusicalKey(bool on) {
  detectKeyRequested.store(on);
}
bool batchDetectMusicalKeyRequested() {
  return detectKeyRequested.load();
}

void setBackgroundAnalysisStopped(bool stopped) {
  stopping.store(stopped);
}

void updateBackgroundTasksStatus(int remaining) {
  if (remaining <= 0) {
    if (spinnerShown) setBackgroundTasksStatus(nullptr, false);
    spinnerShown = false;
    return;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%d remaining", remaining);
  setBackgroundTasksStatus(text, true);
  spinnerShown = true;
}

bool analyze_thread_function(void* user) {
  static const ZRString noFolder;
  const ZRString& stripesFolder = user != nullptr ? *static_cast<const ZRString*>(user) : noFolder;
  int remaining = backgroundAnalysisQueued();
  ZRString path;
  while (!stopping.load() && takeQueued(&path)) {
    updateBackgroundTasksStatus(remaining);
    remaining = backgroundAnalysisQueued();
    int id = -1;
    if (!IsFileOkToBeAnalyzed(path, &id, stripesFolder)) continue;
    // Settings changed since the last file take effect now, on this thread, between files.
    if (batchAudioDetection == nullptr || updateBatchAudioDetection.exchange(false)) {
      delete batchAudioDetection;
      batchAudioDetection =
          new ZRBatchAudioDetection(stripesFolder, false, settingInt("UseSteadyBpmDetection", 1) != 0);
    }
    batchAudioDetection->setDetectMusicalKey(batchDetectMusicalKeyRequested());
    batchAudioDetection->analyzeFileAndUpdateDatabase(path, id);
  }
  updateBackgroundTasksStatus(stopping.load() ? 0 : backgroundAnalysisQueued());
  return true;
}

void FAnalyzeSongFromCursor(int, int, int, ZRDrawNode*) {
  ZRList* list = actionControls().focusedList();
  if (list == nullptr) return;
  if (list->getTotalInserted() > 0) return queueRowsOf(list, true);
  const int32_t cursor = list->getMainCursor();
  TZRListTrack row;
  TZRDatabaseTrack track;
  if (cursor >= 0 && list->getRowDataFull(cursor, &row, &track))
    queueTrackForAnalysis(track.tags[kTagFileName]);
}

void FAnalyzeAllSongsFromList(int, int, int, ZRDrawNode*) {
  ZRList* list = actionControls().focusedList();
  if (list == nullptr || list->getCount() < 1) return;
  const uint64_t serial = list->serial();
  askYesNo(languageText(txt_confirm_analyze_all), ZRString(), [list, serial] {
    ZRList::withRegisteredList(list, serial, [](ZRList* l) { queueRowsOf(l, false); });
  });
}
