#include "codecs/zr_decoder_wav.h"

#include <cstring>

#include "codecs/zr_byte_fields.h"

namespace {

constexpr int kHeaderBytes = 44;

}  // namespace

ZRDecoderWav::ZRDecoderWav(int id) : ZRPcmFileCodec(id) {}

ZRDecoderWav::~ZRDecoderWav() {
  close();
}

bool ZRDecoderWav::acceptsName(const ZRString& path) const {
  return path.endsWithNoCase("wav");
}

int ZRDecoderWav::makeHeader(const TDSPAudioFormat& f, int bytesPerFrame, unsigned char* h) const {
  const int bits = f.bitsPerSample2;
  std::memcpy(h, "RIFF", 4);
  putLE32(h + 4, kHeaderBytes);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  putLE32(h + 16, 16);
  putLE16(h + 20, bits == 32 ? 3 : 1);
  putLE16(h + 22, static_cast<unsigned>(f.channels));
  putLE32(h + 24, static_cast<uint32_t>(f.sampleRate));
  putLE32(h + 28, static_cast<uint32_t>(bytesPerFrame) * static_cast<uint32_t>(f.sampleRate));
  putLE16(h + 32, static_cast<unsigned>(bytesPerFrame));
  putLE16(h + 34, static_cast<unsigned>(bits));
  std::memcpy(h + 36, "data", 4);
  putLE32(h + 40, 0);
  return kHeaderBytes;
}

bool ZRDecoderWav::parseHeader(FILE* file, TDSPAudioFormat* format, long* dataStart,
                               uint32_t* dataBytes) const {
  unsigned char h[36];
  const bool headerOk = fread(h, 1, sizeof h, file) == sizeof h && std::memcmp(h, "RIFF", 4) == 0 &&
                        std::memcmp(h + 8, "WAVE", 4) == 0 && std::memcmp(h + 12, "fmt ", 4) == 0 &&
                        getLE32(h + 16) == 16 && (getLE16(h + 20) == 1 || getLE16(h + 20) == 3);
  if (!headerOk) return false;
  const int channels = static_cast<int>(getLE16(h + 22));
  const int rate = static_cast<int>(getLE32(h + 24));
  const int bits = static_cast<int>(getLE16(h + 34));
  if (channels < 1 || bits < 8 || rate < 1) return false;
  // Walk the chunks behind the format block up to "data". Chunks of odd size are followed by a pad
  // byte, as RIFF requires.
  long offset = 36;
  for (;;) {
    unsigned char c[8];
    if (fseek(file, offset, SEEK_SET) != 0 || fread(c, 1, 8, file) != 8) return false;
    const uint32_t size = getLE32(c + 4);
    if (std::memcmp(c, "data", 4) == 0) {
      *format = TDSPAudioFormat{rate, channels, bits, bits, 0, 0};
      *dataStart = offset + 8;
      *dataBytes = size;
      return true;
    }
    offset += 8 + static_cast<long>(size) + (size & 1);
  }
}

void ZRDecoderWav::patchSizes(FILE* file, uint32_t, uint32_t dataBytes) const {
  unsigned char b[4];
  putLE32(b, dataBytes + (kHeaderBytes - 8));
  writeFieldAt(file, 4, b);
  putLE32(b, dataBytes);
  writeFieldAt(file, 40, b);
}
