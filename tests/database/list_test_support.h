#pragma once
// Helpers of the library tests: registered lists on a test's own library,
// tracks made from a few fields, and rows read back as track ids.

#include <memory>
#include <string>
#include <vector>

#include "database/zr_database.h"
#include "database/zr_list.h"

namespace orvel_test {

// A list in the registry, reading db; taken out and deleted at the end.
class ScopedList {
 public:
  explicit ScopedList(ZRDatabase* db, int32_t type = ZRList::kTypeUserList, const char* name = "list",
                      bool saveInDatabase = true)
      : list_(ZRList::create(ZRString(name), saveInDatabase, type, 0)) {
    list_->setDatabase(db);
  }
  ~ScopedList() {
    ZRList::removeList(list_);
    delete list_;
  }
  ScopedList(const ScopedList&) = delete;
  ScopedList& operator=(const ScopedList&) = delete;
  ZRList* operator->() const { return list_; }
  ZRList* get() const { return list_; }

 private:
  ZRList* list_;
};

inline TZRDatabaseTrack makeTrack(const std::string& path, const char* artist, const char* title = "") {
  TZRDatabaseTrack t;
  t.tags[kTagFileName] = ZRString(path);
  t.tags[kTagArtist] = ZRString(artist);
  t.tags[kTagTitle] = ZRString(title);
  return t;
}

inline TZRListTrack rowOf(int32_t trackId, bool marked = false) {
  TZRListTrack row;
  row.trackId = trackId;
  row.marked = marked;
  return row;
}

// The visible rows' track ids, in order.
inline std::vector<int32_t> rowIds(ZRList* list) {
  std::vector<int32_t> ids;
  TZRListTrack row;
  for (int32_t i = 0; list->getRowData(i, &row); ++i) ids.push_back(row.trackId);
  return ids;
}

// Counts the calls of the change callback of every list it is set on.
struct CallbackCounter {
  static int& calls() {
    static thread_local int n = 0;
    return n;
  }
  static void callback(ZRList*) { ++calls(); }
};

}  // namespace orvel_test
