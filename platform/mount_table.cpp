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

// The whole table, read afresh by its path (a table replaced by a new file is read too).
std::string readTable(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
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

PlatformMountWatcher::PlatformMountWatcher(std::function<void()> onChange, std::string table,
                                           int checkIntervalMs)
    : onChange_(std::move(onChange)),
      table_(std::move(table)),
      intervalMs_(checkIntervalMs > 0 ? checkIntervalMs : 2000) {
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  // What the table holds now is read before the constructor returns: a change right after it is seen.
  std::string first = readTable(table_);
  thread_ = std::thread([this, first = std::move(first)]() mutable { run(std::move(first)); });
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

void PlatformMountWatcher::run(std::string last) {
  platformSetCurrentThreadName("mountWatch");
  // The descriptor only wakes the wait: the kernel marks its table with POLLPRI when it changed.
  const int fd = open(table_.c_str(), O_RDONLY | O_CLOEXEC);
  while (!stop_.load()) {
    pollfd fds[2] = {{fd, POLLPRI, 0}, {wakeFd_, POLLIN, 0}};
    const int ready = poll(fds, 2, intervalMs_);
    if (stop_.load()) break;
    if (ready < 0 && errno != EINTR) break;
    std::string now = readTable(table_);
    if (now != last) {
      last = std::move(now);
      if (onChange_) onChange_();
    }
  }
  if (fd >= 0) close(fd);
}
