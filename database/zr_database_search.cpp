// The search box of the browser: the simple and the advanced search over the
// library and the singer search over the history list, each replacing the
// rows of the search-results list.

#include "database/zr_database_search.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "common/zr_utf8_cut.h"
#include "database/zr_database.h"
#include "database/zr_folded_match.h"
#include "database/zr_list.h"

namespace {

constexpr size_t kMaxSearchTextBytes = 2047;
constexpr size_t kMaxSearchWordBytes = 511;

// The text cut to at most maxBytes of UTF-8, never inside a character.
ZRString cutUtf8(const ZRString& text, size_t maxBytes) {
  std::string bytes = text.utf8();
  if (bytes.size() <= maxBytes) return text;
  bytes.resize(utf8CutLength(bytes.data(), bytes.size(), maxBytes));
  return ZRString(bytes);
}

// Tracks of the online services are left out, except those of status 2 and
// the karaoke catalogue's.
bool searchable(const TZRDatabaseTrack& track) {
  return track.onlineStatus == 0 || track.onlineStatus == 2 ||
         track.tags[kTagFileName].contains(ZRString("lirra://"));
}

ZRString buildSearchText(const TZRDatabaseTrack& t) {
  const ZRString space(" ");
  ZRString text = space + t.tags[kTagArtist] + space + t.tags[kTagTitle] + space + t.tags[kTagAlbum] + space +
                  t.tags[kTagComment] + space + t.tags[kTagGenre] + ZRString(" b") + t.tags[kTagBpm] +
                  ZRString(" k") + t.tags[kTagKey] + ZRString(" y") + t.tags[kTagYear];
  text.makeLowercase();
  return text;
}

TZRListTrack resultRow(int32_t trackId) {
  TZRListTrack row;
  row.trackId = trackId;
  return row;
}

bool startsWithLowercase(const ZRString& text, const char* prefix) {
  ZRString head = text.left(ZRString(prefix).len());
  head.makeLowercase();
  return head == ZRString(prefix);
}

}  // namespace

bool searchInHistoryList(const ZRString& text, ZRList* resultList, ZRList* historyList) {
  if (!historyList) return false;
  int prefix = 0;
  if (startsWithLowercase(text, "singer:")) {
    prefix = 7;
  } else if (startsWithLowercase(text, "s:")) {
    prefix = 2;
  } else {
    return false;
  }
  ZRString name = text.substr(prefix, -1);
  name.trim(true);
  name.makeLowercase();

  std::vector<TZRListTrack> rows;
  historyList->startEnumeration(false);
  TZRListTrack row;
  while (historyList->getNextEnumerationElement(&row)) {
    if (row.singerName.containsNoCase(name)) rows.push_back(row);
  }
  historyList->stopEnumeration();
  if (resultList) resultList->setContentFrom(std::move(rows));
  return true;
}

void ZRDatabase::noteSearchChangeLocked(int32_t id) {
  if (searchRebuildAll_) return;
  if (searchChangedIds_.size() >= kMaxSearchChangedIds) {
    noteSearchChangeOfAllLocked();
    return;
  }
  searchChangedIds_.push_back(id);
}

void ZRDatabase::noteSearchChangeOfAllLocked() {
  searchRebuildAll_ = true;
  searchChangedIds_.clear();
}

void ZRDatabase::foldIntoSlot(const TZRDatabaseTrack& track, int32_t id, std::u32string& text,
                              SimpleSearchSlot* slot) {
  slot->id = id;
  slot->artist = static_cast<uint32_t>(text.size());
  appendFolded(track.tags[kTagArtist], text);
  slot->title = static_cast<uint32_t>(text.size());
  appendFolded(track.tags[kTagTitle], text);
  slot->end = static_cast<uint32_t>(text.size());
}

