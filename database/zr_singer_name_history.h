#pragma once
// The karaoke singer history: every singer name ever confirmed in the singer-name dialog, which its name
// field completes from. One history per process, kept in singers.xml in the Database folder:
//
//   <singers version="1" idnext="N">
//   <singer id="ID" name="NAME" />            (one line per singer, in list order)
//   </singers>
//
// after the XML header every system file starts with (byte-order mark, declaration). Names are UTF-8,
// XML-escaped, written whole; a name longer than the readers keep (8191 bytes) is cut on a character
// boundary when it is added, so what is written always reads back the same.
//
// Reading: the root must be "singers" (its version is not read); a missing or negative idnext gives 1;
// every "singer" child gives one record (id -1 when missing, name "" when missing) in file order, other
// children are skipped; idnext ends above every id read. A file may hold duplicate names; they stay.
//
// Keeping the show's singers: the history is saved after every add and clear and once more at shut-down
// (saveSingerNameHistory), never from a static destructor, so a crash loses nothing confirmed. Saving
// replaces the file whole or not at all. A singers.xml that exists but does not read is moved aside
// ("<path>.unreadable-<date>-<time>") before anything is saved, so the next save never writes an empty
// history over the user's singers; when it cannot be moved, the history refuses to save.
//
// Ids are positive ints handed out in order; once the counter reaches INT_MAX (a file holding such an
// id) it stays there and new singers get the smallest id not in use, so the counter never overflows.
//
// Threads: used from the main thread (the dialog, the shell), but every operation takes the history's
// own lock, so a save from another thread is safe.

#include <mutex>
#include <vector>

#include "common/zr_string.h"

class ZRSingerNameHistory {
 public:
  struct Singer {
    int id = -1;
    ZRString name;
  };

  // A history bound to the file at path (nothing read yet).
  explicit ZRSingerNameHistory(const ZRString& path);
  ZRSingerNameHistory(const ZRSingerNameHistory&) = delete;
  ZRSingerNameHistory& operator=(const ZRSingerNameHistory&) = delete;

  // The process-wide history: created at the first call, from the file in the folder given to
  // setSingerNameHistoryFolder (loaded then). Without a folder it holds nothing and cannot save.
  static ZRSingerNameHistory& get();

  // Clears the list and reads the file. False, list left as it was, for a missing file ("error: load
  // singers: xml file not found") or one that does not read ("error: load singers: xml file not
  // loaded"); the latter is moved aside (logged).
  bool load(const ZRString& path);
  // Writes the file; false ("error saving singers") when it could not be replaced.
  bool save(const ZRString& path);
  // Loads and saves the history's own file.
  bool load() { return load(path_); }
  bool save() { return save(path_); }

  // An empty name: -1, nothing changes. A name equal to a stored one ignoring case: that singer's id.
  // Otherwise appends {next id, name} and returns the new id. Saves after a change.
  int add(const ZRString& name);
  // Empties the list (ids handed out are not handed out again) and saves.
  void clear();
  // Sorts the stored list by name ignoring case (stable) and returns the names in that order.
  std::vector<ZRString> populate();

  std::vector<Singer> singers();
  int idNext();
  const ZRString& path() const { return path_; }

 private:
  int nextIdLocked();

  const ZRString path_;
  std::mutex lock_;
  std::vector<Singer> singers_;
  int idNext_ = 1;
  // The file did not read and could not be moved aside: saving would destroy it.
  bool fileProtected_ = false;
};

// The Database folder whose singers.xml the process-wide history uses; set by the shell before the first
// ZRSingerNameHistory::get().
void setSingerNameHistoryFolder(const ZRString& folder);
// Saves the process-wide history when it has been created (the shell's shut-down).
bool saveSingerNameHistory();
