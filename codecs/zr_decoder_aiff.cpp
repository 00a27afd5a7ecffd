#include "codecs/zr_decoder_aiff.h"

#include <algorithm>
#include <cstring>

#include "codecs/zr_byte_fields.h"
#include "dsp/sample_formats.h"

namespace {

constexpr int kHeaderBytes = 54;
constexpr int kMaxChunks = 100;

}  // namespace

ZRDecoderAiff::ZRDecoderAiff(int id) : ZRPcmFileCodec(id) {}

ZRDecoderAiff::~ZRDecoderAiff() {
  close();
}

bool ZRDecoderAiff::acceptsName(const ZRString& path) const {
  return path.endsWithNoCase("aif") || path.endsWithNoCase("aiff");
}

int ZRDecoderAiff::makeHeader(const TDSPAudioFormat& f, int, unsigned char* h) const {
  std::memcpy(h, "FORM", 4);
  // The size of what follows the FORM header for a file without samples yet.
  putBE32(h + 4, kHeaderBytes - 8);
  std::memcpy(h + 8, "AIFFCOMM", 8);
  putBE32(h + 16, 18);
  putBE16(h + 20, static_cast<unsigned>(f.channels));
  // COMM counts sample frames (not samples): the expected length until close writes the true one.
  putBE32(h + 22, static_cast<uint32_t>(std::max(0, f.totalFrames)));
  putBE16(h + 26, static_cast<unsigned>(f.bitsPerSample2));
  double_to_ieee_80(static_cast<double>(f.sampleRate), h + 28);
  std::memcpy(h + 38, "SSND", 4);
  putBE32(h + 42, 0);
  putBE32(h + 46, 0);
  putBE32(h + 50, 0);
  return kHeaderBytes;
}

bool ZRDecoderAiff::parseHeader(FILE* file, TDSPAudioFormat* format, long* dataStart,
                                uint32_t* dataBytes) const {
  unsigned char h[12];
  if (fread(h, 1, sizeof h, file) != sizeof h || std::memcmp(h, "FORM", 4) != 0 ||
      std::memcmp(h + 8, "AIFF", 4) != 0) {
    return false;
  }
  bool haveComm = false;
  bool haveSound = false;
  int channels = 0;
  int bits = 0;
  int rate = 0;
  long soundStart = 0;
  uint32_t soundBytes = 0;
  long offset = 12;
  // COMM usually comes first, but AIFF allows it after SSND: look for both.
  for (int chunk = 0; chunk < kMaxChunks && !(haveComm && haveSound); ++chunk) {
    unsigned char c[8];
    if (fseek(file, offset, SEEK_SET) != 0 || fread(c, 1, 8, file) != 8) break;
    const uint32_t size = getBE32(c + 4);
    if (std::memcmp(c, "COMM", 4) == 0) {
      unsigned char comm[18];
      if (size != 18 || fread(comm, 1, 18, file) != 18) break;
      channels = static_cast<int>(getBE16(comm));
      bits = static_cast<int>(getBE16(comm + 6));
      // The rate is an 80-bit float from the file: NaN, infinity and values beyond an int are refused here,
      // before the conversion (which would be undefined for them).
      const double claimed = ieee_80_to_double(comm + 8);
      rate = claimed > 0.0 && claimed < 1e9 ? static_cast<int>(claimed) : 0;
      haveComm = true;
    } else if (std::memcmp(c, "SSND", 4) == 0) {
      unsigned char ssnd[8];
      if (size < 8 || fread(ssnd, 1, 8, file) != 8) break;
      const uint32_t dataOffset = getBE32(ssnd);
      if (dataOffset > size - 8) break;
      soundStart = offset + 16 + static_cast<long>(dataOffset);
      soundBytes = size - 8 - dataOffset;
      haveSound = true;
    }
    offset += 8 + static_cast<long>(size) + (size & 1);
  }
  if (!haveComm || !haveSound || channels < 1 || rate <= 11024 || rate > 96000 || bits < 16 || bits > 32) {
    return false;
  }
  *format = TDSPAudioFormat{rate, channels, bits, bits, 0, 0};
  *dataStart = soundStart;
  *dataBytes = soundBytes;
  return true;
}

void ZRDecoderAiff::patchSizes(FILE* file, uint32_t frames, uint32_t dataBytes) const {
  unsigned char b[4];
  putBE32(b, dataBytes + (kHeaderBytes - 8));
  writeFieldAt(file, 4, b);
  putBE32(b, frames);
  writeFieldAt(file, 22, b);
  putBE32(b, dataBytes + 8);
  writeFieldAt(file, 42, b);
}
