#include "common/zr_keep_aside.h"

#include <cstdio>
#include <ctime>

#include "common/zr_files.h"

bool keepFileAside(const std::string& path, std::string* keptAs) {
  if (path.empty() || !FileExists(path.c_str())) return false;
  const time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  char stamp[32];
  strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string base = path + ".unreadable-" + stamp;
  for (int n = 0; n < 100; ++n) {
    const std::string candidate = n == 0 ? base : base + "-" + std::to_string(n);
    if (FileExists(candidate.c_str())) continue;
    if (std::rename(path.c_str(), candidate.c_str()) != 0) return false;
    if (keptAs != nullptr) *keptAs = candidate;
    return true;
  }
  return false;
}
