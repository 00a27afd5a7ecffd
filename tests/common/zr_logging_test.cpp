#include "common/zr_logging.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/zr_string.h"
#include "platform/thread_name.h"

namespace {

// Lines are captured per calling thread, so lines other tests' background threads may write do not
// disturb these tests.
std::mutex capturedMutex;
std::vector<std::pair<std::thread::id, std::string>> captured;

void captureLine(const char* line, std::size_t length) {
  std::lock_guard<std::mutex> lock(capturedMutex);
  captured.emplace_back(std::this_thread::get_id(), std::string(line, length));
}

class ZRLoggingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZRLogging::getInstance();
    std::lock_guard<std::mutex> lock(capturedMutex);
    captured.clear();
    ZRLogging::setLineSink(&captureLine);
  }
  void TearDown() override { ZRLogging::setLineSink(nullptr); }

  static std::vector<std::string> linesOf(std::thread::id thread) {
    std::lock_guard<std::mutex> lock(capturedMutex);
    std::vector<std::string> lines;
    for (const auto& [id, line] : captured) {
      if (id == thread) lines.push_back(line);
    }
    return lines;
  }
  static std::vector<std::string> ownLines() { return linesOf(std::this_thread::get_id()); }
};

TEST_F(ZRLoggingTest, PlainLine) {
  ZRLogging::getInstance().log(nullptr, 0, nullptr, "db written OK");
  ZRLOG("error: cannot open '%s' (%d)", ZRString("/a/b.mp3"), -2);
  EXPECT_EQ(ownLines(), (std::vector<std::string>{"-- ztv: db written OK",
                                                  "-- ztv: error: cannot open '/a/b.mp3' (-2)"}));
}

TEST_F(ZRLoggingTest, LocationSuffixWithNamedThread) {
  std::thread::id id;
  std::thread worker([&] {
    id = std::this_thread::get_id();
    platformSetCurrentThreadName("analysis-worker-with-long-name");
    ZRLogging::getInstance().log("/home/dev/src/deck/zr_loader.cpp", 12, "loadTrack", "loaded %d", 3);
  });
  worker.join();
  EXPECT_EQ(linesOf(id),
            (std::vector<std::string>{
                "-- ztv: loaded 3 (zr_loader.cpp:#12, loadTrack, thread:analysis-worker-with-long-name)"}));
}

TEST_F(ZRLoggingTest, LocationSuffixWithUnnamedThreadShowsHandle) {
  std::thread::id id;
  char handle[64] = {0};
  std::thread worker([&] {
    id = std::this_thread::get_id();
    std::snprintf(handle, sizeof(handle), "%p", reinterpret_cast<void*>(pthread_self()));
    ZRLogging::getInstance().log("a/b.cpp", 7, "run", "x");
  });
  worker.join();
  EXPECT_EQ(linesOf(id),
            (std::vector<std::string>{std::string("-- ztv: x (b.cpp:#7, run, thread:") + handle + ")"}));
}

TEST_F(ZRLoggingTest, SuffixOnlyWithBothFileAndFunction) {
  ZRLogging::getInstance().log("a/b.cpp", 7, nullptr, "no function");
  ZRLogging::getInstance().log(nullptr, 7, "run", "no file");
  EXPECT_EQ(ownLines(), (std::vector<std::string>{"-- ztv: no function", "-- ztv: no file"}));
}

TEST_F(ZRLoggingTest, MacroWithLocationNamesThisFile) {
  platformSetCurrentThreadName("test-main");
  ZRLOGLOC("here");
  platformSetCurrentThreadName(nullptr);
  const auto lines = ownLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("-- ztv: here (zr_logging_test.cpp:#", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find(", TestBody, thread:test-main)"), std::string::npos) << lines[0];
}

TEST_F(ZRLoggingTest, FileNameAsNameAndExtension) {
  platformSetCurrentThreadName("t");
  const char* paths[] = {"src/a/track.cpp", "plain.h", "/x/.hidden", "dir/file.",
                         "/my.dir/noext",   "/",       "dir/"};
  for (const char* path : paths) {
    ZRLogging::getInstance().log(path, 1, "f", "m");
  }
  platformSetCurrentThreadName(nullptr);
  const auto lines = ownLines();
  ASSERT_EQ(lines.size(), std::size(paths));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i], "-- ztv: m (" + ZRString(paths[i]).getNameAndExt().utf8() + ":#1, f, thread:t)");
  }
}

TEST_F(ZRLoggingTest, FileNameThatIsNotUtf8IsEmpty) {
  platformSetCurrentThreadName("t");
  ZRLogging::getInstance().log("dir/bad\xFF.cpp", 2, "f", "m");
  platformSetCurrentThreadName(nullptr);
  EXPECT_EQ(ownLines(), (std::vector<std::string>{"-- ztv: m (:#2, f, thread:t)"}));
}

TEST_F(ZRLoggingTest, MessageIsCutAt3999Bytes) {
  const std::string prefix = "-- ztv: ";
  const std::string e = "\xC3\xA9";
  const struct {
    std::string message;
    std::string expect;
  } cases[] = {
      {std::string(5000, 'x'), std::string(3999, 'x')},
      {std::string(3999, 'x'), std::string(3999, 'x')},
      // A two-byte character across the bound is dropped whole.
      {std::string(3998, 'x') + e + "tail", std::string(3998, 'x')},
      {std::string(3997, 'x') + e + "tail", std::string(3997, 'x') + e},
      {std::string(3996, 'x') + "\xF0\x9F\x8E\xB5", std::string(3996, 'x')},
  };
  for (const auto& c : cases) {
    ZRLOG("%s", c.message);
  }
  const auto lines = ownLines();
  ASSERT_EQ(lines.size(), std::size(cases));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i], prefix + cases[i].expect) << i;
  }
}

TEST_F(ZRLoggingTest, LongMessageStillGetsItsSuffix) {
  platformSetCurrentThreadName("t");
  ZRLogging::getInstance().log("x.cpp", 3, "f", "%s", std::string(6000, 'y'));
  platformSetCurrentThreadName(nullptr);
  const auto lines = ownLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "-- ztv: " + std::string(3999, 'y') + " (x.cpp:#3, f, thread:t)");
}

TEST_F(ZRLoggingTest, ConcurrentLinesStayWhole) {
  constexpr int kThreads = 4;
  constexpr int kLines = 200;
  std::vector<std::thread> threads;
  std::vector<std::thread::id> ids(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &ids] {
      ids[t] = std::this_thread::get_id();
      for (int i = 0; i < kLines; ++i) ZRLOG("thread %d line %d %s", t, i, std::string(100, char('a' + t)));
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    const auto lines = linesOf(ids[t]);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kLines));
    for (int i = 0; i < kLines; ++i) {
      EXPECT_EQ(lines[i], "-- ztv: thread " + std::to_string(t) + " line " + std::to_string(i) + " " +
                              std::string(100, char('a' + t)));
    }
  }
}

// The first use writes "log started" and process exit "~log stopped", both through the system log
// (whose error-stream copy the child's output shows).
TEST(ZRLoggingLifecycleTest, StartAndStopLines) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ZRLOG("hello");
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "-- ztv: log started\n-- ztv: hello\n-- ztv: ~log stopped\n");
}

}  // namespace
