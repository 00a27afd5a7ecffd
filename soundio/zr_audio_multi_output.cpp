#include "soundio/zr_audio_multi_output.h"

#include <algorithm>
#include <cstring>

#include "codecs/zr_audio_recorder.h"
#include "common/zr_logging.h"
#include "common/zr_string.h"
#include "dsp/engine/effect_dynamics.h"
#include "dsp/engine/live_input_source.h"
#include "dsp/engine/zr_mixer.h"
#include "soundio/zr_audio_io.h"

namespace {
constexpr auto kRelaxed = std::memory_order_relaxed;
}

ZRAudioMultiOutput::ZRAudioMultiOutput(ZRMixer* mix, CLiveInputSource** decks, CLiveInputSource* microphone,
                                       ZRSimpleMixZone** zones)
    : mixer(mix),
      deckInputs(decks),
      microphoneInput(microphone),
      recorder(std::make_unique<ZRAudioRecorder>(1, 0)),
      extraZones(zones),
      limiter(std::make_unique<CEffectDynamics>(nullptr, nullptr)) {
  limiter->setparam(0, 2);
  for (auto& r : routes) r.store(-1);
  for (auto& b : buses) b.reset(new float[2 * kBusFrames]());
}

ZRAudioMultiOutput::~ZRAudioMultiOutput() {
  // The device first: its destructor stops the callbacks before anything they touch goes away.
  device.reset();
}

int ZRAudioMultiOutput::updateAudioDevices(int dev, int second, int frames, void* handle, int force) {
  if (second == dev) second = -1;
  if (force != 0 || dev != deviceIndex || second != secondDeviceIndex || frames != bufferFrames) {
    device.reset();
    deviceIndex = dev;
    secondDeviceIndex = second;
    openDevice(dev, second, frames, handle);
    outputChannels.store(device ? device->getOutputChannels() : 0, kRelaxed);
    inputChannels.store(device ? device->getInputChannels() : 0, kRelaxed);
  }
  bufferFrames = frames;
  platformHandle = handle;
  return 1;
}

void ZRAudioMultiOutput::openDevice(int dev, int second, int frames, void* handle) {
  if (dev < 0) return;
  device = std::make_unique<ZRAudioIO>(dev, &ZRAudioMultiOutput::callbackSamplesRecorded,
                                       &ZRAudioMultiOutput::callbackSamplesToBePlayed, frames, this, handle,
                                       0, second);
  if (device->isRunning()) return;
  // The choice stays as the user made it (a re-open tries it again); meanwhile the engine runs on the
  // device that always opens, so decks, meters and recordings keep going.
  char failed[kAudioDeviceNameBytes] = "";
  getAudioDeviceNameFromIndex(device->getDeviceIndex() >= 0 ? device->getDeviceIndex() : dev, failed);
  device.reset();
  const int fallback = getNullAudioDeviceIndex();
  if (fallback >= 0 && fallback != dev) {
    device = std::make_unique<ZRAudioIO>(fallback, &ZRAudioMultiOutput::callbackSamplesRecorded,
                                         &ZRAudioMultiOutput::callbackSamplesToBePlayed, frames, this, handle,
                                         0, -1);
    if (!device->isRunning()) device.reset();
  }
  char used[kAudioDeviceNameBytes] = "";
  if (device) getAudioDeviceNameFromIndex(device->getDeviceIndex(), used);
  if (device) {
    ZRLOG("error: sound device '%s' can not be used, playing on '%s' instead", failed, used);
  } else {
    ZRLOG("error: sound device '%s' can not be used and no other device opens: no audio", failed);
  }
  if (problemHandler) problemHandler(failed, device ? used : nullptr);
}

void ZRAudioMultiOutput::setDeviceProblemHandler(ZRAudioDeviceProblemHandler handler) {
  problemHandler = std::move(handler);
}

int ZRAudioMultiOutput::reinitAudioDevices() {
  return updateAudioDevices(deviceIndex, secondDeviceIndex, bufferFrames, platformHandle, 1);
}

int ZRAudioMultiOutput::getLatency() {
  return device ? device->getLatency() : 0;
}

void ZRAudioMultiOutput::setRoutePair(int first, int selector, int channels) {
  const int pairs = channels / 2;
  int left = -1, right = -1;
  if (selector >= 1 && selector <= pairs) {
    left = 2 * selector - 2;
    right = 2 * selector - 1;
  } else if (selector > pairs) {
    left = right = selector - pairs - 1;
  }
  routes[first].store(left, kRelaxed);
  routes[first + 1].store(right, kRelaxed);
}

