#pragma once
// ZRString: the text value of the whole system (paths, tags, captions, settings, log arguments).
//
// The text is kept as UTF-16 code units; every length and position the type reports or accepts counts
// UTF-16 units (a character outside the Basic Multilingual Plane counts 2). Byte texts entering or
// leaving it are UTF-8, wide texts entering it are UTF-32. Comparisons are localized (the user's
// collation) and case rules follow the current locale. Paths use '/' as the separator and the last
// '.' of the file name as the start of its extension.
//
// A ZRString is a plain value: copies are independent, one thread at a time per object. A string that
// has been moved from holds the empty text.

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "common/zr_format.h"

// A found range in UTF-16 units; position -1 means "not found".
struct ZRRange {
  long position;
  long length;
};

class ZRString {
 public:
  ZRString() = default;
  // UTF-8 bytes; null or "" gives the empty text. Bytes that are not valid UTF-8 give the empty text.
  ZRString(const char* utf8);         // NOLINT(google-explicit-constructor): texts flow in from literals
  ZRString(const std::string& utf8);  // NOLINT(google-explicit-constructor)
  ZRString(std::string_view utf8);    // NOLINT(google-explicit-constructor)
  // NUL-terminated UTF-32 text; null gives the empty text, invalid code points become U+FFFD.
  ZRString(const wchar_t* utf32);  // NOLINT(google-explicit-constructor)
  // UTF-16 code units taken as they are (the platform text form).
  explicit ZRString(std::u16string utf16);
  // An own copy of the other's text; null gives the empty text.
  explicit ZRString(const ZRString* other);
  ZRString(const ZRString& other) = default;
  ZRString(ZRString&& other) noexcept;
  ZRString& operator=(const ZRString& other);
  ZRString& operator=(ZRString&& other) noexcept;
  ~ZRString() = default;

  // Conversions out.
  int len() const;
  // Writes the text as NUL-terminated UTF-8 into buffer (size bytes). When it does not fit or cannot be
  // converted, the buffer receives "" (when size > 0) and the result is false.
  bool toUTF8(char* buffer, int size) const;
  // The text as UTF-8 (unpaired surrogates become U+FFFD).
  std::string utf8() const;
  // The UTF-16 units, for code that talks to the platform text layer directly.
  const std::u16string& utf16() const { return text_; }
  // The leading decimal integer (leading white space and a sign allowed); 0 when there is none.
  // A value beyond the int range is clamped to it.
  int toInt() const;
  // The leading decimal number (sign, digits, '.', exponent); 0 when there is none.
  double toDouble() const;

  // Building and changing text.
  ZRString operator+(const ZRString& other) const;
  ZRString& operator+=(const ZRString& other);
  void append(const ZRString& other);
  // The text becomes the format filled in with the arguments (see common/zr_format.h): "%s" and "%S"
  // take a ZRString (or a UTF-8 const char*, std::string or std::string_view).
  template <typename... Args>
  void printf(const ZRString& format, const Args&... args) {
    const ZRFormatArg packed[sizeof...(Args) + 1] = {ZRFormatArg(args)..., ZRFormatArg(0)};
    printfArgs(format, packed, sizeof...(Args));
  }
  void printfArgs(const ZRString& format, const ZRFormatArg* args, std::size_t count);
  // A new string holding the formatted text.
  template <typename... Args>
  static ZRString format(const ZRString& fmt, const Args&... args) {
    ZRString out;
    out.printf(fmt, args...);
    return out;
  }
  // Lower-cases by the rules of the user's current locale.
  void makeLowercase();
  // Removes Unicode white space and line breaks at both ends, whatever the flag says.
  void trim(bool fromStart);
  // Keeps the first n units; n < 0 or n >= len() leaves the text unchanged.
  void truncate(int n);
  // Appends '/' unless the last unit is '/' (the empty text becomes "/").
  void appendSeparatorIfNeeded();
  // Drops one leading '/'.
  void removeFirstSeparatorIfNeeded();
  // Drops one trailing '/'.
  void removeLastSeparatorIfNeeded();

  // Comparing and searching.
  // Localized comparison: -1, 0 or 1.
  int cmp(const ZRString& other) const;
  // Localized comparison ignoring case (accents still count): -1, 0 or 1.
  int icmp(const ZRString& other) const;
  // Exact occurrence of the other's units; the empty text is never found.
  bool contains(const ZRString& other) const;
  bool containsNoCase(const ZRString& other) const;
  ZRRange find(const ZRString& other) const;
  // As find, with both texts case-folded; the range refers to this text's units.
  ZRRange findNoCase(const ZRString& other) const;
  // The last other.len() units equal the other by the localized comparison; false when the other is
  // longer; true for the empty other.
  bool endsWith(const ZRString& other) const;
  // As endsWith, after lower-casing the tail and the other in the current locale.
  bool endsWithNoCase(const ZRString& other) const;
  // The unit at pos equals c; pos -1 means the last unit; false outside 0..len()-1.
  bool hasCharAtPos(char c, int pos) const;
  bool hasSpaceAtEnd() const;

  // Pieces (callers keep positions inside the text; out-of-range values are clamped to it).
  // len units from pos; len < 0 means up to the end; a resulting length of 0 or less gives "".
  ZRString substr(int pos, int len) const;
  ZRString left(int n) const;
  ZRString right(int n) const;
  // The text after the last '.' of the file name; "" when the name has no '.'.
  ZRString getExt() const;
  // The file name without folder and extension; "/" for the text "/".
  ZRString getName() const;
  // The folder part without a trailing '/' ("/" for the root; "" when there is no '/').
  ZRString getPath() const;
  // Folder and name without the extension.
  ZRString getPathAndName() const;
  // The file name with its extension, without the folder.
  ZRString getNameAndExt() const;

  // Exact comparisons of the units (not localized), for containers and tests.
  bool operator==(const ZRString& other) const { return text_ == other.text_; }
  bool operator!=(const ZRString& other) const { return text_ != other.text_; }
  bool operator<(const ZRString& other) const { return text_ < other.text_; }
  bool empty() const { return text_.empty(); }

 private:
  long findUnits(const ZRString& other, bool ignoreCase, long* matchLength) const;

  std::u16string text_;
};

template <>
struct std::hash<ZRString> {
  std::size_t operator()(const ZRString& s) const noexcept { return std::hash<std::u16string>()(s.utf16()); }
};
