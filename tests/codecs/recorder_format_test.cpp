#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "codecs/zr_audio_recorder.h"
#include "codecs/zr_encoder_lame.h"
#include "recorder_test_util.h"
#include "support/test_support.h"

namespace {

struct SampleRow {
  float in;
  short out;
};

TEST(RecorderFormat, FloatTo16BitTable) {
  const SampleRow rows[] = {{0.0f, 0},
                            {1.0f, 30000},
                            {-1.0f, -30000},
                            {0.5f, 15000},
                            {-0.5f, -15000},
                            {1.2f, 32767},
                            {-1.2f, -32768},
                            {5.0f, 32767},
                            {-5.0f, -32768},
                            {0.00005f, 1},
                            {-0.00005f, -1},
                            {0.000049f, 1},
                            {1.0f / 30000.0f * 0.99f, 0},
                            {-1.0f / 30000.0f * 0.99f, 0}};
  for (const SampleRow& r : rows) {
    EXPECT_EQ(ZRAudioRecorder::floatToSample(r.in), r.out) << "input " << r.in;
  }
  EXPECT_EQ(ZRAudioRecorder::floatToSample(std::nanf("")), 0);
}

struct NameRow {
  const char* name;
  bool lame;
  int type;
};

TEST(RecorderFormat, TypeFollowsTheNameWithoutRegardToCase) {
  const NameRow rows[] = {
      {"/x/set.wav", true, ZRAudioRecorder::kTypeWav},  {"/x/set.WAV", false, ZRAudioRecorder::kTypeWav},
      {"/x/set.aif", true, ZRAudioRecorder::kTypeAiff}, {"/x/set.AIFF", true, ZRAudioRecorder::kTypeAiff},
      {"/x/set.MP3", true, ZRAudioRecorder::kTypeMp3},  {"/x/set.mp3", false, ZRAudioRecorder::kTypeNone},
      {"/x/set.ogg", true, ZRAudioRecorder::kTypeOgg},  {"/x/set.flac", true, ZRAudioRecorder::kTypeNone},
      {"/x/set", true, ZRAudioRecorder::kTypeNone},     {"/x/setwav", true, ZRAudioRecorder::kTypeWav},
  };
  for (const NameRow& r : rows) {
    EXPECT_EQ(ZRAudioRecorder::typeForName(r.name, r.lame), r.type) << r.name << " lame " << r.lame;
  }
}

TEST(RecorderFormat, RefusedNamesAndSecondOpen) {
  orvel_test::TempDir dir;
  ZRAudioRecorder recorder(1, 0);
  EXPECT_FALSE(recorder.open(ZRString(dir.file("set.ogg"))));
  EXPECT_FALSE(recorder.open(ZRString(dir.file("set.flac"))));
  EXPECT_FALSE(recorder.open(ZRString(dir.file("missing-folder/set.wav"))));
  EXPECT_FALSE(recorder.isRecording());
  const float silence[2 * 512] = {};
  EXPECT_EQ(recorder.putSamples(silence, 512), 0);
  EXPECT_EQ(recorder.getSeconds(), 0.0f);

  ASSERT_TRUE(recorder.open(ZRString(dir.file("first.wav"))));
  EXPECT_FALSE(recorder.open(ZRString(dir.file("second.wav"))));
  EXPECT_TRUE(recorder.isRecording());
  EXPECT_EQ(recorder.getFilename(), ZRString(dir.file("first.wav")));
  EXPECT_EQ(recorder.putSamples(silence, 512), 512);
  recorder.close();
  EXPECT_FALSE(recorder.isRecording());
  EXPECT_EQ(recorder.getFilename(), ZRString(dir.file("first.wav")));
  recorder.close();  // a second close does nothing
  const recorder_test::Decoded d = recorder_test::readBack(dir.file("first.wav"), 2);
  ASSERT_TRUE(d.opened);
  EXPECT_EQ(d.totalFrames, 512);
}

uint32_t le32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

uint32_t be32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3]));
}

// Synchronous and mono recorders write at once; the AIFF holds the WAV's values byte-swapped.
TEST(RecorderFormat, AiffHoldsTheWavValuesByteSwapped) {
  for (int mono = 0; mono <= 1; ++mono) {
    const int channels = mono ? 1 : 2;
    orvel_test::TempDir dir;
    const std::vector<float> signal = recorder_test::knownSignal(10000, channels);
    ZRAudioRecorder wav(0, mono);
    ZRAudioRecorder aiff(0, mono);
    ASSERT_TRUE(wav.open(ZRString(dir.file("a.wav"))));
    ASSERT_TRUE(aiff.open(ZRString(dir.file("a.aiff"))));
    EXPECT_EQ(recorder_test::feed(wav, signal, channels, false), 10000);
    EXPECT_EQ(recorder_test::feed(aiff, signal, channels, false), 10000);
    EXPECT_NEAR(wav.getSeconds(), 10000.0f / 44100.0f, 1e-6);
    EXPECT_NEAR(aiff.getSeconds(), 10000.0f / 44100.0f, 1e-6);
    wav.close();
    aiff.close();
    const std::string w = orvel_test::readFile(dir.file("a.wav"));
    const std::string a = orvel_test::readFile(dir.file("a.aiff"));
    const size_t dataBytes = 10000u * channels * 2;
    ASSERT_EQ(w.size(), 44 + dataBytes);
    ASSERT_EQ(a.size(), 54 + dataBytes);
    EXPECT_EQ(le32(w, 40), dataBytes);
    EXPECT_EQ(be32(a, 22), 10000u);
    EXPECT_EQ(static_cast<unsigned char>(w[22]), channels);
    EXPECT_EQ(static_cast<unsigned char>(a[21]), channels);
    const std::vector<int16_t> expected = recorder_test::expectedSamples(signal);
    int mismatches = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
      const uint16_t fromWav = static_cast<uint16_t>(static_cast<unsigned char>(w[44 + 2 * i]) |
                                                     static_cast<unsigned char>(w[45 + 2 * i]) << 8);
      const uint16_t fromAiff = static_cast<uint16_t>(static_cast<unsigned char>(a[54 + 2 * i]) << 8 |
                                                      static_cast<unsigned char>(a[55 + 2 * i]));
      mismatches += fromWav != static_cast<uint16_t>(expected[i]) || fromAiff != fromWav;
    }
    EXPECT_EQ(mismatches, 0) << "mono " << mono;
  }
}

TEST(RecorderFormat, OversizedOrEmptyBlocksAreRefused) {
  orvel_test::TempDir dir;
  ZRAudioRecorder recorder(1, 0);
  ASSERT_TRUE(recorder.open(ZRString(dir.file("a.wav"))));
  std::vector<float> big(2 * 44101, 0.1f);
  EXPECT_EQ(recorder.putSamples(big.data(), 44101), 0);
  EXPECT_EQ(recorder.putSamples(big.data(), 0), 0);
  EXPECT_EQ(recorder.putSamples(nullptr, 10), 0);
  EXPECT_EQ(recorder.putSamples(big.data(), 44100), 44100);
  recorder.close();
  EXPECT_EQ(recorder_test::readBack(dir.file("a.wav"), 2).totalFrames, 44100);
}

}  // namespace
