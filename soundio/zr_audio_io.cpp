#include "soundio/zr_audio_io.h"

#include <algorithm>
#include <cstring>

#include "common/zr_logging.h"
#include "common/zr_utf8_cut.h"
#include "soundio/audio_device_table.h"

void scanAudioDevices() {
  CASearchForDevices();
}

void freeScanAudioDevices() {
  CAFreeSearchForDevices();
}

int getAudioDeviceTotal(int, int) {
  return CA_DEVs;
}

bool getAudioDeviceNameFromIndex(int index, char* name) {
  if (name == nullptr) return false;
  name[0] = 0;
  if (index < 0 || index >= CA_DEVs || CA_DEVICE[index].name == nullptr) return false;
  const char* text = CA_DEVICE[index].name;
  const size_t n = utf8CutLength(text, std::strlen(text), kAudioDeviceNameBytes - 1);
  std::memcpy(name, text, n);
  name[n] = 0;
  return true;
}

bool getAudioDeviceChannelNameFromIndex(int, int, int, char* name) {
  if (name == nullptr) return false;
  name[0] = 0;
  return true;
}

int getAudioDeviceInputChannels(int index) {
  return index >= 0 && index < CA_DEVs ? CA_DEVICE[index].inputChannels : 0;
}

int getAudioDeviceOutputChannels(int index) {
  return index >= 0 && index < CA_DEVs ? CA_DEVICE[index].outputChannels : 0;
}

int getDefaultAudioDeviceIndex(bool output) {
  for (int i = 0; i < CA_DEVs; ++i) {
    if (output ? CA_DEVICE[i].defaultOutput : CA_DEVICE[i].defaultInput) return i;
  }
  return 0;
}

int getAudioDeviceIndexFromName(const char* name) {
  if (name == nullptr) return -1;
  for (int i = 0; i < CA_DEVs; ++i) {
    if (CA_DEVICE[i].name != nullptr && std::strcmp(CA_DEVICE[i].name, name) == 0) return i;
  }
  return -1;
}

int getNullAudioDeviceIndex() {
  for (int i = 0; i < CA_DEVs; ++i) {
    if (CA_DEVICE[i].kind == ZRAudioDeviceKind::Null) return i;
  }
  return -1;
}

ZRAudioIO::ZRAudioIO(int device, CCAoutput::Callback recorded, CCAoutput::Callback toBePlayed,
                     int bufferFrames, void* userData, void*, int, int secondDevice)
    : secondDevice_(secondDevice) {
  if (CA_DEVs <= 0) {
    ZRLOG("warning: no audio devices");
    return;
  }
  device_ = std::clamp(device, 0, CA_DEVs - 1);
  uint32_t in = 0, out = 0;
  output_ = std::make_unique<CCAoutput>(device_, secondDevice_, CCAoutput::kEngineRate, in, out, recorded,
                                        toBePlayed, bufferFrames, userData);
}

ZRAudioIO::~ZRAudioIO() = default;

int ZRAudioIO::getLatency() const {
  return output_ ? output_->GetLatency() : 0;
}
