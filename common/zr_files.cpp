#include "common/zr_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <string>

#include "common/zr_files_platform.h"

namespace {

constexpr int kPathBytes = 4096;
constexpr int kVolumeSlots = 64;

struct TVolumeEntry {
  ZRString name;
  ZRString path;
  int type = 0;
  bool removable = false;
};

// Rescanned and read on the main thread only.
TVolumeEntry FVolumes[kVolumeSlots];
int FTotalVolumes = 0;

std::string toUtf8(const ZRString& text) {
  char buffer[kPathBytes];
  if (!text.toUTF8(buffer, sizeof(buffer))) return std::string();
  return std::string(buffer);
}

// Copies one file, replacing an existing one; the copy is not atomic, which
// is fine for filling data folders from the resources.
bool copyFile(const std::string& from, const std::string& to) {
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(in);
    return false;
  }
  int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
  if (out < 0) {
    close(in);
    return false;
  }
  bool ok = true;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(in, buffer, sizeof(buffer));
    if (n == 0) break;
    if (n < 0) {
      ok = false;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(out, buffer + done, n - done);
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  if (close(out) != 0) ok = false;
  close(in);
  return ok;
}

}  // namespace

bool FileExists(const ZRString& path) {
  return fileExists_Apple(path);
}

bool FileExists(const char* path) {
  if (path == nullptr) return false;
  FILE* f = fopen(path, "rb");
  if (f == nullptr) return false;
  fclose(f);
  return true;
}

bool FileDelete(const ZRString& path) {
  std::string p = toUtf8(path);
  return !p.empty() && remove(p.c_str()) == 0;
}

