// List files: .m3u and the system's own .tvl are read, .m3u and .csv are
// written. Reading only queues the paths for the library's adding thread
// (ZRDatabase::addFile), which reads each file's tags and appends its row;
// files that are refused or cannot be read give no row.

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/zr_atomic_file_writer.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_utf8_cut.h"
#include "common/zr_xml_utils.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "database/zr_list_file_readers.h"

namespace {

// CSV fields other than the path are written with at most this many bytes.
constexpr size_t kMaxCsvFieldBytes = 4095;

bool endsWithNoCase(const std::string& text, const char* ending) {
  const size_t n = strlen(ending);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = text[text.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != ending[i]) return false;
  }
  return true;
}

// The visible rows' stored tracks, read under the list's and then the
// library's read lock.
std::vector<TZRDatabaseTrack> storedTracksOf(ZRList* list) {
  std::vector<TZRDatabaseTrack> tracks;
  ZRDatabase* db = list->database();
  list->startEnumeration(false);
  db->lockDatabaseForReading();
  TZRListTrack row;
  while (list->getNextEnumerationElement(&row)) {
    if (const TZRDatabaseTrack* track = db->getTrackIdDataUnsafe(row.trackId, false))
      tracks.push_back(*track);
  }
  db->unlockDatabaseForReading();
  list->stopEnumeration();
  return tracks;
}

// Replaces the file at path with text; false (logged) when it was not
// replaced.
bool writeListFile(const ZRString& path, const std::string& text) {
  ZRAtomicFileWriter writer(path);
  std::ofstream out;
  if (!writer.open(out)) {
    ZRLOG("error: exportList: could not open file");
    return false;
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!writer.commit(out)) {
    ZRLOG("error: exportList: could not write '%s'", path);
    return false;
  }
  return true;
}

void appendCsvField(std::string* line, const std::string& value) {
  std::vector<char> escaped(value.size() * 2 + 3);
  escapeStrForCSV(value.c_str(), escaped.data());
  line->append(escaped.data());
}

}  // namespace

bool ZRList::importList(const ZRString& path, bool clearFirst) {
  const std::string file = path.utf8();
  if (file.empty() || !FileExists(path)) {
    ZRLOG("error: importList: file not found");
    return false;
  }
  const bool m3u = endsWithNoCase(file, ".m3u");
  const bool tvl = endsWithNoCase(file, ".tvl");
  if (!m3u && !tvl) return false;
  // Read whole first: a list file that cannot be read leaves the list as it is.
  std::vector<ZRString> paths;
  if (!(m3u ? readM3uFile(file, &paths) : readTvlFile(file, &paths))) return false;
  // A file naming nothing that can be added (no existing file, no address) would only empty the list.
  const bool anyUsable = std::any_of(paths.begin(), paths.end(), [](const ZRString& entry) {
    return FileExists(entry) || entry.utf8().find("://") != std::string::npos;
  });
  if (!anyUsable) {
    ZRLOG("error: importList: the list names no file that exists");
    return false;
  }
  if (clearFirst) clear();
  ZRDatabase* db = database();
  for (const ZRString& entry : paths) db->addFile(entry, this);
  if (getSortField() != 0) resetSortingState();
  return true;
}

bool ZRList::exportListAsM3U(const ZRString& path) {
  std::string text;
  for (const TZRDatabaseTrack& track : storedTracksOf(this)) {
    // Paths are written whole: a cut path names another file or none.
    text += track.tags[kTagFileName].utf8();
    text += '\n';
  }
  return writeListFile(path, text);
}

bool ZRList::exportListAsCSV(const ZRString& path) {
  static const int kFields[] = {kTagArtist, kTagTitle, kTagAlbum, kTagTrack,   kTagYear,    kTagGenre,
                                kTagTime,   kTagBpm,   kTagKey,   kTagComment, kTagFileName};
  std::string text = "Artist,Title,Album,TrackNo,Year,Genre,Duration,BPM,Key,Comment,Filename\n";
  for (const TZRDatabaseTrack& track : storedTracksOf(this)) {
    bool first = true;
    for (const int field : kFields) {
      if (!first) text += ',';
      first = false;
      std::string value = track.tags[field].utf8();
      if (field != kTagFileName) value.resize(utf8CutLength(value.data(), value.size(), kMaxCsvFieldBytes));
      appendCsvField(&text, value);
    }
    text += '\n';
  }
  return writeListFile(path, text);
}
