#include "common/zr_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "common/zr_files_platform.h"
#include "support/test_support.h"

using orvel_test::readFile;
using orvel_test::TempDir;
using orvel_test::writeFile;

namespace {

std::vector<std::pair<std::string, bool>> listAll(const std::string& folder) {
  std::vector<std::pair<std::string, bool>> entries;
  void* handle = nullptr;
  ZRString name;
  bool isFolder = false;
  if (!findFirst(ZRString(folder), ZRString("*.xml"), &handle, &name, &isFolder)) return entries;
  do {
    entries.emplace_back(name.utf8(), isFolder);
  } while (findNext(handle, &name, &isFolder));
  findClose(handle);
  return entries;
}

// Restores an environment variable when the test ends.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = getenv(name);
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (hadOld_) {
      setenv(name_.c_str(), old_.c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_, old_;
  bool hadOld_ = false;
};

}  // namespace

TEST(ZRFilesListing, SortedCaseInsensitiveWithoutHiddenAndPatternIgnored) {
  TempDir dir;
  ASSERT_TRUE(writeFile(dir.file("b.wav"), "b"));
  ASSERT_TRUE(writeFile(dir.file("A.mp3"), "a"));
  ASSERT_TRUE(writeFile(dir.file(".hidden"), "h"));
  ASSERT_EQ(mkdir(dir.file("C").c_str(), 0755), 0);
  // A name that is not UTF-8 cannot travel as a ZRString: left out.
  ASSERT_TRUE(writeFile(dir.file("bad\xff.wav"), "x"));
  // A link to a folder counts as a folder.
  ASSERT_EQ(symlink(dir.file("C").c_str(), dir.file("d-link").c_str()), 0);

  std::vector<std::pair<std::string, bool>> expected = {
      {"A.mp3", false}, {"b.wav", false}, {"C", true}, {"d-link", true}};
  EXPECT_EQ(listAll(dir.path()), expected);
  // A trailing separator on the folder changes nothing.
  EXPECT_EQ(listAll(dir.path() + "/"), expected);
}

TEST(ZRFilesListing, NullOutputsStillConsumeEntries) {
  TempDir dir;
  ASSERT_TRUE(writeFile(dir.file("a"), "1"));
  ASSERT_TRUE(writeFile(dir.file("b"), "2"));
  void* handle = nullptr;
  ASSERT_TRUE(findFirst(ZRString(dir.path()), ZRString("*"), &handle, nullptr, nullptr));
  ZRString name;
  EXPECT_TRUE(findNext(handle, &name, nullptr));
  EXPECT_EQ(name.utf8(), "b");
  EXPECT_FALSE(findNext(handle, &name, nullptr));
  findClose(handle);
  findClose(nullptr);
  EXPECT_FALSE(findNext(nullptr, &name, nullptr));
}

TEST(ZRFilesListing, MissingOrEmptyFolderLeavesHandleUnchanged) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.file("empty").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.file("only-hidden").c_str(), 0755), 0);
  ASSERT_TRUE(writeFile(dir.file("only-hidden/.x"), "x"));
  int marker = 0;
  for (const std::string& folder : {dir.file("missing"), dir.file("empty"), dir.file("only-hidden")}) {
    void* handle = &marker;
    EXPECT_FALSE(findFirst(ZRString(folder), ZRString("*"), &handle, nullptr, nullptr)) << folder;
    EXPECT_EQ(handle, &marker) << folder;
  }
  EXPECT_FALSE(findFirst(ZRString(dir.path()), ZRString("*"), nullptr, nullptr, nullptr));
}

TEST(ZRFilesProbes, FinderFileAndSubfolders) {
  TempDir dir;
  ASSERT_TRUE(writeFile(dir.file(".DS_Store"), "x"));
  ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
  EXPECT_FALSE(findDirHasFiles(ZRString(dir.path())));
  EXPECT_TRUE(findDirHasSubdirs(ZRString(dir.path())));
  ASSERT_TRUE(writeFile(dir.file("z.txt"), "x"));
  EXPECT_TRUE(findDirHasFiles(ZRString(dir.path())));
  EXPECT_FALSE(findDirHasSubdirs(ZRString(dir.file("sub"))));
  EXPECT_FALSE(findDirHasFiles(ZRString(dir.file("missing"))));
}

