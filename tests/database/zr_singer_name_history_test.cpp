// The karaoke singer history and singers.xml: reading, adding, the completion order, the exact file, and
// a show's singers kept through unreadable files and crashes.

#include "database/zr_singer_name_history.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using orvel_test::LogCapture;
using orvel_test::readFile;
using orvel_test::TempDir;
using orvel_test::writeFile;

const std::string kHeader = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n";

std::vector<std::string> names(ZRSingerNameHistory& history) {
  std::vector<std::string> out;
  for (const auto& s : history.singers()) out.push_back(s.name.utf8());
  return out;
}

struct ReadCase {
  const char* what;
  const char* body;
  int idNext;
  std::vector<int> ids;
};

TEST(SingerNameHistory, ReadsIdsAndTheNextId) {
  const std::vector<ReadCase> cases = {
      {"negative idnext, ids 3 and 7",
       "<singers version=\"1\" idnext=\"-5\"><singer id=\"3\" name=\"a\"/>"
       "<singer id=\"7\" name=\"b\"/></singers>",
       8,
       {3, 7}},
      {"no idnext, no singers", "<singers/>", 1, {}},
      {"idnext above every id", "<singers idnext=\"40\"><singer id=\"2\" name=\"a\"/></singers>", 40, {2}},
      {"missing id, other children skipped",
       "<singers idnext=\"2\"><x id=\"9\"/><singer name=\"a\"/><singer id=\"5\"/></singers>",
       6,
       {-1, 5}},
      {"id of INT_MAX does not overflow",
       "<singers><singer id=\"2147483647\" name=\"a\"/></singers>",
       INT_MAX,
       {INT_MAX}},
      {"id beyond the int range",
       "<singers><singer id=\"99999999999\" name=\"a\"/></singers>",
       INT_MAX,
       {INT_MAX}},
  };
  for (const ReadCase& c : cases) {
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file("singers.xml"), kHeader + c.body));
    ZRSingerNameHistory history(ZRString(dir.file("singers.xml")));
    ASSERT_TRUE(history.load()) << c.what;
    EXPECT_EQ(history.idNext(), c.idNext) << c.what;
    std::vector<int> ids;
    for (const auto& s : history.singers()) ids.push_back(s.id);
    EXPECT_EQ(ids, c.ids) << c.what;
  }
}

