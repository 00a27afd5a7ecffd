#pragma once
// ZRDatabase: the process-wide track library, the single owner of every
// track record. Lists hold only track ids; other parts read copies, or the
// stored record itself while they hold the read lock. The library also takes
// in what the decks and the background analysis learn about a track (tempo,
// duration, key, gain, cues, loops, EQ, stripe name) and counts plays.
//
// Locking: one read/write lock. Storing or removing records and changing
// fields of a stored record take the write lock; copies out of the table
// take the read lock. A thread may take a second read hold, also while a
// writer waits, so a list holding its own write lock may read the library
// while the library, holding its read lock, waits for that list. The adding
// thread appends a row holding the list registry's read lock (the list
// cannot be deleted meanwhile), then the list's lock and, for a filtered
// list, the library's read lock; a save copies the lists under the
// registry's and each list's read lock first and then reads the tracks under
// the library's read lock.
//
// The track lists (database/zr_list.h) hold track ids only. The library
// reaches them after releasing its write lock: rows of a changed track are
// marked for redrawing, a counted play appends a row to the history list,
// and rows of removed tracks are dropped.
//
// Search (zr_database_search.cpp) fills a result list from the library:
// searches run one at a time.
//
// database.xml (zr_database_file_reader.cpp, zr_database_file_writer.cpp)
// holds every track and every saved list. It is the user's whole library, so
// a save never leaves a partial file (temporary file, flush, rename), the
// previous good file is kept as database.xml.bak, and a file that cannot be
// read is never written over: it is moved aside and the backup is loaded in
// its place. Saves also happen in the background a few seconds after the
// library or a list changed (startAutoSave), on their own thread.
//
// Adding files (zr_database_adding.cpp): addFile and addFolder queue work for
// the "asyncOpsDB" thread, which reads the tags of each new file, stores its
// record and appends a row to the target list. Shut-down stops that thread
// and the background saver (stopBackgroundWork) before the last save.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/zr_critical_section.h"
#include "common/zr_lock_free_queue.h"
#include "common/zr_string.h"
#include "database/zr_database_track.h"
#include "database/zr_media_files.h"

class ZRList;
class ZRAudioDetection;
class ZRTag;
class ZRThread;

class ZRDatabase {
 public:
  // The library, created on first use and kept to the end of the process.
  static ZRDatabase* getInstance();

  // Separate instances serve tests; the application uses getInstance().
  ZRDatabase();
  // Stops the background work first (stopBackgroundWork).
  ~ZRDatabase();
  ZRDatabase(const ZRDatabase&) = delete;
  ZRDatabase& operator=(const ZRDatabase&) = delete;

  // Puts every number and flag to its empty value; the 12 tag texts, stripe,
  // imgUrl and linkedFile are emptied only with resetStrings. searchText and
  // highlightColor are never touched.
  static void resetTrack(TZRDatabaseTrack* track, bool resetStrings);

  // Stores a copy of the record (write lock). A record with an id below 0
  // gets the next id, written back into the caller's record. Returns the id;
  // -1 for a null record. An earlier path of the same id stays mapped. The
  // stored search text is emptied (the search rebuilds it from the fields).
  int32_t addOrUpdate(TZRDatabaseTrack* track);

  // Copies the record with this id into out (read lock); false when unknown.
  bool getTrackIdData(int32_t id, TZRDatabaseTrack* out);
  // Finds the record by id, or by path when id is below 0, and copies it into
  // out (read lock); false, out untouched, when not found or out is null.
  bool getTrackIdOnlyIfFound(int32_t id, const ZRString& path, TZRDatabaseTrack* out);

  void lockDatabaseForReading();
  void unlockDatabaseForReading();
  // The stored record itself, valid only while the caller holds the read
  // lock; null when the id is not stored.
  TZRDatabaseTrack* getTrackIdDataUnsafe(int32_t id, bool mustExist);

  // Records what a deck or the analysis learnt about the track with this path
  // (nothing for an unknown path): bpm > 0, durationMs > 0, a play, a key
  // text, a gain. A counted play also appends a row to the history list (the
  // play time, the singer and key adjustment), with its change callback.
  // It empties the record's search text, as updateTrackMerge does.
  void updateTrack(const ZRString& path, float bpm, int durationMs, bool played, const char* keyText,
                   bool gainValid, float gainDb, const ZRString& singer, float keyAdjust);
  // Merges a deck's or the analysis's copy into the stored record with the
  // same id (ignored when the id is not stored).
  void updateTrackMerge(const TZRDatabaseTrack* track, bool withOnlineStatus);

