#include "main_dj/engine_start_pending.h"

#include <mutex>
#include <set>
#include <string>

#include "common/zr_logging.h"

void pendingStep(const char* name) {
  static std::mutex lock;
  static std::set<std::string> said;
  std::lock_guard<std::mutex> guard(lock);
  if (said.insert(name).second) ZRLOG("%s: not available yet", name);
}
