#include "soundio/portaudio_backend.h"

#include <alsa/asoundlib.h>
#include <portaudio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <mutex>

#include "common/zr_logging.h"
#include "soundio/audio_backend.h"

namespace {

// ALSA reports every probe of an unusable device on stderr; the failures reach us as error codes anyway.
void quietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

std::mutex sessionMutex;
int sessionUsers = 0;

constexpr double kRates[6] = {22050, 44100, 48000, 88200, 96000, 192000};

PaHostApiIndex alsaHostApi() {
  return Pa_HostApiTypeIdToHostApiIndex(paALSA);
}

char* copyText(const char* text) {
  const size_t n = std::strlen(text);
  char* out = new char[n + 1];
  std::memcpy(out, text, n + 1);
  return out;
}

class PortAudioStream : public ZRAudioBackendStream {
 public:
  PortAudioStream(ZRAudioStreamProc proc, void* client) : proc_(proc), client_(client) {}
  ~PortAudioStream() override {
    stop();
    if (stream_ != nullptr) Pa_CloseStream(stream_);
    audioSystemRelease();
  }

  bool open(const TCAdevice& row, int bufferFrames) {
    const PaDeviceIndex index = static_cast<PaDeviceIndex>(row.deviceId);
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (info == nullptr) return false;
    PaStreamParameters out{};
    out.device = index;
    out.channelCount = row.outputChannels;
    out.sampleFormat = paFloat32;
    out.suggestedLatency = info->defaultLowOutputLatency;
    PaStreamParameters in = out;
    in.channelCount = row.inputChannels;
    in.suggestedLatency = info->defaultLowInputLatency;
    PaStreamParameters* inParams = row.inputChannels > 0 ? &in : nullptr;

    // The engine runs at 44100 Hz; only a device that refuses it runs at its own rate, converted above us.
    // A device that offers more channels than it can open at once (mixing plug-ins list dozens) gets a
    // stereo stream, and a duplex open that fails for its input side plays without input.
    const double rates[2] = {44100.0, info->defaultSampleRate};
    const int outputCounts[2] = {row.outputChannels, std::min(row.outputChannels, 2)};
    PaError err = paFormatIsSupported;
    for (int attempt = 0; attempt < 8 && err != paNoError; ++attempt) {
      const double rate = rates[attempt & 1];
      out.channelCount = outputCounts[(attempt >> 1) & 1];
      PaStreamParameters* inputSide = (attempt >> 2) == 0 ? inParams : nullptr;
      err = Pa_OpenStream(&stream_, inputSide, &out, rate, static_cast<unsigned long>(bufferFrames),
                          paClipOff | paDitherOff, &PortAudioStream::callback, this);
      if (err == paNoError) {
        rate_ = rate;
        inParams = inputSide;
      }
    }
    if (err != paNoError) {
      stream_ = nullptr;
      ZRLOG("error: sound device '%s' can not be opened: %s", row.name ? row.name : "", Pa_GetErrorText(err));
      return false;
    }
    if (const PaStreamInfo* si = Pa_GetStreamInfo(stream_)) rate_ = si->sampleRate;
    bufferFrames_ = bufferFrames;
    inputChannels_ = inParams != nullptr ? row.inputChannels : 0;
    outputChannels_ = out.channelCount;
    return true;
  }

  bool start() override {
    if (stream_ == nullptr) return false;
    const PaError err = Pa_StartStream(stream_);
    if (err != paNoError) {
      ZRLOG("error: sound device does not start: %s", Pa_GetErrorText(err));
      return false;
    }
    started_ = true;
    return true;
  }

  void stop() override {
    if (stream_ != nullptr && started_) Pa_StopStream(stream_);
    started_ = false;
  }

 private:
  static int callback(const void* input, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                      PaStreamCallbackFlags, void* user) {
    auto* self = static_cast<PortAudioStream*>(user);
    self->proc_(static_cast<const float*>(input), static_cast<float*>(output), static_cast<int>(frames),
                self->client_);
    return paContinue;
  }

  ZRAudioStreamProc proc_;
  void* client_;
  PaStream* stream_ = nullptr;
  bool started_ = false;
};

}  // namespace

