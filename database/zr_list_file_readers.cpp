#include "database/zr_list_file_readers.h"

#include <libxml/tree.h>

#include <algorithm>
#include <cstdio>

#include "common/zr_cstring_utils.h"
#include "common/zr_logging.h"
#include "common/zr_xml_utils.h"
#include "database/zr_database_track.h"

namespace {

// Longer M3U lines are no path this system can open (the longest path is
// 4095 bytes): they are skipped whole.
constexpr size_t kMaxM3uLineBytes = 4095;

// The path one M3U line names; empty for a line that names none.
ZRString pathOfM3uLine(const std::string& line, const std::string& listFolder) {
  if (line.size() < 2 || line[0] == '#') return ZRString();
  if (line.rfind("file://", 0) == 0) {
    ZRString path;
    convertURLToLocalFile(ZRString(line), path);
    return path;
  }
  // Absolute paths (which may hold colons) and addresses stay as they are.
  if (line[0] == '/' || line.find("://") != std::string::npos) return ZRString(line);
  // An old "Disk:Folder:file" path of the system this format came from.
  if (std::count(line.begin(), line.end(), ':') >= 2) {
    std::string path = line;
    std::replace(path.begin(), path.end(), ':', '/');
    return ZRString("/Volumes/" + path);
  }
  // Relative to the list file, as players of this format read it.
  return ZRString(listFolder + line);
}

}  // namespace

bool readM3uFile(const std::string& path, std::vector<ZRString>* paths) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) {
    ZRLOG("error: importList: file not found");
    return false;
  }
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string line;
  bool tooLong = false;
  bool firstLine = true;
  int skipped = 0;
  const auto finishLine = [&] {
    // A byte-order mark at the very start is not part of the first path.
    if (firstLine && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    firstLine = false;
    if (tooLong || line.size() > kMaxM3uLineBytes) {
      ++skipped;
    } else {
      ZRString entry = pathOfM3uLine(line, folder);
      if (!entry.empty()) {
        paths->push_back(std::move(entry));
      } else if (line.size() >= 2 && line[0] != '#') {
        ++skipped;  // not UTF-8
      }
    }
    line.clear();
    tooLong = false;
  };
  char buffer[64 * 1024];
  bool lastWasCarriageReturn = false;
  size_t got;
  while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0) {
    for (size_t i = 0; i < got; ++i) {
      const char c = buffer[i];
      if (c == '\n' && lastWasCarriageReturn) {
        lastWasCarriageReturn = false;
        continue;
      }
      lastWasCarriageReturn = c == '\r';
      if (c == '\n' || c == '\r') {
        finishLine();
      } else if (line.size() <= kMaxM3uLineBytes + 3) {
        line.push_back(c);
      } else {
        tooLong = true;
      }
    }
  }
  fclose(file);
  if (!line.empty() || tooLong) finishLine();
  if (skipped > 0) ZRLOG("warning: importList: %d lines of '%s' name no usable path", skipped, path);
  return true;
}

bool readTvlFile(const std::string& path, std::vector<ZRString>* paths) {
  xmlDoc* document = nullptr;
  xmlNode* node = nullptr;
  if (!openXMLFile(path.c_str(), "list", &document, &node, 1, 0)) {
    ZRLOG("error: importList: XML not ok");
    return false;
  }
  for (; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE ||
        xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>("song")) != 0) {
      continue;
    }
    ZRString file = decodeStrNode2(node, kTagFieldIds[kTagFileName], nullptr);
    if (!file.empty()) paths->push_back(std::move(file));
  }
  closeXMLFile(document);
  return true;
}
