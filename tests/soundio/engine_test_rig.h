#pragma once
// Shared set-up of the whole-engine tests: generated tracks, and decks loaded from files and waited for
// until decoded.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "dsp/engine/sound_source.h"

namespace orvel_test {

// Interleaved stereo 16-bit sine at 44.1 kHz, the same in both channels.
inline std::vector<int16_t> stereoToneTrack(double freq, double seconds, double amplitude) {
  const long frames = std::lrint(seconds * 44100);
  std::vector<int16_t> s(2 * frames);
  for (long i = 0; i < frames; ++i) {
    s[2 * i] = s[2 * i + 1] =
        static_cast<int16_t>(std::lrint(amplitude * std::sin(2 * M_PI * freq * i / 44100.0)));
  }
  return s;
}

// Asks the deck to load the file at `path`; the deck copies the request.
inline bool openDeckFile(CSoundSource& deck, const std::string& path) {
  ZRCodecBase::OpenStruct request;
  request.path = ZRString(path.c_str());
  return deck.OpenFileName(&request, nullptr);
}

// Takes the deck's events until its track is ready and decoded in full; false after `limit`.
inline bool waitDeckDecoded(CSoundSource& deck, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    deck.takePendingEvent();
    if (deck.isTrackReady() && deck.GetLoadingProgressPercent() >= 100) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

}  // namespace orvel_test
