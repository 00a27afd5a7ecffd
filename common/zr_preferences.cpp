#include "common/zr_preferences.h"

#include <string.h>

#include <fstream>
#include <map>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "common/zr_atomic_file_writer.h"
#include "common/zr_c_numbers.h"
#include "common/zr_utf8_cut.h"
#include "common/zr_xml_utils.h"

namespace {

void copyText(char* destination, const char* text) {
  size_t n = text == nullptr ? 0 : utf8CutLength(text, strlen(text), ZRPreferences::kMaxTextBytes);
  if (n > 0) memcpy(destination, text, n);
  destination[n] = 0;
}

}  // namespace

ZRPreferences::ZRPreferences(const char* path, ChangeCallback callback)
    : path_(path != nullptr ? path : ""), hasPath_(path != nullptr), callback_(std::move(callback)) {}

ZRPreferences::~ZRPreferences() = default;

void ZRPreferences::store(const char* key, const TZRSetting& setting, int onlyIfMissing,
                          NotificationSource source) {
  if (key == nullptr) return;
  ChangeCallback callback;
  {
    std::lock_guard guard(lock_);
    if (onlyIfMissing != 0 && settings_.count(key) != 0) return;
    settings_[key] = setting;
    dirty_ = true;
    ++changes_;
    callback = callback_;
  }
  if (callback) {
    // Outside the lock, on copies: the callback may read and set values itself.
    const std::string keyCopy(key);
    const TZRSetting value = setting;
    callback(this, keyCopy.c_str(), value.type, value.intValue, value.floatValue, value.strValue, source);
  }
}

void ZRPreferences::setValue(const char* key, int value, int onlyIfMissing, NotificationSource source) {
  TZRSetting s;
  s.type = ZRPreferenceTypeInt;
  s.intValue = value;
  store(key, s, onlyIfMissing, source);
}

void ZRPreferences::setValue(const char* key, float value, int onlyIfMissing, NotificationSource source) {
  TZRSetting s;
  s.type = ZRPreferenceTypeFloat;
  s.floatValue = value;
  store(key, s, onlyIfMissing, source);
}

void ZRPreferences::setValue(const char* key, const char* text, int onlyIfMissing,
                             NotificationSource source) {
  TZRSetting s;
  s.type = ZRPreferenceTypeString;
  copyText(s.strValue, text);
  store(key, s, onlyIfMissing, source);
}

void ZRPreferences::setValue(const char* key, const ZRString& text, int onlyIfMissing,
                             NotificationSource source) {
  char buffer[4096];
  text.toUTF8(buffer, sizeof(buffer));
  setValue(key, static_cast<const char*>(buffer), onlyIfMissing, source);
}

bool ZRPreferences::find(const char* key, ZRPreferenceType type, TZRSetting& out) const {
  if (key == nullptr) return false;
  std::lock_guard guard(lock_);
  auto it = settings_.find(key);
  if (it == settings_.end() || it->second.type != type) return false;
  out = it->second;
  return true;
}

bool ZRPreferences::getValue(const char* key, int& out) const {
  TZRSetting setting;
  const bool found = find(key, ZRPreferenceTypeInt, setting);
  out = found ? setting.intValue : 0;
  return found;
}

bool ZRPreferences::getValue(const char* key, float& out) const {
  TZRSetting setting;
  const bool found = find(key, ZRPreferenceTypeFloat, setting);
  out = found ? setting.floatValue : 0.0f;
  return found;
}

bool ZRPreferences::getValue(const char* key, char* out) const {
  if (out == nullptr) return false;
  out[0] = 0;
  TZRSetting setting;
  if (!find(key, ZRPreferenceTypeString, setting)) return false;
  copyText(out, setting.strValue);
  return true;
}

bool ZRPreferences::getValue(const char* key, ZRString* out) const {
  if (out == nullptr) return false;
  TZRSetting setting;
  if (!find(key, ZRPreferenceTypeString, setting)) return false;
  *out = ZRString(setting.strValue);
  return true;
}

ZRPreferenceType ZRPreferences::getValueType(const char* key) const {
  if (key == nullptr) return ZRPreferenceTypeNone;
  std::lock_guard guard(lock_);
  auto it = settings_.find(key);
  return it == settings_.end() ? ZRPreferenceTypeNone : it->second.type;
}

