#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "common/zr_texture.h"
#include "gl_test_context.h"
#include "support/log_capture.h"
#include "video_mixing/zr_capture_device.h"
#include "video_mixing/zr_live_video_capture.h"
#include "video_mixing/zr_video_output.h"
#include "video_test_media.h"

namespace {

using namespace orvel_test;
using Capture = ZRLiveVideoCapture;

// A device that records what it is asked; the test delivers its frames.
class FakeDevice : public ZRCaptureDevice {
 public:
  explicit FakeDevice(std::string name) : name_(std::move(name)) {}
  std::string displayName() const override { return name_; }
  bool startCapture(ZRLiveVideoCapture* sink, int width, int height, double) override {
    sink_ = sink;
    width_ = width;
    height_ = height;
    capturing_ = true;
    return true;
  }
  void stopCapture() override { capturing_ = false; }
  bool isCapturing() const override { return capturing_; }

  ZRLiveVideoCapture* sink_ = nullptr;
  int width_ = 0, height_ = 0;
  std::atomic<bool> capturing_{false};
  std::string name_;
};

Capture makeCapture() {
  return Capture(-1, true, 1920, 1080, 59.94, true, 4096, nullptr);
}

// A UYVY picture of one colour, rows stride bytes apart (the padding filled with 0xee).
std::vector<uint8_t> uyvy(int width, int height, int stride, uint8_t y, uint8_t cb, uint8_t cr) {
  std::vector<uint8_t> data(static_cast<size_t>(stride) * height, 0xee);
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width / 2; ++x) {
      uint8_t* p = &data[static_cast<size_t>(row) * stride + x * 4];
      p[0] = cb;
      p[1] = y;
      p[2] = cr;
      p[3] = y;
    }
  }
  return data;
}

struct ColourRow {
  const char* what;
  uint32_t format;
  std::vector<uint8_t> pixel;  // two pixels' bytes in the format (one group of 4:2:2)
  int r, g, b;
};

class LiveCaptureColours : public ::testing::TestWithParam<ColourRow> {
 protected:
  void SetUp() override {
    if (!ensureGLContext()) GTEST_SKIP() << "no display for OpenGL";
  }
};

TEST_P(LiveCaptureColours, ConvertsKnownAnswersThroughRowPadding) {
  const ColourRow& row = GetParam();
  const int width = 6, height = 3, pixelBytes = static_cast<int>(row.pixel.size()) / 2;
  const int stride = width * pixelBytes + 12;  // padded rows
  std::vector<uint8_t> data(static_cast<size_t>(stride) * height, 0x55);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width / 2; ++x)
      std::copy(row.pixel.begin(), row.pixel.end(), data.begin() + y * stride + x * 2 * pixelBytes);
  }
  Capture capture = makeCapture();
  capture.putVideoFrame(data.data(), data.size(), width, height, stride, row.format);
  ASSERT_TRUE(capture.hasNewFrame());
  capture.renderToTexture(nullptr, nullptr);
  ASSERT_NE(capture.getTexture(), nullptr);
  EXPECT_EQ(capture.getTexture()->getWidth(), width);
  const std::vector<uint8_t> rgba = readTexture(*capture.getTexture());
  for (int i = 0; i < width * height; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rgba[i * 4 + 0], row.r);
    EXPECT_EQ(rgba[i * 4 + 1], row.g);
    EXPECT_EQ(rgba[i * 4 + 2], row.b);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LiveCaptureColours,
    ::testing::Values(ColourRow{"UYVY black", Capture::kFormatUYVY, {128, 16, 128, 16}, 16, 16, 16},
                      ColourRow{"UYVY white", Capture::kFormatUYVY, {128, 235, 128, 235}, 235, 235, 235},
                      ColourRow{"UYVY red", Capture::kFormatUYVY, {90, 81, 240, 81}, 238, 14, 13},
                      ColourRow{"YUYV red", Capture::kFormatYUYV, {81, 90, 81, 240}, 238, 14, 13},
                      ColourRow{"RGB24", Capture::kFormatRGB24, {10, 20, 30, 10, 20, 30}, 10, 20, 30},
                      ColourRow{"BGR24", Capture::kFormatBGR24, {30, 20, 10, 30, 20, 10}, 10, 20, 30},
                      ColourRow{"BGRA", Capture::kFormatBGRA, {30, 20, 10, 0, 30, 20, 10, 0}, 10, 20, 30}),
    [](const ::testing::TestParamInfo<ColourRow>& info) {
      std::string name = info.param.what;
      for (char& c : name)
        if (c == ' ') c = '_';
      return name;
    });

