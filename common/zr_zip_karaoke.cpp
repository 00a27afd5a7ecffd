#include "common/zr_zip_karaoke.h"

#include <fcntl.h>
#include <minizip/unzip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "common/zr_zip_budget.h"
#include "common/zr_zip_safe_path.h"

namespace {

constexpr size_t kCopyBufferSize = 8192;
constexpr int kOutOfMemory = -104;
constexpr int kOverBudget = -105;
constexpr int kCannotWrite = -106;

bool endsWithNoCase(const std::string& name, const char* tail) {
  const size_t n = std::strlen(tail);
  if (name.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    const char a = name[name.size() - n + i];
    const char lower = (a >= 'A' && a <= 'Z') ? static_cast<char>(a - 'A' + 'a') : a;
    if (lower != tail[i]) return false;
  }
  return true;
}

std::string afterLastSeparator(const std::string& name) {
  const size_t cut = name.find_last_of("/\\");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

// Reads the current member's information and its whole name, sanitised; UNZ_OK or minizip's error.
int currentMember(unzFile zip, unz_file_info64* info, std::string* name) {
  int err = unzGetCurrentFileInfo64(zip, info, nullptr, 0, nullptr, 0, nullptr, 0);
  if (err != UNZ_OK) return err;
  std::vector<char> raw(info->size_filename + 1, '\0');
  err =
      unzGetCurrentFileInfo64(zip, info, raw.data(), static_cast<uLong>(raw.size()), nullptr, 0, nullptr, 0);
  if (err != UNZ_OK) return err;
  name->assign(raw.data(), info->size_filename);
  for (char& c : *name) {
    if (static_cast<unsigned char>(c) >= 128 || c == '\0') c = '_';
  }
  return UNZ_OK;
}

ZRZipDate dateOf(const unz_file_info64& info) {
  ZRZipDate d;
  d.sec = static_cast<int>(info.tmu_date.tm_sec);
  d.min = static_cast<int>(info.tmu_date.tm_min);
  d.hour = static_cast<int>(info.tmu_date.tm_hour);
  d.mday = static_cast<int>(info.tmu_date.tm_mday);
  d.mon = static_cast<int>(info.tmu_date.tm_mon);
  d.year = static_cast<int>(info.tmu_date.tm_year);
  return d;
}

// Creates the file leaf in folderFd for writing, replacing an existing file (a symbolic link at the
// name is removed, never followed). -1 when it cannot be made.
int createOutput(int folderFd, const std::string& leaf) {
  const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC;
  int fd = openat(folderFd, leaf.c_str(), flags, 0644);
  if (fd < 0 && errno == ELOOP && unlinkat(folderFd, leaf.c_str(), 0) == 0) {
    fd = openat(folderFd, leaf.c_str(), flags, 0644);
  }
  return fd;
}

bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

class PackageExtractor {
 public:
  PackageExtractor(unzFile zip, const char* target, bool withoutPaths, bool overwrite, uint64_t archiveBytes)
      : zip_(zip),
        target_(target ? target : ""),
        withoutPaths_(withoutPaths),
        overwrite_(overwrite),
        budget_(archiveBytes) {}

  // Every .mp3, .wav and .cdg member; 1 when all went well, 0 otherwise. A package that expands beyond
  // its budget is refused, and what this call wrote is removed again.
  int extractMembers(std::string* cdgName) {
    unz_global_info64 global = {};
    int err = unzGetGlobalInfo64(zip_, &global);
    if (err != UNZ_OK) printdebugstring2("error %d with zipfile in unzGetGlobalInfo \n", err);
    err = unzGoToFirstFile(zip_);
    if (err != UNZ_OK) printdebugstring2("error %d with zipfile in unzGoToFirstFile \n", err);
    if (global.number_entry == 0) return 1;
    if (!declaredSizesFit(global.number_entry)) return 0;
    const int result = extractEach(global.number_entry, cdgName);
    if (result == 0 && overBudget_) removeWritten();
    return result;
  }

 private:
  // The sizes the directory declares must fit the budget before anything is written (what is really
  // written is counted again, since a directory may lie).
  bool declaredSizesFit(ZPOS64_T entries) {
    uint64_t declared = 0;
    for (ZPOS64_T i = 0; i < entries; ++i) {
      unz_file_info64 info;
      std::string name;
      if (currentMember(zip_, &info, &name) != UNZ_OK) break;
      if (isMp3WavCdg(name.c_str())) {
        const uint64_t size = info.uncompressed_size;
        declared = size > UINT64_MAX - declared ? UINT64_MAX : declared + size;
      }
      if (i + 1 < entries && unzGoToNextFile(zip_) != UNZ_OK) break;
    }
    unzGoToFirstFile(zip_);
    if (budget_.allows(declared)) return true;
    overBudget_ = true;
    printdebugstring2("error: the package would expand to %llu bytes (at most %llu allowed), refused\n",
                      static_cast<unsigned long long>(declared),
                      static_cast<unsigned long long>(budget_.limit()));
    return false;
  }

  int extractEach(ZPOS64_T entries, std::string* cdgName) {
    int err = UNZ_OK;
    for (ZPOS64_T i = 0; i < entries; ++i) {
      unz_file_info64 info;
      std::string name;
      err = currentMember(zip_, &info, &name);
      if (err != UNZ_OK) {
        printdebugstring2("error %d with zipfile in unzGetCurrentFileInfo\n", err);
        return 0;
      }
      if (isMp3WavCdg(name.c_str())) {
        memberInPlace_ = false;
        if (extractCurrent() != 0) return 0;
        // Only a member now on disk is handed back (an unsafe name is skipped).
        if (endsWithNoCase(name, "cdg") && cdgName && memberInPlace_) *cdgName = afterLastSeparator(name);
      }
      if (i + 1 < entries) {
        err = unzGoToNextFile(zip_);
        if (err != UNZ_OK) {
          printdebugstring2("error %d with zipfile in unzGoToNextFile\n", err);
          return 0;
        }
      }
    }
    return 1;
  }

  // Removes the files this extraction wrote (after it ran over its budget).
  void removeWritten() {
    const int folder = openTarget();
    if (folder < 0) return;
    for (const std::string& name : written_) {
      const std::vector<std::string> parts = zipNameComponents(name);
      if (parts.empty()) continue;
      const int parent = zipOpenFolderAt(folder, parts, parts.size() - 1, false, nullptr);
      if (parent < 0) continue;
      unlinkat(parent, parts.back().c_str(), 0);
      ::close(parent);
    }
    ::close(folder);
    written_.clear();
  }

  int extractCurrent() {
    unz_file_info64 info;
    std::string name;
    int err = currentMember(zip_, &info, &name);
    if (err != UNZ_OK) {
      printdebugstring2("error %d with zipfile in unzGetCurrentFileInfo\n", err);
      return err;
    }
    std::vector<char> buffer;
    try {
      buffer.resize(kCopyBufferSize);
    } catch (...) {
      printdebugstring2("Error allocating memory\n");
      return kOutOfMemory;
    }
    const std::string leaf = afterLastSeparator(name);
    if (leaf.empty()) {
      if (!withoutPaths_) {
        printdebugstring2("creating directory: %s\n", name.c_str());
        if (!zipNameIsSafe(name)) return 0;
        const int folder = openTarget();
        if (folder >= 0) {
          const std::vector<std::string> parts = zipNameComponents(name);
          const int made = zipOpenFolderAt(folder, parts, parts.size(), true, nullptr);
          if (made >= 0) ::close(made);
          ::close(folder);
        }
      }
      return 0;
    }
    // Only the stored and deflate methods come out decoded here; anything else (bzip2 would come out
    // still compressed) and encrypted data fail so that the streaming extractor takes over.
    if ((info.flag & 1) != 0) {
      printdebugstring2("error: encrypted entry '%s' cannot be extracted\n", name.c_str());
      return UNZ_BADZIPFILE;
    }
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) {
      printdebugstring2("error: compression method %lu of '%s' is not decoded here\n",
                        static_cast<unsigned long>(info.compression_method), name.c_str());
      return UNZ_BADZIPFILE;
    }
    const std::string written = withoutPaths_ ? leaf : name;
    if (!zipNameIsSafe(written)) {
      printdebugstring2("error: entry '%s' would leave the target folder, skipped\n", name.c_str());
      return 0;
    }
    err = unzOpenCurrentFilePassword(zip_, nullptr);
    if (err != UNZ_OK) {
      printdebugstring2("error %d with zipfile in unzOpenCurrentFilePassword\n", err);
      unzCloseCurrentFile(zip_);
      return err;
    }
    bool keptExisting = false;
    const int out = openOutput(written, &keptExisting);
    if (out >= 0) written_.push_back(written);
    if (out < 0) {
      err = unzCloseCurrentFile(zip_);
      if (err != UNZ_OK) printdebugstring2("error %d with zipfile in unzCloseCurrentFile\n", err);
      if (keptExisting) {
        memberInPlace_ = true;
        return err == UNZ_OK ? 0 : err;
      }
      // A member that cannot be written (a name too long for the file system, a full or read-only
      // folder) fails the package: its files are not all there.
      printdebugstring2("error opening %s\n", written.c_str());
      return kCannotWrite;
    }
    for (;;) {
      const int n = unzReadCurrentFile(zip_, buffer.data(), static_cast<unsigned>(buffer.size()));
      if (n < 0) {
        printdebugstring2("error %d with zipfile in unzReadCurrentFile\n", n);
        err = n;
        break;
      }
      if (n == 0) break;
      if (!budget_.take(static_cast<uint64_t>(n))) {
        printdebugstring2("error: the package expands beyond %llu bytes, refused\n",
                          static_cast<unsigned long long>(budget_.limit()));
        overBudget_ = true;
        err = kOverBudget;
        break;
      }
      if (!writeAll(out, buffer.data(), static_cast<size_t>(n))) {
        printdebugstring2("error in writing extracted file\n");
        err = -1;
        break;
      }
    }
    ::close(out);
    if (err != UNZ_OK) {
      unzCloseCurrentFile(zip_);
      return err;
    }
    change_file_date(getFinalPath(written.c_str(), target_.c_str()).c_str(), dateOf(info));
    err = unzCloseCurrentFile(zip_);
    if (err != UNZ_OK) {
      printdebugstring2("error %d with zipfile in unzCloseCurrentFile\n", err);
      return err;
    }
    memberInPlace_ = true;
    return 0;
  }

  int openTarget() const {
    return open(target_.empty() ? "." : target_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }

  // Opens the written name below the target folder, making its folders when paths are kept and the
  // first try fails.
  // keptExisting: the file was there already and is not overwritten.
  int openOutput(const std::string& written, bool* keptExisting) {
    const int folder = openTarget();
    if (folder < 0) return -1;
    const std::vector<std::string> parts = zipNameComponents(written);
    int fd = -1;
    if (!parts.empty()) {
      int parent = zipOpenFolderAt(folder, parts, parts.size() - 1, false, nullptr);
      if (parent < 0 && !withoutPaths_ && parts.size() > 1) {
        parent = zipOpenFolderAt(folder, parts, parts.size() - 1, true, nullptr);
      }
      if (parent >= 0) {
        const bool exists = faccessat(parent, parts.back().c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0;
        if (exists && !overwrite_) {
          printdebugstring2("file exists, not overwritten: %s\n", written.c_str());
          *keptExisting = true;
        } else {
          fd = createOutput(parent, parts.back());
        }
        ::close(parent);
      }
    }
    ::close(folder);
    return fd;
  }

  unzFile zip_;
  std::string target_;
  bool withoutPaths_;
  bool overwrite_;
  ZRZipBudget budget_;
  bool overBudget_ = false;
  // Whether the member being extracted is now on disk (written, or an earlier file kept).
  bool memberInPlace_ = false;
  // Names (relative to the target folder) of the files this extraction opened for writing.
  std::vector<std::string> written_;
};

// An archive without members is just an end record; minizip's search for that record never looks at
// the very first byte of a file, so it cannot open such an archive itself.
bool isEmptyArchive(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  unsigned char head[22];
  const size_t n = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  return n == sizeof head && std::memcmp(head, "PK\x05\x06", 4) == 0 && head[10] == 0 && head[11] == 0;
}

}  // namespace

void printdebugstring2(const char* format, ...) {
  char text[4001];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::printf("-- ztv: %s\n", text);
  std::fflush(stdout);
}

int isMp3WavCdg(const char* name) {
  if (!name) return 0;
  const std::string s(name);
  return endsWithNoCase(s, "mp3") || endsWithNoCase(s, "wav") || endsWithNoCase(s, "cdg");
}

std::string getFinalPath(const char* name, const char* folder) {
  std::string result = folder ? folder : "";
  if (!result.empty() && result.back() != '/') result += '/';
  return result + (name ? name : "");
}

int makedir(const char* path) {
  if (!path || !*path) return 0;
  std::string copy(path);
  if (copy.size() > 1 && copy.back() == '/') copy.pop_back();
  if (mkdir(copy.c_str(), 0775) == 0) return 1;
  for (size_t i = 1; i <= copy.size(); ++i) {
    if (i == copy.size() || copy[i] == '/' || copy[i] == '\\') {
      const std::string prefix = copy.substr(0, i);
      if (mkdir(prefix.c_str(), 0775) != 0 && errno == ENOENT) {
        printdebugstring2("couldn't create directory %s\n", prefix.c_str());
        return 0;
      }
    }
  }
  struct stat st;
  return (stat(copy.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? 1 : 0;
}

void change_file_date(const char* path, const ZRZipDate& date) {
  struct tm t = {};
  t.tm_sec = date.sec;
  t.tm_min = date.min;
  t.tm_hour = date.hour;
  t.tm_mday = date.mday;
  t.tm_mon = date.mon;
  t.tm_year = date.year > 1900 ? date.year - 1900 : date.year;
  t.tm_isdst = -1;
  const time_t when = mktime(&t);
  struct timespec times[2];
  times[0].tv_sec = when;
  times[0].tv_nsec = 0;
  times[1] = times[0];
  utimensat(AT_FDCWD, path, times, AT_SYMLINK_NOFOLLOW);
}

int doesZipContainsCdg(const char* zipPath) {
  if (!zipPath) return 0;
  unzFile zip = unzOpen64(zipPath);
  if (!zip) return 0;
  int result = 0;
  unz_global_info64 global = {};
  if (unzGetGlobalInfo64(zip, &global) == UNZ_OK && unzGoToFirstFile(zip) == UNZ_OK &&
      global.number_entry > 0) {
    for (;;) {
      unz_file_info64 info;
      std::string name;
      if (currentMember(zip, &info, &name) != UNZ_OK) break;
      if (endsWithNoCase(name, "cdg")) {
        result = 1;
        break;
      }
      if (unzGoToNextFile(zip) != UNZ_OK) break;
    }
  }
  unzClose(zip);
  return result;
}

int extractZipCdgFile(const char* zipPath, const char* targetFolder, unsigned overwrite,
                      std::string* cdgName) {
  unzFile zip = zipPath ? unzOpen64(zipPath) : nullptr;
  if (!zip && zipPath && isEmptyArchive(zipPath)) return 1;
  if (!zip) {
    printdebugstring2("error(zip): can not open file '%s'\n", zipPath ? zipPath : "");
    return 0;
  }
  PackageExtractor extractor(zip, targetFolder, true, overwrite != 0, ZRZipBudget::archiveSize(zipPath));
  const int result = extractor.extractMembers(cdgName);
  unzClose(zip);
  // A package that failed is not there whole: no name of it is handed back.
  if (result == 0 && cdgName != nullptr) cdgName->clear();
  return result;
}
