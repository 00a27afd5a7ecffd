// The look-ahead key lock, which the application leaves switched off: once
// switched on it time-stretches ahead of the play position on "SC-dsp",
// keeps the pitch at another tempo, applies key shift, and switches paths
// without a click.

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "deck_test_util.h"

namespace {

using namespace deck_test;

class DeckLookAheadTest : public DeckFixture {
 protected:
  // Renders chunks as a device would, a little faster than real time, and
  // returns the frequencies measured in those chunks the look-ahead buffer
  // had ready (a chunk it had not is silence and does not move the deck).
  std::vector<double> playChunks(int chunks, int frames) {
    std::vector<double> frequencies;
    for (int i = 0; i < chunks * 4 && static_cast<int>(frequencies.size()) < chunks; ++i) {
      const std::vector<float> out = render(frames);
      std::this_thread::sleep_for(std::chrono::milliseconds(frames * 1000 / 44100 / 2));
      if (out[2 * (frames - 1)] == 0.0f && out[2 * (frames - 2)] == 0.0f) continue;
      frequencies.push_back(dominantFrequency(out));
    }
    return frequencies;
  }
};

TEST_F(DeckLookAheadTest, KeepsThePitchAndShiftsTheKey) {
  const std::string path = dir.file("sine.wav");
  ASSERT_TRUE(orvel_test::writeWav16(path, sine(440.0, 30.0), 2, 44100));
  loadAndDecode(path);
  deck->setLookAheadKeyLockEnabled(true);
  deck->SetMasterTempo(1);
  deck->SetPitch(1000);  // speed 1.1
  deck->PlayPause(1);
  const double start = deck->GetPlayPosition();
  const std::vector<double> kept = playChunks(8, 8820);
  ASSERT_GE(kept.size(), 8u);
  for (double f : kept) EXPECT_NEAR(f, 440.0, 6.0);
  // Time runs at the deck's speed.
  EXPECT_NEAR((deck->GetPlayPosition() - start) / (8 * 8820.0), 1.1, 0.15);

  deck->SetPitchKey(1200);  // an octave up, same tempo
  playChunks(4, 8820);      // the new buffer takes over
  const std::vector<double> shifted = playChunks(6, 8820);
  ASSERT_GE(shifted.size(), 6u);
  for (size_t i = 2; i < shifted.size(); ++i) EXPECT_NEAR(shifted[i], 880.0, 12.0);
}

TEST_F(DeckLookAheadTest, SwitchingPathsDoesNotClick) {
  const std::string path = dir.file("sine.wav");
  ASSERT_TRUE(orvel_test::writeWav16(path, sine(440.0, 30.0), 2, 44100));
  loadAndDecode(path);
  deck->setLookAheadKeyLockEnabled(true);
  deck->SetMasterTempo(1);
  deck->SetPitch(500);
  deck->PlayPause(1);
  ASSERT_GE(playChunks(4, 4410).size(), 4u);
  for (int round = 0; round < 4; ++round) {
    // Key lock off: back to the variable-speed reader; on again: the
    // look-ahead path. The first buffer of each crossfades the two.
    deck->SetMasterTempo(round % 2);
    const std::vector<float> out = render(512);
    float largest = 0;
    for (int k = 1; k < 512; ++k) largest = std::max(largest, std::fabs(out[2 * k] - out[2 * (k - 1)]));
    // A 440 Hz sine at this level moves at most 0.03 per frame.
    EXPECT_LT(largest, 0.06f) << "round " << round;
    playChunks(2, 4410);
  }
}

}  // namespace