TEST(LiveCapture, DropsPicturesItCannotReadWithOneLineEach) {
  Capture capture = makeCapture();
  std::vector<uint8_t> data = uyvy(8, 4, 16, 16, 128, 128);
  LogCapture log;
  for (int i = 0; i < 3; ++i) {
    capture.putVideoFrame(data.data(), data.size(), 8, 4, 16, 0x34363248);  // 'H264'
    capture.putVideoFrame(data.data(), data.size() - 1, 8, 4, 16, Capture::kFormatUYVY);
    capture.putVideoFrame(data.data(), data.size(), 8, 4, 12, Capture::kFormatUYVY);  // stride < row
    capture.putVideoFrame(data.data(), data.size(), Capture::kMaxSide + 2, 1, 0, Capture::kFormatUYVY);
  }
  EXPECT_FALSE(capture.hasNewFrame());
  EXPECT_LE(log.count("live video:"), 3) << log.joined();
  EXPECT_GE(log.count("live video:"), 1) << log.joined();
}

TEST(LiveCapture, FirstDeviceCapturesLaterOnesWaitAndRemovalStartsNone) {
  Capture capture = makeCapture();
  auto first = std::make_unique<FakeDevice>("first");
  auto second = std::make_unique<FakeDevice>("second");
  FakeDevice* a = first.get();
  FakeDevice* b = second.get();
  capture.deviceArrived(std::move(first));
  capture.deviceArrived(std::move(second));
  EXPECT_EQ(capture.getDeviceCount(), 2);
  EXPECT_TRUE(a->isCapturing());
  EXPECT_EQ(a->sink_, &capture);
  EXPECT_EQ(a->width_, 1920);
  EXPECT_EQ(a->height_, 1080);
  EXPECT_FALSE(b->isCapturing());
  capture.deviceRemoved(a);
  EXPECT_EQ(capture.getDeviceCount(), 1);
  EXPECT_FALSE(b->isCapturing());
}

TEST(LiveCapture, FramesOfAnySizeArriveWhileTheRenderThreadUploads) {
  if (!ensureGLContext()) GTEST_SKIP() << "no display for OpenGL";
  Capture capture = makeCapture();
  // Sizes around and above the 1080-line picture alternate on the capture thread.
  const std::vector<std::pair<int, int>> sizes = {{1920, 1080}, {2048, 1200}, {64, 36}, {3840, 2160}};
  std::vector<std::vector<uint8_t>> frames;
  for (const auto& [w, h] : sizes) frames.push_back(uyvy(w, h, w * 2 + 64, 235, 128, 128));
  std::atomic<bool> done{false};
  std::thread device([&] {
    for (int i = 0; i < 12; ++i) {
      const auto& [w, h] = sizes[i % sizes.size()];
      capture.putVideoFrame(frames[i % sizes.size()].data(), frames[i % sizes.size()].size(), w, h,
                            w * 2 + 64, Capture::kFormatUYVY);
    }
    done = true;
  });
  int uploads = 0;
  while (!done.load()) {
    capture.renderToTexture(nullptr, nullptr);
    if (capture.getTexture() != nullptr) ++uploads;
  }
  device.join();
  capture.renderToTexture(nullptr, nullptr);
  ASSERT_NE(capture.getTexture(), nullptr);
  // The last picture delivered is the one shown: 3840 x 2160.
  EXPECT_EQ(capture.getTexture()->getWidth(), 3840);
  EXPECT_EQ(capture.getTexture()->getHeight(), 2160);
}

