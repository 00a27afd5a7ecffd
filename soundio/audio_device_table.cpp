#include "soundio/audio_device_table.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "soundio/audio_backend.h"
#include "soundio/clocked_audio_device.h"
#include "soundio/portaudio_backend.h"

TCAdevice CA_DEVICE[kAudioDeviceTableRows];
int CA_DEVs = 0;

namespace {

std::mutex settingsMutex;
ZRBuiltInAudioDevices builtInSettings;
// The scan holds one session of the system layer so that device indices stay valid while the table lives.
bool scanHoldsSession = false;

char* copyText(const char* text) {
  const size_t n = std::strlen(text);
  char* out = new char[n + 1];
  std::memcpy(out, text, n + 1);
  return out;
}

void freeRow(TCAdevice& row) {
  delete[] row.name;
  delete[] row.maker;
  row = TCAdevice{};
}

double rateOrDefault(double rate) {
  return rate > 0 ? rate : 44100.0;
}

void addOwnDevice(const char* name, ZRAudioDeviceKind kind, int inputs, int outputs, double rate) {
  // One row stays free for an aggregate device.
  if (CA_DEVs >= kAudioDeviceTableRows - 1) return;
  TCAdevice& row = CA_DEVICE[CA_DEVs];
  freeRow(row);
  row.name = copyText(name);
  row.maker = copyText("Orvel");
  row.kind = kind;
  row.inputChannels = std::clamp(inputs, 0, 32);
  row.outputChannels = std::clamp(outputs, 1, 32);
  row.defaultRate = rateOrDefault(rate);
  const double rates[6] = {22050, 44100, 48000, 88200, 96000, 192000};
  for (int r = 0; r < 6; ++r) row.supportedRates[r] = rates[r] == row.defaultRate;
  row.minimumBufferFrames = 16;
  row.maximumBufferFrames = 16384;
  row.currentBufferFrames = 1024;
  ++CA_DEVs;
}

// Two host APIs may offer devices of one name: each such row gets its host API (the row's maker) in its
// name, so the name still picks exactly one row (the settings store the device by its name).
void nameSharedSystemDevices(int rows) {
  bool shared[kAudioDeviceTableRows] = {};
  for (int i = 0; i < rows; ++i) {
    for (int j = i + 1; j < rows; ++j) {
      if (std::strcmp(CA_DEVICE[i].name, CA_DEVICE[j].name) == 0) shared[i] = shared[j] = true;
    }
  }
  for (int i = 0; i < rows; ++i) {
    if (!shared[i]) continue;
    const std::string named = std::string(CA_DEVICE[i].name) + " (" + CA_DEVICE[i].maker + ")";
    delete[] CA_DEVICE[i].name;
    CA_DEVICE[i].name = copyText(named.c_str());
  }
}

}  // namespace

void setBuiltInAudioDevices(const ZRBuiltInAudioDevices& settings) {
  std::lock_guard<std::mutex> guard(settingsMutex);
  builtInSettings = settings;
}

ZRBuiltInAudioDevices getBuiltInAudioDevices() {
  std::lock_guard<std::mutex> guard(settingsMutex);
  return builtInSettings;
}

void CASearchForDevices() {
  const ZRBuiltInAudioDevices settings = getBuiltInAudioDevices();
  for (TCAdevice& row : CA_DEVICE) freeRow(row);
  CA_DEVs = 0;
  if (settings.systemDevices) {
    if (!scanHoldsSession) scanHoldsSession = audioSystemAcquire();
    if (scanHoldsSession) {
      uint32_t ids[kAudioDeviceTableRows];
      const int n = listSystemAudioDevices(ids, kAudioDeviceTableRows - 1);
      for (int i = 0; i < n && CA_DEVs < kAudioDeviceTableRows - 1; ++i) {
        if (CA_GetDeviceDetails(ids[i], &CA_DEVICE[CA_DEVs], CA_DEVs)) ++CA_DEVs;
      }
    }
  }
  const int systemRows = CA_DEVs;
  nameSharedSystemDevices(systemRows);
  addOwnDevice("Null output", ZRAudioDeviceKind::Null, settings.nullInputChannels,
               settings.nullOutputChannels, settings.nullRate);
  const int nullRow = CA_DEVs - 1;
  if (!settings.fileOutputPath.empty()) {
    addOwnDevice("File output", ZRAudioDeviceKind::File, settings.fileInputChannels,
                 settings.fileOutputChannels, settings.fileRate);
  }
  if (settings.manualPump) {
    addOwnDevice("Manual pump", ZRAudioDeviceKind::Manual, settings.manualInputChannels,
                 settings.manualOutputChannels, settings.manualRate);
  }
  bool anyDefault = false;
  for (int i = 0; i < systemRows; ++i) anyDefault = anyDefault || CA_DEVICE[i].defaultOutput;
  // Without a sound card the application still runs, on the null output.
  if (!anyDefault && nullRow >= 0) CA_DEVICE[nullRow].defaultOutput = true;
}

void CAFreeSearchForDevices() {
  for (int i = 0; i < CA_DEVs; ++i) {
    delete[] CA_DEVICE[i].name;
    delete[] CA_DEVICE[i].maker;
    CA_DEVICE[i].name = nullptr;
    CA_DEVICE[i].maker = nullptr;
  }
  if (scanHoldsSession) {
    audioSystemRelease();
    scanHoldsSession = false;
  }
}

int CA_CreateAggregateDevice(uint32_t, uint32_t, uint32_t& aggregateId) {
  aggregateId = 0;
  return -1;
}

int CA_DestroyAggregateDevice(uint32_t) {
  return -1;
}

std::unique_ptr<ZRAudioBackendStream> openAudioBackendStream(const TCAdevice& row, int bufferFrames,
                                                             ZRAudioStreamProc proc, void* client) {
  switch (row.kind) {
    case ZRAudioDeviceKind::System:
      return openPortAudioStream(row, bufferFrames, proc, client);
    case ZRAudioDeviceKind::Null:
    case ZRAudioDeviceKind::File:
      return openClockedAudioStream(row, bufferFrames, proc, client);
    case ZRAudioDeviceKind::Manual:
      return openManualAudioStream(row, bufferFrames, proc, client);
  }
  return nullptr;
}
