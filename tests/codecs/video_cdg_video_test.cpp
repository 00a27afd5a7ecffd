#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/zr_decoder_video.h"
#include "codecs/zr_ffmpeg_video.h"
#include "common/zr_memory_istream.h"
#include "log_capture.h"
#include "support/test_support.h"
#include "video_cdg_media.h"

namespace {

using namespace orvel_test;

constexpr int kFps = 5;
constexpr int kSeconds = 10;

struct Picture {
  Picture() : storage(64 * 48 * 4 + 32, 0) {}
  unsigned char* data() {
    auto p = reinterpret_cast<uintptr_t>(storage.data());
    return storage.data() + ((16 - (p & 15)) & 15);
  }
  std::vector<unsigned char> storage;
};

int frameOf(Picture& p) {
  return frameIndexOf(p.data(), 64);
}

class VideoLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    clip_ = dir_.file("clip.mp4");
    const std::string why = encodeGreyVideo(clip_, kSeconds, kFps);
    if (!why.empty()) GTEST_SKIP() << why;
  }
  TempDir dir_;
  std::string clip_;
};

TEST_F(VideoLoop, TenSecondVideoAt25SecondsLoopsTwiceAndSeeksTo5) {
  ZRDecoderVideo decoder(80);
  ZRCodecBase::OpenStruct request;
  request.path = ZRString(clip_);
  request.secondPath = ZRString(clip_);
  request.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
  LogCapture log;
  ASSERT_TRUE(decoder.open(&request));
  EXPECT_TRUE(decoder.isSilent());  // no audio stream in the clip
  EXPECT_NEAR(request.format.totalFrames, kSeconds * 44100, 100);
  // Silence reads on forever: its length is the pictures' from the start, so a deck never waits for
  // an end that no read would show.
  EXPECT_EQ(decoder.getDecodedLength(), request.format.totalFrames);
  EXPECT_FALSE(decoder.IsCDG());
  EXPECT_NEAR(decoder.GetFrameRate(), kFps, 1e-6);

  Picture pic;
  double pts = -1;
  ASSERT_TRUE(decoder.GetNextFrame(pic.data(), &pts, -1));
  EXPECT_NEAR(pts, 0.0, 1e-6);
  EXPECT_EQ(frameOf(pic), 0);

  ASSERT_TRUE(decoder.GetNextFrame(pic.data(), &pts, 25 * 44100));
  EXPECT_NEAR(pts, 25.0, 1.0 / kFps + 1e-6);
  EXPECT_EQ(frameOf(pic), 5 * kFps);
  EXPECT_EQ(log.count("ZRFFMpegVideo -- seekTo = 25.000000 s (neededPts=5.000000 s, posMultiplier=2)"), 1)
      << log.joined();

  // Within one frame of the end: starts over at 0 with one loop.
  const double nearEnd = kSeconds - 0.5 / kFps;
  ASSERT_TRUE(decoder.GetNextFrame(pic.data(), &pts, static_cast<int>(nearEnd * 44100)));
  EXPECT_NEAR(pts, kSeconds, 1e-6);
  EXPECT_EQ(frameOf(pic), 0);
  decoder.close();
}

TEST_F(VideoLoop, ReadingOnPastTheEndStartsTheVideoOver) {
  ZRFFMpegVideo video;
  ASSERT_TRUE(video.openVideoStream(ZRString(clip_), nullptr, false));
  EXPECT_EQ(video.getFrameWidth(), 64);
  EXPECT_NEAR(video.getSeconds(), kSeconds, 1e-3);
  Picture pic;
  double pts = 0;
  double last = -1;
  for (int i = 0; i < kSeconds * kFps + 3; ++i) {
    ASSERT_TRUE(video.getNextFrame(pic.data(), &pts, -1, 44100, 0.0, false)) << i;
    EXPECT_GT(pts, last) << i;  // times keep rising across the loop
    EXPECT_NEAR(pts, static_cast<double>(i) / kFps, 1e-6) << i;
    EXPECT_EQ(frameOf(pic), i % (kSeconds * kFps)) << i;
    last = pts;
  }
  EXPECT_EQ(video.getLoopCount(), 1);
}

TEST_F(VideoLoop, TargetSizeScalesThePicture) {
  ZRFFMpegVideo video;
  video.setTargetFrameSize(32, 24, 4);
  ASSERT_TRUE(video.openVideoStream(ZRString(clip_), nullptr, false));
  EXPECT_EQ(video.getFrameWidth(), 32);
  EXPECT_EQ(video.getFrameHeight(), 24);
  std::vector<unsigned char> buffer(32 * 24 * 4 + 64, 0xee);
  unsigned char* dst = buffer.data() + ((16 - (reinterpret_cast<uintptr_t>(buffer.data()) & 15)) & 15);
  double pts = 0;
  ASSERT_TRUE(video.getNextFrame(dst, &pts, -1, 44100, 0.0, false));
  EXPECT_NEAR(dst[(18 * 32 + 16) * 4 + 1], 128, 8);  // the grey lower half, scaled
  EXPECT_EQ(dst[32 * 24 * 4], 0xee);                 // nothing written beyond the picture
  video.closeVideoStream();
  EXPECT_EQ(video.getFrameWidth(), -1);
  EXPECT_FALSE(video.getNextFrame(dst, &pts, -1, 44100, 0.0, false));
}

TEST_F(VideoLoop, AudioOnlyStreamIsDeclinedAndRewound) {
  const std::string wav = dir_.file("tone.wav");
  std::vector<int16_t> samples(44100 * 2, 1000);
  ASSERT_TRUE(writeWav16(wav, samples, 2, 44100));
  const std::string bytes = readFile(wav);
  auto* copy = static_cast<unsigned char*>(std::malloc(bytes.size()));
  std::memcpy(copy, bytes.data(), bytes.size());
  ZRMemoryIStream stream(copy, bytes.size(), true);
  ZRDecoderVideo decoder(81);
  ZRCodecBase::OpenStruct request;
  request.path = ZRString(wav);
  request.stream = &stream;
  LogCapture log;
  EXPECT_FALSE(decoder.open(&request));
  EXPECT_EQ(log.count("error - couldn't find a video stream/decoder [v]"), 1) << log.joined();
  EXPECT_EQ(log.count("error - OpenVideoStream"), 1);
  EXPECT_TRUE(stream.good());
  EXPECT_EQ(stream.tellg(), 0);
}

}  // namespace
