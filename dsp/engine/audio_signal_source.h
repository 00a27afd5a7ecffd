#pragma once
// Older include name of the audio source interface; the interface itself lives in zr_audio_signal_source.h.
#include "dsp/engine/zr_audio_signal_source.h"
