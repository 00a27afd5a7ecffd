#pragma once
// Collects the log lines written while it lives, for tests that check what a failure reports.

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/zr_logging.h"

namespace orvel_test {

class LogCapture {
 public:
  // onlyThisThread: keep only the lines of the constructing thread (other threads' lines, such as those
  // of workers left running by earlier tests, are not the test's).
  explicit LogCapture(bool onlyThisThread = false) {
    // The log's own "log started" line comes with its first use: let it pass before capturing.
    ZRLogging::getInstance();
    {
      std::lock_guard<std::mutex> g(lock());
      store().clear();
      onlyThread() = onlyThisThread ? std::this_thread::get_id() : std::thread::id();
    }
    ZRLogging::setLineSink(&LogCapture::sink);
  }
  ~LogCapture() { ZRLogging::setLineSink(nullptr); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> g(lock());
    return store();
  }
  void clear() {
    std::lock_guard<std::mutex> g(lock());
    store().clear();
  }
  // Lines that contain text.
  int count(const std::string& text) const {
    int n = 0;
    for (const std::string& l : lines()) n += l.find(text) != std::string::npos ? 1 : 0;
    return n;
  }
  bool contains(const std::string& text) const { return count(text) > 0; }
  std::string joined() const {
    std::string all;
    for (const std::string& l : lines()) all += l + "\n";
    return all;
  }

 private:
  static void sink(const char* line, std::size_t length) {
    std::lock_guard<std::mutex> g(lock());
    if (onlyThread() == std::thread::id() || onlyThread() == std::this_thread::get_id()) {
      store().emplace_back(line, length);
    }
  }
  static std::mutex& lock() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::string>& store() {
    static std::vector<std::string> s;
    return s;
  }
  // The thread whose lines are kept; no thread: every line.
  static std::thread::id& onlyThread() {
    static std::thread::id id;
    return id;
  }
};

}  // namespace orvel_test
