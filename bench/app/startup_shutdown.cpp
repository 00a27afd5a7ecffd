// The orvel program's start-up and shut-down, run as a child with HOME in a temporary folder and no sound
// card (run under Xvfb: xvfb-run -a -s '-screen 0 1280x1024x24' build/bench/bench_startup_shutdown
// [--tracks=100000]).
//
// Figures, each the median of a few runs:
// - start-up to the first GUI tick (the render thread's first frame with the engine running), with an
//   empty library and with a generated library (10,000 tracks, or --tracks=N);
// - shut-down, from the system's quit request to the end of the process (the saves included).
// References measured in the same run: the same program's time to its main window (the toolkit, folders,
// language and node table, before the engine start), and this process's own load and save of the same
// database.xml.

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/library_generator.h"
#include "database/zr_database.h"
#include "support/orvel_child_process.h"
#include "support/test_support.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 3;
constexpr int kDefaultTracks = 10000;
constexpr int kTimeoutMs = 120000;

double since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

struct RunTimes {
  double mainWindow = 0, firstTick = 0, shutDown = 0;
  bool ok = false;
  std::string libraryLine;  // the program's own report of what it read
};

// One start and quit with the given database.xml (empty: none) in a fresh home folder.
RunTimes timeOneRun(const std::string& library, int index) {
  orvel_test::TempDir dir;
  const std::string home = dir.file("home"), work = dir.file("work");
  std::filesystem::create_directories(home);
  std::filesystem::create_directories(work);
  if (!library.empty()) {
    const std::string folder = home + "/Documents/Halden-Orvel/Database";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(library, folder + "/database.xml");
  }
  RunTimes times;
  const auto start = Clock::now();
  orvel_test::OrvelRun run(ORVEL_BINARY, home, work, dir.file("run" + std::to_string(index) + ".log"),
                           std::getenv("DISPLAY"));
  if (!run.waitForLog("initApp ra=0", kTimeoutMs)) return times;
  times.mainWindow = since(start);
  if (!run.waitForLog("GUI tick running", kTimeoutMs)) return times;
  times.firstTick = since(start);
  const std::string log = run.log();
  const size_t line = log.find("finish reading db");
  if (line != std::string::npos) times.libraryLine = log.substr(line, log.find('\n', line) - line);
  const auto quit = Clock::now();
  run.signal(SIGTERM);
  if (run.waitForExit(kTimeoutMs) != 0) return times;
  times.shutDown = since(quit);
  times.ok = true;
  return times;
}

struct Summary {
  double mainWindow, firstTick, shutDown;
  std::string libraryLine;
};

bool timeRuns(const std::string& library, Summary& out) {
  std::string timeOneRunLibraryLine;
  std::vector<double> window, tick, stop;
  for (int i = 0; i < kRuns; i++) {
    const RunTimes t = timeOneRun(library, i);
    if (!t.ok) return false;
    timeOneRunLibraryLine = t.libraryLine;
    window.push_back(t.mainWindow);
    tick.push_back(t.firstTick);
    stop.push_back(t.shutDown);
  }
  out = {median(window), median(tick), median(stop), timeOneRunLibraryLine};
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int tracks = kDefaultTracks;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--tracks=", 9) == 0) tracks = std::max(1, std::atoi(argv[i] + 9));
  }
  if (std::getenv("DISPLAY") == nullptr) {
    std::printf("no display: run under Xvfb\n");
    return 0;
  }
  orvel_test::TempDir dir;
  const std::string library = dir.file("database.xml");
  double loadMs = 0, saveMs = 0;
  {
    ZRDatabase generated;
    bench_library::addGeneratedTracks(generated, tracks, true);
    auto start = Clock::now();
    if (!generated.save(ZRString(library), true)) return 1;
    saveMs = since(start);
    ZRDatabase loaded;
    start = Clock::now();
    if (!loaded.load(ZRString(library), nullptr, nullptr)) return 1;
    loadMs = since(start);
  }
  Summary empty{}, full{};
  if (!timeRuns("", empty) || !timeRuns(library, full)) {
    std::printf("a run did not start or stop in time\n");
    return 1;
  }
  std::printf("medians of %d runs (ms)\n", kRuns);
  std::printf("start-up, empty library:    %8.1f   reference: to the main window %8.1f   ratio %.2f\n",
              empty.firstTick, empty.mainWindow, empty.firstTick / empty.mainWindow);
  std::printf("start-up, %d tracks:     %8.1f   reference: empty library %8.1f   ratio %.2f\n", tracks,
              full.firstTick, empty.firstTick, full.firstTick / empty.firstTick);
  std::printf("   the program read: %s\n", full.libraryLine.c_str());
  std::printf("   the library's own load of the same file: %8.1f (%.0f%% of the start-up)\n", loadMs,
              100.0 * loadMs / full.firstTick);
  std::printf("shut-down, empty library:   %8.1f   reference: to the main window %8.1f   ratio %.2f\n",
              empty.shutDown, empty.mainWindow, empty.shutDown / empty.mainWindow);
  std::printf(
      "shut-down, %d tracks:    %8.1f   reference: the library's own save %8.1f   ratio %.2f   "
      "beyond the save %8.1f\n",
      tracks, full.shutDown, saveMs, full.shutDown / saveMs, full.shutDown - saveMs);
  return 0;
}
