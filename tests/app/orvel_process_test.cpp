// The orvel program itself, run as a child with HOME in a temporary folder and no sound card: it reaches
// its event loop and draws, the system's quit request shuts it down saving everything, a second start
// finds what the first saved, a start refused for a too small display leaves the user's files as they
// were, and a kill during use keeps the library whole.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/library_generator.h"
#include "database/zr_database.h"
#include "support/display_required.h"
#include "support/orvel_child_process.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

using orvel_test::OrvelRun;
using orvel_test::PrivateDisplay;
using orvel_test::readAll;

constexpr int kStartTimeoutMs = 60000;
constexpr int kStopTimeoutMs = 30000;

class OrvelProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) {
      ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    }
    fs::create_directories(home());
    fs::create_directories(work());
  }
  std::string home() const { return dir_.file("home"); }
  std::string work() const { return dir_.file("work"); }
  std::string data(const std::string& relative) const {
    return home() + "/Documents/Halden-Orvel/" + relative;
  }
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
    OrvelRun run(ORVEL_BINARY, home(), work(), logFile(1), std::getenv("DISPLAY"));
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

  OrvelRun second(ORVEL_BINARY, home(), work(), logFile(2), std::getenv("DISPLAY"));
  ASSERT_TRUE(second.waitForLog("GUI tick running", kStartTimeoutMs)) << second.log();
  EXPECT_EQ(second.log().find("copying samples"), std::string::npos);
  second.signal(SIGTERM);
  ASSERT_EQ(second.waitForExit(kStopTimeoutMs), 0) << second.log();
  EXPECT_NE(readAll(data("Settings/preferences.xml")).find("\"RemainingTime\" value=\"1\""),
            std::string::npos);
  EXPECT_EQ(tracksIn(data("Database/database.xml")), 25);
}

// A first start run as a user would waits in the language chooser; the system's quit request then ends
// the program (there is no main window to close yet) instead of leaving it waiting.
TEST_F(OrvelProgram, TheSystemsQuitEndsAFirstStartWaitingForItsLanguage) {
  OrvelRun run(ORVEL_BINARY, home(), work(), logFile(1), std::getenv("DISPLAY"), false);
  ASSERT_TRUE(run.waitForLog("copying demo_songs", kStartTimeoutMs)) << run.log();
  // The chooser is up once its folder was scanned; give it a moment to enter its loop.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  ASSERT_EQ(run.waitForExit(100), -1) << run.log();
  run.signal(SIGTERM);
  EXPECT_GE(run.waitForExit(kStopTimeoutMs), 0) << run.log();
  EXPECT_EQ(run.log().find("initApp"), std::string::npos) << run.log();
  EXPECT_FALSE(fs::exists(data("Database/database.xml")));
}

TEST_F(OrvelProgram, AStartRefusedForATooSmallDisplayLeavesTheUsersFilesUntouched) {
  PrivateDisplay small("800x600x24");
  if (small.name().empty()) {
    ORVEL_SKIP_WITHOUT_DISPLAY() << "no Xvfb";
  }
  writeLibrary(10);
  fs::create_directories(data("Settings"));
  const std::vector<std::pair<std::string, std::string>> files = {
      {"Settings/preferences.xml",
       "<?xml version=\"1.0\"?>\n<preferences version=\"100\">\n"
       "\t<pref name=\"RemainingTime\" value=\"1\" type=\"1\" />\n</preferences>\n"},
      {"Settings/shortcuts_kb.xml", "user's keyboard shortcuts"},
      {"Database/favorites.xml", "user's favourites"},
      {"Database/columns_currentlist.xml", "user's columns"},
  };
  for (const auto& [file, bytes] : files) orvel_test::writeFile(data(file), bytes);
  const std::string library = readAll(data("Database/database.xml"));

  OrvelRun run(ORVEL_BINARY, home(), work(), logFile(1), small.name());
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
    OrvelRun run(ORVEL_BINARY, home(), work(), logFile(1), std::getenv("DISPLAY"));
    ASSERT_TRUE(run.waitForLog("GUI tick running", kStartTimeoutMs)) << run.log();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    run.signal(SIGKILL);
    EXPECT_EQ(run.waitForExit(kStopTimeoutMs), 128 + SIGKILL);
  }
  EXPECT_EQ(tracksIn(data("Database/database.xml")), 200);
  OrvelRun next(ORVEL_BINARY, home(), work(), logFile(2), std::getenv("DISPLAY"));
  ASSERT_TRUE(next.waitForLog("GUI tick running", kStartTimeoutMs)) << next.log();
  next.signal(SIGTERM);
  ASSERT_EQ(next.waitForExit(kStopTimeoutMs), 0) << next.log();
  EXPECT_EQ(tracksIn(data("Database/database.xml")), 200);
}

}  // namespace
