#include "common/zr_value_codecs.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const char* const kAlignNames[] = {"center", "top",        "topright", "right",  "bottomright",
                                   "bottom", "bottomleft", "left",     "topleft"};
const char* const kStyleNames[] = {"bold", "italic", "italicbold", "underline"};

char asciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (asciiLower(*a) != asciiLower(*b)) return false;
  }
  return *a == *b;
}

unsigned char hexPair(const char* text) {
  return static_cast<unsigned char>(hex2int(text[0]) * 16 + hex2int(text[1]));
}

unsigned char channelByte(float value) {
  double v = std::nearbyint(static_cast<double>(value) * 255.0);
  if (!(v >= 0.0)) v = 0.0;  // also catches NaN
  if (v > 255.0) v = 255.0;
  return static_cast<unsigned char>(v);
}

}  // namespace

int hex2int(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

void getHtmlHexColor(const char* text, unsigned char& r, unsigned char& g, unsigned char& b,
                     unsigned char& a) {
  r = g = b = 0;
  a = 255;
  if (text == nullptr) return;
  const size_t length = std::strlen(text);
  if (length < 7 || text[0] != '#') return;
  r = hexPair(text + 1);
  g = hexPair(text + 3);
  b = hexPair(text + 5);
  if (length >= 9) a = hexPair(text + 7);
}

ZRColorFloat decodeColorStr2(const char* text) {
  unsigned char r, g, b, a;
  getHtmlHexColor(text, r, g, b, a);
  return ZRColorFloat{r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f};
}

void encodeColorStr2(ZRColorFloat color, char* out, bool withAlpha) {
  if (out == nullptr) return;
  if (withAlpha) {
    std::snprintf(out, 10, "#%02X%02X%02X%02X", channelByte(color.r), channelByte(color.g),
                  channelByte(color.b), channelByte(color.a));
  } else {
    std::snprintf(out, 10, "#%02X%02X%02X", channelByte(color.r), channelByte(color.g), channelByte(color.b));
  }
}

textAlign decodeTextAlignStr(const char* name) {
  if (name == nullptr) return textAlignInvalid;
  for (int i = 0; i < 9; ++i) {
    if (equalsIgnoringCase(name, kAlignNames[i])) return static_cast<textAlign>(i);
  }
  return textAlignInvalid;
}

const char* encodeTextAlignStr(textAlign align) {
  if (align < 0 || align > 8) return nullptr;
  return kAlignNames[align];
}

textStyle decodeTextStyleStr(const char* name) {
  if (name == nullptr) return textStyleInvalid;
  if (equalsIgnoringCase(name, "bold")) return textStyleBold;
  if (equalsIgnoringCase(name, "italic")) return textStyleItalic;
  if (equalsIgnoringCase(name, "italicbold") || equalsIgnoringCase(name, "bolditalic")) {
    return textStyleItalicBold;
  }
  if (equalsIgnoringCase(name, "underline") || equalsIgnoringCase(name, "underlined")) {
    return textStyleUnderline;
  }
  return textStyleInvalid;
}

const char* encodeTextStyleStr(textStyle style) {
  if (style < 0 || style > 3) return nullptr;
  return kStyleNames[style];
}
