#include "common/zr_parameter_list.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "common/zr_c_numbers.h"
#include "common/zr_saturate.h"
#include "common/zr_utf8_cut.h"

namespace {

// Every character of value matches the word's character at the same place,
// ignoring case, and value is no longer than the word.
bool isLeadingPartOf(const std::string& value, const char* word) {
  const size_t wordLength = std::strlen(word);
  if (value.size() > wordLength) return false;
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return true;
}

}  // namespace

ZRParameterList::ZRParameterList() {
  values_.max_load_factor(1.0f);
}

void ZRParameterList::clear() {
  values_.clear();
}

const std::string* ZRParameterList::find(const char* name) const {
  if (name == nullptr) return nullptr;
  auto it = values_.find(name);
  return it == values_.end() ? nullptr : &it->second;
}

void ZRParameterList::setStr(const char* name, const char* value) {
  if (name == nullptr || value == nullptr) return;
  values_[name] = value;
}

void ZRParameterList::setInt(const char* name, int value) {
  if (name == nullptr) return;
  values_[name] = std::to_string(value);
}

void ZRParameterList::getStr(const char* name, char* out, int outSize, const char* def) const {
  if (name == nullptr || out == nullptr || outSize < 1) return;
  const std::string* value = find(name);
  const char* text = value != nullptr ? value->c_str() : (def != nullptr ? def : "");
  const size_t length = value != nullptr ? value->size() : std::strlen(text);
  const size_t n = utf8CutLength(text, length, static_cast<size_t>(outSize - 1));
  std::memcpy(out, text, n);
  out[n] = '\0';
}

ZRString ZRParameterList::getStr(const char* name, const ZRString& def) const {
  const std::string* value = find(name);
  if (value == nullptr) return def;
  return ZRString(*value);
}

int ZRParameterList::getInt(const char* name, int def) const {
  const std::string* value = find(name);
  if (value == nullptr) return def;
  return saturatedInt(std::nearbyint(atofC(value->c_str())));
}

float ZRParameterList::getFloat(const char* name, float def) const {
  const std::string* value = find(name);
  if (value == nullptr) return def;
  return static_cast<float>(atofC(value->c_str()));
}

bool ZRParameterList::getBool(const char* name, bool def) const {
  const std::string* value = find(name);
  if (value == nullptr) return def;
  return isLeadingPartOf(*value, "YES") || isLeadingPartOf(*value, "TRUE");
}

ZRColorFloat ZRParameterList::getColorFloat(const char* name, const ZRColorFloat* def) const {
  const std::string* value = find(name);
  if (value == nullptr) return def != nullptr ? *def : ZRColorFloat{0.0f, 0.0f, 0.0f, 1.0f};
  return decodeColorStr2(value->c_str());
}

textAlign ZRParameterList::getTextAlign(const char* name, textAlign def) const {
  const std::string* value = find(name);
  return value == nullptr ? def : decodeTextAlignStr(value->c_str());
}

textStyle ZRParameterList::getTextStyle(const char* name, textStyle def) const {
  const std::string* value = find(name);
  return value == nullptr ? def : decodeTextStyleStr(value->c_str());
}

ZRAxis ZRParameterList::getStackAxis(const char* name, ZRAxis def) const {
  const std::string* value = find(name);
  return value == nullptr ? def : decodeStackAxisStr(value->c_str());
}

ZRDistribution ZRParameterList::getStackDistribution(const char* name, ZRDistribution def) const {
  const std::string* value = find(name);
  return value == nullptr ? def : decodeStackDistributionStr(value->c_str());
}

ZRAlignment ZRParameterList::getStackAlignment(const char* name, ZRAlignment def) const {
  const std::string* value = find(name);
  return value == nullptr ? def : decodeStackAlignmentStr(value->c_str());
}

ZRAttribute ZRParameterList::getConstraintAttribute(const char* name, ZRAttribute def) const {
  const std::string* value = find(name);
  return value == nullptr ? def : decodeConstraintAttributeStr(value->c_str());
}

ZRConstraintRelation ZRParameterList::getConstraintRelation(const char* name,
                                                            ZRConstraintRelation def) const {
  const std::string* value = find(name);
  return value == nullptr ? def : decodeConstraintRelationStr(value->c_str());
}