void ZRAudioMultiOutput::checkForFullyInternalMixerMode() {
  const int l = routes[0].load(kRelaxed), r = routes[1].load(kRelaxed);
  const bool pair = l >= 0 && l != r;
  const bool same = routes[2].load(kRelaxed) == l && routes[3].load(kRelaxed) == r &&
                    routes[4].load(kRelaxed) == l && routes[5].load(kRelaxed) == r;
  fullyInternalMixer.store(pair && same ? 1 : 0, kRelaxed);
}

void ZRAudioMultiOutput::updateRoutingForOutputDeck(int deck, int selector) {
  if (deck != 0 && deck != 1) return;
  setRoutePair(2 * deck, selector, outputChannels.load(kRelaxed));
  checkForFullyInternalMixerMode();
}

void ZRAudioMultiOutput::updateRoutingForOutputSamplerMic(int selector) {
  setRoutePair(4, selector, outputChannels.load(kRelaxed));
  checkForFullyInternalMixerMode();
}

void ZRAudioMultiOutput::updateRoutingForOutputHeadphones(int selector) {
  setRoutePair(6, selector, outputChannels.load(kRelaxed));
}

void ZRAudioMultiOutput::updateRoutingForOutputExtraZone(int, int) {}

void ZRAudioMultiOutput::updateRoutingForInputDeck(int deck, int selector) {
  if (deck != 0 && deck != 1) return;
  setRoutePair(8 + 2 * deck, selector, inputChannels.load(kRelaxed));
}

void ZRAudioMultiOutput::updateRoutingForInputMic(int selector) {
  setRoutePair(12, selector, inputChannels.load(kRelaxed));
}

int ZRAudioMultiOutput::getRoute(int index) const {
  return index >= 0 && index < kRoutes ? routes[index].load(kRelaxed) : -1;
}

void ZRAudioMultiOutput::setLimiter(bool on) {
  limiterRequest.store(on ? kLimiterOn : kLimiterOff, std::memory_order_release);
}

void ZRAudioMultiOutput::applyLimiterRequest() {
  switch (limiterRequest.exchange(kLimiterNoRequest, std::memory_order_acquire)) {
    case kLimiterOn:
      // Starting clears the limiter's state; a running one is left as it is.
      if (!limiter->isRunning()) limiter->start();
      break;
    case kLimiterOff:
      limiter->stop();
      break;
    default:
      break;
  }
}

void ZRAudioMultiOutput::setAudioRecordingCallback(ZRAudioRecordingCallback callback, void* data) {
  // Odd while the pair changes. The pair is stored with release so that an audio thread that sees a new
  // half also sees the odd count afterwards and leaves the pair for a later buffer.
  const unsigned sequence = pendingSequence.load(kRelaxed);
  pendingSequence.store(sequence + 1, kRelaxed);
  pendingCallback.store(callback, std::memory_order_release);
  pendingData.store(data, std::memory_order_release);
  pendingSequence.store(sequence + 2, std::memory_order_release);
}

bool ZRAudioMultiOutput::startRecording(const char* path) {
  if (path == nullptr) return false;
  return recorder->open(ZRString(path));
}

void ZRAudioMultiOutput::stopRecording() {
  recorder->close();
}

float ZRAudioMultiOutput::getRecordingTime() {
  return recorder ? recorder->getSeconds() : 0.0f;
}

int ZRAudioMultiOutput::callbackSamplesRecorded(float* input, int frames, int channels, void* self) {
  return static_cast<ZRAudioMultiOutput*>(self)->samplesRecorded(input, frames, channels);
}

int ZRAudioMultiOutput::callbackSamplesToBePlayed(float* output, int frames, int channels, void* self) {
  return static_cast<ZRAudioMultiOutput*>(self)->samplesToBePlayed(output, frames, channels);
}

int ZRAudioMultiOutput::samplesToBePlayed(float* output, int frames, int channels) {
  if (frames <= 0) return 0;
  std::memset(output, 0, sizeof(float) * frames * std::max(channels, 0));
  if (mixer == nullptr) return 0;
  for (int done = 0; done < frames;) {
    const int n = std::min(kMaxPieceFrames, frames - done);
    mixPiece(output + static_cast<size_t>(done) * channels, n, channels);
    done += n;
  }
  return frames;
}

