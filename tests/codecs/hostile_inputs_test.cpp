// Files that once broke the media layer (kept in fuzz/crashes/): each is refused or played cleanly,
// with its usual failed result and log line, without overrunning a buffer or reserving gigabytes.

#include <dirent.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/zr_decoder_aiff.h"
#include "codecs/zr_ffmpeg_audio.h"
#include "codecs/zr_ffmpeg_video.h"
#include "codecs/zr_karaoke_package.h"
#include "codecs/zr_master_codec.h"
#include "common/shell_hooks.h"
#include "common/zr_zip_budget.h"
#include "common/zr_zip_karaoke.h"
#include "common/zr_zip_stream_extractor.h"
#include "log_capture.h"
#include "support/guarded_buffer.h"
#include "support/test_support.h"

namespace {

using namespace orvel_test;

std::string crash(const std::string& name) {
  return sourceFile("fuzz/crashes/" + name);
}

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (const dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  return names;
}

// A video whose first picture is 16x16 and the later ones 64x16, opened without a target size: every
// picture is delivered at the size reported at open, into a buffer of exactly that size.
TEST(HostileInputs, VideoWhosePicturesGrowStaysInsideThePictureBuffer) {
  ZRFFMpegVideo video;
  ASSERT_TRUE(video.openVideoStream(ZRString(crash("video-frame-size-changes.avi")), nullptr, false));
  const int width = video.getFrameWidth();
  const int height = video.getFrameHeight();
  ASSERT_EQ(width, 16);
  ASSERT_EQ(height, 16);
  GuardedBuffer picture(static_cast<size_t>(width) * height * video.getBytesPerPixel());
  ASSERT_NE(picture.data(), nullptr);
  int delivered = 0;
  double pts = 0.0;
  for (int i = 0; i < 8; ++i) {
    // The video is short: reading on starts it over, so every read delivers a picture.
    if (video.getNextFrame(picture.data(), &pts, -1, 44100, 0.0, false)) ++delivered;
  }
  EXPECT_EQ(delivered, 8);
  video.closeVideoStream();
}

// Claimed rates that would size buffers beyond an int, reserve gigabytes, or make one block take
// seconds: refused at open with one log line.
TEST(HostileInputs, AbsurdSampleRatesAreRefusedAtOpen) {
  for (const char* name : {"wav-rate-2147483647.wav", "wav-rate-1073741824.wav", "wav-rate-250mhz.wav"}) {
    ZRMasterCodec codec(30);
    ZRCodecBase::OpenStruct request;
    request.path = ZRString(crash(name));
    request.format = TDSPAudioFormat{44100, 2, 16, 16, 0, 0};
    LogCapture log(true);
    EXPECT_FALSE(codec.openFileOrStream(&request, 1.0f)) << name;
    EXPECT_FALSE(codec.isOpen()) << name;
    const int refusals = log.count("unsupported audio format") + log.count("no suitable codec found");
    EXPECT_EQ(refusals, 1) << name << "\n" << log.joined();
  }
}

// FFmpeg itself reserves about 2 GB for a 5 KB WAV with a broken INFO chunk unless its allocations are
// capped.
TEST(HostileInputs, BrokenInfoChunkReservesNoGigabytes) {
  const long growth = peakMemoryGrowthKb([] {
    ZRFFMpegAudio audio;
    TDSPAudioFormat format;
    if (audio.openAudioStream(ZRString(crash("wav-corrupt-info-chunk.wav")), nullptr, &format)) {
      audio.closeAudioStream();
    }
  });
  ASSERT_GE(growth, 0);
  EXPECT_LT(growth, 300L * 1024) << "kilobytes";
}

// An 80-bit rate of NaN or far beyond an int is refused (its conversion to int is undefined).
TEST(HostileInputs, AiffRatesThatAreNoNumbersAreRefused) {
  for (const char* name : {"aiff-rate-nan.aiff", "aiff-rate-huge.aiff"}) {
    ZRDecoderAiff reader(1);
    ZRCodecBase::OpenStruct request;
    request.path = ZRString(crash(name));
    EXPECT_FALSE(reader.open(&request)) << name;
  }
}

class HostileZip : public ::testing::Test {
 protected:
  void SetUp() override {
    previousSamples_ = GetSamplesDir();
    SetSamplesDir(samples_.path());
    installKaraokeSupport();
  }
  void TearDown() override {
    ZRMasterCodec::setVideoDecoderFactory(nullptr);
    ZRMasterCodec::setZipCdgExtractors(nullptr, nullptr);
    SetSamplesDir(previousSamples_);
  }
  TempDir samples_;
  ZRString previousSamples_;
};

// A 1 MB package that inflates to 1 GB: both extractors refuse it and leave nothing behind, and a deck
// opening it fails cleanly.
TEST_F(HostileZip, PackageExpandingBeyondItsBudgetIsRefusedAndCleanedUp) {
  const std::string zip = crash("zip-expands-to-1gib.zip");
  std::string cdg;
  EXPECT_EQ(extractZipCdgFile(zip.c_str(), samples_.path().c_str(), 1, &cdg), 0);
  EXPECT_TRUE(entries(samples_.path()).empty());
  ZRSunzipSummary summary;
  EXPECT_EQ(extractZipCdgFile2(zip.c_str(), samples_.path().c_str(), 1, &cdg, &summary), 0);
  EXPECT_EQ(summary.abortReason, "the archive expands beyond its limit");
  EXPECT_TRUE(entries(samples_.path()).empty());

  ZRMasterCodec codec(0);
  ZRCodecBase::OpenStruct request;
  request.path = ZRString(zip);
  request.format = TDSPAudioFormat{44100, 2, 16, 16, 0, 0};
  EXPECT_FALSE(codec.openFileOrStream(&request, 1.0f));
  EXPECT_TRUE(entries(samples_.path()).empty());
}

TEST(ZipBudget, RatioAndBounds) {
  EXPECT_EQ(ZRZipBudget(0).limit(), ZRZipBudget::kFreeBytes);
  EXPECT_EQ(ZRZipBudget(1 << 20).limit(), ZRZipBudget::kFreeBytes);
  EXPECT_EQ(ZRZipBudget(10 << 20).limit(), uint64_t{500} << 20);
  EXPECT_EQ(ZRZipBudget(uint64_t{1} << 40).limit(), ZRZipBudget::kMaxBytes);
  ZRZipBudget budget(0);
  EXPECT_TRUE(budget.allows(ZRZipBudget::kFreeBytes));
  EXPECT_TRUE(budget.take(ZRZipBudget::kFreeBytes - 1));
  EXPECT_FALSE(budget.allows(2));
  EXPECT_TRUE(budget.take(1));
  EXPECT_FALSE(budget.take(1));
  EXPECT_FALSE(budget.take(UINT64_MAX));
}

}  // namespace
