// Sorting and shuffling of a list's visible rows, and the order from before
// the first of them that resetSortOrder brings back.

#include <algorithm>
#include <numeric>
#include <random>

#include "common/zr_logging.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "database/zr_list_custom_sort.h"
#include "platform/text_icu.h"

namespace {

constexpr int32_t kMainCursorTag = 1;
constexpr int32_t kNextCursorTag = 2;

std::mt19937& shuffleRandom() {
  thread_local std::mt19937 random{std::random_device{}()};
  return random;
}

}  // namespace

ZRListCustomSort::ZRListCustomSort(ZRDatabase* database, int32_t field, int32_t direction)
    : database_(database), field_(field), direction_(direction), byNumber_(field == kTagBpm) {}

const ZRString& ZRListCustomSort::textOf(const TZRListTrack& row) const {
  const TZRDatabaseTrack* record = database_->getTrackIdDataUnsafe(row.trackId, false);
  return record ? record->tags[field_] : empty_;
}

bool ZRListCustomSort::operator()(const TZRListTrack& a, const TZRListTrack& b) const {
  const ZRString& ta = textOf(a);
  const ZRString& tb = textOf(b);
  if (byNumber_) return lessNumbers(ta.toDouble(), tb.toDouble());
  return ta.icmp(tb) * direction_ < 0;
}

void ZRListCustomSort::takeKeys(const std::vector<TZRListTrack>& rows) {
  numbers_.clear();
  texts_.clear();
  textStarts_.clear();
  if (byNumber_) {
    numbers_.reserve(rows.size());
    for (const TZRListTrack& row : rows) numbers_.push_back(textOf(row).toDouble());
    return;
  }
  textStarts_.reserve(rows.size() + 1);
  for (const TZRListTrack& row : rows) {
    textStarts_.push_back(static_cast<uint32_t>(texts_.size()));
    texts_ += textOf(row).utf16();
  }
  textStarts_.push_back(static_cast<uint32_t>(texts_.size()));
}

bool ZRListCustomSort::lessByKeys(uint32_t i, uint32_t j) const {
  if (byNumber_) return lessNumbers(numbers_[i], numbers_[j]);
  const std::u16string_view all(texts_);
  const std::u16string_view a = all.substr(textStarts_[i], textStarts_[i + 1] - textStarts_[i]);
  const std::u16string_view b = all.substr(textStarts_[j], textStarts_[j + 1] - textStarts_[j]);
  // The comparison ZRString::icmp makes.
  return platformCollate(a, b, true) * direction_ < 0;
}

void ZRList::sort(int32_t field, bool ascending) {
  if (field < 0 || field >= kTagFieldCount) {
    ZRLOG("error: list sort by unknown field %d", field);
    return;
  }
  lock_.enterExclusive();
  if (rows_.empty()) {
    lock_.leaveExclusive();
    return;
  }
  if (savedOrder_.empty()) savedOrder_ = rows_;

  const int32_t main = mainCursor_.load();
  const int32_t next = nextCursor_.load();
  if (main >= 0 && main < countLocked()) rows_[main].sortTag |= kMainCursorTag;
  if (next >= 0 && next < countLocked()) rows_[next].sortTag |= kNextCursorTag;
  mainCursor_.store(-1);
  nextCursor_.store(-1);
  const int32_t direction = ascending ? 1 : -1;
  sortDirection_.store(direction);
  sortField_.store(field);

  ZRDatabase* db = database();
  ZRListCustomSort order(db, field, direction);
  db->lockDatabaseForReading();
  order.takeKeys(rows_);
  db->unlockDatabaseForReading();
  std::vector<uint32_t> permutation(rows_.size());
  std::iota(permutation.begin(), permutation.end(), 0u);
  std::stable_sort(permutation.begin(), permutation.end(),
                   [&order](uint32_t a, uint32_t b) { return order.lessByKeys(a, b); });

  std::vector<TZRListTrack> sorted;
  sorted.reserve(rows_.size());
  for (const uint32_t i : permutation) sorted.push_back(std::move(rows_[i]));
  rows_ = std::move(sorted);

  int32_t found = 0;
  for (int32_t i = 0; i < countLocked() && found != (kMainCursorTag | kNextCursorTag); ++i) {
    const int32_t tag = rows_[i].sortTag;
    if (tag == 0) continue;
    rows_[i].sortTag = 0;
    if (tag & kMainCursorTag) mainCursor_.store(i);
    if (tag & kNextCursorTag) nextCursor_.store(i);
    found |= tag;
  }
  lock_.leaveExclusive();
  finishChange(true);
}

bool ZRList::canResetSortOrder() {
  lock_.enterShared();
  const bool saved = !savedOrder_.empty();
  lock_.leaveShared();
  return saved;
}

void ZRList::resetSortOrder() {
  lock_.enterExclusive();
  if (savedOrder_.empty()) {
    lock_.leaveExclusive();
    return;
  }
  rows_ = std::move(savedOrder_);
  savedOrder_.clear();
  // The saved rows carry the marks they had when they were saved.
  recountMarksLocked();
  mainCursor_.store(clampCursor(mainCursor_.load()));
  nextCursor_.store(clampCursor(nextCursor_.load()));
  lock_.leaveExclusive();
  finishChange(true);
}

void ZRList::shuffle() {
  lock_.enterExclusive();
  if (savedOrder_.empty()) savedOrder_ = rows_;
  std::shuffle(rows_.begin(), rows_.end(), shuffleRandom());
  lock_.leaveExclusive();
  finishChange(true);
}
