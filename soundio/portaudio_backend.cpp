#include "soundio/portaudio_backend.h"

#include <jack/jack.h>
#include <portaudio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <mutex>

#include "common/zr_logging.h"
#include "soundio/alsa_messages.h"
#include "soundio/audio_backend.h"

namespace {

// JACK reports every attempt to reach a server that is not running; the failures reach us as error codes
// anyway (ALSA's probes likewise, see alsa_messages.h).
void quietJackMessages(const char*) {}

std::mutex sessionMutex;
int sessionUsers = 0;

constexpr double kRates[6] = {22050, 44100, 48000, 88200, 96000, 192000};

// The host APIs whose devices are listed, in this order.
constexpr PaHostApiTypeId kListedHostApis[] = {paALSA, paJACK};

PaHostApiTypeId hostApiType(PaHostApiIndex api) {
  const PaHostApiInfo* info = Pa_GetHostApiInfo(api);
  return info != nullptr ? info->type : paInDevelopment;
}

// The short name a device row carries as its maker, and in its name where two host APIs offer devices of
// one name.
const char* hostApiLabel(PaHostApiTypeId type) {
  switch (type) {
    case paALSA:
      return "ALSA";
    case paJACK:
      return "JACK";
    default:
      return "system";
  }
}

char* copyText(const char* text) {
  const size_t n = std::strlen(text);
  char* out = new char[n + 1];
  std::memcpy(out, text, n + 1);
  return out;
}

// Whether the JACK server this process reaches (JACK_DEFAULT_SERVER, as PortAudio reached it) is gone.
// PortAudio's JACK host API can neither close a stream nor end its session once its server has gone
// (both fail an assertion, which aborts the process), so what belongs to a gone server is left as it is
// until the process exits.
bool jackServerGone() {
  jack_status_t status;
  jack_client_t* probe = jack_client_open("orvel-check", JackNoStartServer, &status);
  if (probe == nullptr) return true;
  jack_client_close(probe);
  return false;
}

class PortAudioStream : public ZRAudioBackendStream {
 public:
  PortAudioStream(ZRAudioStreamProc proc, void* client) : proc_(proc), client_(client) {}
  ~PortAudioStream() override {
    stop();
    abandonIfServerGone();
    if (stream_ != nullptr) Pa_CloseStream(stream_);
    audioSystemRelease();
  }

  bool open(const TCAdevice& row, int bufferFrames) {
    const PaDeviceIndex index = static_cast<PaDeviceIndex>(row.deviceId);
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (info == nullptr) {
      ZRLOG("error: sound device '%s' is no longer there", row.name ? row.name : "");
      return false;
    }
    // A JACK server sets the period for every client: the stream follows it (one callback per period)
    // instead of buffering it into the requested size, which would add latency and bunch the callbacks.
    serverPeriod_ = hostApiType(info->hostApi) == paJACK;
    const unsigned long framesPerBuffer =
        serverPeriod_ ? paFramesPerBufferUnspecified : static_cast<unsigned long>(bufferFrames);
    PaStreamParameters out{};
    out.device = index;
    out.sampleFormat = paFloat32;
    out.suggestedLatency = info->defaultLowOutputLatency;
    PaStreamParameters in = out;
    in.channelCount = row.inputChannels;
    in.suggestedLatency = info->defaultLowInputLatency;

    // The engine runs at 44100 Hz; only a device that refuses it runs at its own rate, converted above us.
    // A device that offers more channels than it can open at once (mixing plug-ins list dozens) gets a
    // stereo stream, and a duplex open that fails for its input side plays without input.
    const double rates[2] = {44100.0, info->defaultSampleRate};
    const int outputCounts[2] = {row.outputChannels, std::min(row.outputChannels, 2)};
    PaError err = paNoError;
    bool opened = false;
    bool withInput = false;
    for (int attempt = 0; attempt < 8 && !opened; ++attempt) {
      const int rateChoice = attempt & 1, countChoice = (attempt >> 1) & 1;
      const bool input = (attempt >> 2) == 0 && row.inputChannels > 0;
      // Alternatives that equal an earlier attempt are not tried again.
      if ((rateChoice == 1 && rates[1] == rates[0]) ||
          (countChoice == 1 && outputCounts[1] == outputCounts[0]) ||
          ((attempt >> 2) == 1 && row.inputChannels <= 0)) {
        continue;
      }
      out.channelCount = outputCounts[countChoice];
      err = Pa_OpenStream(&stream_, input ? &in : nullptr, &out, rates[rateChoice], framesPerBuffer,
                          paClipOff | paDitherOff, &PortAudioStream::callback, this);
      if (err == paNoError) {
        opened = true;
        withInput = input;
      }
    }
    if (!opened) {
      stream_ = nullptr;
      ZRLOG("error: sound device '%s' can not be opened: %s", row.name ? row.name : "", Pa_GetErrorText(err));
      return false;
    }
    const PaStreamInfo* si = Pa_GetStreamInfo(stream_);
    rate_ = si != nullptr && si->sampleRate > 0 ? si->sampleRate : 44100.0;
    bufferFrames_ = bufferFrames;
    if (serverPeriod_ && si != nullptr && si->outputLatency > 0) {
      bufferFrames_ = std::max(1, static_cast<int>(std::lround(si->outputLatency * rate_)));
    }
    inputChannels_ = withInput ? row.inputChannels : 0;
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
    if (started_) abandonIfServerGone();
    if (stream_ != nullptr && started_) Pa_StopStream(stream_);
    started_ = false;
  }

