#include <gtest/gtest.h>

#include <atomic>
#include <ostream>
#include <string>
#include <thread>

#include "codecs/zr_audio_recorder.h"
#include "codecs/zr_encoder_lame.h"
#include "recorder_test_util.h"
#include "support/test_support.h"

namespace {

using recorder_test::Decoded;

// What the VBR tag frame at the start of an MP3 recording says: the frames that follow it and the
// encoder's delay and padding in samples.
struct LameTag {
  bool found = false;
  long frames = 0;
  int delay = 0;
  int padding = 0;
};

LameTag readLameTag(const std::string& file) {
  LameTag tag;
  if (file.size() < 200) return tag;
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(file[i]); };
  if (byte(0) != 0xFF || (byte(1) & 0xE0) != 0xE0) return tag;
  const bool mono = (byte(3) >> 6) == 3;
  size_t at = 4 + (mono ? 17 : 32);  // MPEG-1 side information
  const std::string id = file.substr(at, 4);
  if (id != "Xing" && id != "Info") return tag;
  const uint32_t flags = byte(at + 7);
  at += 8;
  if (flags & 1) {
    tag.frames = static_cast<long>(byte(at)) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3);
    at += 4;
  }
  if (flags & 2) at += 4;
  if (flags & 4) at += 100;
  if (flags & 8) at += 4;
  if (file.substr(at, 4) != "LAME") return tag;
  const size_t dp = at + 21;
  tag.delay = byte(dp) << 4 | byte(dp + 1) >> 4;
  tag.padding = (byte(dp + 1) & 0x0F) << 8 | byte(dp + 2);
  tag.found = (flags & 1) != 0;
  return tag;
}

struct RoundTripRow {
  const char* name;
  int mono;
  bool lossless;
};

// Test names and CTest's list show the row's file name, never its bytes.
void PrintTo(const RoundTripRow& row, std::ostream* out) {
  *out << row.name;
}

class RecorderRoundTrip : public ::testing::TestWithParam<RoundTripRow> {};

