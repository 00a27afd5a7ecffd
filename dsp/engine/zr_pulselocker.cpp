#include "dsp/engine/zr_pulselocker.h"

ZRPulselocker* pl1 = nullptr;
