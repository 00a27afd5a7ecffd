#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "common/zip_test_builder.h"
#include "common/zr_zip_stream_extractor.h"
#include "support/test_support.h"

namespace {

using orvel_test::buildZip;
using orvel_test::readFile;
using orvel_test::TempDir;
using orvel_test::writeFile;
using orvel_test::ZipMember;

ZipMember member(const std::string& name, const std::string& data, unsigned method = 8) {
  ZipMember m;
  m.name = name;
  m.data = data;
  m.method = method;
  return m;
}

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// Entries of a folder other than "." and "..".
std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  return names;
}

std::string pattern(size_t n, unsigned seed) {
  std::string s;
  while (s.size() < n) {
    seed = seed * 1664525u + 1013904223u;
    s += "tone" + std::to_string((seed >> 20) % 50) + " ";
  }
  s.resize(n);
  return s;
}

class ZipStream : public ::testing::Test {
 protected:
  ZipStream() { mkdir(target().c_str(), 0775); }
  std::string target() const { return dir_.file("Samples"); }
  int extract(const std::string& bytes, std::string* cdg, ZRSunzipSummary* summary, int replace = 1) {
    const std::string zip = dir_.file("p.zip");
    EXPECT_TRUE(writeFile(zip, bytes));
    testing::internal::CaptureStdout();
    const int r = extractZipCdgFile2(zip.c_str(), target().c_str(), replace, cdg, summary);
    output_ = testing::internal::GetCapturedStdout();
    return r;
  }
  TempDir dir_;
  std::string output_;
};

TEST_F(ZipStream, EveryMethodDecodesIntoTheTarget) {
  const std::string a = pattern(150000, 1);
  ZipMember d64 = member("song.mp3", a, 9);
  d64.compressed = orvel_test::Deflate64Writer::compress(a);
  ZipMember implode = member("extra/implode.bin", pattern(9000, 2), 10);
  implode.compressed = orvel_test::ImplodeWriter::compress(implode.data, 6);
  ZipMember deferred = member("late.txt", pattern(70000, 3), 8);
  deferred.deferred = true;
  const std::vector<ZipMember> members = {d64,
                                          member("song.cdg", pattern(7200, 4), 8),
                                          member("stored.wav", pattern(3000, 5), 0),
                                          member("bz.bin", pattern(100000, 6), 12),
                                          implode,
                                          deferred};
  std::string cdg;
  ZRSunzipSummary s;
  ASSERT_EQ(extract(buildZip(members), &cdg, &s), 1) << output_;
  EXPECT_TRUE(s.complete);
  EXPECT_EQ(s.written, members.size());
  EXPECT_EQ(cdg, "song.cdg");
  for (const ZipMember& m : members) EXPECT_EQ(readFile(target() + "/" + m.name), m.data) << m.name;
  // No temporary folder is left behind.
  for (const std::string& n : entries(target())) EXPECT_NE(n.substr(0, 2), "_z") << n;
}

TEST_F(ZipStream, UnknownMethodsAndEncryptedEntriesAreSkipped) {
  ZipMember unknown = member("lzma.bin", "data", 14);
  unknown.compressed = "\x01\x02\x03\x04\x05";
  ZipMember locked = member("locked.mp3", "secret", 0);
  locked.encrypted = true;
  locked.compressed = std::string(18, 'e');  // encryption header + data
  std::string cdg;
  ZRSunzipSummary s;
  ASSERT_EQ(extract(buildZip({unknown, locked, member("ok.cdg", "graphics")}), &cdg, &s), 1) << output_;
  EXPECT_EQ(s.skipped, 2u);
  EXPECT_EQ(s.written, 1u);
  EXPECT_NE(output_.find("skipping unknown compression method"), std::string::npos);
  EXPECT_NE(output_.find("skipping encrypted entry"), std::string::npos);
  EXPECT_NE(output_.find("2 entries skipped"), std::string::npos);
  EXPECT_EQ(readFile(target() + "/ok.cdg"), "graphics");
  EXPECT_FALSE(exists(target() + "/lzma.bin"));
  EXPECT_FALSE(exists(target() + "/locked.mp3"));
}

