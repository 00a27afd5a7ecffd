// Skin attribute values: the input is lines of "name=value"; each pair goes into a parameter list and is
// read back through every typed getter, and each value through the value, name and text decoders a
// skin's texts reach (colours, alignments, styles, stack and constraint names, numbers in the C locale,
// file URLs, trimming).

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/skin_name_decoders.h"
#include "common/zr_c_numbers.h"
#include "common/zr_cstring_utils.h"
#include "common/zr_parameter_list.h"
#include "common/zr_value_codecs.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ZRParameterList list;
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= text.size() && names.size() < 1000) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const size_t equals = line.find('=');
    const std::string name = line.substr(0, equals);
    const std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
    // The lists hold C texts: a NUL ends them as it would in the skin's XML.
    list.setStr(name.c_str(), value.c_str());
    names.push_back(name);
    start = end + 1;
  }
  for (const std::string& n : names) {
    const char* name = n.c_str();
    char out[64];
    list.getStr(name, out, sizeof out, "default");
    list.getStr(name, ZRString("default"));
    list.getInt(name, 7);
    list.getFloat(name, 0.5f);
    list.getBool(name, false);
    list.getColorFloat(name, nullptr);
    list.getTextAlign(name, static_cast<textAlign>(0));
    list.getTextStyle(name, static_cast<textStyle>(0));
    list.getStackAxis(name, static_cast<ZRAxis>(0));
    list.getStackDistribution(name, static_cast<ZRDistribution>(0));
    list.getStackAlignment(name, static_cast<ZRAlignment>(0));
    list.getConstraintAttribute(name, static_cast<ZRAttribute>(0));
    list.getConstraintRelation(name, static_cast<ZRConstraintRelation>(0));

    const std::string value = list.getStr(name, ZRString()).utf8();
    const char* v = value.c_str();
    char colour[16];
    encodeColorStr2(decodeColorStr2(v), colour, true);
    encodeTextAlignStr(decodeTextAlignStr(v));
    encodeTextStyleStr(decodeTextStyleStr(v));
    atofC(v);
    atoiC(v);
    ZRString path;
    convertURLToLocalFile(ZRString(v), path);
    std::vector<char> copy(value.begin(), value.end());
    copy.push_back('\0');
    trim_inplace(copy.data());
    str_uppercase(copy.data());
  }
  return 0;
}
