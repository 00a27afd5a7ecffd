#include "platform/text_icu.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <memory>

namespace {

// The locale the user's texts are compared and cased in. A process started with the C or POSIX locale
// gets ICU's "en_US_POSIX", whose collation orders by code point; the root collation is what a user
// expects there.
icu::Locale collationLocale() {
  const icu::Locale& current = icu::Locale::getDefault();
  if (std::string_view(current.getName()) == "en_US_POSIX") return icu::Locale::getRoot();
  return current;
}

// One collator per strength, created once. ICU collators are safe for concurrent compare calls.
class CollatorCache {
 public:
  CollatorCache() {
    const icu::Locale locale = collationLocale();
    exact_ = create(locale, icu::Collator::TERTIARY);
    noCase_ = create(locale, icu::Collator::SECONDARY);
  }
  const icu::Collator* get(bool ignoreCase) const { return ignoreCase ? noCase_.get() : exact_.get(); }

 private:
  static std::unique_ptr<icu::Collator> create(const icu::Locale& locale,
                                               icu::Collator::ECollationStrength strength) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || !collator) {
      status = U_ZERO_ERROR;
      collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
      if (U_FAILURE(status)) collator.reset();
    }
    if (collator) {
      collator->setStrength(strength);
      // Canonically equivalent texts (precomposed or combining accents) compare equal.
      status = U_ZERO_ERROR;
      collator->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, status);
    }
    return collator;
  }

  std::unique_ptr<icu::Collator> exact_;
  std::unique_ptr<icu::Collator> noCase_;
};

const CollatorCache& collators() {
  static const CollatorCache cache;
  return cache;
}

int sign(int v) {
  return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

}  // namespace

bool platformUtf8ToUtf16(std::string_view utf8, std::u16string& out, bool substitute) {
  out.clear();
  if (utf8.empty()) return true;
  // Most texts (file names, tags) are plain ASCII: one code unit per byte, no converter needed.
  const std::size_t n = utf8.size();
  std::size_t ascii = 0;
  while (ascii < n && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
  if (ascii == n) {
    out.resize(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char16_t>(utf8[i]);
    return true;
  }
  // UTF-16 never needs more code units than UTF-8 has bytes: one pass into room enough.
  const UChar32 substitution = substitute ? 0xFFFD : -1;
  int32_t substitutions = 0;
  UErrorCode status = U_ZERO_ERROR;
  int32_t needed = 0;
  out.resize(n);
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(n), &needed, utf8.data(),
                       static_cast<int32_t>(n), substitution, &substitutions, &status);
  if (U_FAILURE(status)) {
    out.clear();
    return false;
  }
  out.resize(static_cast<std::size_t>(needed));
  return substitutions == 0;
}

bool platformUtf16ToUtf8(std::u16string_view utf16, std::string& out) {
  bool clean = true;
  out.reserve(out.size() + utf16.size());
  const std::size_t n = utf16.size();
  for (std::size_t i = 0; i < n; ++i) {
    char32_t c = utf16[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
      clean = false;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return clean;
}

int platformCollate(std::u16string_view a, std::u16string_view b, bool ignoreCase) {
  const icu::Collator* collator = collators().get(ignoreCase);
  if (collator == nullptr) return sign(a.compare(b));
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r =
      collator->compare(reinterpret_cast<const UChar*>(a.data()), static_cast<int32_t>(a.size()),
                        reinterpret_cast<const UChar*>(b.data()), static_cast<int32_t>(b.size()), status);
  if (U_FAILURE(status)) return sign(a.compare(b));
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

std::u16string platformToLowerCurrentLocale(std::u16string_view text) {
  icu::UnicodeString s(reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()));
  s.toLower(icu::Locale::getDefault());
  return std::u16string(reinterpret_cast<const char16_t*>(s.getBuffer()),
                        static_cast<std::size_t>(s.length()));
}

char32_t platformFoldCase(char32_t c) {
  return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

bool platformIsWhiteSpace(char32_t c) {
  return u_isUWhiteSpace(static_cast<UChar32>(c)) != 0;
}
