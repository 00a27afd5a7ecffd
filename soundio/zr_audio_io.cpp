#include "soundio/zr_audio_io.h"

#include <algorithm>
#include <cstring>

#include "common/zr_logging.h"
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
  std::strcpy(name, CA_DEVICE[index].name);
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
