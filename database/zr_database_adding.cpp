// Adding files and folders to the library. Reading tags is slow, so files
// queued with addFile / addFolder are read on the library's own thread,
// "asyncOpsDB"; addFileNow reads one file on the calling thread (a deck
// loading a file the library does not know yet).
//
// A row is appended to the target list only while that list is registered
// (checked under the registry's lock, which keeps the list alive meanwhile),
// so work queued for a list that is deleted in between is dropped. A record
// is stored only when no record of its path exists, decided under the
// library's write lock, so a file added from two threads gets one record.

#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <set>
#include <utility>
#include <vector>

#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_thread.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "tags/zr_tag.h"

namespace {

constexpr int kAddIntervalMs = 190;

enum AddCode : int32_t { kAddFile = 0, kAddFolder = 1, kAddFolderTree = 2 };

}  // namespace

// The folders one folder operation has entered, by device and inode: a
// symbolic link back up the tree must not make the walk endless.
struct ZRDatabase::VisitedFolders {
  std::set<std::pair<dev_t, ino_t>> folders;
};

struct ZRDatabase::AddOperation {
  int32_t code = kAddFile;
  ZRString path;
  ZRList* list = nullptr;
  uint64_t listSerial = 0;
  uint64_t listEpoch = 0;  // rows go in only while the list keeps this epoch
};

