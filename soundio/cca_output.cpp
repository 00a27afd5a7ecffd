#include "soundio/cca_output.h"

#include <pthread.h>
#include <samplerate.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "common/zr_logging.h"
#include "dsp/flush_denormals.h"
#include "dsp/resample.h"
#include "platform/thread_platform.h"
#include "soundio/audio_backend.h"
#include "soundio/audio_device_table.h"

namespace {

int64_t monotonicNanos() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace

CCAoutput::CCAoutput(int device, int secondDevice, uint32_t rate, uint32_t& inChannels, uint32_t& outChannels,
                     Callback recordedCallback, Callback toBePlayedCallback, int bufferFrames, void* user)
    : userData(user),
      requestedRate(rate),
      recorded(recordedCallback),
      toBePlayed(toBePlayedCallback),
      deviceIndex(device) {
  inChannels = outChannels = 0;
  if (device < 0 || device >= CA_DEVs) return;
  if (secondDevice >= 0) {
    uint32_t aggregate = 0;
    const uint32_t secondId = secondDevice < CA_DEVs ? CA_DEVICE[secondDevice].deviceId : 0;
    if (CA_CreateAggregateDevice(CA_DEVICE[device].deviceId, secondId, aggregate) != 0) {
      ZRLOG("error creating aggregate audio device - using only the first initial device instead");
    }
  }
  TCAdevice& row = CA_DEVICE[device];
  const char* name = row.name != nullptr ? row.name : "";

  const int frames = std::clamp(bufferFrames, row.minimumBufferFrames, row.maximumBufferFrames);
  stream = openAudioBackendStream(row, frames, &CCAoutput::ioProc, this);
  if (!stream) return;
  latency = stream->bufferFrames();
  row.currentBufferFrames = latency;
  outputRate = inputRate = stream->rate();
  ownsThread = stream->ownsCallbackThread();
  if (!ownsThread) realtimeState.store(Realtime::kNotWanted, std::memory_order_release);
  // The stream may have dropped its input side or opened fewer output channels than the row lists.
  inputChannels = static_cast<uint32_t>(stream->inputChannels());
  outputChannels = static_cast<uint32_t>(stream->outputChannels());

  engineInput.assign(static_cast<size_t>(kMaxCallbackFrames) * std::max(1u, inputChannels), 0.0f);
  if (static_cast<uint32_t>(outputRate) != requestedRate) {
    int error = 0;
    outConverter = src_new(SRC_SINC_FASTEST, static_cast<int>(outputChannels), &error);
    if (inputChannels > 0) inConverter = src_new(SRC_SINC_FASTEST, static_cast<int>(inputChannels), &error);
    if (outConverter == nullptr || (inputChannels > 0 && inConverter == nullptr)) {
      ZRLOG("error: no sample-rate converter for the sound device (%s)", src_strerror(error));
      stream.reset();
      latency = 0;
      inputChannels = outputChannels = 0;
      return;
    }
    const double ratio = outputRate / requestedRate;
    engineChunk = static_cast<int>(std::clamp<long>(
        CalculateDestinationSamples(outputRate, latency, requestedRate), 1, kMaxCallbackFrames));
    engineOutput.assign(static_cast<size_t>(kMaxCallbackFrames) * outputChannels, 0.0f);
    const int outCapacity = latency + static_cast<int>(std::ceil(kMaxCallbackFrames * ratio)) + 512;
    outFifo.assign(static_cast<size_t>(outCapacity) * outputChannels, 0.0f);
    const int inCapacity = 2 * (engineChunk + static_cast<int>(std::ceil(latency / ratio))) + 1024;
    inFifo.assign(static_cast<size_t>(inCapacity) * std::max(1u, inputChannels), 0.0f);
    // The output side asks for engine pieces as the device consumes, which can run a piece (and the
    // converters' delay) ahead of the input converted so far. Without a cushion the input queue ran dry
    // every few buffers at many buffer sizes and silence was spliced into the input (a timecode read from
    // it jumped); with one piece plus a few frames of silence queued at the start it never runs dry.
    inFifoFrames = engineChunk + kInputCushionFrames;
  }
  if (!stream->start()) {
    ZRLOG("error: sound device '%s' opens but does not start", name);
    stream.reset();
    latency = 0;
    inputChannels = outputChannels = 0;
    return;
  }
  running = true;
  inChannels = inputChannels;
  outChannels = outputChannels;
  if (ownsThread) {
    // A few buffers' time is enough for a running device to call back once.
    const double periodSeconds = static_cast<double>(latency) / std::max(outputRate, 1.0);
    const auto bound = std::chrono::milliseconds(200 + static_cast<int>(4000 * periodSeconds));
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (realtimeState.load(std::memory_order_acquire) == Realtime::kUnknown &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (realtimeState.load(std::memory_order_acquire) == Realtime::kUnknown) {
      ZRLOG("warning: sound device '%s' started but has not called back within %d ms", name,
            static_cast<int>(bound.count()));
    }
    reportRealtime();
  }
}

void CCAoutput::reportRealtime() {
  if (realtimeReported) return;
  const Realtime state = realtimeState.load(std::memory_order_acquire);
  if (state == Realtime::kUnknown) return;
  realtimeReported = true;
  if (state == Realtime::kRefused) {
    ZRLOG(
        "warning: the sound device's thread runs at normal priority, the system refused real-time "
        "scheduling (%s); under load the sound may break up",
        std::strerror(realtimeError));
  }
}

void CCAoutput::enterRealtime() {
  PlatformThreadScheduling now;
  if (platformGetThreadScheduling(pthread_self(), now) == 0 && platformIsRealtimePolicy(now.policy)) {
    realtimeState.store(Realtime::kAlready, std::memory_order_release);
    return;
  }
  realtimeError = platformEnterRealtimeClassAt(pthread_self(), kRealtimePriority);
  realtimeState.store(realtimeError == 0 ? Realtime::kGranted : Realtime::kRefused,
                      std::memory_order_release);
}

unsigned CCAoutput::xruns() const {
  return stream ? stream->xruns() : 0;
}

CCAoutput::~CCAoutput() {
  if (stream) stream->stop();
  stream.reset();
  if (ownsThread) reportRealtime();
  if (outConverter != nullptr) src_delete(outConverter);
  if (inConverter != nullptr) src_delete(inConverter);
}

void CCAoutput::ioProc(const float* input, float* output, int frames, void* client) {
  auto* self = static_cast<CCAoutput*>(client);
  const int64_t began = monotonicNanos();
  if (!self->firstCallbackDone) {
    self->firstCallbackDone = true;
    if (self->ownsThread) self->enterRealtime();
  }
  // Recursive filters fading out would otherwise turn denormal and slow the whole mix down.
  ScopedFlushDenormals flushDenormals;
  if (self->outConverter != nullptr) {
    self->converted(input, output, frames);
  } else {
    self->passThrough(input, output, frames);
  }
  self->stats.record(monotonicNanos() - began);
}

void CCAoutput::passThrough(const float* input, float* output, int frames) {
  for (int done = 0; done < frames;) {
    const int n = std::min(kMaxCallbackFrames, frames - done);
    if (inputChannels > 0 && input != nullptr) {
      std::memcpy(engineInput.data(), input + static_cast<size_t>(done) * inputChannels,
                  sizeof(float) * n * inputChannels);
      recorded(engineInput.data(), n, static_cast<int>(inputChannels), userData);
    }
    toBePlayed(output + static_cast<size_t>(done) * outputChannels, n, static_cast<int>(outputChannels),
               userData);
    done += n;
  }
}

void CCAoutput::converted(const float* input, float* output, int frames) {
  // The queues are sized for buffers of the accepted size; a device whose buffers vary (a server's period
  // changed under us) is served in slices of at most that size.
  const int slice = std::max(1, latency);
  for (int done = 0; done < frames;) {
    const int n = std::min(slice, frames - done);
    convertedSlice(input != nullptr ? input + static_cast<size_t>(done) * inputChannels : nullptr,
                   output + static_cast<size_t>(done) * outputChannels, n);
    done += n;
  }
}

void CCAoutput::convertedSlice(const float* input, float* output, int frames) {
  const int inCh = static_cast<int>(inputChannels);
  const int outCh = static_cast<int>(outputChannels);
  // Device input to 44100 Hz, queued for the engine pieces below.
  if (inCh > 0 && input != nullptr) {
    const int capacity = static_cast<int>(inFifo.size()) / inCh;
    SRC_DATA d{};
    d.data_in = input;
    d.input_frames = frames;
    d.src_ratio = requestedRate / inputRate;
    while (d.input_frames > 0) {
      if (capacity - inFifoFrames < 64) {
        // The engine fell behind the device: drop the oldest half rather than stall.
        const int drop = inFifoFrames / 2;
        std::memmove(inFifo.data(), inFifo.data() + static_cast<size_t>(drop) * inCh,
                     sizeof(float) * (inFifoFrames - drop) * inCh);
        inFifoFrames -= drop;
      }
      d.data_out = inFifo.data() + static_cast<size_t>(inFifoFrames) * inCh;
      d.output_frames = capacity - inFifoFrames;
      if (src_process(inConverter, &d) != 0) break;
      inFifoFrames += static_cast<int>(d.output_frames_gen);
      d.data_in += d.input_frames_used * inCh;
      d.input_frames -= d.input_frames_used;
      if (d.input_frames_used == 0 && d.output_frames_gen == 0) break;
    }
  }
  // Engine pieces until the device buffer can be filled; the bound only matters if the converter stalls.
  for (int guard = 0; outFifoFrames < frames && guard < 256; ++guard) pullEngineChunk(engineChunk);
  const int have = std::min(frames, outFifoFrames);
  std::memcpy(output, outFifo.data(), sizeof(float) * have * outCh);
  std::fill(output + static_cast<size_t>(have) * outCh, output + static_cast<size_t>(frames) * outCh, 0.0f);
  std::memmove(outFifo.data(), outFifo.data() + static_cast<size_t>(have) * outCh,
               sizeof(float) * (outFifoFrames - have) * outCh);
  outFifoFrames -= have;
}

void CCAoutput::pullEngineChunk(int n) {
  const int inCh = static_cast<int>(inputChannels);
  const int outCh = static_cast<int>(outputChannels);
  if (inCh > 0) {
    const int take = std::min(n, inFifoFrames);
    std::memcpy(engineInput.data(), inFifo.data(), sizeof(float) * take * inCh);
    std::fill(engineInput.begin() + static_cast<size_t>(take) * inCh,
              engineInput.begin() + static_cast<size_t>(n) * inCh, 0.0f);
    std::memmove(inFifo.data(), inFifo.data() + static_cast<size_t>(take) * inCh,
                 sizeof(float) * (inFifoFrames - take) * inCh);
    inFifoFrames -= take;
    recorded(engineInput.data(), n, inCh, userData);
  }
  toBePlayed(engineOutput.data(), n, outCh, userData);
  const int capacity = static_cast<int>(outFifo.size()) / outCh;
  SRC_DATA d{};
  d.data_in = engineOutput.data();
  d.input_frames = n;
  d.src_ratio = outputRate / requestedRate;
  while (d.input_frames > 0 && outFifoFrames < capacity) {
    d.data_out = outFifo.data() + static_cast<size_t>(outFifoFrames) * outCh;
    d.output_frames = capacity - outFifoFrames;
    if (src_process(outConverter, &d) != 0) break;
    outFifoFrames += static_cast<int>(d.output_frames_gen);
    d.data_in += d.input_frames_used * outCh;
    d.input_frames -= d.input_frames_used;
    if (d.input_frames_used == 0 && d.output_frames_gen == 0) break;
  }
}
