#include "common/zr_string.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

// U+1F3B5 MUSICAL NOTE (outside the Basic Multilingual Plane), "é" precomposed and as e + U+0301.
const char* const kNote = "\xF0\x9F\x8E\xB5";
const char* const kEAcute = "\xC3\xA9";
const char* const kECombining = "e\xCC\x81";

std::string u8(const ZRString& s) {
  return s.utf8();
}

TEST(ZRStringTest, LengthsCountUtf16Units) {
  EXPECT_EQ(ZRString(static_cast<const char*>(nullptr)).len(), 0);
  EXPECT_EQ(ZRString("").len(), 0);
  EXPECT_EQ(ZRString().len(), 0);
  EXPECT_EQ(ZRString(kEAcute).len(), 1);
  EXPECT_EQ(ZRString(kECombining).len(), 2);
  EXPECT_EQ(ZRString(kNote).len(), 2);
  EXPECT_EQ(ZRString(std::string("a") + kNote + "b").len(), 4);
  EXPECT_EQ(ZRString(L"a\U0001F3B5\u00e9").len(), 4);
  EXPECT_EQ(u8(ZRString(L"a\U0001F3B5\u00e9")), std::string("a") + kNote + kEAcute);
  EXPECT_EQ(ZRString(static_cast<const wchar_t*>(nullptr)).len(), 0);
}

TEST(ZRStringTest, InvalidUtf8GivesEmptyText) {
  EXPECT_EQ(ZRString("ab\xFF"
                     "cd")
                .len(),
            0);
  EXPECT_EQ(ZRString("\xC3").len(), 0);
}

TEST(ZRStringTest, ToUtf8ReportsTooSmallBuffer) {
  char buffer[8] = "zzzzzzz";
  EXPECT_FALSE(ZRString("abc").toUTF8(buffer, 3));
  EXPECT_STREQ(buffer, "");
  EXPECT_TRUE(ZRString("abc").toUTF8(buffer, 4));
  EXPECT_STREQ(buffer, "abc");
  // Four bytes for the note plus the NUL.
  EXPECT_FALSE(ZRString(kNote).toUTF8(buffer, 4));
  EXPECT_STREQ(buffer, "");
  EXPECT_TRUE(ZRString(kNote).toUTF8(buffer, 5));
  EXPECT_STREQ(buffer, kNote);
  EXPECT_FALSE(ZRString("abc").toUTF8(buffer, 0));
  EXPECT_FALSE(ZRString("abc").toUTF8(nullptr, 8));
}

TEST(ZRStringTest, ToUtf8OfLoneSurrogateFails) {
  char buffer[16];
  EXPECT_FALSE(ZRString(std::u16string(1, char16_t(0xD800))).toUTF8(buffer, sizeof(buffer)));
  EXPECT_STREQ(buffer, "");
}

TEST(ZRStringTest, PrintfFillsConversions) {
  ZRString s;
  s.printf("%d:%02d", 5, 7);
  EXPECT_EQ(u8(s), "5:07");
  const ZRString title(std::string("Song ") + kNote);
  s.printf("[%S] [%s] [%s] [%s]", title, title, "bytes", std::string("std"));
  EXPECT_EQ(u8(s), std::string("[Song ") + kNote + "] [Song " + kNote + "] [bytes] [std]");
  s.printf(ZRString("%s%%"), 50);
  EXPECT_EQ(u8(s), "50%");
  EXPECT_EQ(u8(ZRString::format("%s-%d", ZRString(kEAcute), 3)), std::string(kEAcute) + "-3");
  // Stray bytes in a byte-string argument do not lose the rest of the text.
  s.printf("a%sb", "\xFF");
  EXPECT_EQ(u8(s),
            "a\xEF\xBF\xBD"
            "b");
}

