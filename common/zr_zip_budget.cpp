#include "common/zr_zip_budget.h"

#include <sys/stat.h>

#include <algorithm>

ZRZipBudget::ZRZipBudget(uint64_t archiveBytes) {
  // Saturating: an archive larger than kMaxBytes / kMaxRatio already gets the whole budget.
  const uint64_t byRatio = archiveBytes > kMaxBytes / kMaxRatio ? kMaxBytes : archiveBytes * kMaxRatio;
  limit_ = std::min(kMaxBytes, std::max(kFreeBytes, byRatio));
}

uint64_t ZRZipBudget::archiveSize(const char* path) {
  struct stat st;
  if (!path || stat(path, &st) != 0 || st.st_size < 0) return 0;
  return static_cast<uint64_t>(st.st_size);
}

bool ZRZipBudget::take(uint64_t bytes) {
  used_ = bytes > UINT64_MAX - used_ ? UINT64_MAX : used_ + bytes;
  return used_ <= limit_;
}
