#pragma once
// ZRListCustomSort: the order of a list sorted by one text field of its
// tracks. The tempo text sorts by its number; every other field, the
// duration, track number and year texts included, by the case-insensitive
// localized comparison of its text. A row whose track is not stored sorts as
// a record with empty texts.
//
// The records are read in place: whoever sorts holds the library's read lock
// for as long as the object (and any key it handed out) is in use.

#include <cstdint>

#include "common/zr_string.h"
#include "database/zr_database_track.h"
#include "database/zr_list_track.h"

class ZRDatabase;

class ZRListCustomSort {
 public:
  // What one row is sorted by, taken from its record once.
  struct Key {
    const ZRString* text;
    double number;  // the tempo field's number; 0 for other fields
  };

  // field: a TagFieldTypes index (0 .. kTagFieldCount-1); direction +1
  // ascending, -1 descending.
  ZRListCustomSort(ZRDatabase* database, int32_t field, int32_t direction);

  Key keyOf(const TZRListTrack& row) const;
  // a goes before b.
  bool less(const Key& a, const Key& b) const;
  bool operator()(const TZRListTrack& a, const TZRListTrack& b) const { return less(keyOf(a), keyOf(b)); }

 private:
  ZRDatabase* database_;
  int32_t field_;
  int32_t direction_;
  bool byNumber_;
  ZRString empty_;
};
