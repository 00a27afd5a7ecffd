#include "platform/system_log.h"

#include <errno.h>
#include <syslog.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

namespace {

// The system log's identification: the program's name and its process id in front of every line.
void openSystemLog() {
  static std::once_flag once;
  std::call_once(once, [] { openlog(program_invocation_short_name, LOG_PID | LOG_NDELAY, LOG_USER); });
}

}  // namespace

void platformSystemLogWrite(const char* line, std::size_t length) {
  if (line == nullptr) return;
  openSystemLog();
  syslog(LOG_NOTICE, "%.*s", static_cast<int>(length), line);

  // One write() per line keeps lines of different threads whole on the error stream.
  char buffer[8192];
  const std::size_t n = length < sizeof(buffer) - 1 ? length : sizeof(buffer) - 1;
  std::memcpy(buffer, line, n);
  buffer[n] = '\n';
  std::size_t done = 0;
  while (done < n + 1) {
    const ssize_t w = ::write(STDERR_FILENO, buffer + done, n + 1 - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    done += static_cast<std::size_t>(w);
  }
}