bool DirExists(const ZRString& path) {
  std::string p = toUtf8(path);
  struct stat st;
  return !p.empty() && stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DirCreate(const ZRString& path) {
  std::string p = toUtf8(path);
  return !p.empty() && mkdir(p.c_str(), 0755) == 0;
}

bool DirCreatePath(const ZRString& path, int* error) {
  if (error != nullptr) *error = 0;
  std::string p = toUtf8(path);
  if (p.empty()) {
    if (error != nullptr) *error = ENOENT;
    return false;
  }
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  // Each missing level from the top down; a level another process makes meanwhile is fine.
  for (size_t slash = p.find('/', 1);; slash = p.find('/', slash + 1)) {
    const std::string level = slash == std::string::npos ? p : p.substr(0, slash);
    if (mkdir(level.c_str(), 0755) != 0 && errno != EEXIST) {
      if (error != nullptr) *error = errno;
      return false;
    }
    if (slash == std::string::npos) break;
  }
  struct stat st;
  if (stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
  if (error != nullptr) *error = ENOTDIR;
  return false;
}

bool FileHasExtension(const char* path, const char* extension) {
  if (path == nullptr || extension == nullptr) return false;
  size_t extLength = strlen(extension);
  if (extLength == 0) return true;
  size_t pathLength = strlen(path);
  if (pathLength < extLength) return false;
  const char* tail = path + pathLength - extLength;
  for (size_t i = 0; i < extLength; ++i) {
    if (tolower(static_cast<unsigned char>(tail[i])) != tolower(static_cast<unsigned char>(extension[i]))) {
      return false;
    }
  }
  return true;
}

bool FileGetContent(const char* path, char** out) {
  if (out == nullptr) return false;
  *out = nullptr;
  if (path == nullptr) return false;
  FILE* f = fopen(path, "rb");
  if (f == nullptr) return false;
  long size = -1;
  if (fseek(f, 0, SEEK_END) == 0) size = ftell(f);
  if (size <= 0 || fseek(f, 0, SEEK_SET) != 0) {
    fclose(f);
    return false;
  }
  char* buffer = static_cast<char*>(malloc(static_cast<size_t>(size) + 1));
  if (buffer == nullptr) {
    fclose(f);
    return false;
  }
  size_t got = fread(buffer, 1, static_cast<size_t>(size), f);
  fclose(f);
  // A file that shrank while being read must not hand out unread bytes.
  if (got != static_cast<size_t>(size)) {
    free(buffer);
    return false;
  }
  buffer[size] = 0;
  *out = buffer;
  return true;
}

FILE* OpenFileFromZRString(const ZRString& path, const ZRString& mode) {
  std::string p = toUtf8(path);
  std::string m = toUtf8(mode);
  if (p.empty() || m.empty()) return nullptr;
  return fopen(p.c_str(), m.c_str());
}

bool CopyDir(ZRString from, ZRString to, bool withSubfolders, bool (*skipFile)(const char* name)) {
  from.appendSeparatorIfNeeded();
  to.appendSeparatorIfNeeded();
  if (!DirExists(from)) return false;
  std::string fromPath = toUtf8(from);
  std::string toPath = toUtf8(to);
  if (fromPath.empty() || toPath.empty()) return false;
  struct stat st;
  if (stat(toPath.c_str(), &st) != 0) mkdir(toPath.c_str(), 0777);
  DIR* dir = opendir(fromPath.c_str());
  if (dir == nullptr) return false;
  while (struct dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
    std::string source = fromPath + name;
    if (stat(source.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      if (withSubfolders) CopyDir(ZRString(source), ZRString(toPath + name), true, skipFile);
      continue;
    }
    if (skipFile != nullptr && skipFile(name)) continue;
    copyFile(source, toPath + name);
  }
  closedir(dir);
  return true;
}

bool findFirst(const ZRString& folder, const ZRString& pattern, void** handle, ZRString* name,
               bool* isFolder) {
  if (handle == nullptr) return false;
  return findFirst_Apple(folder, pattern, handle, name, isFolder);
}

bool findNext(void* handle, ZRString* name, bool* isFolder) {
  if (handle == nullptr) return false;
  return findNext_Apple(handle, name, isFolder);
}

void findClose(void* handle) {
  if (handle != nullptr) findClose_Apple(handle);
}

bool findDirHasSubdirs(const ZRString& folder) {
  void* handle = nullptr;
  bool isFolder = false;
  if (!findFirst(folder, ZRString("*"), &handle, nullptr, &isFolder)) return false;
  bool found = isFolder;
  while (!found && findNext(handle, nullptr, &isFolder)) found = isFolder;
  findClose(handle);
  return found;
}

bool findDirHasFiles(const ZRString& folder) {
  static const ZRString kFinderFile(".DS_Store");
  void* handle = nullptr;
  ZRString name;
  bool isFolder = false;
  if (!findFirst(folder, ZRString("*"), &handle, &name, &isFolder)) return false;
  bool found = false;
  do {
    if (!isFolder && name.cmp(kFinderFile) != 0) found = true;
  } while (!found && findNext(handle, &name, &isFolder));
  findClose(handle);
  return found;
}

int rescanAndGetTotalVolumes() {
  FTotalVolumes = 0;
  TAppleVolumeInfo* volumes = nullptr;
  int count = getAllMountedVolumes_Apple(&volumes);
  if (volumes == nullptr) return 0;
  for (int i = 0; i < count && i < kVolumeSlots; ++i) {
    TVolumeEntry& entry = FVolumes[FTotalVolumes];
    entry.name = volumes[i].name;
    entry.path = volumes[i].path;
    entry.type = 100;
    entry.removable = volumes[i].removable;
    ++FTotalVolumes;
  }
  delete[] volumes;
  return FTotalVolumes;
}

ZRString getVolumeName(int n) {
  if (n < 0 || n >= FTotalVolumes) return ZRString();
  return FVolumes[n].name;
}

ZRString getVolumePath(int n) {
  if (n < 0 || n >= FTotalVolumes) return ZRString();
  return FVolumes[n].path;
}

int getVolumeType(int n) {
  if (n < 0 || n >= FTotalVolumes) return -1;
  return FVolumes[n].type;
}
