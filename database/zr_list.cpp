#include "database/zr_list.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "database/zr_database.h"

namespace {

struct Registry {
  ZRCriticalSection lock;
  std::vector<ZRList*> lists;
};

// Never destroyed: lists may still leave the registry while the process ends.
Registry& registry() {
  static Registry* instance = new Registry();
  return *instance;
}

std::atomic<uint64_t> nextSerial{1};
std::atomic<uint64_t> generation{0};

void noteListsChanged() {
  generation.fetch_add(1, std::memory_order_relaxed);
}

// Index of the first entry of list; -1 when absent. Caller holds the lock.
int indexInRegistry(const ZRList* list) {
  const std::vector<ZRList*>& lists = registry().lists;
  const auto it = std::find(lists.begin(), lists.end(), list);
  return it == lists.end() ? -1 : static_cast<int>(it - lists.begin());
}

}  // namespace

// ---- Registry ----

ZRList* ZRList::create(const ZRString& name, bool saveInDatabase, int32_t type, int32_t subtype) {
  ZRList* list = new ZRList(name, saveInDatabase, type, subtype);
  registry().lock.enterExclusive();
  registry().lists.push_back(list);
  registry().lock.leaveExclusive();
  noteListsChanged();
  return list;
}

bool ZRList::removeList(ZRList* list) {
  if (!list) return false;
  registry().lock.enterExclusive();
  std::vector<ZRList*>& lists = registry().lists;
  const size_t before = lists.size();
  lists.erase(std::remove(lists.begin(), lists.end(), list), lists.end());
  const bool removed = lists.size() != before;
  registry().lock.leaveExclusive();
  if (removed) noteListsChanged();
  return removed;
}

bool ZRList::moveList(ZRList* list, ZRList* target, bool after) {
  if (!list || !target || list == target) return false;
  registry().lock.enterExclusive();
  std::vector<ZRList*>& lists = registry().lists;
  const bool registered = indexInRegistry(list) >= 0 && indexInRegistry(target) >= 0;
  if (registered) {
    lists.erase(lists.begin() + indexInRegistry(list));
    const int at = indexInRegistry(target) + (after ? 1 : 0);
    lists.insert(lists.begin() + at, list);
  }
  registry().lock.leaveExclusive();
  if (registered) noteListsChanged();
  return registered;
}

void ZRList::sortListsByName() {
  registry().lock.enterExclusive();
  std::vector<ZRList*>& lists = registry().lists;
  // The names are read once: a list's name is guarded by its own lock.
  std::vector<std::pair<ZRString, ZRList*>> named;
  named.reserve(lists.size());
  for (ZRList* list : lists) named.emplace_back(list->getName(), list);
  std::stable_sort(named.begin(), named.end(),
                   [](const auto& a, const auto& b) { return a.first.icmp(b.first) < 0; });
  for (size_t i = 0; i < named.size(); ++i) lists[i] = named[i].second;
  registry().lock.leaveExclusive();
  noteListsChanged();
}

void ZRList::markRowsAsDirty(int32_t trackId) {
  forEachList([trackId](ZRList* list) {
    list->lock_.enterShared();
    const bool shows = std::any_of(list->rows_.begin(), list->rows_.end(),
                                   [trackId](const TZRListTrack& row) { return row.trackId == trackId; });
    list->lock_.leaveShared();
    if (shows) list->setNeedsRedraw();
  });
}

std::vector<ZRList*> ZRList::getLists() {
  registry().lock.enterShared();
  std::vector<ZRList*> copy = registry().lists;
  registry().lock.leaveShared();
  return copy;
}

void ZRList::forEachList(const std::function<void(ZRList*)>& fn) {
  registry().lock.enterShared();
  for (ZRList* list : registry().lists) fn(list);
  registry().lock.leaveShared();
}

bool ZRList::withRegisteredList(ZRList* list, uint64_t serial, const std::function<void(ZRList*)>& fn) {
  if (!list) return false;
  registry().lock.enterShared();
  // A registered list is alive, so its serial may be read.
  const bool alive = indexInRegistry(list) >= 0 && list->serial_ == serial;
  if (alive) fn(list);
  registry().lock.leaveShared();
  return alive;
}

