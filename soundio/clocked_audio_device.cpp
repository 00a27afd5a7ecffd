#include "soundio/clocked_audio_device.h"

#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "common/zr_logging.h"
#include "platform/thread_name.h"

namespace {

uint32_t readLe32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}
uint16_t readLe16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Reads a PCM (16, 24, 32-bit) or float WAV into interleaved floats with `channels` channels (extra channels
// dropped, missing ones silent). False for anything else.
bool readWavAsFloat(const std::string& path, int channels, std::vector<float>& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  std::vector<unsigned char> bytes;
  unsigned char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4))
    return false;
  int format = 0, fileChannels = 0, bits = 0;
  size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    const uint32_t size = readLe32(&bytes[pos + 4]);
    const size_t body = pos + 8;
    const size_t available = std::min<size_t>(size, bytes.size() - body);
    if (std::memcmp(&bytes[pos], "fmt ", 4) == 0 && available >= 16) {
      format = readLe16(&bytes[body]);
      fileChannels = readLe16(&bytes[body + 2]);
      bits = readLe16(&bytes[body + 14]);
      if (format == 0xFFFE && available >= 26) format = readLe16(&bytes[body + 24]);
    } else if (std::memcmp(&bytes[pos], "data", 4) == 0 && fileChannels > 0) {
      const bool pcm = format == 1 && (bits == 16 || bits == 24 || bits == 32);
      const bool flt = format == 3 && bits == 32;
      if (!pcm && !flt) return false;
      const int bytesPerSample = bits / 8;
      const size_t frames = available / (static_cast<size_t>(bytesPerSample) * fileChannels);
      out.assign(frames * channels, 0.0f);
      for (size_t fr = 0; fr < frames; ++fr) {
        for (int c = 0; c < std::min(channels, fileChannels); ++c) {
          const unsigned char* s = &bytes[body + (fr * fileChannels + c) * bytesPerSample];
          float v;
          if (flt) {
            uint32_t u = readLe32(s);
            std::memcpy(&v, &u, 4);
          } else if (bits == 16) {
            v = static_cast<int16_t>(readLe16(s)) / 32768.0f;
          } else if (bits == 24) {
            const int32_t x = static_cast<int32_t>((s[0] << 8) | (s[1] << 16) | (uint32_t(s[2]) << 24)) >> 8;
            v = x / 8388608.0f;
          } else {
            v = static_cast<int32_t>(readLe32(s)) / 2147483648.0f;
          }
          out[fr * channels + c] = v;
        }
      }
      return true;
    }
    pos = body + size + (size & 1);
  }
  return false;
}

void putLe32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void putLe16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

void wavHeader(unsigned char h[44], int channels, int rate, uint32_t dataBytes) {
  std::memcpy(h, "RIFF", 4);
  putLe32(h + 4, 36 + dataBytes);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  putLe32(h + 16, 16);
  putLe16(h + 20, 3);
  putLe16(h + 22, static_cast<uint16_t>(channels));
  putLe32(h + 24, static_cast<uint32_t>(rate));
  putLe32(h + 28, static_cast<uint32_t>(rate * channels * 4));
  putLe16(h + 32, static_cast<uint16_t>(channels * 4));
  putLe16(h + 34, 32);
  std::memcpy(h + 36, "data", 4);
  putLe32(h + 40, dataBytes);
}

// Absolute deadlines: a late wake-up shortens the next wait instead of making the clock drift.
void sleepUntil(const timespec& deadline) {
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) != 0) {
  }
}

void addNanoseconds(timespec& t, long long ns) {
  long long total = t.tv_nsec + ns;
  t.tv_sec += total / 1000000000LL;
  t.tv_nsec = total % 1000000000LL;
}

long long diffNanoseconds(const timespec& a, const timespec& b) {
  return (a.tv_sec - b.tv_sec) * 1000000000LL + (a.tv_nsec - b.tv_nsec);
}

