#include "platform/mount_table.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/thread_name.h"

std::string platformUnescapeMountField(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const char* d = field.c_str() + i + 1;
      if (d[0] >= '0' && d[0] <= '7' && d[1] >= '0' && d[1] <= '7' && d[2] >= '0' && d[2] <= '7') {
        out.push_back(static_cast<char>((d[0] - '0') * 64 + (d[1] - '0') * 8 + (d[2] - '0')));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

namespace {

// The whole table from an open descriptor (from its start).
std::string readAll(int fd) {
  std::string text;
  if (lseek(fd, 0, SEEK_SET) < 0) return text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

}  // namespace

std::vector<std::string> platformReadMountPoints(const std::string& table) {
  std::vector<std::string> points;
  std::ifstream in(table);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string id, parent, device, root, mountPoint;
    if (!(fields >> id >> parent >> device >> root >> mountPoint)) continue;
    points.push_back(platformUnescapeMountField(mountPoint));
  }
  return points;
}

PlatformMountWatcher::PlatformMountWatcher(std::function<void()> onChange, std::string table, int checkIntervalMs)
    : onChange_(std::move(onChange)), table_(std::move(table)), intervalMs_(checkIntervalMs > 0 ? checkIntervalMs : 2000) {
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  thread_ = std::thread([this] { run(); });
}

PlatformMountWatcher::~PlatformMountWatcher() {
  stop_.store(true);
  if (wakeFd_ >= 0) {
    const uint64_t one = 1;
    ssize_t ignored = write(wakeFd_, &one, sizeof(one));
    (void)ignored;
  }
  if (thread_.joinable()) thread_.join();
  if (wakeFd_ >= 0) close(wakeFd_);
}

void PlatformMountWatcher::run() {
  platformSetCurrentThreadName("mountWatch");
  const int fd = open(table_.c_str(), O_RDONLY | O_CLOEXEC);
  std::string last = fd >= 0 ? readAll(fd) : std::string();
  while (!stop_.load()) {
    // The kernel marks its mount table with POLLPRI (and POLLERR) when it changed.
    pollfd fds[2] = {{fd, POLLPRI, 0}, {wakeFd_, POLLIN, 0}};
    const int ready = poll(fds, 2, intervalMs_);
    if (stop_.load()) break;
    if (ready < 0 && errno != EINTR) break;
    std::string now;
    if (fd >= 0) {
      now = readAll(fd);
    } else {
      std::ifstream in(table_);
      std::ostringstream all;
      all << in.rdbuf();
      now = all.str();
    }
    if (now != last) {
      last = std::move(now);
      if (onChange_) onChange_();
    }
  }
  if (fd >= 0) close(fd);
}