uint64_t ZRList::changeGeneration() {
  return generation.load(std::memory_order_relaxed);
}

// ---- Life ----

ZRList::ZRList(const ZRString& name, bool saveInDatabase, int32_t type, int32_t subtype)
    : name_(name),
      type_(type),
      subtype_(subtype),
      saveInDatabase_(saveInDatabase),
      serial_(nextSerial.fetch_add(1, std::memory_order_relaxed)) {}

ZRList::~ZRList() {
  refresh_.store(false);
  removeList(this);
  clear();
}

void ZRList::setDatabase(ZRDatabase* database) {
  database_.store(database);
}

ZRDatabase* ZRList::database() const {
  ZRDatabase* db = database_.load();
  return db ? db : ZRDatabase::getInstance();
}

ZRString ZRList::getName() {
  lock_.enterShared();
  ZRString name = name_;
  lock_.leaveShared();
  return name;
}

void ZRList::setName(const ZRString& name) {
  lock_.enterExclusive();
  name_ = name;
  lock_.leaveExclusive();
  setNeedsRefresh();
}

void ZRList::setNeedsRefresh() {
  refresh_.store(true);
  noteListsChanged();
}

void ZRList::callListChangedCallback() {
  const ListChangedCallback callback = callback_.load();
  if (callback) callback(this);
}

void ZRList::finishChange(bool notify) {
  setNeedsRefresh();
  if (notify) callListChangedCallback();
}

// ---- Whole list ----

void ZRList::clearLocked() {
  rows_.clear();
  fullCopy_.clear();
  savedOrder_.clear();
  mainCursor_.store(-1);
  nextCursor_.store(-1);
  markCount_.store(0);
}

void ZRList::clear() {
  lock_.enterExclusive();
  clearLocked();
  lock_.leaveExclusive();
  finishChange(true);
}

void ZRList::clearDroppingQueuedAdditions() {
  lock_.enterExclusive();
  additionEpoch_.fetch_add(1);
  clearLocked();
  lock_.leaveExclusive();
  finishChange(true);
}

int32_t ZRList::getCount() {
  lock_.enterShared();
  const int32_t n = countLocked();
  lock_.leaveShared();
  return n;
}

void ZRList::setContentFrom(const std::vector<TZRListTrack>* rows) {
  if (!rows) return;
  setContentFrom(std::vector<TZRListTrack>(*rows));
}

void ZRList::setContentFrom(std::vector<TZRListTrack>&& rows) {
  lock_.enterExclusive();
  savedMainCursor_ = -1;
  savedNextCursor_ = -1;
  mainCursor_.store(-1);
  nextCursor_.store(-1);
  rows_.clear();
  fullCopy_.clear();
  savedOrder_.clear();
  if (filtered_) {
    fullCopy_ = std::move(rows);
    ZRDatabase* db = database();
    db->lockDatabaseForReading();
    for (const TZRListTrack& row : fullCopy_) {
      if (passesFilterLocked(row)) rows_.push_back(row);
    }
    db->unlockDatabaseForReading();
  } else {
    rows_ = std::move(rows);
  }
  recountMarksLocked();
  lock_.leaveExclusive();
  finishChange(true);
}

void ZRList::addAllLinesToList(ZRList* destination, bool selectionOnly) {
  if (!destination) return;
  // Taken before the destination's lock: the destination may be this list,
  // and a list's write lock must not be held while its read lock is asked.
  std::vector<TZRListTrack> taken;
  lock_.enterShared();
  if (!selectionOnly) {
    taken = rows_;
  } else if (markCount_.load() > 0) {
    for (const TZRListTrack& row : rows_) {
      if (!row.marked) continue;
      taken.push_back(row);
      taken.back().marked = false;
    }
  } else {
    const int32_t cursor = mainCursor_.load();
    if (cursor >= 0 && cursor < countLocked()) taken.push_back(rows_[cursor]);
  }
  lock_.leaveShared();

  destination->lock_.enterExclusive();
  const bool filtered = destination->filtered_;
  ZRDatabase* db = destination->database();
  if (filtered) db->lockDatabaseForReading();
  for (TZRListTrack& row : taken) {
    const bool passes = !filtered || destination->passesFilterLocked(row);
    destination->insertRowLocked(std::move(row), -1, passes);
  }
  if (filtered) db->unlockDatabaseForReading();
  destination->savedOrder_.clear();
  destination->lock_.leaveExclusive();
  destination->finishChange(true);
}

