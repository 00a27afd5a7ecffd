#pragma once
// Byte-string helpers shared across the system: trimming, replacing,
// upper-casing, time texts for displays and turning file URLs into paths.
// They check null pointers only; output buffers must be large enough.

#include <string>

#include "common/zr_string.h"

// Copies src to dst without leading and trailing white space (the current
// locale's white-space test); dst may be src.
void trim_copy(char* src, char* dst);
void trim_inplace(char* text);

// Frees *target (with free) and sets it to an own malloc'ed copy of text
// (null stays null); nothing when target is null.
void modifyCString(char** target, const char* text);

// Every occurrence of from replaced by to, left to right, going on after each
// inserted to (so a to that contains from is not replaced again); an empty
// from changes nothing.
std::string replaceAll(std::string text, const std::string& from, const std::string& to);

// Upper-cases each ASCII byte in place; null is ignored.
void str_uppercase(char* text);

// "0%d" below 10, "%d" otherwise.
void convert_2digits(int value, char* out);

// "mm:ss.t" of a sample count: with u = samples / (rate / 100) in integers,
// minutes u / 6000, seconds u / 100 - minutes x 60, tenths (u mod 100) / 10.
// The fallback (or "") when rate is below 100 or samples < minSamples.
// Nothing when out is null.
void convert_sample_time_to_digits(int samples, int rate, char* out, const char* fallback, int minSamples);

// The local path of a file URL: "file://localhost/..." and "file:///..." keep
// the path from its leading '/', "http://..." stays as it is, any other text
// is decoded whole; "%xx" becomes the byte of the two hexadecimal digits and a
// '%' near the end without two bytes after it is dropped. path is empty for a
// url of 6 UTF-16 units or fewer.
void convertURLToLocalFile(const ZRString& url, ZRString& path);
