#include "soundio/zr_alsa_midi_transport.h"
#include "soundio/zr_jack_midi_transport.h"
#include "soundio/zr_midi_ports.h"

std::vector<std::shared_ptr<ZRMidiTransport>> openSystemMidiTransports() {
  std::vector<std::shared_ptr<ZRMidiTransport>> transports;
  if (auto alsa = openAlsaMidiTransport()) transports.push_back(std::move(alsa));
  if (auto jack = openJackMidiTransport()) transports.push_back(std::move(jack));
  return transports;
}
