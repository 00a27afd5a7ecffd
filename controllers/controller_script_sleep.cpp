#include "controllers/controller_script_sleep.h"

#include <algorithm>
#include <chrono>
#include <thread>

void callDj_Sleep(int value, int, int) {
  if (value <= 0) return;
  std::this_thread::sleep_for(std::chrono::milliseconds(std::min(value, kMaxScriptSleepMs)));
}
