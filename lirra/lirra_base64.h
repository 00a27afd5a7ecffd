#pragma once
// base64 and base64url of the catalogue's request framing. Encoding uses the standard alphabet ("A"-"Z",
// "a"-"z", "0"-"9", "+", "/") with "=" padding and no line breaks; base64url swaps "+" and "/" for "-"
// and "_" and drops the padding. Decoding is tolerant the way the service expects: characters outside
// the alphabet are skipped, "=" counts as a zero-valued character, and the first group holding padding
// ends the data.
//
// Every function returns a new buffer from malloc (freed by the caller with free) and its length through
// outLength; null (and outLength untouched) when the input is not valid or memory runs out. Encoded texts
// are NUL-terminated; the length does not count the terminator. Decoded bytes carry one NUL byte past
// their length so a decoded text can be read as a C string.
//
// Threads: any; no shared state.

#include <cstddef>

// The standard alphabet, and the number of padding characters base64url drops for an input length of
// 0, 1 or 2 modulo 3.
extern const char base64_table[65];
extern const int mod_table[3];

char* base64_encode(const unsigned char* data, size_t length, size_t* outLength);
char* base64_url_encode(const unsigned char* data, size_t length, size_t* outLength);
unsigned char* base64_decode(const char* text, size_t length, size_t* outLength);
unsigned char* base64_url_decode(const char* text, size_t length, size_t* outLength);
