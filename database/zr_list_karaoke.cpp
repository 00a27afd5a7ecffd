// The rows of the karaoke rotation: a row is a singer, its own track the
// singer's next song and its further tracks the songs queued after it. An
// emptied row may stay as an empty slot (track -1) so the singer keeps their
// place.

#include <utility>

#include "common/zr_logging.h"
#include "database/zr_list.h"

namespace {

// Song k of a row: 0 its own track, 1.. its further tracks.
struct Song {
  int32_t* trackId;
  float* keyAdjust;
};

Song songOf(TZRListTrack& row, int32_t k) {
  if (k == 0) return {&row.trackId, &row.keyAdjust};
  TZRAdditionalTrack& extra = row.additionalTracks[static_cast<size_t>(k - 1)];
  return {&extra.trackId, &extra.keyAdjust};
}

void swapSongs(TZRListTrack& row, int32_t a, int32_t b) {
  const Song first = songOf(row, a);
  const Song second = songOf(row, b);
  std::swap(*first.trackId, *second.trackId);
  std::swap(*first.keyAdjust, *second.keyAdjust);
}

}  // namespace

void ZRList::setIsKaraokeSingersRotationList(bool flag) {
  if (karaokeRotation_.exchange(flag) != flag) setNeedsRedraw();
}

void ZRList::setSingerName(int32_t row, const ZRString& name, float keyAdjust) {
  lock_.enterExclusive();
  const int32_t r = resolveRow(row);
  const bool valid = r >= 0 && r < countLocked();
  if (valid) {
    rows_[r].singerName = name;
    rows_[r].keyAdjust = keyAdjust;
  }
  lock_.leaveExclusive();
  if (valid) setNeedsRefresh();
}

ZRString ZRList::getSingerName(int32_t row) {
  ZRString name;
  lock_.enterShared();
  const int32_t r = resolveRow(row);
  if (r >= 0 && r < countLocked()) name = rows_[r].singerName;
  lock_.leaveShared();
  return name;
}

int32_t ZRList::getFirstLineWithSingerName(const ZRString& name) {
  lock_.enterShared();
  int32_t found = -1;
  for (int32_t i = 0; i < countLocked() && found < 0; ++i) {
    if (rows_[i].singerName.icmp(name) == 0) found = i;
  }
  lock_.leaveShared();
  return found;
}

void ZRList::addToLine(const TZRListTrack& row, int32_t index, bool notify) {
  lock_.enterExclusive();
  if (index < 0 || index >= countLocked()) {
    lock_.leaveExclusive();
    return;
  }
  TZRListTrack& target = rows_[index];
  if (target.trackId == -1) {
    target.trackId = row.trackId;
    target.keyAdjust = row.keyAdjust;
  } else {
    const TZRAdditionalTrack extra{row.trackId, row.keyAdjust};
    target.additionalTracks.push_back(extra);
    if (filtered_) {
      for (TZRListTrack& full : fullCopy_) {
        if (full.trackId == target.trackId) full.additionalTracks.push_back(extra);
      }
    }
  }
  savedOrder_.clear();
  lock_.leaveExclusive();
  finishChange(notify);
}

void ZRList::applyLineAction(int32_t row, int32_t subIndex, int32_t count, int32_t action, bool keepRow) {
  // What is left to do after the lock is released: the whole-row moves and
  // removals take the lock themselves.
  enum class Then { kNothing, kDragUp, kDragDown, kDragBottom, kRemoveRow };
  Then then = Then::kNothing;

  lock_.enterExclusive();
  const int32_t r = resolveRow(row);
  const bool rowValid = r >= 0 && r < countLocked();
  // The caller's count may be stale (the row changed since it was drawn): the
  // row's own count decides and bounds the sub-index.
  const int32_t songs = rowValid ? 1 + static_cast<int32_t>(rows_[r].additionalTracks.size()) : 0;
  if (rowValid && count != songs) ZRLOG("warning: rotation row %d has %d songs, not %d", r, songs, count);
  const bool songValid = rowValid && subIndex >= 0 && subIndex < songs;
  bool dragBottomAfter = false;

  switch (action) {
    case ToggleCollapsed:
    case Collapse:
    case Expand:
      if (rowValid) {
        rows_[r].collapsed = action == ToggleCollapsed ? !rows_[r].collapsed : action == Collapse;
        setNeedsRefresh();
      }
      break;
    case MoveUp:
      if (songValid && subIndex == 0) {
        then = Then::kDragUp;
      } else if (songValid) {
        swapSongs(rows_[r], subIndex, subIndex - 1);
        setNeedsRefresh();
      }
      break;
    case MoveDown:
      if (songValid && subIndex == songs - 1) {
        then = Then::kDragDown;
      } else if (songValid) {
        swapSongs(rows_[r], subIndex, subIndex + 1);
        setNeedsRefresh();
      }
      break;
    case MoveToBottom:
      then = Then::kDragBottom;
      break;
    case Remove:
    case RemoveFirstAndMoveToBottom: {
      const int32_t sub = action == Remove ? subIndex : 0;
      if (!rowValid || sub >= songs || sub < 0) break;
      TZRListTrack& target = rows_[r];
      if (songs > 1) {
        if (sub == 0) {
          target.trackId = target.additionalTracks.front().trackId;
          target.keyAdjust = target.additionalTracks.front().keyAdjust;
          target.additionalTracks.erase(target.additionalTracks.begin());
        } else {
          target.additionalTracks.erase(target.additionalTracks.begin() + (sub - 1));
        }
        setNeedsRefresh();
      } else if (keepRow && target.trackId != -1) {
        target.trackId = -1;
        target.keyAdjust = 0;
        setNeedsRefresh();
      } else {
        then = Then::kRemoveRow;
      }
      dragBottomAfter = action == RemoveFirstAndMoveToBottom && then != Then::kRemoveRow;
      break;
    }
    default:
      ZRLOG("unknown LineAction");
      break;
  }
  lock_.leaveExclusive();

  switch (then) {
    case Then::kDragUp:
      dragUp(r);
      break;
    case Then::kDragDown:
      dragDown(r);
      break;
    case Then::kDragBottom:
      dragBottom(r);
      break;
    case Then::kRemoveRow:
      // Only this row goes, whatever other rows are marked.
      lock_.enterExclusive();
      if (r < countLocked()) {
        savedOrder_.clear();
        removeOneRowLocked(r);
      }
      lock_.leaveExclusive();
      finishChange(true);
      break;
    case Then::kNothing:
      break;
  }
  if (dragBottomAfter) dragBottom(r);
  callListChangedCallback();
}