TEST(ZRFilesBasics, HasExtension) {
  struct Case {
    const char* path;
    const char* ext;
    bool expected;
  } cases[] = {{"Cover.GIF", "gif", true}, {"gif", "gif", true},    {"x", "", true},
               {"if", "gif", false},       {"a.png", "gif", false}, {nullptr, "gif", false},
               {"a.gif", nullptr, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(FileHasExtension(c.path, c.ext), c.expected)
        << (c.path ? c.path : "null") << " " << (c.ext ? c.ext : "null");
  }
}

TEST(ZRFilesBasics, GetContent) {
  TempDir dir;
  ASSERT_TRUE(writeFile(dir.file("empty"), ""));
  ASSERT_TRUE(writeFile(dir.file("three"), std::string("a\0c", 3)));
  char* out = reinterpret_cast<char*>(0x1);
  EXPECT_FALSE(FileGetContent(dir.file("empty").c_str(), &out));
  EXPECT_EQ(out, nullptr);
  EXPECT_FALSE(FileGetContent(dir.file("missing").c_str(), &out));
  EXPECT_EQ(out, nullptr);
  EXPECT_FALSE(FileGetContent(nullptr, &out));
  EXPECT_FALSE(FileGetContent(dir.file("three").c_str(), nullptr));
  ASSERT_TRUE(FileGetContent(dir.file("three").c_str(), &out));
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::string(out, 4), std::string("a\0c\0", 4));
  free(out);
}

TEST(ZRFilesBasics, ExistsCreateDelete) {
  TempDir dir;
  const std::string sub = dir.file("ü-folder");
  EXPECT_TRUE(DirCreate(ZRString(sub)));
  EXPECT_FALSE(DirCreate(ZRString(sub)));
  EXPECT_FALSE(DirCreate(ZRString(dir.file("missing/child"))));
  EXPECT_TRUE(DirExists(ZRString(sub)));
  EXPECT_TRUE(FileExists(ZRString(sub)));
  EXPECT_FALSE(FileExists(ZRString(dir.file("nothing"))));

  const std::string file = sub + "/Ñame é.txt";
  FILE* f = OpenFileFromZRString(ZRString(file), ZRString("wb"));
  ASSERT_NE(f, nullptr);
  fputs("hi", f);
  fclose(f);
  EXPECT_TRUE(FileExists(file.c_str()));
  EXPECT_TRUE(FileExists(ZRString(file)));
  EXPECT_FALSE(DirExists(ZRString(file)));
  EXPECT_EQ(OpenFileFromZRString(ZRString(dir.file("missing/x")), ZRString("rb")), nullptr);
  EXPECT_TRUE(FileDelete(ZRString(file)));
  EXPECT_FALSE(FileDelete(ZRString(file)));
  EXPECT_FALSE(FileExists(file.c_str()));
  EXPECT_FALSE(FileExists(static_cast<const char*>(nullptr)));
  // A path whose UTF-8 form does not fit 4096 bytes fails.
  EXPECT_FALSE(DirCreate(ZRString(dir.path() + "/" + std::string(5000, 'a'))));
}

TEST(ZRFilesBasics, CreatePathMakesEveryMissingLevel) {
  TempDir dir;
  const std::string deep = dir.file("a/b/c/");
  int error = -1;
  EXPECT_TRUE(DirCreatePath(ZRString(deep), &error));
  EXPECT_EQ(error, 0);
  EXPECT_TRUE(DirExists(ZRString(dir.file("a/b/c"))));
  // Existing already: still true.
  EXPECT_TRUE(DirCreatePath(ZRString(dir.file("a/b")), &error));
  // A file in the way names the reason.
  writeFile(dir.file("a/file"), "x");
  EXPECT_FALSE(DirCreatePath(ZRString(dir.file("a/file/d")), &error));
  EXPECT_EQ(error, ENOTDIR);
  EXPECT_FALSE(DirCreatePath(ZRString(dir.file("a/file")), &error));
  EXPECT_EQ(error, ENOTDIR);
  EXPECT_FALSE(DirCreatePath(ZRString(""), &error));
  // A folder that may not be written to.
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(dir.file("a/b").c_str(), 0555), 0);
    EXPECT_FALSE(DirCreatePath(ZRString(dir.file("a/b/new/deeper")), &error));
    EXPECT_EQ(error, EACCES);
    chmod(dir.file("a/b").c_str(), 0755);
  }
}

