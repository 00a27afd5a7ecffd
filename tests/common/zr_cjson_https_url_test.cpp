#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/zr_cjson.h"
#include "common/zr_https_url.h"

TEST(HttpsUrl, OnlyAbsoluteHttpsAddressesWithAHostPass) {
  struct Case {
    const char* url;
    bool accepted;
  } cases[] = {
      {"https://example.com/login", true},
      {"HTTPS://example.com", true},
      {"https://127.0.0.1:8443/a?b=c#d", true},
      {"https://[::1]:443/", true},
      {"http://example.com/login", false},
      {"file:///etc/passwd", false},
      {"javascript:alert(1)", false},
      {"data:text/html,<b>x</b>", false},
      {"https://", false},
      {"https:///path", false},
      {"https://:443/", false},
      {"https://user@example.com/", false},
      {"https://example.com/a b", false},
      {"https://example.com/\n", false},
      {"https://exa\\mple.com/", false},
      {" https://example.com/", false},
      {"httpsx://example.com/", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(isHttpsUrl(c.url), c.accepted) << c.url;
}

TEST(CJson, ParseRefusesTrailingBytesAndReadsCheckKindAndRange) {
  EXPECT_FALSE(ZRCJson::parse("{} x"));
  EXPECT_FALSE(ZRCJson::parse("{\"a\":"));
  EXPECT_FALSE(ZRCJson::parse(""));
  const std::string text =
      "{\"id\":42,\"big\":1e300,\"half\":1.5,\"neg\":-9223372036854775808,\"name\":\"x\",\"flag\":true,"
      "\"str\":\"42\"}  \n";
  // The text need not end in NUL: parse a view that stops before a trailing garbage byte.
  const std::string withTail = text + "!";
  ZRCJson json = ZRCJson::parse(std::string_view(withTail.data(), text.size()));
  ASSERT_TRUE(json);
  int64_t n = 0;
  EXPECT_TRUE(cjsonInt64(json.get(), "id", n));
  EXPECT_EQ(n, 42);
  EXPECT_TRUE(cjsonInt64(json.get(), "neg", n));
  EXPECT_EQ(n, INT64_MIN);
  EXPECT_FALSE(cjsonInt64(json.get(), "big", n));
  EXPECT_FALSE(cjsonInt64(json.get(), "half", n));
  EXPECT_FALSE(cjsonInt64(json.get(), "str", n));
  EXPECT_FALSE(cjsonInt64(json.get(), "missing", n));
  std::string s;
  EXPECT_TRUE(cjsonText(json.get(), "name", s));
  EXPECT_EQ(s, "x");
  EXPECT_FALSE(cjsonText(json.get(), "id", s));
  bool b = false;
  EXPECT_TRUE(cjsonBool(json.get(), "flag", b));
  EXPECT_TRUE(b);
  EXPECT_FALSE(cjsonBool(json.get(), "id", b));
  double d = 0;
  EXPECT_TRUE(cjsonDouble(json.get(), "half", d));
  EXPECT_EQ(d, 1.5);
  // Members of something that is not an object are never there.
  ZRCJson array = ZRCJson::parse("[1,2]");
  EXPECT_EQ(cjsonMember(array.get(), "0"), nullptr);
  EXPECT_EQ(ZRCJson::parse("{\"a\":[1,{\"b\":null}]}").print(), "{\"a\":[1,{\"b\":null}]}");
}
