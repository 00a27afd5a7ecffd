#pragma once
// ZRiTunes: the iTunes library file ("iTunes Music Library.xml", an Apple
// property list), read once on first use and kept in memory, and the import
// of its tracks or of one of its playlists into a list. An imported track
// becomes or updates a record of the list's library with the metadata iTunes
// keeps (not the file's tags) and gets a row in the list.
//
// The file is looked for under the user's home folder only: Music/iTunes and
// Documents/iTunes, "iTunes Music Library.xml" before "iTunes Library.xml".
// It is parsed without network access and without expanding entities. With
// no file (the usual case on this system) nothing is available: no
// playlists, imports fail, the import choices are empty.
//
// After construction the object is read-only, so any thread may use it;
// imports take the library's and the list's locks.

#include <cstdint>
#include <map>
#include <vector>

#include "common/zr_string.h"
#include "database/zr_database_track.h"

class ZRList;

struct ZRiTunesTrack {
  ZRString tags[kTagFieldCount];  // TagFieldTypes order; "numb" empty, "fnam" the local path
  int32_t rating = 0;             // 0..5
  int64_t size = 0;               // bytes
  int32_t durationMs = 0;
  int32_t tempo = 0;
};

struct ZRiTunesPlaylist {
  ZRString name;  // " (smart list)" appended for a smart list that is not one of iTunes' own
  ZRString persistentId;
  int32_t playlistId = -1;
  bool visible = true;
  bool distinguished = false;
  bool smart = false;
  bool folder = false;
  std::vector<int32_t> trackIds;  // in playlist order
};

class ZRiTunes {
 public:
  // The library of the user's home folder, created on first use.
  static ZRiTunes* getInstance();
  // Reads the library file at path (logs "iTunesIsOK = %d (xml='%s')").
  explicit ZRiTunes(const ZRString& libraryPath);
  ZRiTunes(const ZRiTunes&) = delete;
  ZRiTunes& operator=(const ZRiTunes&) = delete;

  // The first existing of the four places under home (ending with '/'),
  // else the last of them.
  static ZRString findLibraryFile(const ZRString& home);

  // The file exists and was read.
  bool isOk() const { return ok_; }
  const ZRString& path() const { return path_; }
  // By iTunes track id, ascending.
  const std::map<int32_t, ZRiTunesTrack>& tracks() const { return tracks_; }
  // The playlists offered: not folders, visible, named; in file order.
  const std::vector<ZRiTunesPlaylist>& playlists() const { return playlists_; }

  // n = -1: every track in ascending id order; n >= 0: the tracks of the
  // n-th playlist in its order (ids the library lacks are skipped). Each
  // track is stored in the list's library and appended to the list (with the
  // change callback). False for a null list, a library that is not ok or no
  // n-th playlist.
  bool importIntoList(ZRList* list, int n) const;
  // "-" and -1 first; then the n-th playlist's name and iTunes id. False when
  // not ok or there is no n-th playlist.
  bool getListDetails(int n, ZRString* name, int32_t* id) const;

 private:
  bool read();
  void importTrack(const ZRiTunesTrack& track, ZRList* list) const;

  ZRString path_;
  bool ok_ = false;
  std::map<int32_t, ZRiTunesTrack> tracks_;
  std::vector<ZRiTunesPlaylist> playlists_;
};

// The same for the library of the user's home folder.
bool iTunesIsInstalled();
int iTunesGetTotalLists();
bool iTunesGetListDetails(int n, ZRString* name, int32_t* id);
bool iTunesGetList(int n, ZRList* list);

// What the import dialog offers: "iTunes Library" and then the name of every
// playlist; empty when there is no library (the dialog then shows the
// "txt_itunes_not_installed" message instead). Choosing entry selection
// imports the whole library (0) or playlist selection - 1 into list.
std::vector<ZRString> iTunesImportChoices(const ZRiTunes& library);
bool iTunesImportChoice(const ZRiTunes& library, ZRList* list, int selection);
