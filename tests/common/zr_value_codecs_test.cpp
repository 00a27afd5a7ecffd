#include "common/zr_value_codecs.h"

#include <gtest/gtest.h>

#include <locale>
#include <numbers>
#include <string>

#include "common/zr_cstring_utils.h"
#include "common/zr_geometry_utils.h"
#include "common/zr_xml_header.h"
#include "support/test_support.h"

namespace {

TEST(ValueCodecs, Hex2Int) {
  EXPECT_EQ(hex2int('0'), 0);
  EXPECT_EQ(hex2int('9'), 9);
  EXPECT_EQ(hex2int('a'), 10);
  EXPECT_EQ(hex2int('F'), 15);
  EXPECT_EQ(hex2int('g'), 0);
  EXPECT_EQ(hex2int('#'), 0);
}

TEST(ValueCodecs, DecodeColours) {
  struct Case {
    const char* text;
    float r, g, b, a;
  };
  const Case cases[] = {
      {"#FF000080", 1, 0, 0, 128 / 255.0f},
      {"#00FF00", 0, 1, 0, 1},
      {"#fff", 0, 0, 0, 1},
      {"red", 0, 0, 0, 1},
      {"#00FF001", 0, 1, 0, 1},
      {"#0000FFCC99", 0, 0, 1, 0.8f},
      {"", 0, 0, 0, 1},
      {nullptr, 0, 0, 0, 1},
      {"x00FF00", 0, 0, 0, 1},
  };
  for (const Case& c : cases) {
    const ZRColorFloat color = decodeColorStr2(c.text);
    const std::string label = c.text != nullptr ? c.text : "(null)";
    EXPECT_FLOAT_EQ(color.r, c.r) << label;
    EXPECT_FLOAT_EQ(color.g, c.g) << label;
    EXPECT_FLOAT_EQ(color.b, c.b) << label;
    EXPECT_FLOAT_EQ(color.a, c.a) << label;
  }
}

TEST(ValueCodecs, EncodeColoursAndReadThemBack) {
  char out[10];
  encodeColorStr2(ZRColorFloat{1, 0.5f, 0, 1}, out, false);
  EXPECT_STREQ(out, "#FF8000");
  encodeColorStr2(ZRColorFloat{1, 0.5f, 0, 1}, out, true);
  EXPECT_STREQ(out, "#FF8000FF");
  encodeColorStr2(ZRColorFloat{2.0f, -1.0f, 0.2f, 0.25f}, out, true);  // out of range stays two digits
  EXPECT_STREQ(out, "#FF003340");
  const ZRColorFloat original{0.2f, 0.4f, 0.6f, 0.8f};
  encodeColorStr2(original, out, true);
  const ZRColorFloat back = decodeColorStr2(out);
  EXPECT_NEAR(back.r, original.r, 0.5 / 255);
  EXPECT_NEAR(back.g, original.g, 0.5 / 255);
  EXPECT_NEAR(back.b, original.b, 0.5 / 255);
  EXPECT_NEAR(back.a, original.a, 0.5 / 255);
}

TEST(ValueCodecs, TextAlignBothWays) {
  const char* names[] = {"center", "top",        "topright", "right",  "bottomright",
                         "bottom", "bottomleft", "left",     "topleft"};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(decodeTextAlignStr(names[i]), i);
    EXPECT_STREQ(encodeTextAlignStr(static_cast<textAlign>(i)), names[i]);
  }
  EXPECT_EQ(decodeTextAlignStr("TopLeft"), textAlignTopLeft);
  EXPECT_EQ(decodeTextAlignStr("BOTTOM"), textAlignBottom);
  EXPECT_EQ(decodeTextAlignStr("middle"), textAlignInvalid);
  EXPECT_EQ(decodeTextAlignStr("top "), textAlignInvalid);
  EXPECT_EQ(decodeTextAlignStr(nullptr), textAlignInvalid);
  EXPECT_EQ(encodeTextAlignStr(textAlignInvalid), nullptr);
  EXPECT_EQ(encodeTextAlignStr(static_cast<textAlign>(9)), nullptr);
}

