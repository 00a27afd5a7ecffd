#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

#include "codecs/zr_decoder_video.h"
#include "common/zr_texture.h"
#include "log_capture.h"
#include "support/media_encoder.h"
#include "support/test_support.h"
#include "video_cdg_media.h"

namespace {

using namespace orvel_test;

constexpr int kWidth = 300;
constexpr int kHeight = 216;
constexpr int kPacketsPerSecond = 300;

// Pixel buffer aligned to 16 bytes.
struct Picture {
  explicit Picture(size_t bytes) : storage(bytes + 32, 0) {}
  unsigned char* data() {
    auto p = reinterpret_cast<uintptr_t>(storage.data());
    return storage.data() + ((16 - (p & 15)) & 15);
  }
  std::vector<unsigned char> storage;
};

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

Rgb bgraAt(Picture& p, int x, int y) {
  const unsigned char* px = p.data() + (static_cast<size_t>(y) * kWidth + x) * 4;
  return {px[2], px[1], px[0]};
}

const Rgb kRed{255, 0, 0};
const Rgb kGreen{0, 255, 0};
const Rgb kBlue{0, 0, 255};

// Four seconds of CDG: colours, a blue screen, a red and green striped tile at row 5 column 10 at
// 1 s, the same tile's colours swapped by an exclusive-or tile at 1.2 s, a scroll up by one tile row
// at 2 s. Every other packet re-sets the border, so that
// each packet gives a picture.
std::vector<CdgPacket> karaokeGraphics() {
  std::vector<CdgPacket> packets(4 * kPacketsPerSecond, cdgBorderPreset(3));
  packets[0] = cdgLoadColors(true, {{0, 0, 0}, {15, 0, 0}, {0, 15, 0}, {0, 0, 15}});
  packets[1] = cdgMemoryPreset(3);
  std::array<unsigned char, 12> stripes{};
  for (int i = 0; i < 12; ++i) stripes[i] = i % 2 == 0 ? 0x3f : 0x00;
  packets[kPacketsPerSecond] = cdgTile(5, 10, 1, 2, stripes);
  // An exclusive-or tile over it with colour 3 everywhere swaps red (1) and green (2).
  std::array<unsigned char, 12> full{};
  full.fill(0x3f);
  packets[kPacketsPerSecond + 60] = cdgTile(5, 10, 0, 3, full, true);
  packets[2 * kPacketsPerSecond] = cdgScroll(false, 0, 0, 2);
  return packets;
}

class VideoCdgDecoder : public ::testing::Test {
 protected:
  void SetUp() override {
    cdg_ = dir_.file("Song.cdg");
    ASSERT_TRUE(writeCdg(cdg_, karaokeGraphics()));
  }
  void TearDown() override { ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL); }
  bool open(ZRDecoderVideo* decoder, const std::string& path) {
    request_ = ZRCodecBase::OpenStruct();
    request_.path = ZRString(path);
    request_.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
    return decoder->open(&request_);
  }
  TempDir dir_;
  std::string cdg_;
  ZRCodecBase::OpenStruct request_;
};

