#include "database/zr_media_files.h"

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "common/zr_files.h"
#include "common/zr_zip_karaoke.h"

namespace {

// The extension in ASCII lower case: the user's locale must not change
// "AIF" into something else.
std::string lowerExtension(const ZRString& path) {
  std::string ext = path.getExt().utf8();
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ext;
}

bool isOneOf(const std::string& ext, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (ext == name) return true;
  }
  return false;
}

bool isRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A .cdg beside the file (same name, the last 4 characters replaced), its
// extension in any letter case: file systems here tell case apart.
bool hasCdgCompanion(const ZRString& path) {
  const std::string base = path.left(path.len() - 4).utf8();
  if (base.empty()) return false;
  for (int variant = 0; variant < 8; ++variant) {
    std::string candidate = base + ".cdg";
    for (int i = 0; i < 3; ++i) {
      if (variant & (1 << i)) candidate[base.size() + 1 + i] -= 'a' - 'A';
    }
    if (isRegularFile(candidate)) return true;
  }
  return false;
}

}  // namespace

bool isFileAccepted(const ZRString& path, bool mustExist) {
  if (path.getNameAndExt().hasCharAtPos('.', 0)) return false;
  if (mustExist && !path.hasCharAtPos('$', -1) && !FileExists(path)) return false;
  const std::string ext = lowerExtension(path);
  if (isOneOf(ext, {"mp3", "m4a",  "mp4",  "ogg", "wma", "aif",  "aiff", "fla",  "flac",
                    "wav", "au",   "aac",  "cda", "avi", "asf",  "flv",  "m4v",  "mkv",
                    "mpg", "mpeg", "divx", "mov", "wmv", "cda$", "aif$", "aiff$"})) {
    return true;
  }
  return ext == "zip" && doesZipContainsCdg(path.utf8().c_str()) == 1;
}

ZRMediaType getFileMediaType(const ZRString& path) {
  const std::string ext = lowerExtension(path);
  if (isOneOf(ext, {"avi", "mpg", "mov", "m4v", "mp4", "asf", "wmv", "flv", "mkv", "mpeg", "divx", "vob"})) {
    return kMediaTypeVideo;
  }
  if (ext == "zip") return kMediaTypeKaraoke;
  if ((ext == "mp3" || ext == "wav") && hasCdgCompanion(path)) return kMediaTypeKaraoke;
  return kMediaTypeAudio;
}
