#pragma once
// The text layer of the platform, on ICU: conversions between UTF-8 and UTF-16, the user's collation,
// current-locale lower-casing, case folding and white space. Texts are UTF-16 code units.

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 to UTF-16. Returns false when the bytes are not valid UTF-8: out is then left empty, or, with
// substitute, holds the text with U+FFFD in place of each bad sequence.
bool platformUtf8ToUtf16(std::string_view utf8, std::u16string& out, bool substitute = false);

// UTF-16 to UTF-8, appended to out. Unpaired surrogates become U+FFFD and the result is false.
bool platformUtf16ToUtf8(std::u16string_view utf16, std::string& out);

// Localized comparison with the collator of the current locale: -1, 0 or 1. With ignoreCase the
// comparison runs at secondary strength (letters and accents count, case does not).
int platformCollate(std::u16string_view a, std::u16string_view b, bool ignoreCase);

// Lower-cases by the rules of the current locale (the result may differ in length).
std::u16string platformToLowerCurrentLocale(std::u16string_view text);

// Simple (one-to-one) case folding of one code point.
char32_t platformFoldCase(char32_t c);

// Unicode white space, including line breaks.
bool platformIsWhiteSpace(char32_t c);
