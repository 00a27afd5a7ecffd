// List files: the paths .m3u and .tvl files name (line ends, comments, old
// colon paths, addresses, relative paths, broken files), importing them into
// a list through the adding thread, and writing a list as .m3u and .csv.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "database/list_test_support.h"
#include "database/xml_test_documents.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "database/zr_list_file_readers.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using orvel_test::LogCapture;
using orvel_test::makeTrack;
using orvel_test::readFile;
using orvel_test::rowIds;
using orvel_test::rowOf;
using orvel_test::ScopedList;
using orvel_test::TempDir;
using orvel_test::writeFile;

constexpr int kWaitMs = 20000;

struct M3uCase {
  const char* name;
  std::string content;
  std::vector<std::string> paths;  // "@" stands for the list file's folder
};

TEST(ListFileReadersTest, M3uLinesGiveThePathsTheyName) {
  const std::string longLine = "/music/" + std::string(5000, 'x') + ".mp3";
  const std::vector<M3uCase> cases = {
      {"CommentsAndEmptyLines", "#EXTM3U\n/a.mp3\n\n#EXTINF:1,x\n/b.mp3\n", {"/a.mp3", "/b.mp3"}},
      {"LastLineWithoutEnd", "/a.mp3\n/b.mp3", {"/a.mp3", "/b.mp3"}},
      {"CarriageReturnsAlone", "/a.mp3\r/b.mp3\r", {"/a.mp3", "/b.mp3"}},
      {"CarriageReturnsAndLineFeeds", "#EXTM3U\r\n/a.mp3\r\n/b.mp3\r\n", {"/a.mp3", "/b.mp3"}},
      {"ByteOrderMark", "\xEF\xBB\xBF/a.mp3\n", {"/a.mp3"}},
      {"OldColonPath", "Disk:Music:song.mp3\n", {"/Volumes/Disk/Music/song.mp3"}},
      {"OneColonIsRelative", "Music:song.mp3\n", {"@Music:song.mp3"}},
      {"LinuxPathWithColons", "/home/dj/a:b:c.mp3\n", {"/home/dj/a:b:c.mp3"}},
      {"FileAddress",
       "file:///home/dj/My%20Song.mp3\nfile://localhost/x/y.mp3\n",
       {"/home/dj/My Song.mp3", "/x/y.mp3"}},
      {"WebAddressAsItIs", "http://example.com/a.mp3\n", {"http://example.com/a.mp3"}},
      {"Relative", "sub/a.mp3\n../b.mp3\n", {"@sub/a.mp3", "@../b.mp3"}},
      {"TooLongLineSkipped", "/a.mp3\n" + longLine + "\n/b.mp3\n", {"/a.mp3", "/b.mp3"}},
      {"TooLongLastLine", "/a.mp3\n" + longLine, {"/a.mp3"}},
      {"NotUtf8", "/caf\xE9.mp3\n/b.mp3\n", {"/b.mp3"}},
      {"OneByteLine", "x\n/b.mp3\n", {"/b.mp3"}},
      {"Empty", "", {}},
  };
  for (const M3uCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string file = dir.file("list.m3u");
    ASSERT_TRUE(writeFile(file, c.content));
    std::vector<ZRString> paths;
    ASSERT_TRUE(readM3uFile(file, &paths));
    std::vector<std::string> got;
    for (const ZRString& p : paths) got.push_back(p.utf8());
    std::vector<std::string> expected;
    for (std::string p : c.paths) {
      if (p[0] == '@') p = dir.path() + "/" + p.substr(1);
      expected.push_back(p);
    }
    EXPECT_EQ(got, expected);
  }
  std::vector<ZRString> none;
  EXPECT_FALSE(readM3uFile("/no/such/list.m3u", &none));
}

