#include "database/zr_itunes.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <pwd.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "common/zr_cstring_utils.h"
#include "common/zr_files.h"
#include "common/zr_files_platform.h"
#include "common/zr_logging.h"
#include "common/zr_xml_utils.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "dsp/key_names.h"
#include "tags/zr_tag.h"

namespace {

enum PlistKind { kKey = 1, kInteger = 2, kString = 3, kDict = 4, kArray = 5, kBoolean = 8 };

bool isElement(const xmlNode* node) {
  return node != nullptr && node->type == XML_ELEMENT_NODE;
}

const xmlNode* nextElement(const xmlNode* node) {
  while (node != nullptr && !isElement(node)) node = node->next;
  return node;
}

// The element's own text. Entity references are left out, never expanded:
// a crafted file cannot make one short value enormous.
std::string plainText(const xmlNode* node) {
  std::string text;
  for (const xmlNode* child = node ? node->children : nullptr; child != nullptr; child = child->next) {
    if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) &&
        child->content != nullptr) {
      text += reinterpret_cast<const char*>(child->content);
    }
  }
  return text;
}

bool keyIs(const std::string& key, const char* name) {
  return strcasecmp(key.c_str(), name) == 0;
}

int64_t integerOf(const std::string& text) {
  return static_cast<int64_t>(strtoll(text.c_str(), nullptr, 10));
}

int32_t clampToInt32(int64_t value) {
  return static_cast<int32_t>(std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, value)));
}

// A true/false element, or an integer other than 0.
bool booleanOf(const xmlNode* value) {
  const int kind = XMLGetNodeType(const_cast<xmlNode*>(value));
  if (kind == kBoolean) return XMLGetNodeContentBool(const_cast<xmlNode*>(value));
  return kind == kInteger && integerOf(plainText(value)) != 0;
}

// Calls fn(key, value) for every key of a dictionary with the element that
// follows it.
template <typename Fn>
void forEachEntry(const xmlNode* dict, Fn fn) {
  for (const xmlNode* node = nextElement(dict->children); node != nullptr;) {
    if (XMLGetNodeType(const_cast<xmlNode*>(node)) != kKey) {
      node = nextElement(node->next);
      continue;
    }
    const std::string key = plainText(node);
    const xmlNode* value = nextElement(node->next);
    if (value == nullptr) break;
    fn(key, value);
    node = nextElement(value->next);
  }
}

// One track dictionary; false when it has no "Track ID".
bool readTrack(const xmlNode* dict, int32_t* id, ZRiTunesTrack* track) {
  bool hasId = false;
  forEachEntry(dict, [&](const std::string& key, const xmlNode* value) {
    const int kind = XMLGetNodeType(const_cast<xmlNode*>(value));
    if (kind != kInteger && kind != kString) return;
    const std::string text = plainText(value);
    const ZRString asText(text);
    if (keyIs(key, "Track ID")) {
      *id = clampToInt32(integerOf(text));
      hasId = true;
    } else if (keyIs(key, "Name")) {
      track->tags[kTagTitle] = asText;
    } else if (keyIs(key, "Artist")) {
      track->tags[kTagArtist] = asText;
    } else if (keyIs(key, "Album")) {
      track->tags[kTagAlbum] = asText;
    } else if (keyIs(key, "Genre")) {
      track->tags[kTagGenre] = asText;
    } else if (keyIs(key, "Comments")) {
      track->tags[kTagComment] = asText;
    } else if (keyIs(key, "Track Number")) {
      track->tags[kTagTrack] = asText;
    } else if (keyIs(key, "Year")) {
      track->tags[kTagYear] = asText;
    } else if (keyIs(key, "Total Time")) {
      track->durationMs = clampToInt32(integerOf(text));
      track->tags[kTagTime] = trackTimeText(track->durationMs);
    } else if (keyIs(key, "BPM")) {
      track->tempo = clampToInt32(integerOf(text));
      track->tags[kTagBpm] = asText;
    } else if (keyIs(key, "MusicalKey")) {
      track->tags[kTagKey] = asText;
    } else if (keyIs(key, "Location")) {
      ZRString path;
      convertURLToLocalFile(asText, path);
      track->tags[kTagFileName] = path;
    } else if (keyIs(key, "Rating")) {
      track->rating = clampToInt32(integerOf(text) / 20);
    } else if (keyIs(key, "Size")) {
      track->size = integerOf(text);
    }
  });
  return hasId;
}

