#pragma once
// Byte-order reversal and the sample conversions of the file formats:
// packed 24-bit samples and the 80-bit extended float of AIFF headers.

// A packed 24-bit sample; byte 0 is the least significant.
struct myInt24 {
  unsigned char b[3];
};

void ReverseEndian(myInt24& value);
void ReverseEndian(short& value);
void ReverseEndian(unsigned int& value);
void ReverseEndian(int& value);

// Reverses count samples in place: bits 32, 24 (packed 3-byte) or 16; any
// other bit count leaves the buffer unchanged.
void ReverseEndianInplace(char* buffer, int count, int bits);

// The sign-extended value times 2^-23, so full scale maps to -1..1.
float Int24ToFloat(myInt24 value);

// Big-endian 80-bit IEEE extended float (10 bytes) to double and back.
double ieee_80_to_double(const unsigned char* p);
void double_to_ieee_80(double x, unsigned char* p);
