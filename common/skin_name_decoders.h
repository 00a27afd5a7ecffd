#pragma once
// Decoders for the layout names a skin writes in its stack and constraint attributes. Every
// decoder compares ignoring (ASCII) case and falls back to the first value for a null or
// unknown name, so a misspelt attribute never stops a skin from loading.

enum ZRAxis : int { ZRAxisNone = 0, ZRAxisHorizontal = 1, ZRAxisVertical = 2 };

enum ZRDistribution : int {
  ZRDistributionFill = 0,
  ZRDistributionFillEqually = 1,
  ZRDistributionFillProportionally = 2,
  ZRDistributionEqualSpacing = 3,
  ZRDistributionEqualCentering = 4,
};

enum ZRAlignment : int {
  ZRAlignmentFill = 0,
  ZRAlignmentLeading = 1,
  ZRAlignmentTop = 2,
  ZRAlignmentFirstBaseline = 3,
  ZRAlignmentCenter = 4,
  ZRAlignmentTrailing = 5,
  ZRAlignmentBottom = 6,
  ZRAlignmentLastBaseline = 7,
};

enum ZRAttribute : int {
  ZRAttributeNone = 0,
  ZRAttributeWidth = 1,
  ZRAttributeHeight = 2,
  ZRAttributeCenterX = 3,
  ZRAttributeCenterY = 4,
  ZRAttributeLeading = 5,
  ZRAttributeTrailing = 6,
  ZRAttributeTop = 7,
  ZRAttributeBottom = 8,
  ZRAttributeFirstBaseline = 9,
  ZRAttributeLastBaseline = 10,
};

// The relation of a layout constraint, numbered as the constraint solver numbers its operators.
enum ZRConstraintRelation : int {
  ZRRelationLessOrEqual = 0,
  ZRRelationGreaterOrEqual = 1,
  ZRRelationEqual = 2,
};

// "None", "Horizontal", "Vertical"; ZRAxisNone otherwise.
ZRAxis decodeStackAxisStr(const char* name);
// "Fill", "FillEqually", "FillProportionally", "EqualSpacing", "EqualCentering"; Fill otherwise.
ZRDistribution decodeStackDistributionStr(const char* name);
// "Fill", "Leading", "Top", "FirstBaseline", "Center", "Trailing", "Bottom", "LastBaseline";
// Fill otherwise.
ZRAlignment decodeStackAlignmentStr(const char* name);
// "None", "Width", "Height", "CenterX", "CenterY", "Leading", "Trailing", "Top", "Bottom",
// "FirstBaseline", "LastBaseline"; None otherwise.
ZRAttribute decodeConstraintAttributeStr(const char* name);
// "le" or "lt": less or equal; "ge" or "gt": greater or equal; anything else (and null): equal.
ZRConstraintRelation decodeConstraintRelationStr(const char* name);
// The name of an attribute as the decoder reads it ("Leading"); "None" for a value outside the table.
const char* ZRAttributeName(ZRAttribute attribute);
