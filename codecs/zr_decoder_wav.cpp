#include "codecs/zr_decoder_wav.h"

#include <algorithm>
#include <cstring>

#include "common/zr_files.h"

namespace {

void putLE16(unsigned char* p, unsigned v) {
  p[0] = static_cast<unsigned char>(v & 0xff);
  p[1] = static_cast<unsigned char>((v >> 8) & 0xff);
}
void putLE32(unsigned char* p, uint32_t v) {
  putLE16(p, v & 0xffff);
  putLE16(p + 2, v >> 16);
}
unsigned getLE16(const unsigned char* p) {
  return p[0] | (p[1] << 8);
}
uint32_t getLE32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool writeLE32At(FILE* f, long offset, uint32_t v) {
  unsigned char b[4];
  putLE32(b, v);
  return fseek(f, offset, SEEK_SET) == 0 && fwrite(b, 1, 4, f) == 4;
}

int bytesPerFrameOf(int channels, int bits) {
  return channels * ((bits + 7) / 8);
}

}  // namespace

ZRDecoderWav::ZRDecoderWav(int id) : ZRCodecBase(id) {}

ZRDecoderWav::~ZRDecoderWav() {
  close();
}

bool ZRDecoderWav::open(OpenStruct* request) {
  if (!request || opened_) return false;
  if (!request->path.endsWithNoCase("wav")) return false;
  return request->writeMode ? openWriter(request) : openReader(request);
}

bool ZRDecoderWav::openWriter(OpenStruct* request) {
  const TDSPAudioFormat& f = request->format;
  const int bits = f.bitsPerSample2;
  if (f.channels < 1 || bits < 8 || f.sampleRate < 1) return false;
  FILE* file = OpenFileFromZRString(request->path, "wb");
  if (!file) return false;
  format_ = f;
  bytesPerFrame_ = bytesPerFrameOf(f.channels, bits);
  unsigned char h[44];
  std::memcpy(h, "RIFF", 4);
  putLE32(h + 4, 44);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  putLE32(h + 16, 16);
  putLE16(h + 20, bits == 32 ? 3 : 1);
  putLE16(h + 22, static_cast<unsigned>(f.channels));
  putLE32(h + 24, static_cast<uint32_t>(f.sampleRate));
  putLE32(h + 28, static_cast<uint32_t>(bytesPerFrame_) * static_cast<uint32_t>(f.sampleRate));
  putLE16(h + 32, static_cast<unsigned>(bytesPerFrame_));
  putLE16(h + 34, static_cast<unsigned>(bits));
  std::memcpy(h + 36, "data", 4);
  putLE32(h + 40, 0);
  // Flushed at once, so that the file is a valid (empty) recording even before the first samples.
  if (fwrite(h, 1, sizeof h, file) != sizeof h || fflush(file) != 0) {
    fclose(file);
    std::remove(request->path.utf8().c_str());
    bytesPerFrame_ = 1;
    return false;
  }
  writeFile_ = file;
  writer_ = true;
  sampleRate_ = f.sampleRate;
  dataStart_ = 44;
  dataBytesWritten_ = 0;
  framesCounted_ = 0;
  opened_ = true;
  return true;
}

