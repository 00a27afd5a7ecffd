#pragma once
// The sound devices by table index: the scan, the lookups the audio settings use, and ZRAudioIO, the owner
// of the one open device.

#include <memory>

#include "soundio/cca_output.h"

// Builds the device table (see audio_device_table.h); once at start-up, before the audio settings apply.
void scanAudioDevices();
// Frees the table's texts; last thing at shut-down, after the device is closed.
void freeScanAudioDevices();
// Number of devices in the table; both arguments are ignored.
int getAudioDeviceTotal(int, int);
// Copies the device's name into name (emptied first), which holds kAudioDeviceNameBytes bytes; longer names
// are cut at a character boundary. False for a null name or an index outside the table.
constexpr int kAudioDeviceNameBytes = 4096;
bool getAudioDeviceNameFromIndex(int index, char* name);
// Channel names are not provided: empties name and answers true; false for a null name.
bool getAudioDeviceChannelNameFromIndex(int, int, int, char* name);
int getAudioDeviceInputChannels(int index);
int getAudioDeviceOutputChannels(int index);
// The first device flagged as default output (or input); 0 when none is.
int getDefaultAudioDeviceIndex(bool output);
// The row whose name is name (the settings keep a device by its name); -1 when none is.
int getAudioDeviceIndexFromName(const char* name);
// The row of "Null output", the device that always opens; -1 before the first scan.
int getNullAudioDeviceIndex();

class ZRAudioIO {
 public:
  // Opens the device (index clamped to the table) for bufferFrames-frame buffers and starts it. The sixth and
  // seventh arguments are not used. Without any device in the table it logs "warning: no audio devices" and
  // holds no output.
  ZRAudioIO(int device, CCAoutput::Callback recorded, CCAoutput::Callback toBePlayed, int bufferFrames,
            void* userData, void*, int, int secondDevice);
  ~ZRAudioIO();
  ZRAudioIO(const ZRAudioIO&) = delete;
  ZRAudioIO& operator=(const ZRAudioIO&) = delete;

  // The accepted buffer size in frames; 0 without an open device.
  int getLatency() const;
  // Whether the device opened and runs.
  bool isRunning() const { return output_ != nullptr && output_->isRunning(); }
  // The table row in use (clamped), -1 without devices.
  int getDeviceIndex() const { return device_; }
  // Channel counts of the stream opened, 0 when it did not open.
  int getInputChannels() const { return output_ ? output_->getInputChannels() : 0; }
  int getOutputChannels() const { return output_ ? output_->getOutputChannels() : 0; }
  // The open output, null when none.
  const CCAoutput* output() const { return output_.get(); }

 private:
  std::unique_ptr<CCAoutput> output_;
  int device_ = -1;
  int secondDevice_ = -1;
};
