#pragma once
// Shared pieces of the deck tests: generated tracks (a ramp pattern whose
// every frame can be told apart, sines, click tracks), stripe data with an
// exact beat grid so that a track opens with a known tempo and no analysis,
// and a fixture that loads tracks and renders buffers the way the mixer
// pulls them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "database/zr_database.h"
#include "dsp/engine/sound_source.h"
#include "dsp/zr_audio_detection.h"
#include "support/test_support.h"

namespace deck_test {

using Clock = std::chrono::steady_clock;
constexpr float kScale = CSoundSource::kSampleScale;

// Left channel of the pattern track: a ramp that repeats every 20000 frames,
// so that every frame of a window can be told apart. Right is its negation.
inline int16_t patternValue(long frame) {
  return static_cast<int16_t>(frame % 20000 - 10000);
}

inline std::vector<int16_t> pattern(long frames) {
  std::vector<int16_t> s(2 * frames);
  for (long i = 0; i < frames; ++i) {
    s[2 * i] = patternValue(i);
    s[2 * i + 1] = static_cast<int16_t>(-patternValue(i));
  }
  return s;
}

inline std::vector<int16_t> sine(double freq, double seconds) {
  const long frames = lrint(seconds * 44100);
  std::vector<int16_t> s(2 * frames);
  for (long i = 0; i < frames; ++i) {
    s[2 * i] = s[2 * i + 1] = static_cast<int16_t>(lrint(16000 * std::sin(2 * M_PI * freq * i / 44100.0)));
  }
  return s;
}

// Short 2 kHz clicks on a quiet floor at the given beat frames.
inline std::vector<int16_t> clicks(long frames, const std::vector<long>& beats) {
  std::vector<int16_t> s(2 * frames, 0);
  for (long b : beats) {
    for (long i = 0; i < 300 && b + i < frames; ++i) {
      const double v = 20000.0 * std::exp(-i / 60.0) * std::sin(2 * M_PI * 2000.0 * i / 44100.0);
      s[2 * (b + i)] = s[2 * (b + i) + 1] = static_cast<int16_t>(lrint(v));
    }
  }
  return s;
}

// Beats every 2646000 / bpm frames from first (rounded to whole frames).
inline std::vector<long> beatFrames(long frames, double bpm, long first) {
  std::vector<long> beats;
  for (double b = static_cast<double>(first); b < frames; b += 2646000.0 / bpm) beats.push_back(lrint(b));
  return beats;
}

// A WAV header claiming dataBytes of 8-bit mono at 44100 Hz, as a sparse file
// (no disk space used): lengths far beyond what a test could write.
inline bool writeSparseWav8(const std::string& path, uint32_t dataBytes) {
  std::string h = "RIFF";
  const auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) h.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
  };
  const auto put16 = [&](uint16_t v) {
    h.push_back(static_cast<char>(v & 0xff));
    h.push_back(static_cast<char>(v >> 8));
  };
  put32(36 + dataBytes);
  h += "WAVEfmt ";
  put32(16);
  put16(1);
  put16(1);
  put32(44100);
  put32(44100);
  put16(1);
  put16(8);
  h += "data";
  put32(dataBytes);
  if (!orvel_test::writeFile(path, h)) return false;
  return truncate(path.c_str(), static_cast<off_t>(44) + dataBytes) == 0;
}

// Zero crossings per second of the left channel, from the rising ones.
inline double dominantFrequency(const std::vector<float>& stereo) {
  const long frames = static_cast<long>(stereo.size() / 2);
  long first = -1, last = -1, count = 0;
  for (long i = 1; i < frames; ++i) {
    if (stereo[2 * (i - 1)] < 0 && stereo[2 * i] >= 0) {
      if (first < 0) first = i;
      last = i;
      ++count;
    }
  }
  return count > 1 ? (count - 1) * 44100.0 / static_cast<double>(last - first) : 0.0;
}

// The beat marks on a deck's display data.
inline int countBeatMarks(CSoundSource& deck) {
  deck.StartUseDisplayData();
  int marks = 0;
  for (int i = 0; i < deck.getDisplayPointCount(); ++i) marks += deck.getDisplayArrayB()[i] > 50 ? 1 : 0;
  deck.StopUseDisplayData();
  return marks;
}

