#pragma once
// The "Manual pump" device: no clock and no thread of its own. Whoever holds it (whole-engine tests) runs
// device buffers synchronously, so every run is deterministic. At most one manual device is open at a time.

// Runs frames device frames through the open manual device, in buffers of the size it was opened with.
// input: frames x its input channels interleaved floats (null: silence); output: frames x its output
// channels (null: discarded). False when no manual device is open and started.
bool pumpManualAudioDevice(int frames, const float* input, float* output);

// The open manual device's rate, buffer size and channel counts; false when none is open.
bool getManualAudioDeviceFormat(double& rate, int& bufferFrames, int& inputChannels, int& outputChannels);
