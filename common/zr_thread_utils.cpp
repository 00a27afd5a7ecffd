#include "common/zr_thread_utils.h"

#include <cstring>
#include <thread>

#include "common/zr_logging.h"
#include "platform/thread_name.h"
#include "platform/thread_platform.h"

void setThreadName(const char* name) {
  if (!platformSetCurrentThreadName(name)) ZRLOG("error: cannot set thread name to: '%s'", name);
}

namespace {

// Copies at most size - 1 bytes, never ending inside a UTF-8 sequence.
void copyName(char* buffer, int size, const char* name) {
  size_t length = std::strlen(name);
  const size_t room = static_cast<size_t>(size) - 1;
  if (length > room) {
    length = room;
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
  }
  std::memcpy(buffer, name, length);
  buffer[length] = '\0';
}

}  // namespace

bool getCurrentThreadName(char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return false;
  buffer[0] = '\0';
  const char* stored = platformCurrentThreadName();
  if (stored != nullptr) {
    copyName(buffer, size, stored);
    return true;
  }
  // A thread we never named (the main thread, library threads): the kernel's
  // name, which defaults to the program's.
  char kernelName[16] = {0};
  if (pthread_getname_np(pthread_self(), kernelName, sizeof(kernelName)) != 0) return false;
  copyName(buffer, size, kernelName);
  return true;
}

pthread_t getCurrentThreadId() {
  return pthread_self();
}

int getTotalLogicalCores() {
  const unsigned hardware = std::thread::hardware_concurrency();
  if (hardware > 0) return static_cast<int>(hardware);
  const int online = platformOnlineCpuCount();
  if (online > 0) return online;
  const int configured = platformConfiguredCpuCount();
  if (configured > 0) return configured;
  return 1;
}
