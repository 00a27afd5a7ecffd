// The kernel's mount table: mount points with their escapes decoded, and the watcher that reports changes
// of a table promptly and stops promptly.

#include "platform/mount_table.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

namespace {

std::string scratch(const char* name) {
  return std::string(testing::TempDir()) + name + std::to_string(::getpid());
}

void write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::trunc);
  out << text;
}

TEST(MountTable, MountPointsComeWithTheirEscapesDecoded) {
  const std::string table = scratch("mountinfo");
  write(table,
        "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
        "40 22 8:17 / /media/dj/My\\040Stick rw - vfat /dev/sdb1 rw\n"
        "41 22 0:50 / /mnt/back\\134slash rw - cifs //nas/music rw\n"
        "broken line\n");
  EXPECT_EQ(platformReadMountPoints(table),
            (std::vector<std::string>{"/", "/media/dj/My Stick", "/mnt/back\\slash"}));
  EXPECT_TRUE(platformReadMountPoints(table + ".missing").empty());
  EXPECT_EQ(platformUnescapeMountField("a\\011b\\012"), "a\tb\n");
  EXPECT_EQ(platformUnescapeMountField("trailing\\04"), "trailing\\04");
  std::remove(table.c_str());
}

TEST(MountTable, TheWatcherReportsEachChangeAndStopsPromptly) {
  const std::string table = scratch("watched");
  write(table, "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
  std::atomic<int> changes{0};
  auto waitFor = [&](int n) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (changes.load() < n && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return changes.load();
  };
  {
    // A slow check: the change right after construction must still be seen, and destruction must not wait
    // for the interval.
    PlatformMountWatcher watcher([&] { changes.fetch_add(1); }, table, 50);
    write(table, "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n40 22 8:17 / /mnt/usb rw - vfat /dev/sdb1 rw\n");
    EXPECT_EQ(waitFor(1), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(changes.load(), 1);  // nothing changed since
    write(table, "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    EXPECT_EQ(waitFor(2), 2);
  }
  const auto start = std::chrono::steady_clock::now();
  {
    PlatformMountWatcher slow([] {}, table, 60000);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  std::remove(table.c_str());
}

}  // namespace
