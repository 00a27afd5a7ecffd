#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "codecs/zr_audio_recorder.h"
#include "codecs/zr_encoder_lame.h"
#include "log_capture.h"
#include "recorder_test_util.h"
#include "support/test_support.h"

namespace {

using orvel_test::LogCapture;

// A device that refuses every write: the PCM writers already fail to create their header; the MP3
// writer fails on its first block. Either way nothing crashes and the failure is reported.
TEST(RecorderFailure, DeviceThatRefusesEveryWrite) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full on this machine";
  for (const char* name : {"full.wav", "full.aiff", "full.mp3"}) {
    orvel_test::TempDir dir;
    const std::string path = dir.file(name);
    ASSERT_EQ(symlink("/dev/full", path.c_str()), 0);
    LogCapture log;
    ZRAudioRecorder recorder(1, 0);
    if (!recorder.open(ZRString(path))) {
      EXPECT_FALSE(recorder.isRecording()) << name;
      continue;
    }
    const std::vector<float> signal = recorder_test::knownSignal(44100, 2);
    EXPECT_EQ(recorder_test::feed(recorder, signal, 2, false), 44100);
    // The writer thread meets the error within a few of its passes.
    int result = 1;
    for (int i = 0; i < 300 && result != 0; ++i) {
      ZRThread::sleep_ms(10);
      result = recorder.putSamples(signal.data(), 1024);
    }
    EXPECT_EQ(result, 0) << name;
    EXPECT_TRUE(recorder.isFailed()) << name;
    // The writer thread says so in the log right after it marks the failure: give it a bounded moment.
    for (int i = 0; i < 300 && log.count("recording: write error on '") == 0; ++i) ZRThread::sleep_ms(10);
    EXPECT_EQ(log.count("recording: write error on '"), 1) << name << "\n" << log.joined();
    recorder.close();
    EXPECT_FALSE(recorder.isRecording());
  }
}

// A file that cannot grow further (a full disk): the part written before stays a valid file that
// reads back with exactly the frames its header announces.
TEST(RecorderFailure, PartWrittenBeforeTheErrorStaysValid) {
  for (const char* name : {"cut.wav", "cut.aiff", "cut.mp3"}) {
    const bool mp3 = std::string(name).find("mp3") != std::string::npos;
    orvel_test::TempDir dir;
    const std::string path = dir.file(name);
    const std::vector<float> signal = recorder_test::knownSignal(88200, 2);
    {
      orvel_test::FileSizeLimit limit(mp3 ? 20000 : 100000);
      ASSERT_TRUE(limit.ok());
      LogCapture log;
      ZRAudioRecorder recorder(1, 0);
      ASSERT_TRUE(recorder.open(ZRString(path)));
      recorder_test::feed(recorder, signal, 2, true);
      EXPECT_EQ(recorder.putSamples(signal.data(), 1024), 0) << name;
      recorder.close();
      EXPECT_TRUE(recorder.isFailed()) << name;
      EXPECT_EQ(log.count("recording: write error on '"), 1) << name;
    }
    const recorder_test::Decoded d = recorder_test::readBack(path, 2);
    ASSERT_TRUE(d.opened) << name;
    if (mp3) {
      // The frames written before the error still decode (the tag frame at the start stays reserved).
      EXPECT_GT(d.samples.size(), 2u * 44100 / 2) << name;
      continue;
    }
    EXPECT_GT(d.totalFrames, 10000) << name;
    EXPECT_LT(d.totalFrames, 25000) << name;
    ASSERT_EQ(d.samples.size(), static_cast<size_t>(d.totalFrames) * 2) << name;
    const std::vector<int16_t> expected = recorder_test::expectedSamples(signal);
    EXPECT_TRUE(std::equal(d.samples.begin(), d.samples.end(), expected.begin())) << name;
  }
}

// Without the LAME library an MP3 name cannot be recorded; everything else goes on working.
TEST(RecorderFailure, WithoutLameMp3IsRefusedAndWavStillWorks) {
  const std::vector<std::string> saved = ZREncoderLame::libraryPlaces();
  ZREncoderLame::setLibraryPlaces({"/nonexistent/libmp3lame.so.0", "libnot-a-lame-library.so"});
  {
    LogCapture log;
    ZRAudioRecorder recorder(1, 0);
    EXPECT_EQ(log.count("lame: can not load library"), 2);
    orvel_test::TempDir dir;
    EXPECT_FALSE(recorder.open(ZRString(dir.file("set.mp3"))));
    EXPECT_FALSE(recorder.isRecording());
    ZREncoderLame encoder(101);
    EXPECT_FALSE(encoder.isOk());
    ZRCodecBase::OpenStruct request;
    request.path = dir.file("direct.mp3");
    request.writeMode = true;
    request.format = TDSPAudioFormat{44100, 2, 16, 16, 0, 0};
    log.clear();
    EXPECT_FALSE(encoder.open(&request));
    EXPECT_EQ(log.count("lame: library not opened/found"), 1);
    EXPECT_FALSE(orvel_test::TempDir().path().empty());
    ASSERT_TRUE(recorder.open(ZRString(dir.file("set.wav"))));
    EXPECT_EQ(recorder_test::feed(recorder, recorder_test::knownSignal(4410, 2), 2, false), 4410);
    recorder.close();
    EXPECT_EQ(recorder_test::readBack(dir.file("set.wav"), 2).totalFrames, 4410);
  }
  // A library without LAME's entry points is passed over for the next place.
  ZREncoderLame::setLibraryPlaces({"libm.so.6", "libmp3lame.so.0"});
  {
    LogCapture log;
    ZREncoderLame encoder(101);
    EXPECT_TRUE(encoder.isOk());
    EXPECT_EQ(log.count("lame: library does not contain standard symbols"), 1);
  }
  ZREncoderLame::setLibraryPlaces(saved);
}

TEST(RecorderFailure, EncoderOutputThatCannotBeCreated) {
  ZREncoderLame encoder(101);
  ASSERT_TRUE(encoder.isOk());
  LogCapture log;
  ZRCodecBase::OpenStruct request;
  request.path = "/nonexistent-folder/x.mp3";
  request.writeMode = true;
  request.format = TDSPAudioFormat{44100, 2, 16, 16, 0, 0};
  EXPECT_FALSE(encoder.open(&request));
  EXPECT_EQ(log.count("lame: output file '/nonexistent-folder/x.mp3' not opened"), 1);
  EXPECT_EQ(encoder.putSamples("abcd", 1), 0);
  encoder.close();
  EXPECT_FALSE(encoder.open(nullptr));
}

}  // namespace