bool ZRPreferences::loadAll(const char* path) {
  const char* file = path != nullptr ? path : (hasPath_ ? path_.c_str() : nullptr);
  xmlDoc* document = nullptr;
  xmlNode* root = nullptr;
  if (!openXMLFile(file, "preferences", &document, &root, 0, 0)) return false;

  // Reading notifies nobody; the settings are announced once at the end.
  std::map<std::string, TZRSetting> loaded;
  for (xmlNode* node = root->children; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE || xmlStrcmp(node->name, BAD_CAST "pref") != 0) continue;
    int type = decodeIntNode(node, "type");
    xmlChar* rawName = decodeStrNode1(node, "name");
    if (rawName == nullptr) continue;
    // Keys written by the system are short; a longer one from a foreign file
    // is cut like a text.
    const char* nameText = reinterpret_cast<const char*>(rawName);
    std::string name(nameText, utf8CutLength(nameText, strlen(nameText), kMaxTextBytes));
    xmlFree(rawName);
    if (name.empty()) continue;
    TZRSetting setting;
    switch (type) {
      case ZRPreferenceTypeInt:
        setting.type = ZRPreferenceTypeInt;
        setting.intValue = decodeIntNode(node, "value");
        break;
      case ZRPreferenceTypeFloat:
        setting.type = ZRPreferenceTypeFloat;
        setting.floatValue = decodeFloatNode(node, "value");
        break;
      case ZRPreferenceTypeString: {
        xmlChar* value = decodeStrNode1(node, "value");
        if (value == nullptr) break;
        setting.type = ZRPreferenceTypeString;
        copyText(setting.strValue, reinterpret_cast<const char*>(value));
        xmlFree(value);
        break;
      }
      default:
        break;
    }
    if (setting.type != ZRPreferenceTypeNone) loaded[name] = setting;
  }
  closeXMLFile(document);

  std::vector<std::string> keys;
  ChangeCallback callback;
  {
    std::lock_guard guard(lock_);
    settings_ = std::move(loaded);
    dirty_ = true;
    ++changes_;
    callback = callback_;
    keys.reserve(settings_.size());
    for (const auto& entry : settings_) keys.push_back(entry.first);
  }
  if (callback) {
    // Each key as it stands when its turn comes: a callback may set further values while it is told.
    for (const std::string& key : keys) {
      TZRSetting value;
      {
        std::lock_guard guard(lock_);
        auto it = settings_.find(key);
        if (it == settings_.end()) continue;
        value = it->second;
      }
      callback(this, key.c_str(), value.type, value.intValue, value.floatValue, value.strValue,
               NotificationLoaded);
    }
  }
  return true;
}

bool ZRPreferences::saveAll(const char* path) {
  std::map<std::string, TZRSetting> snapshot;
  unsigned long long snapshotChanges = 0;
  {
    std::lock_guard guard(lock_);
    if (!dirty_) return true;
    snapshot = settings_;
    snapshotChanges = changes_;
  }
  const char* file = path != nullptr ? path : (hasPath_ ? path_.c_str() : nullptr);
  if (file == nullptr || file[0] == 0) return false;

  ZRAtomicFileWriter writer{ZRString(file)};
  std::ofstream out;
  if (!writer.openXml(out)) return false;
  std::string body = "<preferences version=\"100\">\n";
  for (const auto& [key, setting] : snapshot) {
    std::string value;
    switch (setting.type) {
      case ZRPreferenceTypeInt:
        value = std::to_string(setting.intValue);
        break;
      case ZRPreferenceTypeFloat:
        value = formatFixedC(setting.floatValue, 4);
        break;
      default:
        value = escapedForXML(setting.strValue);
        break;
    }
    // Ordinary keys (letters, digits, '_') come out unchanged; escaping keeps
    // a key with a quote or '&' read from a foreign file from breaking the
    // whole file.
    body += "\t<pref name=\"" + escapedForXML(key) + "\" value=\"" + value + "\" type=\"" +
            std::to_string(static_cast<int>(setting.type)) + "\" />\n";
  }
  body += "</preferences>\n";
  out << body;
  if (!writer.commit(out)) return false;
  // A change made while writing is not in the file: the store stays dirty then.
  std::lock_guard guard(lock_);
  if (changes_ == snapshotChanges) dirty_ = false;
  return true;
}
