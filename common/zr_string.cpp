#include "common/zr_string.h"

#include <locale.h>
#include <stdlib.h>

#include <climits>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/text_icu.h"

namespace {

int sign(int v) {
  return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

bool isHighSurrogate(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

// One code point of a text, case-folded, with the unit range it came from.
struct FoldedPoint {
  char32_t c;
  long begin;
  long end;
};

std::vector<FoldedPoint> foldedPoints(const std::u16string& text) {
  std::vector<FoldedPoint> points;
  points.reserve(text.size());
  const long n = static_cast<long>(text.size());
  for (long i = 0; i < n;) {
    char32_t c = text[i];
    long next = i + 1;
    if (isHighSurrogate(text[i]) && next < n && isLowSurrogate(text[next])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[next] - 0xDC00);
      ++next;
    }
    points.push_back({platformFoldCase(c), i, next});
    i = next;
  }
  return points;
}

}  // namespace

ZRString::ZRString(const char* utf8) {
  if (utf8 != nullptr) platformUtf8ToUtf16(utf8, text_);
}

ZRString::ZRString(const std::string& utf8) {
  platformUtf8ToUtf16(utf8, text_);
}

ZRString::ZRString(std::string_view utf8) {
  platformUtf8ToUtf16(utf8, text_);
}

ZRString::ZRString(const wchar_t* utf32) {
  if (utf32 == nullptr) return;
  for (const wchar_t* w = utf32; *w != 0; ++w) {
    char32_t c = static_cast<char32_t>(*w);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c >= 0x10000) {
      c -= 0x10000;
      text_.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      text_.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      text_.push_back(static_cast<char16_t>(c));
    }
  }
}

ZRString::ZRString(std::u16string utf16) : text_(std::move(utf16)) {}

ZRString::ZRString(const ZRString* other) {
  if (other != nullptr) text_ = other->text_;
}

ZRString::ZRString(ZRString&& other) noexcept : text_(std::move(other.text_)) {
  other.text_.clear();
}

ZRString& ZRString::operator=(const ZRString& other) {
  if (this != &other) text_ = other.text_;
  return *this;
}

ZRString& ZRString::operator=(ZRString&& other) noexcept {
  if (this != &other) {
    text_ = std::move(other.text_);
    other.text_.clear();
  }
  return *this;
}

int ZRString::len() const {
  return static_cast<int>(text_.size());
}

bool ZRString::toUTF8(char* buffer, int size) const {
  if (buffer == nullptr || size <= 0) return false;
  std::string bytes;
  if (!platformUtf16ToUtf8(text_, bytes) || bytes.size() + 1 > static_cast<std::size_t>(size)) {
    buffer[0] = '\0';
    return false;
  }
  bytes.copy(buffer, bytes.size());
  buffer[bytes.size()] = '\0';
  return true;
}

std::string ZRString::utf8() const {
  std::string bytes;
  platformUtf16ToUtf8(text_, bytes);
  return bytes;
}

