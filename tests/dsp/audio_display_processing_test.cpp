#include "dsp/audio_display_processing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::vector<short> monoSine(double freq, int frames, double amp) {
  std::vector<short> v(frames);
  for (int i = 0; i < frames; ++i)
    v[i] = static_cast<short>(lrint(amp * 32767 * sin(2 * M_PI * freq * i / 44100)));
  return v;
}

TEST(AudioDisplayProcessingTest, PointCountsAndNullOutputs) {
  ZRAudioDisplayProcessing p(44100, true, true, true, true, true);
  std::vector<short> block(4410 * 2, 1000);
  std::vector<float> rms(100, -1), low(100, -1);
  p.process(block.data(), 4410, 2, rms.data(), low.data(), nullptr, nullptr, nullptr);
  EXPECT_GE(rms[43], 0.0f);
  EXPECT_EQ(rms[44], -1.0f);  // 44 points for 4410 frames
  EXPECT_GE(low[43], 0.0f);
  EXPECT_EQ(low[44], -1.0f);

  ZRAudioDisplayProcessing q(44100, false, false, false, false, false);
  std::vector<float> out(10, -1);
  q.process(block.data(), 99, 2, out.data(), out.data(), out.data(), out.data(), out.data());
  EXPECT_EQ(out[0], -1.0f);  // no whole point
  q.process(block.data(), 4410, 2, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(q.getMaxValue(), 0.0f);
}

TEST(AudioDisplayProcessingTest, DcInputSettlesInLowAndBandStop) {
  ZRAudioDisplayProcessing p(44100, false, false, false, false, false);
  std::vector<short> dc(44100, 32767);
  std::vector<float> rms(441), low(441), mid(441), high(441), bs(441);
  for (int k = 0; k < 2; ++k)
    p.process(dc.data(), 44100, 1, rms.data(), low.data(), mid.data(), high.data(), bs.data());
  EXPECT_NEAR(rms[440], 1.0f, 0.01f);
  EXPECT_NEAR(low[440], 1.0f, 0.01f);
  EXPECT_NEAR(bs[440], 1.0f, 0.01f);
  EXPECT_LT(mid[440], 0.01f);
  EXPECT_LT(high[440], 0.01f);
  EXPECT_NEAR(p.getMaxValue(), 1.0f, 0.05f);
}

TEST(AudioDisplayProcessingTest, BandsOfKnownSines) {
  struct Case {
    double freq;
    float rms, low, mid, high, bandStop;  // expected unsmoothed levels (negative: "below 0.02")
  } cases[] = {
      {1000, 0.354f, -1, 0.354f, -1, -1},
      {100, 0.354f, 0.354f, -1, -1, 0.354f},
      {12000, 0.354f, -1, -1, 0.354f, 0.354f},
      {1171, 0.354f, -1, 0.354f, -1, -1},
  };
  for (const Case& c : cases) {
    ZRAudioDisplayProcessing p(44100, false, false, false, false, false);
    std::vector<short> s = monoSine(c.freq, 44100, 0.5);
    std::vector<float> o[5];
    for (auto& v : o) v.assign(441, 0);
    p.process(s.data(), 44100, 1, o[0].data(), o[1].data(), o[2].data(), o[3].data(), o[4].data());
    const float expect[5] = {c.rms, c.low, c.mid, c.high, c.bandStop};
    for (int k = 0; k < 5; ++k) {
      // Points of a low tone vary with its phase: compare the RMS over points.
      double sq = 0;
      for (int i = 220; i < 441; ++i) sq += o[k][i] * o[k][i];
      const float v = static_cast<float>(sqrt(sq / 221));
      if (expect[k] < 0) {
        EXPECT_LT(v, 0.02f) << c.freq << " output " << k;
      } else {
        EXPECT_NEAR(v, expect[k], 0.03f) << c.freq << " output " << k;
      }
    }
  }
}

TEST(AudioDisplayProcessingTest, SmoothingAndReset) {
  ZRAudioDisplayProcessing p(44100, true, true, true, true, true);
  std::vector<short> s = monoSine(1000, 4410, 0.5);
  std::vector<float> rms(44);
  p.process(s.data(), 4410, 1, rms.data(), nullptr, nullptr, nullptr, nullptr);
  p.reset();
  EXPECT_EQ(p.getMaxValue(), 0.0f);
  p.process(s.data(), 4410, 1, rms.data(), nullptr, nullptr, nullptr, nullptr);
  EXPECT_NEAR(rms[0], 0.02f * 0.3536f, 0.002f);
  EXPECT_GT(rms[43], rms[0]);
  EXPECT_FLOAT_EQ(p.getMaxValue(), rms[43]);
}

TEST(AudioDisplayProcessingTest, ChannelMixAndEightChannels) {
  ZRAudioDisplayProcessing p(44100, false, false, false, false, false);
  std::vector<short> st(200 * 8, 16384);
  std::vector<float> rms(2);
  p.process(st.data(), 200, 8, rms.data(), nullptr, nullptr, nullptr, nullptr);
  EXPECT_NEAR(rms[0], 8 * 16384 * 3.82e-6, 1e-4);
  p.process(st.data(), 200, 0, rms.data(), nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(rms[0], 0.0f);
}

TEST(AudioDisplayProcessingDeathTest, PreconditionsStopTheProcess) {
  std::vector<short> block(9 * 100);
  std::vector<float> rms(1);
  EXPECT_DEATH(
      {
        ZRAudioDisplayProcessing p(44100, false, false, false, false, false);
        p.process(block.data(), 100, 9, rms.data(), nullptr, nullptr, nullptr, nullptr);
      },
      "channels <= 8");
  EXPECT_DEATH({ ZRAudioDisplayProcessing p(0, false, false, false, false, false); }, "maxFrames>0");
  EXPECT_DEATH(
      {
        ZRAudioDisplayProcessing p(100, false, false, false, false, false);
        p.process(block.data(), 101, 1, rms.data(), nullptr, nullptr, nullptr, nullptr);
      },
      "frames <= maxFrames");
}

}  // namespace
