#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "common/zip_test_builder.h"
#include "common/zr_zip_karaoke.h"
#include "common/zr_zip_stream_extractor.h"
#include "support/test_support.h"

namespace {

using orvel_test::buildZip;
using orvel_test::readFile;
using orvel_test::TempDir;
using orvel_test::writeFile;
using orvel_test::ZipMember;

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

ZipMember member(const std::string& name, const std::string& data, unsigned method = 8) {
  ZipMember m;
  m.name = name;
  m.data = data;
  m.method = method;
  return m;
}

const std::string kMp3(5000, 'M');
const std::string kCdg = std::string(24 * 300, '\x09');

class ZipKaraoke : public ::testing::Test {
 protected:
  std::string makeZip(const std::vector<ZipMember>& members) {
    const std::string path = dir_.file("package.zip");
    EXPECT_TRUE(writeFile(path, buildZip(members)));
    return path;
  }
  std::string target() {
    const std::string t = dir_.file("Samples");
    mkdir(t.c_str(), 0775);
    return t;
  }
  TempDir dir_;
};

TEST_F(ZipKaraoke, PairAtRootIsFoundAndExtracted) {
  const std::string zip = makeZip({member("Song.MP3", kMp3, 0), member("Song.CDG", kCdg)});
  EXPECT_EQ(doesZipContainsCdg(zip.c_str()), 1);
  std::string cdg;
  ASSERT_EQ(extractZipCdgFile(zip.c_str(), target().c_str(), 1, &cdg), 1);
  EXPECT_EQ(cdg, "Song.CDG");
  EXPECT_EQ(readFile(target() + "/Song.MP3"), kMp3);
  EXPECT_EQ(readFile(target() + "/Song.CDG"), kCdg);
}

TEST_F(ZipKaraoke, FolderPartsAreDroppedAndNoFolderIsMade) {
  const std::string zip = makeZip({member("Pack/", "", 0), member("Pack/a.mp3", kMp3),
                                   member("Deep/er/a.cdg", kCdg), member("notes.txt", "text")});
  std::string cdg;
  ASSERT_EQ(extractZipCdgFile(zip.c_str(), target().c_str(), 1, &cdg), 1);
  EXPECT_EQ(cdg, "a.cdg");
  EXPECT_EQ(readFile(target() + "/a.mp3"), kMp3);
  EXPECT_EQ(readFile(target() + "/a.cdg"), kCdg);
  EXPECT_FALSE(exists(target() + "/Pack"));
  EXPECT_FALSE(exists(target() + "/Deep"));
  EXPECT_FALSE(exists(target() + "/notes.txt"));
}

TEST_F(ZipKaraoke, NoMembersOrOnlyOtherFiles) {
  std::string cdg = "unchanged";
  const std::string text = makeZip({member("readme.txt", "hello")});
  EXPECT_EQ(doesZipContainsCdg(text.c_str()), 0);
  EXPECT_EQ(extractZipCdgFile(text.c_str(), target().c_str(), 1, &cdg), 1);
  EXPECT_EQ(cdg, "unchanged");
  const std::string empty = makeZip({});
  EXPECT_EQ(doesZipContainsCdg(empty.c_str()), 0);
  EXPECT_EQ(extractZipCdgFile(empty.c_str(), target().c_str(), 1, &cdg), 1);
  EXPECT_EQ(cdg, "unchanged");
  EXPECT_EQ(extractZipCdgFile(dir_.file("missing.zip").c_str(), target().c_str(), 1, &cdg), 0);
}

TEST_F(ZipKaraoke, NonAsciiLettersBecomeOneUnderscorePerByte) {
  const std::string zip = makeZip({member("Caf\xc3\xa9.mp3", kMp3), member("Caf\xc3\xa9.cdg", kCdg)});
  std::string cdg;
  ASSERT_EQ(extractZipCdgFile(zip.c_str(), target().c_str(), 1, &cdg), 1);
  EXPECT_EQ(cdg, "Caf__.cdg");
  EXPECT_EQ(readFile(target() + "/Caf__.mp3"), kMp3);
}

TEST_F(ZipKaraoke, LongMemberNamesAreReadWhole) {
  // Far beyond any fixed name buffer: 200 folder levels before the file's own name.
  std::string folders;
  for (int i = 0; i < 200; ++i) folders += std::string(250, static_cast<char>('a' + i % 26)) + "/";
  const std::string zip = makeZip({member(folders + "long.cdg", kCdg), member(folders + "long.mp3", kMp3)});
  EXPECT_EQ(doesZipContainsCdg(zip.c_str()), 1);
  std::string cdg;
  ASSERT_EQ(extractZipCdgFile(zip.c_str(), target().c_str(), 1, &cdg), 1);
  EXPECT_EQ(cdg, "long.cdg");
  EXPECT_EQ(readFile(target() + "/long.cdg"), kCdg);
}

TEST_F(ZipKaraoke, ReplacesEarlierFilesAndNeverWritesThroughALink) {
  const std::string outside = dir_.file("outside.txt");
  ASSERT_TRUE(writeFile(outside, "precious"));
  ASSERT_TRUE(writeFile(target() + "/s.mp3", "old"));
  ASSERT_EQ(symlink(outside.c_str(), (target() + "/s.cdg").c_str()), 0);
  const std::string zip = makeZip({member("s.mp3", kMp3), member("s.cdg", kCdg)});
  std::string cdg;
  ASSERT_EQ(extractZipCdgFile(zip.c_str(), target().c_str(), 1, &cdg), 1);
  EXPECT_EQ(readFile(target() + "/s.mp3"), kMp3);
  EXPECT_EQ(readFile(target() + "/s.cdg"), kCdg);
  EXPECT_EQ(readFile(outside), "precious");
}

TEST_F(ZipKaraoke, TraversalNamesStayInsideTheTarget) {
  const std::string zip = makeZip({member("../escape.mp3", kMp3), member("/tmp/abs.cdg", kCdg)});
  std::string cdg;
  ASSERT_EQ(extractZipCdgFile(zip.c_str(), target().c_str(), 1, &cdg), 1);
  EXPECT_EQ(cdg, "abs.cdg");
  EXPECT_TRUE(exists(target() + "/escape.mp3"));
  EXPECT_FALSE(exists(dir_.file("escape.mp3")));
}

// A member the file system cannot take (a name longer than a file name may be) fails the package, and
// no .cdg name that is not on disk is handed back.
TEST_F(ZipKaraoke, MemberThatCannotBeWrittenFailsThePackage) {
  const std::string tooLong = std::string(300, 'x') + ".cdg";
  const std::string zip = makeZip({member("Song.mp3", kMp3), member(tooLong, kCdg)});
  std::string cdg;
  EXPECT_EQ(extractZipCdgFile(zip.c_str(), target().c_str(), 1, &cdg), 0);
  EXPECT_EQ(cdg, "");
  // Nor does the streaming extractor that takes over.
  EXPECT_EQ(extractZipCdgFile2(zip.c_str(), target().c_str(), 1, &cdg, nullptr), 0);
  EXPECT_EQ(cdg, "");
  // A read-only target folder: nothing can be written.
  const std::string pair = makeZip({member("s.mp3", kMp3), member("s.cdg", kCdg)});
  const std::string readOnly = dir_.file("ReadOnly");
  mkdir(readOnly.c_str(), 0555);
  if (access(readOnly.c_str(), W_OK) != 0) {
    cdg.clear();
    EXPECT_EQ(extractZipCdgFile(pair.c_str(), readOnly.c_str(), 1, &cdg), 0);
    EXPECT_EQ(cdg, "");
  }
}

TEST_F(ZipKaraoke, OtherMethodsFailSoTheStreamingExtractorTakesOver) {
  // bzip2 (minizip here would hand the data out still compressed) and Deflate64.
  struct Row {
    const char* what;
    ZipMember audio;
  };
  ZipMember bz = member("b.mp3", kMp3, 12);
  ZipMember d64 = member("b.mp3", kMp3, 9);
  d64.compressed = orvel_test::Deflate64Writer::compress(kMp3);
  for (const Row& r : {Row{"bzip2", bz}, Row{"deflate64", d64}}) {
    const std::string zip = makeZip({r.audio, member("b.cdg", kCdg)});
    std::string cdg;
    EXPECT_EQ(extractZipCdgFile(zip.c_str(), target().c_str(), 1, &cdg), 0) << r.what;
    EXPECT_FALSE(exists(target() + "/b.mp3")) << r.what;  // never written still compressed
    std::string cdg2;
    EXPECT_EQ(extractZipCdgFile2(zip.c_str(), target().c_str(), 1, &cdg2), 1) << r.what;
    EXPECT_EQ(cdg2, "b.cdg") << r.what;
    EXPECT_EQ(readFile(target() + "/b.mp3"), kMp3) << r.what;
    EXPECT_EQ(readFile(target() + "/b.cdg"), kCdg) << r.what;
    unlink((target() + "/b.mp3").c_str());
  }
}

TEST_F(ZipKaraoke, TruncatedArchiveFails) {
  std::string bytes = buildZip({member("t.mp3", kMp3), member("t.cdg", kCdg)});
  bytes.resize(bytes.size() - 30);
  const std::string zip = dir_.file("cut.zip");
  ASSERT_TRUE(writeFile(zip, bytes));
  std::string cdg;
  EXPECT_EQ(doesZipContainsCdg(zip.c_str()), 0);
  EXPECT_EQ(extractZipCdgFile(zip.c_str(), target().c_str(), 1, &cdg), 0);
}

TEST(ZipKaraokeHelpers, NamesPathsAndFolders) {
  EXPECT_TRUE(isMp3WavCdg("a.MP3"));
  EXPECT_TRUE(isMp3WavCdg("xwav"));
  EXPECT_TRUE(isMp3WavCdg("b.CdG"));
  EXPECT_FALSE(isMp3WavCdg("a.mp4"));
  EXPECT_FALSE(isMp3WavCdg("p3"));
  EXPECT_EQ(getFinalPath("n.cdg", "/x"), "/x/n.cdg");
  EXPECT_EQ(getFinalPath("n.cdg", "/x/"), "/x/n.cdg");
  EXPECT_EQ(getFinalPath("n.cdg", ""), "n.cdg");
  EXPECT_EQ(getFinalPath("n.cdg", nullptr), "n.cdg");
  TempDir dir;
  EXPECT_EQ(makedir(""), 0);
  EXPECT_EQ(makedir((dir.path() + "/a/b/c/").c_str()), 1);
  struct stat st;
  EXPECT_EQ(stat((dir.path() + "/a/b/c").c_str(), &st), 0);
  EXPECT_TRUE(isCdg_sunzip("x.cdg"));
  EXPECT_FALSE(isCdg_sunzip("x.CDG"));
  EXPECT_FALSE(isCdg_sunzip("dg"));
}

TEST(ZipKaraokeHelpers, MemberDateBecomesTheFileTimes) {
  TempDir dir;
  const std::string f = dir.file("dated");
  ASSERT_TRUE(writeFile(f, "x"));
  ZRZipDate d;
  d.year = 2001;
  d.mon = 5;
  d.mday = 15;
  d.hour = 12;
  change_file_date(f.c_str(), d);
  struct stat st;
  ASSERT_EQ(stat(f.c_str(), &st), 0);
  struct tm t;
  localtime_r(&st.st_mtime, &t);
  EXPECT_EQ(t.tm_year, 101);
  EXPECT_EQ(t.tm_mon, 5);
  EXPECT_EQ(t.tm_mday, 15);
  EXPECT_EQ(st.st_atime, st.st_mtime);
}

}  // namespace
