#include "fuzz_support.h"

#include <fcntl.h>
#include <libxml/xmlerror.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/zr_logging.h"

namespace orvel_fuzz {

namespace {

void dropLine(const char*, std::size_t) {}

void dropXmlError(void*, const char*, ...) {}

class Scratch {
 public:
  Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvel-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern + "/";
  }
  ~Scratch() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

void quietXmlErrors() {
  xmlSetGenericErrorFunc(nullptr, &dropXmlError);
}

void quietLogs() {
  ZRLogging::setLineSink(&dropLine);
  // The zip extractors write their diagnostics to the standard output.
  if (std::getenv("ORVEL_FUZZ_VERBOSE") == nullptr) {
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
      std::fflush(stdout);
      dup2(null, STDOUT_FILENO);
      close(null);
    }
  }
}

const std::string& scratchFolder() {
  static Scratch scratch;
  return scratch.path();
}

std::string writeScratchFile(const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = scratchFolder() + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return out ? path : std::string();
}

void emptyFolder(const std::string& folder) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    std::filesystem::remove_all(entry.path(), ec);
  }
}

std::vector<std::string> listTree(const std::string& folder) {
  std::vector<std::string> paths;
  std::error_code ec;
  const std::filesystem::path root(folder);
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    paths.push_back(std::filesystem::relative(it->path(), root, ec).string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

void fuzzCheck(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

}  // namespace orvel_fuzz

// The set-up of a harness that needs nothing more than quiet logs; a harness with its own
// LLVMFuzzerInitialize replaces this one (and calls quietLogs itself).
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  return 0;
}
