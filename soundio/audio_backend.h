#pragma once
// One open device stream, whatever drives it (the system's sound layer, our clocked null and file devices,
// or the manual pump). The stream calls one I/O procedure per device buffer with interleaved float input
// (null when the stream has no input channels) and interleaved float output to fill; the procedure runs on
// the stream's own thread (the caller's thread for the manual pump) and must not allocate, block or do I/O.

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
  int bufferFrames() const { return bufferFrames_; }
  int inputChannels() const { return inputChannels_; }
  int outputChannels() const { return outputChannels_; }

 protected:
  double rate_ = 44100.0;
  int bufferFrames_ = 0;
  int inputChannels_ = 0;
  int outputChannels_ = 0;
};

// Opens row's device with all its channels for bufferFrames-frame buffers (already clamped to the row's
// range), at 44100 Hz or, when the device refuses that, at its own rate (the stream's rate() tells). Null
// when the device cannot be opened; the reason is logged.
std::unique_ptr<ZRAudioBackendStream> openAudioBackendStream(const TCAdevice& row, int bufferFrames,
                                                             ZRAudioStreamProc proc, void* client);

// The backends behind it (the clocked null and file devices are in clocked_audio_device.h).
std::unique_ptr<ZRAudioBackendStream> openPortAudioStream(const TCAdevice& row, int bufferFrames,
                                                          ZRAudioStreamProc proc, void* client);
std::unique_ptr<ZRAudioBackendStream> openManualAudioStream(const TCAdevice& row, int bufferFrames,
                                                            ZRAudioStreamProc proc, void* client);
