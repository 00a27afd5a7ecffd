#pragma once
// Cutting UTF-8 text to a byte limit without splitting a character: a cut
// inside a multi-byte sequence would leave invalid UTF-8 behind, which the
// XML parser rejects the next time the text is read back.

#include <cstddef>

// The length of the longest prefix of text[0, length) that holds at most
// maxBytes bytes and does not end inside a UTF-8 sequence. Text that is not
// valid UTF-8 is cut at maxBytes.
inline size_t utf8CutLength(const char* text, size_t length, size_t maxBytes) {
  if (text == nullptr) return 0;
  if (length <= maxBytes) return length;
  size_t n = maxBytes;
  // text[n] is the first byte left out; while it continues a sequence, the
  // sequence started before the cut and has to go as a whole.
  for (int back = 0; back < 4 && n > 0; ++back) {
    if ((static_cast<unsigned char>(text[n]) & 0xC0) != 0x80) return n;
    --n;
  }
  if ((static_cast<unsigned char>(text[n]) & 0xC0) != 0x80) return n;
  return maxBytes;
}