TEST_F(VideoCdgDecoder, PacketStreamDecodesToKnownPixels) {
  ZRDecoderVideo decoder(70);
  ASSERT_TRUE(open(&decoder, cdg_));
  EXPECT_TRUE(decoder.IsCDG());
  EXPECT_EQ(decoder.GetFrameWidth(), kWidth);
  EXPECT_EQ(decoder.GetFrameHeight(), kHeight);
  Picture pic(kWidth * kHeight * 4);
  double pts = -1;
  ASSERT_TRUE(decoder.GetNextFrame(pic.data(), &pts, -1));
  EXPECT_NEAR(pts, 0.0, 1e-9);

  ASSERT_TRUE(decoder.GetNextFrame(pic.data(), &pts, static_cast<int>(1.1 * 44100)));
  EXPECT_NEAR(pts, 1.1, 2.0 / kPacketsPerSecond);
  EXPECT_EQ(bgraAt(pic, 62, 60), kGreen);  // even pixel rows of the tile
  EXPECT_EQ(bgraAt(pic, 65, 61), kRed);    // odd rows

  ASSERT_TRUE(decoder.GetNextFrame(pic.data(), &pts, static_cast<int>(1.5 * 44100)));
  EXPECT_NEAR(pts, 1.5, 2.0 / kPacketsPerSecond);
  EXPECT_EQ(bgraAt(pic, 62, 60), kRed);  // swapped by the exclusive-or tile
  EXPECT_EQ(bgraAt(pic, 65, 61), kGreen);
  EXPECT_EQ(bgraAt(pic, 59, 60), kBlue);  // left of the tile
  EXPECT_EQ(bgraAt(pic, 66, 71), kBlue);  // right of the tile
  EXPECT_EQ(bgraAt(pic, 150, 100), kBlue);

  ASSERT_TRUE(decoder.GetNextFrame(pic.data(), &pts, static_cast<int>(2.5 * 44100)));
  EXPECT_NEAR(pts, 2.5, 2.0 / kPacketsPerSecond);
  EXPECT_EQ(bgraAt(pic, 62, 48), kRed);  // the tile moved up one tile row
  EXPECT_EQ(bgraAt(pic, 62, 49), kGreen);
  EXPECT_EQ(bgraAt(pic, 62, 60), kBlue);  // where it was, now the row below it

  // An earlier time reopens and reads forward from the start: no tile yet.
  LogCapture log;
  ASSERT_TRUE(decoder.GetNextFrame(pic.data(), &pts, static_cast<int>(0.5 * 44100)));
  EXPECT_NEAR(pts, 0.5, 2.0 / kPacketsPerSecond);
  EXPECT_EQ(bgraAt(pic, 62, 60), kBlue);
  EXPECT_EQ(bgraAt(pic, 62, 48), kBlue);
  EXPECT_EQ(log.count("ZRFFMpegVideo -- seekTo = 0.5"), 1) << log.joined();
  decoder.close();
}

TEST_F(VideoCdgDecoder, PacketAtTheSeekTargetIsNotLost) {
  // The tile is drawn by the very packet a seek to just after 1 s lands on.
  ZRDecoderVideo decoder(77);
  ASSERT_TRUE(open(&decoder, cdg_));
  Picture pic(kWidth * kHeight * 4);
  double pts = -1;
  ASSERT_TRUE(decoder.GetNextFrame(pic.data(), &pts, -1));
  ASSERT_TRUE(decoder.GetNextFrame(pic.data(), &pts, 44100 + 100));
  EXPECT_NEAR(pts, 1.0, 1e-9);
  EXPECT_EQ(bgraAt(pic, 62, 60), kGreen);
  ASSERT_TRUE(decoder.GetNextFrame(pic.data(), &pts, -1));
  EXPECT_EQ(bgraAt(pic, 62, 60), kGreen);
}

TEST_F(VideoCdgDecoder, WithoutSoundOpensSilentForTheGraphicsLength) {
  ZRDecoderVideo decoder(71);
  LogCapture log;
  ASSERT_TRUE(open(&decoder, cdg_));
  EXPECT_TRUE(decoder.isSilent());
  EXPECT_EQ(log.count("video without an audio stream/track - generating silence"), 1);
  EXPECT_EQ(request_.format.sampleRate, 44100);
  EXPECT_EQ(request_.format.channels, 2);
  EXPECT_EQ(request_.format.bitsPerSample, 16);
  EXPECT_NEAR(request_.format.totalFrames, 4 * 44100, 44100 / kPacketsPerSecond + 1);
  EXPECT_EQ(decoder.GetSampleRate(), 44100);
  std::vector<char> samples(256 * 4, 'x');
  EXPECT_EQ(decoder.getSamples(samples.data(), 256, 0), 256);
  EXPECT_EQ(std::count(samples.begin(), samples.end(), 0), 1024);
  EXPECT_NEAR(decoder.getSeconds(), 4.0f, 0.01f);
}

