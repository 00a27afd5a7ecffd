#include "common/skin_name_decoders.h"

#include <gtest/gtest.h>

namespace {

TEST(SkinNameDecoders, StackAxis) {
  EXPECT_EQ(decodeStackAxisStr("None"), ZRAxisNone);
  EXPECT_EQ(decodeStackAxisStr("horizontal"), ZRAxisHorizontal);
  EXPECT_EQ(decodeStackAxisStr("VERTICAL"), ZRAxisVertical);
  EXPECT_EQ(decodeStackAxisStr("diagonal"), ZRAxisNone);
  EXPECT_EQ(decodeStackAxisStr(""), ZRAxisNone);
  EXPECT_EQ(decodeStackAxisStr(nullptr), ZRAxisNone);
}

TEST(SkinNameDecoders, StackDistribution) {
  const char* names[] = {"Fill", "FillEqually", "FillProportionally", "EqualSpacing", "EqualCentering"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(decodeStackDistributionStr(names[i]), i) << names[i];
  EXPECT_EQ(decodeStackDistributionStr("equalcentering"), ZRDistributionEqualCentering);
  EXPECT_EQ(decodeStackDistributionStr("Fil"), ZRDistributionFill);
  EXPECT_EQ(decodeStackDistributionStr(nullptr), ZRDistributionFill);
}

TEST(SkinNameDecoders, StackAlignment) {
  const char* names[] = {"Fill",   "Leading",  "Top",    "FirstBaseline",
                         "Center", "Trailing", "Bottom", "LastBaseline"};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(decodeStackAlignmentStr(names[i]), i) << names[i];
  EXPECT_EQ(decodeStackAlignmentStr("lastbaseline"), ZRAlignmentLastBaseline);
  EXPECT_EQ(decodeStackAlignmentStr("Middle"), ZRAlignmentFill);
  EXPECT_EQ(decodeStackAlignmentStr(nullptr), ZRAlignmentFill);
}

TEST(SkinNameDecoders, ConstraintAttribute) {
  const char* names[] = {"None",     "Width", "Height", "CenterX",       "CenterY",     "Leading",
                         "Trailing", "Top",   "Bottom", "FirstBaseline", "LastBaseline"};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(decodeConstraintAttributeStr(names[i]), i) << names[i];
  EXPECT_EQ(decodeConstraintAttributeStr("centerx"), ZRAttributeCenterX);
  EXPECT_EQ(decodeConstraintAttributeStr("Left"), ZRAttributeNone);
  EXPECT_EQ(decodeConstraintAttributeStr(nullptr), ZRAttributeNone);
}

TEST(SkinNameDecoders, ConstraintRelation) {
  struct Case {
    const char* name;
    ZRConstraintRelation want;
  };
  const Case cases[] = {
      {"le", ZRRelationLessOrEqual},
      {"LT", ZRRelationLessOrEqual},
      {"Le", ZRRelationLessOrEqual},
      {"ge", ZRRelationGreaterOrEqual},
      {"gT", ZRRelationGreaterOrEqual},
      {"eq", ZRRelationEqual},
      {"", ZRRelationEqual},
      {"lee", ZRRelationEqual},
      {nullptr, ZRRelationEqual},
  };
  for (const Case& c : cases)
    EXPECT_EQ(decodeConstraintRelationStr(c.name), c.want) << (c.name ? c.name : "null");
}

}  // namespace
