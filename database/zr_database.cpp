#include "database/zr_database.h"

#include <ctime>

#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "database/zr_list.h"
#include "dsp/key_names.h"

namespace {

ZRString bpmText(float bpm) {
  return ZRString::format("%.1f", static_cast<double>(bpm));
}

// The key's name in the numbered sharp notation; empty outside 1..24.
ZRString keyText(int key) {
  char name[kPitchKeyNameMaxLength];
  if (!getPitchKeyNameForUI(key, name, false, false)) return ZRString();
  return ZRString(name);
}

}  // namespace

ZRDatabase* ZRDatabase::getInstance() {
  static ZRDatabase* instance = new ZRDatabase();
  return instance;
}

ZRDatabase::ZRDatabase() = default;

ZRDatabase::~ZRDatabase() {
  stopBackgroundWork();
}

void ZRDatabase::resetTrack(TZRDatabaseTrack* track, bool resetStrings) {
  if (!track) return;
  TZRDatabaseTrack empty;
  if (!resetStrings) {
    for (int i = 0; i < kTagFieldCount; ++i) empty.tags[i] = track->tags[i];
    empty.stripe = track->stripe;
    empty.imgUrl = track->imgUrl;
    empty.linkedFile = track->linkedFile;
  }
  empty.searchText = track->searchText;
  for (int i = 0; i < 4; ++i) empty.highlightColor[i] = track->highlightColor[i];
  *track = empty;
}

int32_t ZRDatabase::storeLocked(TZRDatabaseTrack* track) {
  if (track->id < 0) track->id = ++lastId_;
  if (track->id > lastId_) lastId_ = track->id;
  TZRDatabaseTrack& stored = tracks_[track->id] = *track;
  stored.searchText = ZRString();
  ++changeCount_;
  noteSearchChangeLocked(track->id);
  paths_[track->tags[kTagFileName]] = track->id;
  return track->id;
}

int32_t ZRDatabase::addOrUpdate(TZRDatabaseTrack* track) {
  if (!track) return -1;
  lock_.enterExclusive();
  const int32_t id = storeLocked(track);
  lock_.leaveExclusive();
  noteChanged();
  return id;
}

int32_t ZRDatabase::storeTrackIfNew(TZRDatabaseTrack* track) {
  if (!track) return -1;
  lock_.enterExclusive();
  const TZRDatabaseTrack* existing = findByPathLocked(track->tags[kTagFileName]);
  const int32_t id = existing ? existing->id : storeLocked(track);
  lock_.leaveExclusive();
  if (!existing) noteChanged();
  return id;
}

bool ZRDatabase::changeStoredTrack(int32_t id, const std::function<void(TZRDatabaseTrack&)>& change) {
  lock_.enterExclusive();
  const auto it = tracks_.find(id);
  const bool found = it != tracks_.end();
  if (found) {
    change(it->second);
    it->second.searchText = ZRString();
    ++changeCount_;
    noteSearchChangeLocked(id);
  }
  lock_.leaveExclusive();
  if (!found) return false;
  noteChanged();
  ZRList::markRowsAsDirty(id);
  return true;
}

bool ZRDatabase::getTrackIdData(int32_t id, TZRDatabaseTrack* out) {
  if (!out) return false;
  lock_.enterShared();
  const auto it = tracks_.find(id);
  const bool found = it != tracks_.end();
  if (found) *out = it->second;
  lock_.leaveShared();
  return found;
}

bool ZRDatabase::getTrackIdOnlyIfFound(int32_t id, const ZRString& path, TZRDatabaseTrack* out) {
  if (!out) return false;
  lock_.enterShared();
  if (id < 0) {
    const auto byPath = paths_.find(path);
    id = byPath == paths_.end() ? -1 : byPath->second;
  }
  const auto it = tracks_.find(id);
  const bool found = it != tracks_.end();
  if (found) *out = it->second;
  lock_.leaveShared();
  return found;
}

void ZRDatabase::lockDatabaseForReading() {
  lock_.enterShared();
}

void ZRDatabase::unlockDatabaseForReading() {
  lock_.leaveShared();
}

TZRDatabaseTrack* ZRDatabase::getTrackIdDataUnsafe(int32_t id, bool /*mustExist*/) {
  const auto it = tracks_.find(id);
  return it == tracks_.end() ? nullptr : &it->second;
}

void ZRDatabase::updateTrack(const ZRString& path, float bpm, int durationMs, bool played,
                             const char* keyName, bool gainValid, float gainDb, const ZRString& singer,
                             float keyAdjust) {
  lock_.enterExclusive();
  TZRDatabaseTrack* found = findByPathLocked(path);
  if (!found) {
    lock_.leaveExclusive();
    return;
  }
  TZRDatabaseTrack& t = *found;
  t.searchText = ZRString();
  ++changeCount_;
  noteSearchChangeLocked(t.id);
  if (bpm > 0) {
    t.bpm = bpm;
    t.tags[kTagBpm] = bpmText(bpm);
  }
  if (durationMs > 0) {
    t.durationMs = durationMs;
    t.tags[kTagTime] = trackTimeText(durationMs);
  }
  const int64_t now = static_cast<int64_t>(time(nullptr));
  if (played) {
    t.playedInSession = true;
    t.dtPlayed = now;
    t.playCount++;
  }
  if (keyName && keyName[0]) {
    t.pitchKey = getPitchKeyIndex(keyName);
    if (t.pitchKey >= 1 && t.pitchKey <= 24) t.tags[kTagKey] = keyText(t.pitchKey);
  }
  if (gainValid) {
    t.pgainValid = true;
    t.pgain = gainDb;
  }
  const int32_t id = t.id;
  lock_.leaveExclusive();
  noteChanged();

  ZRList::markRowsAsDirty(id);
  ZRLOG(
      "updating trackId=%d : BPM=%.2f, time=%ds, playedInThisSession=%d, pgainValid=%d (%.1f), keyName='%s', "
      "fn='%s', singer='%s'",
      id, static_cast<double>(bpm), durationMs / 1000, played ? 1 : 0, gainValid ? 1 : 0,
      static_cast<double>(gainDb), keyName ? keyName : "", path, singer);

  if (played) {
    TZRListTrack row;
    row.trackId = id;
    row.added = now;
    row.singerName = singer;
    row.keyAdjust = keyAdjust;
    lock_.enterShared();
    if (historyList_) historyList_->addLine(row, -1, true);
    if (collectionList_) {
      TZRListTrack member;
      member.trackId = id;
      collectionList_->addLineUnlessTrackIsIn(member, true);
    }
    lock_.leaveShared();
  }
}