TEST(ZRStringTest, Comparisons) {
  EXPECT_EQ(ZRString("a").cmp("b"), -1);
  EXPECT_EQ(ZRString("b").cmp("a"), 1);
  EXPECT_EQ(ZRString("abc").cmp("abc"), 0);
  EXPECT_EQ(ZRString("ABC").icmp("abc"), 0);
  EXPECT_NE(ZRString("ABC").cmp("abc"), 0);
  EXPECT_EQ(ZRString("apple").icmp("Banana"), -1);
  EXPECT_EQ(ZRString("Zebra").icmp("apple"), 1);
  // Accents still count when case does not; canonically equal texts compare equal.
  EXPECT_NE(ZRString(kEAcute).icmp("e"), 0);
  EXPECT_EQ(ZRString(kEAcute).cmp(kECombining), 0);
  EXPECT_EQ(ZRString("\xC3\x89").icmp(kEAcute), 0);
  // Localized: accented letters sort with their base letter, not after 'z'.
  EXPECT_EQ(ZRString(kEAcute).cmp("f"), -1);
  EXPECT_EQ(ZRString("").cmp("a"), -1);
}

TEST(ZRStringTest, SubstrLeftRightTruncate) {
  const ZRString s("abcdef");
  EXPECT_EQ(u8(s.substr(2, -1)), "cdef");
  EXPECT_EQ(u8(s.substr(2, 0)), "");
  EXPECT_EQ(u8(s.substr(2, 3)), "cde");
  EXPECT_EQ(u8(s.substr(6, -1)), "");
  EXPECT_EQ(u8(s.right(2)), "ef");
  EXPECT_EQ(u8(s.left(2)), "ab");
  EXPECT_EQ(u8(s.right(6)), "abcdef");
  const struct {
    int n;
    const char* expect;
  } truncations[] = {{10, "abc"}, {3, "abc"}, {-1, "abc"}, {2, "ab"}, {0, ""}};
  for (const auto& t : truncations) {
    ZRString abc("abc");
    abc.truncate(t.n);
    EXPECT_EQ(u8(abc), t.expect) << t.n;
  }
  // Positions count UTF-16 units: the note takes two.
  const ZRString withNote(std::string("x") + kNote + "yz");
  EXPECT_EQ(u8(withNote.substr(3, -1)), "yz");
  EXPECT_EQ(u8(withNote.substr(1, 2)), kNote);
}

TEST(ZRStringTest, PathHelpers) {
  const struct {
    const char* text;
    const char* ext;
    const char* name;
    const char* path;
    const char* pathAndName;
    const char* nameAndExt;
  } cases[] = {
      {"/music/track.mp3", "mp3", "track", "/music", "/music/track", "track.mp3"},
      {"/music/track", "", "track", "/music", "/music/track", "track"},
      {"/track.mp3", "mp3", "track", "/", "/track", "track.mp3"},
      {"track.mp3", "mp3", "track", "", "track", "track.mp3"},
      {"/x/.hidden", "hidden", "", "/x", "/x", ".hidden"},
      {"/", "", "/", "/", "/", "/"},
      {"", "", "", "", "", ""},
      {"noext", "", "noext", "", "noext", "noext"},
      {"/music/", "", "", "/music", "/music", ""},
      {"/a/b.tar.gz", "gz", "b.tar", "/a", "/a/b.tar", "b.tar.gz"},
      // A '.' in a folder name is not an extension.
      {"/my.music/track", "", "track", "/my.music", "/my.music/track", "track"},
      {"dir/file.", "", "file", "dir", "dir/file", "file"},
  };
  for (const auto& c : cases) {
    const ZRString s(c.text);
    EXPECT_EQ(u8(s.getExt()), c.ext) << c.text;
    EXPECT_EQ(u8(s.getName()), c.name) << c.text;
    EXPECT_EQ(u8(s.getPath()), c.path) << c.text;
    EXPECT_EQ(u8(s.getPathAndName()), c.pathAndName) << c.text;
    EXPECT_EQ(u8(s.getNameAndExt()), c.nameAndExt) << c.text;
  }
}

