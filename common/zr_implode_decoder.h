#pragma once
// Decoder of the PKWARE Data Compression Library's "implode" format (zip method 10, not the older
// zip method 6). One call of blast decodes one complete stream up to its end code, pulling input
// through inFn and handing output in pieces of up to 4096 bytes to outFn.
//
// Stream: byte 0 literal coding (0 plain 8-bit literals, 1 Huffman-coded literals), byte 1 dictionary
// size (4, 5 or 6 low distance bits: windows of 1024, 2048 or 4096 bytes), then a bit stream read
// from the least significant bit up. The three fixed Huffman codes are sent with inverted bits.
//
// The decoding tables are built on the first call in the process (thread-safe) and shared.

// Stores a pointer to the next input bytes in *buf and returns their count; 0: no more input.
using ZRBlastIn = unsigned (*)(void* how, unsigned char** buf);
// Takes len output bytes; returns 0 to go on, non-zero to stop.
using ZRBlastOut = int (*)(void* how, unsigned char* buf, unsigned len);

enum ZRBlastResult {
  kBlastOk = 0,
  kBlastOutputFailed = 1,
  kBlastInputEnded = 2,
  kBlastBadLiteralCoding = -1,
  kBlastBadDictionarySize = -2,
  kBlastDistanceTooFar = -3,
};

// left/in (both may be null): when *left is non-zero on entry the decoder starts with *left bytes at
// *in before calling inFn; on return they describe the input fetched but not used (*in null when
// none), so the caller can go on reading after the stream. Bytes produced before an error are still
// handed out (except when the output function itself failed).
int blast(ZRBlastIn inFn, void* inHow, ZRBlastOut outFn, void* outHow, unsigned* left, unsigned char** in);