void ZRAudioMultiOutput::takePendingRecordingCallback() {
  const unsigned sequence = pendingSequence.load(std::memory_order_acquire);
  // Odd: a pair is being written right now; it is taken at a later buffer.
  if (sequence == takenSequence || (sequence & 1u) != 0) return;
  const ZRAudioRecordingCallback callback = pendingCallback.load(std::memory_order_acquire);
  void* const data = pendingData.load(std::memory_order_acquire);
  // Changed while read: the pair may be torn, so it is left for a later buffer.
  if (pendingSequence.load(kRelaxed) != sequence) return;
  recordingCallback.store(callback, kRelaxed);
  recordingData.store(data, kRelaxed);
  takenSequence = sequence;
}

void ZRAudioMultiOutput::mixPiece(float* output, int frames, int channels) {
  using Frames = float(*)[2];
  Frames deckBuses[2] = {reinterpret_cast<Frames>(buses[kBusDeckA].get()),
                         reinterpret_cast<Frames>(buses[kBusDeckB].get())};
  float* master = buses[kBusMaster].get();
  mixer->GetOutputSignalForExternalMixer(deckBuses, reinterpret_cast<Frames>(buses[kBusSamplerMic].get()),
                                         reinterpret_cast<Frames>(buses[kBusHeadphones].get()),
                                         reinterpret_cast<Frames>(master), frames);
  takePendingRecordingCallback();
  if (ZRAudioRecordingCallback callback = recordingCallback.load(kRelaxed)) {
    callback(master, frames, 2, recordingData.load(kRelaxed));
  }
  if (recorder->isRecording()) recorder->putSamples(master, frames);
  applyLimiterRequest();
  limiter->process(reinterpret_cast<Frames>(master), frames, 0.0f);

  int r[kRoutes];
  for (int i = 0; i < kRoutes; ++i) r[i] = routes[i].load(kRelaxed);
  const bool internal = fullyInternalMixer.load(kRelaxed) != 0;
  // Adds bus to channel c by the route pair (left, right): a mono route takes the two sides' mean.
  auto addBus = [&](const float* bus, int left, int right, int c) {
    if (left == c && right == c) {
      for (int i = 0; i < frames; ++i) output[i * channels + c] += (bus[2 * i] + bus[2 * i + 1]) * 0.5f;
      return;
    }
    if (left == c) {
      for (int i = 0; i < frames; ++i) output[i * channels + c] += bus[2 * i];
    }
    if (right == c) {
      for (int i = 0; i < frames; ++i) output[i * channels + c] += bus[2 * i + 1];
    }
  };
  for (int c = 0; c < channels; ++c) {
    if (internal) {
      if (r[0] == c) {
        for (int i = 0; i < frames; ++i) output[i * channels + c] += master[2 * i];
      }
      if (r[1] == c) {
        for (int i = 0; i < frames; ++i) output[i * channels + c] += master[2 * i + 1];
      }
    } else {
      addBus(buses[kBusDeckA].get(), r[0], r[1], c);
      addBus(buses[kBusDeckB].get(), r[2], r[3], c);
      addBus(buses[kBusSamplerMic].get(), r[4], r[5], c);
    }
    addBus(buses[kBusHeadphones].get(), r[6], r[7], c);
  }
}

int ZRAudioMultiOutput::samplesRecorded(float* input, int frames, int channels) {
  CLiveInputSource* targets[3] = {deckInputs != nullptr ? deckInputs[0] : nullptr,
                                  deckInputs != nullptr ? deckInputs[1] : nullptr, microphoneInput};
  if (targets[0] == nullptr && targets[1] == nullptr && targets[2] == nullptr) return 0;
  for (int t = 0; t < 3; ++t) {
    CLiveInputSource* target = targets[t];
    if (target == nullptr) continue;
    // A live input takes no more than its buffer holds; the device layer never hands over more than that.
    const int n = std::min(frames, target->getInputBufferFrames());
    float* buf = target->getInputBuffer();
    const int left = routes[8 + 2 * t].load(kRelaxed);
    const int right = routes[9 + 2 * t].load(kRelaxed);
    const bool leftReached = channels > 0 && left >= 0 && left < channels;
    const bool rightReached = channels > 0 && right >= 0 && right < channels;
    for (int i = 0; i < n; ++i) {
      buf[2 * i] = leftReached ? input[i * channels + left] : 0.0f;
      buf[2 * i + 1] = rightReached ? input[i * channels + right] : 0.0f;
    }
  }
  return frames;
}

void splitStereoRoutingSelectors(int w, bool split, int selectors[6]) {
  if (w < 2) {
    std::fill(selectors, selectors + 6, 0);
    return;
  }
  if (split) {
    std::fill(selectors, selectors + 5, w / 2 + 1);
    selectors[5] = w / 2 + 2;
  } else {
    std::fill(selectors, selectors + 5, 1);
    selectors[5] = w >= 4 ? 2 : 0;
  }
}
