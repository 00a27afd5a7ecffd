#include "common/zr_c_numbers.h"

#include <limits.h>
#include <locale.h>
#include <stdlib.h>

#include <charconv>

namespace {

locale_t cLocale() {
  // Created once and kept for the process: strtod_l only reads it.
  static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return loc;
}

}  // namespace

double atofC(const char* text) {
  if (text == nullptr) return 0.0;
  locale_t loc = cLocale();
  if (loc == static_cast<locale_t>(0)) return 0.0;
  return strtod_l(text, nullptr, loc);
}

int atoiC(const char* text) {
  if (text == nullptr) return 0;
  locale_t loc = cLocale();
  if (loc == static_cast<locale_t>(0)) return 0;
  long long v = strtoll_l(text, nullptr, 10, loc);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

std::string formatFixedC(double value, int decimals) {
  if (decimals < 0) decimals = 0;
  // Enough for any double in fixed notation (up to 309 integer digits).
  char buffer[400];
  std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) return std::string();
  return std::string(buffer, r.ptr);
}