int ZRString::toInt() const {
  std::size_t i = 0;
  const std::size_t n = text_.size();
  while (i < n && platformIsWhiteSpace(text_[i])) ++i;
  bool negative = false;
  if (i < n && (text_[i] == u'+' || text_[i] == u'-')) {
    negative = text_[i] == u'-';
    ++i;
  }
  long long value = 0;
  for (; i < n && text_[i] >= u'0' && text_[i] <= u'9'; ++i) {
    value = value * 10 + (text_[i] - u'0');
    // Past the int range the value is clamped; stop growing so nothing overflows.
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

double ZRString::toDouble() const {
  std::size_t i = 0;
  const std::size_t n = text_.size();
  while (i < n && platformIsWhiteSpace(text_[i])) ++i;
  // Collect the leading decimal number as ASCII: sign, digits, '.', digits, exponent.
  std::string number;
  bool negative = false;
  if (i < n && (text_[i] == u'+' || text_[i] == u'-')) {
    negative = text_[i] == u'-';
    ++i;
  }
  bool digits = false;
  for (; i < n && text_[i] >= u'0' && text_[i] <= u'9'; ++i, digits = true) number.push_back(char(text_[i]));
  if (i < n && text_[i] == u'.') {
    number.push_back('.');
    for (++i; i < n && text_[i] >= u'0' && text_[i] <= u'9'; ++i, digits = true) {
      number.push_back(char(text_[i]));
    }
  }
  if (!digits) return 0.0;
  if (i < n && (text_[i] == u'e' || text_[i] == u'E')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < n && (text_[j] == u'+' || text_[j] == u'-')) exponent.push_back(char(text_[j++]));
    if (j < n && text_[j] >= u'0' && text_[j] <= u'9') {
      for (; j < n && text_[j] >= u'0' && text_[j] <= u'9'; ++j) exponent.push_back(char(text_[j]));
      number += exponent;
    }
  }
  // The C locale's reader: '.' is the decimal point whatever the user's locale; out-of-range values
  // give infinity or zero.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  const double value = cLocale != static_cast<locale_t>(0) ? strtod_l(number.c_str(), nullptr, cLocale)
                                                           : std::strtod(number.c_str(), nullptr);
  return negative ? -value : value;
}

ZRString ZRString::operator+(const ZRString& other) const {
  return ZRString(text_ + other.text_);
}

ZRString& ZRString::operator+=(const ZRString& other) {
  append(other);
  return *this;
}

void ZRString::append(const ZRString& other) {
  text_ += other.text_;
}

void ZRString::printfArgs(const ZRString& format, const ZRFormatArg* args, std::size_t count) {
  const std::string formatBytes = format.utf8();
  const std::string bytes = zrFormatArgs(formatBytes.c_str(), args, count);
  std::u16string units;
  // Stray bytes from a byte-string argument become U+FFFD rather than costing the whole text.
  platformUtf8ToUtf16(bytes, units, true);
  text_ = std::move(units);
}

void ZRString::makeLowercase() {
  text_ = platformToLowerCurrentLocale(text_);
}

void ZRString::trim(bool) {
  // Unicode white space lies entirely in the Basic Multilingual Plane, so units can be tested one by one.
  std::size_t begin = 0;
  std::size_t end = text_.size();
  while (begin < end && platformIsWhiteSpace(text_[begin])) ++begin;
  while (end > begin && platformIsWhiteSpace(text_[end - 1])) --end;
  if (begin != 0 || end != text_.size()) text_ = text_.substr(begin, end - begin);
}

void ZRString::truncate(int n) {
  if (n < 0 || n >= len()) return;
  text_.resize(static_cast<std::size_t>(n));
}

void ZRString::appendSeparatorIfNeeded() {
  if (text_.empty() || text_.back() != u'/') text_.push_back(u'/');
}

void ZRString::removeFirstSeparatorIfNeeded() {
  if (!text_.empty() && text_.front() == u'/') text_.erase(0, 1);
}

void ZRString::removeLastSeparatorIfNeeded() {
  if (!text_.empty() && text_.back() == u'/') text_.pop_back();
}

int ZRString::cmp(const ZRString& other) const {
  return sign(platformCollate(text_, other.text_, false));
}

int ZRString::icmp(const ZRString& other) const {
  return sign(platformCollate(text_, other.text_, true));
}

long ZRString::findUnits(const ZRString& other, bool ignoreCase, long* matchLength) const {
  *matchLength = 0;
  if (other.text_.empty() || text_.empty()) return -1;
  if (!ignoreCase) {
    const std::size_t at = text_.find(other.text_);
    if (at == std::u16string::npos) return -1;
    *matchLength = static_cast<long>(other.text_.size());
    return static_cast<long>(at);
  }
  // Compare simple case folds code point by code point, so the range refers to this text's own units.
  const std::vector<FoldedPoint> hay = foldedPoints(text_);
  const std::vector<FoldedPoint> needle = foldedPoints(other.text_);
  if (needle.size() > hay.size()) return -1;
  for (std::size_t start = 0; start + needle.size() <= hay.size(); ++start) {
    std::size_t k = 0;
    while (k < needle.size() && hay[start + k].c == needle[k].c) ++k;
    if (k == needle.size()) {
      *matchLength = hay[start + k - 1].end - hay[start].begin;
      return hay[start].begin;
    }
  }
  return -1;
}

bool ZRString::contains(const ZRString& other) const {
  return find(other).position >= 0;
}

bool ZRString::containsNoCase(const ZRString& other) const {
  return findNoCase(other).position >= 0;
}

ZRRange ZRString::find(const ZRString& other) const {
  long length = 0;
  const long at = findUnits(other, false, &length);
  return {at, length};
}

ZRRange ZRString::findNoCase(const ZRString& other) const {
  long length = 0;
  const long at = findUnits(other, true, &length);
  return {at, length};
}

bool ZRString::endsWith(const ZRString& other) const {
  if (other.text_.size() > text_.size()) return false;
  if (other.text_.empty()) return true;
  const std::u16string_view tail(text_.data() + (text_.size() - other.text_.size()), other.text_.size());
  return platformCollate(tail, other.text_, false) == 0;
}

bool ZRString::endsWithNoCase(const ZRString& other) const {
  if (other.text_.size() > text_.size()) return false;
  if (other.text_.empty()) return true;
  const std::u16string_view tail(text_.data() + (text_.size() - other.text_.size()), other.text_.size());
  return platformCollate(platformToLowerCurrentLocale(tail), platformToLowerCurrentLocale(other.text_),
                         false) == 0;
}

bool ZRString::hasCharAtPos(char c, int pos) const {
  if (text_.empty()) return false;
  if (pos == -1) pos = len() - 1;
  if (pos < 0 || pos >= len()) return false;
  return text_[static_cast<std::size_t>(pos)] == static_cast<char16_t>(static_cast<unsigned char>(c));
}

bool ZRString::hasSpaceAtEnd() const {
  return hasCharAtPos(' ', -1);
}

ZRString ZRString::substr(int pos, int length) const {
  const int total = len();
  if (pos < 0) pos = 0;
  if (pos > total) pos = total;
  if (length < 0 || length > total - pos) length = total - pos;
  if (length <= 0) return ZRString();
  return ZRString(text_.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(length)));
}

