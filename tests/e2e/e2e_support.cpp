#include "e2e_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

extern char** environ;

namespace orvel_e2e {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> environmentWith(const EnvChanges& changes) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('='));
    if (changes.count(name) == 0) env.push_back(entry);
  }
  for (const auto& [name, value] : changes) {
    if (!value.empty()) env.push_back(name + "=" + value);
  }
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Starts argv with standard output on outFd (and standard error on errFd); -1 on failure.
pid_t spawn(const std::vector<std::string>& argv, const EnvChanges& changes, int outFd, int errFd) {
  std::vector<std::string> args = argv;
  std::vector<std::string> env = environmentWith(changes);
  std::vector<char*> argp = pointers(args), envp = pointers(env);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, 1);
  if (errFd >= 0) posix_spawn_file_actions_adddup2(&actions, errFd, 2);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

}  // namespace

void sleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool writeText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

std::string findOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    const std::string candidate = folder + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

// ---- programs ------------------------------------------------------------------------------------------

pid_t startProgram(const std::vector<std::string>& argv, const EnvChanges& env, const std::string& logPath) {
  const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  const pid_t pid = spawn(argv, env, log, log);
  if (log >= 0) close(log);
  return pid;
}

std::optional<int> waitForExit(pid_t pid, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0) return std::nullopt;
    if (Clock::now() >= deadline) return std::nullopt;
    sleepMs(20);
  }
}

void killProgram(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
}

int runProgram(const std::vector<std::string>& argv, const EnvChanges& env, int timeoutMs, std::string* out) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return -1;
  const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
  const pid_t pid = spawn(argv, env, fds[1], devNull);
  close(fds[1]);
  if (devNull >= 0) close(devNull);
  if (pid < 0) {
    close(fds[0]);
    return -1;
  }
  std::string text;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  bool open = true;
  while (open && Clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    char buffer[4096];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n > 0) {
      text.append(buffer, static_cast<size_t>(n));
    } else {
      open = false;
    }
  }
  close(fds[0]);
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  const std::optional<int> status = waitForExit(pid, static_cast<int>(std::max<long>(left, 100)));
  if (!status) {
    killProgram(pid);
    return -1;
  }
  if (out != nullptr) *out = text;
  return WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

// ---- the display ---------------------------------------------------------------------------------------

PrivateDisplay::PrivateDisplay(int width, int height) : width_(width), height_(height) {
  const std::string xvfb = findOnPath("Xvfb");
  if (xvfb.empty()) return;
  int fds[2];
  if (pipe(fds) != 0) return;
  // Xvfb picks a free display number and writes it to the descriptor once it accepts clients.
  std::vector<std::string> argv = {
      xvfb,        "-displayfd", std::to_string(fds[1]),
      "-screen",   "0",          std::to_string(width) + "x" + std::to_string(height) + "x24",
      "-nolisten", "tcp"};
  std::vector<char*> argp = pointers(argv);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  const int rc = posix_spawn(&pid_, argp[0], &actions, nullptr, argp.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    pid_ = -1;
    close(fds[0]);
    return;
  }
  std::string number;
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (Clock::now() < deadline && number.find('\n') == std::string::npos) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buffer[32];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
  if (!number.empty()) name_ = ":" + number;
}

PrivateDisplay::~PrivateDisplay() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    if (!waitForExit(pid_, 5000)) killProgram(pid_);
  }
}

// ---- input and windows ---------------------------------------------------------------------------------

bool Desktop::xdotool(const std::vector<std::string>& args, std::string* out) const {
  std::vector<std::string> argv = {findOnPath("xdotool")};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProgram(argv, {{"DISPLAY", display_}}, 10000, out) == 0;
}

std::vector<unsigned long> Desktop::findWindows(const std::string& namePattern) const {
  std::string out;
  xdotool({"search", "--onlyvisible", "--name", namePattern}, &out);
  std::vector<unsigned long> windows;
  std::stringstream lines(out);
  unsigned long id = 0;
  while (lines >> id) windows.push_back(id);
  return windows;
}

std::optional<Rect> Desktop::geometry(unsigned long window) const {
  std::string out;
  if (runProgram({findOnPath("xwininfo"), "-id", std::to_string(window)}, {{"DISPLAY", display_}}, 10000,
                 &out) != 0) {
    return std::nullopt;
  }
  Rect r;
  int found = 0;
  std::stringstream lines(out);
  std::string line;
  auto value = [&line](const char* label, int& into) {
    const size_t at = line.find(label);
    if (at == std::string::npos) return false;
    into = std::atoi(line.c_str() + at + std::strlen(label));
    return true;
  };
  while (std::getline(lines, line)) {
    found += value("Absolute upper-left X:", r.x) + value("Absolute upper-left Y:", r.y) +
             value("Width:", r.width) + value("Height:", r.height);
  }
  if (found < 4) return std::nullopt;
  return r;
}

std::optional<unsigned long> Desktop::waitForWindow(const std::string& namePattern, int minWidth,
                                                    int minHeight, int timeoutMs) const {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  do {
    for (unsigned long w : findWindows(namePattern)) {
      const std::optional<Rect> r = geometry(w);
      if (r && r->width >= minWidth && r->height >= minHeight) return w;
    }
    sleepMs(200);
  } while (Clock::now() < deadline);
  return std::nullopt;
}

