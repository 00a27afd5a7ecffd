#include "dsp/engine/live_input_source.h"

#include <algorithm>
#include <cstring>

CLiveInputSource::CLiveInputSource(ZRAudioSignalSource* deckSource, int frames)
    : deck(deckSource),
      bufferFrames(std::max(frames, kMinimumFrames)),
      inputBuffer(new float[2 * static_cast<size_t>(bufferFrames)]()) {}

CLiveInputSource::~CLiveInputSource() {
  delete[] inputBuffer;
}

void CLiveInputSource::GetSamples(float* buffer, int frames) {
  const int n = std::clamp(frames, 0, bufferFrames);
  std::memcpy(buffer, inputBuffer, sizeof(float) * 2 * n);
  if (frames > n) std::memset(buffer + 2 * n, 0, sizeof(float) * 2 * (frames - n));
}

void CLiveInputSource::GetSamplesShort(short*, int) {}

float CLiveInputSource::GetCurrentBPM() {
  return deck != nullptr ? deck->GetCurrentBPM() : 0.0f;
}

int CLiveInputSource::GetCurrentPos() {
  return deck != nullptr ? deck->GetCurrentPos() : 0;
}

int CLiveInputSource::GetLength() {
  return deck != nullptr ? deck->GetLength() : -1;
}

void CLiveInputSource::BeforeGetSamples(int pass) {
  if (deck != nullptr) deck->BeforeGetSamples(pass);
}
