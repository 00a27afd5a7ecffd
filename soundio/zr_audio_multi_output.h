#pragma once
// ZRAudioMultiOutput: the sound device as the rest of the system sees it. It opens the chosen device at
// 44100 Hz, and once per device buffer it distributes the device's input channels to the two deck live
// inputs and the microphone input, has the mixer produce the five buses (deck A, deck B, sampler and
// microphone, headphones, master), hands the master to the recording callback and to its own recorder, runs
// the master limiter and adds each bus to the device output channels the routing chose.
//
// The master reaches the device only when deck A, deck B and the sampler bus are routed to one and the same
// stereo pair (the fully-internal-mixer flag); it then takes their place there, so master volume, balance,
// channel mode, master effects and the limiter are heard only with that routing, and always in recordings.
//
// Threading: both device callbacks run on the device's thread and neither allocates nor locks; device
// buffers longer than kMaxPieceFrames are mixed in pieces. Routing, limiter and device changes come from the
// main thread and write single words; the recording callback is handed over through a pending pair under a
// sequence count and taken up whole at the next buffer.

#include <atomic>
#include <functional>
#include <memory>

class CEffectDynamics;
class CLiveInputSource;
class ZRAudioIO;
class ZRAudioRecorder;
class ZRMixer;
class ZRSimpleMixZone;

// The recording callback: the master bus (interleaved stereo, before the limiter) once per device buffer
// (or piece of one) on the audio thread; returns frames. It must not allocate or block.
using ZRAudioRecordingCallback = int (*)(float* master, int frames, int channels, void* data);

// Told when a chosen sound device does not open or start: its name, and the name of the device playing
// instead ("Null output"), or null when none could be opened. Called once per failed choice, on the thread
// that chose the device (the main thread in the application), which may show the user a message.
using ZRAudioDeviceProblemHandler = std::function<void(const char* failedDevice, const char* usedDevice)>;

class ZRAudioMultiOutput {
 public:
  enum Bus {
    kBusDeckA = 0,
    kBusDeckB = 1,
    kBusSamplerMic = 2,
    kBusHeadphones = 3,
    kBusMaster = 4,
    kBuses = 5
  };
  static constexpr int kBusFrames = 9600;
  // The longest piece mixed at once: what effects and live inputs take per call.
  static constexpr int kMaxPieceFrames = 4410;
  static constexpr int kRoutes = 14;

  // Stores the pointers (zones are kept but unused), makes the buses, the recorder (asynchronous, stereo)
  // and the limiter (kind 2, stopped). Opens no device.
  ZRAudioMultiOutput(ZRMixer* mixer, CLiveInputSource** deckInputs, CLiveInputSource* microphone,
                     ZRSimpleMixZone** zones);
  // Closes the device first (stopping the callbacks), then frees everything else it owns.
  ~ZRAudioMultiOutput();
  ZRAudioMultiOutput(const ZRAudioMultiOutput&) = delete;
  ZRAudioMultiOutput& operator=(const ZRAudioMultiOutput&) = delete;

  // Re-opens the device when forced or when a setting changed (a second device equal to the first counts as
  // none); a negative device closes it. A device that does not open or start is replaced by "Null output",
  // so the engine keeps running (silently), and the problem handler is told. The routing's channel counts
  // are those of the stream that runs. Always 1.
  int updateAudioDevices(int device, int secondDevice, int bufferFrames, void* handle, int force);
  // The same device again.
  int reinitAudioDevices();
  // Installs (or, with an empty function, removes) the handler told about devices that fail.
  void setDeviceProblemHandler(ZRAudioDeviceProblemHandler handler);
  // The open device's buffer size in frames, 0 without a device.
  int getLatency();

  // Routing selectors (0 or less none, 1..P stereo pair P, above P one channel selector - P - 1), against the
  // channel counts of the device open at the time of the call.
  void updateRoutingForOutputDeck(int deck, int selector);
  void updateRoutingForOutputSamplerMic(int selector);
  void updateRoutingForOutputHeadphones(int selector);
  void updateRoutingForOutputExtraZone(int, int);
  void updateRoutingForInputDeck(int deck, int selector);
  void updateRoutingForInputMic(int selector);
  int getRoute(int index) const;
  bool isFullyInternalMixer() const { return fullyInternalMixer.load(std::memory_order_relaxed) != 0; }