void Desktop::moveWindow(unsigned long window, int x, int y) const {
  xdotool({"windowmove", "--sync", std::to_string(window), std::to_string(x), std::to_string(y)});
}

void Desktop::moveTo(int x, int y) const {
  // Not --sync: that waits for the pointer to change place, which never comes when it is there already.
  xdotool({"mousemove", std::to_string(x), std::to_string(y)});
  sleepMs(40);
}

void Desktop::click(int x, int y) const {
  moveTo(x, y);
  sleepMs(80);
  xdotool({"click", "1"});
  sleepMs(120);
}

void Desktop::drag(int x0, int y0, int x1, int y1) const {
  moveTo(x0, y0);
  sleepMs(80);
  xdotool({"mousedown", "1"});
  const int steps = 8;
  for (int i = 1; i <= steps; ++i) moveTo(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
  sleepMs(80);
  xdotool({"mouseup", "1"});
  sleepMs(120);
}

void Desktop::key(const std::string& name) const {
  xdotool({"key", name});
  sleepMs(120);
}

void Desktop::type(const std::string& text) const {
  xdotool({"type", "--delay", "60", text});
  sleepMs(120);
}

bool Desktop::screenshot(const std::string& xwdPath, RgbImage& image, std::string* error) const {
  const std::string xwd = findOnPath("xwd");
  if (xwd.empty()) {
    if (error != nullptr) *error = "xwd is not installed (x11-apps)";
    return false;
  }
  if (runProgram({xwd, "-root", "-silent", "-out", xwdPath}, {{"DISPLAY", display_}}, 20000, nullptr) != 0) {
    if (error != nullptr) *error = "xwd failed";
    return false;
  }
  return readXwd(xwdPath, image, error);
}

// ---- pixels --------------------------------------------------------------------------------------------

int brightPixels(const RgbImage& image, const Rect& rect) {
  int count = 0;
  for (int y = std::max(rect.y, 0); y < std::min(rect.y + rect.height, image.height); ++y) {
    for (int x = std::max(rect.x, 0); x < std::min(rect.x + rect.width, image.width); ++x) {
      const uint8_t* p = image.pixel(x, y);
      if (p[0] > 170 && p[1] > 170 && p[2] > 170) ++count;
    }
  }
  return count;
}

int greyPixels(const RgbImage& image, const Rect& rect, int low, int high) {
  int count = 0;
  for (int y = std::max(rect.y, 0); y < std::min(rect.y + rect.height, image.height); ++y) {
    for (int x = std::max(rect.x, 0); x < std::min(rect.x + rect.width, image.width); ++x) {
      const uint8_t* p = image.pixel(x, y);
      const int lo = std::min({p[0], p[1], p[2]}), hi = std::max({p[0], p[1], p[2]});
      if (lo >= low && hi <= high && hi - lo <= 12) ++count;
    }
  }
  return count;
}

int distinctColours(const RgbImage& image, const Rect& rect) {
  std::set<uint32_t> colours;
  for (int y = std::max(rect.y, 0); y < std::min(rect.y + rect.height, image.height); ++y) {
    for (int x = std::max(rect.x, 0); x < std::min(rect.x + rect.width, image.width); ++x) {
      const uint8_t* p = image.pixel(x, y);
      colours.insert((uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]);
    }
  }
  return static_cast<int>(colours.size());
}

// ---- the layout ----------------------------------------------------------------------------------------

Rect SkinLayout::node(const std::string& action, int deck) const {
  auto it = nodes.find(action + " " + std::to_string(deck));
  EXPECT_NE(it, nodes.end()) << "the skin has no node " << action << " of deck " << deck;
  return it != nodes.end() ? it->second : Rect{};
}

bool SkinLayout::parse(const std::string& text, std::string* error) {
  std::stringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::stringstream fields(line);
    std::string kind;
    fields >> kind;
    if (kind == "window") {
      fields >> optimalWidth >> optimalHeight;
    } else if (kind == "node") {
      std::string action;
      int deck = 0, shown = 0;
      double x = 0, y = 0, w = 0, h = 0;
      fields >> action >> deck >> x >> y >> w >> h >> shown;
      if (shown) {
        nodes[action + " " + std::to_string(deck)] =
            Rect{static_cast<int>(x + 0.5), static_cast<int>(y + 0.5), static_cast<int>(w + 0.5),
                 static_cast<int>(h + 0.5)};
      }
    } else if (kind == "rows") {
      std::string table;
      double top = 0, height = 0;
      fields >> table >> top >> height;
      rows[table] = {top, height};
    } else if (kind == "browse_click") {
      double x = 0, y = 0;
      fields >> x >> y;
      browseClickX = static_cast<int>(x);
      browseClickY = static_cast<int>(y);
    } else if (kind == "browse_key") {
      std::string key;
      fields >> key;
      browseKeys.push_back(key);
    }
  }
  if (nodes.empty() && error != nullptr) *error = "no nodes in the layout";
  return !nodes.empty();
}

}  // namespace orvel_e2e
