#pragma once
// Finding one text inside others without regard to case, by the same simple
// case folding as ZRString::containsNoCase (accents count). Texts are folded
// once into code points; the library's simple search keeps every artist and
// title folded this way and tests them all at each keystroke.

#include <string>
#include <string_view>

#include "common/zr_string.h"

// Appends the folded code points of text to out.
void appendFolded(const ZRString& text, std::u32string& out);

class ZRFoldedNeedle {
 public:
  explicit ZRFoldedNeedle(const ZRString& needle);

  // True when the folded text contains the needle; an empty needle is never
  // found.
  bool foundIn(std::u32string_view folded) const;

 private:
  std::u32string folded_;
};
