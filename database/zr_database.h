#pragma once
// ZRDatabase: the process-wide track library, the single owner of every
// track record. Lists hold only track ids; other parts read copies, or the
// stored record itself while they hold the read lock. The library also takes
// in what the decks and the background analysis learn about a track (tempo,
// duration, key, gain, cues, loops, EQ, stripe name) and counts plays.
//
// Locking: structural changes of the table (storing or removing records) take
// the write lock; copies out of the table and in-place field updates of an
// existing record (updateTrack, updateTrackMerge, setHighlight) take the read
// lock. The lock allows a thread to take a second read hold.
//
// The track lists live above the library: they reach it by id, and it reaches
// them only through the hooks below, which the list registry installs (row
// redrawing, the history row of a play, dropping rows of removed tracks).

#include <cstdint>
#include <functional>
#include <map>
#include <unordered_map>

#include "common/zr_critical_section.h"
#include "common/zr_string.h"
#include "database/zr_database_track.h"

class ZRList;
class ZRAudioDetection;

// What the library needs of the track lists.
struct ZRDatabaseListHooks {
  // Sets the refresh flag of every registered list that shows this track.
  std::function<void(int32_t trackId)> markRowsAsDirty;
  // Appends one history row (this track, not marked, added at addedTime, the
  // singer and key adjustment, no additional tracks, not collapsed) at the end
  // of list, with notification and under the list's own lock.
  std::function<void(ZRList* list, int32_t trackId, int64_t addedTime, const ZRString& singer,
                     float keyAdjust)>
      appendHistoryRow;
  // Removes, from every registered list, the rows whose track isStored() no
  // longer knows (see removeDeadFiles). Called with the library's read lock held.
  std::function<void(const std::function<bool(int32_t trackId)>& isStored)> removeRowsOfMissingTracks;
};

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
  // -1 for a null record. An earlier path of the same id stays mapped.
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
  // text, a gain. A counted play also appends a row to the history list.
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
  // "$", then the list rows of those tracks; returns how many were dropped.
  int32_t removeDeadFiles();

  // Writes the stripe file of the record (naming it first when it has no
  // name yet). detector gives the marked beats over beatMarks (null: the beat
  // count and positions are left out); onsets, amplitudes and beatMarks hold
  // n points. False only for a null record; failures are logged.
  static bool saveStripe(TZRDatabaseTrack* record, const ZRString& stripesDir, ZRAudioDetection* detector,
                         bool gridSuitable, float displayGain, const float* onsets, const float* amplitudes,
                         const float* beatMarks, int n);

  // Installed once by the list registry.
  void setListHooks(const ZRDatabaseListHooks& hooks);

  // Number of stored tracks (read lock).
  int getTrackCount();

 private:
  struct PathLess {
    bool operator()(const ZRString& a, const ZRString& b) const { return a.cmp(b) < 0; }
  };

  void markRowsAsDirty(int32_t id);

  ZRCriticalSection lock_;
  std::unordered_map<int32_t, TZRDatabaseTrack> tracks_;
  std::map<ZRString, int32_t, PathLess> paths_;
  int32_t lastId_ = -1;
  ZRList* historyList_ = nullptr;
  ZRDatabaseListHooks hooks_;
};