TEST(ListFileReadersTest, TvlSongsAndBrokenTvlFiles) {
  TempDir dir;
  const std::string file = dir.file("list.tvl");
  ASSERT_TRUE(writeFile(file,
                        "<?xml version=\"1.0\"?>\n<list>\n  <song fnam=\"/a.mp3\" titl=\"A\"/>\n"
                        "  <other fnam=\"/x.mp3\"/>\n  <song fnam=\"\"/>\n  <song/>\n"
                        "  <song fnam=\"/b &amp; c.mp3\"><song fnam=\"/nested.mp3\"/></song>\n</list>\n"));
  std::vector<ZRString> paths;
  ASSERT_TRUE(readTvlFile(file, &paths));
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0], ZRString("/a.mp3"));
  EXPECT_EQ(paths[1], ZRString("/b & c.mp3"));

  const std::vector<std::string> broken = {
      "",
      "not xml",
      "<?xml version=\"1.0\"?>\n<playlist><song fnam=\"/a.mp3\"/></playlist>\n",
      "<list><song fnam=\"/a.mp3\">",
      "<list><song fnam=\"/a.mp3\" fnam=\"/b.mp3\"/></list>",
      orvel_test::withExpandingEntities("list", "<list><song fnam=\"/&l11;.mp3\"/></list>")};
  for (const std::string& content : broken) {
    SCOPED_TRACE(content);
    ASSERT_TRUE(writeFile(file, content));
    std::vector<ZRString> none;
    LogCapture log;
    EXPECT_FALSE(readTvlFile(file, &none));
    EXPECT_TRUE(log.contains("error: importList: XML not ok"));
    EXPECT_TRUE(none.empty());
  }
}

// Real files for the adding thread to read.
struct Library {
  TempDir dir;
  ZRDatabase db;
  ScopedList list{&db};
  std::string path(const std::string& name) const { return dir.file(name); }
  void media(const std::string& name) {
    ASSERT_TRUE(orvel_test::writeWav16(dir.file(name), std::vector<int16_t>(882, 0), 2, 44100));
  }
  std::vector<std::string> rowNames() {
    std::vector<std::string> names;
    TZRListTrack row;
    TZRDatabaseTrack track;
    for (int32_t i = 0; list->getRowDataFull(i, &row, &track); ++i) {
      names.push_back(track.tags[kTagFileName].getNameAndExt().utf8());
    }
    return names;
  }
};

TEST(ListFilesTest, ImportQueuesEveryPathAndTheRowsFollowInOrder) {
  Library lib;
  for (const char* name : {"one.mp3", "two.mp3", "three.wav"}) lib.media(name);
  ASSERT_TRUE(writeFile(lib.path("set.M3U"), "#EXTM3U\r\nthree.wav\r\n" + lib.path("one.mp3") +
                                                 "\r\nmissing.mp3\r\nnotes.txt\r\n\r\n" +
                                                 lib.path("two.mp3")));
  TZRDatabaseTrack known = makeTrack("/music/known.mp3", "K");
  lib.list->addLine(rowOf(lib.db.addOrUpdate(&known)), -1, false);
  lib.list->sort(kTagTitle, true);
  ASSERT_NE(lib.list->getSortField(), 0);
  ASSERT_TRUE(lib.list->importList(ZRString(lib.path("set.M3U")), false));
  EXPECT_EQ(lib.list->getSortField(), 0);
  ASSERT_TRUE(lib.db.waitUntilAddingIsDone(kWaitMs));
  EXPECT_EQ(lib.rowNames(), (std::vector<std::string>{"known.mp3", "three.wav", "one.mp3", "two.mp3"}));

  // Appending a .tvl, then replacing everything with it.
  ASSERT_TRUE(writeFile(lib.path("own.TVL"), "<list><song fnam=\"" + lib.path("two.mp3") + "\"/></list>"));
  ASSERT_TRUE(lib.list->importList(ZRString(lib.path("own.TVL")), false));
  ASSERT_TRUE(lib.db.waitUntilAddingIsDone(kWaitMs));
  EXPECT_EQ(lib.list->getCount(), 5);
  ASSERT_TRUE(lib.list->importList(ZRString(lib.path("own.TVL")), true));
  ASSERT_TRUE(lib.db.waitUntilAddingIsDone(kWaitMs));
  EXPECT_EQ(lib.rowNames(), (std::vector<std::string>{"two.mp3"}));
  EXPECT_EQ(lib.db.getTrackCount(), 4);
}

