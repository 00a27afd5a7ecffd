// The search box of the browser: the simple and the advanced search over the
// library and the singer search over the history list, each replacing the
// rows of the search-results list.

#include "database/zr_database_search.h"

#include <string>
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

void ZRDatabase::search(const ZRString& text, ZRList* resultList, ZRList* historyList) {
  if (!resultList) return;
  const std::lock_guard<std::mutex> oneSearch(searchLock_);
  if (searchInHistoryList(text, resultList, historyList)) return;

  const ZRFoldedNeedle needle(text);
  std::vector<TZRListTrack> rows;
  lock_.enterShared();
  for (const auto& [id, track] : tracks_) {
    if (!searchable(track)) continue;
    if (needle.foundIn(track.tags[kTagArtist]) || needle.foundIn(track.tags[kTagTitle])) {
      rows.push_back(resultRow(id));
    }
  }
  lock_.leaveShared();
  resultList->setContentFrom(std::move(rows));
}

void ZRDatabase::buildMissingSearchTexts() {
  lock_.enterExclusive();
  for (auto& [id, track] : tracks_) {
    if (track.searchText.empty()) track.searchText = buildSearchText(track);
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

  buildMissingSearchTexts();
  std::vector<TZRListTrack> rows;
  lock_.enterShared();
  for (const auto& [id, track] : tracks_) {
    if (!searchable(track)) continue;
    bool passes = searchWordCount_ == 0 || (searchNew_ && track.isNew);
    if (!passes) {
      // A record stored since the texts were built has none yet; it is built
      // here for this search only (the read lock does not allow storing it).
      const ZRString built = track.searchText.empty() ? buildSearchText(track) : ZRString();
      const ZRString& searchText = track.searchText.empty() ? built : track.searchText;
      passes = true;
      for (int w = 0; w < searchWordCount_ && passes; ++w) passes = searchText.contains(searchWords_[w]);
    }
    if (passes) rows.push_back(resultRow(id));
  }
  lock_.leaveShared();
  resultList->setContentFrom(std::move(rows));
}
