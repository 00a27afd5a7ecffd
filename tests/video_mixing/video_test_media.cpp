#include "video_test_media.h"

#include <cmath>
#include <cstdlib>

#include "common/zr_texture.h"
#include "gl_test_context.h"
#include "video_cdg_media.h"

namespace orvel_test {

namespace {

constexpr int kPacketsPerSecond = 300;

std::array<int, 3> colour4(int second) {
  return {second + 4, 15 - second, second % 2 == 0 ? 3 : 12};
}

}  // namespace

void VideoMediaTest::SetUp() {
  if (!ensureGLContext()) GTEST_SKIP() << "no display for OpenGL";
  video_ = dir_.file("clip.mp4");
  const std::string why = makeNumberedVideo(video_);
  if (!why.empty()) GTEST_SKIP() << why;
  cdg_ = dir_.file("Song.cdg");
  ASSERT_TRUE(makeSecondsCdg(cdg_));
}

std::string makeNumberedVideo(const std::string& path) {
  return encodeGreyVideo(path, kVideoSeconds, kVideoFps);
}

bool makeSecondsCdg(const std::string& path) {
  std::vector<std::array<int, 3>> low, high;
  for (int k = 0; k < 8; ++k) low.push_back(colour4(k));
  for (int k = 8; k < 16; ++k) high.push_back(colour4(k < kCdgSeconds ? k : 0));
  std::vector<CdgPacket> packets;
  for (int second = 0; second < kCdgSeconds; ++second) {
    for (int i = 0; i < kPacketsPerSecond; ++i) {
      // Every packet changes the picture (the border), so that each one is a frame.
      packets.push_back(i == 0 ? cdgMemoryPreset(second) : cdgBorderPreset(second));
    }
  }
  packets[0] = cdgLoadColors(true, low);
  packets[1] = cdgLoadColors(false, high);
  packets[2] = cdgMemoryPreset(0);
  return writeCdg(path, packets);
}

std::vector<int> cdgColourOf(int second) {
  const std::array<int, 3> c = colour4(second);
  return {c[0] * 17, c[1] * 17, c[2] * 17};
}

int cdgSecondOf(int r, int g, int b) {
  for (int k = 0; k < kCdgSeconds; ++k) {
    const std::vector<int> c = cdgColourOf(k);
    if (std::abs(c[0] - r) <= 12 && std::abs(c[1] - g) <= 12 && std::abs(c[2] - b) <= 12) return k;
  }
  return -1;
}

bool openPictures(ZRDecoderVideo& decoder, const std::string& path, bool cdg) {
  ZRCodecBase::OpenStruct request;
  request.path = ZRString(path);
  if (!cdg) request.secondPath = ZRString(path);
  request.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
  return decoder.open(&request);
}

bool pumpUntil(const std::function<void()>& step, const std::function<bool()>& done,
               std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    step();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::vector<uint8_t> readTexture(ZRTexture& texture) {
  RenderTarget target(texture.getWidth(), texture.getHeight());
  target.begin();
  texture.drawRectInRect(0, 0, static_cast<float>(texture.getWidth()),
                         static_cast<float>(texture.getHeight()), 0, 0, -1, -1, 1, false, false);
  target.end();
  return target.read();
}

int frameIndexIn(const std::vector<uint8_t>& rgba, int width, int height) {
  // Column k (8 of 64 pixels wide) of the upper half is white when bit k of the index is set.
  int index = 0;
  const int y = 12 * height / 48;
  for (int bit = 0; bit < 6; ++bit) {
    const int x = (bit * 8 + 4) * width / 64;
    if (rgba[(static_cast<size_t>(y) * width + x) * 4 + 1] > 128) index |= 1 << bit;
  }
  return index;
}

}  // namespace orvel_test
