#pragma once
// The null output and the file device: no hardware, one thread per open stream that calls the I/O procedure
// once per buffer period on absolute deadlines. The file device reads its input from a WAV file (PCM 16, 24,
// 32 bits or float) loaded at opening and writes its output to a 32-bit float WAV file, from its own thread
// after each procedure call. Used through openAudioBackendStream.

#include "soundio/audio_backend.h"

std::unique_ptr<ZRAudioBackendStream> openClockedAudioStream(const TCAdevice& row, int bufferFrames,
                                                             ZRAudioStreamProc proc, void* client);