void readPlaylist(const xmlNode* dict, ZRiTunesPlaylist* playlist) {
  forEachEntry(dict, [&](const std::string& key, const xmlNode* value) {
    const int kind = XMLGetNodeType(const_cast<xmlNode*>(value));
    if (keyIs(key, "Name")) {
      playlist->name = ZRString(plainText(value));
    } else if (keyIs(key, "Playlist ID")) {
      playlist->playlistId = clampToInt32(integerOf(plainText(value)));
    } else if (keyIs(key, "Playlist Persistent ID")) {
      playlist->persistentId = ZRString(plainText(value));
    } else if (keyIs(key, "Visible")) {
      playlist->visible = booleanOf(value);
    } else if (keyIs(key, "Master")) {
      if (booleanOf(value)) playlist->visible = false;
    } else if (keyIs(key, "Folder")) {
      playlist->folder = booleanOf(value);
    } else if (keyIs(key, "Distinguished Kind")) {
      playlist->distinguished = true;
      playlist->smart = true;
    } else if (keyIs(key, "Smart Info") || keyIs(key, "Smart Criteria")) {
      playlist->smart = true;
    } else if (keyIs(key, "Playlist Items") && kind == kArray) {
      for (const xmlNode* item = nextElement(value->children); item != nullptr;
           item = nextElement(item->next)) {
        if (XMLGetNodeType(const_cast<xmlNode*>(item)) != kDict) continue;
        forEachEntry(item, [&](const std::string&, const xmlNode* id) {
          if (XMLGetNodeType(const_cast<xmlNode*>(id)) == kInteger) {
            playlist->trackIds.push_back(clampToInt32(integerOf(plainText(id))));
          }
        });
      }
    }
  });
}

ZRString userHome() {
  const char* home = getenv("HOME");
  if (home != nullptr && home[0] != 0) return ZRString(home);
  struct passwd pw;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &pw, buffer, sizeof(buffer), &found) == 0 && found && found->pw_dir) {
    return ZRString(found->pw_dir);
  }
  return ZRString();
}

}  // namespace

ZRiTunes* ZRiTunes::getInstance() {
  static ZRiTunes* instance = [] {
    ZRString path;
    if (!getiTunesLibraryXmlPath_Apple(&path) || !FileExists(path)) {
      ZRString home = userHome();
      home.appendSeparatorIfNeeded();
      path = findLibraryFile(home);
    }
    return new ZRiTunes(path);
  }();
  return instance;
}

ZRString ZRiTunes::findLibraryFile(const ZRString& home) {
  static const char* const kPlaces[] = {
      "Music/iTunes/iTunes Music Library.xml", "Music/iTunes/iTunes Library.xml",
      "Documents/iTunes/iTunes Music Library.xml", "Documents/iTunes/iTunes Library.xml"};
  ZRString path;
  for (const char* place : kPlaces) {
    path = home + ZRString(place);
    if (FileExists(path)) break;
  }
  return path;
}

ZRiTunes::ZRiTunes(const ZRString& libraryPath) : path_(libraryPath) {
  ok_ = FileExists(path_);
  if (ok_ && !read()) {
    ZRLOG("error: iTunes XML parsing");
    ok_ = false;
    tracks_.clear();
    playlists_.clear();
  }
  ZRLOG("iTunesIsOK = %d (xml='%s')", ok_ ? 1 : 0, path_);
}

bool ZRiTunes::read() {
  // Nothing from the network (the document type names Apple's web site) and
  // no entity expansion.
  xmlDoc* document = readXmlFileLogged(path_.utf8().c_str(), XML_PARSE_NONET);
  if (document == nullptr) {
    ZRLOG("parseITunesXML - XML not parsed successfully");
    return false;
  }
  const xmlNode* root = xmlDocGetRootElement(document);
  bool ok = false;
  if (root == nullptr) {
    ZRLOG("parseITunesXML - XML is empty");
  } else if (xmlStrcmp(root->name, reinterpret_cast<const xmlChar*>("plist")) != 0) {
    ZRLOG("parseITunesXML - XML root node not OK");
  } else {
    const xmlNode* dict = nextElement(root->children);
    while (dict != nullptr && XMLGetNodeType(const_cast<xmlNode*>(dict)) != kDict)
      dict = nextElement(dict->next);
    if (dict == nullptr) {
      ZRLOG("parseITunesXML - XML root dict not found");
    } else {
      ok = true;
      forEachEntry(dict, [this](const std::string& key, const xmlNode* value) {
        const int kind = XMLGetNodeType(const_cast<xmlNode*>(value));
        if (keyIs(key, "Tracks") && kind == kDict) {
          forEachEntry(value, [this](const std::string&, const xmlNode* trackDict) {
            if (XMLGetNodeType(const_cast<xmlNode*>(trackDict)) != kDict) return;
            int32_t id = 0;
            ZRiTunesTrack track;
            if (readTrack(trackDict, &id, &track)) tracks_[id] = std::move(track);
          });
        } else if (keyIs(key, "Playlists") && kind == kArray) {
          for (const xmlNode* item = nextElement(value->children); item != nullptr;
               item = nextElement(item->next)) {
            if (XMLGetNodeType(const_cast<xmlNode*>(item)) != kDict) continue;
            ZRiTunesPlaylist playlist;
            readPlaylist(item, &playlist);
            if (playlist.folder || !playlist.visible || playlist.name.empty()) continue;
            if (playlist.smart && !playlist.distinguished) playlist.name += ZRString(" (smart list)");
            playlists_.push_back(std::move(playlist));
          }
        }
      });
    }
  }
  xmlFreeDoc(document);
  return ok;
}

