// Reading database.xml. The whole file is read into memory first; only a
// file read to its end without an error reaches the library and the lists,
// so a truncated or damaged file changes nothing. Such a file is moved aside
// (never written over) and the backup is read in its place.

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/zr_c_numbers.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_utf8_cut.h"
#include "common/zr_value_codecs.h"
#include "common/zr_xml_utils.h"
#include "database/zr_database.h"
#include "database/zr_database_file_format.h"
#include "database/zr_list.h"

namespace {

using namespace database_file;

struct LoadedLibrary {
  // A deque: the records are large and their number is known only at the end, so a growing vector would
  // move them all again and again.
  std::deque<TZRDatabaseTrack> tracks;
  std::vector<ListInFile> lists;
};

enum class ReadResult { kOk, kCannotOpen, kParseError, kNotALibrary };

// The attributes of one element, looked up by the position of their name in
// a fixed table: an element's attributes are walked once, whatever their
// order or number.
class Attributes {
 public:
  explicit Attributes(std::vector<std::string> names) : names_(std::move(names)) {
    for (size_t i = 0; i < names_.size(); ++i) index_.emplace(names_[i], static_cast<int>(i));
    values_.resize(names_.size());
    present_.resize(names_.size());
  }
  int indexOf(const std::string& name) const {
    const auto it = index_.find(name);
    return it == index_.end() ? -1 : it->second;
  }

  // Takes the attributes of an element as the parser hands them over (five
  // pointers each: name, prefix, namespace, value, end of value); unknown
  // names are ignored.
  void read(int count, const xmlChar** attributes) {
    std::fill(present_.begin(), present_.end(), false);
    for (int i = 0; i < count; ++i) {
      const xmlChar** a = attributes + 5 * i;
      const auto it = index_.find(std::string_view(reinterpret_cast<const char*>(a[0])));
      if (it == index_.end()) continue;
      values_[static_cast<size_t>(it->second)].assign(reinterpret_cast<const char*>(a[3]),
                                                      static_cast<size_t>(a[4] - a[3]));
      present_[static_cast<size_t>(it->second)] = true;
    }
  }