  // Switches the master limiter at the next buffer (starting clears it; a running one is left as it is).
  void setLimiter(bool on);
  // Hands the pair to the audio thread, which uses it from its next buffer; null removes the callback.
  void setAudioRecordingCallback(ZRAudioRecordingCallback callback, void* data);
  // Records the master (before the limiter) into path: WAV, AIFF or MP3 by its extension.
  bool startRecording(const char* path);
  void stopRecording();
  float getRecordingTime();

  // The device callbacks (forwarding to samplesRecorded and samplesToBePlayed); both return frames, 0 when
  // nothing was done.
  static int callbackSamplesRecorded(float* input, int frames, int channels, void* self);
  static int callbackSamplesToBePlayed(float* output, int frames, int channels, void* self);
  int samplesRecorded(float* input, int frames, int channels);
  int samplesToBePlayed(float* output, int frames, int channels);

  int getOutputChannels() const { return outputChannels.load(std::memory_order_relaxed); }
  int getInputChannels() const { return inputChannels.load(std::memory_order_relaxed); }
  const ZRAudioIO* getDevice() const { return device.get(); }
  ZRAudioRecorder* getRecorder() { return recorder.get(); }
  CEffectDynamics* getLimiter() { return limiter.get(); }
  // A bus of the last mixed piece (interleaved stereo, kBusFrames frames); for meters and tests.
  const float* getBus(int bus) const { return buses[bus].get(); }

 private:
  void setRoutePair(int first, int selector, int channels);
  void checkForFullyInternalMixerMode();
  void mixPiece(float* output, int frames, int channels);
  // Audio thread: takes a pending recording callback that was handed over whole.
  void takePendingRecordingCallback();
  // Audio thread: starts or stops the limiter as last asked; its state belongs to this thread.
  void applyLimiterRequest();

  // Opens row dev into `device` (or nothing for a negative row).
  void openDevice(int dev, int second, int frames, void* handle);

  std::unique_ptr<ZRAudioIO> device;
  ZRAudioDeviceProblemHandler problemHandler;
  ZRMixer* mixer;
  CLiveInputSource** deckInputs;
  CLiveInputSource* microphoneInput;
  std::unique_ptr<ZRAudioRecorder> recorder;
  ZRSimpleMixZone** extraZones;
  std::unique_ptr<CEffectDynamics> limiter;

  std::atomic<ZRAudioRecordingCallback> recordingCallback{nullptr};
  std::atomic<void*> recordingData{nullptr};
  // The pending pair under a sequence count: odd while the main thread writes it, so the audio thread
  // never takes a callback with another callback's data, and a pair set while the audio thread takes the
  // previous one is not lost.
  std::atomic<ZRAudioRecordingCallback> pendingCallback{nullptr};
  std::atomic<void*> pendingData{nullptr};
  std::atomic<unsigned> pendingSequence{0};
  unsigned takenSequence = 0;  // audio thread only

  int deviceIndex = -1;
  int secondDeviceIndex = -1;
  int bufferFrames = 2048;
  void* platformHandle = nullptr;
  enum LimiterRequest { kLimiterNoRequest = 0, kLimiterOn = 1, kLimiterOff = 2 };
  std::atomic<int> limiterRequest{kLimiterNoRequest};
  std::atomic<int> routes[kRoutes];
  std::atomic<int> fullyInternalMixer{0};
  std::unique_ptr<float[]> buses[kBuses];
  std::atomic<int> outputChannels{0};
  std::atomic<int> inputChannels{0};
};

// The output routing selectors for a device with outputChannels channels as the split-stereo setting
// rewrites them, in the order deck A, deck B, deck C, deck D, sampler and microphone, headphones. Split: the
// deck and sampler buses folded onto channel 0 and the headphones onto channel 1; otherwise the first pair,
// and the headphones on the second pair when there is one.
void splitStereoRoutingSelectors(int outputChannels, bool split, int selectors[6]);
