#include "gui/zr_wx_strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// "Café ♫" as UTF-8: é is two bytes, ♫ three.
const char* const kText = "Caf\xC3\xA9 \xE2\x99\xAB";

TEST(WxStrings, Utf8RoundTripAndCuts) {
  const wxString text = CharTowxString(kText);
  EXPECT_EQ(text.length(), 6u);
  EXPECT_TRUE(CharTowxString(nullptr).empty());
  char out[32];
  wxStringToUTF8Char(text, out, sizeof out);
  EXPECT_STREQ(out, kText);
  // A buffer too small for the whole text: cut before a character that does not fit, always terminated.
  char small[5];
  wxStringToUTF8Char(text, small, sizeof small);
  EXPECT_STREQ(small, "Caf");
  char tiny[1] = {'x'};
  wxStringToUTF8Char(text, tiny, 1);
  EXPECT_EQ(tiny[0], '\0');
  wxStringToUTF8Char(text, nullptr, 10);
}

TEST(WxStrings, WideCopyKeepsTheTerminator) {
  const wxString text = CharTowxString(kText);
  wchar_t out[16];
  wxStringToUTF16_wchar_t(text, out, 16);
  EXPECT_EQ(std::wstring(out), std::wstring(L"Caf\u00e9 \u266b"));
  wchar_t small[4];
  wxStringToUTF16_wchar_t(text, small, 4);
  EXPECT_EQ(std::wstring(small), L"Caf");
}

TEST(WxStrings, CurrentEncodingOrEmpty) {
  // The toolkit's current conversion follows the locale; ASCII survives every one of them.
  char out[16];
  wxStringToChar(CharTowxString("plain"), out, sizeof out);
  EXPECT_STREQ(out, "plain");
  wxStringToChar(CharTowxString("plain"), out, 3);
  EXPECT_STREQ(out, "pl");
}

}  // namespace
