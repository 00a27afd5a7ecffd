#include "common/zr_deflate64_decoder.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr unsigned kWindowSize = 65536;
constexpr unsigned kMaxBits = 15;
constexpr unsigned kMaxRootBits = 9;
constexpr unsigned kLensCapacity = 1444;
constexpr unsigned kDistsCapacity = 1024;
constexpr unsigned kCodesCapacity = 128;

// Length symbols 257..285 and distance symbols 0..31.
const unsigned short kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                        31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3};
const unsigned char kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
const unsigned short kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                      49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                      2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
const unsigned char kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                      7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
const unsigned char kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

struct Inflate9State {
  unsigned char* window = nullptr;
  unsigned wnext = 0;    // bytes of the window in use; free = kWindowSize - wnext
  bool wrapped = false;  // the window was filled (and written out) once in this stream
  bool last = false;
  ZRInflate9Code fixedLens[512];
  ZRInflate9Code fixedDists[32];
  unsigned short lens[320];
  unsigned short work[320];
  ZRInflate9Code codes[kCodesCapacity];
  ZRInflate9Code lenTable[kLensCapacity];
  ZRInflate9Code distTable[kDistsCapacity];
};

unsigned reverseBits(unsigned code, unsigned len) {
  unsigned r = 0;
  for (unsigned i = 0; i < len; ++i) {
    r = (r << 1) | (code & 1);
    code >>= 1;
  }
  return r;
}

// What a symbol decodes to in a table of the given type.
ZRInflate9Code symbolEntry(ZRInflate9CodeType type, unsigned sym) {
  ZRInflate9Code c;
  if (type == kInflate9Codes) {
    c.kind = ZRInflate9Code::kLiteral;
    c.value = static_cast<unsigned short>(sym);
  } else if (type == kInflate9Lens) {
    if (sym < 256) {
      c.kind = ZRInflate9Code::kLiteral;
      c.value = static_cast<unsigned short>(sym);
    } else if (sym == 256) {
      c.kind = ZRInflate9Code::kEndOfBlock;
    } else if (sym <= 285) {
      c.kind = ZRInflate9Code::kBase;
      c.value = kLengthBase[sym - 257];
      c.extra = kLengthExtra[sym - 257];
    }
  } else if (sym < 32) {
    c.kind = ZRInflate9Code::kBase;
    c.value = kDistBase[sym];
    c.extra = kDistExtra[sym];
  }
  return c;
}

// Bit reader over the caller's input function; bytes are pulled one at a time, only when needed, so
// that after the last code of a stream fewer than 8 bits remain and the rest is handed back.
struct BitInput {
  in_func in;
  void* desc;
  z_const unsigned char* next;
  unsigned have;
  uint64_t hold = 0;
  unsigned bits = 0;

  bool pullByte() {
    if (have == 0) {
      have = in(desc, &next);
      if (have == 0) {
        next = Z_NULL;
        return false;
      }
    }
    hold |= static_cast<uint64_t>(*next++) << bits;
    bits += 8;
    --have;
    return true;
  }
  bool need(unsigned n) {
    while (bits < n) {
      if (!pullByte()) return false;
    }
    return true;
  }
  unsigned peek(unsigned n) const { return static_cast<unsigned>(hold & ((uint64_t{1} << n) - 1)); }
  void drop(unsigned n) {
    hold >>= n;
    bits -= n;
  }
};

enum class Step { kOk, kNoInput, kData };

// Decodes one symbol through a two-level table.
Step decodeSymbol(BitInput& input, const ZRInflate9Code* table, unsigned rootBits, ZRInflate9Code* out) {
  ZRInflate9Code here;
  for (;;) {
    here = table[input.peek(rootBits)];
    if (here.bits <= input.bits) break;
    if (!input.pullByte()) return Step::kNoInput;
  }
  if (here.kind == ZRInflate9Code::kLink) {
    const unsigned rootUsed = here.bits;
    const ZRInflate9Code* sub = table + here.value;
    const unsigned subBits = here.extra;
    ZRInflate9Code leaf;
    for (;;) {
      leaf = sub[static_cast<unsigned>(input.hold >> rootUsed) & ((1u << subBits) - 1)];
      if (rootUsed + leaf.bits <= input.bits) break;
      if (!input.pullByte()) return Step::kNoInput;
    }
    input.drop(rootUsed);
    here = leaf;
  }
  input.drop(here.bits);
  *out = here;
  return Step::kOk;
}