void ZRList::addFile(const ZRString& path) {
  database()->addFile(path, this);
}

void ZRList::addFolder(const ZRString& path, bool recursive) {
  database()->addFolder(path, this, recursive);
}

// ---- Rows ----

int32_t ZRList::resolveRow(int32_t row) const {
  return row == -1 ? mainCursor_.load() : row;
}

int32_t ZRList::clampCursor(int32_t cursor) const {
  if (cursor < 0) return -1;
  return std::min(cursor, countLocked() - 1);
}

void ZRList::setMarkLocked(TZRListTrack& row, bool mark) {
  if (row.marked == mark) return;
  row.marked = mark;
  markCount_.fetch_add(mark ? 1 : -1);
}

void ZRList::recountMarksLocked() {
  const auto marked =
      std::count_if(rows_.begin(), rows_.end(), [](const TZRListTrack& r) { return r.marked; });
  markCount_.store(static_cast<int32_t>(marked));
}

bool ZRList::passesFilterLocked(const TZRListTrack& row) const {
  if (!filtered_) return true;
  return criteria_.passes(row, database()->getTrackIdDataUnsafe(row.trackId, false));
}

void ZRList::insertRowLocked(TZRListTrack row, int32_t position, bool rowPassesFilter) {
  if (position < 0 || position >= countLocked()) position = -1;
  if (filtered_) fullCopy_.push_back(row);
  // The mark count counts visible marked rows; a row the filter hides is
  // counted when it shows again.
  if (!rowPassesFilter) return;
  if (row.marked) markCount_.fetch_add(1);
  if (position < 0) {
    rows_.push_back(std::move(row));
    return;
  }
  rows_.insert(rows_.begin() + position, std::move(row));
  const int32_t next = nextCursor_.load();
  if (next >= position) nextCursor_.store(next + 1);
}

void ZRList::addLineLocked(const TZRListTrack& row, int32_t position) {
  bool passes = true;
  if (filtered_) {
    ZRDatabase* db = database();
    db->lockDatabaseForReading();
    passes = passesFilterLocked(row);
    db->unlockDatabaseForReading();
  }
  insertRowLocked(row, position, passes);
  savedOrder_.clear();
}

void ZRList::addLine(const TZRListTrack& row, int32_t position, bool notify) {
  lock_.enterExclusive();
  addLineLocked(row, position);
  lock_.leaveExclusive();
  finishChange(notify);
}

bool ZRList::addLineIfCurrent(const TZRListTrack& row, uint64_t epoch, bool notify) {
  lock_.enterExclusive();
  const bool current = additionEpoch_.load() == epoch;
  if (current) addLineLocked(row, -1);
  lock_.leaveExclusive();
  if (current) finishChange(notify);
  return current;
}

bool ZRList::addLineUnlessTrackIsIn(const TZRListTrack& row, bool notify) {
  lock_.enterExclusive();
  const std::vector<TZRListTrack>& all = filtered_ ? fullCopy_ : rows_;
  const bool present =
      std::any_of(all.begin(), all.end(), [&row](const TZRListTrack& r) { return r.trackId == row.trackId; });
  if (!present) addLineLocked(row, -1);
  lock_.leaveExclusive();
  if (!present) finishChange(notify);
  return !present;
}

void ZRList::addLines(std::vector<TZRListTrack>&& rows, bool notify) {
  lock_.enterExclusive();
  ZRDatabase* db = filtered_ ? database() : nullptr;
  if (db) db->lockDatabaseForReading();
  for (TZRListTrack& row : rows) {
    const bool passes = passesFilterLocked(row);
    insertRowLocked(std::move(row), -1, passes);
  }
  if (db) db->unlockDatabaseForReading();
  savedOrder_.clear();
  lock_.leaveExclusive();
  finishChange(notify);
}

