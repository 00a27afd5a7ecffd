// Running an external program without a shell, held to a time and an output limit.

#include "platform/process_spawn.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

TEST(RunProgram, ArgumentsReachTheProgramAsTheyAreAndLimitsEndIt) {
  struct Case {
    const char* what;
    std::vector<std::string> argv;
    int timeoutMs;
    size_t maxOutput;
    PlatformRunResult result;
    std::string output;
    int exitCode;
  };
  const Case cases[] = {
      // No shell sees the arguments: quotes, blanks and substitutions arrive as written.
      {"plain",
       {"/bin/echo", "a b", "$(id)", "\"q\";"},
       5000,
       1000,
       PlatformRunResult::Exited,
       "a b $(id) \"q\";\n",
       0},
      {"exit status",
       {"/bin/sh", "-c", "printf out; exit 3"},
       5000,
       1000,
       PlatformRunResult::Exited,
       "out",
       3},
      {"missing", {"/nonexistent/translate", "x"}, 5000, 1000, PlatformRunResult::NotStarted, "", -1},
      {"no program", {}, 5000, 1000, PlatformRunResult::NotStarted, "", -1},
      {"too slow", {"/bin/sleep", "30"}, 200, 1000, PlatformRunResult::TimedOut, "", -1},
      {"quiet but slow",
       {"/bin/sh", "-c", "exec >&-; exec sleep 30"},
       200,
       1000,
       PlatformRunResult::TimedOut,
       "",
       -1},
      {"too much", {"/bin/sh", "-c", "yes"}, 5000, 4096, PlatformRunResult::OutputTooLong, "", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string output = "old";
    int exitCode = 99;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(platformRunProgram(c.argv, c.timeoutMs, c.maxOutput, output, &exitCode), c.result);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(c.timeoutMs + 3000));
    EXPECT_EQ(output, c.output);
    EXPECT_EQ(exitCode, c.exitCode);
  }
}

}  // namespace
