#pragma once
// One open sound device. It opens a row of the device table for 44100 Hz float audio with a buffer size
// clamped to the device's range, and once per device buffer hands the input to the recorded callback and
// asks the to-be-played callback for the output, both interleaved float at 44100 Hz.
//
// The engine's buffers hold at most kMaxCallbackFrames frames per call (effects and live inputs), so a
// longer device buffer is passed on in pieces of at most that size, each piece's input delivered before its
// output. A device that refuses 44100 Hz runs at its own rate: both directions then go through stateful
// band-limited converters, and the callbacks are asked for the 44100 Hz frames one buffer needs (a few
// frames of converter delay are held between buffers). The converted input runs one engine piece plus 64
// frames late, so it arrives without gaps.
//
// Nothing is allocated on the device's thread: every buffer and converter is made at opening. The device's
// own callback thread is moved to real-time priority at its first call (a server's thread that already runs
// real-time is left as it is); where the system refuses, the output runs on and says so once in the log.
// Each callback's duration goes into a histogram that any thread may read.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "soundio/audio_callback_stats.h"

class ZRAudioBackendStream;
struct SRC_STATE_tag;

class CCAoutput {
 public:
  using Callback = int (*)(float* samples, int frames, int channels, void* userData);
  static constexpr int kMaxCallbackFrames = 4410;
  static constexpr uint32_t kEngineRate = 44100;

  // The scheduling the device's callback thread got.
  enum class Realtime {
    kUnknown,    // no callback yet
    kNotWanted,  // the callbacks run on their caller's thread (manual pump)
    kAlready,    // the thread already ran at real-time priority (a JACK server's thread)
    kGranted,    // moved to real-time priority at the first callback
    kRefused     // the system refused; the thread runs at normal priority
  };
  // The priority asked for the device's callback thread: above ordinary work, below the system's own
  // interrupt and audio server threads.
  static constexpr int kRealtimePriority = 70;

  // Opens and starts row `device`. A second device asks for an aggregate of both, which this system cannot
  // make: the first device is used alone and the reason logged. inChannels and outChannels receive the
  // channel counts of the stream actually opened (a device may open as stereo or without its input). When
  // the device cannot be opened or started the output stays closed (isRunning false, latency 0) and the
  // reason is logged. Waits (briefly) for the first callback so a refused real-time priority is logged now.
  CCAoutput(int device, int secondDevice, uint32_t rate, uint32_t& inChannels, uint32_t& outChannels,
            Callback recorded, Callback toBePlayed, int bufferFrames, void* userData);
  // Stops the device; once it returns no callback is running or will run.
  ~CCAoutput();
  CCAoutput(const CCAoutput&) = delete;
  CCAoutput& operator=(const CCAoutput&) = delete;

  // The buffer size in frames that the device accepted; 0 when it could not be opened.
  int GetLatency() const { return latency; }
  bool isRunning() const { return running; }
  // Channel counts of the stream opened (0 when closed).
  int getInputChannels() const { return static_cast<int>(inputChannels); }
  int getOutputChannels() const { return static_cast<int>(outputChannels); }
  Realtime realtime() const { return realtimeState.load(std::memory_order_acquire); }
  // Buffers the device reported lost or late since opening.
  unsigned xruns() const;
  const ZRAudioCallbackStats& callbackStats() const { return stats; }
  ZRAudioCallbackStats& callbackStats() { return stats; }
  // The device's nominal rates (the engine's rate when they equal it, in which case nothing is converted).
  double getOutputRate() const { return outputRate; }
  double getInputRate() const { return inputRate; }

 private:
  static void ioProc(const float* input, float* output, int frames, void* client);
  void passThrough(const float* input, float* output, int frames);
  void converted(const float* input, float* output, int frames);
  void convertedSlice(const float* input, float* output, int frames);
  void pullEngineChunk(int frames);
  // Device thread, first callback: asks for real-time priority and publishes the outcome.
  void enterRealtime();
  // Main thread: logs the real-time outcome once it is known, once.
  void reportRealtime();

  void* userData;
  double outputRate = kEngineRate;
  double inputRate = kEngineRate;
  uint32_t requestedRate;
  uint32_t inputChannels = 0;
  uint32_t outputChannels = 0;
  int latency = 0;
  Callback recorded;
  Callback toBePlayed;
  int deviceIndex;
  bool running = false;
  bool ownsThread = false;
  std::atomic<Realtime> realtimeState{Realtime::kUnknown};
  int realtimeError = 0;           // written before realtimeState is published
  bool realtimeReported = false;   // main thread
  bool firstCallbackDone = false;  // device thread
  ZRAudioCallbackStats stats;

  // Input handed to the recorded callback (a writable copy of the device's input).
  std::vector<float> engineInput;
  // Conversion state, used only when the device does not run at 44100 Hz.
  std::vector<float> engineOutput;
  // Frames of silence beyond one engine piece that the converted input starts with.
  static constexpr int kInputCushionFrames = 64;
  std::vector<float> outFifo, inFifo;
  int outFifoFrames = 0, inFifoFrames = 0;
  int engineChunk = 0;
  SRC_STATE_tag* outConverter = nullptr;
  SRC_STATE_tag* inConverter = nullptr;

  std::unique_ptr<ZRAudioBackendStream> stream;
};
