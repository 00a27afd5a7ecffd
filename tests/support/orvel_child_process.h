#pragma once
// The orvel program run as a child process (tests and benchmarks): HOME and the working folder of the
// caller's choosing, the test suite's flag (nothing waits for a user), the given X display, and every line
// it writes in a log file the caller reads while it runs. PrivateDisplay starts an X server of a given
// screen size for a run.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "support/test_support.h"

namespace orvel_test {

inline std::string readAll(const std::string& path) {
  return std::filesystem::exists(path) ? readFile(path) : std::string();
}

// A private X server of the given screen size (for a display the program must refuse); skipped where
// Xvfb is missing.
class PrivateDisplay {
 public:
  explicit PrivateDisplay(const std::string& screen) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const int devnull = open("/dev/null", O_RDWR);
      dup2(devnull, 1);
      dup2(devnull, 2);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // Xvfb writes its display number once it accepts clients.
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~PrivateDisplay() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& name() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// One run of the program, its output (log lines and all) in a file.
class OrvelRun {
 public:
  // underTest false runs the program as a user would (the first start's language chooser is shown).
  OrvelRun(const std::string& program, const std::string& home, const std::string& work,
           const std::string& logPath, const std::string& display, bool underTest = true)
      : log_(logPath) {
    pid_ = fork();
    if (pid_ != 0) return;
    const int out = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(out, 2);
    if (chdir(work.c_str()) != 0) _exit(126);
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    if (underTest) {
      setenv("ORVEL_TEST", "1", 1);
    } else {
      unsetenv("ORVEL_TEST");
    }
    setenv("GDK_BACKEND", "x11", 1);
    setenv("DISPLAY", display.c_str(), 1);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ~OrvelRun() {
    if (pid_ > 0 && status_ < 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  bool waitForLog(const std::string& text, int timeoutMs) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      if (log().find(text) != std::string::npos) return true;
      if (exited()) return log().find(text) != std::string::npos;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  std::string log() const { return readAll(log_); }
  void signal(int number) const { kill(pid_, number); }
  pid_t pid() const { return pid_; }
  // The exit code (128 + signal for a signal), -1 when it has not ended within timeoutMs.
  int waitForExit(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (status_ < 0 && std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return status_;
  }

 private:
  bool exited() const { return status_ >= 0 || kill(pid_, 0) != 0; }

  std::string log_;
  pid_t pid_ = -1;
  int status_ = -1;
};

}  // namespace orvel_test
