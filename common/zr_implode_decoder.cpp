#include "common/zr_implode_decoder.h"

namespace {

constexpr int kMaxBits = 13;
constexpr unsigned kWindowSize = 4096;
constexpr int kEndLength = 519;

// A canonical Huffman code: how many codes of each length and the symbols in code order.
struct HuffmanTable {
  short count[kMaxBits + 1];
  short symbol[256];
};

struct Tables {
  HuffmanTable literal;
  HuffmanTable length;
  HuffmanTable distance;
};

// Code lengths in run form: each byte holds (repeat - 1) in its high nibble and a length in its low.
const unsigned char kLiteralRuns[] = {
    11, 124, 8,  7,  28, 7,  188, 13,  76,  4,   10,  8,   12, 10, 12, 10, 8,  23, 8,  9,  7,  6,  7,  8,  7,
    6,  55,  8,  23, 24, 12, 11,  7,   9,   11,  12,  6,   7,  22, 5,  7,  24, 6,  11, 9,  6,  7,  22, 7,  11,
    38, 7,   9,  8,  25, 11, 8,   11,  9,   12,  8,   12,  5,  38, 5,  38, 5,  11, 7,  5,  6,  21, 6,  10, 53,
    8,  7,   24, 10, 27, 44, 253, 253, 253, 252, 252, 252, 13, 12, 45, 12, 45, 12, 61, 12, 45, 44, 173};
const unsigned char kLengthRuns[] = {2, 35, 36, 53, 38, 23};
const unsigned char kDistanceRuns[] = {2, 20, 53, 230, 247, 151, 248};

const short kLengthBase[16] = {3, 2, 4, 5, 6, 7, 8, 9, 10, 12, 16, 24, 40, 72, 136, 264};
const char kLengthExtra[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};

void construct(HuffmanTable* table, const unsigned char* runs, int runCount) {
  short lengths[256];
  int symbols = 0;
  for (int i = 0; i < runCount; ++i) {
    int repeat = (runs[i] >> 4) + 1;
    const short len = runs[i] & 15;
    while (repeat-- > 0 && symbols < 256) lengths[symbols++] = len;
  }
  for (short& c : table->count) c = 0;
  for (int s = 0; s < symbols; ++s) table->count[lengths[s]]++;
  short offset[kMaxBits + 1];
  offset[1] = 0;
  for (int len = 1; len < kMaxBits; ++len)
    offset[len + 1] = static_cast<short>(offset[len] + table->count[len]);
  for (int s = 0; s < symbols; ++s) {
    if (lengths[s] != 0) table->symbol[offset[lengths[s]]++] = static_cast<short>(s);
  }
}

const Tables& tables() {
  static const Tables built = [] {
    Tables t{};
    construct(&t.literal, kLiteralRuns, sizeof kLiteralRuns);
    construct(&t.length, kLengthRuns, sizeof kLengthRuns);
    construct(&t.distance, kDistanceRuns, sizeof kDistanceRuns);
    return t;
  }();
  return built;
}

class Blaster {
 public:
  Blaster(ZRBlastIn inFn, void* inHow, ZRBlastOut outFn, void* outHow, unsigned left, unsigned char* in)
      : inFn_(inFn), inHow_(inHow), in_(in), left_(left), outFn_(outFn), outHow_(outHow) {}

  int run() {
    const int result = decodeStream();
    if (result != kBlastOutputFailed && next_ > 0) {
      if (outFn_(outHow_, window_, next_) != 0 && result == kBlastOk) return kBlastOutputFailed;
    }
    return result;
  }

  unsigned left() const { return left_; }
  unsigned char* in() const { return left_ ? in_ : nullptr; }

