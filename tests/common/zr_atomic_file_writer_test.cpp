#include "common/zr_atomic_file_writer.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "platform/process_identity.h"
#include "support/test_support.h"

using orvel_test::readFile;
using orvel_test::TempDir;
using orvel_test::writeFile;

namespace {

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* d = opendir(folder.c_str());
  while (struct dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(d);
  return names;
}

}  // namespace

TEST(ZRAtomicFileWriter, ReplacesTheFileKeepingItsPermissions) {
  TempDir dir;
  const std::string path = dir.file("data.xml");
  ASSERT_TRUE(writeFile(path, "old content"));
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  {
    ZRAtomicFileWriter writer{ZRString(path)};
    ASSERT_FALSE(writer.tempPath().empty());
    std::ofstream out;
    ASSERT_TRUE(writer.openXml(out));
    out << "<data version=\"1\" x=\"" << 1.5f << "\" />\n";
    // Until the commit the old file is what readers see.
    EXPECT_EQ(readFile(path), "old content");
    ASSERT_TRUE(writer.commit(out));
  }
  EXPECT_EQ(readFile(path),
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
            "<data version=\"1\" x=\"1.5000\" />\n");
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"data.xml"});
}

TEST(ZRAtomicFileWriter, AbandonedOrFailedWritesLeaveTheOldFile) {
  TempDir dir;
  const std::string path = dir.file("data.bin");
  ASSERT_TRUE(writeFile(path, "old"));
  {
    ZRAtomicFileWriter writer{ZRString(path)};
    std::ofstream out;
    ASSERT_TRUE(writer.open(out));
    out << "half";
  }  // never committed
  EXPECT_EQ(readFile(path), "old");
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"data.bin"});

  {
    ZRAtomicFileWriter writer{ZRString(path)};
    std::ofstream out;
    ASSERT_TRUE(writer.open(out));
    out << "new";
    out.setstate(std::ios::badbit);  // as after a failed write
    EXPECT_FALSE(writer.commit(out));
  }
  EXPECT_EQ(readFile(path), "old");
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"data.bin"});

  ZRAtomicFileWriter nowhere{ZRString(dir.file("missing/data.bin"))};
  EXPECT_TRUE(nowhere.tempPath().empty());
  std::ofstream out;
  EXPECT_FALSE(nowhere.openXml(out));
  EXPECT_FALSE(nowhere.commit(out));
}

TEST(ZRAtomicFileWriter, ALinkKeepsPointingAtTheNewContent) {
  TempDir dir;
  ASSERT_TRUE(writeFile(dir.file("real.xml"), "old"));
  ASSERT_EQ(symlink(dir.file("real.xml").c_str(), dir.file("link.xml").c_str()), 0);
  ZRAtomicFileWriter writer{ZRString(dir.file("link.xml"))};
  std::ofstream out;
  ASSERT_TRUE(writer.open(out));
  out << "new";
  ASSERT_TRUE(writer.commit(out));
  struct stat st;
  ASSERT_EQ(lstat(dir.file("link.xml").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(readFile(dir.file("real.xml")), "new");
}

// A save killed halfway leaves its temporary file; the next save of the same file removes it, but not
// the temporary of a writer that still runs, nor the temporaries of other files.
TEST(ZRAtomicFileWriter, StaleTemporariesOfDeadWritersAreRemoved) {
  TempDir dir;
  const std::string path = dir.file("data.xml");
  // A child process starts a save and dies without finishing it.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto* writer = new ZRAtomicFileWriter{ZRString(path)};
    std::ofstream out;
    const bool ok = writer->open(out);
    out << "half";
    out.flush();
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::vector<std::string> left = entries(dir.path());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].rfind(".data.xml.orvel-tmp." + std::to_string(child) + ".", 0), 0u) << left[0];

  // The parent of this test runs: its temporary is left alone, as is another file's.
  const std::string alive = ".data.xml.orvel-tmp." + std::to_string(getppid()) + "." +
                            std::to_string(platformProcessStartTicks(getppid())) + ".0";
  const std::string otherFile = ".other.xml.orvel-tmp." + std::to_string(child) + ".1.0";
  // This process's id with another start time: an earlier process that had the same id.
  const std::string reusedId = ".data.xml.orvel-tmp." + std::to_string(getpid()) + "." +
                               std::to_string(platformOwnStartTicks() + 1) + ".0";
  for (const std::string& name : {alive, otherFile, reusedId}) ASSERT_TRUE(writeFile(dir.file(name), "x"));

  {
    ZRAtomicFileWriter writer{ZRString(path)};
    std::ofstream out;
    ASSERT_TRUE(writer.open(out));
    out << "whole";
    ASSERT_TRUE(writer.commit(out));
  }
  EXPECT_EQ(readFile(path), "whole");
  std::vector<std::string> now = entries(dir.path());
  std::sort(now.begin(), now.end());
  std::vector<std::string> expected = {alive, otherFile, "data.xml"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(now, expected);
}
