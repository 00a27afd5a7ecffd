#include "common/zr_cstring_utils.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/zr_value_codecs.h"

void trim_copy(char* src, char* dst) {
  if (src == nullptr || dst == nullptr) return;
  const char* start = src;
  while (*start != '\0' && std::isspace(static_cast<unsigned char>(*start))) ++start;
  size_t length = std::strlen(start);
  while (length > 0 && std::isspace(static_cast<unsigned char>(start[length - 1]))) --length;
  std::memmove(dst, start, length);
  dst[length] = '\0';
}

void trim_inplace(char* text) {
  trim_copy(text, text);
}

void modifyCString(char** target, const char* text) {
  if (target == nullptr) return;
  std::free(*target);
  *target = nullptr;
  if (text != nullptr) {
    const size_t size = std::strlen(text) + 1;
    *target = static_cast<char*>(std::malloc(size));
    if (*target != nullptr) std::memcpy(*target, text, size);
  }
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  size_t position = 0;
  while ((position = text.find(from, position)) != std::string::npos) {
    text.replace(position, from.size(), to);
    position += to.size();
  }
  return text;
}

void str_uppercase(char* text) {
  if (text == nullptr) return;
  for (; *text != '\0'; ++text) {
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
  }
}

void convert_2digits(int value, char* out) {
  if (out == nullptr) return;
  std::sprintf(out, value < 10 ? "0%d" : "%d", value);
}

void convert_sample_time_to_digits(int samples, int rate, char* out, const char* fallback, int minSamples) {
  if (out == nullptr) return;
  // A rate below 100 would make the divisor 0.
  if (rate < 100 || samples < minSamples) {
    std::strcpy(out, fallback != nullptr ? fallback : "");
    return;
  }
  const int u = samples / (rate / 100);
  const int minutes = u / 6000;
  const int seconds = u / 100 - minutes * 60;
  const int tenths = (u % 100) / 10;
  std::sprintf(out, "%02d:%02d.%d", minutes, seconds, tenths);
}

void convertURLToLocalFile(const ZRString& url, ZRString& path) {
  path = ZRString();
  if (url.len() <= 6) return;
  const std::string text = url.utf8();
  size_t start = 0;
  if (text.rfind("file://localhost/", 0) == 0) {
    start = 16;
  } else if (text.rfind("file:///", 0) == 0) {
    start = 7;
  } else if (text.rfind("http://", 0) == 0) {
    path = url;
    return;
  }
  std::string decoded;
  decoded.reserve(text.size() - start);
  for (size_t i = start; i < text.size(); ++i) {
    if (text[i] != '%') {
      decoded.push_back(text[i]);
    } else if (i + 2 < text.size()) {
      decoded.push_back(static_cast<char>(hex2int(text[i + 1]) * 16 + hex2int(text[i + 2])));
      i += 2;
    }
  }
  path = ZRString(decoded);
}
