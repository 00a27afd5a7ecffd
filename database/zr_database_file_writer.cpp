// Writing database.xml. The new file goes to a temporary file beside the old
// one and replaces it only once it was written and flushed whole; just before
// that, the old file becomes database.xml.bak (a second name for the same
// data, so there is no moment without a complete database.xml). The lists
// are copied first, then the tracks are written under the library's read
// lock, so every row of the file names a track the file holds (tracks only
// leave the library together with their rows).

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "common/zr_atomic_file_writer.h"
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

// Collects the file's text and hands it to the stream in large pieces.
class XmlText {
 public:
  explicit XmlText(std::ofstream& out) : out_(out) { text_.reserve(kFlushBytes + 64 * 1024); }
  ~XmlText() { flush(); }
  XmlText(const XmlText&) = delete;
  XmlText& operator=(const XmlText&) = delete;

  void raw(std::string_view text) {
    text_.append(text);
    if (text_.size() >= kFlushBytes) flush();
  }
  // name="value" and one space.
  void integer(const char* name, long long value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
    open(name);
    text_.append(digits, end);
    close();
  }
  void decimal(const char* name, float value) {
    open(name);
    text_.append(formatFixedC(static_cast<double>(value), 4));
    close();
  }
  void boolean(const char* name, bool value) {
    open(name);
    text_.append(value ? "true" : "false");
    close();
  }
  // A text cut to maxUnits UTF-16 units (0: no limit) and maxBytes UTF-8
  // bytes (0: no limit), escaped.
  void text(const char* name, const ZRString& value, int maxUnits, size_t maxBytes) {
    open(name);
    escaped(value, maxUnits, maxBytes);
    close();
  }
  void escaped(const ZRString& value, int maxUnits, size_t maxBytes) {
    std::string utf8;
    if (maxUnits > 0 && value.len() > maxUnits) {
      // Never half a surrogate pair.
      const char16_t last = value.utf16()[static_cast<size_t>(maxUnits) - 1];
      utf8 = value.left(last >= 0xD800 && last <= 0xDBFF ? maxUnits - 1 : maxUnits).utf8();
    } else {
      utf8 = value.utf8();
    }
    if (maxBytes > 0) utf8.resize(utf8CutLength(utf8.data(), utf8.size(), maxBytes));
    scratch_.resize(utf8.size() * 6 + 1);
    EscapeStrForXML(utf8.c_str(), scratch_.data());
    text_.append(scratch_.data());
  }
  // Track attributes are each followed by a space, row attributes each
  // preceded by one.
  void setSpaceBefore(bool before) { spaceBefore_ = before; }
  void flush() {
    if (text_.empty()) return;
    out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
    text_.clear();
  }

 private:
  static constexpr size_t kFlushBytes = 1 << 20;
  void open(const char* name) {
    if (spaceBefore_) text_.push_back(' ');
    text_.append(name);
    text_.append("=\"");
  }
  void close() { text_.append(spaceBefore_ ? "\"" : "\" "); }

  std::ofstream& out_;
  std::string text_;
  std::vector<char> scratch_;
  bool spaceBefore_ = false;
};

