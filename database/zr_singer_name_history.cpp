#include "database/zr_singer_name_history.h"

#include <algorithm>
#include <climits>
#include <fstream>
#include <string>

#include "common/zr_atomic_file_writer.h"
#include "common/zr_files.h"
#include "common/zr_keep_aside.h"
#include "common/zr_logging.h"
#include "common/zr_utf8_cut.h"
#include "common/zr_xml_utils.h"

namespace {

constexpr const char* kFileName = "singers.xml";

std::mutex folderLock;
ZRString historyFolder;
ZRSingerNameHistory* processHistory = nullptr;

// The name as it will read back: cut to what the readers keep, on a character boundary.
ZRString storableName(const ZRString& name) {
  const std::string utf8 = name.utf8();
  const size_t keep = utf8CutLength(utf8.data(), utf8.size(), kXmlMaxStringBytes);
  return keep == utf8.size() ? name : ZRString(utf8.substr(0, keep));
}

}  // namespace

ZRSingerNameHistory::ZRSingerNameHistory(const ZRString& path) : path_(path) {}

ZRSingerNameHistory& ZRSingerNameHistory::get() {
  std::lock_guard<std::mutex> guard(folderLock);
  if (processHistory == nullptr) {
    // Lives to process exit without a destructor: the shell saves it explicitly at shut-down.
    ZRString path;
    if (!historyFolder.empty()) {
      path = historyFolder;
      path.appendSeparatorIfNeeded();
      path += ZRString(kFileName);
    }
    processHistory = new ZRSingerNameHistory(path);
    if (!path.empty()) processHistory->load();
  }
  return *processHistory;
}

bool ZRSingerNameHistory::load(const ZRString& path) {
  std::lock_guard<std::mutex> guard(lock_);
  if (path.empty() || !FileExists(path)) {
    ZRLOG("error: load singers: xml file not found");
    return false;
  }
  xmlDoc* document = nullptr;
  xmlNode* root = nullptr;
  if (!openXMLFile(path.utf8().c_str(), "singers", &document, &root, 0, 0)) {
    ZRLOG("error: load singers: xml file not loaded");
    std::string keptAs;
    if (keepFileAside(path.utf8(), &keptAs)) {
      ZRLOG("singers: the unreadable file was kept as %s", keptAs.c_str());
      if (path == path_) fileProtected_ = false;
    } else {
      ZRLOG("error: singers: the unreadable file %s could not be moved aside; it will not be saved over",
            path.utf8().c_str());
      if (path == path_) fileProtected_ = true;
    }
    return false;
  }
  bool found = false;
  const int declared = decodeIntNode(root, "idnext", &found);
  int next = found && declared >= 0 ? declared : 1;
  std::vector<Singer> read;
  for (xmlNode* node = root->children; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE || xmlStrcmp(node->name, BAD_CAST "singer") != 0) continue;
    Singer singer;
    singer.id = decodeIntNode(node, "id");
    singer.name = decodeStrNode2(node, "name");
    // decodeIntNode clamps to the int range: an id of INT_MAX keeps the counter at INT_MAX.
    if (singer.id >= next) next = singer.id == INT_MAX ? INT_MAX : singer.id + 1;
    read.push_back(std::move(singer));
  }
  closeXMLFile(document);
  singers_ = std::move(read);
  idNext_ = std::max(next, 1);
  if (path == path_) fileProtected_ = false;
  return true;
}

bool ZRSingerNameHistory::save(const ZRString& path) {
  std::lock_guard<std::mutex> guard(lock_);
  if (path.empty() || (path == path_ && fileProtected_)) {
    ZRLOG("error saving singers");
    return false;
  }
  std::string text = "<singers version=\"1\" idnext=\"" + std::to_string(idNext_) + "\">\n";
  for (const Singer& singer : singers_) {
    text += "<singer id=\"" + std::to_string(singer.id) + "\" name=\"" + escapedForXML(singer.name.utf8()) +
            "\" />\n";
  }
  text += "</singers>\n";
  ZRAtomicFileWriter writer(path);
  std::ofstream out;
  if (!writer.openXml(out)) {
    ZRLOG("error saving singers");
    return false;
  }
  out << text;
  if (!writer.commit(out)) {
    ZRLOG("error saving singers");
    return false;
  }
  return true;
}

int ZRSingerNameHistory::nextIdLocked() {
  if (idNext_ < INT_MAX) return idNext_++;
  // The counter is spent: the smallest positive id no singer holds.
  std::vector<int> used;
  used.reserve(singers_.size());
  for (const Singer& singer : singers_) {
    if (singer.id > 0) used.push_back(singer.id);
  }
  std::sort(used.begin(), used.end());
  int candidate = 1;
  for (int id : used) {
    if (id > candidate) break;
    if (id == candidate) ++candidate;
  }
  return candidate;
}

int ZRSingerNameHistory::add(const ZRString& name) {
  if (name.empty()) return -1;
  const ZRString stored = storableName(name);
  int id = -1;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (const Singer& singer : singers_) {
      if (singer.name.icmp(stored) == 0) return singer.id;
    }
    id = nextIdLocked();
    singers_.push_back(Singer{id, stored});
  }
  if (!path_.empty()) save();
  return id;
}

void ZRSingerNameHistory::clear() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    singers_.clear();
  }
  if (!path_.empty()) save();
}

std::vector<ZRString> ZRSingerNameHistory::populate() {
  std::lock_guard<std::mutex> guard(lock_);
  std::stable_sort(singers_.begin(), singers_.end(),
                   [](const Singer& a, const Singer& b) { return a.name.icmp(b.name) < 0; });
  std::vector<ZRString> names;
  names.reserve(singers_.size());
  for (const Singer& singer : singers_) names.push_back(singer.name);
  return names;
}

std::vector<ZRSingerNameHistory::Singer> ZRSingerNameHistory::singers() {
  std::lock_guard<std::mutex> guard(lock_);
  return singers_;
}

int ZRSingerNameHistory::idNext() {
  std::lock_guard<std::mutex> guard(lock_);
  return idNext_;
}

void setSingerNameHistoryFolder(const ZRString& folder) {
  std::lock_guard<std::mutex> guard(folderLock);
  historyFolder = folder;
}

bool saveSingerNameHistory() {
  ZRSingerNameHistory* history = nullptr;
  {
    std::lock_guard<std::mutex> guard(folderLock);
    history = processHistory;
  }
  return history != nullptr && history->save();
}
