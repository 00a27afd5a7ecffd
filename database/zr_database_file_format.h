#pragma once
// What the reader and the writer of database.xml share: the attribute names
// that are built from a number, the text limits, and the checks on values
// that other parts of the system act on.
//
// The file, line by line (texts escaped, floats with 4 decimals):
//   <database version="1">
//   <tracks>
//   <track id="..." arti="..." ... dtPlayed="..." />      one per track
//   </tracks>
//   <lists>                                               only with lists
//     <list name="..." type="..." subtype="..." cursor="...">
//       <item id="..." .../>                              one per row
//     </list>
//   </lists>
//   </database>

#include <cstddef>
#include <string>
#include <vector>

#include "common/zr_string.h"
#include "database/zr_list_track.h"

namespace database_file {

// One list element of the file.
struct ListInFile {
  ZRString name;
  int32_t type = 0;
  int32_t subtype = 0;
  int32_t cursor = -1;
  std::vector<TZRListTrack> rows;
};

// A text field is written with at most this many UTF-16 units and UTF-8
// bytes, cut before a character that would not fit whole (the record keeps
// the whole text).
constexpr int kMaxTextUnits = 4094;
constexpr size_t kMaxTextBytes = 8189;
// A singer's name is written with at most this many UTF-8 bytes.
constexpr size_t kMaxSingerBytes = 4095;
// A row keeps at most this many further tracks (id2 .. id10).
constexpr int kMaxAdditionalTracks = 9;
// Ids read from the file above this are not taken (new ids are counted
// upwards from the largest id and must not overflow).
constexpr int32_t kMaxTrackId = 1 << 30;

// "cue1" .. "cue16"; "loop1_in", "loop1_out" .. "loop8_out"; "id2", "kadj2" ...
std::string cueName(int slot);
std::string loopName(int loop, bool out);
std::string additionalIdName(int k);
std::string additionalKeyName(int k);

// A stripe name as the library makes them: two hexadecimal digits, '-',
// eight hexadecimal digits. Anything else could name a file elsewhere.
bool isStripeName(const ZRString& name);
// An artwork address the artwork cache may fetch: http or https.
bool isWebAddress(const ZRString& url);

// The moment of a save or load, "YYYYMMDD-HHMMSS" in local time, for the
// names of files kept aside.
std::string timeStamp();

}  // namespace database_file