bool audioSystemAcquire() {
  std::lock_guard<std::mutex> guard(sessionMutex);
  if (sessionUsers == 0) {
    snd_lib_error_set_handler(&quietAlsaErrors);
    if (Pa_Initialize() != paNoError) return false;
  }
  ++sessionUsers;
  return true;
}

void audioSystemRelease() {
  std::lock_guard<std::mutex> guard(sessionMutex);
  if (sessionUsers <= 0) return;
  if (--sessionUsers == 0) Pa_Terminate();
}

int listSystemAudioDevices(uint32_t* ids, int max) {
  const PaHostApiIndex api = alsaHostApi();
  if (api < 0) return 0;
  const PaHostApiInfo* apiInfo = Pa_GetHostApiInfo(api);
  if (apiInfo == nullptr) return 0;
  int n = 0;
  for (int i = 0; i < apiInfo->deviceCount && n < max; ++i) {
    const PaDeviceIndex dev = Pa_HostApiDeviceIndexToDeviceIndex(api, i);
    if (dev >= 0) ids[n++] = static_cast<uint32_t>(dev);
  }
  return n;
}

bool CA_DeviceCanSample(uint32_t id, uint32_t, bool isInput, uint32_t rate, uint32_t channels) {
  const PaDeviceInfo* info = Pa_GetDeviceInfo(static_cast<PaDeviceIndex>(id));
  if (info == nullptr) return false;
  const int available = isInput ? info->maxInputChannels : info->maxOutputChannels;
  if (available <= 0) return false;
  PaStreamParameters p{};
  p.device = static_cast<PaDeviceIndex>(id);
  p.channelCount = channels != 0 ? static_cast<int>(channels) : available;
  p.sampleFormat = paFloat32;
  p.suggestedLatency = isInput ? info->defaultLowInputLatency : info->defaultLowOutputLatency;
  const PaError err =
      isInput ? Pa_IsFormatSupported(&p, nullptr, rate) : Pa_IsFormatSupported(nullptr, &p, rate);
  return err == paFormatIsSupported;
}

bool CA_GetDeviceDetails(uint32_t id, TCAdevice* row, int) {
  const PaDeviceInfo* info = Pa_GetDeviceInfo(static_cast<PaDeviceIndex>(id));
  if (info == nullptr || info->maxOutputChannels <= 0) return false;
  row->deviceId = id;
  row->name = copyText(info->name != nullptr ? info->name : "");
  const PaHostApiInfo* apiInfo = Pa_GetHostApiInfo(info->hostApi);
  row->maker = copyText(apiInfo != nullptr && apiInfo->name != nullptr ? apiInfo->name : "");
  row->kind = ZRAudioDeviceKind::System;
  row->defaultRate = info->defaultSampleRate > 0 ? info->defaultSampleRate : 44100.0;
  for (int r = 0; r < 6; ++r) row->supportedRates[r] = CA_DeviceCanSample(id, 0, false, kRates[r], 0);
  row->inputChannels = info->maxInputChannels;
  row->outputChannels = info->maxOutputChannels;
  // The system layer adapts any buffer size; these bounds keep the engine's buffers sane.
  row->minimumBufferFrames = 32;
  row->maximumBufferFrames = 8192;
  row->currentBufferFrames = static_cast<int>(info->defaultLowOutputLatency * row->defaultRate);
  if (apiInfo != nullptr) {
    row->defaultOutput = apiInfo->defaultOutputDevice == static_cast<PaDeviceIndex>(id);
    row->defaultInput = apiInfo->defaultInputDevice == static_cast<PaDeviceIndex>(id);
  }
  return true;
}

std::unique_ptr<ZRAudioBackendStream> openPortAudioStream(const TCAdevice& row, int bufferFrames,
                                                          ZRAudioStreamProc proc, void* client) {
  if (!audioSystemAcquire()) {
    ZRLOG("error: the system's sound layer does not start");
    return nullptr;
  }
  // The stream releases the session in its destructor, also when opening fails.
  auto stream = std::make_unique<PortAudioStream>(proc, client);
  if (!stream->open(row, bufferFrames)) return nullptr;
  return stream;
}
