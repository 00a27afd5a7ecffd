#pragma once
// Numbers in files are always read and written with the C conventions ('.'
// as the decimal point), whatever locale the user or a library has set: a
// settings file written under one locale must read back the same under any
// other.

#include <string>

// The leading decimal number of text as atof reads it in the C locale
// (leading white space, sign, fraction, exponent, "inf", "nan"); 0 for null or
// when nothing can be read.
double atofC(const char* text);

// The leading decimal integer of text as atoi reads it, clamped to the int
// range instead of overflowing; 0 for null or when there is none.
int atoiC(const char* text);

// value in fixed notation with the given number of decimals and '.' as the
// decimal point ("0.5000" for 0.5 with 4 decimals).
std::string formatFixedC(double value, int decimals);