void ZRList::removeOneRowLocked(int32_t row) {
  const int32_t n = countLocked();
  // The next cursor stays on its row; when its own row goes it moves onto
  // the row that takes the place (or the new last row).
  int32_t next = nextCursor_.load();
  if (next > row || (next == row && row == n - 1)) --next;
  if (rows_[row].marked) markCount_.fetch_sub(1);
  if (filtered_) {
    const int32_t id = rows_[row].trackId;
    const auto it = std::find_if(fullCopy_.begin(), fullCopy_.end(),
                                 [id](const TZRListTrack& r) { return r.trackId == id; });
    if (it != fullCopy_.end()) fullCopy_.erase(it);
  }
  rows_.erase(rows_.begin() + row);
  if (rows_.empty()) {
    mainCursor_.store(-1);
    nextCursor_.store(-1);
    scrollRequest_.store(false);
    return;
  }
  // The main cursor keeps its index, so after removing its row it is on
  // the row that followed; past the end it falls back to the last row.
  mainCursor_.store(clampCursor(mainCursor_.load()));
  nextCursor_.store(clampCursor(next));
  scrollRequest_.store(true);
}

void ZRList::remove(int32_t row, bool notify) {
  lock_.enterExclusive();
  if (markCount_.load() > 0) {
    std::vector<TZRListTrack> kept;
    kept.reserve(rows_.size());
    for (TZRListTrack& r : rows_) {
      if (!r.marked) {
        kept.push_back(std::move(r));
        continue;
      }
      if (filtered_) {
        const auto it = std::find_if(fullCopy_.begin(), fullCopy_.end(),
                                     [&r](const TZRListTrack& f) { return f.trackId == r.trackId; });
        if (it != fullCopy_.end()) fullCopy_.erase(it);
      }
    }
    rows_ = std::move(kept);
    markCount_.store(0);
    mainCursor_.store(-1);
    nextCursor_.store(-1);
    savedOrder_.clear();
  } else {
    const int32_t r = resolveRow(row);
    if (r < 0 || r >= countLocked()) {
      lock_.leaveExclusive();
      return;
    }
    savedOrder_.clear();
    removeOneRowLocked(r);
  }
  lock_.leaveExclusive();
  if (notify) callListChangedCallback();
  setNeedsRefresh();
}

bool ZRList::removeRowIfTrack(int32_t row, int32_t trackId, bool notify) {
  lock_.enterExclusive();
  if (row < 0 || row >= countLocked() || rows_[row].trackId != trackId) {
    lock_.leaveExclusive();
    return false;
  }
  savedOrder_.clear();
  removeOneRowLocked(row);
  lock_.leaveExclusive();
  if (notify) callListChangedCallback();
  setNeedsRefresh();
  return true;
}

void ZRList::moveTo(int32_t from, int32_t to) {
  lock_.enterExclusive();
  if (from == to || from < 0 || from >= countLocked()) {
    lock_.leaveExclusive();
    return;
  }
  TZRListTrack moved = rows_[from];
  removeOneRowLocked(from);
  // It was visible, so it passes the filter.
  insertRowLocked(std::move(moved), to, true);
  savedOrder_.clear();
  lock_.leaveExclusive();
  finishChange(true);
}

bool ZRList::getRowData(int32_t row, TZRListTrack* out) {
  if (!out) return false;
  lock_.enterShared();
  const bool ok = row >= 0 && row < countLocked();
  if (ok) *out = rows_[row];
  lock_.leaveShared();
  return ok;
}

bool ZRList::getRowDataFull(int32_t row, TZRListTrack* outRow, TZRDatabaseTrack* outTrack) {
  if (!outRow || !outTrack) return false;
  return getRowData(row, outRow) && database()->getTrackIdData(outRow->trackId, outTrack);
}

