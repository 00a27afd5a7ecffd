#pragma once
// The system's sound devices through PortAudio on its ALSA host API. Only the device table and the backend
// factory use this header.

#include <cstdint>

// Backend indices of the system's devices in the order the system lists them, at most max; 0 when the
// system layer cannot be started or has no ALSA host API.
int listSystemAudioDevices(uint32_t* ids, int max);
