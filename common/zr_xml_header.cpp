#include "common/zr_xml_header.h"

#include <locale>

bool writeXmlHeaderUTF8(std::ofstream& stream, ZRString path) {
  const std::string utf8 = path.utf8();
  if (utf8.empty()) return false;
  stream.open(utf8, std::ios_base::out | std::ios_base::binary | std::ios_base::trunc);
  if (!stream.is_open()) return false;
  stream.imbue(std::locale::classic());
  static const char kHeader[] =
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n";
  stream.write(kHeader, sizeof(kHeader) - 1);
  stream.setf(std::ios_base::fixed, std::ios_base::floatfield);
  stream.setf(std::ios_base::showpoint);
  stream.precision(4);
  return stream.good();
}
