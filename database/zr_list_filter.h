#pragma once
// ZRListFilter: the criteria of a list filter and the test a row must pass
// to stay visible while the filter is on. A criterion left at its "none"
// value lets every row through.

#include <cstdint>
#include <vector>

#include "common/zr_string.h"
#include "database/zr_database_track.h"
#include "database/zr_list_track.h"

struct ZRListFilter {
  static constexpr int kMaxGenres = 256;

  std::vector<int32_t> genreIds;  // empty: no genre criterion
  int32_t mediaType = -1;         // -1: any
  int32_t yearMin = 0;            // 0 or less: no bound (likewise the three below)
  int32_t yearMax = 0;
  int32_t bpmMin = 0;
  int32_t bpmMax = 0;
  ZRString artist;  // empty: no criterion; else equal without case
  ZRString album;
  bool onlyNew = false;
  int64_t addedFrom = -1;  // seconds since 1970; below 0: no bound
  int64_t addedTo = -1;

  // Takes the genre ids up to the first negative one (at most kMaxGenres);
  // null gives no genre criterion.
  void setGenres(const int32_t* ids);

  // Whether a row whose track is record (null: not stored) passes. A row
  // without an added time passes the time bounds.
  bool passes(const TZRListTrack& row, const TZRDatabaseTrack* record) const;
};
