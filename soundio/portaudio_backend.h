#pragma once
// The system's sound devices through PortAudio, on its ALSA host API (which also reaches PipeWire and
// PulseAudio through their ALSA devices) and its JACK host API (a JACK server, or PipeWire's JACK
// service), whose server-set periods may be as short as 64 frames. Only the device table and the backend
// factory use this header.

#include <cstdint>

// Backend indices of the system's devices, ALSA's first, then JACK's, each in the order the system lists
// them, at most max; 0 when the system layer cannot be started or offers neither host API.
int listSystemAudioDevices(uint32_t* ids, int max);
