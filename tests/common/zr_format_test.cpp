#include "common/zr_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/zr_string.h"

namespace {

enum class Colour { kRed = 3 };

TEST(ZRFormatTest, UsualConversions) {
  EXPECT_EQ(zrFormat("%d:%02d", 5, 7), "5:07");
  EXPECT_EQ(zrFormat("[%5d|%-5d|%05d|%+d]", 42, 42, 42, 42), "[   42|42   |00042|+42]");
  EXPECT_EQ(zrFormat("%i %u", -3, 3u), "-3 3");
  EXPECT_EQ(zrFormat("%ld %lld %zu", 1234567890123L, -5LL, std::size_t{9}), "1234567890123 -5 9");
  EXPECT_EQ(zrFormat("%x %X %#x %o", 255, 255, 255, 8), "ff FF 0xff 10");
  EXPECT_EQ(zrFormat("%x", -1), "ffffffff");
  EXPECT_EQ(zrFormat("%lx", -1L), "ffffffffffffffff");
  EXPECT_EQ(zrFormat("%hhd %hd %hhu", 300, 70000, -1), "44 4464 255");
  EXPECT_EQ(zrFormat("%f %.2f %8.3f %e %g", 1.5, 2.345, 3.14159, 1500.0, 0.0001),
            "1.500000 2.35    3.142 1.500000e+03 0.0001");
  EXPECT_EQ(zrFormat("%.1f", 2.5f), "2.5");
  EXPECT_EQ(zrFormat("%c%c%c", 'o', 'k', 0xE9), "ok\xC3\xA9");
  EXPECT_EQ(zrFormat("100%%"), "100%");
  EXPECT_EQ(zrFormat("%*d|%-*d|%.*f", 4, 1, 3, 2, 1, 0.25), "   1|2  |0.2");
  EXPECT_EQ(zrFormat("%d %d", true, Colour::kRed), "1 3");
  EXPECT_EQ(zrFormat("%d", std::int8_t{-5}), "-5");
}

TEST(ZRFormatTest, Texts) {
  const char* nullText = nullptr;
  EXPECT_EQ(zrFormat("%s|%S|%s|%s", "a", ZRString("b"), std::string("c"), std::string_view("dd").substr(1)),
            "a|b|c|d");
  EXPECT_EQ(zrFormat("%s", nullText), "(null)");
  EXPECT_EQ(zrFormat("[%5s|%-5s|%.2s]", "ab", "ab", "abcdef"), "[   ab|ab   |ab]");
  // A precision never cuts a character in two: "é" is two bytes.
  EXPECT_EQ(zrFormat("[%.1s|%.3s]", "\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9"), "[|\xC3\xA9]");
  EXPECT_EQ(zrFormat("%ls", L"w\u00e9"), "w\xC3\xA9");
  char buffer[8] = "buf";
  EXPECT_EQ(zrFormat("%s", buffer), "buf");
}

TEST(ZRFormatTest, Pointers) {
  int x = 0;
  char expect[64];
  std::snprintf(expect, sizeof(expect), "%p", static_cast<void*>(&x));
  EXPECT_EQ(zrFormat("%p", &x), expect);
  std::snprintf(expect, sizeof(expect), "%p", static_cast<void*>(nullptr));
  EXPECT_EQ(zrFormat("%p", nullptr), expect);
}

TEST(ZRFormatTest, MismatchesHaveDefinedResults) {
  // Wrong kinds print the argument in its natural form; missing arguments print nothing.
  EXPECT_EQ(zrFormat("%d", "text"), "text");
  EXPECT_EQ(zrFormat("%s", 12), "12");
  EXPECT_EQ(zrFormat("%s", 2.5), "2.5");
  EXPECT_EQ(zrFormat("%f", 5), "5.000000");
  EXPECT_EQ(zrFormat("%d", 2.5), "2.5");
  EXPECT_EQ(zrFormat("a%db%sc"), "abc");
  EXPECT_EQ(zrFormat("%d", 1, 2, 3), "1");
  EXPECT_EQ(zrFormat("x%ny", 1), "xy");
  EXPECT_EQ(zrFormat("%k|%"), "%k|%");
  EXPECT_EQ(zrFormat("%5"), "%5");
  EXPECT_EQ(zrFormat(nullptr, 1), "");
}

// A '*' width or precision from any argument stays a bounded, defined width: a float far beyond an int,
// NaN, INT_MIN (whose negation would overflow) and a huge unsigned value.
TEST(ZRFormatTest, StarWidthFromAnyArgumentIsBounded) {
  constexpr std::size_t kMaxWidth = 1 << 16;
  const std::string huge = zrFormat("%*d", 1e300, 7);
  EXPECT_EQ(huge.size(), kMaxWidth);
  EXPECT_EQ(huge.back(), '7');
  EXPECT_EQ(zrFormat("%*d", std::nan(""), 7), "7");
  const std::string leftHuge = zrFormat("%s%s%s%*d", "a", "b", "c", INT_MIN, 7);
  EXPECT_EQ(leftHuge.size(), 3 + kMaxWidth);
  EXPECT_EQ(leftHuge.substr(0, 4), "abc7");
  EXPECT_EQ(zrFormat("%*d", ~0ULL, 7).size(), kMaxWidth);
  EXPECT_EQ(zrFormat("%.*f", -1e300, 0.5), "0.500000");
}

TEST(ZRFormatTest, BoundedSinkCutsAtCharacterBoundary) {
  const struct {
    std::string text;
    std::size_t capacity;
    std::string expect;
    bool truncated;
  } cases[] = {
      {"abc", 4, "abc", false},
      {"abcd", 4, "abc", true},
      {"ab\xC3\xA9", 4, "ab", true},  // "é" would need bytes 3 and 4
      {"a\xC3\xA9", 4, "a\xC3\xA9", false},
      {"a\xF0\x9F\x8E\xB5", 5, "a", true},
      {"\xF0\x9F\x8E\xB5", 5, "\xF0\x9F\x8E\xB5", false},
      {"abc", 1, "", true},
  };
  for (const auto& c : cases) {
    char buffer[16];
    ZRBoundedFormatSink sink(buffer, c.capacity);
    sink.append(c.text.data(), c.text.size());
    const std::size_t n = sink.finish();
    EXPECT_EQ(std::string(buffer, n), c.expect) << c.text;
    EXPECT_EQ(buffer[n], '\0');
    EXPECT_EQ(sink.truncated(), c.truncated) << c.text;
  }
}

}  // namespace
