#pragma once
// Builds zip archives byte by byte for the extraction tests, with members of any method (the
// compressed bytes given or made here with zlib and libbz2), deferred lengths, encryption flags, Unix
// modes and extra fields, plus small encoders for the Deflate64 and implode formats.

#include <bzlib.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace orvel_test {

inline void putLe(std::string* s, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s->push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

inline uint32_t crcOf(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

inline std::string rawDeflate(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline std::string bzip2Compress(const std::string& data) {
  unsigned int size = static_cast<unsigned>(data.size() + data.size() / 100 + 1024);
  std::string out(size, '\0');
  BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(data.data()),
                           static_cast<unsigned>(data.size()), 9, 0, 30);
  out.resize(size);
  return out;
}

// Writes bits from the least significant end, as deflate and implode streams are read.
class BitWriter {
 public:
  void bits(uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bit((value >> i) & 1);
  }
  // A Huffman code, most significant bit first.
  void code(uint32_t value, int length) {
    for (int i = length - 1; i >= 0; --i) bit((value >> i) & 1);
  }
  void bit(uint32_t b) {
    if (count_ == 0) out_.push_back('\0');
    out_.back() = static_cast<char>(out_.back() | (b << count_));
    count_ = (count_ + 1) & 7;
  }
  void byteAlign() { count_ = 0; }
  void byte(unsigned char b) { out_.push_back(static_cast<char>(b)); }
  const std::string& bytes() const { return out_; }

 private:
  std::string out_;
  int count_ = 0;
};

// Deflate64 with the fixed tables: literals and explicit (length, distance) copies.
class Deflate64Writer {
 public:
  Deflate64Writer() {
    w_.bits(1, 1);  // last block
    w_.bits(1, 2);  // fixed tables
  }
  void literal(unsigned char c) { litLen(c); }
  void copy(unsigned length, unsigned distance) {
    static const unsigned base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3};
    static const int extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
    int sym = 28;
    if (length <= 258) {
      sym = 27;
      while (sym > 0 && base[sym] > length) --sym;
    }
    litLen(257 + static_cast<unsigned>(sym));
    w_.bits(length - base[sym], extra[sym]);
    static const unsigned dbase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                       49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                       2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
    int d = 31;
    while (d > 0 && dbase[d] > distance) --d;
    w_.code(static_cast<uint32_t>(d), 5);
    const int dextra = d < 4 ? 0 : (d / 2 - 1);
    w_.bits(distance - dbase[d], dextra);
  }
  std::string finish() {
    litLen(256);
    return w_.bytes();
  }
  // A simple greedy compressor over the whole input (matches found by a 3-byte hash).
  static std::string compress(const std::string& data) {
    Deflate64Writer w;
    std::vector<int> last(1 << 16, -1);
    size_t i = 0;
    while (i < data.size()) {
      unsigned bestLen = 0;
      unsigned bestDist = 0;
      if (i + 3 <= data.size()) {
        const unsigned h =
            (static_cast<unsigned char>(data[i]) * 2654435761u ^
             static_cast<unsigned char>(data[i + 1]) * 40503u ^ static_cast<unsigned char>(data[i + 2])) &
            0xffff;
        const int cand = last[h];
        last[h] = static_cast<int>(i);
        if (cand >= 0 && i - static_cast<size_t>(cand) <= 65536) {
          unsigned len = 0;
          while (i + len < data.size() && len < 65538 &&
                 data[static_cast<size_t>(cand) + len] == data[i + len])
            ++len;
          if (len >= 3) {
            bestLen = len;
            bestDist = static_cast<unsigned>(i - static_cast<size_t>(cand));
          }
        }
      }
      if (bestLen) {
        w.copy(bestLen, bestDist);
        i += bestLen;
      } else {
        w.literal(static_cast<unsigned char>(data[i]));
        ++i;
      }
    }
    return w.finish();
  }
  BitWriter& raw() { return w_; }

 private:
  void litLen(unsigned sym) {
    if (sym < 144) {
      w_.code(0x30 + sym, 8);
    } else if (sym < 256) {
      w_.code(0x190 + sym - 144, 9);
    } else if (sym < 280) {
      w_.code(sym - 256, 7);
    } else {
      w_.code(0xc0 + sym - 280, 8);
    }
  }
  BitWriter w_;
};

// Implode (PKWARE DCL) with plain literals: the fixed length and distance codes, sent inverted.
class ImplodeWriter {
 public:
  explicit ImplodeWriter(int dictionaryBits) : dict_(dictionaryBits) {
    buildCodes(kLengthRuns, sizeof kLengthRuns, lengthCode_, lengthLen_, 16);
    buildCodes(kDistanceRuns, sizeof kDistanceRuns, distCode_, distLen_, 64);
    w_.byte(0);
    w_.byte(static_cast<unsigned char>(dictionaryBits));
  }
  void literal(unsigned char c) {
    w_.bit(0);
    w_.bits(c, 8);
  }
  void copy(unsigned length, unsigned distance) {
    w_.bit(1);
    lengthSymbol(length);
    const int low = length == 2 ? 2 : dict_;
    const unsigned d = distance - 1;
    inverted(distCode_[d >> low], distLen_[d >> low]);
    w_.bits(d & ((1u << low) - 1), low);
  }
  std::string finish() {
    w_.bit(1);
    lengthSymbol(519);
    return w_.bytes();
  }
  // Greedy: repeats of the previous bytes within the dictionary, else literals.
  static std::string compress(const std::string& data, int dictionaryBits) {
    ImplodeWriter w(dictionaryBits);
    const size_t window = size_t{1} << (6 + dictionaryBits);
    size_t i = 0;
    while (i < data.size()) {
      unsigned bestLen = 0;
      unsigned bestDist = 0;
      for (size_t dist = 1; dist <= window && dist <= i && dist <= 64; ++dist) {
        unsigned len = 0;
        while (i + len < data.size() && len < 518 && data[i - dist + len] == data[i + len]) ++len;
        if (len > bestLen) {
          bestLen = len;
          bestDist = static_cast<unsigned>(dist);
        }
      }
      if (bestLen >= 3) {
        w.copy(bestLen, bestDist);
        i += bestLen;
      } else {
        w.literal(static_cast<unsigned char>(data[i]));
        ++i;
      }
    }
    return w.finish();
  }

 private:
  static constexpr unsigned char kLengthRuns[6] = {2, 35, 36, 53, 38, 23};
  static constexpr unsigned char kDistanceRuns[7] = {2, 20, 53, 230, 247, 151, 248};

  static void buildCodes(const unsigned char* runs, size_t n, uint32_t* codes, int* lens, int symbols) {
    int s = 0;
    for (size_t i = 0; i < n; ++i) {
      for (int r = 0; r <= (runs[i] >> 4); ++r) lens[s++] = runs[i] & 15;
    }
    uint32_t code = 0;
    for (int len = 1; len <= 13; ++len) {
      for (int sym = 0; sym < symbols; ++sym) {
        if (lens[sym] == len) codes[sym] = code++;
      }
      code <<= 1;
    }
  }
  void inverted(uint32_t code, int len) { w_.code(~code & ((1u << len) - 1), len); }
  void lengthSymbol(unsigned length) {
    static const unsigned base[16] = {3, 2, 4, 5, 6, 7, 8, 9, 10, 12, 16, 24, 40, 72, 136, 264};
    static const int extra[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    int sym = 0;
    for (int s = 0; s < 16; ++s) {
      if (length >= base[s] && length < base[s] + (1u << extra[s])) sym = s;
    }
    inverted(lengthCode_[sym], lengthLen_[sym]);
    w_.bits(length - base[sym], extra[sym]);
  }

  int dict_;
  BitWriter w_;
  uint32_t lengthCode_[16] = {};
  int lengthLen_[16] = {};
  uint32_t distCode_[64] = {};
  int distLen_[64] = {};
};

// Input callback state for the streaming decoders: hands out the data in pieces of `piece` bytes so
// that refills happen inside blocks.
struct ChunkSource {
  std::string data;
  size_t pos = 0;
  size_t piece = 5;
  static unsigned in(void* self, unsigned char** buf) {
    auto* s = static_cast<ChunkSource*>(self);
    const size_t n = std::min(s->piece, s->data.size() - s->pos);
    *buf = reinterpret_cast<unsigned char*>(s->data.data() + s->pos);
    s->pos += n;
    return static_cast<unsigned>(n);
  }
};

// Output callback state for the streaming decoders: collects the bytes and the length of every call.
struct CollectSink {
  std::string data;
  std::vector<unsigned> calls;
  static int out(void* self, unsigned char* buf, unsigned len) {
    auto* s = static_cast<CollectSink*>(self);
    s->data.append(reinterpret_cast<char*>(buf), len);
    s->calls.push_back(len);
    return 0;
  }
};

struct ZipMember {
  std::string name;
  std::string data;        // the uncompressed content
  unsigned method = 8;     // 0 stored, 8 deflate, 12 bzip2; others need compressed set
  std::string compressed;  // used when not empty (or when method is not 0, 8 or 12)
  bool encrypted = false;
  bool deferred = false;     // sizes and CRC in a data descriptor after the data
  unsigned madeBy = 0x0314;  // upper byte: creator system (0 MS-DOS, 3 Unix)
  uint32_t external = 0;
  std::string centralExtra;
  uint16_t dosTime = 0x6000;  // 12:00:00
  uint16_t dosDate = 0x5a21;  // 2025-01-01
};

inline std::string buildZip(const std::vector<ZipMember>& members, const std::string& tail = "") {
  std::string zip;
  std::string central;
  for (const ZipMember& m : members) {
    std::string packed = m.compressed;
    if (packed.empty()) {
      if (m.method == 8)
        packed = rawDeflate(m.data);
      else if (m.method == 12)
        packed = bzip2Compress(m.data);
      else if (m.method == 0)
        packed = m.data;
    }
    const uint32_t crc = crcOf(m.data);
    const uint64_t offset = zip.size();
    const unsigned flags = (m.encrypted ? 1u : 0u) | (m.deferred ? 8u : 0u);
    zip += "PK\x03\x04";
    putLe(&zip, 20, 2);
    putLe(&zip, flags, 2);
    putLe(&zip, m.method, 2);
    putLe(&zip, m.dosTime, 2);
    putLe(&zip, m.dosDate, 2);
    putLe(&zip, m.deferred ? 0 : crc, 4);
    putLe(&zip, m.deferred ? 0 : packed.size(), 4);
    putLe(&zip, m.deferred ? 0 : m.data.size(), 4);
    putLe(&zip, m.name.size(), 2);
    putLe(&zip, 0, 2);
    zip += m.name;
    zip += packed;
    if (m.deferred) {
      zip += "PK\x07\x08";
      putLe(&zip, crc, 4);
      putLe(&zip, packed.size(), 4);
      putLe(&zip, m.data.size(), 4);
    }
    central += "PK\x01\x02";
    putLe(&central, m.madeBy, 2);
    putLe(&central, 20, 2);
    putLe(&central, flags, 2);
    putLe(&central, m.method, 2);
    putLe(&central, m.dosTime, 2);
    putLe(&central, m.dosDate, 2);
    putLe(&central, crc, 4);
    putLe(&central, packed.size(), 4);
    putLe(&central, m.data.size(), 4);
    putLe(&central, m.name.size(), 2);
    putLe(&central, m.centralExtra.size(), 2);
    putLe(&central, 0, 2);  // comment
    putLe(&central, 0, 2);  // disk
    putLe(&central, 0, 2);  // internal attributes
    putLe(&central, m.external, 4);
    putLe(&central, offset, 4);
    central += m.name;
    central += m.centralExtra;
  }
  const uint64_t centralOffset = zip.size();
  zip += central;
  zip += "PK\x05\x06";
  putLe(&zip, 0, 4);
  putLe(&zip, members.size(), 2);
  putLe(&zip, members.size(), 2);
  putLe(&zip, central.size(), 4);
  putLe(&zip, centralOffset, 4);
  putLe(&zip, 0, 2);
  return zip + tail;
}

}  // namespace orvel_test