TEST(ValueCodecs, TextStyleBothWays) {
  struct Case {
    const char* name;
    textStyle style;
  };
  const Case cases[] = {{"bold", textStyleBold},
                        {"Italic", textStyleItalic},
                        {"BoldItalic", textStyleItalicBold},
                        {"italicbold", textStyleItalicBold},
                        {"underline", textStyleUnderline},
                        {"Underlined", textStyleUnderline},
                        {"strike", textStyleInvalid},
                        {nullptr, textStyleInvalid}};
  for (const Case& c : cases) EXPECT_EQ(decodeTextStyleStr(c.name), c.style);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(decodeTextStyleStr(encodeTextStyleStr(static_cast<textStyle>(i))), i);
  }
  EXPECT_EQ(encodeTextStyleStr(textStyleInvalid), nullptr);
}

TEST(GeometryUtils, AlignBoxInBox) {
  struct Case {
    textAlign align;
    float x, y;
  };
  const Case cases[] = {{textAlignCenter, 40, 20},      {textAlignTop, 40, 0},
                        {textAlignTopRight, 80, 0},     {textAlignRight, 80, 20},
                        {textAlignBottomRight, 80, 40}, {textAlignBottom, 40, 40},
                        {textAlignBottomLeft, 0, 40},   {textAlignLeft, 0, 20},
                        {textAlignTopLeft, 0, 0},       {textAlignInvalid, 0, 0}};
  for (const Case& c : cases) {
    float x = -1, y = -1;
    alignBoxInBox(c.align, 100, 50, 20, 10, x, y, 0, 0);
    EXPECT_FLOAT_EQ(x, c.x) << c.align;
    EXPECT_FLOAT_EQ(y, c.y) << c.align;
  }
  float x, y;
  alignBoxInBox(textAlignBottomRight, 100, 50, 20, 10, x, y, 5, 5);
  EXPECT_FLOAT_EQ(x, 85);
  EXPECT_FLOAT_EQ(y, 45);
}

TEST(GeometryUtils, GradientsAnglesAndHitTests) {
  const ZRColorFloat from{0, 0, 0, 1}, to{1, 0.5f, 0.25f, 0};
  EXPECT_FLOAT_EQ(getGradientColor(from, to, 4, 0).r, 0);
  EXPECT_FLOAT_EQ(getGradientColor(from, to, 4, 4).g, 0.5f);
  EXPECT_FLOAT_EQ(getGradientColor(from, to, 4, 1).r, 0.25f);
  EXPECT_FLOAT_EQ(getGradientColor(from, to, 4, 2).a, 0.5f);
  EXPECT_FLOAT_EQ(getGradientColor(from, to, 0, 3).a, 1);
  EXPECT_NEAR(calculate_mul_coefficient(1, 8, 3), 2.0, 1e-12);
  EXPECT_TRUE(apartineFloat(10, 20, 10, 20, 30, 40));
  EXPECT_TRUE(apartineFloat(30, 40, 10, 20, 30, 40));
  EXPECT_FALSE(apartineFloat(30.01f, 40, 10, 20, 30, 40));
  EXPECT_DOUBLE_EQ(getAngleOfLineWithHorizontalLine(0, 0, 1, 0, false), 2 * std::numbers::pi);
  EXPECT_DOUBLE_EQ(getAngleOfLineWithHorizontalLine(0, 0, 1, 0, true), 360);
  EXPECT_DOUBLE_EQ(getAngleOfLineWithHorizontalLine(0, 0, 0, 1, false), 3 * std::numbers::pi / 2);
  EXPECT_DOUBLE_EQ(getAngleOfLineWithHorizontalLine(0, 0, 0, -1, false), std::numbers::pi / 2);
}

