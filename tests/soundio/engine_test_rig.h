#pragma once
// Shared set-up of the whole-engine tests: generated tracks, and decks loaded from files and waited for
// until decoded.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "support/test_support.h"

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

// Loads each deck's file (all at once) and waits until every one is decoded in full; false after
// `limit` for any of them.
inline bool loadDecoded(std::initializer_list<std::pair<CSoundSource*, std::string>> decks,
                        std::chrono::seconds limit) {
  for (const auto& [deck, path] : decks) {
    if (!openDeckFile(*deck, path)) return false;
  }
  for (const auto& [deck, path] : decks) {
    if (!waitDeckDecoded(*deck, limit)) return false;
  }
  return true;
}

// Registers a and b as the mixer's channels 0 and 1, on crossfader sides A and B with their faders
// fully open, and sets the crossfader; false when they do not get channels 0 and 1.
inline bool mixTwoChannels(ZRMixer& mixer, ZRAudioSignalSource& a, ZRAudioSignalSource& b, int crossfader) {
  if (mixer.AddMixerChannel(&a) != 0 || mixer.AddMixerChannel(&b) != 1) return false;
  mixer.SetCrossfaderChannel(0, 0);
  mixer.SetCrossfaderChannel(1, 1);
  mixer.SetFaderPosition(0, 127);
  mixer.SetFaderPosition(1, 127);
  mixer.SetCrossfaderPosition(crossfader);
  return true;
}

// Two decks (0 and 1) holding generated tones written as a.wav and b.wav into dir. ready() asks them to load
// the files and waits until both are decoded in full.
struct ToneDecks {
  ToneDecks(const TempDir& dir, double freqA, double freqB, double seconds, double amplitude)
      : folder(dir),
        written(writeWav16(dir.file("a.wav"), stereoToneTrack(freqA, seconds, amplitude), 2, 44100) &&
                writeWav16(dir.file("b.wav"), stereoToneTrack(freqB, seconds, amplitude), 2, 44100)) {}
  bool ready(std::chrono::seconds limit) {
    return written && loadDecoded({{&a, folder.file("a.wav")}, {&b, folder.file("b.wav")}}, limit);
  }

  const TempDir& folder;
  bool written;
  CSoundSource a{0, ZRString(folder.file("Stripes").c_str())};
  CSoundSource b{1, ZRString(folder.file("Stripes").c_str())};
};

}  // namespace orvel_test
