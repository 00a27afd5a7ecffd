#pragma once
// Type-safe printf-style formatting shared by ZRString::printf and the log.
//
// The conversions follow the C printf rules ("%d", "%02d", "%-8s", "%.3f", "%x", "%p", "%c", "%%" ...),
// with two differences that make a wrong call harmless instead of undefined:
//  - every argument travels with its type, so "%s" (or "%S": the match ignores case) takes a ZRString,
//    a const char* (UTF-8; null prints "(null)"), a const wchar_t* (UTF-32), a std::string or a
//    std::string_view; length modifiers (h, hh, l, ll, z, j, t, L, q) are accepted, and the argument's
//    own type decides its size (except that h and hh narrow an integer as C does);
//  - an argument that does not suit its conversion is printed in its natural form (a number in
//    decimal or "%g", a text as text, a pointer as "%p"); a conversion without an argument prints
//    nothing; extra arguments are ignored; "%n" prints nothing and writes nothing.
// "%c" writes the argument as one Unicode character in UTF-8. Widths and precisions of "%s" count bytes,
// as in C, but a precision never cuts a UTF-8 sequence in two.
// Argument types that have no text form are refused at compile time.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

class ZRString;

// One formatting argument: a small tagged value that refers to (never copies) texts.
class ZRFormatArg {
 public:
  enum class Kind : unsigned char {
    kSigned,
    kUnsigned,
    kFloat,
    kCString,      // NUL-terminated UTF-8, possibly null
    kWideCString,  // NUL-terminated UTF-32 wchar_t, possibly null
    kByteView,     // UTF-8 bytes with a length
    kString,       // a ZRString
    kPointer,
  };

  template <typename T>
  ZRFormatArg(const T& value) {  // NOLINT(google-explicit-constructor): built from the argument pack
    using D = std::remove_cv_t<std::decay_t<T>>;
    if constexpr (std::is_same_v<D, ZRString>) {
      kind_ = Kind::kString;
      string_ = &value;
    } else if constexpr (std::is_same_v<D, std::string> || std::is_same_v<D, std::string_view>) {
      kind_ = Kind::kByteView;
      bytes_ = value.data();
      size_ = value.size();
    } else if constexpr (std::is_same_v<D, char*> || std::is_same_v<D, const char*>) {
      kind_ = Kind::kCString;
      bytes_ = value;
    } else if constexpr (std::is_same_v<D, wchar_t*> || std::is_same_v<D, const wchar_t*>) {
      kind_ = Kind::kWideCString;
      wide_ = value;
    } else if constexpr (std::is_same_v<D, std::nullptr_t>) {
      kind_ = Kind::kPointer;
      pointer_ = nullptr;
    } else if constexpr (std::is_pointer_v<D>) {
      kind_ = Kind::kPointer;
      pointer_ = reinterpret_cast<const void*>(value);
    } else if constexpr (std::is_same_v<D, bool>) {
      kind_ = Kind::kSigned;
      signed_ = value ? 1 : 0;
      size_ = sizeof(int);
    } else if constexpr (std::is_enum_v<D>) {
      setInteger(static_cast<std::underlying_type_t<D>>(value));
    } else if constexpr (std::is_integral_v<D>) {
      setInteger(value);
    } else if constexpr (std::is_floating_point_v<D>) {
      kind_ = Kind::kFloat;
      float_ = static_cast<double>(value);
    } else {
      static_assert(sizeof(D) == 0, "this type has no text form for a format argument");
    }
  }

  Kind kind() const { return kind_; }
  // The integer's size in bytes (kSigned, kUnsigned) or the text's length in bytes (kByteView).
  std::size_t size() const { return size_; }
  long long signedValue() const { return signed_; }
  unsigned long long unsignedValue() const { return unsigned_; }
  double floatValue() const { return float_; }
  const char* bytes() const { return bytes_; }
  const wchar_t* wide() const { return wide_; }
  const ZRString* string() const { return string_; }
  const void* pointer() const { return pointer_; }

 private:
  template <typename I>
  void setInteger(I value) {
    size_ = sizeof(I);
    if constexpr (std::is_signed_v<I>) {
      kind_ = Kind::kSigned;
      signed_ = static_cast<long long>(value);
    } else {
      kind_ = Kind::kUnsigned;
      unsigned_ = static_cast<unsigned long long>(value);
    }
  }

  Kind kind_ = Kind::kPointer;
  std::size_t size_ = 0;
  union {
    long long signed_;
    unsigned long long unsigned_;
    double float_;
    const char* bytes_;
    const wchar_t* wide_;
    const ZRString* string_;
    const void* pointer_ = nullptr;
  };
};

// Receives the formatted bytes piece by piece.
class ZRFormatSink {
 public:
  virtual ~ZRFormatSink() = default;
  virtual void append(const char* bytes, std::size_t count) = 0;
};

// Grows a std::string.
class ZRStringFormatSink : public ZRFormatSink {
 public:
  explicit ZRStringFormatSink(std::string& out) : out_(out) {}
  void append(const char* bytes, std::size_t count) override { out_.append(bytes, count); }

 private:
  std::string& out_;
};

// Fills a fixed buffer and drops what does not fit, so a runaway message costs no memory. The text is
// cut at a UTF-8 character boundary and the buffer is always NUL-terminated.
class ZRBoundedFormatSink : public ZRFormatSink {
 public:
  // capacity counts the terminating NUL; it must be at least 1.
  ZRBoundedFormatSink(char* buffer, std::size_t capacity);
  void append(const char* bytes, std::size_t count) override;
  // Cuts a character split by the bound and terminates the text; returns its length in bytes.
  std::size_t finish();
  bool truncated() const { return truncated_; }

 private:
  char* buffer_;
  std::size_t capacity_;
  std::size_t length_ = 0;
  bool truncated_ = false;
};

// Formats the UTF-8 format with the arguments into the sink. A null format writes nothing.
void zrFormatTo(ZRFormatSink& sink, const char* format, const ZRFormatArg* args, std::size_t count);

// Convenience: the formatted text as UTF-8.
std::string zrFormatArgs(const char* format, const ZRFormatArg* args, std::size_t count);

template <typename... Args>
std::string zrFormat(const char* format, const Args&... args) {
  const ZRFormatArg packed[sizeof...(Args) + 1] = {ZRFormatArg(args)..., ZRFormatArg(0)};
  return zrFormatArgs(format, packed, sizeof...(Args));
}
