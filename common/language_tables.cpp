#include "common/language_tables.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <string>

#include "common/action_vocabulary.h"
#include "common/text_ids.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"

TFoundLanguage cfg_found_languages[MAX_FOUND_LANGUAGES];
int cfg_total_languages = 0;

namespace {

// The render thread reads captions while the user may load another language on the main
// thread, so the tables are guarded; readers never wait on each other.
std::shared_mutex tablesLock;
ZRString XSTRING_TEXTS[CTXTIDS_COUNT];
ZRString XSTRING_LABELS[CACTION_COUNT];
ZRString XSTRING_HINTS[CACTION_COUNT];

ZRString readEntry(const ZRString* table, int count, int index) {
  if (index < 0 || index >= count) return ZRString();
  std::shared_lock lock(tablesLock);
  return table[index];
}

// Owns a parsed document.
struct XmlDoc {
  xmlDocPtr doc = nullptr;
  explicit XmlDoc(const ZRString& path) {
    const std::string utf8 = path.utf8();
    doc = xmlReadFile(utf8.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  }
  ~XmlDoc() {
    if (doc != nullptr) xmlFreeDoc(doc);
  }
  XmlDoc(const XmlDoc&) = delete;
  XmlDoc& operator=(const XmlDoc&) = delete;
};

bool isElement(const xmlNode* node, const char* name) {
  return node != nullptr && node->type == XML_ELEMENT_NODE &&
         std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

// An attribute's text; false when the attribute is absent.
bool attribute(xmlNode* node, const char* name, std::string* out) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  if (value == nullptr) return false;
  out->assign(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return true;
}

int targetVersionOf(xmlNode* root) {
  std::string text;
  if (!attribute(root, "targetversion", &text)) return -1;
  return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

// Backslash followed by n becomes a space and a line feed, keeping the length.
void replaceEscapedLineBreaks(std::string& value) {
  for (std::size_t i = 1; i < value.size(); ++i) {
    if (value[i - 1] == '\\' && value[i] == 'n') {
      value[i - 1] = ' ';
      value[i] = '\n';
    }
  }
}

// Files one label or hint; the settings button's second copy always shows the same text.
void storeActionText(ZRString* table, int action, const ZRString& text) {
  table[action] = text;
  if (action == ACT_cfg) table[ACT_cfg2] = text;
}

}  // namespace

ZRString getTextName(int textId) {
  return readEntry(XSTRING_TEXTS, CTXTIDS_COUNT, textId);
}
ZRString getLabelName(int action) {
  return readEntry(XSTRING_LABELS, CACTION_COUNT, action);
}
ZRString getHintName(int action) {
  return readEntry(XSTRING_HINTS, CACTION_COUNT, action);
}

void ClearLanguageTables() {
  std::unique_lock lock(tablesLock);
  for (ZRString& s : XSTRING_TEXTS) s = ZRString();
  for (ZRString& s : XSTRING_LABELS) s = ZRString();
  for (ZRString& s : XSTRING_HINTS) s = ZRString();
}

bool LoadLanguage(ZRString path) {
  if (!FileExists(path)) return false;
  XmlDoc xml(path);
  if (xml.doc == nullptr) return false;
  xmlNode* root = xmlDocGetRootElement(xml.doc);
  if (!isElement(root, "languagestrings")) return false;

  std::unique_lock lock(tablesLock);
  std::string action, value;
  for (xmlNode* node = root->children; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    const bool isString = isElement(node, "string");
    const bool isLabel = isElement(node, "label");
    const bool isHint = isElement(node, "hint");
    if (!isString && !isLabel && !isHint) continue;
    if (!attribute(node, "action", &action) || !attribute(node, "value", &value)) continue;
    replaceEscapedLineBreaks(value);
    if (isString) {
      const int id = GetTextIndex(action.c_str());
      if (id > 0) XSTRING_TEXTS[id] = ZRString(value);
    } else {
      const int id = GetActionIndex(action.c_str());
      if (id > 0) storeActionText(isLabel ? XSTRING_LABELS : XSTRING_HINTS, id, ZRString(value));
    }
  }
  return true;
}

bool CheckLanguageFile(ZRString path, int deleteIfBad) {
  if (!FileExists(path)) return false;
  const char* problem = nullptr;
  int version = 0;
  {
    XmlDoc xml(path);
    xmlNode* root = xml.doc != nullptr ? xmlDocGetRootElement(xml.doc) : nullptr;
    if (xml.doc == nullptr) {
      problem = "lang: xml is bad formed";
    } else if (root == nullptr) {
      problem = "lang: xml root element does not exist";
    } else if (!isElement(root, "languagestrings")) {
      problem = "lang: xml root element is not languagestrings";
    } else {
      version = targetVersionOf(root);
      if (version >= LANGUAGE_OLDEST_COMPATIBLE_VERSION) return true;
    }
  }
  if (deleteIfBad != 0) FileDelete(path);
  if (problem != nullptr) {
    ZRLOG(problem);
  } else {
    ZRLOG("lang: xml targetversion is not correct - oldestCompatibleVer=%d, ver=%d",
          LANGUAGE_OLDEST_COMPATIBLE_VERSION, version);
  }
  return false;
}

int ScanLanguageFolder(ZRString folder) {
  cfg_total_languages = 0;
  int englishPosition = 0;
  if (!folder.endsWith(ZRString("/"))) folder += ZRString("/");

  void* listing = nullptr;
  ZRString name;
  bool isFolder = false;
  for (bool more = findFirst(folder, ZRString("*.xml"), &listing, &name, &isFolder); more;
       more = findNext(listing, &name, &isFolder)) {
    TFoundLanguage found;
    found.path = folder + name;
    XmlDoc xml(found.path);
    xmlNode* root = xml.doc != nullptr ? xmlDocGetRootElement(xml.doc) : nullptr;
    if (!isElement(root, "languagestrings")) continue;
    std::string language, locale;
    if (!attribute(root, "language", &language)) continue;
    found.language = ZRString(language);
    found.locale = attribute(root, "locale", &locale) ? ZRString(locale) : found.language;
    found.targetversion = targetVersionOf(root);
    if (found.targetversion < LANGUAGE_OLDEST_COMPATIBLE_VERSION) continue;
    if (cfg_total_languages >= MAX_FOUND_LANGUAGES) {
      ZRLOG("lang: warning: more than %d language files, skipping '%s'", MAX_FOUND_LANGUAGES, found.path);
      continue;
    }
    if (language == "english") englishPosition = cfg_total_languages;
    cfg_found_languages[cfg_total_languages++] = found;
  }
  findClose(listing);
  return englishPosition;
}

ZRString GetLanguageChoiceEntry(int n) {
  if (n < 0 || n >= cfg_total_languages) return ZRString();
  const TFoundLanguage& found = cfg_found_languages[n];
  return found.locale + ZRString(" (") + found.language + ZRString(")");
}

ZRString GetLanguageFilename(int n) {
  if (n < 0 || n >= cfg_total_languages) return ZRString();
  return cfg_found_languages[n].path;
}
