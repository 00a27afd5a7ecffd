#include "common/zr_parameter_list.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

namespace {

TEST(ParameterList, GetIntRoundsLenientlyAndFallsBack) {
  struct Case {
    const char* value;
    int expected;
  };
  const Case cases[] = {{"12px", 12},
                        {"2.5", 2},
                        {"3.5", 4},
                        {"-0.4", 0},
                        {"abc", 0},
                        {" 7", 7},
                        {"-2.5", -2},
                        {"1e3", 1000},
                        {"", 0},
                        {"-7.6", -8},
                        {"1e300", 2147483647},
                        {"-1e300", -2147483647 - 1}};
  ZRParameterList list;
  for (const Case& c : cases) {
    list.setStr("v", c.value);
    EXPECT_EQ(list.getInt("v", 99), c.expected) << "'" << c.value << "'";
  }
  EXPECT_EQ(list.getInt("absent", 99), 99);
  EXPECT_EQ(list.getInt(nullptr, 98), 98);
}

TEST(ParameterList, NumbersIgnoreTheUsersLocale) {
  // A locale with a decimal comma, when the machine has one.
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  const bool haveCommaLocale =
      std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr || std::setlocale(LC_ALL, "fr_FR.UTF-8") != nullptr;
  ZRParameterList list;
  list.setStr("f", "2.75");
  EXPECT_FLOAT_EQ(list.getFloat("f", 0), 2.75f);
  EXPECT_EQ(list.getInt("f", 0), 3);
  std::setlocale(LC_ALL, saved.c_str());
  if (!haveCommaLocale) GTEST_LOG_(INFO) << "no decimal-comma locale installed; checked in the C locale only";
}

TEST(ParameterList, GetFloatAndSetInt) {
  ZRParameterList list;
  list.setStr("f", "-1.25e1x");
  EXPECT_FLOAT_EQ(list.getFloat("f", 3), -12.5f);
  EXPECT_FLOAT_EQ(list.getFloat("none", 3.5f), 3.5f);
  list.setInt("i", -42);
  char out[16];
  list.getStr("i", out, sizeof(out), "x");
  EXPECT_STREQ(out, "-42");
  list.setStr("i", "5");  // replaces
  EXPECT_EQ(list.getInt("i", 0), 5);
  list.setStr(nullptr, "1");
  list.setStr("n", nullptr);
  EXPECT_EQ(list.getInt("n", 7), 7);
  list.clear();
  EXPECT_EQ(list.getInt("i", 8), 8);
}

TEST(ParameterList, GetBoolIsALeadingPartOfYesOrTrue) {
  struct Case {
    const char* value;
    bool expected;
  };
  const Case cases[] = {
      {"yes", true}, {"Y", true},     {"tRuE", true},        {"tr", true},     {"", true},
      {"Ye", true},  {"t", true},     {"TRU", true},         {"1", false},     {"no", false},
      {"on", false}, {"yess", false}, {"yes please", false}, {"TRUE1", false}, {"false", false}};
  ZRParameterList list;
  for (const Case& c : cases) {
    list.setStr("b", c.value);
    EXPECT_EQ(list.getBool("b", !c.expected), c.expected) << "'" << c.value << "'";
  }
  EXPECT_TRUE(list.getBool("absent", true));
  EXPECT_FALSE(list.getBool("absent", false));
}

TEST(ParameterList, GetStrCopiesWithinTheBufferAndFallsBack) {
  ZRParameterList list;
  list.setStr("name", "Caf\xC3\xA9 Deck");
  char out[32];
  list.getStr("name", out, sizeof(out), "dflt");
  EXPECT_STREQ(out, "Caf\xC3\xA9 Deck");
  list.getStr("missing", out, sizeof(out), "dflt");
  EXPECT_STREQ(out, "dflt");
  char small[5];  // "Caf" + the two bytes of e-acute would need 6 with the NUL
  list.getStr("name", small, sizeof(small), "");
  EXPECT_STREQ(small, "Caf");
  std::strcpy(out, "unchanged");
  list.getStr(nullptr, out, sizeof(out), "dflt");
  EXPECT_STREQ(out, "unchanged");
  EXPECT_EQ(list.getStr("name", ZRString("d")).utf8(), "Caf\xC3\xA9 Deck");
  EXPECT_EQ(list.getStr("missing", ZRString("d")).utf8(), "d");
}

TEST(ParameterList, TypedDecodersAndTheirDefaults) {
  ZRParameterList list;
  list.setStr("color", "#FF000080");
  list.setStr("align", "TopLeft");
  list.setStr("badalign", "middle");
  list.setStr("style", "BoldItalic");
  list.setStr("axis", "vertical");
  list.setStr("dist", "EqualSpacing");
  list.setStr("stackalign", "lastbaseline");
  list.setStr("attr", "CenterY");
  list.setStr("rel", "GT");
  const ZRColorFloat c = list.getColorFloat("color", nullptr);
  EXPECT_FLOAT_EQ(c.r, 1.0f);
  EXPECT_FLOAT_EQ(c.g, 0.0f);
  EXPECT_FLOAT_EQ(c.a, 128.0f / 255.0f);
  const ZRColorFloat black = list.getColorFloat("nocolor", nullptr);
  EXPECT_FLOAT_EQ(black.r + black.g + black.b, 0.0f);
  EXPECT_FLOAT_EQ(black.a, 1.0f);
  const ZRColorFloat fallback{0.1f, 0.2f, 0.3f, 0.4f};
  EXPECT_FLOAT_EQ(list.getColorFloat("nocolor", &fallback).b, 0.3f);
  EXPECT_EQ(list.getTextAlign("align", textAlignCenter), textAlignTopLeft);
  EXPECT_EQ(list.getTextAlign("badalign", textAlignCenter), textAlignInvalid);
  EXPECT_EQ(list.getTextAlign("none", textAlignRight), textAlignRight);
  EXPECT_EQ(list.getTextStyle("style", textStyleBold), textStyleItalicBold);
  EXPECT_EQ(list.getTextStyle("none", textStyleUnderline), textStyleUnderline);
  EXPECT_EQ(list.getStackAxis("axis", ZRAxisNone), ZRAxisVertical);
  EXPECT_EQ(list.getStackAxis("none", ZRAxisHorizontal), ZRAxisHorizontal);
  EXPECT_EQ(list.getStackDistribution("dist", ZRDistributionFill), ZRDistributionEqualSpacing);
  EXPECT_EQ(list.getStackAlignment("stackalign", ZRAlignmentFill), ZRAlignmentLastBaseline);
  EXPECT_EQ(list.getConstraintAttribute("attr", ZRAttributeNone), ZRAttributeCenterY);
  EXPECT_EQ(list.getConstraintRelation("rel", ZRRelationEqual), ZRRelationGreaterOrEqual);
  EXPECT_EQ(list.getConstraintRelation("none", ZRRelationLessOrEqual), ZRRelationLessOrEqual);
}

TEST(ParameterList, NamesAreCaseSensitive) {
  ZRParameterList list;
  list.setStr("Width", "10");
  EXPECT_EQ(list.getInt("width", -1), -1);
  EXPECT_EQ(list.getInt("Width", -1), 10);
}

}  // namespace