ZRString ZRString::left(int n) const {
  return substr(0, n < 0 ? 0 : n);
}

ZRString ZRString::right(int n) const {
  if (n <= 0) return ZRString();
  if (n > len()) n = len();
  return substr(len() - n, n);
}

ZRString ZRString::getExt() const {
  const std::size_t dot = text_.rfind(u'.');
  if (dot == std::u16string::npos) return ZRString();
  // A '.' in a folder name is no extension: "/my.music/track" has none.
  const std::size_t slash = text_.rfind(u'/');
  if (slash != std::u16string::npos && slash > dot) return ZRString();
  return substr(static_cast<int>(dot) + 1, -1);
}

ZRString ZRString::getName() const {
  const int length = len();
  if (length == 0) return ZRString();
  if (text_ == u"/") return ZRString(u"/");
  const std::size_t dotAt = text_.rfind(u'.');
  const std::size_t slashAt = text_.rfind(u'/');
  const int dot = dotAt == std::u16string::npos ? -1 : static_cast<int>(dotAt);
  const int slash = slashAt == std::u16string::npos ? -1 : static_cast<int>(slashAt);
  const int end = dot == -1 ? length : dot;
  const int count = end - slash - 1;
  // A '.' before the last '/' (count < 0) leaves the whole name; a name that starts with its only '.'
  // (count == 0) has no name part.
  if (count < 0) return substr(slash + 1, -1);
  if (count == 0) return ZRString();
  return substr(slash + 1, count);
}

ZRString ZRString::getPath() const {
  if (text_.empty()) return ZRString();
  if (text_ == u"/") return ZRString(u"/");
  const std::size_t slash = text_.rfind(u'/');
  if (slash == std::u16string::npos) return ZRString();
  if (slash == 0) return ZRString(u"/");
  return substr(0, static_cast<int>(slash));
}

ZRString ZRString::getPathAndName() const {
  if (text_ == u"/") return ZRString(u"/");
  const ZRString path = getPath();
  const ZRString name = getName();
  if (path.empty()) return name;
  if (name.empty()) return path;
  if (path.text_.back() == u'/') return path + name;
  return path + ZRString(u"/") + name;
}

ZRString ZRString::getNameAndExt() const {
  const ZRString ext = getExt();
  if (ext.empty()) return getName();
  return getName() + ZRString(u".") + ext;
}
