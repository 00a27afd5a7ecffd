#pragma once
// Codecs for the values a skin writes as text: colours ("#" and six or eight
// hexadecimal digits: red, green, blue, optional alpha), text alignment and
// text style names. Names are compared ignoring (ASCII) case, whatever the
// user's locale.

// A colour as four floats in 0..1.
struct ZRColorFloat {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float a = 1.0f;
};

// Where a text (or any inner box) sits inside its box; -1 for a name that is
// not known.
enum textAlign : int {
  textAlignInvalid = -1,
  textAlignCenter = 0,
  textAlignTop = 1,
  textAlignTopRight = 2,
  textAlignRight = 3,
  textAlignBottomRight = 4,
  textAlignBottom = 5,
  textAlignBottomLeft = 6,
  textAlignLeft = 7,
  textAlignTopLeft = 8,
};

enum textStyle : int {
  textStyleInvalid = -1,
  textStyleBold = 0,
  textStyleItalic = 1,
  textStyleItalicBold = 2,
  textStyleUnderline = 3,
};

// The value of a hexadecimal digit; 0 for '0' and for every other character.
int hex2int(char c);

// r = g = b = 0 and a = 255 first; a text of at least 7 bytes starting with
// '#' gives r, g and b from the digit pairs at 1-2, 3-4 and 5-6, and one of at
// least 9 bytes also a from 7-8. Null is taken as "".
void getHtmlHexColor(const char* text, unsigned char& r, unsigned char& g, unsigned char& b,
                     unsigned char& a);

// getHtmlHexColor with each byte divided by 255.
ZRColorFloat decodeColorStr2(const char* text);

// Writes "#RRGGBB" or, withAlpha, "#RRGGBBAA" (upper-case digits, each channel
// x 255 rounded to the nearest, halves to even, and kept within 0..255) into
// out, which must hold 10 bytes.
void encodeColorStr2(ZRColorFloat color, char* out, bool withAlpha);

// "center", "top", "topright", "right", "bottomright", "bottom",
// "bottomleft", "left", "topleft" ignoring case; textAlignInvalid for null or
// any other name.
textAlign decodeTextAlignStr(const char* name);
// The lower-case name of an alignment; null for a value outside 0..8.
const char* encodeTextAlignStr(textAlign align);

// "bold", "italic", "italicbold" or "bolditalic", "underline" or "underlined"
// ignoring case; textStyleInvalid for null or any other name.
textStyle decodeTextStyleStr(const char* name);
// The name of a style ("bold", "italic", "italicbold", "underline"); null for
// a value outside 0..3.
const char* encodeTextStyleStr(textStyle style);
