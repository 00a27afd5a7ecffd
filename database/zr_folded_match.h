#pragma once
// ZRFoldedNeedle: finds one text inside others without regard to case, by
// the same simple case folding as ZRString::containsNoCase (accents count).
// The needle is folded once and each text on the fly, with no allocation per
// test: the library's simple search tests every artist and title of the
// collection at each keystroke.

#include <string>

#include "common/zr_string.h"

class ZRFoldedNeedle {
 public:
  explicit ZRFoldedNeedle(const ZRString& needle);

  // True when text contains the needle; an empty needle is never found.
  bool foundIn(const ZRString& text) const;

 private:
  std::u32string folded_;
};
