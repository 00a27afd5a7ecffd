#include "dsp/zr_audio_detection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "dsp/flush_denormals.h"
#include "dsp/perceptual_gain.h"

namespace {

// A concrete analyser that records what the frame hands to the tempo detector.
class SpyDetection : public ZRAudioDetection {
 public:
  SpyDetection() : ZRAudioDetection(false) { setMarkValues(55, 65); }
  float getAverageBPM() override { return 0; }
  float getBPM(int) override { return 0; }

  std::vector<float> lastMono;
  int blocks = 0;
  int finals = 0;

 protected:
  void resetInternal() override { blocks = 0; }
  void processInternal(const float* mono, int frames, float* onsetOut) override {
    lastMono.assign(mono, mono + frames);
    ++blocks;
    if (onsetOut != nullptr) onsetOut[0] = 1.0f;
  }
  int detectAudioFeaturesInternal(float*, int, int, float*) override {
    ++finals;
    return 1;
  }
};

TEST(AudioDetectionTest, MonoMixOfFloatAndShortBlocks) {
  SpyDetection d;
  d.resetAndStartProcessing(44100, 0);
  const short st[2] = {16384, 16384};
  d.process(st, 1, 2, nullptr, 0);
  EXPECT_NEAR(d.lastMono[0], 0.50004f, 1e-6);  // the sum times 1.526e-5
  const float f2[2] = {1, 0};
  d.process(f2, 1, 2, nullptr, 0);
  EXPECT_FLOAT_EQ(d.lastMono[0], 0.5f);
  const float f3[3] = {1, 1, 1};
  d.process(f3, 1, 3, nullptr, 0);
  EXPECT_FLOAT_EQ(d.lastMono[0], 1.00002f);
  const float f1[1] = {0.3f};
  d.process(f1, 1, 1, nullptr, 0);
  EXPECT_FLOAT_EQ(d.lastMono[0], 0.3f);
  const float f9[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
  d.process(f9, 1, 9, nullptr, 0);
  EXPECT_EQ(d.lastMono[0], 0.0f);
}

TEST(AudioDetectionTest, OverlongBlocksAreIgnored) {
  SpyDetection d;
  d.resetAndStartProcessing(44101, 0);
  std::vector<float> block(44101, 0.5f);
  float onset = -1;
  d.process(block.data(), 44101, 1, &onset, 0);
  EXPECT_EQ(d.blocks, 0);
  EXPECT_EQ(onset, -1.0f);
  std::vector<float> marks(10, 0.0f);
  d.detectAudioFeatures(&onset, 1, -1, marks.data());
  EXPECT_EQ(d.getAutoGain(), 0.0f);  // the loudness analysis saw nothing

  d.resetAndStartProcessing(44100, 0);
  for (int i = 0; i < 44100; ++i) block[i] = static_cast<float>(0.5 * sin(2 * M_PI * 1000 * i / 44100));
  d.process(block.data(), 44100, 1, &onset, 0);
  EXPECT_EQ(d.blocks, 1);
  EXPECT_EQ(onset, 1.0f);
  d.detectAudioFeatures(&onset, 1, -1, marks.data());
  EXPECT_LT(d.getAutoGain(), 0.0f);  // a loud block: negative gain
  EXPECT_GT(d.getAutoGain(), -30.0f);
  // A second call without a new reset leaves 0.
  d.detectAudioFeatures(&onset, 1, -1, marks.data());
  EXPECT_EQ(d.getAutoGain(), 0.0f);
  EXPECT_EQ(d.finals, 3);
}

TEST(AudioDetectionTest, MarkingClearingAndReading) {
  SpyDetection d;
  std::vector<float> values(100);
  for (int i = 0; i < 100; ++i) values[i] = 0.001f * i;
  const std::vector<float> original = values;
  const std::vector<int> beats = {10, 20, 30, 40, 50};
  d.markBeatsPositions(values.data(), 100, beats, 1, 4);
  EXPECT_FLOAT_EQ(values[10], original[10] + 65);
  EXPECT_FLOAT_EQ(values[20], original[20] + 55);
  EXPECT_FLOAT_EQ(values[30], original[30] + 55);
  EXPECT_FLOAT_EQ(values[40], original[40] + 55);
  EXPECT_FLOAT_EQ(values[50], original[50] + 65);
  std::vector<int> out = {7};
  EXPECT_EQ(d.getMarkedBeatsPositions(values.data(), 100, out), 5);
  EXPECT_EQ(out, (std::vector<int>{7, 10, 20, 30, 40, 50}));
  d.clearMarkedBeats(values.data(), 100);
  for (int i = 0; i < 100; ++i) EXPECT_NEAR(values[i], original[i], 1e-5) << i;
}

TEST(AudioDetectionTest, IntervalsFollowTheWholeVector) {
  SpyDetection d;
  std::vector<float> values(60, 0.0f);
  const std::vector<int> beats = {10, 20, 30, 40, 50};
  d.markBeatsPositionsForInterval(values.data(), 60, 25, 45, beats, 1, 4);
  for (int i = 0; i < 60; ++i) EXPECT_EQ(values[i], (i == 30 || i == 40) ? 55.0f : 0.0f) << i;

  // Marking interval by interval equals marking at once.
  std::vector<float> whole(60, 0.0f), pieces(60, 0.0f);
  d.markBeatsPositions(whole.data(), 60, beats, 2, 3);
  for (int f = 0; f < 60; f += 7) d.markBeatsPositionsForInterval(pieces.data(), 60, f, f + 7, beats, 2, 3);
  EXPECT_EQ(whole, pieces);

  // Out-of-range beats are skipped; accent -1 never accents; group 0 is safe.
  std::vector<float> small(20, 0.0f);
  d.markBeatsPositions(small.data(), 20, {-5, 3, 19, 20, 400}, -1, 4);
  EXPECT_EQ(small[3], 55.0f);
  EXPECT_EQ(small[19], 55.0f);
  d.markBeatsPositions(small.data(), 20, {5}, 1, 0);
  EXPECT_EQ(small[5], 65.0f);
}

TEST(AudioDetectionTest, KeyDetectionIsOptIn) {
  SpyDetection d;
  const int frames = 44100 * 3;
  std::vector<float> audio(frames);
  for (int i = 0; i < frames; ++i) {
    audio[i] =
        static_cast<float>(0.2 * (sin(2 * M_PI * 220.0 * i / 44100) + sin(2 * M_PI * 261.63 * i / 44100) +
                                  sin(2 * M_PI * 329.63 * i / 44100)));
  }
  char key[64];
  for (int keyFrames : {0, -1}) {
    d.resetAndStartProcessing(frames, keyFrames);
    for (int b = 0; b < 3; ++b) d.process(audio.data() + b * 44100, 44100, 1, nullptr, 1);
    float onset = 0, mark = 0;
    d.detectAudioFeatures(&onset, 1, -1, &mark);
    d.getPitchKeyName(key);
    EXPECT_STREQ(key, keyFrames == 0 ? "" : "08m/Am");
  }
  d.getPitchKeyName(nullptr);
}

TEST(AudioDetectionTest, RmsEnvelope) {
  SpyDetection d;
  std::vector<float> mono(250, 0.5f), out(3, -1.0f);
  d.processForRMS(mono.data(), 250, out.data());
  EXPECT_FLOAT_EQ(out[0], 0.5f);
  EXPECT_FLOAT_EQ(out[1], 0.5f);
  EXPECT_EQ(out[2], -1.0f);
  d.processForRMS(mono.data(), 99, out.data() + 2);
  EXPECT_EQ(out[2], -1.0f);
}

TEST(AudioDetectionTest, FactoryMakesBothGenerations) {
  std::unique_ptr<ZRAudioDetection> second(ZRAudioDetection::create(true, false, true));
  std::unique_ptr<ZRAudioDetection> first(ZRAudioDetection::create(true, true, true));
  EXPECT_TRUE(second->isBeatGridSuitableForAlwaysInSync());
  EXPECT_FALSE(first->isBeatGridSuitableForAlwaysInSync());  // no steady mode
  EXPECT_EQ(first->getTestBPM(), -1.0f);
}

TEST(FlushDenormalsTest, FlushesOnlyInsideTheScope) {
  volatile float tiny = 1e-38f;
  volatile float factor = 1e-3f;
  {
    ScopedFlushDenormals flush;
    EXPECT_EQ(tiny * factor, 0.0f);
  }
  EXPECT_GT(tiny * factor, 0.0f);
}

}  // namespace
