// Sources at another rate than the requested one: converted as one continuous stream, whatever the
// request sizes and order, without clicks at request edges and without aliasing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "codecs/zr_master_codec.h"
#include "dsp/resample.h"
#include "support/media_encoder.h"
#include "support/test_support.h"

namespace {

struct RateRow {
  const char* name;
  int rate;
  // A tone above the output's Nyquist frequency (0: none) that must not come back as an alias.
  double ultrasonic;
};
void PrintTo(const RateRow& row, std::ostream* out) {
  *out << row.name;
}

const RateRow kRates[] = {
    {"r22050", 22050, 0.0},
    {"r48000", 48000, 0.0},
    {"r96000_30kHz", 96000, 30000.0},
};

constexpr double kTone = 1000.0;
constexpr double kAmplitude = 0.4;
constexpr int kSeconds = 6;

// Level in dB (full scale 1.0) of frequency f in channel 0 of interleaved stereo, Hann-windowed.
double levelDb(const std::vector<float>& stereo, long from, long count, double f) {
  double re = 0, im = 0, sum = 0;
  for (long i = 0; i < count; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2 * M_PI * i / count);
    const double x = stereo[2 * (from + i)];
    re += w * x * std::cos(2 * M_PI * f * i / 44100.0);
    im += w * x * std::sin(2 * M_PI * f * i / 44100.0);
    sum += w;
  }
  return 20 * std::log10(2 * std::sqrt(re * re + im * im) / sum + 1e-30);
}

class MasterCodecRates : public ::testing::TestWithParam<RateRow> {
 protected:
  void SetUp() override {
    const int rate = GetParam().rate;
    std::vector<int16_t> pcm(static_cast<size_t>(rate) * kSeconds * 2);
    for (size_t i = 0; i < pcm.size() / 2; ++i) {
      double v = kAmplitude * std::sin(2 * M_PI * kTone * i / rate);
      if (GetParam().ultrasonic > 0) v += 0.4 * std::sin(2 * M_PI * GetParam().ultrasonic * i / rate);
      pcm[2 * i] = pcm[2 * i + 1] = static_cast<int16_t>(std::lrint(v * 32767));
    }
    path_ = dir_.file("tone.flac");
    const std::string why = orvel_test::encodeAudio(path_, "flac", "flac", pcm, 2, rate);
    if (!why.empty()) GTEST_SKIP() << why;
    total_ = static_cast<int>(CalculateDestinationSamples(rate, rate * kSeconds, 44100));
  }
  bool open(ZRMasterCodec& codec) {
    ZRCodecBase::OpenStruct request;
    request.path = path_;
    request.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
    return codec.openFileOrStream(&request, 1.0f) && request.format.totalFrames == total_;
  }
  // The whole track read in requests of the given sizes (cycled), in order.
  std::vector<float> readInOrder(ZRMasterCodec& codec, const std::vector<int>& sizes) {
    std::vector<float> all(static_cast<size_t>(total_ + 44100) * 2);
    int at = 0;
    for (size_t k = 0; at < total_; ++k) {
      const int n = sizes[k % sizes.size()];
      const int got = codec.getSamples(all.data() + 2 * static_cast<size_t>(at), n, at);
      EXPECT_EQ(got, std::min(n, total_ - at)) << "at " << at;
      if (got <= 0) break;
      at += n;
    }
    all.resize(static_cast<size_t>(total_) * 2);
    return all;
  }
  orvel_test::TempDir dir_;
  std::string path_;
  int total_ = 0;
};

TEST_P(MasterCodecRates, ToneIn4096FrameRequestsIsCleanEverywhere) {
  ZRMasterCodec codec(1);
  ASSERT_TRUE(open(codec));
  const std::vector<float> out = readInOrder(codec, {4096});
  // Every frame (away from the track's own edges, where the source starts and stops abruptly) is the
  // tone at its exact time: a repeated or missing frame at a request edge would be off by far more.
  double worst = 0;
  long worstAt = 0;
  for (long i = 2000; i < total_ - 2000; ++i) {
    const double expected = kAmplitude * std::sin(2 * M_PI * kTone * i / 44100.0);
    for (int c = 0; c < 2; ++c) {
      const double e = std::fabs(out[2 * i + c] - expected);
      if (e > worst) {
        worst = e;
        worstAt = i;
      }
    }
  }
  EXPECT_LT(20 * std::log10(worst), -80.0) << "largest error " << worst << " at frame " << worstAt;
  EXPECT_GT(levelDb(out, 44100, 65536, kTone), -8.5);
  if (GetParam().ultrasonic > 0) {
    const double alias = 44100.0 - GetParam().ultrasonic;
    EXPECT_LT(levelDb(out, 44100, 65536, alias), -90.0) << "alias at " << alias << " Hz";
  }
}

TEST_P(MasterCodecRates, AnyRequestSizesAndOrderGiveTheSameTrack) {
  ZRMasterCodec codec(1);
  ASSERT_TRUE(open(codec));
  const std::vector<float> whole = readInOrder(codec, {44100});
  EXPECT_EQ(codec.getDecodedLength(), total_) << "known once the end was read";

  ZRMasterCodec other(1);
  ASSERT_TRUE(open(other));
  EXPECT_EQ(readInOrder(other, {256, 4096, 1000, 7777, 300, 44100}), whole) << "sequential reads of any size";

  // One-second blocks in the order a deck fills them after jumps, as 16-bit samples: each equals the
  // same block of the sequential read (a restarted converter differs only by float rounding).
  const int blocks = (total_ + 44099) / 44100;
  std::vector<int> order = {0, 3, 4, 1, 2, 5, 0, 4};
  std::mt19937 rng(5);
  for (int i = 0; i < 8; ++i) order.push_back(static_cast<int>(rng() % static_cast<unsigned>(blocks)));
  std::vector<short> block(2 * 44100);
  for (int b : order) {
    if (b >= blocks) continue;
    const int n = std::min(44100, total_ - b * 44100);
    ASSERT_EQ(other.getSamplesShort(block.data(), 44100, b * 44100), n) << "block " << b;
    for (int i = 0; i < 2 * n; ++i) {
      const long v = lrintf(whole[2 * static_cast<size_t>(b) * 44100 + i] * 32767.0f);
      ASSERT_LE(std::labs(block[i] - v), 1) << "block " << b << " sample " << i;
    }
  }
  // Past the end nothing is made.
  std::vector<float> tail(2 * 256);
  EXPECT_EQ(other.getSamples(tail.data(), 256, total_), 0);
}

INSTANTIATE_TEST_SUITE_P(Sources, MasterCodecRates, ::testing::ValuesIn(kRates),
                         [](const ::testing::TestParamInfo<RateRow>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
