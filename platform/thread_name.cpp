#include "platform/thread_name.h"

#include <pthread.h>

#include <cstring>

namespace {

constexpr std::size_t kStoredNameBytes = 64;
constexpr std::size_t kKernelNameBytes = 15;

thread_local char storedName[kStoredNameBytes] = {0};

// The longest prefix of at most limit bytes that does not split a UTF-8 sequence.
std::size_t utf8Prefix(const char* text, std::size_t length, std::size_t limit) {
  if (length <= limit) return length;
  std::size_t n = limit;
  // Step back over continuation bytes so the cut lands before a lead byte.
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return n;
}

}  // namespace

bool platformSetCurrentThreadName(const char* fullName) {
  if (fullName == nullptr || fullName[0] == '\0') {
    storedName[0] = '\0';
    return true;
  }
  const std::size_t length = std::strlen(fullName);
  const std::size_t stored = utf8Prefix(fullName, length, kStoredNameBytes - 1);
  std::memcpy(storedName, fullName, stored);
  storedName[stored] = '\0';

  char kernelName[kKernelNameBytes + 1];
  const std::size_t kernel = utf8Prefix(fullName, length, kKernelNameBytes);
  std::memcpy(kernelName, fullName, kernel);
  kernelName[kernel] = '\0';
  return pthread_setname_np(pthread_self(), kernelName) == 0;
}

const char* platformCurrentThreadName() {
  return storedName[0] != '\0' ? storedName : nullptr;
}
