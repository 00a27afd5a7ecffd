#pragma once
// The machine's sound devices as one fixed table, scanned once at start-up and looked up by row index.
//
// Rows 0..CA_DEVs-1 hold, first, the system's devices that have output channels (PortAudio on its ALSA host
// API, which also reaches PipeWire and PulseAudio through their ALSA devices), in the order the system lists
// them, then our own devices:
// - "Null output": no hardware; a thread calls the I/O procedure once per buffer period on absolute
//   deadlines, so the engine runs in real time on a machine without a sound card. Always listed.
// - "File output": the same clock; writes the output to a float WAV file and reads the input from a WAV
//   file. Listed when an output path is configured.
// - "Manual pump": no clock at all; the caller pumps buffers synchronously (manual_audio_device.h), which
//   makes whole-engine tests deterministic. Listed when enabled.
// When no system device is the default output, the null output is flagged as the default.
//
// The row after the last device is kept free for an aggregate of two devices; aggregates cannot be made
// here, so it stays empty (CA_CreateAggregateDevice always fails).

#include <cstdint>
#include <string>

enum class ZRAudioDeviceKind { System, Null, File, Manual };

// One row of the device table.
struct TCAdevice {
  uint32_t deviceId = 0;  // the backend's device index (system devices), 0 for our own devices
  char* name = nullptr;   // owned
  char* maker = nullptr;  // owned
  int inputChannels = 0;
  int outputChannels = 0;
  // Whether the output accepts float audio at 22050, 44100, 48000, 88200, 96000 and 192000 Hz.
  bool supportedRates[6] = {};
  int minimumBufferFrames = 0;
  int maximumBufferFrames = 0;
  int currentBufferFrames = 0;  // when scanned; updated when a device is opened
  bool defaultInput = false;
  bool defaultOutput = false;
  // Where the row comes from, and the rate the device runs at when it refuses 44100 Hz.
  ZRAudioDeviceKind kind = ZRAudioDeviceKind::System;
  double defaultRate = 44100.0;
};

constexpr int kAudioDeviceTableRows = 100;
extern TCAdevice CA_DEVICE[kAudioDeviceTableRows];
extern int CA_DEVs;

// Settings of our own devices, read by the next scan. Channel counts are clamped to 0..32 (outputs 1..32);
// a rate of 0 or less means 44100.
struct ZRBuiltInAudioDevices {
  bool systemDevices = true;  // false: do not ask the system (tests, headless runs)
  int nullInputChannels = 0;
  int nullOutputChannels = 2;
  double nullRate = 44100.0;
  std::string fileOutputPath;  // empty: no file device
  std::string fileInputPath;   // empty: the file device's input is silent
  int fileInputChannels = 2;
  int fileOutputChannels = 2;
  double fileRate = 44100.0;
  bool manualPump = false;
  int manualInputChannels = 2;
  int manualOutputChannels = 2;
  double manualRate = 44100.0;
  // The manual pump can open less than its row lists, as a system device that falls back to stereo or
  // loses its input side does: 0 opens every listed output channel.
  int manualOpenedOutputChannels = 0;
  bool manualOpensInput = true;
};
void setBuiltInAudioDevices(const ZRBuiltInAudioDevices& settings);
ZRBuiltInAudioDevices getBuiltInAudioDevices();

// Rebuilds the table: frees the old rows, lists the system's devices (unless switched off) and ours.
void CASearchForDevices();
// Frees every row's texts and ends the session with the system's sound layer when no device is open;
// CA_DEVs is left as it is.
void CAFreeSearchForDevices();
// Reads a system device's details into row; false (row untouched) for a device without output channels or
// one that cannot be asked. A negative index skips the alive test.
bool CA_GetDeviceDetails(uint32_t id, TCAdevice* row, int index);
// Whether the system device accepts float audio on its output (or input) side at rate with channels
// channels (0: the device's own count).
bool CA_DeviceCanSample(uint32_t id, uint32_t channel, bool isInput, uint32_t rate, uint32_t channels);
// Aggregates of two devices do not exist here: both answer a failure status (non-zero).
int CA_CreateAggregateDevice(uint32_t firstId, uint32_t secondId, uint32_t& aggregateId);
int CA_DestroyAggregateDevice(uint32_t aggregateId);

// The system layer's session is shared with the opened streams: the table keeps it alive while a stream is
// open. Used by the backends only.
bool audioSystemAcquire();
void audioSystemRelease();
