#pragma once
// The zip harnesses extract into a folder four levels down a "jail" folder and check afterwards that
// nothing appeared in the jail outside the target, and that no link in the target leads out of it.

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "fuzz_support.h"

namespace orvel_fuzz {

class ZipJail {
 public:
  ZipJail() {
    std::string path = root();
    mkdir(path.c_str(), 0700);
    for (const char* part : {"a/", "b/", "c/", "out/"}) {
      path += part;
      mkdir(path.c_str(), 0700);
    }
  }
  static std::string root() { return scratchFolder() + "jail/"; }
  static std::string target() { return root() + "a/b/c/out/"; }

  // After an extraction: aborts when anything escaped, then empties the target.
  void checkAndClean() {
    for (const std::string& path : listTree(root())) {
      const bool inside = path.rfind("a/b/c/out", 0) == 0 || path == "a" || path == "a/b" || path == "a/b/c";
      fuzzCheck(inside, ("an extracted file left the target folder: " + path).c_str());
      if (!inside) continue;
      const std::string full = root() + path;
      struct stat st;
      if (lstat(full.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char link[4096];
        const ssize_t n = readlink(full.c_str(), link, sizeof link - 1);
        const std::string to = n > 0 ? std::string(link, static_cast<size_t>(n)) : std::string();
        fuzzCheck(!to.empty() && to[0] != '/' && to.find("..") == std::string::npos,
                  ("a link leads out of the target folder: " + path + " -> " + to).c_str());
      }
    }
    emptyFolder(target());
  }
};

}  // namespace orvel_fuzz
