#include "actions_dj/background_tasks_status.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace {
constexpr int kTextBytes = 64;
std::mutex lock;
char text[kTextBytes] = {0};
bool fresh = false;
std::atomic<bool> spinner{false};

// The length of at most max bytes of s that ends on a character boundary.
size_t utf8Fit(const char* s, size_t max) {
  size_t n = strnlen(s, max + 1);
  if (n <= max) return n;
  n = max;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) n--;
  return n;
}
}  // namespace

void setBackgroundTasksStatus(const char* remaining, bool spinnerShow) {
  {
    std::lock_guard guard(lock);
    const char* s = remaining != nullptr ? remaining : "";
    const size_t n = utf8Fit(s, kTextBytes - 1);
    std::memcpy(text, s, n);
    text[n] = 0;
    fresh = true;
  }
  spinner.store(spinnerShow);
}

void setBackgroundTasksSpinner(bool spinnerShow) {
  spinner.store(spinnerShow);
}

bool takeBackgroundTasksMessage(char* out, int size) {
  if (out == nullptr || size <= 0) return false;
  std::lock_guard guard(lock);
  if (!fresh) return false;
  const size_t n = utf8Fit(text, static_cast<size_t>(size - 1));
  std::memcpy(out, text, n);
  out[n] = 0;
  fresh = false;
  return true;
}

bool backgroundTasksSpinnerShown() {
  return spinner.load();
}
