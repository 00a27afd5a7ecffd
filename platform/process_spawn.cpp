#include "platform/process_spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

extern char** environ;

namespace {

int waitChild(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

}  // namespace

bool platformRunShellCommand(const char* command, std::string& output) {
  output.clear();
  if (command == nullptr) return false;
  int fds[2];
  // Close-on-exec, so children started meanwhile by other threads do not
  // inherit the pipe and keep it open.
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  char sh[] = "/bin/sh";
  char dashC[] = "-c";
  char* argv[] = {sh, dashC, const_cast<char*>(command), nullptr};
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, sh, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return false;
  }
  char buffer[128];
  for (;;) {
    const ssize_t n = read(fds[0], buffer, sizeof(buffer));
    if (n > 0) {
      output.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(fds[0]);
  waitChild(pid);
  return true;
}

bool platformLaunchDetached(const char* program, const char* argument) {
  if (program == nullptr || argument == nullptr) return false;
  // A short-lived shell starts the program in the background and ends at
  // once; the program is then adopted by init, so nobody has to wait for it.
  // The program and its argument reach the shell as positional parameters,
  // never as script text. Exit code 127 means the program was not found.
  static const char kScript[] =
      "command -v \"$1\" >/dev/null 2>&1 || exit 127; \"$1\" \"$2\" </dev/null >/dev/null 2>&1 & exit 0";
  char sh[] = "/bin/sh";
  char dashC[] = "-c";
  char name[] = "orvel-launch";
  char* argv[] = {sh,
                  dashC,
                  const_cast<char*>(kScript),
                  name,
                  const_cast<char*>(program),
                  const_cast<char*>(argument),
                  nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, sh, nullptr, nullptr, argv, environ) != 0) return false;
  const int status = waitChild(pid);
  return status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

PlatformRunResult platformRunProgram(const std::vector<std::string>& argv, int timeoutMs, size_t maxOutput,
                                     std::string& output, int* exitCode) {
  output.clear();
  if (exitCode != nullptr) *exitCode = -1;
  if (argv.empty() || argv[0].empty()) return PlatformRunResult::NotStarted;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return PlatformRunResult::NotStarted;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return PlatformRunResult::NotStarted;
  }
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
  PlatformRunResult result = PlatformRunResult::Exited;
  char buffer[4096];
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result = PlatformRunResult::TimedOut;
      break;
    }
    pollfd pfd{fds[0], POLLIN, 0};
    const int ready = poll(&pfd, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      result = ready == 0 ? PlatformRunResult::TimedOut : PlatformRunResult::NotStarted;
      break;
    }
    const ssize_t n = read(fds[0], buffer, sizeof(buffer));
    if (n > 0) {
      if (output.size() + static_cast<size_t>(n) > maxOutput) {
        result = PlatformRunResult::OutputTooLong;
        break;
      }
      output.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(fds[0]);
  if (result != PlatformRunResult::Exited) {
    kill(pid, SIGKILL);
    waitChild(pid);
    output.clear();
    return result;
  }
  // The output ended; a program that closed it early but goes on running is still held to the limit.
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      if (exitCode != nullptr) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return PlatformRunResult::Exited;
    }
    if (done < 0 && errno != EINTR) return PlatformRunResult::Exited;
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitChild(pid);
      output.clear();
      return PlatformRunResult::TimedOut;
    }
    usleep(2000);
  }
}