TEST(LiveCapture, SoundIsResampledTo44100AndReadAllOrNothing) {
  Capture capture = makeCapture();
  EXPECT_EQ(Capture::resampledFrames(1601), 1471);
  EXPECT_EQ(Capture::resampledFrames(48000), 44100);
  std::vector<int16_t> packet16(1601 * 2, 16384);  // 0.5
  capture.putAudioPacket(packet16.data(), 1601, 16);
  std::vector<int32_t> packet32(1601 * 2, 1 << 29);  // 0.25
  capture.putAudioPacket(packet32.data(), 1601, 32);

  std::vector<float> out(1471 * 2 * 3, 7.0f);
  // More than stored: silence, and the ring keeps what it has.
  capture.GetSamples(out.data(), 1471 * 3);
  for (float v : out) ASSERT_EQ(v, 0.0f);
  capture.GetSamples(out.data(), 1471);
  for (int i = 0; i < 1471 * 2; ++i) ASSERT_FLOAT_EQ(out[i], 0.5f) << i;
  capture.GetSamples(out.data(), 1471);
  for (int i = 0; i < 1471 * 2; ++i) ASSERT_FLOAT_EQ(out[i], 0.25f) << i;
  capture.GetSamples(out.data(), 1);
  EXPECT_EQ(out[0], 0.0f);
  // A packet larger than a second is taken whole (it fits nowhere but is read without overrun).
  std::vector<int16_t> huge(96000 * 2, 1000);
  capture.putAudioPacket(huge.data(), 96000, 16);
  capture.putAudioPacket(huge.data(), 1601, 24);  // an unknown sample size is dropped
}

const ZRVideoOutputEngine* g_previous = nullptr;
FakeDeck g_noVideoA, g_noVideoB;
FakeDevice* g_camera = nullptr;

const ZRVideoOutputEngine kEngineWithCapture{
    [](int index) -> ZRAudioSignalSource* { return index == 0 ? &g_noVideoA : &g_noVideoB; },
    nullptr,
    [](bool useOpenGL) {
      auto* capture = new ZRLiveVideoCapture(-1, useOpenGL, 320, 180, 25, false, 4096, nullptr);
      auto camera = std::make_unique<FakeDevice>("camera");
      g_camera = camera.get();
      capture->deviceArrived(std::move(camera));
      return capture;
    },
};

TEST(LiveCapture, ThePictureCoversTheVideoOutput) {
  if (!ensureGLContext()) GTEST_SKIP() << "no display for OpenGL";
  installVideoOutputEngine(&kEngineWithCapture);
  auto frame = [] {
    RenderTarget target(160, 90);
    target.begin();
    RenderInitialVideo(1.0 / 60);
    RenderVideoOutputFrame(1.0 / 60, 160, 90, 1);
    target.end();
    return target.pixel(80, 45);
  };
  EXPECT_EQ(frame()[0], 0);  // no picture yet: black
  ASSERT_NE(g_camera, nullptr);
  ASSERT_TRUE(g_camera->isCapturing());
  const std::vector<uint8_t> white = uyvy(320, 180, 640, 235, 128, 128);
  g_camera->sink_->putVideoFrame(white.data(), white.size(), 320, 180, 640, Capture::kFormatUYVY);
  const std::vector<uint8_t> shown = frame();
  EXPECT_NEAR(shown[0], 235, 2);
  EXPECT_NEAR(shown[1], 235, 2);
  EXPECT_TRUE(videoOutputHasContent());
  DeinitVideoSourceRenderers(1);
  g_camera = nullptr;
  installVideoOutputEngine(g_previous);
}

}  // namespace
