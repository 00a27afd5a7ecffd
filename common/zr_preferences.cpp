#include "common/zr_preferences.h"

#include <string.h>

#include <fstream>
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
  if (onlyIfMissing != 0 && settings_.count(key) != 0) return;
  settings_[key] = setting;
  dirty_ = true;
  if (callback_) {
    // Copies, so that a callback that sets values itself cannot pull the
    // texts away under this call.
    const std::string keyCopy(key);
    const TZRSetting value = setting;
    callback_(this, keyCopy.c_str(), value.type, value.intValue, value.floatValue, value.strValue, source);
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

bool ZRPreferences::getValue(const char* key, int& out) const {
  out = 0;
  if (key == nullptr) return false;
  auto it = settings_.find(key);
  if (it == settings_.end() || it->second.type != ZRPreferenceTypeInt) return false;
  out = it->second.intValue;
  return true;
}

bool ZRPreferences::getValue(const char* key, float& out) const {
  out = 0.0f;
  if (key == nullptr) return false;
  auto it = settings_.find(key);
  if (it == settings_.end() || it->second.type != ZRPreferenceTypeFloat) return false;
  out = it->second.floatValue;
  return true;
}

bool ZRPreferences::getValue(const char* key, char* out) const {
  if (out == nullptr) return false;
  out[0] = 0;
  if (key == nullptr) return false;
  auto it = settings_.find(key);
  if (it == settings_.end() || it->second.type != ZRPreferenceTypeString) return false;
  copyText(out, it->second.strValue);
  return true;
}

bool ZRPreferences::getValue(const char* key, ZRString* out) const {
  if (out == nullptr || key == nullptr) return false;
  auto it = settings_.find(key);
  if (it == settings_.end() || it->second.type != ZRPreferenceTypeString) return false;
  *out = ZRString(it->second.strValue);
  return true;
}

ZRPreferenceType ZRPreferences::getValueType(const char* key) const {
  if (key == nullptr) return ZRPreferenceTypeNone;
  auto it = settings_.find(key);
  return it == settings_.end() ? ZRPreferenceTypeNone : it->second.type;
}

bool ZRPreferences::loadAll(const char* path) {
  const char* file = path != nullptr ? path : (hasPath_ ? path_.c_str() : nullptr);
  xmlDoc* document = nullptr;
  xmlNode* root = nullptr;
  if (!openXMLFile(file, "preferences", &document, &root, 0, 0)) return false;

  // Reading notifies nobody; the settings are announced once at the end.
  ChangeCallback callback = std::move(callback_);
  callback_ = nullptr;
  settings_.clear();
  dirty_ = true;

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
    switch (type) {
      case ZRPreferenceTypeInt:
        setValue(name.c_str(), decodeIntNode(node, "value"), 0, NotificationProgram);
        break;
      case ZRPreferenceTypeFloat:
        setValue(name.c_str(), decodeFloatNode(node, "value"), 0, NotificationProgram);
        break;
      case ZRPreferenceTypeString: {
        xmlChar* value = decodeStrNode1(node, "value");
        if (value == nullptr) break;
        setValue(name.c_str(), reinterpret_cast<const char*>(value), 0, NotificationProgram);
        xmlFree(value);
        break;
      }
      default:
        break;
    }
  }
  closeXMLFile(document);
  callback_ = std::move(callback);

  if (callback_) {
    // The keys first: a callback may set further values while it is told.
    std::vector<std::string> keys;
    keys.reserve(settings_.size());
    for (const auto& entry : settings_) keys.push_back(entry.first);
    for (const std::string& key : keys) {
      auto it = settings_.find(key);
      if (it == settings_.end()) continue;
      const TZRSetting value = it->second;
      callback_(this, key.c_str(), value.type, value.intValue, value.floatValue, value.strValue,
                NotificationLoaded);
    }
  }
  return true;
}

bool ZRPreferences::saveAll(const char* path) {
  if (!dirty_) return true;
  const char* file = path != nullptr ? path : (hasPath_ ? path_.c_str() : nullptr);
  if (file == nullptr || file[0] == 0) return false;

  ZRAtomicFileWriter writer{ZRString(file)};
  std::ofstream out;
  if (!writer.openXml(out)) return false;
  std::string body = "<preferences version=\"100\">\n";
  for (const auto& [key, setting] : settings_) {
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
  dirty_ = false;
  return true;
}