void buildFixedTables(Inflate9State* s) {
  unsigned short lens[288];
  unsigned short work[288];
  unsigned sym = 0;
  while (sym < 144) lens[sym++] = 8;
  while (sym < 256) lens[sym++] = 9;
  while (sym < 280) lens[sym++] = 7;
  while (sym < 288) lens[sym++] = 8;
  unsigned bits = 9;
  inflate_table9(kInflate9Lens, lens, 288, s->fixedLens, 512, &bits, work);
  for (sym = 0; sym < 32; ++sym) lens[sym] = 5;
  bits = 5;
  inflate_table9(kInflate9Dists, lens, 32, s->fixedDists, 32, &bits, work);
}

}  // namespace

int inflate_table9(ZRInflate9CodeType type, const unsigned short* lens, unsigned count, ZRInflate9Code* table,
                   unsigned capacity, unsigned* bits, unsigned short* work) {
  unsigned lengthCount[kMaxBits + 1] = {};
  for (unsigned sym = 0; sym < count; ++sym) {
    if (lens[sym] > kMaxBits) return -1;
    lengthCount[lens[sym]]++;
  }
  unsigned maxLen = kMaxBits;
  while (maxLen >= 1 && lengthCount[maxLen] == 0) --maxLen;
  unsigned root = *bits;
  if (root > maxLen) root = maxLen;
  if (maxLen == 0) {
    // No codes at all: every lookup is an invalid code.
    root = *bits > 0 ? *bits : 1;
    if (root > kMaxRootBits || (1u << root) > capacity) return -1;
    ZRInflate9Code invalid;
    invalid.bits = 1;
    for (unsigned i = 0; i < (1u << root); ++i) table[i] = invalid;
    *bits = root;
    return 0;
  }
  unsigned minLen = 1;
  while (minLen < maxLen && lengthCount[minLen] == 0) ++minLen;
  if (root < minLen) root = minLen;
  if (root > kMaxRootBits) return -1;

  int left = 1;
  for (unsigned len = 1; len <= kMaxBits; ++len) {
    left <<= 1;
    left -= static_cast<int>(lengthCount[len]);
    if (left < 0) return -1;
  }
  if (left > 0 && (type == kInflate9Codes || maxLen != 1)) return -1;

  // Symbols sorted by length, then by symbol.
  unsigned offset[kMaxBits + 2] = {};
  for (unsigned len = 1; len < kMaxBits; ++len) offset[len + 1] = offset[len] + lengthCount[len];
  for (unsigned sym = 0; sym < count; ++sym) {
    if (lens[sym] != 0) work[offset[lens[sym]]++] = static_cast<unsigned short>(sym);
  }
  const unsigned coded = count - lengthCount[0];

  // First pass: the second-level size under every root prefix (the longest code below it).
  const unsigned rootSize = 1u << root;
  unsigned char subBits[1u << kMaxRootBits] = {};
  unsigned code = 0;
  unsigned prevLen = 0;
  for (unsigned i = 0; i < coded; ++i) {
    const unsigned len = lens[work[i]];
    if (i > 0) code = (code + 1) << (len - prevLen);
    prevLen = len;
    if (len > root) {
      const unsigned prefix = reverseBits(code, len) & (rootSize - 1);
      if (len - root > subBits[prefix]) subBits[prefix] = static_cast<unsigned char>(len - root);
    }
  }
  unsigned used = rootSize;
  unsigned short subOffset[1u << kMaxRootBits] = {};
  for (unsigned p = 0; p < rootSize; ++p) {
    if (subBits[p] == 0) continue;
    subOffset[p] = static_cast<unsigned short>(used);
    used += 1u << subBits[p];
  }
  if (used > capacity) return -1;

  ZRInflate9Code invalid;
  invalid.bits = 1;
  for (unsigned i = 0; i < used; ++i) table[i] = invalid;
  for (unsigned p = 0; p < rootSize; ++p) {
    if (subBits[p] == 0) continue;
    table[p].kind = ZRInflate9Code::kLink;
    table[p].bits = static_cast<unsigned char>(root);
    table[p].extra = subBits[p];
    table[p].value = subOffset[p];
    for (unsigned i = 0; i < (1u << subBits[p]); ++i) table[subOffset[p] + i].bits = 1;
  }

  // Second pass: fill the entries of every code.
  code = 0;
  prevLen = 0;
  for (unsigned i = 0; i < coded; ++i) {
    const unsigned len = lens[work[i]];
    if (i > 0) code = (code + 1) << (len - prevLen);
    prevLen = len;
    ZRInflate9Code entry = symbolEntry(type, work[i]);
    const unsigned rev = reverseBits(code, len);
    if (len <= root) {
      entry.bits = static_cast<unsigned char>(len);
      for (unsigned k = rev; k < rootSize; k += 1u << len) table[k] = entry;
    } else {
      const unsigned prefix = rev & (rootSize - 1);
      const unsigned sub = len - root;
      entry.bits = static_cast<unsigned char>(sub);
      ZRInflate9Code* subTable = table + subOffset[prefix];
      for (unsigned k = rev >> root; k < (1u << subBits[prefix]); k += 1u << sub) subTable[k] = entry;
    }
  }
  *bits = root;
  return 0;
}

