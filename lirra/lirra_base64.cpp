#include "lirra/lirra_base64.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

const char base64_table[65] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const int mod_table[3] = {0, 2, 1};

namespace {

// Value of a character of the standard alphabet, 64 for "=", -1 for anything else.
int valueOf(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  if (c == '=') return 64;
  return -1;
}

}  // namespace

char* base64_encode(const unsigned char* data, size_t length, size_t* outLength) {
  if (data == nullptr && length > 0) return nullptr;
  if (length > (SIZE_MAX - 1) / 4 * 3 - 3) return nullptr;
  const size_t encoded = 4 * ((length + 2) / 3);
  char* out = static_cast<char*>(malloc(encoded + 1));
  if (out == nullptr) return nullptr;
  size_t o = 0;
  for (size_t i = 0; i < length; i += 3) {
    const uint32_t a = data[i];
    const uint32_t b = i + 1 < length ? data[i + 1] : 0;
    const uint32_t c = i + 2 < length ? data[i + 2] : 0;
    const uint32_t triple = (a << 16) | (b << 8) | c;
    out[o++] = base64_table[(triple >> 18) & 63];
    out[o++] = base64_table[(triple >> 12) & 63];
    out[o++] = i + 1 < length ? base64_table[(triple >> 6) & 63] : '=';
    out[o++] = i + 2 < length ? base64_table[triple & 63] : '=';
  }
  out[o] = '\0';
  if (outLength != nullptr) *outLength = o;
  return out;
}

char* base64_url_encode(const unsigned char* data, size_t length, size_t* outLength) {
  size_t n = 0;
  char* out = base64_encode(data, length, &n);
  if (out == nullptr) return nullptr;
  n -= static_cast<size_t>(mod_table[length % 3]);
  out[n] = '\0';
  for (size_t i = 0; i < n; ++i) {
    if (out[i] == '+') out[i] = '-';
    if (out[i] == '/') out[i] = '_';
  }
  if (outLength != nullptr) *outLength = n;
  return out;
}

unsigned char* base64_decode(const char* text, size_t length, size_t* outLength) {
  if (text == nullptr) return nullptr;
  size_t counted = 0;
  for (size_t i = 0; i < length; ++i)
    if (valueOf(static_cast<unsigned char>(text[i])) >= 0) ++counted;
  if (counted == 0 || counted % 4 != 0) return nullptr;
  unsigned char* out = static_cast<unsigned char*>(malloc(counted / 4 * 3 + 1));
  if (out == nullptr) return nullptr;
  size_t o = 0;
  int group[4];
  int inGroup = 0;
  int padding = 0;
  for (size_t i = 0; i < length; ++i) {
    const int v = valueOf(static_cast<unsigned char>(text[i]));
    if (v < 0) continue;
    if (v == 64) ++padding;
    group[inGroup++] = v == 64 ? 0 : v;
    if (inGroup < 4) continue;
    inGroup = 0;
    const uint32_t triple = (static_cast<uint32_t>(group[0]) << 18) |
                            (static_cast<uint32_t>(group[1]) << 12) | (static_cast<uint32_t>(group[2]) << 6) |
                            static_cast<uint32_t>(group[3]);
    const unsigned char bytes[3] = {static_cast<unsigned char>(triple >> 16),
                                    static_cast<unsigned char>(triple >> 8),
                                    static_cast<unsigned char>(triple)};
    if (padding > 2) {
      free(out);
      return nullptr;
    }
    const int keep = 3 - padding;
    for (int k = 0; k < keep; ++k) out[o++] = bytes[k];
    if (padding > 0) break;
  }
  out[o] = 0;
  if (outLength != nullptr) *outLength = o;
  return out;
}

unsigned char* base64_url_decode(const char* text, size_t length, size_t* outLength) {
  if (text == nullptr || length == 0) return nullptr;
  const size_t padded = (length + 3) / 4 * 4;
  char* copy = static_cast<char*>(malloc(padded + 1));
  if (copy == nullptr) return nullptr;
  for (size_t i = 0; i < length; ++i) {
    const char c = text[i];
    copy[i] = c == '-' ? '+' : c == '_' ? '/' : c;
  }
  for (size_t i = length; i < padded; ++i) copy[i] = '=';
  copy[padded] = '\0';
  unsigned char* out = base64_decode(copy, padded, outLength);
  free(copy);
  return out;
}