TEST(ZRStringTest, Separators) {
  ZRString s;
  s.appendSeparatorIfNeeded();
  EXPECT_EQ(u8(s), "/");
  s = "/music/";
  s.appendSeparatorIfNeeded();
  EXPECT_EQ(u8(s), "/music/");
  s.removeLastSeparatorIfNeeded();
  EXPECT_EQ(u8(s), "/music");
  s.removeLastSeparatorIfNeeded();
  EXPECT_EQ(u8(s), "/music");
  s.appendSeparatorIfNeeded();
  EXPECT_EQ(u8(s), "/music/");
  s = "//a";
  s.removeFirstSeparatorIfNeeded();
  EXPECT_EQ(u8(s), "/a");
  s = "";
  s.removeFirstSeparatorIfNeeded();
  s.removeLastSeparatorIfNeeded();
  EXPECT_EQ(u8(s), "");
}

TEST(ZRStringTest, TrimRemovesWhiteSpaceAtBothEndsWhateverTheFlag) {
  for (bool flag : {true, false}) {
    ZRString s("  a b \n");
    s.trim(flag);
    EXPECT_EQ(u8(s), "a b") << flag;
  }
  // No-break space, ideographic space, tab, carriage return and line separator are white space.
  ZRString s("\xC2\xA0\t\xE3\x80\x80x\r\xE2\x80\xA8");
  s.trim(true);
  EXPECT_EQ(u8(s), "x");
  s = " \n\t ";
  s.trim(true);
  EXPECT_EQ(s.len(), 0);
}

TEST(ZRStringTest, EndsWith) {
  EXPECT_FALSE(ZRString("track.MP3").endsWith(".mp3"));
  EXPECT_TRUE(ZRString("track.MP3").endsWithNoCase(".mp3"));
  EXPECT_TRUE(ZRString("track.mp3").endsWith(".mp3"));
  EXPECT_TRUE(ZRString("anything").endsWith(""));
  EXPECT_TRUE(ZRString("").endsWith(""));
  EXPECT_TRUE(ZRString("anything").endsWithNoCase(""));
  EXPECT_FALSE(ZRString("mp3").endsWith(".mp3"));
  EXPECT_FALSE(ZRString("mp3").endsWithNoCase(".mp3"));
  EXPECT_TRUE(ZRString("CAF\xC3\x89").endsWithNoCase(std::string("f") + kEAcute));
}

TEST(ZRStringTest, CopyAndMove) {
  ZRString a("text");
  ZRString b(std::move(a));
  EXPECT_EQ(u8(b), "text");
  EXPECT_EQ(a.len(), 0);  // NOLINT(bugprone-use-after-move): moved-from strings hold no text
  ZRString c("old");
  c = a;
  EXPECT_EQ(c.len(), 0);
  c = b;
  EXPECT_EQ(u8(c), "text");
  c.append("!");
  EXPECT_EQ(u8(b), "text");
  ZRString& self = c;
  c = self;
  EXPECT_EQ(u8(c), "text!");
  c = std::move(self);
  EXPECT_EQ(u8(c), "text!");
  ZRString d(&c);
  EXPECT_EQ(u8(d), "text!");
  EXPECT_EQ(ZRString(static_cast<const ZRString*>(nullptr)).len(), 0);
  ZRString e;
  e = std::move(d);
  EXPECT_EQ(u8(e), "text!");
  EXPECT_EQ(d.len(), 0);  // NOLINT(bugprone-use-after-move)
}

TEST(ZRStringTest, AppendAndConcatenate) {
  ZRString s("ab");
  s += "cd";
  s.append(ZRString());
  EXPECT_EQ(u8(s), "abcd");
  EXPECT_EQ(u8(s + ZRString(kNote)), std::string("abcd") + kNote);
  EXPECT_EQ(u8(s), "abcd");
}

