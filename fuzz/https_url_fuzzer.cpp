// The address rule of the service windows: any bytes as an address. An accepted address starts with
// the https scheme, carries no blank, control character or backslash, and names a host.

#include <cstdint>
#include <string_view>

#include "common/zr_https_url.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view url(reinterpret_cast<const char*>(data), size);
  if (!isHttpsUrl(url)) return 0;
  orvel_fuzz::fuzzCheck(url.size() > 8, "an accepted address is longer than its scheme");
  for (std::size_t i = 0; i < 8; ++i) {
    const char c = static_cast<char>(url[i] | (i < 5 ? 0x20 : 0));
    orvel_fuzz::fuzzCheck(c == "https://"[i], "an accepted address has the https scheme");
  }
  for (const char c : url) {
    const unsigned char u = static_cast<unsigned char>(c);
    orvel_fuzz::fuzzCheck(u > 0x20 && u != 0x7f && c != '\\', "an accepted address has no blank or control");
  }
  const char first = url[8];
  orvel_fuzz::fuzzCheck(first != '/' && first != '?' && first != '#' && first != '@',
                        "a host follows the scheme");
  return 0;
}
