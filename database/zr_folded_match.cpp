#include "database/zr_folded_match.h"

#include <algorithm>

#include "platform/text_icu.h"

void appendFolded(const ZRString& text, std::u32string& out) {
  const std::u16string& units = text.utf16();
  for (size_t i = 0; i < units.size();) {
    char32_t c = units[i++];
    if (c < 0x80) {
      out.push_back(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
      continue;
    }
    // Unpaired surrogates stand for themselves.
    if (c >= 0xD800 && c <= 0xDBFF && i < units.size() && units[i] >= 0xDC00 && units[i] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i] - 0xDC00);
      ++i;
    }
    out.push_back(platformFoldCase(c));
  }
}

ZRFoldedNeedle::ZRFoldedNeedle(const ZRString& needle) {
  appendFolded(needle, folded_);
}

bool ZRFoldedNeedle::foundIn(std::u32string_view folded) const {
  if (folded_.empty()) return false;
  return std::search(folded.begin(), folded.end(), folded_.begin(), folded_.end()) != folded.end();
}