TEST_F(VideoCdgDecoder, SoundComesFromTheMp3OfTheSameName) {
  const std::string why =
      encodeAudio(dir_.file("Song.MP3"), "mp3", "libmp3lame", testSignal(44100, 2, 44100), 2, 44100);
  if (!why.empty()) GTEST_SKIP() << why;
  ZRDecoderVideo decoder(72);
  ASSERT_TRUE(open(&decoder, cdg_));
  EXPECT_FALSE(decoder.isSilent());
  EXPECT_EQ(request_.format.sampleRate, 44100);
  EXPECT_NEAR(request_.format.totalFrames, 44100, 2000);
}

TEST_F(VideoCdgDecoder, PixelLayoutFollowsTheRenderEngine) {
  struct Row {
    ZRRenderEngineType engine;
    int bytesPerPixel;
    int redOffset;  // where the red byte of a pixel lies
  };
  for (const Row& r : {Row{ZRRenderEngineOpenGL, 4, 2}, Row{ZRRenderEngineRGBA, 4, 0},
                       Row{ZRRenderEngineOpenGL, 3, 0}, Row{ZRRenderEngineRGBA, 3, 2}}) {
    ZRTexture::setDefaultRenderDevice(r.engine);
    ZRDecoderVideo decoder(73);
    decoder.SetTargetFrameSize(kWidth, kHeight, r.bytesPerPixel);
    ASSERT_TRUE(open(&decoder, cdg_));
    Picture pic(kWidth * kHeight * 4);
    double pts = 0;
    ASSERT_TRUE(decoder.GetNextFrame(pic.data(), &pts, -1));
    ASSERT_TRUE(decoder.GetNextFrame(pic.data(), &pts, static_cast<int>(1.5 * 44100)));
    const unsigned char* px = pic.data() + (60 * kWidth + 62) * r.bytesPerPixel;  // a red pixel
    EXPECT_EQ(px[r.redOffset], 255) << r.engine << " " << r.bytesPerPixel;
    EXPECT_EQ(px[2 - r.redOffset], 0) << r.engine << " " << r.bytesPerPixel;
    decoder.close();
    // After a CDG the target size returns to the source size.
    EXPECT_EQ(decoder.GetFrameWidth(), -1);
  }
}

TEST_F(VideoCdgDecoder, RefusalsAndMisuse) {
  ZRDecoderVideo decoder(74);
  // A plain audio or video file without a second path is left to the next decoder, silently.
  LogCapture log;
  EXPECT_FALSE(open(&decoder, dir_.file("clip.mp4")));
  EXPECT_TRUE(log.lines().empty()) << log.joined();
  EXPECT_FALSE(open(&decoder, dir_.file("missing.cdg")));
  EXPECT_EQ(log.count("error - OpenVideoStream"), 1);

  ASSERT_TRUE(open(&decoder, cdg_));
  EXPECT_FALSE(open(&decoder, cdg_));
  EXPECT_EQ(log.count("warning: ZRDecoderVideo::Open - already opened (1)"), 1);
  Picture pic(kWidth * kHeight * 4);
  double pts = 0;
  EXPECT_FALSE(decoder.GetNextFrame(pic.data() + 4, &pts, -1));  // not 16-byte aligned
  decoder.close();
  EXPECT_FALSE(decoder.GetNextFrame(pic.data(), &pts, -1));
}

TEST(VideoCdgRegistry, LookupByIdAndLastConstructedWins) {
  EXPECT_EQ(ZRDecoderVideo::getCodecById(128), nullptr);
  EXPECT_EQ(ZRDecoderVideo::getCodecById(-1), nullptr);
  {
    ZRDecoderVideo first(40);
    EXPECT_EQ(ZRDecoderVideo::getCodecById(40), &first);
    {
      ZRDecoderVideo second(40);
      EXPECT_EQ(ZRDecoderVideo::getCodecById(40), &second);
    }
    EXPECT_EQ(ZRDecoderVideo::getCodecById(40), nullptr);
    ZRDecoderVideo unregistered(-1);
    EXPECT_EQ(ZRDecoderVideo::getCodecById(40), nullptr);
  }
  EXPECT_EQ(ZRDecoderVideo::getCodecById(40), nullptr);
}

