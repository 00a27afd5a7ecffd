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
// while the library, holding its read lock, waits for that list.
//
// The track lists (database/zr_list.h) hold track ids only. The library
// reaches them after releasing its write lock: rows of a changed track are
// marked for redrawing, a counted play appends a row to the history list,
// and rows of removed tracks are dropped.
//
// Search (zr_database_search.cpp) fills a result list from the library:
// searches run one at a time.

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/zr_critical_section.h"
#include "common/zr_string.h"
#include "database/zr_database_track.h"

class ZRList;
class ZRAudioDetection;

class ZRDatabase {
 public:
  // The library, created on first use and kept to the end of the process.
  static ZRDatabase* getInstance();

  // Separate instances serve tests; the application uses getInstance().
  ZRDatabase();
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
  // rows; nothing when resultList is null. Tracks of online services are
  // skipped except those of status 2 and karaoke catalogue addresses.
  void search(const ZRString& text, ZRList* resultList, ZRList* historyList);
  void searchAdvanced(const ZRString& text, ZRList* resultList, ZRList* historyList);
  void setSearchInMiddleOfWords(bool on) { searchInMiddleOfWords_.store(on); }

  // Number of stored tracks (read lock).
  int getTrackCount();

 private:
  struct PathLess {
    bool operator()(const ZRString& a, const ZRString& b) const { return a.cmp(b) < 0; }
  };

  // The stored record of the path (caller holds the lock); null when unknown.
  TZRDatabaseTrack* findByPathLocked(const ZRString& path);
  // Brings the simple search's folded texts up to date (read lock held).
  void refreshSimpleSearchIndexLocked();
  // Stores search texts built under the read lock (ids and texts in pairs);
  // when the records changed meanwhile, builds each missing text afresh.
  void storeSearchTexts(std::vector<std::pair<int32_t, ZRString>>& built, uint64_t builtAtChange);

  ZRCriticalSection lock_;
  std::unordered_map<int32_t, TZRDatabaseTrack> tracks_;
  std::map<ZRString, int32_t, PathLess> paths_;
  int32_t lastId_ = -1;
  ZRList* historyList_ = nullptr;
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
  // case-folded and side by side in memory (a keystroke tests them all).
  // Texts of track i: artist [starts[2i], starts[2i+1]), title up to
  // starts[2i+2].
  struct SimpleSearchIndex {
    uint64_t builtAtChange = ~uint64_t{0};
    std::vector<int32_t> ids;
    std::vector<uint32_t> starts;
    std::u32string text;
  };
  SimpleSearchIndex simpleIndex_;
};
