#pragma once
// ZRList: an ordered list of rows, each naming a track of the library by id.
// Every list the user sees is one: the collection, the history, user lists,
// the automix playlist, the karaoke rotation, the search results, the folder
// view and the lists of browser plug-ins. A list keeps its rows, a main
// cursor (the row the user is on) and a next cursor, per-row insert marks
// (the multi-row selection), a refresh flag and a scroll request for the
// view that shows it, and a change callback. Row indexes count visible rows
// from 0; in row arguments -1 means the main cursor row where said, and a
// cursor of -1 means none. Cursors are row indexes, not row identities: the
// operations that insert, remove or move rows adjust them as each one says.
//
// Sorting, shuffling and filtering keep rows they hide or reorder (the saved
// order, the full copy of a filtered list); the karaoke rotation's rows are a
// singer each, with further songs (zr_list_sort.cpp, zr_list_filtering.cpp,
// zr_list_karaoke.cpp).
//
// Registry: every list made by create() is in one process-wide ordered
// registry until removeList(); its order is the browser's and database.xml's.
//
// List files (zr_list_files.cpp): .m3u and .tvl files are imported by
// queueing their paths for the library's adding thread; the visible rows are
// exported as .m3u or .csv.
//
// Threads: lists are written by the main thread (user actions, drag and
// drop), by the thread adding files, by the play reports (history rows) and
// by the library when tracks disappear; the render thread reads them to draw.
// Each list has its own read/write lock: every operation on rows takes it;
// the cursors, the mark count, the view flags, the sort state, the
// filtering switch and the rotation flag are atomics readable at any time.
// Lock order: the library's lock, then the registry's, then a list's; a
// list's write lock may be held while the library's read lock is taken (the
// library's lock lets a thread take a second read hold, so both orders are
// safe). No list operation may be called from inside a change callback or an
// enumeration of the same list that would write it.
//
// The change callback runs on the calling thread after the list's lock is
// released, so it may run on a worker thread: it must not touch the toolkit
// (it posts to the main thread instead). It may also run while the library
// holds its read lock (a play's history row, rows of removed tracks), so it
// must not change the library or the registry either.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "common/zr_critical_section.h"
#include "common/zr_string.h"
#include "database/zr_database_track.h"
#include "database/zr_list_filter.h"
#include "database/zr_list_track.h"

class ZRDatabase;

class ZRList {
 public:
  using ListChangedCallback = void (*)(ZRList* list);

  // List types as the browser creates them; the list itself gives them no
  // meaning (database.xml stores a saved list's type and subtype).
  enum Type : int32_t {
    kTypeFinder = 10,
    kTypeCollection = 200,
    kTypeHistory = 202,
    kTypeUserList = 210,
    kTypeAutomix = 212,
    kTypeSearchResults = 215,
    kTypeKaraokeRotation = 217,
    kTypePlugin = -1,
  };

  // Edits of a karaoke rotation row (applyLineAction).
  enum LineAction : int32_t {
    ToggleCollapsed = 0,
    Collapse = 1,
    Expand = 2,
    MoveUp = 3,                      // one song of the row up, or (its own song) the row up
    MoveDown = 4,                    // one song down, or (its last song) the row down
    MoveToBottom = 5,                // the row to the bottom
    Remove = 6,                      // one song of the row, or the row
    RemoveFirstAndMoveToBottom = 7,  // after the singer has sung
  };

  // ---- Registry (process-wide) ----