// A paced asynchronous recording (the audio thread's way) of a known signal reads back through the
// master codec with every frame.
TEST_P(RecorderRoundTrip, RecordingReadsBackComplete) {
  const RoundTripRow row = GetParam();
  const int channels = row.mono ? 1 : 2;
  constexpr int kFrames = 110250;  // 2.5 seconds
  orvel_test::TempDir dir;
  const std::string path = dir.file(row.name);
  const std::vector<float> signal = recorder_test::knownSignal(kFrames, channels);
  {
    ZRAudioRecorder recorder(1, row.mono);
    ASSERT_TRUE(recorder.open(ZRString(path))) << path;
    EXPECT_EQ(recorder.getChannels(), channels);
    EXPECT_EQ(recorder_test::feed(recorder, signal, channels, true), kFrames);
    recorder.close();
    EXPECT_FALSE(recorder.isFailed());
  }
  const Decoded d = recorder_test::readBack(path, channels);
  ASSERT_TRUE(d.opened);
  const std::vector<int16_t> expected = recorder_test::expectedSamples(signal);
  if (row.lossless) {
    EXPECT_EQ(d.totalFrames, kFrames);
    ASSERT_EQ(d.samples.size(), expected.size());
    EXPECT_TRUE(d.samples == expected);
    return;
  }
  // MP3: the VBR tag written at close accounts for every sample exactly.
  const LameTag tag = readLameTag(orvel_test::readFile(path));
  ASSERT_TRUE(tag.found);
  EXPECT_EQ(tag.frames * 1152 - tag.delay - tag.padding, kFrames);
  // The decoder trims delay and padding by that tag: within a frame of what was written.
  EXPECT_NEAR(static_cast<double>(d.samples.size() / channels), kFrames, 1152.0);
  int bestLag = 0;
  double best = -1.0;
  for (int lag = -1200; lag <= 1200; lag += 1) {
    const double c = recorder_test::correlation(expected, d.samples, channels, 0, lag);
    if (c > best) {
      best = c;
      bestLag = lag;
    }
  }
  EXPECT_GT(best, 0.98) << "lag " << bestLag;
  EXPECT_LE(std::abs(bestLag), 2);
  if (channels == 2) {
    EXPECT_GT(recorder_test::correlation(expected, d.samples, 2, 1, bestLag), 0.98);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, RecorderRoundTrip,
                         ::testing::Values(RoundTripRow{"take.wav", 0, true},
                                           RoundTripRow{"take.aiff", 0, true},
                                           RoundTripRow{"take.mp3", 0, false},
                                           RoundTripRow{"mono.mp3", 1, false},
                                           RoundTripRow{"mono.aif", 1, true}),
                         [](const ::testing::TestParamInfo<RoundTripRow>& info) {
                           std::string n = info.param.name;
                           for (char& c : n) c = c == '.' ? '_' : c;
                           return n;
                         });

// Samples handed over just before close are in the file: close writes everything queued.
TEST(RecorderTail, CloseWritesEverythingQueued) {
  for (const char* name : {"tail.wav", "tail.aiff", "tail.mp3"}) {
    orvel_test::TempDir dir;
    const std::string path = dir.file(name);
    const std::vector<float> signal = recorder_test::knownSignal(44100, 2);
    ZRAudioRecorder recorder(1, 0);
    ASSERT_TRUE(recorder.open(ZRString(path)));
    // One second at once fills the queue exactly; close follows before the writer thread's first pass.
    EXPECT_EQ(recorder_test::feed(recorder, signal, 2, false), 44100);
    recorder.close();
    const std::string file = orvel_test::readFile(path);
    if (std::string(name).find("mp3") != std::string::npos) {
      const LameTag tag = readLameTag(file);
      ASSERT_TRUE(tag.found);
      EXPECT_EQ(tag.frames * 1152 - tag.delay - tag.padding, 44100);
    } else {
      const Decoded d = recorder_test::readBack(path, 2);
      ASSERT_TRUE(d.opened) << name;
      EXPECT_EQ(d.totalFrames, 44100) << name;
      EXPECT_TRUE(d.samples == recorder_test::expectedSamples(signal)) << name;
    }
  }
}

// A stereo MP3 of 2.5 seconds encodes two whole blocks while recording, the rest at close.
TEST(RecorderMp3, SecondsAdvanceInWholeBlocks) {
  orvel_test::TempDir dir;
  const std::vector<float> signal = recorder_test::knownSignal(110250, 2);
  ZRAudioRecorder recorder(0, 0);
  ASSERT_TRUE(recorder.open(ZRString(dir.file("set.MP3"))));
  EXPECT_EQ(recorder.getType(), ZRAudioRecorder::kTypeMp3);
  EXPECT_EQ(recorder_test::feed(recorder, signal, 2, false), 110250);
  EXPECT_FLOAT_EQ(recorder.getSeconds(), 2.0f);
  recorder.close();
  EXPECT_EQ(recorder.getSeconds(), 0.0f);
  const LameTag tag = readLameTag(orvel_test::readFile(dir.file("set.MP3")));
  ASSERT_TRUE(tag.found);
  EXPECT_EQ(tag.frames * 1152 - tag.delay - tag.padding, 110250);
}

// The encoder serves one recording after another; each file describes only its own samples.
TEST(RecorderMp3, ConsecutiveRecordingsAreIndependent) {
  orvel_test::TempDir dir;
  ZRAudioRecorder recorder(0, 0);
  const int lengths[] = {70000, 30000, 50000};
  for (int i = 0; i < 3; ++i) {
    const std::string path = dir.file("take" + std::to_string(i) + ".mp3");
    ASSERT_TRUE(recorder.open(ZRString(path)));
    EXPECT_EQ(recorder_test::feed(recorder, recorder_test::knownSignal(lengths[i], 2), 2, false), lengths[i]);
    recorder.close();
    const LameTag tag = readLameTag(orvel_test::readFile(path));
    ASSERT_TRUE(tag.found) << i;
    EXPECT_EQ(tag.frames * 1152 - tag.delay - tag.padding, lengths[i]) << i;
  }
}

TEST(RecorderMp3, ConstantBitrateWhenVbrIsOff) {
  orvel_test::TempDir dir;
  ZREncoderLame encoder(101);
  ASSERT_TRUE(encoder.isOk());
  EXPECT_STREQ(encoder.getCodecName(), "lamenc");
  EXPECT_FALSE(encoder.canOpenStream());
  EXPECT_FALSE(encoder.getNeedEndianConversion());
  encoder.setBitrate(128);
  encoder.setIsVBR(0);
  ZRCodecBase::OpenStruct request;
  request.path = dir.file("cbr.mp3");
  request.format = TDSPAudioFormat{44100, 2, 16, 16, 0, 0};
  EXPECT_FALSE(encoder.open(&request)) << "a request not in write mode is refused";
  request.writeMode = true;
  ASSERT_TRUE(encoder.open(&request));
  EXPECT_FALSE(encoder.open(&request));
  const std::vector<int16_t> pcm = recorder_test::expectedSamples(recorder_test::knownSignal(88200, 2));
  EXPECT_EQ(encoder.putSamples(reinterpret_cast<const char*>(pcm.data()), 88200), 88200);
  EXPECT_FLOAT_EQ(encoder.getSeconds(), 2.0f);
  char none[16];
  EXPECT_EQ(encoder.getSamples(none, 4, 0), 0);
  encoder.close();
  EXPECT_EQ(encoder.getSeconds(), 0.0f);
  const std::string file = orvel_test::readFile(dir.file("cbr.mp3"));
  // 128 kbps at 44100 Hz: every frame is 417 or 418 bytes, so about 16000 bytes per second.
  EXPECT_NEAR(static_cast<double>(file.size()), 2.0 * 16000, 2500);
  const LameTag tag = readLameTag(file);
  ASSERT_TRUE(tag.found);
  EXPECT_EQ(tag.frames * 1152 - tag.delay - tag.padding, 88200);
}

}  // namespace