  // The list that receives a row for each counted play (null: none).
  void setHistoryList(ZRList* list);
  // The whole collection: a counted play of a track it does not hold yet
  // appends the track (null: none), so a track played from a folder is in
  // the collection after the next start too.
  void setCollectionList(ZRList* list);
  // Sets highlight of a stored track (-1 clears, 0..6 a colour); unknown ids
  // are ignored.
  void setHighlight(int32_t id, int32_t value);
  // Drops every track whose path names no existing file and does not end in
  // "$", then the rows of those tracks from every registered list of this
  // library (ZRList::removeRowsOfMissingTracks); returns how many were dropped.
  int32_t removeDeadFiles();

  // Writes the stripe file of the record (naming it first when it has no
  // name yet). detector gives the marked beats over beatMarks (null: the beat
  // count and positions are left out); onsets, amplitudes and beatMarks hold
  // n points. False only for a null record; failures are logged.
  static bool saveStripe(TZRDatabaseTrack* record, const ZRString& stripesDir, ZRAudioDetection* detector,
                         bool gridSuitable, float displayGain, const float* onsets, const float* amplitudes,
                         const float* beatMarks, int n);

  // ---- Search (zr_database_search.cpp) ----

  // Simple search: every track whose artist or title contains the whole
  // text without case. Advanced search: up to 8 words of the trimmed text,
  // each of which must occur in the track's search text (artist, title,
  // album, comment, genre, "b" + tempo, "k" + key, "y" + year, lower case);
  // with the middle-of-words setting off a word matches only at the start of
  // a word; the text "new" also lists the tracks marked new. Both first try
  // the singer search (searchInHistoryList). The results replace resultList's
  // rows (the simple search's in the order of track ids); nothing when
  // resultList is null. Tracks of online services are
  // skipped except those of status 2 and karaoke catalogue addresses.
  void search(const ZRString& text, ZRList* resultList, ZRList* historyList);
  void searchAdvanced(const ZRString& text, ZRList* resultList, ZRList* historyList);
  void setSearchInMiddleOfWords(bool on) { searchInMiddleOfWords_.store(on); }
  bool getSearchInMiddleOfWords() const { return searchInMiddleOfWords_.load(); }

  // Number of stored tracks (read lock).
  int getTrackCount();

  // Stores the record unless a record of the same path is stored already
  // (both decided under the write lock, so two threads adding one file make
  // one record). Returns the id of the stored or the existing record (-1 for
  // null); a newly stored record gets the next id, written back into track.
  int32_t storeTrackIfNew(TZRDatabaseTrack* track);
  // Calls change on the stored record of this id under the write lock, then
  // marks its rows for redrawing; false when the id is not stored. change
  // must not call the library or a list.
  bool changeStoredTrack(int32_t id, const std::function<void(TZRDatabaseTrack&)>& change);

  // ---- database.xml (zr_database_file_reader.cpp, zr_database_file_writer.cpp) ----

  // Gives the list that a saved list of this name, type and subtype is read
  // into; null skips the list and its rows.
  using ListFactory = ZRList* (*)(const ZRString& name, int32_t type, int32_t subtype, void* user);