TEST(SingerNameHistory, AfterIntMaxNewSingersTakeFreeIds) {
  TempDir dir;
  ASSERT_TRUE(writeFile(dir.file("singers.xml"),
                        kHeader +
                            "<singers><singer id=\"1\" name=\"a\"/><singer id=\"2147483647\" name=\"b\"/>"
                            "<singer id=\"2\" name=\"c\"/></singers>"));
  ZRSingerNameHistory history(ZRString(dir.file("singers.xml")));
  ASSERT_TRUE(history.load());
  EXPECT_EQ(history.add("d"), 3);
  EXPECT_EQ(history.add("e"), 4);
  EXPECT_EQ(history.idNext(), INT_MAX);
  ZRSingerNameHistory again(ZRString(dir.file("singers.xml")));
  ASSERT_TRUE(again.load());
  EXPECT_EQ(names(again), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
}

TEST(SingerNameHistory, AddKeepsNamesUniqueIgnoringCaseAndSavesAtOnce) {
  TempDir dir;
  ZRSingerNameHistory history(ZRString(dir.file("singers.xml")));
  EXPECT_FALSE(history.load());  // no file yet
  EXPECT_EQ(history.add(""), -1);
  EXPECT_EQ(history.add("ANNA"), 1);
  EXPECT_EQ(history.add("anna"), 1);
  EXPECT_EQ(history.add("Bo"), 2);
  EXPECT_EQ(names(history), (std::vector<std::string>{"ANNA", "Bo"}));
  // Saved by the add itself: a crash now loses nothing.
  ZRSingerNameHistory reread(ZRString(dir.file("singers.xml")));
  ASSERT_TRUE(reread.load());
  EXPECT_EQ(names(reread), (std::vector<std::string>{"ANNA", "Bo"}));
  EXPECT_EQ(reread.idNext(), 3);
}

TEST(SingerNameHistory, CompletionOrderIsAlphabeticalAndIsTheSavedOrder) {
  TempDir dir;
  ZRSingerNameHistory history(ZRString(dir.file("singers.xml")));
  for (const char* n : {"bob", "Alice", "carl"}) history.add(n);
  std::vector<std::string> offered;
  for (const ZRString& n : history.populate()) offered.push_back(n.utf8());
  EXPECT_EQ(offered, (std::vector<std::string>{"Alice", "bob", "carl"}));
  ASSERT_TRUE(history.save());
  EXPECT_EQ(readFile(dir.file("singers.xml")),
            kHeader +
                "<singers version=\"1\" idnext=\"4\">\n<singer id=\"2\" name=\"Alice\" />\n"
                "<singer id=\"1\" name=\"bob\" />\n<singer id=\"3\" name=\"carl\" />\n</singers>\n");
}

TEST(SingerNameHistory, EscapedNamesAndLongNamesReadBackUnchanged) {
  TempDir dir;
  ZRSingerNameHistory history(ZRString(dir.file("singers.xml")));
  // 3000 three-byte characters: far beyond any fixed name area, and beyond what the readers keep.
  std::string longName;
  for (int i = 0; i < 3000; ++i) longName += "\xE2\x82\xAC";  // the euro sign
  history.add("Tom \"T\" & Jerry <3 it's");
  history.add(longName);
  const std::string file = readFile(dir.file("singers.xml"));
  EXPECT_NE(file.find("name=\"Tom &quot;T&quot; &amp; Jerry &lt;3 it&#39;s\""), std::string::npos);
  ZRSingerNameHistory reread(ZRString(dir.file("singers.xml")));
  ASSERT_TRUE(reread.load());
  ASSERT_EQ(reread.singers().size(), 2u);
  EXPECT_EQ(reread.singers()[0].name.utf8(), "Tom \"T\" & Jerry <3 it's");
  const std::string back = reread.singers()[1].name.utf8();
  EXPECT_EQ(back, names(history)[1]);  // what the history holds is what reads back
  EXPECT_LE(back.size(), 8191u);
  EXPECT_EQ(back.size() % 3, 0u);  // cut between characters
  EXPECT_EQ(back, longName.substr(0, back.size()));
}

TEST(SingerNameHistory, ClearingKeepsTheIdCounter) {
  TempDir dir;
  ZRSingerNameHistory history(ZRString(dir.file("singers.xml")));
  history.add("a");
  history.add("b");
  history.clear();
  EXPECT_EQ(history.add("c"), 3);
  ZRSingerNameHistory reread(ZRString(dir.file("singers.xml")));
  ASSERT_TRUE(reread.load());
  EXPECT_EQ(names(reread), (std::vector<std::string>{"c"}));
  EXPECT_EQ(reread.idNext(), 4);
}

TEST(SingerNameHistory, AnUnreadableFileIsKeptAsideNotWrittenOver) {
  const std::vector<std::pair<const char*, std::string>> broken = {
      {"truncated", kHeader + "<singers idnext=\"3\"><singer id=\"1\" name=\"Ann"},
      {"another root", kHeader + "<overlays version=\"1\"></overlays>\n"},
      {"binary", std::string("\x00\x01\x02garbage", 10)},
  };
  for (const auto& [what, bytes] : broken) {
    TempDir dir;
    const std::string path = dir.file("singers.xml");
    ASSERT_TRUE(writeFile(path, bytes));
    LogCapture log;
    ZRSingerNameHistory history{ZRString(path)};
    EXPECT_FALSE(history.load()) << what;
    EXPECT_TRUE(log.contains("error: load singers: xml file not loaded")) << what;
    // The original bytes are still there, beside the new file.
    std::string keptAs;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      if (entry.path().filename().string().rfind("singers.xml.unreadable-", 0) == 0) keptAs = entry.path();
    }
    ASSERT_FALSE(keptAs.empty()) << what;
    EXPECT_EQ(readFile(keptAs), bytes) << what;
    EXPECT_EQ(history.add("Zoe"), 1) << what;
    EXPECT_EQ(readFile(keptAs), bytes) << what;
    ZRSingerNameHistory reread{ZRString(path)};
    ASSERT_TRUE(reread.load()) << what;
    EXPECT_EQ(names(reread), (std::vector<std::string>{"Zoe"})) << what;
  }
}

}  // namespace