namespace {

// The audio thread keeps handing samples over while the owner closes: every block the recorder
// accepted is in the file, and none after.
TEST(RecorderTail, CloseWhileTheProducerRuns) {
  for (const char* name : {"race.wav", "race.mp3"}) {
    orvel_test::TempDir dir;
    const std::string path = dir.file(name);
    ZRAudioRecorder recorder(1, 0);
    ASSERT_TRUE(recorder.open(ZRString(path)));
    std::atomic<int> accepted{0};
    std::atomic<bool> started{false};
    std::thread producer([&] {
      const std::vector<float> block = recorder_test::knownSignal(512, 2);
      // Real-time pace (512 frames every 11 ms), bounded to 10 seconds.
      for (int i = 0; i < 900; ++i) {
        const int n = recorder.putSamples(block.data(), 512);
        if (n == 0 && started.load()) break;
        accepted.fetch_add(n);
        started.store(true);
        ZRThread::sleep_ms(11);
      }
    });
    ZRThread::sleep_ms(600);
    recorder.close();
    producer.join();
    ASSERT_GT(accepted.load(), 0);
    if (std::string(name).find("mp3") != std::string::npos) {
      const LameTag tag = readLameTag(orvel_test::readFile(path));
      ASSERT_TRUE(tag.found);
      EXPECT_EQ(tag.frames * 1152 - tag.delay - tag.padding, accepted.load());
    } else {
      EXPECT_EQ(recorder_test::readBack(path, 2).totalFrames, accepted.load());
    }
  }
}

}  // namespace