TEST(CStringUtils, TrimReplaceAndUppercase) {
  char text[] = " \t hello world \n";
  trim_inplace(text);
  EXPECT_STREQ(text, "hello world");
  char blank[] = "   ";
  trim_inplace(blank);
  EXPECT_STREQ(blank, "");
  char src[] = "  x ", dst[8];
  trim_copy(src, dst);
  EXPECT_STREQ(dst, "x");
  EXPECT_EQ(replaceAll("aXa", "X", "XX"), "aXXa");
  EXPECT_EQ(replaceAll("aaa", "a", "ba"), "bababa");
  EXPECT_EQ(replaceAll("abc", "", "z"), "abc");
  char upper[] = "mix Ed1";
  str_uppercase(upper);
  EXPECT_STREQ(upper, "MIX ED1");
  str_uppercase(nullptr);
  char* owned = nullptr;
  modifyCString(&owned, "first");
  EXPECT_STREQ(owned, "first");
  modifyCString(&owned, nullptr);
  EXPECT_EQ(owned, nullptr);
  modifyCString(nullptr, "ignored");
}

TEST(CStringUtils, TimeTexts) {
  char out[32];
  convert_2digits(7, out);
  EXPECT_STREQ(out, "07");
  convert_2digits(12, out);
  EXPECT_STREQ(out, "12");
  convert_sample_time_to_digits(2690100, 44100, out, "--:--", 0);
  EXPECT_STREQ(out, "01:01.0");
  convert_sample_time_to_digits(44100 * 75 + 22050, 44100, out, "--:--", 0);
  EXPECT_STREQ(out, "01:15.5");
  convert_sample_time_to_digits(100, 44100, out, "--:--", 101);
  EXPECT_STREQ(out, "--:--");
  convert_sample_time_to_digits(100, 44100, out, nullptr, 101);
  EXPECT_STREQ(out, "");
  convert_sample_time_to_digits(100, 50, out, "bad rate", 0);
  EXPECT_STREQ(out, "bad rate");
}

TEST(CStringUtils, FileUrlsToPaths) {
  struct Case {
    const char* url;
    const char* path;
  };
  const Case cases[] = {
      {"file:///Users/me/My%20Song.mp3", "/Users/me/My Song.mp3"},
      {"file://localhost/tmp/a%2", "/tmp/a2"},
      {"file://localhost/tmp/a%", "/tmp/a"},
      {"http://example.com/a%20b", "http://example.com/a%20b"},
      {"abcde", ""},
      {"abcdef", ""},
      {"/music/Bj%C3%B6rk/caf\xC3\xA9%21.mp3", "/music/Bj\xC3\xB6rk/caf\xC3\xA9!.mp3"},
  };
  for (const Case& c : cases) {
    ZRString path("previous");
    convertURLToLocalFile(ZRString(c.url), path);
    EXPECT_EQ(path.utf8(), c.path) << c.url;
  }
}

// A decimal comma and digit grouping, as many users' locales have.
struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(XmlHeader, WritesTheMarkAndDeclarationAndFourDecimals) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
  orvel_test::TempDir dir;
  const std::string path = dir.file("out.xml");
  ASSERT_TRUE(orvel_test::writeFile(path, "old content that must go away entirely"));
  std::ofstream out;
  ASSERT_TRUE(writeXmlHeaderUTF8(out, ZRString(path)));
  out << "<root version=\"1\" f=\"" << 1.5 << "\" g=\"" << 2.0f << "\" n=\"" << 12345 << "\"/>\n";
  out.close();
  std::locale::global(previous);
  EXPECT_EQ(orvel_test::readFile(path),
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
            "<root version=\"1\" f=\"1.5000\" g=\"2.0000\" n=\"12345\"/>\n");
}

TEST(XmlHeader, MissingFolderFails) {
  orvel_test::TempDir dir;
  std::ofstream out;
  EXPECT_FALSE(writeXmlHeaderUTF8(out, ZRString(dir.file("no/such/folder/x.xml"))));
  EXPECT_FALSE(out.is_open());
}

}  // namespace