bool ZRDecoderWav::openReader(OpenStruct* request) {
  FILE* file = OpenFileFromZRString(request->path, "rb");
  if (!file) return false;
  unsigned char h[36];
  const bool headerOk = fread(h, 1, sizeof h, file) == sizeof h && std::memcmp(h, "RIFF", 4) == 0 &&
                        std::memcmp(h + 8, "WAVE", 4) == 0 && std::memcmp(h + 12, "fmt ", 4) == 0 &&
                        getLE32(h + 16) == 16 && (getLE16(h + 20) == 1 || getLE16(h + 20) == 3);
  const int channels = headerOk ? static_cast<int>(getLE16(h + 22)) : 0;
  const int rate = headerOk ? static_cast<int>(getLE32(h + 24)) : 0;
  const int bits = headerOk ? static_cast<int>(getLE16(h + 34)) : 0;
  if (!headerOk || channels < 1 || bits < 8 || rate < 1) {
    fclose(file);
    return false;
  }
  // Walk the chunks behind the format block up to "data". Chunks of odd size are followed by a pad
  // byte, as RIFF requires.
  long offset = 36;
  uint32_t dataSize = 0;
  bool found = false;
  for (;;) {
    unsigned char c[8];
    if (fseek(file, offset, SEEK_SET) != 0 || fread(c, 1, 8, file) != 8) break;
    const uint32_t size = getLE32(c + 4);
    if (std::memcmp(c, "data", 4) == 0) {
      dataSize = size;
      found = true;
      offset += 8;
      break;
    }
    offset += 8 + static_cast<long>(size) + (size & 1);
  }
  if (!found || offset > 0x7fffffffL) {
    fclose(file);
    return false;
  }
  const int bpf = bytesPerFrameOf(channels, bits);
  // A data size beyond the file's end (a recording never closed, or a cut file) counts what is there.
  fseek(file, 0, SEEK_END);
  const long fileSize = ftell(file);
  if (fileSize >= offset) dataSize = std::min<uint32_t>(dataSize, static_cast<uint32_t>(fileSize - offset));
  dataSize = std::min<uint32_t>(dataSize, 0x7fffffffu);
  if (fseek(file, offset, SEEK_SET) != 0) {
    fclose(file);
    return false;
  }
  readFile_ = file;
  writer_ = false;
  sampleRate_ = rate;
  bytesPerFrame_ = bpf;
  dataStart_ = static_cast<int>(offset);
  dataFrames_ = static_cast<int>(dataSize / static_cast<uint32_t>(bpf));
  readPosition_ = 0;
  framesCounted_ = 0;
  format_ = TDSPAudioFormat{rate, channels, bits, bits, 0, dataFrames_};
  request->format = format_;
  opened_ = true;
  return true;
}

int ZRDecoderWav::getSamples(char* dst, int frames, int pos) {
  if (!opened_ || writer_ || !readFile_ || !dst || frames <= 0) return 0;
  if (pos != -1) {
    if (pos < 0) return 0;
    readPosition_ = pos;
    if (fseek(readFile_, dataStart_ + static_cast<long>(pos) * bytesPerFrame_, SEEK_SET) != 0) return 0;
  }
  // Chunks behind the data (tags, cue lists) are not samples.
  const int available = std::max(0, dataFrames_ - readPosition_);
  const int want = std::min(frames, available);
  if (want == 0) return 0;
  const size_t got = fread(dst, 1, static_cast<size_t>(want) * bytesPerFrame_, readFile_);
  const int whole = static_cast<int>(got / static_cast<size_t>(bytesPerFrame_));
  readPosition_ += whole;
  framesCounted_ += whole;
  return whole;
}

int ZRDecoderWav::putSamples(const char* src, int frames) {
  if (!opened_ || !writer_ || !writeFile_ || !src || frames <= 0) return 0;
  const size_t put = fwrite(src, 1, static_cast<size_t>(frames) * bytesPerFrame_, writeFile_);
  const int whole = static_cast<int>(put / static_cast<size_t>(bytesPerFrame_));
  framesCounted_ += whole;
  dataBytesWritten_ += whole * bytesPerFrame_;
  return whole;
}

float ZRDecoderWav::getSeconds() {
  if (!opened_ || sampleRate_ <= 0) return 0.0f;
  const int frames = writer_ ? framesCounted_ : format_.totalFrames;
  return static_cast<float>(frames) / static_cast<float>(sampleRate_);
}

void ZRDecoderWav::close() {
  if (writeFile_) {
    writeLE32At(writeFile_, 4, static_cast<uint32_t>(dataBytesWritten_) + 36);
    writeLE32At(writeFile_, 40, static_cast<uint32_t>(dataBytesWritten_));
    fclose(writeFile_);
    writeFile_ = nullptr;
  }
  if (readFile_) {
    fclose(readFile_);
    readFile_ = nullptr;
  }
  opened_ = false;
  writer_ = false;
  bytesPerFrame_ = 1;
  framesCounted_ = 0;
  dataBytesWritten_ = 0;
  readPosition_ = 0;
  dataFrames_ = 0;
}