TEST(VideoCdgRegistry, SeekNoticeReachesTheCallback) {
  ZRDecoderVideo decoder(75);
  struct Seen {
    float seconds = -1;
    int flag = -1;
  } seen;
  decoder.announceSeekToSample(44100, true);  // no callback: nothing
  decoder.SetOnAnnounceSeekToSampleCallBack(
      [](void* user, float seconds, int flag) {
        static_cast<Seen*>(user)->seconds = seconds;
        static_cast<Seen*>(user)->flag = flag;
      },
      &seen);
  decoder.announceSeekToSample(88200, true);
  EXPECT_FLOAT_EQ(seen.seconds, 2.0f);
  EXPECT_EQ(seen.flag, 1);
}

// The renderer's side of the state word, played by a test thread.
class FakeRenderer {
 public:
  FakeRenderer(ZRDecoderVideo* decoder, bool acknowledges) : decoder_(decoder), acknowledges_(acknowledges) {
    decoder_->attachRenderer();
    thread_ = std::thread([this] {
      while (!stop_.load()) {
        const uint32_t state = decoder_->getState();
        if (acknowledges_ && (state & ZRDecoderVideo::kStateClosing)) {
          decoder_->acknowledgeState();
          stops_++;
        } else if (acknowledges_ && (state & ZRDecoderVideo::kStateOpened)) {
          decoder_->acknowledgeState();
          starts_++;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
  }
  ~FakeRenderer() {
    stop_ = true;
    thread_.join();
    decoder_->setRendererDetached();
  }
  int starts() const { return starts_.load(); }
  int stops() const { return stops_.load(); }

 private:
  ZRDecoderVideo* decoder_;
  bool acknowledges_;
  std::atomic<bool> stop_{false};
  std::atomic<int> starts_{0};
  std::atomic<int> stops_{0};
  std::thread thread_;
};

TEST_F(VideoCdgDecoder, NoRendererAttachedNothingWaits) {
  ZRDecoderVideo deck(0);
  ASSERT_TRUE(open(&deck, cdg_));
  EXPECT_EQ(deck.getState(), ZRDecoderVideo::kStateOpened);
  deck.close();
  EXPECT_EQ(deck.getState(), 0u);
  ASSERT_TRUE(open(&deck, cdg_));  // the earlier open was never acknowledged: no wait either
  deck.close();
}

TEST_F(VideoCdgDecoder, DeckCloseWaitsForTheRenderersAcknowledgement) {
  ZRDecoderVideo deck(1);
  FakeRenderer renderer(&deck, true);
  ASSERT_TRUE(open(&deck, cdg_));
  for (int i = 0; i < 400 && renderer.starts() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(renderer.starts(), 1);
  deck.close();
  EXPECT_EQ(deck.getState(), 0u);
  EXPECT_EQ(renderer.stops(), 1);
  ASSERT_TRUE(open(&deck, cdg_));
  deck.close();
  EXPECT_EQ(renderer.stops(), 2);
}

TEST_F(VideoCdgDecoder, SilentRendererOnlyDelaysWithinTheBound) {
  ZRDecoderVideo deck(0);
  FakeRenderer renderer(&deck, false);
  ASSERT_TRUE(open(&deck, cdg_));
  LogCapture log;
  deck.close();  // returns although nobody acknowledges
  EXPECT_EQ(log.count("no acknowledgement of the video renderer (close)"), 1);
  EXPECT_FALSE(deck.isOpen());
  deck.setRendererDetached();
  log.clear();
  ASSERT_TRUE(open(&deck, cdg_));  // detached: the pending word is not waited for
  EXPECT_EQ(log.count("no acknowledgement"), 0);
  deck.close();
}

}  // namespace
