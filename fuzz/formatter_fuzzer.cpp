// The formatter behind every log line and ZRString::format: a format text from the input with
// arguments of every kind (integers at their limits, floats including NaN and infinities, texts, null
// texts, pointers), into a growing string and into the log's bounded buffer.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "common/zr_format.h"
#include "common/zr_string.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orvel_fuzz::FuzzInput input(data, size);
  const uint8_t order = input.byte();
  const std::string format(reinterpret_cast<const char*>(input.data()), input.size());
  const char* nullText = nullptr;
  const ZRString zr("t\xC3\xA9xt");
  const std::string bytes("by\0tes", 6);
  const double values[] = {1e300, -1e300, std::nan(""), std::numeric_limits<double>::infinity(), -0.0, 2.5};
  const double d = values[order % 6];
  const int limits[] = {INT32_MIN, INT32_MAX, 0, -1};
  const int i = limits[(order >> 3) % 4];
  const ZRFormatArg args[] = {ZRFormatArg(i),
                              ZRFormatArg(d),
                              ZRFormatArg("text"),
                              ZRFormatArg(nullText),
                              ZRFormatArg(zr),
                              ZRFormatArg(bytes),
                              ZRFormatArg(std::numeric_limits<unsigned long long>::max()),
                              ZRFormatArg(std::numeric_limits<long long>::min()),
                              ZRFormatArg(static_cast<const void*>(data)),
                              ZRFormatArg(L"w\u00e9"),
                              ZRFormatArg(static_cast<short>(-2)),
                              ZRFormatArg(d)};
  // Fewer arguments than the format asks for now and then: missing ones print nothing.
  const size_t count = (order & 0x80) != 0 ? sizeof args / sizeof args[0] : (order & 7u);
  const std::string grown = zrFormatArgs(format.c_str(), args, count);
  char bounded[4000];
  ZRBoundedFormatSink sink(bounded, sizeof bounded);
  zrFormatTo(sink, format.c_str(), args, count);
  const size_t length = sink.finish();
  orvel_fuzz::fuzzCheck(length < sizeof bounded && bounded[length] == '\0', "the bounded sink overran");
  orvel_fuzz::fuzzCheck(length <= grown.size() && std::memcmp(bounded, grown.data(), length) == 0,
                        "the bounded text is not a prefix of the whole text");
  return 0;
}