void ZRDatabase::rebuildSimpleSearchIndexLocked() {
  SimpleSearchIndex& index = simpleIndex_;
  std::vector<std::pair<int32_t, const TZRDatabaseTrack*>> records;
  records.reserve(tracks_.size());
  for (const auto& [id, track] : tracks_) {
    if (searchable(track)) records.emplace_back(id, &track);
  }
  std::sort(records.begin(), records.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  index.slots.resize(records.size());
  index.text.clear();
  index.waste = 0;
  for (size_t i = 0; i < records.size(); ++i) {
    foldIntoSlot(*records[i].second, records[i].first, index.text, &index.slots[i]);
  }
  // Room for the changes to come, so that refolding one record seldom moves
  // the whole buffer.
  index.text.reserve(index.text.size() + index.text.size() / 8);
}

void ZRDatabase::refreshSimpleSearchSlotLocked(int32_t id) {
  SimpleSearchIndex& index = simpleIndex_;
  const auto slot = std::lower_bound(index.slots.begin(), index.slots.end(), id,
                                     [](const SimpleSearchSlot& s, int32_t wanted) { return s.id < wanted; });
  const bool indexed = slot != index.slots.end() && slot->id == id;
  if (indexed) index.waste += slot->end - slot->artist;
  const auto it = tracks_.find(id);
  if (it == tracks_.end() || !searchable(it->second)) {
    if (indexed) index.slots.erase(slot);
    return;
  }
  SimpleSearchSlot folded;
  foldIntoSlot(it->second, id, index.text, &folded);
  if (indexed) {
    *slot = folded;
  } else {
    index.slots.insert(slot, folded);
  }
}

void ZRDatabase::refreshSimpleSearchIndexLocked() {
  SimpleSearchIndex& index = simpleIndex_;
  if (!searchRebuildAll_) {
    // A record changed twice is folded once.
    std::sort(searchChangedIds_.begin(), searchChangedIds_.end());
    searchChangedIds_.erase(std::unique(searchChangedIds_.begin(), searchChangedIds_.end()),
                            searchChangedIds_.end());
    for (const int32_t id : searchChangedIds_) refreshSimpleSearchSlotLocked(id);
  }
  if (searchRebuildAll_ || index.waste > index.text.size() / 2) rebuildSimpleSearchIndexLocked();
  searchRebuildAll_ = false;
  searchChangedIds_.clear();
}

void ZRDatabase::search(const ZRString& text, ZRList* resultList, ZRList* historyList) {
  if (!resultList) return;
  const std::lock_guard<std::mutex> oneSearch(searchLock_);
  if (searchInHistoryList(text, resultList, historyList)) return;

  lock_.enterShared();
  refreshSimpleSearchIndexLocked();
  lock_.leaveShared();

  // The index belongs to the searches (one at a time): it is read without
  // the library's lock, as it stood when brought up to date.
  const ZRFoldedNeedle needle(text);
  const SimpleSearchIndex& index = simpleIndex_;
  const std::u32string_view all(index.text);
  std::vector<TZRListTrack> rows;
  for (const SimpleSearchSlot& slot : index.slots) {
    if (needle.foundIn(all.substr(slot.artist, slot.title - slot.artist)) ||
        needle.foundIn(all.substr(slot.title, slot.end - slot.title))) {
      rows.push_back(resultRow(slot.id));
    }
  }
  resultList->setContentFrom(std::move(rows));
}

void ZRDatabase::storeSearchTexts(std::vector<std::pair<int32_t, ZRString>>& built, uint64_t builtAtChange) {
  lock_.enterExclusive();
  const bool unchanged = changeCount_ == builtAtChange;
  for (auto& [id, text] : built) {
    const auto it = tracks_.find(id);
    if (it == tracks_.end() || !it->second.searchText.empty()) continue;
    it->second.searchText = unchanged ? std::move(text) : buildSearchText(it->second);
  }
  lock_.leaveExclusive();
}

void ZRDatabase::searchAdvanced(const ZRString& text, ZRList* resultList, ZRList* historyList) {
  if (!resultList) return;
  const std::lock_guard<std::mutex> oneSearch(searchLock_);
  if (searchInHistoryList(text, resultList, historyList)) return;

  ZRString wanted = cutUtf8(text, kMaxSearchTextBytes);
  wanted.trim(true);
  wanted.makeLowercase();

  // Words at single spaces; with the middle-of-words setting off a word
  // starts with the space that precedes every word of the search text, so
  // it matches only at the start of one.
  const bool inMiddle = searchInMiddleOfWords_.load();
  const std::u16string& units = wanted.utf16();
  searchWordCount_ = 0;
  for (size_t start = 0; start <= units.size() && searchWordCount_ < kMaxSearchWords;) {
    size_t end = units.find(u' ', start);
    if (end == std::u16string::npos) end = units.size();
    if (end > start) {
      const ZRString word = cutUtf8(ZRString(units.substr(start, end - start)), kMaxSearchWordBytes);
      searchWords_[searchWordCount_++] = inMiddle ? word : ZRString(" ") + word;
    }
    start = end + 1;
  }
  searchNew_ = wanted == ZRString("new");

  // Search texts missing from records are built here under the read lock and
  // stored afterwards under the write lock, so readers of the library are
  // held up only for storing them.
  std::vector<TZRListTrack> rows;
  std::vector<std::pair<int32_t, ZRString>> built;
  lock_.enterShared();
  const uint64_t builtAtChange = changeCount_;
  for (const auto& [id, track] : tracks_) {
    if (!searchable(track)) continue;
    const ZRString* searchText = &track.searchText;
    if (searchText->empty()) {
      built.emplace_back(id, buildSearchText(track));
      searchText = &built.back().second;
    }
    bool passes = searchWordCount_ == 0 || (searchNew_ && track.isNew);
    if (!passes) {
      passes = true;
      for (int w = 0; w < searchWordCount_ && passes; ++w) passes = searchText->contains(searchWords_[w]);
    }
    if (passes) rows.push_back(resultRow(id));
  }
  lock_.leaveShared();
  if (!built.empty()) storeSearchTexts(built, builtAtChange);
  resultList->setContentFrom(std::move(rows));
}