class ClockedStream : public ZRAudioBackendStream {
 public:
  ClockedStream(ZRAudioStreamProc proc, void* client) : proc_(proc), client_(client) {}
  ~ClockedStream() override {
    stop();
    closeOutputFile();
  }

  bool open(const TCAdevice& row, int bufferFrames) {
    rate_ = row.defaultRate;
    bufferFrames_ = bufferFrames;
    inputChannels_ = row.inputChannels;
    outputChannels_ = row.outputChannels;
    input_.assign(static_cast<size_t>(bufferFrames) * std::max(1, inputChannels_), 0.0f);
    output_.assign(static_cast<size_t>(bufferFrames) * outputChannels_, 0.0f);
    if (row.kind != ZRAudioDeviceKind::File) return true;
    const ZRBuiltInAudioDevices settings = getBuiltInAudioDevices();
    if (!settings.fileInputPath.empty() && inputChannels_ > 0 &&
        !readWavAsFloat(settings.fileInputPath, inputChannels_, fileInput_)) {
      ZRLOG("warning: file device input '%s' can not be read, the input is silent",
            settings.fileInputPath.c_str());
    }
    file_ = std::fopen(settings.fileOutputPath.c_str(), "wb");
    if (file_ == nullptr) {
      ZRLOG("error: file device output '%s' can not be created", settings.fileOutputPath.c_str());
      return false;
    }
    unsigned char h[44];
    wavHeader(h, outputChannels_, static_cast<int>(rate_), 0);
    std::fwrite(h, 1, 44, file_);
    return true;
  }

  bool start() override {
    if (running_.load()) return true;
    running_.store(true);
    thread_ = std::thread([this] { run(); });
    return true;
  }

  void stop() override {
    running_.store(false);
    if (thread_.joinable()) thread_.join();
  }

 private:
  void run() {
    platformSetCurrentThreadName(file_ != nullptr ? "fileAudioDevice" : "nullAudioDevice");
    const long long period = static_cast<long long>(1e9 * bufferFrames_ / rate_);
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    while (running_.load(std::memory_order_relaxed)) {
      fillInput();
      proc_(inputChannels_ > 0 ? input_.data() : nullptr, output_.data(), bufferFrames_, client_);
      if (file_ != nullptr) {
        dataBytes_ += static_cast<uint32_t>(std::fwrite(output_.data(), 4, output_.size(), file_) * 4);
      }
      addNanoseconds(deadline, period);
      timespec now;
      clock_gettime(CLOCK_MONOTONIC, &now);
      // After a long stall (debugger, suspended machine) start the clock afresh instead of racing to catch
      // up.
      if (diffNanoseconds(now, deadline) > 8 * period) deadline = now;
      sleepUntil(deadline);
    }
  }

  void fillInput() {
    if (inputChannels_ <= 0) return;
    const size_t want = input_.size();
    const size_t have = filePos_ < fileInput_.size() ? std::min(want, fileInput_.size() - filePos_) : 0;
    if (have > 0) std::memcpy(input_.data(), fileInput_.data() + filePos_, have * sizeof(float));
    std::fill(input_.begin() + have, input_.end(), 0.0f);
    filePos_ += have;
  }

  void closeOutputFile() {
    if (file_ == nullptr) return;
    unsigned char h[44];
    wavHeader(h, outputChannels_, static_cast<int>(rate_), dataBytes_);
    std::fseek(file_, 0, SEEK_SET);
    std::fwrite(h, 1, 44, file_);
    std::fclose(file_);
    file_ = nullptr;
  }

  ZRAudioStreamProc proc_;
  void* client_;
  std::vector<float> input_, output_, fileInput_;
  size_t filePos_ = 0;
  FILE* file_ = nullptr;
  uint32_t dataBytes_ = 0;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<ZRAudioBackendStream> openClockedAudioStream(const TCAdevice& row, int bufferFrames,
                                                             ZRAudioStreamProc proc, void* client) {
  auto stream = std::make_unique<ClockedStream>(proc, client);
  if (!stream->open(row, bufferFrames)) return nullptr;
  return stream;
}
