#include "soundio/manual_audio_device.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "common/zr_logging.h"
#include "soundio/audio_backend.h"

namespace {

class ManualStream;
// Guards the open device and its started state; a pump holds it for its whole run, so stop() returns only
// once no procedure call is running. Only the pumping thread (a test) ever waits on it.
std::mutex manualMutex;
ManualStream* openManual = nullptr;

class ManualStream : public ZRAudioBackendStream {
 public:
  ManualStream(ZRAudioStreamProc proc, void* client) : proc_(proc), client_(client) {}
  ~ManualStream() override {
    std::lock_guard<std::mutex> guard(manualMutex);
    started_ = false;
    if (openManual == this) openManual = nullptr;
  }

  bool open(const TCAdevice& row, int bufferFrames) {
    std::lock_guard<std::mutex> guard(manualMutex);
    if (openManual != nullptr) {
      ZRLOG("error: the manual pump device is already open");
      return false;
    }
    const ZRBuiltInAudioDevices settings = getBuiltInAudioDevices();
    rate_ = row.defaultRate;
    bufferFrames_ = bufferFrames;
    inputChannels_ = settings.manualOpensInput ? row.inputChannels : 0;
    outputChannels_ = settings.manualOpenedOutputChannels > 0
                          ? std::min(row.outputChannels, settings.manualOpenedOutputChannels)
                          : row.outputChannels;
    input_.assign(static_cast<size_t>(bufferFrames) * std::max(1, inputChannels_), 0.0f);
    output_.assign(static_cast<size_t>(bufferFrames) * outputChannels_, 0.0f);
    openManual = this;
    return true;
  }

  bool start() override {
    std::lock_guard<std::mutex> guard(manualMutex);
    started_ = true;
    return true;
  }
  void stop() override {
    std::lock_guard<std::mutex> guard(manualMutex);
    started_ = false;
  }
  // Buffers run on whichever thread pumps them.
  bool ownsCallbackThread() const override { return false; }

  // Caller holds manualMutex.
  bool pump(int frames, const float* input, float* output) {
    if (!started_) return false;
    for (int done = 0; done < frames;) {
      const int n = std::min(bufferFrames_, frames - done);
      if (inputChannels_ > 0) {
        std::fill(input_.begin(), input_.end(), 0.0f);
        if (input != nullptr) {
          std::memcpy(input_.data(), input + static_cast<size_t>(done) * inputChannels_,
                      sizeof(float) * n * inputChannels_);
        }
      }
      proc_(inputChannels_ > 0 ? input_.data() : nullptr, output_.data(), n, client_);
      if (output != nullptr) {
        std::memcpy(output + static_cast<size_t>(done) * outputChannels_, output_.data(),
                    sizeof(float) * n * outputChannels_);
      }
      done += n;
    }
    return true;
  }

 private:
  ZRAudioStreamProc proc_;
  void* client_;
  std::vector<float> input_, output_;
  bool started_ = false;
};

}  // namespace

bool pumpManualAudioDevice(int frames, const float* input, float* output) {
  std::lock_guard<std::mutex> guard(manualMutex);
  if (openManual == nullptr || frames < 0) return false;
  return openManual->pump(frames, input, output);
}

bool getManualAudioDeviceFormat(double& rate, int& bufferFrames, int& inputChannels, int& outputChannels) {
  std::lock_guard<std::mutex> guard(manualMutex);
  if (openManual == nullptr) return false;
  rate = openManual->rate();
  bufferFrames = openManual->bufferFrames();
  inputChannels = openManual->inputChannels();
  outputChannels = openManual->outputChannels();
  return true;
}

std::unique_ptr<ZRAudioBackendStream> openManualAudioStream(const TCAdevice& row, int bufferFrames,
                                                            ZRAudioStreamProc proc, void* client) {
  auto stream = std::make_unique<ManualStream>(proc, client);
  if (!stream->open(row, bufferFrames)) return nullptr;
  return stream;
}
