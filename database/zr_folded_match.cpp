#include "database/zr_folded_match.h"

#include "platform/text_icu.h"

namespace {

// The folded code point at units[i], moving i past it. Unpaired surrogates
// stand for themselves.
inline char32_t foldNext(const std::u16string& units, size_t& i) {
  char32_t c = units[i++];
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
  if (c >= 0xD800 && c <= 0xDBFF && i < units.size() && units[i] >= 0xDC00 && units[i] <= 0xDFFF) {
    c = 0x10000 + ((c - 0xD800) << 10) + (units[i] - 0xDC00);
    ++i;
  }
  return platformFoldCase(c);
}

}  // namespace

ZRFoldedNeedle::ZRFoldedNeedle(const ZRString& needle) {
  const std::u16string& units = needle.utf16();
  for (size_t i = 0; i < units.size();) folded_.push_back(foldNext(units, i));
}

bool ZRFoldedNeedle::foundIn(const ZRString& text) const {
  if (folded_.empty()) return false;
  const std::u16string& units = text.utf16();
  for (size_t i = 0; i < units.size();) {
    if (foldNext(units, i) != folded_[0]) continue;
    size_t j = i;
    size_t k = 1;
    while (k < folded_.size() && j < units.size() && foldNext(units, j) == folded_[k]) ++k;
    if (k == folded_.size()) return true;
  }
  return false;
}