  // Reads database.xml into the library. The whole file is read before
  // anything is stored: a file that cannot be read changes nothing. Such a
  // file is moved aside to "<path>.unreadable-<date>-<time>" (logged), and
  // "<path>.bak" is read in its place; true when either file was read. A
  // missing file returns false without a log line. Track ids are kept as
  // read; a track without a usable id, or with an id an earlier track of the
  // file has, gets a new id above every id of the file and of the library,
  // and list rows naming no track of the library are dropped. Meant for
  // start-up, before the library is used (it takes the locks all the same).
  //
  // When neither file can be read whole, every track and list row of the
  // damaged file that can be read on its own is loaded (damaged records are
  // skipped and logged), the damaged file staying aside. A file that cannot
  // be moved aside (a folder in its place) is never saved over: saves go to
  // "<path>.bak" instead, unless that could not be read either.
  bool load(const ZRString& path, ListFactory listFactory, void* user);
  // What the last load met that the user must be told of.
  struct LoadReport {
    std::string file;          // the library file
    std::string keptAs;        // where the unreadable file was moved; "" when not moved
    std::string savedTo;       // where saves go instead of file; "" when to file (or nowhere)
    bool notAFile = false;     // something other than a file stands at file
    bool fromBackup = false;   // the library was read from "<file>.bak"
    bool recovered = false;    // the readable records of the damaged file were read
    int unreadableTracks = 0;  // track records of the damaged file that could not be read
    int unreadableRows = 0;    // list rows (and lists) that could not be read
    // The message for the main window; empty when the file was read whole.
    std::string messageForUser() const;
  };
  LoadReport loadReport() const;
  // Writes every track and, withLists, every registered list of this library
  // created with the save flag (after ending every list's filter, as the
  // shut-down does). The file is replaced only when the whole new file was
  // written and flushed; the file it replaces becomes "<path>.bak". Never
  // writes over a file that failed to load and could not be moved aside.
  // Safe while other threads use the library: it reads under the locks and
  // never changes a record. False (logged) when nothing was replaced.
  bool save(const ZRString& path, bool withLists);
  // The last save of the shut-down: stops the adding thread and the
  // background saver (stopBackgroundWork) first, so nothing changes the
  // library while it is written, then saves with lists.
  bool saveAtShutDown(const ZRString& path);
  // Saves (with lists, without touching any filter) on the "saveDB" thread
  // once the library and the lists have been unchanged for quietMs, or at the
  // latest maxDelayMs after the first unsaved change. A second call moves it
  // to the new path and delays.
  void startAutoSave(const ZRString& path, int quietMs = 2000, int maxDelayMs = 10000);
  void stopAutoSave();

  // ---- Adding files and folders (zr_database_adding.cpp) ----

  // Queues one file for the "asyncOpsDB" thread (it runs within 190 ms). A
  // list (may be null) gets a row for it, unless the list has left the
  // registry by then.
  void addFile(const ZRString& path, ZRList* list);
  // Queues every accepted file of a folder, with recursive also those of its
  // subfolders (all subfolders before the folder's own files, each folder in
  // name order), and wakes the thread at once. The list's change callback
  // runs once, after the whole folder.
  void addFolder(const ZRString& path, ZRList* list, bool recursive);
  // Adds one existing accepted file on the calling thread; with a list, a
  // row is appended (with its change callback). Returns the track's id, -1
  // when the file is refused or its tags cannot be read.
  int32_t addFileNow(const ZRString& path, ZRList* list);
  static ZRMediaType getFileMediaType(const ZRString& path) { return ::getFileMediaType(path); }
  // A new record for the file at path, its fields from the tags and audio
  // properties read with tagReader; false when the tags cannot be read.
  static bool fillTrackDetails(const ZRString& path, TZRDatabaseTrack* record, ZRTag* tagReader);
  // Waits until every queued addition is done; false when timeoutMs passed
  // first. For tests and for callers that must see the rows.
  bool waitUntilAddingIsDone(int timeoutMs);
  // Stops and joins the adding thread (dropping what is still queued, with a
  // log line) and the background saver. Later additions are refused with a
  // log line. The shut-down calls it before the last save.
  void stopBackgroundWork();

 private:
  struct AddOperation;
  struct VisitedFolders;

  // The adding thread's loop and its parts (zr_database_adding.cpp).
  bool runAddOperations();
  void enqueueAddOperation(int32_t code, const ZRString& path, ZRList* list);
  void addFolderContents(const ZRString& folder, const AddOperation& op, bool recursive,
                         VisitedFolders* visited);
  void addOneFile(const ZRString& path, const AddOperation& op);
  // Bumped by every change of the library that database.xml keeps.
  void noteChanged() { saveGeneration_.fetch_add(1, std::memory_order_relaxed); }
  uint64_t currentSaveGeneration() const;
  bool autoSaveTick();
  // Writes the file (zr_database_file_writer.cpp); saves are one at a time.
  bool writeFile(const ZRString& path, bool withLists);

  // The stored record of the path (caller holds the lock); null when unknown.
  TZRDatabaseTrack* findByPathLocked(const ZRString& path);
  // Stores a copy (write lock held): the next id for a record without one,
  // the path mapped to it. Returns the id.
  int32_t storeLocked(TZRDatabaseTrack* track);
  // The id of the path's record, else of a new record read from the file
  // with tagReader; -1 when the tags cannot be read.
  int32_t findOrAddTrack(const ZRString& path, ZRTag* tagReader);
  // Brings the simple search's folded texts up to date (read lock held):
  // only the records changed since the last search are folded again.
  void refreshSimpleSearchIndexLocked();
  // Stores search texts built under the read lock (ids and texts in pairs);
  // when the records changed meanwhile, builds each missing text afresh.
  void storeSearchTexts(std::vector<std::pair<int32_t, ZRString>>& built, uint64_t builtAtChange);