 private:
  // The next count bits, least significant first; sets inputEnded_ when the input runs out.
  int bits(int count) {
    int value = bitBuf_;
    while (bitCount_ < count) {
      if (left_ == 0) {
        left_ = inFn_(inHow_, &in_);
        if (left_ == 0) {
          inputEnded_ = true;
          return 0;
        }
      }
      value |= static_cast<int>(*in_++) << bitCount_;
      --left_;
      bitCount_ += 8;
    }
    bitBuf_ = value >> count;
    bitCount_ -= count;
    return value & ((1 << count) - 1);
  }

  // One symbol, matching one inverted bit at a time against the counts per length.
  int decode(const HuffmanTable& table) {
    int code = 0;
    int first = 0;
    int index = 0;
    for (int len = 1; len <= kMaxBits; ++len) {
      code |= bits(1) ^ 1;
      if (inputEnded_) return 0;
      const int count = table.count[len];
      if (code < first + count) return table.symbol[index + (code - first)];
      index += count;
      first += count;
      first <<= 1;
      code <<= 1;
    }
    return -1;  // cannot happen with the complete fixed codes
  }

  bool put(unsigned char byte) {
    window_[next_++] = byte;
    if (next_ == kWindowSize) {
      if (outFn_(outHow_, window_, next_) != 0) return false;
      next_ = 0;
      firstWindow_ = false;
    }
    return true;
  }

  int decodeStream() {
    const Tables& t = tables();
    const int literalCoding = bits(8);
    if (inputEnded_) return kBlastInputEnded;
    if (literalCoding > 1) return kBlastBadLiteralCoding;
    const int dictionary = bits(8);
    if (inputEnded_) return kBlastInputEnded;
    if (dictionary < 4 || dictionary > 6) return kBlastBadDictionarySize;
    for (;;) {
      const int isCopy = bits(1);
      if (inputEnded_) return kBlastInputEnded;
      if (isCopy) {
        const int symbol = decode(t.length);
        if (inputEnded_ || symbol < 0) return kBlastInputEnded;
        const int length = kLengthBase[symbol] + bits(kLengthExtra[symbol]);
        if (inputEnded_) return kBlastInputEnded;
        if (length == kEndLength) return kBlastOk;
        const int lowBits = length == 2 ? 2 : dictionary;
        int distance = decode(t.distance) << lowBits;
        if (inputEnded_) return kBlastInputEnded;
        distance += bits(lowBits);
        if (inputEnded_) return kBlastInputEnded;
        distance += 1;
        if (firstWindow_ && static_cast<unsigned>(distance) > next_) return kBlastDistanceTooFar;
        unsigned from = (next_ + kWindowSize - static_cast<unsigned>(distance)) % kWindowSize;
        for (int i = 0; i < length; ++i) {
          const unsigned char byte = window_[from];
          from = (from + 1) % kWindowSize;
          if (!put(byte)) return kBlastOutputFailed;
        }
      } else {
        const int symbol = literalCoding ? decode(t.literal) : bits(8);
        if (inputEnded_) return kBlastInputEnded;
        if (!put(static_cast<unsigned char>(symbol))) return kBlastOutputFailed;
      }
    }
  }

  ZRBlastIn inFn_;
  void* inHow_;
  unsigned char* in_;
  unsigned left_;
  int bitBuf_ = 0;
  int bitCount_ = 0;
  bool inputEnded_ = false;
  ZRBlastOut outFn_;
  void* outHow_;
  unsigned char window_[kWindowSize];
  unsigned next_ = 0;
  bool firstWindow_ = true;
};

}  // namespace

int blast(ZRBlastIn inFn, void* inHow, ZRBlastOut outFn, void* outHow, unsigned* left, unsigned char** in) {
  const unsigned startLeft = (left != nullptr && in != nullptr) ? *left : 0;
  Blaster blaster(inFn, inHow, outFn, outHow, startLeft, startLeft ? *in : nullptr);
  const int result = blaster.run();
  if (left != nullptr) *left = blaster.left();
  if (in != nullptr) *in = blaster.in();
  return result;
}
