#include "database/zr_database_file_format.h"

#include <ctime>

namespace database_file {

std::string cueName(int slot) {
  return "cue" + std::to_string(slot);
}

std::string loopName(int loop, bool out) {
  return "loop" + std::to_string(loop) + (out ? "_out" : "_in");
}

std::string additionalIdName(int k) {
  return "id" + std::to_string(k);
}

std::string additionalKeyName(int k) {
  return "kadj" + std::to_string(k);
}

namespace {

bool isHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

}  // namespace

bool isStripeName(const ZRString& name) {
  const std::u16string& units = name.utf16();
  if (units.size() != 11 || units[2] != u'-') return false;
  for (size_t i = 0; i < units.size(); ++i) {
    if (i != 2 && !isHexDigit(units[i])) return false;
  }
  return true;
}

bool isWebAddress(const ZRString& url) {
  std::string text = url.utf8().substr(0, 8);
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0;
}

std::string timeStamp() {
  const time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  char text[32];
  strftime(text, sizeof(text), "%Y%m%d-%H%M%S", &local);
  return text;
}

}  // namespace database_file
