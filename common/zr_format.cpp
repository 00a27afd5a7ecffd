#include "common/zr_format.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/zr_string.h"
#include "platform/text_icu.h"

namespace {

// Widths and precisions beyond this are taken as this: enough for any real layout, and a bound on the
// memory a mistaken format can ask for.
constexpr int kMaxWidth = 1 << 16;

// Length in bytes of the UTF-8 sequence starting with lead byte b (1 for a stray byte).
std::size_t utf8SequenceLength(unsigned char b) {
  if (b < 0x80) return 1;
  if ((b >> 5) == 0x6) return 2;
  if ((b >> 4) == 0xE) return 3;
  if ((b >> 3) == 0x1E) return 4;
  return 1;
}

// The longest prefix of at most limit bytes that does not end inside a UTF-8 sequence.
std::size_t utf8Cut(const char* text, std::size_t length, std::size_t limit) {
  if (length <= limit) return length;
  std::size_t n = limit;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return n;
}

std::size_t encodeUtf8(char32_t c, char* out) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

struct Directive {
  std::string flags;  // any of "-+ #0"
  int width = -1;
  int precision = -1;  // -1: none
  int narrow = 0;      // bytes an h or hh modifier narrows an integer to (0: none)
  char conversion = 0;
};

class Formatter {
 public:
  Formatter(ZRFormatSink& sink, const ZRFormatArg* args, std::size_t count)
      : sink_(sink), args_(args), count_(count) {}

  void run(const char* format) {
    const char* p = format;
    while (*p != '\0') {
      const char* percent = std::strchr(p, '%');
      if (percent == nullptr) {
        sink_.append(p, std::strlen(p));
        return;
      }
      if (percent > p) sink_.append(p, static_cast<std::size_t>(percent - p));
      p = conversion(percent);
    }
  }

 private:
  const ZRFormatArg* next() { return index_ < count_ ? &args_[index_++] : nullptr; }

  // A '*' width or precision, held to -kMaxWidth..kMaxWidth whatever the argument (a huge or NaN
  // float, INT_MIN), so that neither the conversion nor a later negation can overflow.
  int nextInt() {
    const ZRFormatArg* a = next();
    if (a == nullptr) return 0;
    switch (a->kind()) {
      case ZRFormatArg::Kind::kSigned:
        return static_cast<int>(std::clamp<long long>(a->signedValue(), -kMaxWidth, kMaxWidth));
      case ZRFormatArg::Kind::kUnsigned:
        return static_cast<int>(std::min<unsigned long long>(a->unsignedValue(), kMaxWidth));
      case ZRFormatArg::Kind::kFloat: {
        const double v = a->floatValue();
        if (!(v == v)) return 0;
        return static_cast<int>(std::clamp<double>(v, -kMaxWidth, kMaxWidth));
      }
      default:
        return 0;
    }
  }

  // Parses one conversion starting at '%' and writes it; returns where the text goes on.
  const char* conversion(const char* start) {
    const char* p = start + 1;
    Directive directive;
    while (*p != '\0' && std::strchr("-+ #0'", *p) != nullptr) {
      if (*p != '\'') directive.flags.push_back(*p);
      ++p;
    }
    if (*p == '*') {
      int w = nextInt();
      if (w < 0) {
        directive.flags.push_back('-');
        w = -w;
      }
      directive.width = w;
      ++p;
    } else {
      directive.width = readNumber(p);
    }
    if (*p == '.') {
      ++p;
      if (*p == '*') {
        directive.precision = nextInt();
        if (directive.precision < 0) directive.precision = -1;
        ++p;
      } else {
        const int n = readNumber(p);
        directive.precision = n < 0 ? 0 : n;
      }
    }
    if (directive.width > kMaxWidth) directive.width = kMaxWidth;
    if (directive.precision > kMaxWidth) directive.precision = kMaxWidth;
    // Length modifiers: the argument's own type gives its size, only h and hh narrow.
    if (*p == 'h') {
      ++p;
      directive.narrow = 2;
      if (*p == 'h') {
        ++p;
        directive.narrow = 1;
      }
    }
    while (*p != '\0' && std::strchr("lLqjzt", *p) != nullptr) ++p;
    if (*p == '\0') {
      // An unfinished conversion at the end is written as it stands.
      sink_.append(start, static_cast<std::size_t>(p - start));
      return p;
    }
    directive.conversion = *p;
    ++p;
    switch (directive.conversion) {
      case '%':
        sink_.append("%", 1);
        break;
      case 'd':
      case 'i':
        writeArg(directive, next(), 'd');
        break;
      case 'u':
      case 'o':
      case 'x':
      case 'X':
        writeArg(directive, next(), directive.conversion);
        break;
      case 'c':
      case 'C':
        writeArg(directive, next(), 'c');
        break;
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        writeArg(directive, next(), directive.conversion);
        break;
      case 's':
      case 'S':
        writeArg(directive, next(), 's');
        break;
      case 'p':
        writeArg(directive, next(), 'p');
        break;
      case 'n':
        next();
        break;
      default:
        sink_.append(start, static_cast<std::size_t>(p - start));
        break;
    }
    return p;
  }

