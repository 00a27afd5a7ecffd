#include "common/zr_files_platform.h"

#include <dirent.h>
#include <limits.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "platform/mount_table.h"
#include "platform/system_log.h"

namespace {

constexpr int kPathBytes = 4096;
constexpr int kMaxVolumes = 64;

struct TAppleFindHandle {
  int index = 0;
  std::vector<ZRString> entries;
  ZRString folder;
  ZRString pattern;
};

std::string toUtf8(const ZRString& text) {
  char buffer[kPathBytes];
  if (!text.toUTF8(buffer, sizeof(buffer))) return std::string();
  return std::string(buffer);
}

bool isDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string resolvedPath(const std::string& path) {
  if (path.empty()) return std::string();
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return std::string();
  std::string result(resolved);
  free(resolved);
  return result;
}

// Names that are not valid UTF-8 cannot be represented as a ZRString and so
// could never be opened again through one; the listing leaves them out.
bool isValidUtf8(const char* s) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  while (*p != 0) {
    unsigned char c = *p;
    int extra;
    unsigned int cp;
    if (c < 0x80) {
      ++p;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    ++p;
    for (int i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (*p & 0x3F);
    }
    static const unsigned int kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  }
  return true;
}

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool copyToBuffer(const std::string& text, char* destination, int size) {
  if (destination == nullptr || size <= 0) return false;
  destination[0] = 0;
  if (text.empty() || text.size() + 1 > static_cast<size_t>(size)) return false;
  memcpy(destination, text.c_str(), text.size() + 1);
  return true;
}

std::string homeFolder() {
  const char* home = getenv("HOME");
  if (home != nullptr && home[0] != 0) return home;
  struct passwd pw;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &pw, buffer, sizeof(buffer), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return std::string();
}

std::string executableFolder() {
  char buffer[kPathBytes];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return std::string();
  buffer[n] = 0;
  std::string path(buffer);
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

// Labels under /dev/disk/by-label escape unsafe bytes as \xHH.
std::string unescapeLabel(const std::string& label) {
  std::string out;
  for (size_t i = 0; i < label.size(); ++i) {
    if (label[i] == '\\' && i + 3 < label.size() && label[i + 1] == 'x' && isxdigit(label[i + 2]) &&
        isxdigit(label[i + 3])) {
      out.push_back(static_cast<char>(strtol(label.substr(i + 2, 2).c_str(), nullptr, 16)));
      i += 3;
      continue;
    }
    out.push_back(label[i]);
  }
  return out;
}

std::string volumeLabel(const std::string& device) {
  DIR* dir = opendir("/dev/disk/by-label");
  if (dir == nullptr) return std::string();
  std::string label;
  while (struct dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    if (resolvedPath(std::string("/dev/disk/by-label/") + entry->d_name) == device) {
      label = unescapeLabel(entry->d_name);
      break;
    }
  }
  closedir(dir);
  return isValidUtf8(label.c_str()) ? label : std::string();
}

bool readFlagFile(const std::string& path, bool* value) {
  std::ifstream in(path);
  int v = 0;
  if (!(in >> v)) return false;
  *value = v != 0;
  return true;
}

// A partition has no removable flag of its own; the disk that holds it does.
bool deviceIsRemovable(const std::string& device) {
  size_t slash = device.rfind('/');
  std::string sysPath = resolvedPath("/sys/class/block/" + device.substr(slash + 1));
  if (sysPath.empty()) return false;
  bool removable = false;
  if (readFlagFile(sysPath + "/removable", &removable)) return removable;
  if (readFlagFile(sysPath + "/../removable", &removable)) return removable;
  return false;
}

bool isHiddenMountPoint(const std::string& path) {
  static const char* const kHidden[] = {"/boot", "/proc", "/sys", "/dev", "/snap"};
  for (const char* prefix : kHidden) {
    size_t n = strlen(prefix);
    if (path.compare(0, n, prefix) == 0 && (path.size() == n || path[n] == '/')) return true;
  }
  return false;
}

}  // namespace

bool fileExists_Apple(ZRString path) {
  std::string p = toUtf8(path);
  struct stat st;
  return !p.empty() && stat(p.c_str(), &st) == 0;
}

bool findFirst_Apple(ZRString folder, ZRString pattern, void** handle, ZRString* name, bool* isFolder) {
  if (handle == nullptr) return false;
  std::string resolved = resolvedPath(toUtf8(folder));
  if (resolved.empty()) return false;
  DIR* dir = opendir(resolved.c_str());
  if (dir == nullptr) return false;
  auto* h = new TAppleFindHandle();
  while (struct dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    if (!isValidUtf8(entry->d_name)) continue;
    h->entries.emplace_back(entry->d_name);
  }
  closedir(dir);
  if (h->entries.empty()) {
    delete h;
    return false;
  }
  // Names equal but for case still get a fixed order.
  std::stable_sort(h->entries.begin(), h->entries.end(), [](const ZRString& a, const ZRString& b) {
    int c = a.icmp(b);
    if (c != 0) return c < 0;
    return a.cmp(b) < 0;
  });
  h->folder = folder;
  h->pattern = pattern;
  *handle = h;
  findNext_Apple(h, name, isFolder);
  return true;
}

bool findNext_Apple(void* handle, ZRString* name, bool* isFolder) {
  if (handle == nullptr) return false;
  auto* h = static_cast<TAppleFindHandle*>(handle);
  if (h->index < 0 || static_cast<size_t>(h->index) >= h->entries.size()) return false;
  const ZRString& entry = h->entries[h->index];
  ++h->index;
  if (isFolder != nullptr) {
    std::string entryName = toUtf8(entry);
    std::string folder = toUtf8(h->folder);
    *isFolder = !entryName.empty() && !folder.empty() && isDirectory(joinPath(folder, entryName));
  }
  if (name != nullptr) *name = entry;
  return true;
}

void findClose_Apple(void* handle) {
  delete static_cast<TAppleFindHandle*>(handle);
}

int getMountedVolumesFromTable_Apple(const char* mountTablePath, TAppleVolumeInfo** out) {
  if (out == nullptr) return 0;
  *out = nullptr;
  if (mountTablePath == nullptr) return 0;
  std::ifstream in(mountTablePath);
  if (!in) return 0;
  std::vector<TAppleVolumeInfo> volumes;
  std::vector<std::string> seenDevices, seenPaths;
  std::string line;
  while (std::getline(in, line) && volumes.size() < static_cast<size_t>(kMaxVolumes)) {
    size_t a = line.find(' ');
    if (a == std::string::npos) continue;
    size_t b = line.find(' ', a + 1);
    if (b == std::string::npos) continue;
    std::string device = platformUnescapeMountField(line.substr(0, a));
    std::string mountPoint = platformUnescapeMountField(line.substr(a + 1, b - a - 1));
    if (device.compare(0, 5, "/dev/") != 0 || device.compare(0, 9, "/dev/loop") == 0) continue;
    std::string realDevice = resolvedPath(device);
    struct stat st;
    if (realDevice.empty() || stat(realDevice.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) continue;
    if (!isDirectory(mountPoint) || isHiddenMountPoint(mountPoint)) continue;
    if (!isValidUtf8(mountPoint.c_str())) continue;
    // A device bound at several places (bind mounts) is one volume.
    if (std::find(seenDevices.begin(), seenDevices.end(), realDevice) != seenDevices.end()) continue;
    if (std::find(seenPaths.begin(), seenPaths.end(), mountPoint) != seenPaths.end()) continue;
    seenDevices.push_back(realDevice);
    seenPaths.push_back(mountPoint);

    std::string name = volumeLabel(realDevice);
    if (name.empty()) {
      size_t slash = mountPoint.rfind('/');
      name = mountPoint.substr(slash + 1);
      if (name.empty()) name = realDevice.substr(realDevice.rfind('/') + 1);
    }
    TAppleVolumeInfo info;
    info.name = ZRString(name.c_str());
    info.path = ZRString(mountPoint.c_str());
    info.removable = deviceIsRemovable(realDevice);
    volumes.push_back(std::move(info));
  }
  if (volumes.empty()) return 0;
  *out = new TAppleVolumeInfo[volumes.size()];
  for (size_t i = 0; i < volumes.size(); ++i) (*out)[i] = volumes[i];
  return static_cast<int>(volumes.size());
}

int getAllMountedVolumes_Apple(TAppleVolumeInfo** out) {
  return getMountedVolumesFromTable_Apple("/proc/self/mounts", out);
}

ZRString getHomeFolder_Apple() {
  std::string home = homeFolder();
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  if (home.empty() || !isValidUtf8(home.c_str())) return ZRString();
  return ZRString(home.c_str());
}

ZRString getXdgUserFolder_Apple(const char* kind, const char* fallbackName) {
  if (kind == nullptr || fallbackName == nullptr) return ZRString();
  std::string home = homeFolder();
  if (home.empty()) return ZRString();
  while (home.size() > 1 && home.back() == '/') home.pop_back();

  const char* configHome = getenv("XDG_CONFIG_HOME");
  std::string config =
      (configHome != nullptr && configHome[0] == '/') ? std::string(configHome) : home + "/.config";
  std::ifstream in(config + "/user-dirs.dirs");
  const std::string key = std::string("XDG_") + kind + "_DIR=";
  std::string line, folder;
  while (std::getline(in, line)) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
    std::string value = line.substr(start + key.size());
    if (value.size() < 2 || value.front() != '"') continue;
    std::string unquoted;
    for (size_t i = 1; i < value.size() && value[i] != '"'; ++i) {
      if (value[i] == '\\' && i + 1 < value.size()) ++i;
      unquoted.push_back(value[i]);
    }
    if (unquoted.compare(0, 5, "$HOME") == 0) {
      std::string rest = unquoted.substr(5);
      // "$HOME" alone switches the folder off; the home folder itself is not
      // that folder, so the usual place is taken instead.
      if (rest.empty() || rest == "/") continue;
      if (rest[0] != '/') continue;
      folder = home + rest;
    } else if (!unquoted.empty() && unquoted[0] == '/') {
      folder = unquoted;
    }
  }
  if (folder.empty()) folder = home + "/" + fallbackName;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (!isValidUtf8(folder.c_str())) return ZRString();
  return ZRString(folder.c_str());
}

ZRString getDocumentsFolder_Apple() {
  return getXdgUserFolder_Apple("DOCUMENTS", "Documents");
}

namespace {
std::mutex resourcesOverrideLock;
std::string resourcesOverride;
}  // namespace

void SetResourcesDirOverride_Apple(const char* folder) {
  std::lock_guard lock(resourcesOverrideLock);
  resourcesOverride = folder != nullptr ? folder : "";
  if (!resourcesOverride.empty() && resourcesOverride.back() != '/') resourcesOverride += '/';
}

bool GetResourcesDir_Apple(char* destination, int size) {
  if (destination != nullptr && size > 0) destination[0] = 0;
  {
    std::lock_guard lock(resourcesOverrideLock);
    if (!resourcesOverride.empty()) return copyToBuffer(resourcesOverride, destination, size);
  }
  std::string exe = executableFolder();
  if (exe.empty()) return false;
  std::string installed = resolvedPath(exe + "../share/orvel");
  if (isDirectory(installed)) return copyToBuffer(installed + "/", destination, size);
  // Running from a build folder, wherever it lies: the resources of the source tree it was built from.
  if (isDirectory(ORVEL_SOURCE_RESOURCES_DIR)) {
    return copyToBuffer(std::string(ORVEL_SOURCE_RESOURCES_DIR) + "/", destination, size);
  }
  // A build folder inside a checkout that moved since the build.
  std::string dir = resolvedPath(exe);
  while (!dir.empty()) {
    std::string candidate = joinPath(dir, "resources");
    if (isDirectory(candidate)) return copyToBuffer(candidate + "/", destination, size);
    if (dir == "/") break;
    size_t slash = dir.rfind('/');
    dir = slash == 0 ? std::string("/") : dir.substr(0, slash);
  }
  return false;
}

bool GetExecutableDir_Apple(char* destination, int size) {
  if (destination != nullptr && size > 0) destination[0] = 0;
  return copyToBuffer(executableFolder(), destination, size);
}

bool getiTunesLibraryXmlPath_Apple(ZRString* out) {
  (void)out;
  return false;
}

void AppleNSLog(const char* text) {
  if (text == nullptr) return;
  platformSystemLogWrite(text, strlen(text));
}
