#include "common/zr_atomic_file_writer.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "common/zr_logging.h"
#include "common/zr_xml_header.h"
#include "platform/process_identity.h"

namespace {

std::atomic<unsigned> tempCounter{0};

// Temporary files are named "." + the target's name + ".orvel-tmp.<pid>.<start ticks>.<n>": the writing
// process's id and start time tell a file still being written from one a dead process left behind.
constexpr char kTempMarker[] = ".orvel-tmp.";

std::string tempPrefix(const std::string& base) {
  return "." + base + kTempMarker;
}

// Whether the process named in a temporary file's name (what follows the prefix) no longer runs.
bool writerIsGone(const char* rest) {
  char* end = nullptr;
  const unsigned long long pid = strtoull(rest, &end, 10);
  if (end == rest || *end != '.') return false;
  const char* ticksText = end + 1;
  const unsigned long long ticks = strtoull(ticksText, &end, 10);
  if (end == ticksText || *end != '.' || pid == 0 || pid > 0x7fffffffULL) return false;
  const auto owner = static_cast<pid_t>(pid);
  if (owner == getpid() && ticks == platformOwnStartTicks()) return false;
  return platformProcessStartTicks(owner) != ticks;
}

// Removes the temporary files of base in folder that processes which have ended left behind (a crash or
// a kill in the middle of a save); those of running writers stay.
void removeStaleTemporaries(const std::string& folder, const std::string& base) {
  const std::string prefix = tempPrefix(base);
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* e = readdir(dir)) {
    if (strncmp(e->d_name, prefix.c_str(), prefix.size()) != 0) continue;
    if (!writerIsGone(e->d_name + prefix.size())) continue;
    const std::string path = folder + e->d_name;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && unlink(path.c_str()) == 0) {
      ZRLOG("removed '%s', left behind by an interrupted save", path);
    }
  }
  closedir(dir);
}

bool syncPath(const std::string& path, int flags) {
  int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  return ok;
}

}  // namespace

namespace {

void splitPath(const std::string& path, std::string* folder, std::string* base) {
  const size_t slash = path.rfind('/');
  *folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  *base = slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ownTemporaryPrefix(const std::string& folder, const std::string& base) {
  return folder + tempPrefix(base) + std::to_string(getpid()) + "." +
         std::to_string(platformOwnStartTicks()) + ".";
}

}  // namespace

std::string ZRAtomicFileWriter::temporaryPathFor(const std::string& path, const std::string& tag) {
  std::string folder, base;
  splitPath(path, &folder, &base);
  return ownTemporaryPrefix(folder, base) + tag;
}

void ZRAtomicFileWriter::removeStaleTemporariesOf(const std::string& path) {
  std::string folder, base;
  splitPath(path, &folder, &base);
  if (!base.empty()) removeStaleTemporaries(folder, base);
}

ZRAtomicFileWriter::ZRAtomicFileWriter(const ZRString& path) {
  char buffer[4096];
  if (!path.toUTF8(buffer, sizeof(buffer)) || buffer[0] == 0) return;
  targetPath_ = buffer;

  struct stat st;
  if (lstat(targetPath_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* resolved = realpath(targetPath_.c_str(), nullptr)) {
      targetPath_ = resolved;
      free(resolved);
    }
  }
  bool haveOld = stat(targetPath_.c_str(), &st) == 0 && S_ISREG(st.st_mode);

  std::string folder, base;
  splitPath(targetPath_, &folder, &base);
  if (base.empty()) return;
  removeStaleTemporaries(folder, base);
  // Hidden, so that folder listings never show a half-written file.
  const std::string prefix = ownTemporaryPrefix(folder, base);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = prefix + std::to_string(tempCounter.fetch_add(1, std::memory_order_relaxed));
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return;
    }
    // A replaced file keeps the permissions it had.
    if (haveOld) fchmod(fd, st.st_mode & 07777);
    close(fd);
    tempPath_ = candidate;
    return;
  }
}

ZRAtomicFileWriter::~ZRAtomicFileWriter() {
  if (!committed_) discard();
}

void ZRAtomicFileWriter::discard() {
  if (!tempPath_.empty()) unlink(tempPath_.c_str());
}

bool ZRAtomicFileWriter::open(std::ofstream& stream) {
  if (tempPath_.empty() || committed_) return false;
  stream.open(tempPath_, std::ios::out | std::ios::binary | std::ios::trunc);
  return stream.is_open();
}

bool ZRAtomicFileWriter::openXml(std::ofstream& stream) {
  if (tempPath_.empty() || committed_) return false;
  return writeXmlHeaderUTF8(stream, ZRString(tempPath_));
}

bool ZRAtomicFileWriter::commit(std::ofstream& stream) {
  if (committed_) return false;
  if (tempPath_.empty()) {
    ZRLOG("error: cannot create a file beside '%s'", targetPath_);
    return false;
  }
  bool ok = stream.is_open() && stream.good();
  if (stream.is_open()) {
    stream.flush();
    ok = ok && stream.good();
    stream.close();
    ok = ok && !stream.fail();
  }
  int error = errno;
  const char* step = "write";
  if (ok && !syncPath(tempPath_, O_RDONLY)) {
    ok = false;
    error = errno;
    step = "flush";
  }
  if (ok && rename(tempPath_.c_str(), targetPath_.c_str()) != 0) {
    ok = false;
    error = errno;
    step = "replace";
  }
  if (!ok) {
    ZRLOG("error: cannot %s '%s' (%s); the old file is kept", step, targetPath_, strerror(error));
    discard();
    tempPath_.clear();
    return false;
  }
  committed_ = true;
  // Makes the rename itself durable; the new content is already safe, so a
  // failure here changes nothing for the caller.
  size_t slash = targetPath_.rfind('/');
  syncPath(slash == std::string::npos ? std::string(".") : targetPath_.substr(0, slash + 1),
           O_RDONLY | O_DIRECTORY);
  return true;
}