  static int readNumber(const char*& p) {
    if (*p < '0' || *p > '9') return -1;
    long n = 0;
    while (*p >= '0' && *p <= '9') {
      if (n <= kMaxWidth) n = n * 10 + (*p - '0');
      ++p;
    }
    return static_cast<int>(n > kMaxWidth ? kMaxWidth : n);
  }

  static bool isInteger(const ZRFormatArg& a) {
    return a.kind() == ZRFormatArg::Kind::kSigned || a.kind() == ZRFormatArg::Kind::kUnsigned;
  }
  static bool isText(const ZRFormatArg& a) {
    return a.kind() == ZRFormatArg::Kind::kCString || a.kind() == ZRFormatArg::Kind::kWideCString ||
           a.kind() == ZRFormatArg::Kind::kByteView || a.kind() == ZRFormatArg::Kind::kString;
  }

  // The conversion that prints an argument in its natural form.
  static char naturalConversion(const ZRFormatArg& a) {
    switch (a.kind()) {
      case ZRFormatArg::Kind::kSigned:
        return 'd';
      case ZRFormatArg::Kind::kUnsigned:
        return 'u';
      case ZRFormatArg::Kind::kFloat:
        return 'g';
      case ZRFormatArg::Kind::kPointer:
        return 'p';
      default:
        return 's';
    }
  }

  void writeArg(const Directive& directive, const ZRFormatArg* a, char conversion) {
    if (a == nullptr) return;
    // Decide whether the argument suits the conversion; otherwise print it in its natural form.
    bool suits = false;
    switch (conversion) {
      case 'd':
      case 'u':
      case 'o':
      case 'x':
      case 'X':
      case 'c':
        suits = isInteger(*a);
        break;
      case 's':
        suits = isText(*a);
        break;
      case 'p':
        suits = a->kind() == ZRFormatArg::Kind::kPointer || a->kind() == ZRFormatArg::Kind::kCString ||
                a->kind() == ZRFormatArg::Kind::kWideCString;
        break;
      default:  // floating conversions also take integers, converted to double
        suits = a->kind() == ZRFormatArg::Kind::kFloat || isInteger(*a);
        break;
    }
    if (!suits) conversion = naturalConversion(*a);

    switch (conversion) {
      case 'd':
        writeSigned(directive, *a);
        break;
      case 'u':
      case 'o':
      case 'x':
      case 'X':
        writeUnsigned(directive, *a, conversion);
        break;
      case 'c':
        writeChar(directive, *a);
        break;
      case 's':
        writeText(directive, *a);
        break;
      case 'p':
        writePointer(directive, *a);
        break;
      default:
        writeFloat(directive, *a, conversion);
        break;
    }
  }

  // Builds the C conversion with the directive's flags, width and precision.
  static std::string cFormat(const Directive& directive, const char* modifier, char conversion) {
    std::string f = "%" + directive.flags;
    if (directive.width >= 0) f += std::to_string(directive.width);
    if (directive.precision >= 0) f += "." + std::to_string(directive.precision);
    f += modifier;
    f.push_back(conversion);
    return f;
  }

  template <typename T>
  void writeC(const std::string& cformat, T value) {
    char small[128];
    const int n = std::snprintf(small, sizeof(small), cformat.c_str(), value);
    if (n < 0) return;
    if (static_cast<std::size_t>(n) < sizeof(small)) {
      sink_.append(small, static_cast<std::size_t>(n));
      return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), cformat.c_str(), value);
    sink_.append(big.data(), static_cast<std::size_t>(n));
  }

  // The integer's bits as unsigned, masked to its size (or to the h/hh size).
  static unsigned long long integerBits(const Directive& directive, const ZRFormatArg& a) {
    unsigned long long bits = a.kind() == ZRFormatArg::Kind::kSigned
                                  ? static_cast<unsigned long long>(a.signedValue())
                                  : a.unsignedValue();
    std::size_t size = a.size();
    if (directive.narrow != 0 && static_cast<std::size_t>(directive.narrow) < size) size = directive.narrow;
    if (size < sizeof(bits)) bits &= (1ULL << (size * 8)) - 1;
    return bits;
  }

  void writeSigned(const Directive& directive, const ZRFormatArg& a) {
    long long value =
        a.kind() == ZRFormatArg::Kind::kSigned ? a.signedValue() : static_cast<long long>(a.unsignedValue());
    if (directive.narrow != 0 && static_cast<std::size_t>(directive.narrow) < a.size()) {
      // h and hh read the argument as a short or a char, as C does: keep the low bits, sign-extended.
      const unsigned long long bits = integerBits(directive, a);
      const unsigned long long signBit = 1ULL << (directive.narrow * 8 - 1);
      value = static_cast<long long>(bits ^ signBit) - static_cast<long long>(signBit);
    }
    writeC(cFormat(directive, "ll", 'd'), value);
  }

