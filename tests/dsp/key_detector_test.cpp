#include "dsp/key_detector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "dsp/key.h"

namespace {

// A chord of equal sines (frequencies in Hz) on the 16-bit scale.
std::vector<float> chord(std::initializer_list<double> freqs, double seconds) {
  const int n = static_cast<int>(seconds * 44100);
  std::vector<float> v(n, 0.0f);
  for (double f : freqs) {
    for (int i = 0; i < n; ++i) v[i] += static_cast<float>(6000 * sin(2 * M_PI * f * i / 44100));
  }
  return v;
}

std::string detect(KeyDetector& d, const std::vector<float>& audio, int keyFrames) {
  d.startProcessing(keyFrames, 44100);
  for (size_t off = 0; off < audio.size(); off += 44100) {
    d.processFloat(audio.data() + off, static_cast<int>(std::min<size_t>(44100, audio.size() - off)), 1);
  }
  char out[64];
  EXPECT_TRUE(d.finishProcessingAndGetKey(out, 0));
  return out;
}

TEST(KeyDetectorTest, NothingFedGivesFalseAndEmptyText) {
  KeyDetector d;
  d.startProcessing(44100 * 10, 44100);
  char out[64] = "junk";
  EXPECT_FALSE(d.finishProcessingAndGetKey(out, 0));
  EXPECT_STREQ(out, "");
}

TEST(KeyDetectorTest, SilenceGivesNoKey) {
  KeyDetector d;
  EXPECT_EQ(detect(d, std::vector<float>(44100 * 3, 0.0f), 44100 * 3), "");
}

TEST(KeyDetectorTest, TriadsGiveTheirKeys) {
  KeyDetector d;
  // A minor: A3, C4, E4; C major: C4, E4, G4 (with the octave for weight).
  EXPECT_EQ(detect(d, chord({220.0, 261.63, 329.63, 440.0}, 4), 44100 * 4), "Am");
  EXPECT_EQ(detect(d, chord({261.63, 329.63, 392.0, 523.25}, 4), 44100 * 4), "C");
  EXPECT_EQ(detect(d, chord({293.66, 369.99, 440.0, 587.33}, 4), 44100 * 4), "D");
}

TEST(KeyDetectorTest, OnlyTheSecondHalfOfTheSpanDecides) {
  KeyDetector d;
  std::vector<float> audio = chord({261.63, 329.63, 392.0, 523.25}, 5);  // C major first
  std::vector<float> second = chord({220.0, 261.63, 329.63, 440.0}, 5);  // then A minor
  audio.insert(audio.end(), second.begin(), second.end());
  EXPECT_EQ(detect(d, audio, 44100 * 10), "Am");
}

TEST(KeyDetectorTest, RemainderBelowOneSegmentIsIgnored) {
  KeyDetector d;
  d.startProcessing(44100, 44100);
  std::vector<float> a = chord({220.0, 261.63, 329.63}, 0.15);  // 6615 samples < 8192
  d.processFloat(a.data(), static_cast<int>(a.size()), 1);
  char out[64];
  EXPECT_TRUE(d.finishProcessingAndGetKey(out, 0));
  EXPECT_STREQ(out, "");
}

TEST(KeyDetectorTest, VerboseText) {
  KeyDetector d;
  d.startProcessing(44100 * 2, 44100);
  std::vector<float> a = chord({220.0, 261.63, 329.63, 440.0}, 2);
  d.processFloat(a.data(), static_cast<int>(a.size()), 1);
  char out[64];
  ASSERT_TRUE(d.finishProcessingAndGetKey(out, 1));
  EXPECT_EQ(strncmp(out, "[key: Am->, accuracy: ", 22), 0) << out;
}

TEST(KeyProbabilityTest, ChromaOfTheAMinorTriad) {
  KeyProbability p;
  double chroma[12] = {0};
  chroma[0] = chroma[3] = chroma[7] = 1.0;
  p.addSegment(chroma, 0.2);
  DetectedKey k{};
  ASSERT_TRUE(p.getDetectedKey(k));
  char name[64];
  k.key->getPreferredKeyNotation(name);
  EXPECT_STREQ(name, "Am");
  EXPECT_GT(k.confidence, 0.0);
  EXPECT_LE(k.confidence, 1.0);
}

}  // namespace