  // Builds a list and appends it to the registry.
  static ZRList* create(const ZRString& name, bool saveInDatabase, int32_t type, int32_t subtype);
  // Takes every registry entry of the list out (the list is not deleted);
  // false for null or a list that was not registered.
  static bool removeList(ZRList* list);
  // Moves the list's entry directly before target, or directly after it when
  // after is set; false when they are the same, either is null or either is
  // not registered.
  static bool moveList(ZRList* list, ZRList* target, bool after);
  // Sorts the registry by name, ascending, without case; equal names keep
  // their order.
  static void sortListsByName();
  // Sets the refresh flag of every registered list with a visible row of
  // this track.
  static void markRowsAsDirty(int32_t trackId);
  // The registered lists in order (a copy; they may be removed meanwhile).
  static std::vector<ZRList*> getLists();
  // Calls fn for every registered list, in order, holding the registry's
  // read lock throughout (fn must not change the registry).
  static void forEachList(const std::function<void(ZRList*)>& fn);
  // The filter and its end applied to every registered list, in order.
  // Runs fn with the list while the registry's read lock keeps it from
  // leaving the registry (and so from being deleted): only when the list is
  // registered and is the one that had this serial. False otherwise.
  static bool withRegisteredList(ZRList* list, uint64_t serial, const std::function<void(ZRList*)>& fn);
  // Grows with every change database.xml would see (rows, cursors, names,
  // singers, the registry); the background save watches it.
  static uint64_t changeGeneration();
  static void filterAllLists(const int32_t* genreIds, int32_t mediaType, int32_t yearMin, int32_t yearMax,
                             int32_t bpmMin, int32_t bpmMax, const ZRString& artist, const ZRString& album,
                             bool onlyNew, int64_t addedFrom, int64_t addedTo, bool sticky);
  static void endFilteringForAllLists(bool force);

  // A list outside the registry (create() registers it). Both cursors -1,
  // ascending, refresh flag set.
  ZRList(const ZRString& name, bool saveInDatabase, int32_t type, int32_t subtype);
  // Clears the refresh flag, then clear() (which calls the change callback).
  // A list still registered is taken out of the registry first.
  ~ZRList();
  ZRList(const ZRList&) = delete;
  ZRList& operator=(const ZRList&) = delete;

  // The library whose tracks the rows name: the process-wide one unless set.
  void setDatabase(ZRDatabase* database);
  ZRDatabase* database() const;

  ZRString getName();
  void setName(const ZRString& name);
  // Unique among all lists of the process: tells a list apart from a later
  // one made at the same address.
  uint64_t serial() const { return serial_; }
  int32_t getType() const { return type_; }
  int32_t getSubtype() const { return subtype_; }
  bool getSaveInDatabase() const { return saveInDatabase_; }

  // Set directly by the list's owner; null: none.
  void setListChangedCallback(ListChangedCallback callback) { callback_.store(callback); }
  void callListChangedCallback();

  // ---- Whole list ----

  // Empties the rows, the full copy and the saved order; both cursors -1, no
  // marks; then the change callback and the refresh flag. A filter stays on.
  void clear();
  // clear(), and every file or folder addition queued for this list before
  // the call adds no row to it any more (the folder view shows one folder:
  // files still being read for the folder shown before must not join it).
  void clearDroppingQueuedAdditions();
  // Counts clearDroppingQueuedAdditions calls; an addition remembers it when
  // queued and adds its row through addLineIfCurrent.
  uint64_t additionEpoch() const { return additionEpoch_.load(); }
  // addLine (appending) only while the epoch is still epoch, decided under
  // the list's lock; false, nothing added, otherwise.
  bool addLineIfCurrent(const TZRListTrack& row, uint64_t epoch, bool notify);
  // Appends row unless a row (shown or filtered out) already names its
  // track, decided under the list's lock; true when it was appended.
  bool addLineUnlessTrackIsIn(const TZRListTrack& row, bool notify);
  int32_t getCount();
  // Replaces every row: both cursors (and the cursors saved by a filter)
  // become -1; while filtered the rows become the full copy and those
  // passing the filter are shown. Change callback, refresh flag. Null does
  // nothing.
  void setContentFrom(const std::vector<TZRListTrack>* rows);
  void setContentFrom(std::vector<TZRListTrack>&& rows);
  // Appends to destination every visible row (selectionOnly false, marks
  // kept), or the marked rows with their marks cleared, or without marks the
  // main cursor row. The rows are taken first, so destination may be this
  // list. The destination's change callback is called even when nothing was
  // appended; null does nothing.
  void addAllLinesToList(ZRList* destination, bool selectionOnly);
  // Hands the path to the library's adding thread (ZRDatabase::addFile /
  // addFolder) with this list as the target.
  void addFile(const ZRString& path);
  void addFolder(const ZRString& path, bool recursive);

