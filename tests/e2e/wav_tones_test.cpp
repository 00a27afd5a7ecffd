// The end-to-end test's ears: the output file read back and the order in which two tones sound, on
// generated signals whose answer is known (a wrong verdict here would make the end-to-end run pass or fail
// for the wrong reason).

#include "wav_tones.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/test_support.h"

using namespace orvel_e2e;

namespace {

constexpr int kRate = 44100;

// Seconds of a, b (gains per tone), appended to out, with a 124 BPM click on top as the demo songs have.
void appendTones(std::vector<float>& out, double seconds, double gainA, double gainB) {
  const size_t start = out.size();
  const size_t n = static_cast<size_t>(seconds * kRate);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(start + i) / kRate;
    double v = gainA * 0.4 * std::sin(2 * M_PI * 587.33 * t) + gainB * 0.4 * std::sin(2 * M_PI * 440.0 * t);
    const double beat = std::fmod(t, 60.0 / 124.0);
    if ((gainA > 0 || gainB > 0) && beat < 0.01) v += 0.3 * std::sin(2 * M_PI * 60 * beat);
    out.push_back(static_cast<float>(v));
  }
}

std::vector<int16_t> toStereo16(const std::vector<float>& mono) {
  std::vector<int16_t> out;
  for (float v : mono) {
    const auto s = static_cast<int16_t>(std::lrint(std::clamp(v, -1.0f, 1.0f) * 32767));
    out.push_back(s);
    out.push_back(s);
  }
  return out;
}

}  // namespace

TEST(HeardTones, TheOrderOfACrossfadeFromOneToneToTheOtherThroughBoth) {
  std::vector<float> signal;
  appendTones(signal, 0.5, 0, 0);
  appendTones(signal, 3, 1, 0);
  for (int step = 0; step < 10; ++step) appendTones(signal, 0.05, 1, step / 10.0);  // the fader moving
  appendTones(signal, 3, 0.7, 0.7);
  appendTones(signal, 3, 0, 1);
  appendTones(signal, 0.3, 0, 0);
  const std::vector<std::string> windows = classifyWindows(signal, kRate, 587.33, 440.0, 0.1);
  EXPECT_EQ(foldRuns(windows, 5), (std::vector<std::string>{"A", "AB", "B"}));

  // The same read back from a 16-bit WAV file, and the other order when the tones are swapped.
  orvel_test::TempDir dir;
  ASSERT_TRUE(orvel_test::writeWav16(dir.file("out.wav"), toStereo16(signal), 2, kRate));
  std::vector<float> read;
  int rate = 0;
  std::string error;
  ASSERT_TRUE(readWavMono(dir.file("out.wav"), read, rate, &error)) << error;
  EXPECT_EQ(rate, kRate);
  ASSERT_EQ(read.size(), signal.size());
  EXPECT_EQ(foldRuns(classifyWindows(read, rate, 440.0, 587.33, 0.1), 5),
            (std::vector<std::string>{"B", "AB", "A"}));
}

TEST(HeardTones, OneToneAloneOrSilenceIsNotACrossfade) {
  std::vector<float> one;
  appendTones(one, 5, 1, 0);
  EXPECT_EQ(foldRuns(classifyWindows(one, kRate, 587.33, 440.0, 0.1), 5), (std::vector<std::string>{"A"}));
  std::vector<float> silence(kRate * 2, 0.0f);
  EXPECT_TRUE(foldRuns(classifyWindows(silence, kRate, 587.33, 440.0, 0.1), 5).empty());
  // Short blips (a click of the fader) are not runs of their own.
  EXPECT_EQ(
      foldRuns({"A", "A", "A", "A", "A", "AB", "A", "A", "A", "A", "A", "?", "B", "B", "B", "B", "B"}, 5),
      (std::vector<std::string>{"A", "B"}));
}

TEST(HeardTones, AnOutputFileCutOffBeforeItsHeaderWasFinishedIsReadToItsEnd) {
  orvel_test::TempDir dir;
  std::vector<float> signal;
  appendTones(signal, 1, 1, 0);
  ASSERT_TRUE(orvel_test::writeWav16(dir.file("cut.wav"), toStereo16(signal), 2, kRate));
  std::string bytes = orvel_test::readFile(dir.file("cut.wav"));
  // The data size as a recorder leaves it before closing: 0.
  for (int i = 40; i < 44; ++i) bytes[static_cast<size_t>(i)] = 0;
  ASSERT_TRUE(orvel_test::writeFile(dir.file("cut.wav"), bytes));
  std::vector<float> read;
  int rate = 0;
  ASSERT_TRUE(readWavMono(dir.file("cut.wav"), read, rate, nullptr));
  EXPECT_EQ(read.size(), signal.size());
  ASSERT_TRUE(orvel_test::writeFile(dir.file("not.wav"), "RIFF....WAVEjunk"));
  std::string error;
  EXPECT_FALSE(readWavMono(dir.file("not.wav"), read, rate, &error));
  EXPECT_FALSE(error.empty());
}