int inflateBack9Init_(z_stream* strm, unsigned char* window, const char* version, int streamSize) {
  if (version == Z_NULL || version[0] != '1' || streamSize != static_cast<int>(sizeof(z_stream))) {
    return Z_VERSION_ERROR;
  }
  if (strm == Z_NULL || window == Z_NULL) return Z_STREAM_ERROR;
  strm->msg = Z_NULL;
  void* memory = strm->zalloc ? strm->zalloc(strm->opaque, 1, sizeof(Inflate9State))
                              : std::malloc(sizeof(Inflate9State));
  if (memory == Z_NULL) return Z_MEM_ERROR;
  auto* state = new (memory) Inflate9State();
  state->window = window;
  buildFixedTables(state);
  strm->state = reinterpret_cast<internal_state*>(state);
  return Z_OK;
}

int inflateBack9End(z_stream* strm) {
  if (strm == Z_NULL || strm->state == Z_NULL) return Z_STREAM_ERROR;
  auto* state = reinterpret_cast<Inflate9State*>(strm->state);
  state->~Inflate9State();
  if (strm->zfree) {
    strm->zfree(strm->opaque, state);
  } else {
    std::free(state);
  }
  strm->state = Z_NULL;
  return Z_OK;
}

namespace {

class Decoder {
 public:
  Decoder(z_stream* strm, Inflate9State* s, in_func in, void* inDesc, out_func out, void* outDesc)
      : strm_(strm),
        s_(s),
        input_{in, inDesc, strm->next_in, strm->next_in ? strm->avail_in : 0u},
        out_(out),
        outDesc_(outDesc) {}

  int run() {
    s_->wnext = 0;
    s_->wrapped = false;
    s_->last = false;
    int ret = Z_OK;
    while (ret == Z_OK && !s_->last) ret = block();
    if (ret == Z_OK) {
      if (s_->wnext > 0 && out_(outDesc_, s_->window, s_->wnext) != 0) {
        ret = Z_BUF_ERROR;
      } else {
        ret = Z_STREAM_END;
      }
    }
    // Hand back whole bytes that were pulled but not used (none after a complete stream).
    while (input_.bits >= 8 && input_.next != Z_NULL) {
      input_.drop(8);
      --input_.next;
      ++input_.have;
    }
    strm_->next_in = input_.next;
    strm_->avail_in = input_.next ? input_.have : 0;
    return ret;
  }

 private:
  int fail(const char* message) {
    strm_->msg = const_cast<char*>(message);
    return Z_DATA_ERROR;
  }

  bool putByte(unsigned char byte) {
    s_->window[s_->wnext++] = byte;
    if (s_->wnext == kWindowSize) {
      if (out_(outDesc_, s_->window, kWindowSize) != 0) return false;
      s_->wnext = 0;
      s_->wrapped = true;
    }
    return true;
  }

  int block() {
    if (!input_.need(3)) return Z_BUF_ERROR;
    s_->last = input_.peek(1) != 0;
    input_.drop(1);
    const unsigned type = input_.peek(2);
    input_.drop(2);
    switch (type) {
      case 0:
        return stored();
      case 1:
        return codes(s_->fixedLens, 9, s_->fixedDists, 5);
      case 2:
        return dynamic();
      default:
        return fail("invalid block type");
    }
  }

  int stored() {
    input_.drop(input_.bits & 7);
    if (!input_.need(32)) return Z_BUF_ERROR;
    const unsigned length = input_.peek(16);
    const unsigned check = static_cast<unsigned>(input_.hold >> 16) & 0xffff;
    if (length != (~check & 0xffff)) return fail("invalid stored block lengths");
    input_.drop(32);
    for (unsigned i = 0; i < length; ++i) {
      if (!input_.need(8)) return Z_BUF_ERROR;
      const auto byte = static_cast<unsigned char>(input_.peek(8));
      input_.drop(8);
      if (!putByte(byte)) return Z_BUF_ERROR;
    }
    return Z_OK;
  }