  // ---- List files (zr_list_files.cpp) ----

  // Queues every path of an .m3u or .tvl file (ending compared without case)
  // for the adding thread; the rows appear as the files are read, in file
  // order. With clearFirst the list is emptied first, and only once the file
  // was read and names at least one existing file or address. The sort field
  // becomes 0. False (logged), the list unchanged, for a missing file, a .tvl
  // that is not a list, a file naming nothing usable, or any other ending. M3U: lines end at a line feed, a
  // carriage return or both;
  // "#" lines are comments; lines of more than 4095 bytes are skipped; a
  // file:// address is taken as its local path, an old "Disk:Folder:file"
  // path becomes "/Volumes/Disk/Folder/file", and a relative path is taken
  // from the list file's folder.
  bool importList(const ZRString& path, bool clearFirst);
  // Writes the visible rows whose track is stored: the path of each (M3U),
  // or the header line and eleven quoted fields per row (CSV). The file is
  // replaced only when it was written whole; false (logged) otherwise.
  bool exportListAsM3U(const ZRString& path);
  bool exportListAsCSV(const ZRString& path);

  // ---- Rows ----

  // Inserts a copy of row before the visible row at position (at or beyond
  // the end, or -1: appends). While filtered the row joins the full copy and
  // shows only when it passes. A next cursor at or after position moves down
  // by one; the main cursor keeps its index. Drops the saved order.
  void addLine(const TZRListTrack& row, int32_t position, bool notify);
  // Appends the rows at the end, as addLine does for each, in one go.
  void addLines(std::vector<TZRListTrack>&& rows, bool notify);
  // Removes the marked rows (whatever row says; both cursors -1), or when
  // none is marked the one row (-1: main cursor row; out of range: nothing).
  // After removing one row the main cursor keeps its index and the next
  // cursor stays on its row, both kept inside the list. Drops the saved order.
  void remove(int32_t row, bool notify);
  // Takes out exactly the visible row when it still names trackId, whatever is marked (a player taking
  // the next song from a list must not take the user's selection with it). False, nothing changed,
  // otherwise. Adjusts the cursors as remove does for one row.
  bool removeRowIfTrack(int32_t row, int32_t trackId, bool notify);
  // Moves row from to index to (counted after from was taken out); marks of
  // other rows stay. Nothing when equal or from is out of range.
  void moveTo(int32_t from, int32_t to);
  // Copies visible row (no -1 meaning here); false out of range or for null out.
  bool getRowData(int32_t row, TZRListTrack* out);
  // The row and a copy of its track; false when either is missing.
  bool getRowDataFull(int32_t row, TZRListTrack* outRow, TZRDatabaseTrack* outTrack);
  // Sets the library's highlight of the marked rows' tracks, or without
  // marks of row's track (-1: main cursor row).
  void setHighlight(int32_t value, int32_t row);

  // ---- Cursors ----

  // -1 stays -1; other values are clamped to the rows (an empty list gives
  // -1). Sets the refresh flag, with scrollTo also the scroll request. No
  // change callback.
  void setMainCursor(int32_t row, bool scrollTo);
  void setNextCursor(int32_t row);
  int32_t getMainCursor() const { return mainCursor_.load(); }
  int32_t getNextCursor() const { return nextCursor_.load(); }

  // ---- Insert marks ----

