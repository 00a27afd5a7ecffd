#include "platform/process_identity.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

uint64_t platformProcessStartTicks(pid_t pid) {
  if (pid <= 0) return 0;
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  FILE* f = std::fopen(path, "re");
  if (!f) return 0;
  char line[1024];
  const size_t n = std::fread(line, 1, sizeof line - 1, f);
  std::fclose(f);
  line[n] = '\0';
  // The command name in parentheses may hold blanks and parentheses itself: fields are counted from the
  // last ')'. The start time is field 22; the field after ')' is field 3.
  const char* p = std::strrchr(line, ')');
  if (!p) return 0;
  for (int field = 3; field <= 22; ++field) {
    p = std::strchr(p + 1, ' ');
    if (!p) return 0;
  }
  return std::strtoull(p + 1, nullptr, 10);
}

uint64_t platformOwnStartTicks() {
  static const uint64_t ticks = platformProcessStartTicks(getpid());
  return ticks;
}