TEST_F(ZipStream, FatalConditionsEndTheRunCleanly) {
  struct Row {
    const char* what;
    std::string bytes;
    const char* reason;
  };
  ZipMember lockedLate = member("x.mp3", "abc", 8);
  lockedLate.encrypted = true;
  lockedLate.deferred = true;
  ZipMember storedLate = member("y.mp3", "abc", 0);
  storedLate.deferred = true;
  std::string truncated = buildZip({member("t.mp3", pattern(5000, 7)), member("t.cdg", "g")});
  truncated.resize(truncated.size() - 40);
  ZipMember badCrc = member("c.mp3", "payload", 0);
  std::string corrupt = buildZip({badCrc});
  corrupt[30 + 5 + 2] ^= 0x55;  // a byte of the stored data
  const Row rows[] = {
      {"encrypted with deferred lengths", buildZip({lockedLate}),
       "cannot skip encrypted entry with deferred lengths"},
      {"stored with deferred lengths", buildZip({storedLate}),
       "cannot handle deferred lengths for pre-deflate methods"},
      {"truncated", truncated, "unexpected end of zip file"},
      {"check value", corrupt, "zip file corrupted -- cannot continue"},
      {"not a zip", std::string("this is not a zip file at all"),
       "zip file format error (unknown zip signature)"},
  };
  for (const Row& r : rows) {
    std::string cdg = "none";
    ZRSunzipSummary s;
    EXPECT_EQ(extract(r.bytes, &cdg, &s), 0) << r.what;
    EXPECT_FALSE(s.complete) << r.what;
    EXPECT_EQ(s.abortReason, r.reason) << r.what;
    EXPECT_NE(output_.find(std::string("sunzip abort: ") + r.reason), std::string::npos) << r.what << output_;
    for (const std::string& n : entries(target())) EXPECT_NE(n.substr(0, 2), "_z") << r.what;
  }
}

TEST_F(ZipStream, FoldersAreMadeWithTheirStoredTimes) {
  ZipMember a = member("A/", "", 0);
  a.dosDate = 0x2a21;  // 2001-01-01
  ZipMember b = member("A/B/", "", 0);
  b.dosDate = 0x2a21;
  std::string cdg;
  ZRSunzipSummary s;
  ASSERT_EQ(extract(buildZip({a, b, member("A/B/deep.cdg", "tiles"), member("UPPER.CDG", "x")}), &cdg, &s), 1)
      << output_;
  EXPECT_EQ(cdg, "A/B/deep.cdg");  // the upper-case .CDG is extracted but not reported
  EXPECT_EQ(readFile(target() + "/A/B/deep.cdg"), "tiles");
  EXPECT_EQ(readFile(target() + "/UPPER.CDG"), "x");
  struct stat st;
  ASSERT_EQ(stat((target() + "/A/B").c_str(), &st), 0);
  struct tm t;
  localtime_r(&st.st_mtime, &t);
  EXPECT_EQ(t.tm_year, 101);
}

TEST_F(ZipStream, NonAsciiNamesAndUnicodePathFields) {
  ZipMember legacy = member("Caf\xe9.cdg", "graphics");  // a one-byte code page name...
  std::string field;
  field += '\x01';
  orvel_test::putLe(&field, orvel_test::crcOf(legacy.name), 4);
  field += "Caf\xc3\xa9.cdg";  // ...with its Unicode path
  legacy.centralExtra = "\x75\x70";
  orvel_test::putLe(&legacy.centralExtra, field.size(), 2);
  legacy.centralExtra += field;
  ZipMember stale = member("stale.mp3", "sound");
  std::string staleField = "\x01" + std::string(4, '\0') + "other.mp3";  // CRC of another name: ignored
  stale.centralExtra = "\x75\x70";
  orvel_test::putLe(&stale.centralExtra, staleField.size(), 2);
  stale.centralExtra += staleField;
  std::string cdg;
  ZRSunzipSummary s;
  ASSERT_EQ(extract(buildZip({legacy, stale, member("\xe6\x97\xa5\xe6\x9c\xac.wav", "nihon")}), &cdg, &s), 1)
      << output_;
  EXPECT_EQ(cdg, "Caf\xc3\xa9.cdg");
  EXPECT_EQ(readFile(target() + "/Caf\xc3\xa9.cdg"), "graphics");
  EXPECT_EQ(readFile(target() + "/stale.mp3"), "sound");
  EXPECT_EQ(readFile(target() + "/\xe6\x97\xa5\xe6\x9c\xac.wav"), "nihon");
}

