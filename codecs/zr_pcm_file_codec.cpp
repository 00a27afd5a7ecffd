#include "codecs/zr_pcm_file_codec.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "common/zr_files.h"

namespace {

int bytesPerFrameOf(int channels, int bits) {
  return channels * ((bits + 7) / 8);
}

}  // namespace

ZRPcmFileCodec::ZRPcmFileCodec(int id) : ZRCodecBase(id) {}

ZRPcmFileCodec::~ZRPcmFileCodec() {
  if (file_) fclose(file_);
}

bool ZRPcmFileCodec::writeFieldAt(FILE* file, long offset, const unsigned char bytes[4]) {
  return fseek(file, offset, SEEK_SET) == 0 && fwrite(bytes, 1, 4, file) == 4;
}

bool ZRPcmFileCodec::open(OpenStruct* request) {
  if (!request || opened_) return false;
  if (!acceptsName(request->path)) return false;
  return request->writeMode ? openWriter(request) : openReader(request);
}

bool ZRPcmFileCodec::openWriter(OpenStruct* request) {
  const TDSPAudioFormat& f = request->format;
  const int bits = f.bitsPerSample2;
  if (f.channels < 1 || bits < 8 || f.sampleRate < 1) return false;
  FILE* file = OpenFileFromZRString(request->path, "wb");
  if (!file) return false;
  const int bytesPerFrame = bytesPerFrameOf(f.channels, bits);
  unsigned char header[kMaxHeaderBytes] = {};
  const int headerBytes = makeHeader(f, bytesPerFrame, header);
  // Without a buffer the header is on disk at once (the file is a valid, empty recording before the
  // first samples), and every later write reports what the file took rather than what was buffered.
  if (setvbuf(file, nullptr, _IONBF, 0) != 0 ||
      fwrite(header, 1, static_cast<size_t>(headerBytes), file) != static_cast<size_t>(headerBytes)) {
    fclose(file);
    std::remove(request->path.utf8().c_str());
    return false;
  }
  file_ = file;
  writer_ = true;
  writeFailed_ = false;
  format_ = f;
  bytesPerFrame_ = bytesPerFrame;
  sampleRate_ = f.sampleRate;
  dataStart_ = headerBytes;
  framesCounted_ = 0;
  opened_ = true;
  return true;
}

bool ZRPcmFileCodec::openReader(OpenStruct* request) {
  FILE* file = OpenFileFromZRString(request->path, "rb");
  if (!file) return false;
  TDSPAudioFormat f;
  long start = 0;
  uint32_t dataBytes = 0;
  bool ok = parseHeader(file, &f, &start, &dataBytes) && f.channels >= 1 && f.bitsPerSample2 >= 8 &&
            start >= 0 && start <= 0x7fffffffL;
  if (ok) {
    // Sample data claimed beyond the file's end (a recording never closed, a cut file) counts what is
    // there.
    fseek(file, 0, SEEK_END);
    const long fileSize = ftell(file);
    if (fileSize >= start) dataBytes = std::min<uint32_t>(dataBytes, static_cast<uint32_t>(fileSize - start));
    dataBytes = std::min<uint32_t>(dataBytes, 0x7fffffffu);
    ok = fseek(file, start, SEEK_SET) == 0;
  }
  if (!ok) {
    fclose(file);
    return false;
  }
  file_ = file;
  writer_ = false;
  sampleRate_ = f.sampleRate;
  bytesPerFrame_ = bytesPerFrameOf(f.channels, f.bitsPerSample2);
  dataStart_ = start;
  dataFrames_ = static_cast<int>(dataBytes / static_cast<uint32_t>(bytesPerFrame_));
  readPosition_ = 0;
  framesCounted_ = 0;
  format_ = TDSPAudioFormat{f.sampleRate, f.channels, f.bitsPerSample2, f.bitsPerSample2, 0, dataFrames_};
  request->format = format_;
  opened_ = true;
  return true;
}

int ZRPcmFileCodec::getSamples(char* dst, int frames, int pos) {
  if (!opened_ || writer_ || !dst || frames <= 0) return 0;
  if (pos != -1) {
    if (pos < 0) return 0;
    readPosition_ = pos;
    if (fseek(file_, dataStart_ + static_cast<long>(pos) * bytesPerFrame_, SEEK_SET) != 0) return 0;
  }
  // Chunks behind the sample data (tags, cue lists) are not samples.
  const int want = std::min(frames, std::max(0, dataFrames_ - readPosition_));
  if (want == 0) return 0;
  const size_t got = fread(dst, 1, static_cast<size_t>(want) * bytesPerFrame_, file_);
  const int whole = static_cast<int>(got / static_cast<size_t>(bytesPerFrame_));
  readPosition_ += whole;
  framesCounted_ += whole;
  return whole;
}

int ZRPcmFileCodec::putSamples(const char* src, int frames) {
  if (!opened_ || !writer_ || writeFailed_ || !src || frames <= 0) return 0;
  const size_t bytes = static_cast<size_t>(frames) * static_cast<size_t>(bytesPerFrame_);
  const size_t put = fwrite(src, 1, bytes, file_);
  int whole = frames;
  if (put != bytes) {
    // The file cannot grow (full disk, size limit): it keeps the frames it took, and the recording ends.
    writeFailed_ = true;
    const long long held =
        static_cast<long long>(framesCounted_) + static_cast<long long>(put / bytesPerFrame_);
    whole = static_cast<int>(std::clamp<long long>(framesInFile(held) - framesCounted_, 0, frames));
  }
  framesCounted_ += whole;
  return whole;
}

int ZRPcmFileCodec::framesInFile(long long counted) {
  const int fd = fileno(file_);
  struct stat st;
  // A regular file says itself how much it holds; for anything else the writes' own count stands.
  if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return static_cast<int>(counted);
  const long long bytes = std::max<long long>(0, static_cast<long long>(st.st_size) - dataStart_);
  const long long frames = std::min<long long>(bytes / bytesPerFrame_, INT_MAX);
  // A partial frame at the end would be read as the start of a following chunk.
  if (frames * bytesPerFrame_ != bytes &&
      ftruncate(fd, static_cast<off_t>(dataStart_ + frames * bytesPerFrame_)) != 0) {
    // Left in place it lies outside the sizes patched at close, so readers still stop before it.
  }
  return static_cast<int>(frames);
}

float ZRPcmFileCodec::getSeconds() {
  if (!opened_ || sampleRate_ <= 0) return 0.0f;
  const int frames = (writer_ || readerCountsTimeRead()) ? framesCounted_ : format_.totalFrames;
  return static_cast<float>(frames) / static_cast<float>(sampleRate_);
}

void ZRPcmFileCodec::close() {
  if (file_) {
    if (writer_) {
      const uint32_t frames = static_cast<uint32_t>(framesCounted_);
      patchSizes(file_, frames, frames * static_cast<uint32_t>(bytesPerFrame_));
    }
    fclose(file_);
    file_ = nullptr;
  }
  opened_ = false;
  writer_ = false;
  writeFailed_ = false;
  bytesPerFrame_ = 1;
  framesCounted_ = 0;
  readPosition_ = 0;
  dataFrames_ = 0;
}
