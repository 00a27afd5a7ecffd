#include "platform/thread_name.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <string>
#include <thread>

namespace {

TEST(PlatformThreadNameTest, StoresFullNameAndGivesKernelAWholeCharacterPrefix) {
  std::string stored;
  std::string kernel;
  bool accepted = false;
  bool clearedIsNull = false;
  std::thread worker([&] {
    EXPECT_EQ(platformCurrentThreadName(), nullptr);
    // Fourteen letters, then "é" across the kernel's 15-byte limit.
    accepted = platformSetCurrentThreadName("abcdefghijklmn\xC3\xA9-streaming");
    stored = platformCurrentThreadName();
    char name[32] = {0};
    pthread_getname_np(pthread_self(), name, sizeof(name));
    kernel = name;
    platformSetCurrentThreadName(nullptr);
    clearedIsNull = platformCurrentThreadName() == nullptr;
  });
  worker.join();
  EXPECT_TRUE(accepted);
  EXPECT_EQ(stored, "abcdefghijklmn\xC3\xA9-streaming");
  EXPECT_EQ(kernel, "abcdefghijklmn");
  EXPECT_TRUE(clearedIsNull);
}

TEST(PlatformThreadNameTest, NamesArePerThread) {
  platformSetCurrentThreadName("main-test");
  const char* other = "unset";
  std::thread worker([&] { other = platformCurrentThreadName(); });
  worker.join();
  EXPECT_EQ(other, nullptr);
  EXPECT_STREQ(platformCurrentThreadName(), "main-test");
  platformSetCurrentThreadName("");
  EXPECT_EQ(platformCurrentThreadName(), nullptr);
}

}  // namespace
