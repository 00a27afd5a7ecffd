#pragma once
// Shared set-up of the whole-engine tests: generated tracks, decks loaded from files and waited for until
// decoded, and the sound output on the manual pump.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "soundio/audio_device_table.h"
#include "soundio/manual_audio_device.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"
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

// Two decks (0 and 1) holding generated tones written as a.wav and b.wav into dir (deck B's track lasts
// secondsB when given, else seconds too). ready() asks them to load the files and waits until both are
// decoded in full.
struct ToneDecks {
  ToneDecks(const TempDir& dir, double freqA, double freqB, double seconds, double amplitude,
            double secondsB = 0)
      : folder(dir),
        written(writeWav16(dir.file("a.wav"), stereoToneTrack(freqA, seconds, amplitude), 2, 44100) &&
                writeWav16(dir.file("b.wav"),
                           stereoToneTrack(freqB, secondsB > 0 ? secondsB : seconds, amplitude), 2, 44100)) {}
  bool ready(std::chrono::seconds limit) {
    return written && loadDecoded({{&a, folder.file("a.wav")}, {&b, folder.file("b.wav")}}, limit);
  }

  const TempDir& folder;
  bool written;
  CSoundSource a{0, ZRString(folder.file("Stripes").c_str())};
  CSoundSource b{1, ZRString(folder.file("Stripes").c_str())};
};

// Two sources as deck A and deck B of a fresh mixer, as the application sets them up: channels 0 and 1 on
// crossfader sides 0 and 1, faders at the top, the crossfader curve from 50 and the crossfader at deck A.
inline void setUpTwoDeckMixer(ZRMixer& mixer, ZRAudioSignalSource* a, ZRAudioSignalSource* b) {
  mixTwoChannels(mixer, *a, *b, 0);
  mixer.SetCrossfaderCurveStartPoint(50, false);
}

// The sound output of a mixer on the manual pump (stereo, no input), opened with bufferFrames-frame buffers
// and deck A, deck B and the sampler bus routed to the first pair (the fully-internal mixer), the
// headphones to none. pump() runs whole buffers and keeps one bus of each.
struct ManualEngine {
  ManualEngine(ZRMixer& mixer, int bufferFrames) : frames(bufferFrames) {
    ZRBuiltInAudioDevices s;
    s.systemDevices = false;
    s.manualPump = true;
    s.manualInputChannels = 0;
    setBuiltInAudioDevices(s);
    scanAudioDevices();
    output = std::make_unique<ZRAudioMultiOutput>(&mixer, nullptr, nullptr, nullptr);
    output->updateAudioDevices(getAudioDeviceIndexFromName("Manual pump"), -1, bufferFrames, nullptr, 0);
    output->updateRoutingForOutputDeck(0, 1);
    output->updateRoutingForOutputDeck(1, 1);
    output->updateRoutingForOutputSamplerMic(1);
    output->updateRoutingForOutputHeadphones(0);
  }
  ~ManualEngine() {
    output->updateAudioDevices(-1, -1, frames, nullptr, 0);
    output.reset();
    freeScanAudioDevices();
    setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
  }
  // Runs buffers device buffers; returns the interleaved stereo frames of bus they mixed.
  std::vector<float> pump(int buffers, int bus = ZRAudioMultiOutput::kBusMaster) {
    std::vector<float> kept;
    std::vector<float> device(2 * static_cast<size_t>(frames));
    for (int b = 0; b < buffers; ++b) {
      EXPECT_TRUE(pumpManualAudioDevice(frames, nullptr, device.data()));
      const float* from = output->getBus(bus);
      kept.insert(kept.end(), from, from + 2 * frames);
    }
    return kept;
  }

  int frames;
  std::unique_ptr<ZRAudioMultiOutput> output;
};

// Frequency by rising zero crossings and RMS of the left channel of interleaved stereo frames [from, to).
inline void analyseTone(const std::vector<float>& stereo, long from, long to, double& freq, double& rms) {
  long first = -1, last = -1, count = 0;
  double sum = 0;
  for (long i = from + 1; i < to; ++i) {
    const float v = stereo[2 * i], previous = stereo[2 * (i - 1)];
    sum += static_cast<double>(v) * v;
    if (previous < 0 && v >= 0) {
      if (first < 0) first = i;
      last = i;
      ++count;
    }
  }
  freq = count > 1 ? (count - 1) * 44100.0 / static_cast<double>(last - first) : 0.0;
  rms = std::sqrt(sum / static_cast<double>(to - from - 1));
}

}  // namespace orvel_test
