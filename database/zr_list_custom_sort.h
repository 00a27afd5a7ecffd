#pragma once
// ZRListCustomSort: the order of a list sorted by one text field of its
// tracks. The tempo text sorts by its number; every other field, the
// duration, track number and year texts included, by the case-insensitive
// localized comparison of its text. A row whose track is not stored sorts as
// a record with empty texts.
//
// The records are read while the library's read lock is held: whoever sorts
// holds it for as long as the object reads them.

#include <cstdint>
#include <string>
#include <vector>

#include "common/zr_string.h"
#include "database/zr_database_track.h"
#include "database/zr_list_track.h"

class ZRDatabase;

class ZRListCustomSort {
 public:
  // field: a TagFieldTypes index (0 .. kTagFieldCount-1); direction +1
  // ascending, -1 descending.
  ZRListCustomSort(ZRDatabase* database, int32_t field, int32_t direction);

  // a goes before b, reading both records.
  bool operator()(const TZRListTrack& a, const TZRListTrack& b) const;

  // The same order for many rows: what each row sorts by is read from its
  // record once, and the copies lie side by side in memory (a comparison of
  // two rows would look up both records, whose texts are spread over the
  // library). Row i of rows goes before row j.
  void takeKeys(const std::vector<TZRListTrack>& rows);
  bool lessByKeys(uint32_t i, uint32_t j) const;

 private:
  const ZRString& textOf(const TZRListTrack& row) const;
  bool lessNumbers(double a, double b) const { return direction_ > 0 ? a < b : b < a; }

  ZRDatabase* database_;
  int32_t field_;
  int32_t direction_;
  bool byNumber_;
  ZRString empty_;
  // Keys of takeKeys: the tempo field's numbers, or the texts one after the
  // other (text i from textStarts_[i] to textStarts_[i + 1]).
  std::vector<double> numbers_;
  std::u16string texts_;
  std::vector<uint32_t> textStarts_;
};
