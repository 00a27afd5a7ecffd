#pragma once
// Deflate64 (zip method 9, "enhanced deflating") decoder in the call-back style of zlib's inflateBack.
// Deflate64 is deflate with a 64 KiB window, length code 285 carrying 16 extra bits (lengths 3 to
// 65538) and distance codes 30 and 31 (base 32769 and 49153, 14 extra bits each).
//
// The caller supplies an input function, an output function and a 65536-byte window; one call of
// inflateBack9 decodes one complete stream, first block to last. Input already present in the stream
// record (next_in / avail_in) is used first, and on return the record holds the input that was not
// used, so the caller can go on reading after the compressed stream. The window is handed to the
// output function whole (65536 bytes) each time it fills, and the rest at the end.
//
// One state serves any number of successive streams; each call starts afresh (no earlier output can
// be referred to). One thread at a time per state.

#include <zlib.h>

// Results are zlib's: Z_OK, Z_STREAM_END, Z_DATA_ERROR (message in strm->msg), Z_BUF_ERROR (input
// ended early or the output function failed), Z_STREAM_ERROR, Z_MEM_ERROR, Z_VERSION_ERROR.
int inflateBack9Init_(z_stream* strm, unsigned char* window, const char* version, int streamSize);
#define inflateBack9Init(strm, window) \
  inflateBack9Init_((strm), (window), ZLIB_VERSION, static_cast<int>(sizeof(z_stream)))
int inflateBack9(z_stream* strm, in_func in, void* inDesc, out_func out, void* outDesc);
int inflateBack9End(z_stream* strm);

// One entry of a two-level decoding table.
struct ZRInflate9Code {
  enum Kind : unsigned char { kLiteral, kBase, kEndOfBlock, kInvalid, kLink };
  unsigned char kind = kInvalid;
  unsigned char bits = 0;    // bits of input this entry consumes (in its level)
  unsigned char extra = 0;   // kBase: extra bits; kLink: index bits of the second-level table
  unsigned short value = 0;  // literal, base, or kLink: offset of the second-level table
};

enum ZRInflate9CodeType { kInflate9Codes = 0, kInflate9Lens = 1, kInflate9Dists = 2 };

// Builds the canonical Huffman decoding table of count code lengths into table (capacity entries).
// *bits: the wanted root bits in, the root bits used out. work: count shorts of scratch. 0 on success;
// non-zero for an over-subscribed or incomplete set (a length or distance set whose only code has
// length 1 is allowed) or when the table does not fit. A set without codes gives all invalid entries.
int inflate_table9(ZRInflate9CodeType type, const unsigned short* lens, unsigned count, ZRInflate9Code* table,
                   unsigned capacity, unsigned* bits, unsigned short* work);