  // mode 1 marks, 0 unmarks, -1 toggles; row below 0 = main cursor row.
  // Unmarking the main cursor row also sets the main cursor to -1.
  void insert(int32_t row, int32_t mode);
  // The same over rows from .. to inclusive (-1: first / last row); the main
  // cursor is not touched.
  void insertLines(int32_t from, int32_t to, int32_t mode);
  // clear false marks every visible row, true unmarks every row.
  void insertAll(bool clear);
  int32_t getFirstInsertedLine();
  int32_t getLastInsertedLine();
  int32_t getTotalInserted() const { return markCount_.load(); }

  // ---- Enumeration ----
  // One enumeration at a time per list: a second one (from another thread)
  // waits until the first stops. The list's read lock is held from start to
  // stop, so the enumerating thread must not write this list meanwhile.

  void startEnumeration(bool markedOnly);
  // Copies the next row into out; false at the end or for null out.
  bool getNextEnumerationElement(TZRListTrack* out);
  // The next row and a copy of its track; false at the end or when the track
  // is not stored (the enumeration has advanced all the same).
  bool getNextEnumerationElementFull(TZRListTrack* outRow, TZRDatabaseTrack* outTrack);
  void stopEnumeration();

  // ---- Moving one row (row -1: main cursor row) ----
  // Both cursors stay on the rows they were on; a moved main cursor sets the
  // scroll request. A move that changes nothing calls no callback.

  void dragUp(int32_t row);
  void dragDown(int32_t row);
  void dragTop(int32_t row);
  void dragBottom(int32_t row);

  // ---- View flags (read and clear, for the view showing the list) ----

  bool needsRefresh() { return refresh_.exchange(false); }
  bool needsScrollToCursor() { return scrollRequest_.exchange(false); }
  // Also counts as a change database.xml would see.
  void setNeedsRefresh();

  // ---- Sorting and shuffling (zr_list_sort.cpp) ----

  // Stable sort of the visible rows by a TagFieldTypes field; the cursors
  // stay on their rows. The first sort or shuffle keeps the order it found.
  void sort(int32_t field, bool ascending);
  int32_t getSortField() const { return sortField_.load(); }
  int32_t getSortDirection() const { return sortDirection_.load(); }
  // The sort field becomes 0 (not sorted).
  void resetSortingState() { sortField_.store(0); }
  bool canResetSortOrder();
  // Back to the order from before the first sort or shuffle (nothing, and no
  // callback, without one). The cursors keep their indexes.
  void resetSortOrder();
  // Uniformly random order; the cursors keep their indexes.
  void shuffle();

  // ---- Filtering (zr_list_filtering.cpp) ----

  // Shows only the rows passing the criteria (genreIds: ids ended by a
  // negative one, or null). Nothing when filtering is not allowed or a
  // sticky filter is on and this one is not sticky. Unmarks every row; both
  // cursors -1 (the first filter saves them for endFiltering).
  void filter(const int32_t* genreIds, int32_t mediaType, int32_t yearMin, int32_t yearMax, int32_t bpmMin,
              int32_t bpmMax, const ZRString& artist, const ZRString& album, bool onlyNew, int64_t addedFrom,
              int64_t addedTo, bool sticky);
  // Unmarks every row; then, unless unfiltered or sticky without force, shows
  // every row again and restores the saved cursors.
  void endFiltering(bool force);
  void setAllowFiltering(bool allow) { allowFiltering_.store(allow); }
  bool isFiltered();
  // Whether row passes the current filter (every row when unfiltered). The
  // caller holds the library's read lock and not this list's write lock.
  bool filterItemUsingCurrentFilter(const TZRListTrack& row);

  // ---- Karaoke rotation rows (zr_list_karaoke.cpp) ----