void ZRiTunes::importTrack(const ZRiTunesTrack& from, ZRList* list) const {
  ZRDatabase* db = list->database();
  const ZRString& path = from.tags[kTagFileName];
  TZRDatabaseTrack stored;
  int32_t id = -1;
  const auto takeKey = [&from](TZRDatabaseTrack& t) {
    t.tags[kTagKey] = from.tags[kTagKey];
    t.pitchKey = getPitchKeyIndex(from.tags[kTagKey].utf8().c_str());
  };
  if (db->getTrackIdOnlyIfFound(-1, path, &stored)) {
    id = stored.id;
    // Changed under the write lock: what a deck stored meanwhile stays.
    db->changeStoredTrack(id, [&](TZRDatabaseTrack& t) {
      for (const int field :
           {kTagArtist, kTagTitle, kTagGenre, kTagComment, kTagAlbum, kTagTrack, kTagYear}) {
        t.tags[field] = from.tags[field];
      }
      if (t.tags[kTagKey].empty()) takeKey(t);
      if (t.tags[kTagBpm].empty()) {
        t.tags[kTagBpm] = from.tags[kTagBpm];
        t.bpm = static_cast<float>(from.tempo);
      }
      if (t.tags[kTagTime].empty() || t.durationMs <= 0) {
        t.tags[kTagTime] = from.tags[kTagTime];
        t.durationMs = from.durationMs;
      }
      if (t.rating <= 0) t.rating = static_cast<float>(from.rating);
      if (t.size <= 0) t.size = from.size;
      if (t.mediaType == 0) t.mediaType = getFileMediaType(path);
    });
  } else {
    TZRDatabaseTrack t;
    ZRDatabase::resetTrack(&t, true);
    for (int i = 0; i < kTagFieldCount; ++i) t.tags[i] = from.tags[i];
    t.genres[0] = ZRTag::getGenreIdFromString(t.tags[kTagGenre]);
    if (!t.tags[kTagKey].empty()) takeKey(t);
    t.bpm = static_cast<float>(from.tempo);
    t.durationMs = from.durationMs;
    t.rating = static_cast<float>(from.rating);
    t.size = from.size;
    t.mediaType = getFileMediaType(path);
    // Added now: a date of 0 would sort the import before everything else.
    t.dtAdded = static_cast<int64_t>(time(nullptr));
    id = db->storeTrackIfNew(&t);
  }
  if (id < 0) return;
  TZRListTrack row;
  row.trackId = id;
  list->addLine(row, -1, true);
}

bool ZRiTunes::importIntoList(ZRList* list, int n) const {
  if (!list) return false;
  if (!ok_) {
    ZRLOG("iTunes import: there is no iTunes library ('%s')", path_);
    return false;
  }
  if (n < 0) {
    for (const auto& entry : tracks_) importTrack(entry.second, list);
    return true;
  }
  if (static_cast<size_t>(n) >= playlists_.size()) return false;
  for (const int32_t id : playlists_[static_cast<size_t>(n)].trackIds) {
    const auto it = tracks_.find(id);
    if (it != tracks_.end()) importTrack(it->second, list);
  }
  return true;
}

bool ZRiTunes::getListDetails(int n, ZRString* name, int32_t* id) const {
  if (name) *name = ZRString("-");
  if (id) *id = -1;
  if (!ok_ || n < 0 || static_cast<size_t>(n) >= playlists_.size()) return false;
  if (name) *name = playlists_[static_cast<size_t>(n)].name;
  if (id) *id = playlists_[static_cast<size_t>(n)].playlistId;
  return true;
}

bool iTunesIsInstalled() {
  return ZRiTunes::getInstance()->isOk();
}

int iTunesGetTotalLists() {
  const ZRiTunes* library = ZRiTunes::getInstance();
  return library->isOk() ? static_cast<int>(library->playlists().size()) : 0;
}

bool iTunesGetListDetails(int n, ZRString* name, int32_t* id) {
  return ZRiTunes::getInstance()->getListDetails(n, name, id);
}

bool iTunesGetList(int n, ZRList* list) {
  return list != nullptr && ZRiTunes::getInstance()->importIntoList(list, n);
}

std::vector<ZRString> iTunesImportChoices(const ZRiTunes& library) {
  std::vector<ZRString> choices;
  if (!library.isOk()) return choices;
  choices.emplace_back("iTunes Library");
  for (const ZRiTunesPlaylist& playlist : library.playlists()) choices.push_back(playlist.name);
  return choices;
}

bool iTunesImportChoice(const ZRiTunes& library, ZRList* list, int selection) {
  if (selection < 0) return false;
  return library.importIntoList(list, selection - 1);
}
