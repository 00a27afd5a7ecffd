#pragma once
// One open device stream, whatever drives it (the system's sound layer, our clocked null and file devices,
// or the manual pump). The stream calls one I/O procedure per device buffer with interleaved float input
// (null when the stream has no input channels) and interleaved float output to fill; the procedure runs on
// the stream's own thread (the caller's thread for the manual pump) and must not allocate, block or do I/O.

#include <atomic>
#include <memory>

#include "soundio/audio_device_table.h"

using ZRAudioStreamProc = void (*)(const float* input, float* output, int frames, void* client);

class ZRAudioBackendStream {
 public:
  virtual ~ZRAudioBackendStream() = default;
  // Starts the callbacks; false when the device refuses to run.
  virtual bool start() = 0;
  // Stops the callbacks; once it returns no procedure call is running or will run.
  virtual void stop() = 0;

  double rate() const { return rate_; }
  // The frames of one device buffer. A device whose buffer size is set by its server (JACK) reports the
  // size it runs at; its buffers may still vary, and the procedure takes any length.
  int bufferFrames() const { return bufferFrames_; }
  int inputChannels() const { return inputChannels_; }
  int outputChannels() const { return outputChannels_; }
  // Whether the procedure runs on a thread of the device's own that should run at real-time priority
  // (false for the manual pump, which runs on its caller's thread).
  virtual bool ownsCallbackThread() const { return true; }
  // Buffers the device reported as lost or late (underruns and overruns) since opening; 0 for devices
  // that cannot tell.
  unsigned xruns() const { return xruns_.load(std::memory_order_relaxed); }

 protected:
  double rate_ = 44100.0;
  int bufferFrames_ = 0;
  int inputChannels_ = 0;
  int outputChannels_ = 0;
  std::atomic<unsigned> xruns_{0};
};

// Opens row's device with all its channels for bufferFrames-frame buffers (already clamped to the row's
// range), at 44100 Hz or, when the device refuses that, at its own rate (the stream's rate() tells). A
// device that cannot open all its channels gets a stereo stream, and one whose input side fails plays
// without input: the stream's channel counts tell what was opened. Null when the device cannot be opened;
// the reason is logged.
std::unique_ptr<ZRAudioBackendStream> openAudioBackendStream(const TCAdevice& row, int bufferFrames,
                                                             ZRAudioStreamProc proc, void* client);

// The backends behind it (the clocked null and file devices are in clocked_audio_device.h).
std::unique_ptr<ZRAudioBackendStream> openPortAudioStream(const TCAdevice& row, int bufferFrames,
                                                          ZRAudioStreamProc proc, void* client);
std::unique_ptr<ZRAudioBackendStream> openManualAudioStream(const TCAdevice& row, int bufferFrames,
                                                            ZRAudioStreamProc proc, void* client);