  void writeUnsigned(const Directive& directive, const ZRFormatArg& a, char conversion) {
    writeC(cFormat(directive, "ll", conversion), integerBits(directive, a));
  }

  void writeFloat(const Directive& directive, const ZRFormatArg& a, char conversion) {
    double value = a.floatValue();
    if (a.kind() == ZRFormatArg::Kind::kSigned) value = static_cast<double>(a.signedValue());
    if (a.kind() == ZRFormatArg::Kind::kUnsigned) value = static_cast<double>(a.unsignedValue());
    writeC(cFormat(directive, "", conversion), value);
  }

  void writePointer(const Directive& directive, const ZRFormatArg& a) {
    const void* value = a.pointer();
    if (a.kind() == ZRFormatArg::Kind::kCString) value = a.bytes();
    if (a.kind() == ZRFormatArg::Kind::kWideCString) value = a.wide();
    Directive bare = directive;
    bare.precision = -1;
    writeC(cFormat(bare, "", 'p'), value);
  }

  void writeChar(const Directive& directive, const ZRFormatArg& a) {
    char bytes[4];
    const std::size_t n = encodeUtf8(static_cast<char32_t>(integerBits(directive, a) & 0xFFFFFFFFu), bytes);
    writePadded(directive, bytes, n);
  }

  void writeText(const Directive& directive, const ZRFormatArg& a) {
    std::string converted;
    const char* text = nullptr;
    std::size_t length = 0;
    switch (a.kind()) {
      case ZRFormatArg::Kind::kCString:
        text = a.bytes() != nullptr ? a.bytes() : "(null)";
        length = std::strlen(text);
        break;
      case ZRFormatArg::Kind::kByteView:
        text = a.bytes();
        length = a.size();
        break;
      case ZRFormatArg::Kind::kWideCString:
        if (a.wide() == nullptr) {
          text = "(null)";
          length = 6;
        } else {
          char bytes[4];
          for (const wchar_t* w = a.wide(); *w != 0; ++w) {
            converted.append(bytes, encodeUtf8(static_cast<char32_t>(*w), bytes));
          }
          text = converted.data();
          length = converted.size();
        }
        break;
      default:
        platformUtf16ToUtf8(a.string()->utf16(), converted);
        text = converted.data();
        length = converted.size();
        break;
    }
    if (directive.precision >= 0)
      length = utf8Cut(text, length, static_cast<std::size_t>(directive.precision));
    writePadded(directive, text, length);
  }

  void writePadded(const Directive& directive, const char* text, std::size_t length) {
    const std::size_t width = directive.width > 0 ? static_cast<std::size_t>(directive.width) : 0;
    const bool left = directive.flags.find('-') != std::string::npos;
    if (!left) pad(width, length);
    sink_.append(text, length);
    if (left) pad(width, length);
  }

  void pad(std::size_t width, std::size_t length) {
    static const char kSpaces[] = "                                ";
    std::size_t missing = width > length ? width - length : 0;
    while (missing > 0) {
      const std::size_t n = missing < sizeof(kSpaces) - 1 ? missing : sizeof(kSpaces) - 1;
      sink_.append(kSpaces, n);
      missing -= n;
    }
  }

  ZRFormatSink& sink_;
  const ZRFormatArg* args_;
  std::size_t count_;
  std::size_t index_ = 0;
};

}  // namespace

ZRBoundedFormatSink::ZRBoundedFormatSink(char* buffer, std::size_t capacity)
    : buffer_(buffer), capacity_(capacity) {
  if (capacity_ > 0) buffer_[0] = '\0';
}

void ZRBoundedFormatSink::append(const char* bytes, std::size_t count) {
  const std::size_t room = capacity_ > length_ + 1 ? capacity_ - length_ - 1 : 0;
  const std::size_t n = count < room ? count : room;
  if (n < count) truncated_ = true;
  std::memcpy(buffer_ + length_, bytes, n);
  length_ += n;
}

std::size_t ZRBoundedFormatSink::finish() {
  if (capacity_ == 0) return 0;
  if (truncated_ && length_ > 0) {
    // Drop a last character whose bytes did not all fit.
    std::size_t lead = length_;
    while (lead > 0 && (static_cast<unsigned char>(buffer_[lead - 1]) & 0xC0) == 0x80) --lead;
    if (lead > 0) {
      const std::size_t start = lead - 1;
      if (start + utf8SequenceLength(static_cast<unsigned char>(buffer_[start])) > length_) length_ = start;
    }
  }
  buffer_[length_] = '\0';
  return length_;
}

void zrFormatTo(ZRFormatSink& sink, const char* format, const ZRFormatArg* args, std::size_t count) {
  if (format == nullptr) return;
  Formatter(sink, args, count).run(format);
}

std::string zrFormatArgs(const char* format, const ZRFormatArg* args, std::size_t count) {
  std::string out;
  ZRStringFormatSink sink(out);
  zrFormatTo(sink, format, args, count);
  return out;
}