void ZRDatabase::updateTrackMerge(const TZRDatabaseTrack* track, bool withOnlineStatus) {
  if (!track) return;
  lock_.enterExclusive();
  const auto it = tracks_.find(track->id);
  if (it == tracks_.end()) {
    lock_.leaveExclusive();
    return;
  }
  TZRDatabaseTrack& t = it->second;
  t.searchText = ZRString();
  ++changeCount_;
  noteSearchChangeLocked(t.id);
  if (track->bpm > 0) {
    t.bpm = track->bpm;
    t.tags[kTagBpm] = bpmText(track->bpm);
  }
  t.suggestedBpm = track->suggestedBpm;
  if (withOnlineStatus && track->onlineStatus != 0) t.onlineStatus = track->onlineStatus;
  if (track->durationMs > 0 && track->durationMs != t.durationMs) {
    t.durationMs = track->durationMs;
    t.tags[kTagTime] = trackTimeText(track->durationMs);
  }
  if (track->eqLow > -100) t.eqLow = track->eqLow;
  if (track->eqMid > -100) t.eqMid = track->eqMid;
  if (track->eqHigh > -100) t.eqHigh = track->eqHigh;
  if (track->pgainValid && track->pgain > -100) {
    t.pgainValid = true;
    t.pgain = track->pgain;
  }
  if (track->pitchKey >= 0 && track->pitchKey <= 24) {
    t.pitchKey = track->pitchKey;
    if (t.pitchKey >= 1) t.tags[kTagKey] = keyText(t.pitchKey);
  }
  for (int i = 0; i < TZRDatabaseTrack::kLoopCount; ++i) t.loops[i] = track->loops[i];
  for (int i = 0; i < TZRDatabaseTrack::kCueCount; ++i) t.cues[i] = track->cues[i];
  if (track->cueIn > 0) t.cueIn = track->cueIn;
  if (track->cueOut > 0) t.cueOut = track->cueOut;
  t.cueInUser = track->cueInUser;
  t.cueOutUser = track->cueOutUser;
  t.currentCue = track->currentCue < 16 ? track->currentCue : 0;
  if (!track->stripe.empty()) t.stripe = track->stripe;
  const int32_t id = t.id;
  lock_.leaveExclusive();
  noteChanged();
  ZRList::markRowsAsDirty(id);
}

void ZRDatabase::setHistoryList(ZRList* list) {
  lock_.enterExclusive();
  historyList_ = list;
  lock_.leaveExclusive();
}

void ZRDatabase::setCollectionList(ZRList* list) {
  lock_.enterExclusive();
  collectionList_ = list;
  lock_.leaveExclusive();
}

void ZRDatabase::setHighlight(int32_t id, int32_t value) {
  lock_.enterExclusive();
  const auto it = tracks_.find(id);
  const bool found = it != tracks_.end();
  if (found) it->second.highlight = value;
  lock_.leaveExclusive();
  if (!found) return;
  noteChanged();
  ZRList::markRowsAsDirty(id);
}

int32_t ZRDatabase::removeDeadFiles() {
  ZRLOG("removeDeadFiles before enterExclusive");
  lock_.enterExclusive();
  ZRLOG("removeDeadFiles after enterExclusive");
  int32_t removed = 0;
  for (auto it = tracks_.begin(); it != tracks_.end();) {
    const ZRString& path = it->second.tags[kTagFileName];
    if (!path.hasCharAtPos('$', -1) && !FileExists(path)) {
      const auto mapped = paths_.find(path);
      if (mapped != paths_.end() && mapped->second == it->first) paths_.erase(mapped);
      noteSearchChangeLocked(it->first);
      it = tracks_.erase(it);
      ++removed;
    } else {
      ++it;
    }
  }
  if (removed > 0) {
    ++changeCount_;
    noteChanged();
  }
  // Earlier paths of a removed id may still point at it.
  for (auto it = paths_.begin(); it != paths_.end();) {
    it = tracks_.count(it->second) ? std::next(it) : paths_.erase(it);
  }
  lock_.leaveExclusive();

  lock_.enterShared();
  ZRList::forEachList([this](ZRList* list) {
    if (list->database() == this) list->removeRowsOfMissingTracks();
  });
  lock_.leaveShared();
  return removed;
}

int ZRDatabase::getTrackCount() {
  lock_.enterShared();
  const int n = static_cast<int>(tracks_.size());
  lock_.leaveShared();
  return n;
}

TZRDatabaseTrack* ZRDatabase::findByPathLocked(const ZRString& path) {
  const auto byPath = paths_.find(path);
  if (byPath == paths_.end()) return nullptr;
  const auto it = tracks_.find(byPath->second);
  return it == tracks_.end() ? nullptr : &it->second;
}