TEST(ListFilesTest, ImportThatFailsLeavesTheListAsItIs) {
  Library lib;
  lib.list->addLine(rowOf(7), -1, false);
  LogCapture log;
  EXPECT_FALSE(lib.list->importList(ZRString(lib.path("missing.m3u")), true));
  EXPECT_TRUE(log.contains("error: importList: file not found"));
  ASSERT_TRUE(writeFile(lib.path("broken.tvl"), "<list><song"));
  EXPECT_FALSE(lib.list->importList(ZRString(lib.path("broken.tvl")), true));
  ASSERT_TRUE(writeFile(lib.path("list.pls"), "[playlist]\n"));
  EXPECT_FALSE(lib.list->importList(ZRString(lib.path("list.pls")), true));
  // A list that reads but names no file that exists would only empty the user's list.
  ASSERT_TRUE(writeFile(lib.path("dead.m3u"), "#EXTM3U\n/no/such/file.mp3\nnot-here.wav\n"));
  EXPECT_FALSE(lib.list->importList(ZRString(lib.path("dead.m3u")), true));
  EXPECT_TRUE(log.contains("error: importList: the list names no file that exists"));
  EXPECT_EQ(rowIds(lib.list.get()), (std::vector<int32_t>{7}));
}

// A list of three tracks, one of them no longer stored.
struct ExportLibrary {
  TempDir dir;
  ZRDatabase db;
  ScopedList list{&db};
  std::string longPath = "/music/" + std::string(300, 'd') + "/" + std::string(4000, 'f') + ".mp3";
  ExportLibrary() {
    TZRDatabaseTrack a = makeTrack("/music/a.mp3", "Art \"The\" Ist", "Ti,tle\tTab");
    a.tags[kTagAlbum] = "Alb";
    a.tags[kTagTrack] = "3";
    a.tags[kTagYear] = "2001";
    a.tags[kTagGenre] = "House";
    a.tags[kTagTime] = "03:00";
    a.tags[kTagBpm] = "124.0";
    a.tags[kTagKey] = "08m/Am";
    a.tags[kTagComment] = "line\nbreak";
    TZRDatabaseTrack b = makeTrack(longPath, "B", "b");
    list->addLine(rowOf(db.addOrUpdate(&a)), -1, false);
    list->addLine(rowOf(99), -1, false);
    list->addLine(rowOf(db.addOrUpdate(&b)), -1, false);
  }
};

TEST(ListFilesTest, ExportWritesPathsAndQuotedFieldsOfStoredTracks) {
  ExportLibrary lib;
  const std::string m3u = lib.dir.file("out.m3u");
  const std::string csv = lib.dir.file("out.csv");
  ASSERT_TRUE(lib.list->exportListAsM3U(ZRString(m3u)));
  // Paths are whole, however long.
  EXPECT_EQ(readFile(m3u), "/music/a.mp3\n" + lib.longPath + "\n");
  ASSERT_TRUE(lib.list->exportListAsCSV(ZRString(csv)));
  EXPECT_EQ(readFile(csv),
            "Artist,Title,Album,TrackNo,Year,Genre,Duration,BPM,Key,Comment,Filename\n"
            "\"Art \"\"The\"\" Ist\",\"Ti,tle Tab\",\"Alb\",\"3\",\"2001\",\"House\",\"03:00\",\"124.0\","
            "\"08m/Am\",\"line break\",\"/music/a.mp3\"\n"
            "\"B\",\"b\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"" +
                lib.longPath + "\"\n");

  ScopedList empty(&lib.db);
  ASSERT_TRUE(empty->exportListAsM3U(ZRString(m3u)));
  EXPECT_EQ(readFile(m3u), "");
  ASSERT_TRUE(empty->exportListAsCSV(ZRString(csv)));
  EXPECT_EQ(readFile(csv), "Artist,Title,Album,TrackNo,Year,Genre,Duration,BPM,Key,Comment,Filename\n");
}

TEST(ListFilesTest, ExportFailuresAreReportedAndKeepTheOldFile) {
  ExportLibrary lib;
  LogCapture log;
  EXPECT_FALSE(lib.list->exportListAsM3U(ZRString(lib.dir.file("no/such/folder/out.m3u"))));
  EXPECT_TRUE(log.contains("error: exportList: could not open file"));

  const std::string csv = lib.dir.file("out.csv");
  ASSERT_TRUE(writeFile(csv, "old"));
  {
    orvel_test::FileSizeLimit limit(100);
    ASSERT_TRUE(limit.ok());
    EXPECT_FALSE(lib.list->exportListAsCSV(ZRString(csv)));
  }
  EXPECT_EQ(readFile(csv), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(lib.dir.path()), {}), 1);
}

}  // namespace
