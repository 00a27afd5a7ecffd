// The orvel program itself, run as a child with HOME in a temporary folder and no sound card: it reaches
// its event loop and draws, the system's quit request shuts it down saving everything, a second start
// finds what the first saved, a start refused for a too small display leaves the user's files as they
// were, and a kill during use keeps the library whole.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/library_generator.h"
#include "database/zr_database.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::string readAll(const std::string& path) {
  return fs::exists(path) ? orvel_test::readFile(path) : std::string();
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
  OrvelRun(const std::string& home, const std::string& work, const std::string& logPath,
           const std::string& display)
      : log_(logPath) {
    pid_ = fork();
    if (pid_ != 0) return;
    const int out = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(out, 2);
    if (chdir(work.c_str()) != 0) _exit(126);
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    setenv("ORVEL_TEST", "1", 1);
    setenv("GDK_BACKEND", "x11", 1);
    setenv("DISPLAY", display.c_str(), 1);
    execl(ORVEL_BINARY, ORVEL_BINARY, static_cast<char*>(nullptr));
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
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  std::string log() const { return readAll(log_); }
  void signal(int number) const { kill(pid_, number); }
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

constexpr int kStartTimeoutMs = 60000;
constexpr int kStopTimeoutMs = 30000;

class OrvelProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    fs::create_directories(home());
    fs::create_directories(work());
  }
  std::string home() const { return dir_.file("home"); }
  std::string work() const { return dir_.file("work"); }
  std::string data(const std::string& relative) const { return home() + "/Documents/Halden-Orvel/" + relative; }
  std::string logFile(int run) const { return dir_.file("run" + std::to_string(run) + ".log"); }

  // A library of count generated tracks as the user's database.xml.
  void writeLibrary(int count) const {
    fs::create_directories(data("Database"));
    ZRDatabase library;
    bench_library::addGeneratedTracks(library, count);
    ASSERT_TRUE(library.save(ZRString(data("Database/database.xml")), true));
  }
  static int tracksIn(const std::string& path) {
    ZRDatabase library;
    if (!library.load(ZRString(path), nullptr, nullptr)) return -1;
    return library.getTrackCount();
  }

  orvel_test::TempDir dir_;
};

TEST_F(OrvelProgram, ItRunsItsLoopAndTheSystemsQuitSavesEverythingForTheNextStart) {
  {
    OrvelRun run(home(), work(), logFile(1), std::getenv("DISPLAY"));
    ASSERT_TRUE(run.waitForLog("dbg13 (init finished ok)", kStartTimeoutMs)) << run.log();
    ASSERT_TRUE(run.waitForLog("GUI tick running", kStartTimeoutMs)) << run.log();
    EXPECT_NE(run.log().find("sound device 'Null output' chosen"), std::string::npos);
    // The quit request is taken by the event loop, which closes the window and shuts the engine down.
    run.signal(SIGTERM);
    ASSERT_EQ(run.waitForExit(kStopTimeoutMs), 0) << run.log();
    EXPECT_NE(run.log().find("UninitializeApplication finished ok"), std::string::npos) << run.log();
  }
  const std::string settings = readAll(data("Settings/preferences.xml"));
  ASSERT_NE(settings.find("\"UserInterface\" value=\"Orvel\""), std::string::npos) << settings;
  ASSERT_NE(readAll(data("Database/database.xml")).find("<list name=\"History\""), std::string::npos);
  // A setting the user changed, and a library, for the second start to find.
  const std::string changed = "\t<pref name=\"RemainingTime\" value=\"1\" type=\"1\" />\n</preferences>";
  std::string edited = settings;
  const size_t oldLine = edited.find("\t<pref name=\"RemainingTime\"");
  if (oldLine != std::string::npos) edited.erase(oldLine, edited.find('\n', oldLine) + 1 - oldLine);
  edited.replace(edited.rfind("</preferences>"), 14, changed);
  orvel_test::writeFile(data("Settings/preferences.xml"), edited);
  writeLibrary(25);

  OrvelRun second(home(), work(), logFile(2), std::getenv("DISPLAY"));
  ASSERT_TRUE(second.waitForLog("GUI tick running", kStartTimeoutMs)) << second.log();
  EXPECT_EQ(second.log().find("copying samples"), std::string::npos);
  second.signal(SIGTERM);
  ASSERT_EQ(second.waitForExit(kStopTimeoutMs), 0) << second.log();
  EXPECT_NE(readAll(data("Settings/preferences.xml")).find("\"RemainingTime\" value=\"1\""), std::string::npos);
  EXPECT_EQ(tracksIn(data("Database/database.xml")), 25);
}

TEST_F(OrvelProgram, AStartRefusedForATooSmallDisplayLeavesTheUsersFilesUntouched) {
  PrivateDisplay small("800x600x24");
  if (small.name().empty()) GTEST_SKIP() << "no Xvfb";
  writeLibrary(10);
  fs::create_directories(data("Settings"));
  const std::vector<std::pair<std::string, std::string>> files = {
      {"Settings/preferences.xml", "<?xml version=\"1.0\"?>\n<preferences version=\"100\">\n"
                                   "\t<pref name=\"RemainingTime\" value=\"1\" type=\"1\" />\n</preferences>\n"},
      {"Settings/shortcuts_kb.xml", "user's keyboard shortcuts"},
      {"Database/favorites.xml", "user's favourites"},
      {"Database/columns_currentlist.xml", "user's columns"},
  };
  for (const auto& [file, bytes] : files) orvel_test::writeFile(data(file), bytes);
  const std::string library = readAll(data("Database/database.xml"));

  OrvelRun run(home(), work(), logFile(1), small.name());
  const int code = run.waitForExit(kStartTimeoutMs);
  EXPECT_NE(code, -1) << "still running: " << run.log();
  EXPECT_NE(run.log().find("the display is 800 x 600"), std::string::npos) << run.log();
  EXPECT_EQ(run.log().find("dbg1"), std::string::npos);
  for (const auto& [file, bytes] : files) EXPECT_EQ(readAll(data(file)), bytes) << file;
  EXPECT_EQ(readAll(data("Database/database.xml")), library);
  EXPECT_FALSE(fs::exists(data("Database/database.xml.bak")));
}

TEST_F(OrvelProgram, AKillDuringUseKeepsTheLibraryForTheNextStart) {
  writeLibrary(200);
  {
    OrvelRun run(home(), work(), logFile(1), std::getenv("DISPLAY"));
    ASSERT_TRUE(run.waitForLog("GUI tick running", kStartTimeoutMs)) << run.log();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    run.signal(SIGKILL);
    EXPECT_EQ(run.waitForExit(kStopTimeoutMs), 128 + SIGKILL);
  }
  EXPECT_EQ(tracksIn(data("Database/database.xml")), 200);
  OrvelRun next(home(), work(), logFile(2), std::getenv("DISPLAY"));
  ASSERT_TRUE(next.waitForLog("GUI tick running", kStartTimeoutMs)) << next.log();
  next.signal(SIGTERM);
  ASSERT_EQ(next.waitForExit(kStopTimeoutMs), 0) << next.log();
  EXPECT_EQ(tracksIn(data("Database/database.xml")), 200);
}

}  // namespace