TEST(ZRFilesCopyDir, TopLevelOrWholeTree) {
  TempDir dir;
  const std::string from = dir.file("from");
  ASSERT_EQ(mkdir(from.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((from + "/sub").c_str(), 0755), 0);
  ASSERT_TRUE(writeFile(from + "/a.txt", "A"));
  ASSERT_TRUE(writeFile(from + "/.hidden", "H"));
  ASSERT_TRUE(writeFile(from + "/sub/b.txt", "B"));

  const std::string flat = dir.file("flat");
  EXPECT_TRUE(CopyDir(ZRString(from), ZRString(flat), false));
  EXPECT_EQ(readFile(flat + "/a.txt"), "A");
  EXPECT_EQ(readFile(flat + "/.hidden"), "H");
  EXPECT_FALSE(DirExists(ZRString(flat + "/sub")));

  const std::string deep = dir.file("deep/");
  ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  ASSERT_TRUE(writeFile(deep + "a.txt", "old"));
  EXPECT_TRUE(CopyDir(ZRString(from + "/"), ZRString(deep), true));
  EXPECT_EQ(readFile(deep + "a.txt"), "A");
  EXPECT_EQ(readFile(deep + "sub/b.txt"), "B");

  EXPECT_FALSE(CopyDir(ZRString(dir.file("missing")), ZRString(dir.file("never")), true));
  EXPECT_FALSE(DirExists(ZRString(dir.file("never"))));

  // A skipped name is left out at every level; the rest is copied as before.
  ASSERT_TRUE(writeFile(from + "/sub/.hidden", "H2"));
  const std::string filtered = dir.file("filtered");
  EXPECT_TRUE(CopyDir(ZRString(from), ZRString(filtered), true,
                      [](const char* name) { return std::string(name) == ".hidden"; }));
  EXPECT_EQ(readFile(filtered + "/a.txt"), "A");
  EXPECT_EQ(readFile(filtered + "/sub/b.txt"), "B");
  EXPECT_FALSE(FileExists(ZRString(filtered + "/.hidden")));
  EXPECT_FALSE(FileExists(ZRString(filtered + "/sub/.hidden")));
}

TEST(ZRFilesVolumes, OutOfRangeAndTypes) {
  int total = rescanAndGetTotalVolumes();
  EXPECT_GE(total, 0);
  EXPECT_LE(total, 64);
  EXPECT_TRUE(getVolumeName(-1).empty());
  EXPECT_TRUE(getVolumeName(total).empty());
  EXPECT_TRUE(getVolumePath(total).empty());
  EXPECT_EQ(getVolumeType(-1), -1);
  EXPECT_EQ(getVolumeType(total), -1);
  for (int i = 0; i < total; ++i) {
    EXPECT_EQ(getVolumeType(i), 100);
    EXPECT_TRUE(DirExists(getVolumePath(i)));
  }
}

TEST(ZRFilesVolumes, MountTableParsing) {
  // Any block device of this machine will do for the device column.
  std::string device;
  for (const char* candidate : {"/dev/vda", "/dev/sda", "/dev/nvme0n1", "/dev/xvda", "/dev/mmcblk0"}) {
    struct stat st;
    if (stat(candidate, &st) == 0 && S_ISBLK(st.st_mode)) {
      device = candidate;
      break;
    }
  }
  if (device.empty()) GTEST_SKIP() << "no block device to build a mount table with";

  TempDir dir;
  ASSERT_EQ(mkdir(dir.file("My Disk").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.file("second").c_str(), 0755), 0);
  const std::string escaped = dir.path() + "/My\\040Disk";
  std::string table = "proc /proc proc rw 0 0\n";
  table += "/dev/null " + dir.file("second") + " ext4 rw 0 0\n";  // not a block device
  table += "/dev/loop0 " + dir.file("second") + " squashfs ro 0 0\n";
  table += device + " " + escaped + " ext4 rw 0 0\n";
  table += device + " " + dir.file("second") + " ext4 rw 0 0\n";  // the same device bound again
  table += "garbage\n";
  ASSERT_TRUE(writeFile(dir.file("mounts"), table));

  TAppleVolumeInfo* volumes = nullptr;
  int count = getMountedVolumesFromTable_Apple(dir.file("mounts").c_str(), &volumes);
  ASSERT_EQ(count, 1);
  ASSERT_NE(volumes, nullptr);
  EXPECT_EQ(volumes[0].path.utf8(), dir.file("My Disk"));
  EXPECT_FALSE(volumes[0].name.empty());
  delete[] volumes;

  volumes = reinterpret_cast<TAppleVolumeInfo*>(0x1);
  EXPECT_EQ(getMountedVolumesFromTable_Apple(dir.file("missing").c_str(), &volumes), 0);
  EXPECT_EQ(volumes, nullptr);
}

TEST(ZRFilesFolders, DocumentsFromUserDirsOrDefault) {
  TempDir dir;
  ScopedEnv home("HOME", dir.path().c_str());
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(getDocumentsFolder_Apple().utf8(), dir.path() + "/Documents");

  ASSERT_EQ(mkdir(dir.file(".config").c_str(), 0755), 0);
  ASSERT_TRUE(writeFile(dir.file(".config/user-dirs.dirs"),
                        "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                        "XDG_DOCUMENTS_DIR=\"$HOME/Mes Documents\"\n"));
  EXPECT_EQ(getDocumentsFolder_Apple().utf8(), dir.path() + "/Mes Documents");

  ASSERT_TRUE(writeFile(dir.file(".config/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"/srv/docs/\"\n"));
  EXPECT_EQ(getDocumentsFolder_Apple().utf8(), "/srv/docs");

  // "$HOME" alone switches the folder off: the usual place is taken.
  ASSERT_TRUE(writeFile(dir.file(".config/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/\"\n"));
  EXPECT_EQ(getDocumentsFolder_Apple().utf8(), dir.path() + "/Documents");
}

TEST(ZRFilesFolders, ExecutableAndResources) {
  char buffer[1024];
  ASSERT_TRUE(GetExecutableDir_Apple(buffer, sizeof(buffer)));
  std::string exe = buffer;
  char link[4096];
  ssize_t n = readlink("/proc/self/exe", link, sizeof(link) - 1);
  ASSERT_GT(n, 0);
  link[n] = 0;
  std::string expected(link);
  expected = expected.substr(0, expected.rfind('/') + 1);
  EXPECT_EQ(exe, expected);

  char tiny[4] = "xyz";
  EXPECT_FALSE(GetExecutableDir_Apple(tiny, sizeof(tiny)));
  EXPECT_STREQ(tiny, "");

  if (GetResourcesDir_Apple(buffer, sizeof(buffer))) {
    std::string resources = buffer;
    ASSERT_FALSE(resources.empty());
    EXPECT_EQ(resources.back(), '/');
    EXPECT_TRUE(DirExists(ZRString(resources)));
  }
  // Tests bring their own resources; the search comes back when the override goes.
  SetResourcesDirOverride_Apple("/somewhere/else");
  ASSERT_TRUE(GetResourcesDir_Apple(buffer, sizeof(buffer)));
  EXPECT_STREQ(buffer, "/somewhere/else/");
  SetResourcesDirOverride_Apple(nullptr);
  if (GetResourcesDir_Apple(buffer, sizeof(buffer))) {
    EXPECT_STRNE(buffer, "/somewhere/else/");
  }

  ZRString untouched("same");
  EXPECT_FALSE(getiTunesLibraryXmlPath_Apple(&untouched));
  EXPECT_EQ(untouched.utf8(), "same");
  EXPECT_FALSE(getiTunesLibraryXmlPath_Apple(nullptr));
}
