#pragma once
// The kernel's table of mounts (/proc/self/mountinfo): which folders are mount points, and a watcher that
// says when the table changes (a USB stick plugged in, a network share mounted), so the browser's Finder
// can follow the volumes.

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// The mount points of a table in mountinfo format (the fifth field of each line, with the kernel's \ooo
// escapes decoded), in table order; empty when the table cannot be read.
std::vector<std::string> platformReadMountPoints(const std::string& table = "/proc/self/mountinfo");

// A field of a mount table with the kernel's \ooo escapes (blanks, tabs, newlines, backslashes) decoded.
std::string platformUnescapeMountField(const std::string& field);

// Watches a mount table on a thread of its own ("mountWatch") and calls onChange there each time the
// table's content differs from what it read before. The kernel wakes the thread when its table changes;
// the content is also compared every checkIntervalMs (what makes a plain file watchable in tests).
// Destruction stops the thread promptly and joins it; onChange is not called afterwards.
class PlatformMountWatcher {
 public:
  explicit PlatformMountWatcher(std::function<void()> onChange, std::string table = "/proc/self/mountinfo",
                                int checkIntervalMs = 2000);
  ~PlatformMountWatcher();
  PlatformMountWatcher(const PlatformMountWatcher&) = delete;
  PlatformMountWatcher& operator=(const PlatformMountWatcher&) = delete;

 private:
  void run(std::string last);

  std::function<void()> onChange_;
  std::string table_;
  int intervalMs_;
  int wakeFd_ = -1;  // an eventfd that ends the wait at destruction
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
