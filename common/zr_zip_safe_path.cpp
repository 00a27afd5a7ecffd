#include "common/zr_zip_safe_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

std::vector<std::string> zipNameComponents(const std::string& name) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    std::string part = name.substr(start, end - start);
    if (!part.empty() && part != ".") parts.push_back(std::move(part));
    start = end + 1;
  }
  return parts;
}

bool zipNameIsSafe(const std::string& name) {
  if (name.empty() || name[0] == '/') return false;
  for (const std::string& part : zipNameComponents(name)) {
    if (part == "..") return false;
  }
  return true;
}

int zipOpenFolderAt(int rootFd, const std::vector<std::string>& components, size_t count, bool create,
                    std::vector<std::string>* created) {
  int fd = openat(rootFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  std::string relative;
  for (size_t i = 0; i < count && i < components.size(); ++i) {
    const std::string& part = components[i];
    if (part == "..") {
      ::close(fd);
      errno = EACCES;
      return -1;
    }
    relative += (relative.empty() ? "" : "/") + part;
    if (create) {
      if (mkdirat(fd, part.c_str(), 0775) == 0) {
        if (created) created->push_back(relative);
      } else if (errno != EEXIST) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
      }
    }
    const int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int saved = errno;
    ::close(fd);
    if (next < 0) {
      errno = saved;
      return -1;
    }
    fd = next;
  }
  return fd;
}