void ZRList::setHighlight(int32_t value, int32_t row) {
  std::vector<int32_t> ids;
  lock_.enterShared();
  if (markCount_.load() > 0) {
    for (const TZRListTrack& r : rows_) {
      if (r.marked) ids.push_back(r.trackId);
    }
  } else {
    const int32_t r = resolveRow(row);
    if (r >= 0 && r < countLocked() && rows_[r].trackId != -1) ids.push_back(rows_[r].trackId);
  }
  lock_.leaveShared();
  ZRDatabase* db = database();
  for (const int32_t id : ids) db->setHighlight(id, value);
}

// ---- Cursors ----

void ZRList::setMainCursor(int32_t row, bool scrollTo) {
  lock_.enterShared();
  mainCursor_.store(row == -1 ? -1 : clampCursor(std::max(row, 0)));
  lock_.leaveShared();
  if (scrollTo) scrollRequest_.store(true);
  setNeedsRefresh();
}

void ZRList::setNextCursor(int32_t row) {
  lock_.enterShared();
  nextCursor_.store(row == -1 ? -1 : clampCursor(std::max(row, 0)));
  lock_.leaveShared();
  setNeedsRedraw();
}

// ---- Insert marks ----

namespace {

// The mark a mode gives a row that has `marked`; false in *valid for an
// unknown mode.
bool markForMode(int32_t mode, bool marked, bool* valid) {
  *valid = mode >= -1 && mode <= 1;
  if (mode == -1) return !marked;
  return mode == 1 ? true : (mode == 0 ? false : marked);
}

}  // namespace

void ZRList::insert(int32_t row, int32_t mode) {
  lock_.enterExclusive();
  const int32_t main = mainCursor_.load();
  const int32_t r = row < 0 ? main : row;
  bool valid = false;
  if (r >= 0 && r < countLocked()) {
    const bool mark = markForMode(mode, rows_[r].marked, &valid);
    if (valid) {
      setMarkLocked(rows_[r], mark);
      if (!mark && r == main) mainCursor_.store(-1);
    }
  }
  lock_.leaveExclusive();
  if (valid) setNeedsRedraw();
}

void ZRList::insertLines(int32_t from, int32_t to, int32_t mode) {
  lock_.enterExclusive();
  const int32_t n = countLocked();
  if (from == -1) from = 0;
  if (to == -1) to = n - 1;
  // A range selected upwards comes with its ends the other way round.
  if (from > to) std::swap(from, to);
  from = std::max(from, 0);
  to = std::min(to, n - 1);
  bool valid = false;
  for (int32_t i = from; i <= to; ++i) {
    const bool mark = markForMode(mode, rows_[i].marked, &valid);
    if (valid) setMarkLocked(rows_[i], mark);
  }
  lock_.leaveExclusive();
  setNeedsRedraw();
}

void ZRList::insertAll(bool clear) {
  lock_.enterExclusive();
  for (TZRListTrack& row : rows_) row.marked = !clear;
  markCount_.store(clear ? 0 : countLocked());
  lock_.leaveExclusive();
  setNeedsRedraw();
}

int32_t ZRList::getFirstInsertedLine() {
  lock_.enterShared();
  int32_t found = -1;
  for (int32_t i = 0; i < countLocked() && found < 0; ++i) {
    if (rows_[i].marked) found = i;
  }
  lock_.leaveShared();
  return found;
}

int32_t ZRList::getLastInsertedLine() {
  lock_.enterShared();
  int32_t found = -1;
  for (int32_t i = countLocked() - 1; i >= 0 && found < 0; --i) {
    if (rows_[i].marked) found = i;
  }
  lock_.leaveShared();
  return found;
}

// ---- Enumeration ----

void ZRList::startEnumeration(bool markedOnly) {
  enumerationLock_.lock();
  lock_.enterShared();
  enumerationPos_ = 0;
  enumerationMarkedOnly_ = markedOnly;
}

bool ZRList::getNextEnumerationElement(TZRListTrack* out) {
  if (!out) return false;
  while (enumerationPos_ < rows_.size() && enumerationMarkedOnly_ && !rows_[enumerationPos_].marked) {
    ++enumerationPos_;
  }
  if (enumerationPos_ >= rows_.size()) return false;
  *out = rows_[enumerationPos_++];
  return true;
}

