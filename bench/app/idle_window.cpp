// The orvel program's window open and idle: the shipped skin at 1280 x 720 (a private Xvfb screen of that
// size, where the program shows the skin full screen) with an empty library and no sound card, HOME in a
// temporary folder. Figure: the whole process's CPU time (user + system, from /proc) over the wall time of
// the measurement, as a share of one core, after the first GUI tick and a settling pause. Run:
//   build/bench/bench_idle_window [--seconds=30]
// It also lists the threads that took CPU time, with their shares.
// Xvfb draws with Mesa's software renderer, as a machine without a GPU driver does. Beside the figure: the
// target (3 % of one core) and the machine's load average over the same time (the figure is a share of
// CPU time, so another process's load inflates it only through shared caches and scheduling).

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/orvel_child_process.h"
#include "support/test_support.h"

namespace {

constexpr int kStartTimeoutMs = 120000;
constexpr int kSettleMs = 3000;
constexpr double kTargetShare = 0.03;

// User plus system CPU seconds so far of the process or thread whose /proc stat file this is; negative
// when it cannot be read. name gets the command or thread name.
double cpuSecondsOf(const std::string& statPath, std::string* name = nullptr) {
  std::ifstream stat(statPath);
  std::string line;
  if (!std::getline(stat, line)) return -1;
  // Fields after the name (which may hold spaces) start after its closing parenthesis.
  const size_t open = line.find('('), close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return -1;
  if (name) *name = line.substr(open + 1, close - open - 1);
  std::istringstream fields(line.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::strtoull(field.c_str(), nullptr, 10);
    if (i == 15) stime = std::strtoull(field.c_str(), nullptr, 10);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double processCpuSeconds(pid_t pid) {
  return cpuSecondsOf("/proc/" + std::to_string(pid) + "/stat");
}

// CPU seconds so far of each thread of the process, by thread id, with its name.
std::map<std::string, std::pair<std::string, double>> threadCpuSeconds(pid_t pid) {
  std::map<std::string, std::pair<std::string, double>> threads;
  std::error_code error;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    std::string name;
    const double seconds = cpuSecondsOf(task.path().string() + "/stat", &name);
    if (seconds >= 0) threads[task.path().filename().string()] = {name, seconds};
  }
  return threads;
}

double loadAverage() {
  double load = 0;
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf", &load) != 1) load = 0;
    std::fclose(f);
  }
  return load;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 30;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--seconds=", 10) == 0) seconds = std::max(1, std::atoi(argv[i] + 10));
  }
  orvel_test::PrivateDisplay display("1280x720x24");
  if (display.name().empty()) {
    std::printf("no Xvfb: cannot open a 1280x720 screen\n");
    return 0;
  }
  orvel_test::TempDir dir;
  const std::string home = dir.file("home"), work = dir.file("work");
  std::filesystem::create_directories(home);
  std::filesystem::create_directories(work);
  orvel_test::OrvelRun run(ORVEL_BINARY, home, work, dir.file("run.log"), display.name());
  if (!run.waitForLog("GUI tick running", kStartTimeoutMs)) {
    std::printf("the program did not start in time\n");
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
  const double load0 = loadAverage();
  const double cpu0 = processCpuSeconds(run.pid());
  const auto threads0 = threadCpuSeconds(run.pid());
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const double cpu1 = processCpuSeconds(run.pid());
  const auto threads1 = threadCpuSeconds(run.pid());
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double load1 = loadAverage();
  run.signal(SIGTERM);
  run.waitForExit(kStartTimeoutMs);
  if (cpu0 < 0 || cpu1 < 0) {
    std::printf("the program's CPU time could not be read\n");
    return 1;
  }
  const double share = (cpu1 - cpu0) / wall;
  // The program's own word on which skin it showed at which screen size.
  const std::string log = run.log();
  const size_t skinLine = log.find("loadSkin '");
  if (skinLine != std::string::npos)
    std::printf("the program: %s\n", log.substr(skinLine, log.find('\n', skinLine) - skinLine).c_str());
  std::printf(
      "idle window, shipped skin at 1280x720, %.0f s:  %.2f %% of one core   target %.0f %%   ratio to "
      "target %.2f   load average %.1f .. %.1f\n",
      wall, share * 100, kTargetShare * 100, share / kTargetShare, load0, load1);
  // Where it goes: the threads that took at least a tenth of a percent.
  std::vector<std::pair<double, std::string>> busiest;
  for (const auto& [tid, thread] : threads1) {
    const auto before = threads0.find(tid);
    const double used = thread.second - (before != threads0.end() ? before->second.second : 0);
    if (used / wall >= 0.001) busiest.emplace_back(used / wall, thread.first);
  }
  std::sort(busiest.rbegin(), busiest.rend());
  for (const auto& [part, name] : busiest)
    std::printf("   thread %-16s %6.2f %%\n", name.c_str(), part * 100);
  return 0;
}