  ZRCriticalSection lock_;
  std::unordered_map<int32_t, TZRDatabaseTrack> tracks_;
  // Paths are told apart unit by unit, as the file system does: a localized
  // comparison takes distinct file names (differing in a control character
  // or in the Unicode form of an accent) for one.
  std::unordered_map<ZRString, int32_t> paths_;
  int32_t lastId_ = -1;
  ZRList* historyList_ = nullptr;
  ZRList* collectionList_ = nullptr;
  // Counts changes of stored records (under the write lock), so that what
  // the searches build from the records knows when it is out of date.
  uint64_t changeCount_ = 0;

  // What the last advanced search looked for; searchLock_ keeps searches
  // one at a time.
  static constexpr int kMaxSearchWords = 8;
  std::mutex searchLock_;
  ZRString searchWords_[kMaxSearchWords];
  int searchWordCount_ = 0;
  bool searchNew_ = false;
  std::atomic<bool> searchInMiddleOfWords_{false};
  // The simple search's copy of every searchable track's artist and title,
  // case-folded and side by side in memory (a keystroke tests them all), one
  // slot per track in id order. A changed record refolds only its own slot:
  // its new texts go to the end of the buffer and the old ones become waste,
  // dropped by folding everything afresh once it outweighs the rest.
  struct SimpleSearchSlot {
    int32_t id;
    uint32_t artist;  // artist [artist, title), title [title, end) in text
    uint32_t title;
    uint32_t end;
  };
  struct SimpleSearchIndex {
    std::vector<SimpleSearchSlot> slots;
    std::u32string text;
    size_t waste = 0;
  };
  // Appends the folded artist and title of the record to text and fills slot.
  static void foldIntoSlot(const TZRDatabaseTrack& track, int32_t id, std::u32string& text,
                           SimpleSearchSlot* slot);
  // Refolds the slot of one record, adds or drops it (read lock held).
  void refreshSimpleSearchSlotLocked(int32_t id);
  // Folds every searchable record afresh (read lock held).
  void rebuildSimpleSearchIndexLocked();
  // Records that the record with this id was stored, changed or removed
  // (write lock held); past a few hundred such ids before the next search,
  // the index is built afresh instead.
  void noteSearchChangeLocked(int32_t id);
  // Records a change of every record (write lock held).
  void noteSearchChangeOfAllLocked();
  SimpleSearchIndex simpleIndex_;
  // What changed since the index was last brought up to date: written under
  // the write lock, read and emptied by the search (one at a time, under the
  // read lock).
  static constexpr size_t kMaxSearchChangedIds = 256;
  std::vector<int32_t> searchChangedIds_;
  bool searchRebuildAll_ = true;

  // database.xml: saves one at a time; files that failed to load and are
  // still in place (never written over).
  mutable std::mutex saveLock_;
  std::vector<std::string> unreadableFiles_;
  LoadReport loadReport_;
  std::atomic<uint64_t> saveGeneration_{0};

  // The background saver (zr_database_autosave.cpp), guarded by autoSaveLock_.
  std::mutex autoSaveLock_;
  ZRThread* autoSaveThread_ = nullptr;
  ZRString autoSavePath_;
  int autoSaveQuietMs_ = 2000;
  int autoSaveMaxDelayMs_ = 10000;
  // Used by the saver thread only.
  uint64_t savedGeneration_ = 0;
  uint64_t lastSeenGeneration_ = 0;
  int64_t lastChangeSeenMs_ = 0;
  int64_t firstUnsavedMs_ = 0;
  int64_t retryAtMs_ = 0;  // after a failed save

  // Adding files: the queue of operations, its thread (started with the
  // first operation) and the tag reader only that thread uses.
  std::mutex adderLock_;  // guards starting and stopping the thread
  ZRLockFreeQueue<AddOperation*> addQueue_;
  ZRThread* addThread_ = nullptr;
  ZRTag* addTagReader_ = nullptr;
  bool addingStopped_ = false;
  std::atomic<bool> stopAdding_{false};
  std::atomic<int> pendingAdds_{0};
};