TEST(ZRStringTest, FindAndContains) {
  const ZRString s(std::string(kNote) + "Un " + "\xC3\x89t\xC3\xA9" + " chaud");
  ZRRange r = s.find("chaud");
  EXPECT_EQ(r.position, 9);
  EXPECT_EQ(r.length, 5);
  r = s.find("CHAUD");
  EXPECT_EQ(r.position, -1);
  r = s.findNoCase("CHAUD");
  EXPECT_EQ(r.position, 9);
  EXPECT_EQ(r.length, 5);
  r = s.findNoCase(std::string("\xC3\xA9") + "T" + kEAcute);
  EXPECT_EQ(r.position, 5);
  EXPECT_EQ(r.length, 3);
  r = s.findNoCase(kNote);
  EXPECT_EQ(r.position, 0);
  EXPECT_EQ(r.length, 2);
  EXPECT_TRUE(s.contains("Un"));
  EXPECT_FALSE(s.contains("un"));
  EXPECT_TRUE(s.containsNoCase("un"));
  EXPECT_FALSE(s.contains(""));
  EXPECT_FALSE(s.containsNoCase("cold"));
  EXPECT_EQ(ZRString("").find("a").position, -1);
  EXPECT_FALSE(ZRString("ab").containsNoCase("abc"));
}

TEST(ZRStringTest, HasCharAtPos) {
  const ZRString s("ab ");
  EXPECT_TRUE(s.hasCharAtPos('a', 0));
  EXPECT_TRUE(s.hasCharAtPos(' ', -1));
  EXPECT_TRUE(s.hasSpaceAtEnd());
  EXPECT_FALSE(s.hasCharAtPos('b', 3));
  EXPECT_FALSE(s.hasCharAtPos('a', -2));
  EXPECT_FALSE(ZRString().hasCharAtPos(' ', -1));
  EXPECT_FALSE(ZRString("ab").hasSpaceAtEnd());
}

TEST(ZRStringTest, NumbersFromText) {
  const struct {
    const char* text;
    int i;
    double d;
  } cases[] = {
      {"42", 42, 42.0},
      {"  -17abc", -17, -17.0},
      {"+8", 8, 8.0},
      {"3.75", 3, 3.75},
      {"-0.5e1x", 0, -5.0},
      {"abc", 0, 0.0},
      {"", 0, 0.0},
      {".", 0, 0.0},
      {"1e", 1, 1.0},
      {"\n\t 12 34", 12, 12.0},
      {".25", 0, 0.25},
      {"99999999999", INT_MAX, 99999999999.0},
      {"-99999999999", INT_MIN, -99999999999.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ZRString(c.text).toInt(), c.i) << c.text;
    EXPECT_DOUBLE_EQ(ZRString(c.text).toDouble(), c.d) << c.text;
  }
}

TEST(ZRStringTest, MakeLowercase) {
  ZRString s(
      "\xC3\x80"
      "BC Title");
  s.makeLowercase();
  EXPECT_EQ(u8(s),
            "\xC3\xA0"
            "bc title");
}

TEST(ZRStringTest, ExactEqualityAndHash) {
  std::unordered_set<ZRString> set{ZRString("a"), ZRString("A"), ZRString("a")};
  EXPECT_EQ(set.size(), 2u);
  EXPECT_TRUE(ZRString("a") == ZRString("a"));
  EXPECT_TRUE(ZRString("a") != ZRString("A"));
  EXPECT_FALSE(ZRString(kEAcute) == ZRString(kECombining));
}

// The collators are shared by all threads; concurrent sorts must agree with a sort on one thread.
TEST(ZRStringTest, ConcurrentComparisonsAgree) {
  std::vector<ZRString> titles;
  const char* const words[] = {"b", "A", "\xC3\xA9t\xC3\xA9", "Zed", "apple", "E", "caf\xC3\xA9", "Cafe"};
  for (int i = 0; i < 400; ++i) titles.emplace_back(std::string(words[i % 8]) + words[(i * 7) % 8]);
  auto sorted = [](std::vector<ZRString> v) {
    std::stable_sort(v.begin(), v.end(), [](const ZRString& a, const ZRString& b) { return a.icmp(b) < 0; });
    return v;
  };
  const std::vector<ZRString> expect = sorted(titles);
  std::vector<std::vector<ZRString>> results(4);
  std::vector<std::thread> threads;
  for (auto& r : results) threads.emplace_back([&r, &titles, &sorted] { r = sorted(titles); });
  for (auto& t : threads) t.join();
  for (const auto& r : results) EXPECT_TRUE(r == expect);
}

}  // namespace