  int dynamic() {
    if (!input_.need(14)) return Z_BUF_ERROR;
    const unsigned nlen = input_.peek(5) + 257;
    input_.drop(5);
    const unsigned ndist = input_.peek(5) + 1;
    input_.drop(5);
    const unsigned ncode = input_.peek(4) + 4;
    input_.drop(4);
    if (nlen > 286) return fail("too many length symbols");
    unsigned short* lens = s_->lens;
    for (unsigned i = 0; i < 19; ++i) lens[kCodeLengthOrder[i]] = 0;
    for (unsigned i = 0; i < ncode; ++i) {
      if (!input_.need(3)) return Z_BUF_ERROR;
      lens[kCodeLengthOrder[i]] = static_cast<unsigned short>(input_.peek(3));
      input_.drop(3);
    }
    unsigned codeBits = 7;
    if (inflate_table9(kInflate9Codes, lens, 19, s_->codes, kCodesCapacity, &codeBits, s_->work) != 0) {
      return fail("invalid code lengths set");
    }
    unsigned have = 0;
    while (have < nlen + ndist) {
      ZRInflate9Code here;
      const Step step = decodeSymbol(input_, s_->codes, codeBits, &here);
      if (step == Step::kNoInput) return Z_BUF_ERROR;
      if (here.kind != ZRInflate9Code::kLiteral) return fail("invalid code lengths set");
      const unsigned sym = here.value;
      if (sym < 16) {
        lens[have++] = static_cast<unsigned short>(sym);
        continue;
      }
      unsigned repeat = 0;
      unsigned short value = 0;
      if (sym == 16) {
        if (have == 0) return fail("invalid bit length repeat");
        if (!input_.need(2)) return Z_BUF_ERROR;
        value = lens[have - 1];
        repeat = 3 + input_.peek(2);
        input_.drop(2);
      } else if (sym == 17) {
        if (!input_.need(3)) return Z_BUF_ERROR;
        repeat = 3 + input_.peek(3);
        input_.drop(3);
      } else {
        if (!input_.need(7)) return Z_BUF_ERROR;
        repeat = 11 + input_.peek(7);
        input_.drop(7);
      }
      if (have + repeat > nlen + ndist) return fail("invalid bit length repeat");
      while (repeat-- > 0) lens[have++] = value;
    }
    if (lens[256] == 0) return fail("invalid code -- missing end-of-block");
    unsigned lenBits = 9;
    if (inflate_table9(kInflate9Lens, lens, nlen, s_->lenTable, kLensCapacity, &lenBits, s_->work) != 0) {
      return fail("invalid literal/lengths set");
    }
    unsigned distBits = 6;
    if (inflate_table9(kInflate9Dists, lens + nlen, ndist, s_->distTable, kDistsCapacity, &distBits,
                       s_->work) != 0) {
      return fail("invalid distances set");
    }
    return codes(s_->lenTable, lenBits, s_->distTable, distBits);
  }

  int codes(const ZRInflate9Code* lenTable, unsigned lenBits, const ZRInflate9Code* distTable,
            unsigned distBits) {
    for (;;) {
      ZRInflate9Code here;
      if (decodeSymbol(input_, lenTable, lenBits, &here) == Step::kNoInput) return Z_BUF_ERROR;
      if (here.kind == ZRInflate9Code::kLiteral) {
        if (!putByte(static_cast<unsigned char>(here.value))) return Z_BUF_ERROR;
        continue;
      }
      if (here.kind == ZRInflate9Code::kEndOfBlock) return Z_OK;
      if (here.kind != ZRInflate9Code::kBase) return fail("invalid literal/length code");
      if (!input_.need(here.extra)) return Z_BUF_ERROR;
      const unsigned length = here.value + input_.peek(here.extra);
      input_.drop(here.extra);
      if (decodeSymbol(input_, distTable, distBits, &here) == Step::kNoInput) return Z_BUF_ERROR;
      if (here.kind != ZRInflate9Code::kBase) return fail("invalid distance code");
      if (!input_.need(here.extra)) return Z_BUF_ERROR;
      const unsigned distance = here.value + input_.peek(here.extra);
      input_.drop(here.extra);
      const unsigned produced = s_->wrapped ? kWindowSize : s_->wnext;
      if (distance > produced) return fail("invalid distance too far back");
      unsigned from = (s_->wnext + kWindowSize - distance) & (kWindowSize - 1);
      for (unsigned i = 0; i < length; ++i) {
        const unsigned char byte = s_->window[from];
        from = (from + 1) & (kWindowSize - 1);
        if (!putByte(byte)) return Z_BUF_ERROR;
      }
    }
  }

  z_stream* strm_;
  Inflate9State* s_;
  BitInput input_;
  out_func out_;
  void* outDesc_;
};

}  // namespace

int inflateBack9(z_stream* strm, in_func in, void* inDesc, out_func out, void* outDesc) {
  if (strm == Z_NULL || strm->state == Z_NULL || in == nullptr || out == nullptr) return Z_STREAM_ERROR;
  strm->msg = Z_NULL;
  Decoder decoder(strm, reinterpret_cast<Inflate9State*>(strm->state), in, inDesc, out, outDesc);
  return decoder.run();
}