TEST_F(ZipStream, NamesOutsideTheTargetAreRefused) {
  ZipMember up = member("../escape.cdg", "bad");
  ZipMember abs = member("/tmp/orvel-absolute-escape.cdg", "bad");
  ZipMember link;  // a link to the target's parent
  link.name = "out";
  link.data = "..";
  link.method = 0;
  link.madeBy = 0x0314;
  link.external = 0120777u << 16;
  ZipMember inner = link;
  inner.name = "in";
  inner.data = "sub";
  std::string cdg = "none";
  ZRSunzipSummary s;
  ASSERT_EQ(extract(buildZip({up, abs, link, inner, member("good.mp3", "ok")}), &cdg, &s), 1) << output_;
  EXPECT_EQ(cdg, "none");
  EXPECT_FALSE(exists(dir_.file("escape.cdg")));
  EXPECT_FALSE(exists("/tmp/orvel-absolute-escape.cdg"));
  EXPECT_FALSE(exists(target() + "/out"));  // the link pointing outside was refused
  char buf[16] = {};
  ASSERT_GT(readlink((target() + "/in").c_str(), buf, sizeof buf - 1), 0);
  EXPECT_STREQ(buf, "sub");
  EXPECT_EQ(readFile(target() + "/good.mp3"), "ok");
  EXPECT_EQ(s.skipped, 3u);

  // A link already lying in the target folder is not followed either.
  ASSERT_EQ(symlink(dir_.path().c_str(), (target() + "/pre").c_str()), 0);
  ASSERT_EQ(extract(buildZip({member("pre/via-link.mp3", "bad")}), &cdg, &s), 1) << output_;
  EXPECT_FALSE(exists(dir_.file("via-link.mp3")));
}

TEST_F(ZipStream, ReplaceOffKeepsWhatExistsAndJunkAfterTheEndIsOnlyAWarning) {
  ASSERT_TRUE(writeFile(target() + "/keep.mp3", "mine"));
  std::string cdg;
  ZRSunzipSummary s;
  ASSERT_EQ(extract(buildZip({member("keep.mp3", "theirs"), member("new.cdg", "g")}, "JUNK"), &cdg, &s, 0), 1)
      << output_;
  EXPECT_EQ(readFile(target() + "/keep.mp3"), "mine");
  EXPECT_EQ(s.notOverwritten, 1u);
  EXPECT_EQ(s.written, 1u);
  EXPECT_NE(output_.find("junk after end of zip file"), std::string::npos);
}

TEST_F(ZipStream, ArchiveMadeBy7zWithDeflate64AndBzip2) {
  if (system("command -v 7z > /dev/null 2>&1") != 0) GTEST_SKIP() << "7z is not installed";
  const std::string src = dir_.file("src");
  mkdir(src.c_str(), 0775);
  const std::string mp3 = pattern(300000, 11);
  const std::string cdg = pattern(50000, 12);
  ASSERT_TRUE(writeFile(src + "/Tune.mp3", mp3));
  ASSERT_TRUE(writeFile(src + "/Tune.cdg", cdg));
  for (const char* method : {"Deflate64", "BZip2"}) {
    const std::string zip = dir_.file(std::string(method) + ".zip");
    const std::string cmd =
        "cd '" + src + "' && 7z a -tzip -mm=" + method + " '" + zip + "' Tune.mp3 Tune.cdg > /dev/null";
    ASSERT_EQ(system(cmd.c_str()), 0) << method;
    std::string name;
    ZRSunzipSummary s;
    ASSERT_EQ(extract(readFile(zip), &name, &s), 1) << method << output_;
    EXPECT_EQ(s.written, 2u) << method;
    EXPECT_EQ(name, "Tune.cdg") << method;
    EXPECT_EQ(readFile(target() + "/Tune.mp3"), mp3) << method;
    EXPECT_EQ(readFile(target() + "/Tune.cdg"), cdg) << method;
  }
}

}  // namespace
