#pragma once
// Fixed-width unsigned fields of file headers in either byte order (LE: little-endian, BE: big-endian).

#include <cstdint>

inline void putLE16(unsigned char* p, unsigned v) {
  p[0] = static_cast<unsigned char>(v & 0xff);
  p[1] = static_cast<unsigned char>((v >> 8) & 0xff);
}
inline void putLE32(unsigned char* p, uint32_t v) {
  putLE16(p, v & 0xffff);
  putLE16(p + 2, v >> 16);
}
inline unsigned getLE16(const unsigned char* p) {
  return p[0] | (p[1] << 8);
}
inline uint32_t getLE32(const unsigned char* p) {
  return static_cast<uint32_t>(getLE16(p)) | (static_cast<uint32_t>(getLE16(p + 2)) << 16);
}

inline void putBE16(unsigned char* p, unsigned v) {
  p[0] = static_cast<unsigned char>((v >> 8) & 0xff);
  p[1] = static_cast<unsigned char>(v & 0xff);
}
inline void putBE32(unsigned char* p, uint32_t v) {
  putBE16(p, v >> 16);
  putBE16(p + 2, v & 0xffff);
}
inline unsigned getBE16(const unsigned char* p) {
  return (p[0] << 8) | p[1];
}
inline uint32_t getBE32(const unsigned char* p) {
  return (static_cast<uint32_t>(getBE16(p)) << 16) | static_cast<uint32_t>(getBE16(p + 2));
}