bool ZRList::getNextEnumerationElementFull(TZRListTrack* outRow, TZRDatabaseTrack* outTrack) {
  TZRListTrack row;
  if (!getNextEnumerationElement(&row)) return false;
  TZRDatabaseTrack track;
  if (!database()->getTrackIdData(row.trackId, &track)) return false;
  if (outRow) *outRow = std::move(row);
  if (outTrack) *outTrack = std::move(track);
  return outRow && outTrack;
}

void ZRList::stopEnumeration() {
  lock_.leaveShared();
  enumerationLock_.unlock();
}

// ---- Moving one row ----

void ZRList::relocateRowLocked(int32_t from, int32_t to) {
  if (from < to) {
    std::rotate(rows_.begin() + from, rows_.begin() + from + 1, rows_.begin() + to + 1);
  } else {
    std::rotate(rows_.begin() + to, rows_.begin() + from, rows_.begin() + from + 1);
  }
  const auto follow = [from, to](int32_t c) {
    if (c < 0) return c;
    if (c == from) return to;
    if (from < to && c > from && c <= to) return c - 1;
    if (to < from && c >= to && c < from) return c + 1;
    return c;
  };
  const int32_t main = mainCursor_.load();
  const int32_t movedMain = follow(main);
  if (movedMain != main) {
    mainCursor_.store(movedMain);
    scrollRequest_.store(true);
  }
  nextCursor_.store(follow(nextCursor_.load()));
}

// delta -1 / +1 moves by one row; toEnd moves to the top (-1) or bottom (+1).
void ZRList::moveRow(int32_t row, int32_t delta, bool toEnd) {
  lock_.enterExclusive();
  const int32_t n = countLocked();
  const int32_t from = resolveRow(row);
  const bool possible = from >= 0 && from < n && (delta < 0 ? from > 0 : from < n - 1);
  if (possible) relocateRowLocked(from, toEnd ? (delta < 0 ? 0 : n - 1) : from + delta);
  lock_.leaveExclusive();
  if (possible) finishChange(true);
}

void ZRList::dragUp(int32_t row) {
  moveRow(row, -1, false);
}

void ZRList::dragDown(int32_t row) {
  moveRow(row, 1, false);
}

void ZRList::dragTop(int32_t row) {
  moveRow(row, -1, true);
}

void ZRList::dragBottom(int32_t row) {
  moveRow(row, 1, true);
}

// ---- The library's side ----

bool ZRList::removeRowsOfMissingTracks() {
  ZRDatabase* db = database();
  // Empty rotation slots name no track on purpose: they keep a singer's place.
  const auto missing = [db](const TZRListTrack& row) {
    return row.trackId != -1 && db->getTrackIdDataUnsafe(row.trackId, false) == nullptr;
  };
  lock_.enterExclusive();
  const size_t before = rows_.size() + fullCopy_.size();
  rows_.erase(std::remove_if(rows_.begin(), rows_.end(), missing), rows_.end());
  fullCopy_.erase(std::remove_if(fullCopy_.begin(), fullCopy_.end(), missing), fullCopy_.end());
  const bool removed = rows_.size() + fullCopy_.size() != before;
  if (removed) {
    savedOrder_.clear();
    recountMarksLocked();
    mainCursor_.store(-1);
    nextCursor_.store(clampCursor(nextCursor_.load()));
  }
  lock_.leaveExclusive();
  if (removed) {
    resetSortingState();
    finishChange(true);
  }
  return removed;
}

void ZRList::getStateForSaving(ZRString* name, int32_t* mainCursor, std::vector<TZRListTrack>* rows) {
  lock_.enterShared();
  if (name) *name = name_;
  const std::vector<TZRListTrack>& all = filtered_ ? fullCopy_ : rows_;
  if (mainCursor) {
    const int32_t cursor = filtered_ ? savedMainCursor_ : mainCursor_.load();
    *mainCursor = cursor < 0 ? -1 : std::min(cursor, static_cast<int32_t>(all.size()) - 1);
  }
  if (rows) *rows = all;
  lock_.leaveShared();
}
