#include "dsp/sample_formats.h"

#include <cmath>
#include <cstdint>
#include <utility>

void ReverseEndian(myInt24& value) {
  std::swap(value.b[0], value.b[2]);
}

void ReverseEndian(short& value) {
  const uint16_t u = static_cast<uint16_t>(value);
  value = static_cast<short>(static_cast<uint16_t>((u >> 8) | (u << 8)));
}

void ReverseEndian(unsigned int& value) {
  value = __builtin_bswap32(value);
}

void ReverseEndian(int& value) {
  value = static_cast<int>(__builtin_bswap32(static_cast<uint32_t>(value)));
}

void ReverseEndianInplace(char* buffer, int count, int bits) {
  if (buffer == nullptr || count <= 0) return;
  int width;
  switch (bits) {
    case 32:
      width = 4;
      break;
    case 24:
      width = 3;
      break;
    case 16:
      width = 2;
      break;
    default:
      return;
  }
  for (int i = 0; i < count; ++i) {
    char* s = buffer + static_cast<long>(i) * width;
    for (int a = 0, b = width - 1; a < b; ++a, --b) std::swap(s[a], s[b]);
  }
}

float Int24ToFloat(myInt24 value) {
  int32_t v = value.b[0] | (value.b[1] << 8) | (value.b[2] << 16);
  if (v & 0x800000) v -= 0x1000000;
  return static_cast<float>(v) * (1.0f / 8388608.0f);
}

double ieee_80_to_double(const unsigned char* p) {
  const bool negative = (p[0] & 0x80) != 0;
  const int e = ((p[0] & 0x7F) << 8) | p[1];
  uint32_t hi = 0, lo = 0;
  for (int i = 0; i < 4; ++i) {
    hi = (hi << 8) | p[2 + i];
    lo = (lo << 8) | p[6 + i];
  }
  if (e == 0 && hi == 0 && lo == 0) return 0;
  double v = (hi * ldexp(1.0, -31) + lo * ldexp(1.0, -63)) * ldexp(1.0, e - 16383);
  return negative ? -v : v;
}

void double_to_ieee_80(double x, unsigned char* p) {
  for (int i = 0; i < 10; ++i) p[i] = 0;
  if (x == 0) return;
  const int sign = x < 0 ? 1 : 0;
  const double a = fabs(x);
  const int e = static_cast<int>(log2(a) + 16383);
  const double m = a * ldexp(1.0, 16414 - e);
  const double hiD = floor(m);
  const uint32_t hi = static_cast<uint32_t>(hiD);
  const uint32_t lo = static_cast<uint32_t>(floor((m - hiD) * 4294967296.0));
  p[0] = static_cast<unsigned char>((sign << 7) | ((e >> 8) & 0x7F));
  p[1] = static_cast<unsigned char>(e & 0xFF);
  for (int i = 0; i < 4; ++i) {
    p[2 + i] = static_cast<unsigned char>(hi >> (24 - 8 * i));
    p[6 + i] = static_cast<unsigned char>(lo >> (24 - 8 * i));
  }
}