void writeTrack(XmlText& x, const TZRDatabaseTrack& t) {
  x.raw("<track ");
  x.integer("id", t.id);
  for (int i = 0; i < kTagFieldCount; ++i) {
    if (!t.tags[i].empty()) x.text(kTagFieldIds[i], t.tags[i], kMaxTextUnits, kMaxTextBytes);
  }
  x.decimal("bpm", t.bpm);
  if (t.suggestedBpm != -1) x.decimal("suggested_bpm", t.suggestedBpm);
  x.integer("duration_ms", t.durationMs);
  if (t.pgainValid) x.decimal("pgain", t.pgain);
  x.integer("pitch_key", t.pitchKey);
  x.decimal("eql", t.eqLow);
  x.decimal("eqm", t.eqMid);
  x.decimal("eqh", t.eqHigh);
  x.integer("currentcue", static_cast<long long>(t.currentCue) + 1);
  for (int i = 0; i < TZRDatabaseTrack::kCueCount; ++i) {
    if (t.cues[i] > 0) x.integer(cueName(i + 1).c_str(), t.cues[i]);
  }
  x.integer("cue_in", t.cueIn);
  x.integer("cue_out", t.cueOut);
  if (t.cueInUser) x.boolean("cue_in_user", true);
  if (t.cueOutUser) x.boolean("cue_out_user", true);
  for (int i = 0; i < TZRDatabaseTrack::kLoopCount; ++i) {
    if (t.loops[i].in <= 0) continue;
    x.integer(loopName(i + 1, false).c_str(), t.loops[i].in);
    x.integer(loopName(i + 1, true).c_str(), t.loops[i].out);
  }
  x.integer("size", t.size);
  static const char* const kGenreNames[3] = {"gnr1", "gnr2", "gnr3"};
  for (int i = 0; i < 3; ++i) {
    if (t.genres[i] >= 0) x.integer(kGenreNames[i], t.genres[i]);
  }
  if (t.highlight >= 0) x.integer("hid", t.highlight);
  if (t.hasHighlightColor) {
    char color[10];
    encodeColorStr2(ZRColorFloat{t.highlightColor[0], t.highlightColor[1], t.highlightColor[2], 1.0f}, color,
                    false);
    x.raw("highlightColor=\"");
    x.raw(color);
    x.raw("\" ");
  }
  x.integer("mediatype", t.mediaType);
  if (t.onlineStatus != 0) x.integer("ostatus", t.onlineStatus);
  if (!t.imgUrl.empty()) x.text("imgurl", t.imgUrl, kMaxTextUnits, kMaxTextBytes);
  if (!t.linkedFile.empty()) x.text("linkedfile", t.linkedFile, kMaxTextUnits, kMaxTextBytes);
  x.boolean("isnew", t.isNew);
  x.boolean("explicit", t.isExplicit);
  if (!t.stripe.empty()) x.text("stripe", t.stripe, kMaxTextUnits, kMaxTextBytes);
  if (t.rating > 0) x.decimal("rating", t.rating);
  x.integer("playCount", t.playCount);
  if (t.bitRate > 0) x.integer("bitRate", t.bitRate);
  if (t.bitDepth > 0) x.integer("bitDepth", t.bitDepth);
  if (t.sampleRate > 0) x.integer("sr", t.sampleRate);
  if (t.channels > 0) x.integer("ch", t.channels);
  x.integer("dtAdded", t.dtAdded);
  x.integer("dtPlayed", t.dtPlayed);
  x.raw("/>\n");
}

// Row attributes follow the id, each after one space. Marks are never
// written: they are a selection of the moment, not part of the list.
void writeRow(XmlText& x, const TZRListTrack& row) {
  x.raw("    <item");
  x.setSpaceBefore(true);
  x.integer("id", row.trackId);
  if (row.added > 0) x.integer("added", row.added);
  if (!row.singerName.empty()) {
    x.text("singerName", row.singerName, 0, kMaxSingerBytes);
    x.raw(" ");
  }
  const int extra = std::min<int>(static_cast<int>(row.additionalTracks.size()), kMaxAdditionalTracks);
  for (int k = 0; k < extra; ++k) {
    const TZRAdditionalTrack& track = row.additionalTracks[static_cast<size_t>(k)];
    x.integer(additionalIdName(k + 2).c_str(), track.trackId);
    if (track.keyAdjust != 0) x.decimal(additionalKeyName(k + 2).c_str(), track.keyAdjust);
  }
  if (row.keyAdjust != 0) x.decimal("kadj", row.keyAdjust);
  if (row.collapsed) x.integer("coll", 1);
  x.setSpaceBefore(false);
  x.raw("/>\n");
}

void writeList(XmlText& x, const ListInFile& list) {
  x.raw("  <list ");
  x.text("name", list.name, 0, 0);
  x.integer("type", list.type);
  x.integer("subtype", list.subtype);
  // The last attribute ends the tag without a space.
  x.raw("cursor=\"");
  x.raw(std::to_string(list.cursor));
  x.raw("\">\n");
  for (const TZRListTrack& row : list.rows) writeRow(x, row);
  x.raw("  </list>\n");
}