// Polls done() until it holds or the deadline passes.
inline bool waitUntil(const std::function<bool()>& done, int seconds = 20) {
  const auto deadline = Clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

class DeckFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(stripes());
    deck = std::make_unique<CSoundSource>(0, ZRString(stripes()));
  }
  void TearDown() override { deck.reset(); }

  std::string stripes() const { return dir.file("Stripes"); }

  bool request(const std::string& path, CSoundSource* d = nullptr) {
    ZRCodecBase::OpenStruct r;
    r.path = ZRString(path);
    return (d ? d : deck.get())->OpenFileName(&r, nullptr);
  }

  // Takes events as the GUI does until done() or the deadline; returns them
  // in order.
  std::vector<int> collectEvents(const std::function<bool(const std::vector<int>&)>& done, int seconds = 20,
                                 CSoundSource* d = nullptr) {
    CSoundSource* target = d ? d : deck.get();
    std::vector<int> seen;
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < deadline) {
      // The deck hands its events over as a set of bits: each one is recorded on its own.
      const int e = target->takePendingEvent();
      for (int bit = 1; bit != 0 && bit <= e; bit <<= 1) {
        if (e & bit) seen.push_back(bit);
      }
      if (done(seen)) break;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return seen;
  }

  static bool contains(const std::vector<int>& v, int e) {
    return std::find(v.begin(), v.end(), e) != v.end();
  }

  // Waits (after a request) until the track is open and fully decoded.
  void waitDecoded(CSoundSource* d) {
    // The single event slot may hold a later event than 2 by the time it is
    // taken (a short track is analysed at once), or an earlier track's
    // analysis result while the old track is closed: wait for the deck's own
    // ready flag, which the request clears.
    const std::vector<int> events =
        collectEvents([d](const std::vector<int>& v) { return contains(v, 4) || d->isTrackReady(); }, 20, d);
    ASSERT_FALSE(contains(events, 4));
    ASSERT_TRUE(d->isTrackReady());
    ASSERT_TRUE(waitUntil([d] { return d->GetLoadingProgressPercent() >= 100; }));
  }

  void loadAndDecode(const std::string& path, CSoundSource* d = nullptr) {
    CSoundSource* target = d ? d : deck.get();
    ASSERT_TRUE(request(path, target));
    waitDecoded(target);
  }

  // Loads with a library record (its stripe, cues and loops).
  void loadRecord(const TZRDatabaseTrack& record, CSoundSource* d = nullptr) {
    CSoundSource* target = d ? d : deck.get();
    ZRCodecBase::OpenStruct r;
    r.path = record.tags[kTagFileName];
    ASSERT_TRUE(target->OpenFileName(&r, &record));
    waitDecoded(target);
  }

  std::string patternTrack(long frames, const char* name = "pattern.wav") {
    const std::string path = dir.file(name);
    EXPECT_TRUE(orvel_test::writeWav16(path, pattern(frames), 2, 44100));
    return path;
  }

  // A record for the track at path whose stripe data holds an exact grid of
  // the given beats at bpm, so that the track opens analysed.
  TZRDatabaseTrack gridRecord(const std::string& path, long frames, double bpm,
                              const std::vector<long>& beats) {
    const int points = static_cast<int>((frames + 44099) / 44100) * 441;
    std::vector<float> onsets(points, 0.01f), amplitudes(points, 0.2f), marks(points, 0.1f);
    for (long b : beats) {
      if (b / 100 < points) marks[b / 100] = 55.1f;
    }
    std::unique_ptr<ZRAudioDetection> detector(ZRAudioDetection::create(true, false, false));
    detector->setMarkValues(55.0f, 65.0f);
    TZRDatabaseTrack record;
    record.tags[kTagFileName] = ZRString(path);
    record.bpm = static_cast<float>(bpm);
    ZRDatabase::saveStripe(&record, ZRString(stripes()), detector.get(), true, 1.0f, onsets.data(),
                           amplitudes.data(), marks.data(), points);
    return record;
  }

  // A click track at bpm whose first beat is at first, with its exact grid.
  TZRDatabaseTrack clickRecord(const char* name, double bpm, long first, long frames = 12 * 44100) {
    const std::string path = dir.file(name);
    const std::vector<long> beats = beatFrames(frames, bpm, first);
    EXPECT_TRUE(orvel_test::writeWav16(path, clicks(frames, beats), 2, 44100));
    return gridRecord(path, frames, bpm, beats);
  }

  // Renders frames in buffers of at most 4410 frames.
  std::vector<float> render(long frames, CSoundSource* d = nullptr) {
    CSoundSource* target = d ? d : deck.get();
    std::vector<float> out(2 * frames);
    for (long done = 0; done < frames;) {
      const int n = static_cast<int>(std::min<long>(4410, frames - done));
      target->GetSamples(out.data() + 2 * done, n);
      done += n;
    }
    return out;
  }

  // One device buffer of the mixer for these decks: the three passes, then
  // the samples.
  static void mixBuffer(const std::vector<CSoundSource*>& decks, int frames) {
    std::vector<float> out(2 * frames);
    for (int pass = 0; pass < 3; ++pass) {
      for (CSoundSource* d : decks) d->BeforeGetSamples(pass);
    }
    for (CSoundSource* d : decks) d->GetSamples(out.data(), frames);
  }

  // Starts play at a position inside the track, at speed 1.
  void playFrom(double position) {
    deck->SetPositionAsync(position);
    deck->PlayPause(1);
  }

  orvel_test::TempDir dir;
  std::unique_ptr<CSoundSource> deck;
};

}  // namespace deck_test
