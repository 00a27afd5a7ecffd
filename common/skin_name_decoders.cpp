#include "common/skin_name_decoders.h"

#include <strings.h>

#include <cstddef>

namespace {

// Position of name among names, ignoring case; 0 when name is null or absent.
template <std::size_t N>
int positionIgnoringCase(const char* name, const char* const (&names)[N]) {
  if (name == nullptr) return 0;
  for (std::size_t i = 0; i < N; ++i) {
    if (strcasecmp(names[i], name) == 0) return static_cast<int>(i);
  }
  return 0;
}

const char* const kAxisNames[] = {"None", "Horizontal", "Vertical"};
const char* const kDistributionNames[] = {"Fill", "FillEqually", "FillProportionally", "EqualSpacing",
                                          "EqualCentering"};
const char* const kAlignmentNames[] = {"Fill",   "Leading",  "Top",    "FirstBaseline",
                                       "Center", "Trailing", "Bottom", "LastBaseline"};
const char* const kAttributeNames[] = {"None",    "Width",         "Height",      "CenterX",
                                       "CenterY", "Leading",       "Trailing",    "Top",
                                       "Bottom",  "FirstBaseline", "LastBaseline"};

}  // namespace

ZRAxis decodeStackAxisStr(const char* name) {
  return static_cast<ZRAxis>(positionIgnoringCase(name, kAxisNames));
}

ZRDistribution decodeStackDistributionStr(const char* name) {
  return static_cast<ZRDistribution>(positionIgnoringCase(name, kDistributionNames));
}

ZRAlignment decodeStackAlignmentStr(const char* name) {
  return static_cast<ZRAlignment>(positionIgnoringCase(name, kAlignmentNames));
}

ZRAttribute decodeConstraintAttributeStr(const char* name) {
  return static_cast<ZRAttribute>(positionIgnoringCase(name, kAttributeNames));
}

ZRConstraintRelation decodeConstraintRelationStr(const char* name) {
  if (name == nullptr) return ZRRelationEqual;
  if (strcasecmp(name, "le") == 0 || strcasecmp(name, "lt") == 0) return ZRRelationLessOrEqual;
  if (strcasecmp(name, "ge") == 0 || strcasecmp(name, "gt") == 0) return ZRRelationGreaterOrEqual;
  return ZRRelationEqual;
}

const char* ZRAttributeName(ZRAttribute attribute) {
  const int n = static_cast<int>(sizeof(kAttributeNames) / sizeof(kAttributeNames[0]));
  return attribute >= 0 && attribute < n ? kAttributeNames[attribute] : kAttributeNames[0];
}
