#pragma once
// One open sound device. It opens a row of the device table for 44100 Hz float audio with a buffer size
// clamped to the device's range, and once per device buffer hands the input to the recorded callback and
// asks the to-be-played callback for the output, both interleaved float at 44100 Hz.
//
// The engine's buffers hold at most kMaxCallbackFrames frames per call (effects and live inputs), so a
// longer device buffer is passed on in pieces of at most that size, each piece's input delivered before its
// output. A device that refuses 44100 Hz runs at its own rate: both directions then go through stateful
// band-limited converters, and the callbacks are asked for the 44100 Hz frames one buffer needs (a few
// frames of converter delay are held between buffers).
//
// Nothing is allocated on the device's thread: every buffer and converter is made at opening.

#include <cstdint>
#include <memory>
#include <vector>

class ZRAudioBackendStream;
struct SRC_STATE_tag;

class CCAoutput {
 public:
  using Callback = int (*)(float* samples, int frames, int channels, void* userData);
  static constexpr int kMaxCallbackFrames = 4410;
  static constexpr uint32_t kEngineRate = 44100;

  // Opens and starts row `device`. A second device asks for an aggregate of both, which this system cannot
  // make: the first device is used alone and the reason logged. inChannels and outChannels receive the row's
  // counts. When the device cannot be opened the output stays closed (isRunning false, latency 0).
  CCAoutput(int device, int secondDevice, uint32_t rate, uint32_t& inChannels, uint32_t& outChannels,
            Callback recorded, Callback toBePlayed, int bufferFrames, void* userData);
  // Stops the device; once it returns no callback is running or will run.
  ~CCAoutput();
  CCAoutput(const CCAoutput&) = delete;
  CCAoutput& operator=(const CCAoutput&) = delete;

  // The buffer size in frames that the device accepted; 0 when it could not be opened.
  int GetLatency() const { return latency; }
  bool isRunning() const { return running; }
  // The device's nominal rates (the engine's rate when they equal it, in which case nothing is converted).
  double getOutputRate() const { return outputRate; }
  double getInputRate() const { return inputRate; }

 private:
  static void ioProc(const float* input, float* output, int frames, void* client);
  void passThrough(const float* input, float* output, int frames);
  void converted(const float* input, float* output, int frames);
  void pullEngineChunk(int frames);

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

  // Input handed to the recorded callback (a writable copy of the device's input).
  std::vector<float> engineInput;
  // Conversion state, used only when the device does not run at 44100 Hz.
  std::vector<float> engineOutput;
  std::vector<float> outFifo, inFifo;
  int outFifoFrames = 0, inFifoFrames = 0;
  int engineChunk = 0;
  SRC_STATE_tag* outConverter = nullptr;
  SRC_STATE_tag* inConverter = nullptr;

  std::unique_ptr<ZRAudioBackendStream> stream;
};
