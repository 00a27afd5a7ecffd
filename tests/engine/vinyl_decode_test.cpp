// The zero-crossing timecode decoder: speed from the left channel's crossings, direction from the phase of
// the channels, position words from the right channel's high and low half-cycles.

#include "dsp/engine/vinyl_decode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/timecode_synth.h"

namespace {

using orvel_test::ZeroCrossingSynth;

// Runs the decoder over a signal in buffers of `buffer` frames; returns the speed of every buffer and, in
// `words`, every position it took (each change of the latest word).
std::vector<double> decode(CVinylDecode& d, std::vector<float> signal, int buffer, std::vector<int>* words) {
  std::vector<double> speeds;
  int last = d.getPosition();
  for (size_t at = 0; at + 2 * buffer <= signal.size(); at += 2 * buffer) {
    speeds.push_back(d.process(signal.data() + at, buffer));
    if (words != nullptr && d.getPosition() != last) {
      last = d.getPosition();
      words->push_back(last);
    }
  }
  return speeds;
}

}  // namespace

TEST(VinylDecodeTest, SpeedAndDirectionFromTheTone) {
  for (double speed : {1.0, 2.0, 0.5, -1.0, -2.0}) {
    CVinylDecode d;
    const std::vector<double> s = decode(d, ZeroCrossingSynth().render(10000, speed, 8192), 512, nullptr);
    for (size_t i = 1; i < s.size(); ++i)
      ASSERT_NEAR(s[i], speed, 0.02 * std::fabs(speed)) << speed << " " << i;
  }
}

TEST(VinylDecodeTest, SilenceHalvesTheSpeedAndKeepsThePosition) {
  CVinylDecode d;
  std::vector<int> words;
  decode(d, ZeroCrossingSynth().render(4480.0 * 5, 1.0, 4480 * 3), 448, &words);
  const int position = d.getPosition();
  ASSERT_GT(position, 0);
  std::vector<float> silence(2 * 256, 0.0f);
  double expected = 0.5;
  for (int i = 0; i < 4; ++i, expected /= 2) EXPECT_DOUBLE_EQ(d.process(silence.data(), 256), expected);
  // Below -36 dB counts as silence too.
  std::vector<float> faint = ZeroCrossingSynth{0.003}.render(0, 1.0, 256);
  EXPECT_DOUBLE_EQ(d.process(faint.data(), 256), expected);
  EXPECT_EQ(d.getPosition(), position);
}

TEST(VinylDecodeTest, DecodesPositionWordsForwardsAndBackwards) {
  {
    CVinylDecode d;
    std::vector<int> words;
    decode(d, ZeroCrossingSynth().render(4480.0 * 100 - 1000, 1.0, 4480 * 4), 441, &words);
    ASSERT_GE(words.size(), 3u);
    EXPECT_EQ(words[0], 100);
    EXPECT_EQ(words[1], 101);
    EXPECT_EQ(words[2], 102);
    EXPECT_EQ(d.getPreviousPosition(), d.getPosition() - 1);
  }
  {
    CVinylDecode d;
    std::vector<int> words;
    decode(d, ZeroCrossingSynth().render(4480.0 * 203 + 1000, -1.0, 4480 * 4), 441, &words);
    ASSERT_GE(words.size(), 3u);
    // The medium starts inside word 203, after its sync and data, so 203 is the first word read.
    EXPECT_EQ(words[0], 203);
    EXPECT_EQ(words[1], 202);
    EXPECT_EQ(words[2], 201);
  }
}

TEST(VinylDecodeTest, AWordWithWrongParityIsRefused) {
  // Good words first, then the same medium with damaged ones: the position becomes -1.
  CVinylDecode d;
  std::vector<int> words;
  decode(d, ZeroCrossingSynth().render(4480.0 * 7 - 500, 1.0, 4480 * 2), 441, &words);
  ASSERT_EQ(d.getPosition(), 8);
  ZeroCrossingSynth damaged;
  damaged.wrongParity = true;
  decode(d, damaged.render(4480.0 * 9 - 500 + 441 * 20, 1.0, 4480 * 2), 441, &words);
  EXPECT_EQ(d.getPosition(), -1);
  EXPECT_EQ(d.getPreviousPosition(), -1);
}

TEST(VinylDecodeTest, AShortBufferKeepsSpeedAndDirection) {
  // Too few crossings to measure: the previous speed stays, its direction included.
  CVinylDecode d;
  std::vector<float> signal = ZeroCrossingSynth().render(5000, -1.0, 2048 + 20);
  EXPECT_NEAR(d.process(signal.data(), 2048), -1.0, 0.02);
  EXPECT_NEAR(d.process(signal.data() + 2 * 2048, 20), -1.0, 0.02);
}