  bool has(int key) const { return present_[static_cast<size_t>(key)]; }
  // Missing: -1.
  int32_t integer(int key) const { return has(key) ? atoiC(value(key)) : -1; }
  int64_t integer64(int key) const {
    if (!has(key)) return -1;
    // strtoll reads integers the same in every locale and stops at the
    // range's ends instead of overflowing.
    return static_cast<int64_t>(strtoll(value(key), nullptr, 10));
  }
  // Missing or not a finite number: 0.
  float decimal(int key) const {
    if (!has(key)) return 0.0f;
    const float v = static_cast<float>(atofC(value(key)));
    return std::isfinite(v) ? v : 0.0f;
  }
  // "OK", "YES", "Y", "TRUE" or "1" in any case; missing: false.
  bool boolean(int key) const {
    if (!has(key)) return false;
    std::string upper = values_[static_cast<size_t>(key)];
    if (upper.size() > 4) return false;
    for (char& c : upper) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper == "OK" || upper == "YES" || upper == "Y" || upper == "TRUE" || upper == "1";
  }
  // Cut at 8191 bytes; missing: empty.
  ZRString text(int key) const {
    if (!has(key)) return ZRString();
    const std::string& v = values_[static_cast<size_t>(key)];
    return ZRString(std::string_view(v.data(), utf8CutLength(v.data(), v.size(), kXmlMaxStringBytes)));
  }
  const char* value(int key) const { return values_[static_cast<size_t>(key)].c_str(); }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  std::vector<std::string> names_;
  std::unordered_map<std::string, int, Hash, std::equal_to<>> index_;
  std::vector<std::string> values_;
  std::vector<bool> present_;
};

// Track attribute keys: the fixed names first, then the numbered ones.
enum TrackKey : int {
  kId = 0,
  kFirstText = 1,  // the 12 tag fields
  kBpm = kFirstText + kTagFieldCount,
  kSuggestedBpm,
  kDurationMs,
  kDuration,
  kPgain,
  kPitchKey,
  kEqLow,
  kEqMid,
  kEqHigh,
  kCurrentCue,
  kCueIn,
  kCueOut,
  kCueInUser,
  kCueOutUser,
  kSize,
  kGenre1,
  kGenre2,
  kGenre3,
  kHighlight,
  kHighlightColor,
  kMediaType,
  kOnlineStatus,
  kImgUrl,
  kLinkedFile,
  kIsNew,
  kExplicit,
  kStripe,
  kRating,
  kPlayCount,
  kBitRate,
  kBitDepth,
  kSampleRate,
  kChannels,
  kDtAdded,
  kDtPlayed,
  kFirstCue,  // cue1 .. cue16, then loop1_in, loop1_out .. loop8_out
  kFirstLoop = kFirstCue + TZRDatabaseTrack::kCueCount,
  kTrackKeyCount = kFirstLoop + 2 * TZRDatabaseTrack::kLoopCount,
};

Attributes makeTrackAttributes() {
  std::vector<std::string> names = {"id"};
  for (int i = 0; i < kTagFieldCount; ++i) names.emplace_back(kTagFieldIds[i]);
  for (const char* name :
       {"bpm",       "suggested_bpm", "duration_ms", "duration", "pgain",    "pitch_key",      "eql",
        "eqm",       "eqh",           "currentcue",  "cue_in",   "cue_out",  "cue_in_user",    "cue_out_user",
        "size",      "gnr1",          "gnr2",        "gnr3",     "hid",      "highlightColor", "mediatype",
        "ostatus",   "imgurl",        "linkedfile",  "isnew",    "explicit", "stripe",         "rating",
        "playCount", "bitRate",       "bitDepth",    "sr",       "ch",       "dtAdded",        "dtPlayed"}) {
    names.emplace_back(name);
  }
  for (int i = 1; i <= TZRDatabaseTrack::kCueCount; ++i) names.push_back(cueName(i));
  for (int i = 1; i <= TZRDatabaseTrack::kLoopCount; ++i) {
    names.push_back(loopName(i, false));
    names.push_back(loopName(i, true));
  }
  return Attributes(std::move(names));
}

// Row attribute keys: id2/kadj2 .. id10/kadj10 follow the fixed ones.
enum RowKey : int { kRowId = 0, kMarked, kAdded, kSinger, kKeyAdjust, kCollapsed, kFirstExtra };

enum ListKey : int { kListName = 0, kListType, kListSubtype, kListCursor };

Attributes makeListAttributes() {
  return Attributes({"name", "type", "subtype", "cursor"});
}

Attributes makeRowAttributes() {
  std::vector<std::string> names = {"id", "ins", "added", "singerName", "kadj", "coll"};
  for (int k = 2; k < 2 + kMaxAdditionalTracks; ++k) {
    names.push_back(additionalIdName(k));
    names.push_back(additionalKeyName(k));
  }
  return Attributes(std::move(names));
}

void readTrack(const Attributes& a, TZRDatabaseTrack* t, int64_t now) {
  t->id = a.integer(kId);
  for (int i = 0; i < kTagFieldCount; ++i) t->tags[i] = a.text(kFirstText + i);
  t->bpm = a.decimal(kBpm);
  t->suggestedBpm = a.has(kSuggestedBpm) ? a.decimal(kSuggestedBpm) : -1.0f;
  t->durationMs = a.integer(kDurationMs);
  if (t->durationMs < 1) {
    const int32_t seconds = a.integer(kDuration);
    t->durationMs = seconds > 0 ? (seconds > INT32_MAX / 1000 ? INT32_MAX : seconds * 1000) : seconds;
  }
  if (a.has(kPgain)) {
    t->pgain = a.decimal(kPgain);
    t->pgainValid = true;
  }
  t->pitchKey = a.integer(kPitchKey);
  t->eqLow = a.decimal(kEqLow);
  t->eqMid = a.decimal(kEqMid);
  t->eqHigh = a.decimal(kEqHigh);
  const int32_t currentCue = a.integer(kCurrentCue);
  t->currentCue = currentCue >= 1 && currentCue <= 20 ? currentCue - 1 : 0;
  for (int i = 0; i < TZRDatabaseTrack::kCueCount; ++i) t->cues[i] = std::max(a.integer(kFirstCue + i), 0);
  t->cueIn = std::max(a.integer(kCueIn), 0);
  t->cueOut = a.integer(kCueOut);
  t->cueInUser = a.boolean(kCueInUser);
  t->cueOutUser = a.boolean(kCueOutUser);
  for (int i = 0; i < TZRDatabaseTrack::kLoopCount; ++i) {
    t->loops[i].in = a.integer(kFirstLoop + 2 * i);
    t->loops[i].out = a.integer(kFirstLoop + 2 * i + 1);
  }
  t->size = a.integer64(kSize);
  t->genres[0] = a.integer(kGenre1);
  t->genres[1] = a.integer(kGenre2);
  t->genres[2] = a.integer(kGenre3);
  t->highlight = a.integer(kHighlight);
  if (a.has(kHighlightColor)) {
    const ZRColorFloat c = decodeColorStr2(a.value(kHighlightColor));
    t->highlightColor[0] = c.r;
    t->highlightColor[1] = c.g;
    t->highlightColor[2] = c.b;
    t->highlightColor[3] = c.a;
    t->hasHighlightColor = true;
  }
  const int32_t mediaType = a.integer(kMediaType);
  t->mediaType = mediaType >= 0 && mediaType <= 2 ? mediaType : -1;
  const int32_t onlineStatus = a.integer(kOnlineStatus);
  t->onlineStatus = onlineStatus == 2 || onlineStatus == 4 ? onlineStatus : 0;
  // The artwork cache fetches this address: nothing but the web.
  t->imgUrl = a.text(kImgUrl);
  if (!t->imgUrl.empty() && !isWebAddress(t->imgUrl)) t->imgUrl = ZRString();
  t->linkedFile = a.text(kLinkedFile);
  t->isNew = a.boolean(kIsNew);
  t->isExplicit = a.boolean(kExplicit);
  // The stripe name becomes a path: only the form the library makes.
  t->stripe = a.text(kStripe);
  if (!t->stripe.empty() && !isStripeName(t->stripe)) t->stripe = ZRString();
  t->rating = a.decimal(kRating);
  t->playCount = std::max(a.integer(kPlayCount), 0);
  t->bitRate = a.integer(kBitRate);
  t->bitDepth = a.integer(kBitDepth);
  t->sampleRate = a.integer(kSampleRate);
  t->channels = a.integer(kChannels);
  t->dtAdded = a.has(kDtAdded) ? a.integer64(kDtAdded) : now;
  t->dtPlayed = a.has(kDtPlayed) ? a.integer64(kDtPlayed) : 0;
}

void readRow(const Attributes& a, TZRListTrack* row) {
  row->trackId = a.integer(kRowId);
  row->marked = a.boolean(kMarked);
  row->added = a.integer64(kAdded);
  // Further tracks up to the first missing or negative one.
  for (int k = 0; k < kMaxAdditionalTracks; ++k) {
    const int id = a.integer(kFirstExtra + 2 * k);
    if (id < 0) break;
    row->additionalTracks.push_back(TZRAdditionalTrack{id, a.decimal(kFirstExtra + 2 * k + 1)});
  }
  row->singerName = a.text(kSinger);
  row->keyAdjust = a.decimal(kKeyAdjust);
  row->collapsed = a.boolean(kCollapsed);
  row->sortTag = 0;
}

// The reading of one file, element by element as the parser meets them.
struct FileReading {
  LoadedLibrary* out = nullptr;
  Attributes track = makeTrackAttributes();
  Attributes list = makeListAttributes();
  Attributes row = makeRowAttributes();
  int64_t now = 0;
  int depth = 0;
  bool rootSeen = false;
  bool isLibrary = false;
  bool inDatabase = false;
  bool tracksSeen = false, inTracks = false;
  bool listsSeen = false, inLists = false;
  ListInFile* rows = nullptr;  // the list whose rows are being read
  std::string firstError;
};

bool is(const xmlChar* name, const char* expected) {
  return strcmp(reinterpret_cast<const char*>(name), expected) == 0;
}

void startElement(void* context, const xmlChar* name, const xmlChar*, const xmlChar*, int, const xmlChar**,
                  int attributeCount, int, const xmlChar** attributes) {
  FileReading& r = *static_cast<FileReading*>(context);
  const int depth = r.depth++;
  if (depth == 0) {
    r.isLibrary = !r.rootSeen && is(name, "database");
    r.rootSeen = true;
    r.inDatabase = r.isLibrary;
  } else if (!r.inDatabase) {
    return;
  } else if (depth == 1) {
    if (!r.tracksSeen && is(name, "tracks")) {
      r.tracksSeen = r.inTracks = true;
    } else if (!r.listsSeen && is(name, "lists")) {
      r.listsSeen = r.inLists = true;
    }
  } else if (depth == 2 && r.inTracks && is(name, "track")) {
    r.track.read(attributeCount, attributes);
    r.out->tracks.emplace_back();
    readTrack(r.track, &r.out->tracks.back(), r.now);
  } else if (depth == 2 && r.inLists && is(name, "list")) {
    r.list.read(attributeCount, attributes);
    ListInFile loaded;
    loaded.name = r.list.text(kListName);
    loaded.type = r.list.integer(kListType);
    loaded.subtype = r.list.integer(kListSubtype);
    loaded.cursor = r.list.integer(kListCursor);
    r.out->lists.push_back(std::move(loaded));
    r.rows = &r.out->lists.back();
  } else if (depth == 3 && r.rows != nullptr && is(name, "item")) {
    r.row.read(attributeCount, attributes);
    r.rows->rows.emplace_back();
    readRow(r.row, &r.rows->rows.back());
  }
}

void endElement(void* context, const xmlChar* name, const xmlChar*, const xmlChar*) {
  FileReading& r = *static_cast<FileReading*>(context);
  const int depth = --r.depth;
  if (depth == 0) {
    r.inDatabase = false;
  } else if (depth == 1 && is(name, "tracks")) {
    r.inTracks = false;
  } else if (depth == 1 && is(name, "lists")) {
    r.inLists = false;
  } else if (depth == 2 && is(name, "list")) {
    r.rows = nullptr;
  }
}

// libxml2's message for the first error, for the log.
void noteError(void* context, xmlErrorPtr error) {
  FileReading& r = *static_cast<FileReading*>(context);
  if (error == nullptr || !r.firstError.empty()) return;
  r.firstError = "line " + std::to_string(error->line) + ": " + (error->message ? error->message : "");
  while (!r.firstError.empty() && (r.firstError.back() == '\n' || r.firstError.back() == ' ')) {
    r.firstError.pop_back();
  }
}

// Runs the parser over one document (and frees it); without a path for the
// log, the caller tells what went wrong.
ReadResult readLibraryDocument(xmlParserCtxtPtr parser, LoadedLibrary* out, const std::string* path) {
  // Nothing from the network. The parser only reports elements: no tree is
  // built and no entity declaration is taken, so a document that uses
  // entities of its own is not well-formed and nothing is ever expanded.
  // Substitution on: attribute values come with "&amp;" as "&" (else the
  // parser keeps it as "&#38;" for a tree builder).
  xmlCtxtUseOptions(parser, XML_PARSE_NONET | XML_PARSE_NOENT);
  xmlSAXHandler handler;
  memset(&handler, 0, sizeof(handler));
  handler.initialized = XML_SAX2_MAGIC;
  handler.startElementNs = startElement;
  handler.endElementNs = endElement;
  handler.serror = noteError;
  *parser->sax = handler;
  FileReading reading;
  reading.out = out;
  reading.now = static_cast<int64_t>(time(nullptr));
  parser->userData = &reading;
  xmlParseDocument(parser);
  const bool wellFormed = parser->wellFormed != 0 && parser->errNo == XML_ERR_OK;
  // A document type makes the parser keep a document of its own.
  if (parser->myDoc != nullptr) xmlFreeDoc(parser->myDoc);
  xmlFreeParserCtxt(parser);
  if (!wellFormed) {
    if (path != nullptr) {
      ZRLOG("error: failed to parse XML");
      if (!reading.firstError.empty()) ZRLOG("error: database.xml %s", reading.firstError);
    }
    return ReadResult::kParseError;
  }
  if (!reading.isLibrary) {
    if (path != nullptr) ZRLOG("error: '%s' is not a library file (its root element is not database)", *path);
    return ReadResult::kNotALibrary;
  }
  return ReadResult::kOk;
}

ReadResult readLibraryFile(const std::string& path, LoadedLibrary* out) {
  xmlParserCtxtPtr parser = xmlCreateFileParserCtxt(path.c_str());
  if (parser == nullptr) {
    ZRLOG("error: cannot open xml reader");
    return ReadResult::kCannotOpen;
  }
  return readLibraryDocument(parser, out, &path);
}

// Reads one record of a damaged file on its own, inside the elements that
// hold it in a whole file; false when the record itself is damaged.
bool readRecord(const std::string& opening, std::string_view record, const std::string& closing,
                LoadedLibrary* out) {
  const std::string document = opening + std::string(record) + closing;
  if (document.size() > static_cast<size_t>(INT32_MAX)) return false;
  xmlParserCtxtPtr parser = xmlCreateMemoryParserCtxt(document.data(), static_cast<int>(document.size()));
  if (parser == nullptr) return false;
  return readLibraryDocument(parser, out, nullptr) == ReadResult::kOk;
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// What could be read of a file the parser refused: each track and each row
// is one element of its own, so a damaged record (bytes that are not UTF-8,
// a broken attribute, the cut of a truncated file) costs that record only.
// Elements are taken from one '<' to the next (attribute values never hold
// one), in the places a whole file has them; a file whose first element is
// not the library's gives nothing.
struct Recovered {
  LoadedLibrary library;
  int lostTracks = 0;
  int lostRows = 0;
  int lostLists = 0;
};

Recovered recoverRecords(const std::string& content) {
  constexpr int kLoggedRecords = 20;
  Recovered r;
  enum class Where { kBeforeRoot, kInRoot, kInTracks, kInLists, kInList, kInListSkipped, kDone };
  Where where = Where::kBeforeRoot;
  int logged = 0;
  auto lose = [&](int* counter, const char* what, size_t at) {
    ++*counter;
    if (logged++ < kLoggedRecords)
      ZRLOG("error: a damaged %s record of the library file (at byte %d) is skipped", what,
            static_cast<int64_t>(at));
  };
  size_t at = content.find('<');
  while (at != std::string::npos && where != Where::kDone) {
    const size_t next = content.find('<', at + 1);
    const std::string_view element(content.data() + at,
                                   (next == std::string::npos ? content.size() : next) - at);
    switch (where) {
      case Where::kBeforeRoot:
        if (startsWith(element, "<?") || startsWith(element, "<!--")) break;
        where = startsWith(element, "<database") ? Where::kInRoot : Where::kDone;
        break;
      case Where::kInRoot:
        if (startsWith(element, "<tracks>"))
          where = Where::kInTracks;
        else if (startsWith(element, "<lists>"))
          where = Where::kInLists;
        else if (startsWith(element, "</database"))
          where = Where::kDone;
        break;
      case Where::kInTracks:
        if (startsWith(element, "</tracks")) {
          where = Where::kInRoot;
        } else if (startsWith(element, "<track")) {
          LoadedLibrary one;
          if (readRecord("<database><tracks>", element, "</tracks></database>", &one) &&
              one.tracks.size() == 1) {
            r.library.tracks.push_back(std::move(one.tracks.front()));
          } else {
            lose(&r.lostTracks, "track", at);
          }
        }
        break;
      case Where::kInLists:
        if (startsWith(element, "</lists")) {
          where = Where::kInRoot;
        } else if (startsWith(element, "<list")) {
          LoadedLibrary one;
          if (readRecord("<database><lists>", element, "</list></lists></database>", &one) &&
              one.lists.size() == 1) {
            r.library.lists.push_back(std::move(one.lists.front()));
            where = Where::kInList;
          } else {
            lose(&r.lostLists, "list", at);
            where = Where::kInListSkipped;
          }
        }
        break;
      case Where::kInList:
      case Where::kInListSkipped:
        if (startsWith(element, "</list")) {
          where = Where::kInLists;
        } else if (startsWith(element, "<item")) {
          LoadedLibrary one;
          if (where == Where::kInListSkipped) {
            ++r.lostRows;
          } else if (readRecord("<database><lists><list>", element, "</list></lists></database>", &one) &&
                     one.lists.size() == 1 && one.lists.front().rows.size() == 1) {
            r.library.lists.back().rows.push_back(std::move(one.lists.front().rows.front()));
          } else {
            lose(&r.lostRows, "list row", at);
          }
        }
        break;
      case Where::kDone:
        break;
    }
    at = next;
  }
  if (logged > kLoggedRecords)
    ZRLOG("error: %d damaged records of the library file were skipped in all", logged);
  return r;
}

// Moves a file that could not be read out of the way, so that no later save
// writes over it; false when it stays where it is.
bool keepAside(const std::string& path, std::string* keptAs) {
  const std::string base = path + ".unreadable-" + timeStamp();
  for (int n = 0; n < 100; ++n) {
    const std::string candidate = n == 0 ? base : base + "-" + std::to_string(n);
    if (FileExists(ZRString(candidate))) continue;
    if (rename(path.c_str(), candidate.c_str()) != 0) return false;
    *keptAs = candidate;
    return true;
  }
  return false;
}

}  // namespace

bool ZRDatabase::load(const ZRString& path, ListFactory listFactory, void* user) {
  char shown[4096];
  path.toUTF8(shown, sizeof(shown));
  ZRLOG("start reading db (db is at '%s')", shown);
  const std::string file = path.utf8();
  if (file.empty() || !FileExists(path)) return false;

  LoadedLibrary loaded;
  LoadReport report;
  report.file = file;
  struct stat st;
  const bool isFile = stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  if (!isFile) ZRLOG("error: the library file '%s' is not a file", file);
  report.notAFile = !isFile;
  if (!isFile || readLibraryFile(file, &loaded) != ReadResult::kOk) {
    std::string stillAt = file;
    const std::string backup = file + ".bak";
    if (isFile && keepAside(file, &report.keptAs)) {
      ZRLOG("error: the library file '%s' could not be read; it is kept as '%s'", file, report.keptAs);
      stillAt = report.keptAs;
    } else {
      ZRLOG("error: the library file '%s' could not be read; it stays as it is and is not saved over", file);
      std::lock_guard<std::mutex> g(saveLock_);
      unreadableFiles_.push_back(file);
      report.savedTo = backup;
    }
    loaded = LoadedLibrary();
    bool read = false;
    if (FileExists(ZRString(backup))) {
      ZRLOG("reading the backup '%s' instead", backup);
      if (readLibraryFile(backup, &loaded) == ReadResult::kOk) {
        ZRLOG("the library was restored from the backup '%s'", backup);
        report.fromBackup = read = true;
      } else {
        ZRLOG("error: the backup '%s' could not be read either", backup);
        loaded = LoadedLibrary();
        std::string backupKeptAs;
        if (keepAside(backup, &backupKeptAs)) {
          ZRLOG("the backup is kept as '%s'", backupKeptAs);
        } else {
          std::lock_guard<std::mutex> g(saveLock_);
          unreadableFiles_.push_back(backup);
          report.savedTo.clear();
        }
      }
    }
    // Without a usable backup, every record of the damaged file that can
    // be read is kept: one bad byte must not cost the whole library.
    char* content = nullptr;
    if (!read && isFile && FileGetContent(stillAt.c_str(), &content)) {
      Recovered recovered = recoverRecords(content);
      free(content);
      if (!recovered.library.tracks.empty() || !recovered.library.lists.empty()) {
        loaded = std::move(recovered.library);
        report.recovered = read = true;
        report.unreadableTracks = recovered.lostTracks;
        report.unreadableRows = recovered.lostRows + recovered.lostLists;
        ZRLOG("read %d tracks of the damaged library file; %d tracks and %d list entries could not be read",
              static_cast<int>(loaded.tracks.size()), recovered.lostTracks, report.unreadableRows);
      }
    }
    {
      std::lock_guard<std::mutex> g(saveLock_);
      loadReport_ = report;
    }
    if (!read) return false;
  }

  // Ids: kept as read, so that the rows keep naming their tracks. A track
  // without a usable id, or with one an earlier track of the file took, gets
  // a new id above every id of the file and of the library.
  lock_.enterExclusive();
  int32_t largest = lastId_;
  for (const TZRDatabaseTrack& t : loaded.tracks) {
    if (t.id >= 0 && t.id <= kMaxTrackId) largest = std::max(largest, t.id);
  }
  int32_t next = largest + 1;
  int renumbered = 0;
  std::unordered_set<int32_t> taken;
  taken.reserve(loaded.tracks.size());
  tracks_.reserve(tracks_.size() + loaded.tracks.size());
  paths_.reserve(paths_.size() + loaded.tracks.size());
  for (TZRDatabaseTrack& t : loaded.tracks) {
    if (t.id < 0 || t.id > kMaxTrackId || !taken.insert(t.id).second) {
      t.id = next++;
      ++renumbered;
    }
    paths_[t.tags[kTagFileName]] = t.id;
    const int32_t id = t.id;
    if (auto [at, added] = tracks_.try_emplace(id, std::move(t)); !added) at->second = std::move(t);
  }
  lastId_ = std::max(largest, next - 1);
  ++changeCount_;
  noteSearchChangeOfAllLocked();
  lock_.leaveExclusive();
  noteChanged();
  if (renumbered > 0) ZRLOG("warning: %d tracks of the library file got new ids", renumbered);

  // Rows naming no stored track would show nothing and could never be
  // played; empty rotation slots (-1) keep their place.
  int droppedRows = 0;
  int listCount = 0;
  for (ListInFile& l : loaded.lists) {
    ZRList* target = listFactory ? listFactory(l.name, l.type, l.subtype, user) : nullptr;
    if (!target) continue;
    ++listCount;
    lock_.enterShared();
    std::vector<TZRListTrack> rows;
    rows.reserve(l.rows.size());
    for (TZRListTrack& r : l.rows) {
      if (r.trackId != -1 && !tracks_.count(r.trackId)) {
        ++droppedRows;
        continue;
      }
      r.additionalTracks.erase(
          std::remove_if(r.additionalTracks.begin(), r.additionalTracks.end(),
                         [this](const TZRAdditionalTrack& a) { return !tracks_.count(a.trackId); }),
          r.additionalTracks.end());
      rows.push_back(std::move(r));
    }
    lock_.leaveShared();
    target->addLines(std::move(rows), false);
    target->setMainCursor(l.cursor, true);
    target->callListChangedCallback();
  }
  if (droppedRows > 0)
    ZRLOG("warning: %d list rows of the library file named no track and were dropped", droppedRows);
  ZRLOG("finish reading db (%d tracks, %d lists)[2]", static_cast<int>(loaded.tracks.size()), listCount);
  return true;
}

ZRDatabase::LoadReport ZRDatabase::loadReport() const {
  std::lock_guard<std::mutex> g(saveLock_);
  return loadReport_;
}

std::string ZRDatabase::LoadReport::messageForUser() const {
  std::string message;
  if (notAFile) {
    message = "The library file \"" + file + "\" is not a file (a folder stands in its place).";
  } else if (recovered) {
    message = "The library file \"" + file + "\" was damaged. ";
    message += unreadableTracks == 1 ? "1 track" : std::to_string(unreadableTracks) + " tracks";
    message += " could not be read";
    if (unreadableRows > 0) message += " (and " + std::to_string(unreadableRows) + " list entries)";
    message += "; everything else was read.";
  } else if (fromBackup) {
    message = "The library file \"" + file + "\" could not be read; the library was read from its backup.";
  } else {
    return std::string();
  }
  if (!keptAs.empty()) message += "\nThe original file is kept as \"" + keptAs + "\".";
  if (!savedTo.empty()) {
    message += "\nThe library is saved to \"" + savedTo + "\" until \"" + file + "\" is removed.";
  } else if (keptAs.empty()) {
    message += "\nChanges to the library cannot be saved until \"" + file + "\" is removed.";
  }
  return message;
}
