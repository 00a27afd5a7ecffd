#pragma once
// ZRParameterList: the attributes of one skin element, a map from attribute
// name (case-sensitive) to its UTF-8 text, with typed getters that parse the
// text leniently and fall back to the caller's default when the name is null
// or the attribute is absent. Numbers are read the C way ('.' as the decimal
// point) whatever the user's locale. A list belongs to one thread.
//
// This header also brings the value codecs the getters use and the XML file
// header, which writers of skin-related files need alongside them.

#include <string>
#include <unordered_map>

#include "common/skin_name_decoders.h"
#include "common/zr_string.h"
#include "common/zr_value_codecs.h"
#include "common/zr_xml_header.h"

class ZRParameterList {
 public:
  ZRParameterList();
  ~ZRParameterList() = default;

  void clear();

  // Sets (or replaces) an attribute; a null name or value is ignored.
  void setStr(const char* name, const char* value);
  // Sets an attribute to the value printed as a decimal integer.
  void setInt(const char* name, int value);

  // Whether the attribute is present (false for a null name).
  bool has(const char* name) const { return find(name) != nullptr; }

  // Copies the value, or def when absent (null taken as ""), into out, which
  // holds outSize bytes; a longer text is cut before a character that would
  // not fit whole. Nothing happens when name or out is null or outSize < 1.
  void getStr(const char* name, char* out, int outSize, const char* def) const;
  // The value read as UTF-8, or a copy of def.
  ZRString getStr(const char* name, const ZRString& def) const;

  // The value read as a decimal floating-point number (leading white space,
  // sign, fraction, exponent; 0 when nothing can be read: "12px" gives 12)
  // and rounded to the nearest integer, halves to the even neighbour; kept
  // within the int range.
  int getInt(const char* name, int def) const;
  float getFloat(const char* name, float def) const;
  // True when the value, ignoring case, is a leading part of "YES" or of
  // "TRUE" (so "", "y", "Ye", "t" and "TRU" are true); false for anything
  // else, including "1", "on" and "yess".
  bool getBool(const char* name, bool def) const;
  // decodeColorStr2 of the value; without the attribute *def, or opaque
  // black when def is null.
  ZRColorFloat getColorFloat(const char* name, const ZRColorFloat* def) const;
  textAlign getTextAlign(const char* name, textAlign def) const;
  textStyle getTextStyle(const char* name, textStyle def) const;
  ZRAxis getStackAxis(const char* name, ZRAxis def) const;
  ZRDistribution getStackDistribution(const char* name, ZRDistribution def) const;
  ZRAlignment getStackAlignment(const char* name, ZRAlignment def) const;
  ZRAttribute getConstraintAttribute(const char* name, ZRAttribute def) const;
  ZRConstraintRelation getConstraintRelation(const char* name, ZRConstraintRelation def) const;

 private:
  // The stored value, or null when the name is null or absent.
  const std::string* find(const char* name) const;

  std::unordered_map<std::string, std::string> values_;
};
