#include "common/zr_desktop.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/process_spawn.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

TEST(ExecAndGetOutput, ReturnsEverythingPrinted) {
  EXPECT_EQ(execAndGetOutput("echo hello"), "hello\n");
  EXPECT_EQ(execAndGetOutput("echo one; echo two; echo three"), "one\ntwo\nthree\n");
  EXPECT_EQ(execAndGetOutput("true"), "");
  EXPECT_EQ(execAndGetOutput("echo to-stderr 1>&2"), "");
  EXPECT_EQ(execAndGetOutput(nullptr), "");
}

TEST(ExecAndGetOutput, LongOutputArrivesWhole) {
  // Far more than one read and more than a pipe holds.
  const std::string out = execAndGetOutput("i=0; while [ $i -lt 20000 ]; do echo line$i; i=$((i+1)); done");
  EXPECT_EQ(out.size(), 20000u * 5 + (10 + 90 * 2 + 900 * 3 + 9000 * 4 + 10000 * 5));
  EXPECT_EQ(out.substr(0, 12), "line0\nline1\n");
  EXPECT_EQ(out.substr(out.size() - 10), "line19999\n");
}

TEST(ExecAndGetOutput, FailingCommandStillGivesItsOutput) {
  EXPECT_EQ(execAndGetOutput("echo partial; exit 3"), "partial\n");
  EXPECT_EQ(execAndGetOutput("no-such-command-anywhere-xyz 2>/dev/null"), "");
}

// The opener gets the URL as one argument, untouched by any shell.
TEST(LaunchDetached, PassesTheArgumentAsItIs) {
  orvel_test::TempDir dir;
  const std::string script = dir.file("opener");
  const std::string record = dir.file("record");
  ASSERT_TRUE(orvel_test::writeFile(script, "#!/bin/sh\nprintf '%s' \"$1\" > \"" + record + ".tmp\"\nmv \"" +
                                                record + ".tmp\" \"" + record + "\"\n"));
  chmod(script.c_str(), 0755);
  const std::string url = "https://example.com/a b?x=1&y='$(touch " + dir.file("pwned") + ")'";
  ASSERT_TRUE(platformLaunchDetached(script.c_str(), url.c_str()));
  std::string got;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    got = orvel_test::readFile(record);
    if (!got.empty()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(got, url);
  struct stat st;
  EXPECT_NE(stat(dir.file("pwned").c_str(), &st), 0);
}

TEST(LaunchDetached, MissingProgramFails) {
  EXPECT_FALSE(platformLaunchDetached("/nonexistent/opener-xyz", "https://example.com"));
  EXPECT_FALSE(platformLaunchDetached("no-such-opener-xyz", "https://example.com"));
  EXPECT_FALSE(openUrlInDefaultBrowser(ZRString("")));
}

// The GUI tick calls these many times a second: they start no program and write no log line.
TEST(ScreenSaver, CallsDoNothing) {
  // The processes this one started, as the kernel lists them.
  const auto children = [] {
    std::string all;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
      all += orvel_test::readFile(task.path().string() + "/children");
    return all;
  };
  orvel_test::LogCapture log(true);
  const std::string before = children();
  screenSaverInit();
  for (int i = 0; i < 100; ++i) screenSaverHeartBeat();
  screenSaverDeinit();
  EXPECT_EQ(log.lines(), std::vector<std::string>{});
  EXPECT_EQ(children(), before);
}

}  // namespace