// The old file becomes the backup: a second name for it (no copy, and never
// a moment without database.xml), else a copy.
void keepBackup(const std::string& target) {
  struct stat st;
  if (stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  const std::string backup = target + ".bak";
  // Named as the atomic writer names its temporaries, so that the clean-up
  // of a later save removes one a kill left between link and rename.
  ZRAtomicFileWriter::removeStaleTemporariesOf(backup);
  const std::string temp = ZRAtomicFileWriter::temporaryPathFor(backup, "link");
  struct stat link;
  const bool isLink = lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
  unlink(temp.c_str());
  if (!isLink && ::link(target.c_str(), temp.c_str()) == 0) {
    if (rename(temp.c_str(), backup.c_str()) == 0) return;
    unlink(temp.c_str());
  }
  char* content = nullptr;
  if (!FileGetContent(target.c_str(), &content)) {
    ZRLOG("warning: cannot keep a backup of '%s'", target);
    return;
  }
  ZRAtomicFileWriter writer{ZRString(backup)};
  std::ofstream out;
  bool ok = writer.open(out);
  if (ok) out.write(content, static_cast<std::streamsize>(st.st_size));
  free(content);
  if (!ok || !writer.commit(out)) ZRLOG("warning: cannot keep a backup of '%s'", target);
}

}  // namespace

bool ZRDatabase::save(const ZRString& path, bool withLists) {
  // As the shut-down always did: the lists are saved unfiltered, and
  // ending the filters clears the marks.
  if (withLists) ZRList::endFilteringForAllLists(true);
  return writeFile(path, withLists);
}

bool ZRDatabase::saveAtShutDown(const ZRString& path) {
  stopBackgroundWork();
  return save(path, true);
}

bool ZRDatabase::writeFile(const ZRString& path, bool withLists) {
  std::lock_guard<std::mutex> oneAtATime(saveLock_);
  std::string target = path.utf8();
  const auto unreadable = [this](const std::string& file) {
    return std::find(unreadableFiles_.begin(), unreadableFiles_.end(), file) != unreadableFiles_.end();
  };
  // A file that could not be read stays as it is; the session is saved in
  // the backup's place, which the next start reads in its stead.
  bool keepsBackup = true;
  if (unreadable(target)) {
    if (unreadable(target + ".bak")) {
      ZRLOG("error saving db to '%s': that file and its backup could not be read and are kept as they are",
            path);
      return false;
    }
    ZRLOG("'%s' could not be read and is kept as it is: the library is saved to '%s.bak'", path, target);
    target += ".bak";
    keepsBackup = false;
  }

  std::vector<ListInFile> lists;
  if (withLists) {
    ZRList::forEachList([this, &lists](ZRList* list) {
      if (list->database() != this || !list->getSaveInDatabase()) return;
      ListInFile saved;
      saved.type = list->getType();
      saved.subtype = list->getSubtype();
      list->getStateForSaving(&saved.name, &saved.cursor, &saved.rows);
      lists.push_back(std::move(saved));
    });
  }

  ZRAtomicFileWriter writer{ZRString(target)};
  std::ofstream out;
  if (!writer.openXml(out)) {
    ZRLOG("error saving db to '%s'", path);
    return false;
  }
  {
    XmlText x(out);
    x.raw("<database version=\"1\">\n<tracks>\n");
    lock_.enterShared();
    // In id order, so that the same library always gives the same file.
    std::vector<int32_t> ids;
    ids.reserve(tracks_.size());
    for (const auto& entry : tracks_) ids.push_back(entry.first);
    std::sort(ids.begin(), ids.end());
    for (const int32_t id : ids) writeTrack(x, tracks_.find(id)->second);
    lock_.leaveShared();
    x.raw("</tracks>\n");
    if (withLists) {
      x.raw("<lists>\n");
      for (const ListInFile& list : lists) writeList(x, list);
      x.raw("</lists>\n");
    }
    x.raw("</database>\n");
  }
  out.flush();
  // Only a completely written new file retires the old one to the backup.
  if (out.good() && keepsBackup) keepBackup(target);
  if (!writer.commit(out)) {
    ZRLOG("error saving db to '%s'", path);
    return false;
  }
  ZRLOG("db written OK");
  return true;
}
