// Filtering a list: the rows that do not match are hidden, the full copy
// keeps them, and ending the filter shows them again with the cursors from
// before the first filter.

#include "database/zr_database.h"
#include "database/zr_list.h"

void ZRList::filter(const int32_t* genreIds, int32_t mediaType, int32_t yearMin, int32_t yearMax,
                    int32_t bpmMin, int32_t bpmMax, const ZRString& artist, const ZRString& album,
                    bool onlyNew, int64_t addedFrom, int64_t addedTo, bool sticky) {
  if (!allowFiltering_.load()) return;
  ZRListFilter criteria;
  criteria.setGenres(genreIds);
  criteria.mediaType = mediaType;
  criteria.yearMin = yearMin;
  criteria.yearMax = yearMax;
  criteria.bpmMin = bpmMin;
  criteria.bpmMax = bpmMax;
  criteria.artist = artist;
  criteria.album = album;
  criteria.onlyNew = onlyNew;
  criteria.addedFrom = addedFrom;
  criteria.addedTo = addedTo;

  lock_.enterShared();
  const bool keptBySticky = stickyFilter_ && !sticky;
  lock_.leaveShared();
  if (keptBySticky) return;

  insertAll(true);

  lock_.enterExclusive();
  // Checked again: another thread may have set a sticky filter meanwhile.
  if (stickyFilter_ && !sticky) {
    lock_.leaveExclusive();
    return;
  }
  stickyFilter_ = sticky;
  criteria_ = std::move(criteria);
  if (!filtered_) {
    fullCopy_ = rows_;
    savedMainCursor_ = mainCursor_.load();
    savedNextCursor_ = nextCursor_.load();
  }
  rows_.clear();
  savedOrder_.clear();
  filtered_ = true;
  ZRDatabase* db = database();
  db->lockDatabaseForReading();
  for (const TZRListTrack& row : fullCopy_) {
    if (passesFilterLocked(row)) rows_.push_back(row);
  }
  db->unlockDatabaseForReading();
  // Rows added while hidden may carry marks.
  recountMarksLocked();
  mainCursor_.store(-1);
  nextCursor_.store(-1);
  lock_.leaveExclusive();
  finishChange(true);
}

void ZRList::endFiltering(bool force) {
  insertAll(true);
  lock_.enterExclusive();
  if (!filtered_ || (stickyFilter_ && !force)) {
    lock_.leaveExclusive();
    return;
  }
  stickyFilter_ = false;
  filtered_ = false;
  rows_ = std::move(fullCopy_);
  fullCopy_.clear();
  savedOrder_.clear();
  recountMarksLocked();
  nextCursor_.store(clampCursor(savedNextCursor_));
  mainCursor_.store(clampCursor(savedMainCursor_));
  scrollRequest_.store(true);
  lock_.leaveExclusive();
  finishChange(true);
}

bool ZRList::isFiltered() {
  lock_.enterShared();
  const bool filtered = filtered_;
  lock_.leaveShared();
  return filtered;
}

bool ZRList::filterItemUsingCurrentFilter(const TZRListTrack& row) {
  lock_.enterShared();
  const bool passes = passesFilterLocked(row);
  lock_.leaveShared();
  return passes;
}

void ZRList::filterAllLists(const int32_t* genreIds, int32_t mediaType, int32_t yearMin, int32_t yearMax,
                            int32_t bpmMin, int32_t bpmMax, const ZRString& artist, const ZRString& album,
                            bool onlyNew, int64_t addedFrom, int64_t addedTo, bool sticky) {
  forEachList([&](ZRList* list) {
    list->filter(genreIds, mediaType, yearMin, yearMax, bpmMin, bpmMax, artist, album, onlyNew, addedFrom,
                 addedTo, sticky);
  });
}

void ZRList::endFilteringForAllLists(bool force) {
  forEachList([force](ZRList* list) { list->endFiltering(force); });
}