 private:
  void abandonIfServerGone() {
    if (!serverPeriod_ || stream_ == nullptr || !jackServerGone()) return;
    ZRLOG("warning: the JACK server has gone away; its sound stream stays open until Orvel quits");
    stream_ = nullptr;
  }

  static int callback(const void* input, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                      PaStreamCallbackFlags flags, void* user) {
    auto* self = static_cast<PortAudioStream*>(user);
    if ((flags & (paOutputUnderflow | paInputOverflow)) != 0)
      self->xruns_.fetch_add(1, std::memory_order_relaxed);
    self->proc_(static_cast<const float*>(input), static_cast<float*>(output), static_cast<int>(frames),
                self->client_);
    return paContinue;
  }

  ZRAudioStreamProc proc_;
  void* client_;
  PaStream* stream_ = nullptr;
  bool started_ = false;
  bool serverPeriod_ = false;  // a JACK stream
};

}  // namespace

bool audioSystemAcquire() {
  std::lock_guard<std::mutex> guard(sessionMutex);
  if (sessionUsers == 0) {
    quietAlsaErrorMessages();
    jack_set_error_function(&quietJackMessages);
    jack_set_info_function(&quietJackMessages);
    if (Pa_Initialize() != paNoError) return false;
  }
  ++sessionUsers;
  return true;
}

void audioSystemRelease() {
  std::lock_guard<std::mutex> guard(sessionMutex);
  if (sessionUsers <= 0) return;
  if (--sessionUsers > 0) return;
  if (Pa_HostApiTypeIdToHostApiIndex(paJACK) >= 0 && jackServerGone()) {
    ZRLOG("warning: the JACK server has gone away; the sound system stays open until Orvel quits");
    return;
  }
  Pa_Terminate();
}

int listSystemAudioDevices(uint32_t* ids, int max) {
  int n = 0;
  for (const PaHostApiTypeId type : kListedHostApis) {
    const PaHostApiIndex api = Pa_HostApiTypeIdToHostApiIndex(type);
    const PaHostApiInfo* apiInfo = api >= 0 ? Pa_GetHostApiInfo(api) : nullptr;
    if (apiInfo == nullptr) continue;
    for (int i = 0; i < apiInfo->deviceCount && n < max; ++i) {
      const PaDeviceIndex dev = Pa_HostApiDeviceIndexToDeviceIndex(api, i);
      if (dev >= 0) ids[n++] = static_cast<uint32_t>(dev);
    }
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
  row->maker = copyText(hostApiLabel(hostApiType(info->hostApi)));
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