  void setIsKaraokeSingersRotationList(bool flag);
  bool getIsKaraokeSingersRotationList() const { return karaokeRotation_.load(); }
  // The row's singer and own key adjustment (row -1: main cursor row;
  // nothing out of range). Refresh flag; no callback.
  void setSingerName(int32_t row, const ZRString& name, float keyAdjust);
  ZRString getSingerName(int32_t row);
  // First visible row whose singer equals name without case; -1 when none.
  int32_t getFirstLineWithSingerName(const ZRString& name);
  // Adds row's track (and key adjustment) to the row at index: an empty
  // slot takes it, a filled row gets it as its last further song.
  void addToLine(const TZRListTrack& row, int32_t index, bool notify);
  // Applies a LineAction to song subIndex (0 the row's own, 1.. the further
  // songs) of row. count is how many songs the caller sees in the row; the
  // row's own count, read under the lock, decides and bounds subIndex.
  // Always ends with the change callback.
  void applyLineAction(int32_t row, int32_t subIndex, int32_t count, int32_t action, bool keepRow);

  // ---- The library's side ----

  // Removes the rows (visible and in the full copy) whose track the library
  // no longer stores; when any went, drops the saved order, resets the sort
  // state, sets the main cursor to -1 and calls the change callback. The
  // caller holds the library's read lock. True when rows were removed.
  bool removeRowsOfMissingTracks();
  // What database.xml keeps of the list (read lock): its name, every row
  // (while filtered the full copy, as ending the filter would show it) and
  // the main cursor (while filtered the one ending the filter restores).
  void getStateForSaving(ZRString* name, int32_t* mainCursor, std::vector<TZRListTrack>* rows);

 private:
  // Helpers named ...Locked run with the write lock held.
  int32_t resolveRow(int32_t row) const;  // -1 -> main cursor
  int32_t countLocked() const { return static_cast<int32_t>(rows_.size()); }
  int32_t clampCursor(int32_t cursor) const;
  void insertRowLocked(TZRListTrack row, int32_t position, bool rowPassesFilter);
  // Inserts as addLine does (the filter decides whether the row shows).
  void addLineLocked(const TZRListTrack& row, int32_t position);
  void clearLocked();
  void removeOneRowLocked(int32_t row);
  // Moves row from to index to; the cursors follow the rows they were on.
  void relocateRowLocked(int32_t from, int32_t to);
  void recountMarksLocked();
  void setMarkLocked(TZRListTrack& row, bool mark);
  void moveRow(int32_t row, int32_t delta, bool toEnd);
  bool passesFilterLocked(const TZRListTrack& row) const;
  void finishChange(bool notify);
  // The view redraws; nothing database.xml keeps has changed (marks, the
  // next cursor).
  void setNeedsRedraw() { refresh_.store(true); }

  ZRCriticalSection lock_;
  std::atomic<ListChangedCallback> callback_{nullptr};
  std::atomic<ZRDatabase*> database_{nullptr};

  // Guarded by lock_.
  ZRString name_;
  std::vector<TZRListTrack> rows_;
  std::vector<TZRListTrack> savedOrder_;  // empty: none
  bool filtered_ = false;
  bool stickyFilter_ = false;
  std::vector<TZRListTrack> fullCopy_;  // every row while filtered
  int32_t savedMainCursor_ = -1;
  int32_t savedNextCursor_ = -1;
  ZRListFilter criteria_;

  const int32_t type_;
  const int32_t subtype_;
  const bool saveInDatabase_;
  const uint64_t serial_;

  std::atomic<int32_t> mainCursor_{-1};
  std::atomic<int32_t> nextCursor_{-1};
  std::atomic<int32_t> markCount_{0};
  std::atomic<int32_t> sortField_{0};
  std::atomic<int32_t> sortDirection_{1};
  std::atomic<bool> refresh_{true};
  std::atomic<bool> scrollRequest_{false};
  std::atomic<bool> allowFiltering_{true};
  std::atomic<bool> karaokeRotation_{false};
  std::atomic<uint64_t> additionEpoch_{0};  // changed under lock_

  // The one enumeration: its lock is held from start to stop; the position
  // belongs to the thread holding it.
  std::mutex enumerationLock_;
  size_t enumerationPos_ = 0;
  bool enumerationMarkedOnly_ = false;
};