bool ZRDatabase::fillTrackDetails(const ZRString& path, TZRDatabaseTrack* record, ZRTag* tagReader) {
  if (!record || !tagReader) return false;
  resetTrack(record, true);
  record->mediaType = ::getFileMediaType(path);
  if (!tagReader->open(path)) return false;
  for (int i = 0; i < kTagFieldCount; ++i) tagReader->getField(i, &record->tags[i]);
  // The record's path is the key the library finds it by: exactly as given.
  record->tags[kTagFileName] = path;
  record->genres[0] = ZRTag::getGenreIdFromString(record->tags[kTagGenre]);
  int rate = 0, channels = 0, bits = 0, kbps = 0, lengthMs = 0, fileBytes = 0;
  if (tagReader->getAudioProperties(rate, channels, bits, kbps, lengthMs, fileBytes)) {
    record->durationMs = lengthMs;
    // The tag layer counts bytes in an int; files over 2 GiB keep their size.
    struct stat st;
    record->size = stat(path.utf8().c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : fileBytes;
    record->bitRate = kbps * 1000;
    record->sampleRate = rate;
    record->channels = channels;
    record->bitDepth = bits;
    record->tags[kTagTime] = trackTimeText(lengthMs);
  }
  record->dtAdded = static_cast<int64_t>(time(nullptr));
  tagReader->close();
  return true;
}

void ZRDatabase::enqueueAddOperation(int32_t code, const ZRString& path, ZRList* list) {
  std::lock_guard<std::mutex> g(adderLock_);
  if (addingStopped_) {
    ZRLOG("warning: the library is shutting down; '%s' is not added", path);
    return;
  }
  if (!addThread_) {
    addTagReader_ = new ZRTag();
    addThread_ =
        new ZRThread([this](void*) { return runAddOperations(); }, nullptr, 0, kAddIntervalMs, "asyncOpsDB");
  }
  AddOperation* op = new AddOperation();
  op->code = code;
  op->path = path;
  op->list = list;
  op->listSerial = list ? list->serial() : 0;
  op->listEpoch = list ? list->additionEpoch() : 0;
  pendingAdds_.fetch_add(1);
  if (!addQueue_.enqueue(op)) {
    pendingAdds_.fetch_sub(1);
    delete op;
    ZRLOG("error: out of memory; '%s' is not added", path);
    return;
  }
  if (code != kAddFile) addThread_->wakeUpNow();
}

void ZRDatabase::addFile(const ZRString& path, ZRList* list) {
  enqueueAddOperation(kAddFile, path, list);
}

void ZRDatabase::addFolder(const ZRString& path, ZRList* list, bool recursive) {
  enqueueAddOperation(recursive ? kAddFolderTree : kAddFolder, path, list);
}

bool ZRDatabase::runAddOperations() {
  AddOperation* op = nullptr;
  while (!stopAdding_.load() && addQueue_.try_dequeue(op)) {
    if (op->code == kAddFile) {
      if (isFileAccepted(op->path, false)) addOneFile(op->path, *op);
    } else {
      VisitedFolders visited;
      addFolderContents(op->path, *op, op->code == kAddFolderTree, &visited);
    }
    if (op->list) {
      ZRList::withRegisteredList(op->list, op->listSerial,
                                 [](ZRList* list) { list->callListChangedCallback(); });
    }
    delete op;
    pendingAdds_.fetch_sub(1);
  }
  return true;
}

int32_t ZRDatabase::findOrAddTrack(const ZRString& path, ZRTag* tagReader) {
  TZRDatabaseTrack record;
  if (getTrackIdOnlyIfFound(-1, path, &record)) return record.id;
  if (!fillTrackDetails(path, &record, tagReader)) return -1;
  return storeTrackIfNew(&record);
}

void ZRDatabase::addOneFile(const ZRString& path, const AddOperation& op) {
  const int32_t id = findOrAddTrack(path, addTagReader_);
  if (!op.list || id < 0) return;
  TZRListTrack row;
  row.trackId = id;
  ZRList::withRegisteredList(op.list, op.listSerial,
                             [&row, &op](ZRList* list) { list->addLineIfCurrent(row, op.listEpoch, false); });
}

void ZRDatabase::addFolderContents(const ZRString& folder, const AddOperation& op, bool recursive,
                                   VisitedFolders* visited) {
  struct stat st;
  if (stat(folder.utf8().c_str(), &st) != 0 || !visited->folders.emplace(st.st_dev, st.st_ino).second) return;

  // One listing: subfolders and files, each in name order.
  std::vector<ZRString> folders;
  std::vector<ZRString> files;
  void* handle = nullptr;
  ZRString name;
  bool isFolder = false;
  ZRString base = folder;
  base.appendSeparatorIfNeeded();
  if (findFirst(folder, ZRString("*"), &handle, &name, &isFolder)) {
    do {
      (isFolder ? folders : files).push_back(base + name);
    } while (findNext(handle, &name, &isFolder));
    findClose(handle);
  }
  if (recursive) {
    for (const ZRString& sub : folders) {
      if (stopAdding_.load()) return;
      addFolderContents(sub, op, true, visited);
    }
  }
  for (const ZRString& file : files) {
    if (stopAdding_.load()) return;
    if (isFileAccepted(file, false)) addOneFile(file, op);
  }
}

int32_t ZRDatabase::addFileNow(const ZRString& path, ZRList* list) {
  if (!isFileAccepted(path, true)) return -1;
  ZRTag tagReader;
  const int32_t id = findOrAddTrack(path, &tagReader);
  if (list && id >= 0) {
    TZRListTrack row;
    row.trackId = id;
    list->addLine(row, -1, true);
  }
  return id;
}

bool ZRDatabase::waitUntilAddingIsDone(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (pendingAdds_.load() > 0) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    ZRThread::sleep_ms(5);
  }
  return true;
}

void ZRDatabase::stopBackgroundWork() {
  stopAutoSave();
  ZRThread* thread = nullptr;
  ZRTag* tagReader = nullptr;
  {
    std::lock_guard<std::mutex> g(adderLock_);
    addingStopped_ = true;
    thread = addThread_;
    tagReader = addTagReader_;
    addThread_ = nullptr;
    addTagReader_ = nullptr;
  }
  if (!thread) return;
  // A folder walk in progress stops at its next file; the thread is joined
  // before anything it uses goes.
  stopAdding_.store(true);
  delete thread;
  delete tagReader;
  int dropped = 0;
  AddOperation* op = nullptr;
  while (addQueue_.try_dequeue(op)) {
    delete op;
    ++dropped;
  }
  pendingAdds_.store(0);
  if (dropped > 0) ZRLOG("the library stopped adding files; %d queued additions were dropped", dropped);
}
