#include "codecs/zr_decoder_aiff.h"

#include <algorithm>
#include <cstring>

#include "common/zr_files.h"
#include "dsp/sample_formats.h"

namespace {

void putBE16(unsigned char* p, unsigned v) {
  p[0] = static_cast<unsigned char>((v >> 8) & 0xff);
  p[1] = static_cast<unsigned char>(v & 0xff);
}
void putBE32(unsigned char* p, uint32_t v) {
  putBE16(p, v >> 16);
  putBE16(p + 2, v & 0xffff);
}
unsigned getBE16(const unsigned char* p) {
  return (p[0] << 8) | p[1];
}
uint32_t getBE32(const unsigned char* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

bool writeBE32At(FILE* f, long offset, uint32_t v) {
  unsigned char b[4];
  putBE32(b, v);
  return fseek(f, offset, SEEK_SET) == 0 && fwrite(b, 1, 4, f) == 4;
}

int bytesPerFrameOf(int channels, int bits) {
  return channels * ((bits + 7) / 8);
}

constexpr int kHeaderBytes = 54;
constexpr int kMaxChunks = 100;

}  // namespace

ZRDecoderAiff::ZRDecoderAiff(int id) : ZRCodecBase(id) {}

ZRDecoderAiff::~ZRDecoderAiff() {
  close();
}

bool ZRDecoderAiff::open(OpenStruct* request) {
  if (!request || opened_) return false;
  if (!request->path.endsWithNoCase("aif") && !request->path.endsWithNoCase("aiff")) return false;
  return request->writeMode ? openWriter(request) : openReader(request);
}

bool ZRDecoderAiff::openWriter(OpenStruct* request) {
  const TDSPAudioFormat& f = request->format;
  const int bits = f.bitsPerSample2;
  if (f.channels < 1 || bits < 8 || f.sampleRate < 1) return false;
  FILE* file = OpenFileFromZRString(request->path, "wb");
  if (!file) return false;
  format_ = f;
  bytesPerFrame_ = bytesPerFrameOf(f.channels, bits);
  unsigned char h[kHeaderBytes] = {};
  std::memcpy(h, "FORM", 4);
  // The size of what follows the FORM header for a file without samples yet.
  putBE32(h + 4, kHeaderBytes - 8);
  std::memcpy(h + 8, "AIFFCOMM", 8);
  putBE32(h + 16, 18);
  putBE16(h + 20, static_cast<unsigned>(f.channels));
  // COMM counts sample frames (not samples): the expected length until close writes the true one.
  putBE32(h + 22, static_cast<uint32_t>(std::max(0, f.totalFrames)));
  putBE16(h + 26, static_cast<unsigned>(bits));
  double_to_ieee_80(static_cast<double>(f.sampleRate), h + 28);
  std::memcpy(h + 38, "SSND", 4);
  putBE32(h + 42, 0);
  putBE32(h + 46, 0);
  putBE32(h + 50, 0);
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
  dataStart_ = kHeaderBytes;
  framesCounted_ = 0;
  framesWritten_ = 0;
  opened_ = true;
  return true;
}

bool ZRDecoderAiff::openReader(OpenStruct* request) {
  FILE* file = OpenFileFromZRString(request->path, "rb");
  if (!file) return false;
  unsigned char h[12];
  if (fread(h, 1, sizeof h, file) != sizeof h || std::memcmp(h, "FORM", 4) != 0 ||
      std::memcmp(h + 8, "AIFF", 4) != 0) {
    fclose(file);
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
      rate = static_cast<int>(ieee_80_to_double(comm + 8));
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
  const bool formatOk = haveComm && haveSound && channels >= 1 && rate > 11024 && rate <= 96000 &&
                        bits >= 16 && bits <= 32 && soundStart <= 0x7fffffffL;
  if (!formatOk) {
    fclose(file);
    return false;
  }
  // Sound data claimed beyond the file's end (a recording never closed, a cut file) counts what is there.
  fseek(file, 0, SEEK_END);
  const long fileSize = ftell(file);
  if (fileSize >= soundStart)
    soundBytes = std::min<uint32_t>(soundBytes, static_cast<uint32_t>(fileSize - soundStart));
  soundBytes = std::min<uint32_t>(soundBytes, 0x7fffffffu);
  if (fseek(file, soundStart, SEEK_SET) != 0) {
    fclose(file);
    return false;
  }
  readFile_ = file;
  writer_ = false;
  headerRate_ = rate;
  sampleRate_ = rate;
  bytesPerFrame_ = bytesPerFrameOf(channels, bits);
  dataStart_ = static_cast<int>(soundStart);
  dataFrames_ = static_cast<int>(soundBytes / static_cast<uint32_t>(bytesPerFrame_));
  readPosition_ = 0;
  framesCounted_ = 0;
  format_ = TDSPAudioFormat{rate, channels, bits, bits, 0, dataFrames_};
  request->format = format_;
  opened_ = true;
  return true;
}

int ZRDecoderAiff::getSamples(char* dst, int frames, int pos) {
  if (!opened_ || writer_ || !readFile_ || !dst || frames <= 0) return 0;
  if (pos != -1) {
    if (pos < 0) return 0;
    readPosition_ = pos;
    if (fseek(readFile_, dataStart_ + static_cast<long>(pos) * bytesPerFrame_, SEEK_SET) != 0) return 0;
  }
  const int want = std::min(frames, std::max(0, dataFrames_ - readPosition_));
  if (want == 0) return 0;
  const size_t got = fread(dst, 1, static_cast<size_t>(want) * bytesPerFrame_, readFile_);
  const int whole = static_cast<int>(got / static_cast<size_t>(bytesPerFrame_));
  readPosition_ += whole;
  framesCounted_ += whole;
  return whole;
}

int ZRDecoderAiff::putSamples(const char* src, int frames) {
  if (!opened_ || !writer_ || !writeFile_ || !src || frames <= 0) return 0;
  const size_t put = fwrite(src, 1, static_cast<size_t>(frames) * bytesPerFrame_, writeFile_);
  const int whole = static_cast<int>(put / static_cast<size_t>(bytesPerFrame_));
  framesCounted_ += whole;
  framesWritten_ += whole;
  return whole;
}

float ZRDecoderAiff::getSeconds() {
  if (!opened_ || sampleRate_ <= 0) return 0.0f;
  const int frames = writer_ ? framesCounted_ : format_.totalFrames;
  return static_cast<float>(frames) / static_cast<float>(sampleRate_);
}

void ZRDecoderAiff::close() {
  if (writeFile_) {
    const uint32_t dataBytes = static_cast<uint32_t>(framesWritten_) * static_cast<uint32_t>(bytesPerFrame_);
    writeBE32At(writeFile_, 4, dataBytes + 46);
    writeBE32At(writeFile_, 22, static_cast<uint32_t>(framesWritten_));
    writeBE32At(writeFile_, 42, dataBytes + 8);
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
  framesWritten_ = 0;
  readPosition_ = 0;
  dataFrames_ = 0;
  headerRate_ = 0;
}
