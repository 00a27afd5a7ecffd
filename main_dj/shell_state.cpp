#include "main_dj/shell_state.h"

#include <cstdlib>
#include <cstring>

#include "common/zr_logging.h"

std::atomic<bool> runFromIDE{false};
std::atomic<bool> isFirstRun{false};
std::atomic<bool> appCompletelyLoaded{false};
std::atomic<bool> deinitStarted{false};

void setRunFromIDE(bool on) {
  runFromIDE.store(on);
  if (on) ZRLOG("runFromIDE");
}

bool isRunningUnderTest() {
  const char* value = std::getenv("ORVEL_TEST");
  return value != nullptr && std::strcmp(value, "1") == 0;
}
