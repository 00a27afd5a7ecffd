#include <gtest/gtest.h>

#include <cmath>

#include "codecs/zr_video_recorder.h"
#include "common/zr_texture.h"
#include "gl_test_context.h"
#include "opengl_directx/zr_video_preview_frame.h"
#include "support/log_capture.h"
#include "support/test_support.h"
#include "video_mixing/zr_video_output.h"
#include "video_mixing/zr_video_source_renderer.h"
#include "video_test_media.h"

namespace {

using namespace orvel_test;

constexpr int kWidth = 192;
constexpr int kHeight = 108;

// A recorder that records without a writer: the frames it is handed stay queued for the test.
class QueueingRecorder : public ZRVideoRecorder {
 public:
  void start() { recording_.store(true); }
  std::vector<ZRVideoFrameRecord*> take() {
    std::vector<ZRVideoFrameRecord*> frames;
    ZRVideoFrameRecord* record = nullptr;
    while (frameQueue_.try_dequeue(record)) frames.push_back(record);
    return frames;
  }
};

FakeDeck* g_decks[2] = {nullptr, nullptr};
QueueingRecorder* g_recorder = nullptr;

const ZRVideoOutputEngine kEngine{
    [](int index) -> ZRAudioSignalSource* { return g_decks[index]; },
    []() -> ZRVideoRecorder* { return g_recorder; },
};

struct Rgb {
  int r, g, b;
};

class VideoOutput : public VideoMediaTest {
 protected:
  void SetUp() override {
    VideoMediaTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    g_decks[0] = &deckA_;
    g_decks[1] = &deckB_;
    g_recorder = &recorder_;
    installVideoOutputEngine(&kEngine);
    SetVideoFader(0.5);
  }
  void TearDown() override {
    DeinitVideoSourceRenderers(1);
    installVideoOutputEngine(nullptr);
    g_decks[0] = g_decks[1] = nullptr;
    g_recorder = nullptr;
    setVideoEffect(1, 0, 0, 0);
    setVideoEffect(1, 1, 0, 0);
    setVideoTransition(1, 0);
    SetVideoFader(0.5);
    recorder_.close();
  }

  // One output frame as the output canvas draws it; R, G, B, A rows top first.
  std::vector<uint8_t> frame() {
    RenderTarget target(kWidth, kHeight);
    target.begin();
    RenderInitialVideo(1.0 / 60);
    RenderVideoOutputFrame(1.0 / 60, kWidth, kHeight, 1);
    target.end();
    return target.read();
  }
  static Rgb at(const std::vector<uint8_t>& rgba, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * kWidth + x) * 4;
    return {rgba[i], rgba[i + 1], rgba[i + 2]};
  }
  // Both decks play: deck A's video at 2 s (frame 10), deck B's CDG at 3.5 s (second 3).
  void playBothDecks() {
    deckA_.length.store(kVideoSeconds * 44100);
    deckB_.length.store(kCdgSeconds * 44100);
    deckA_.setSeconds(2.0);
    deckB_.setSeconds(3.5);
    ASSERT_TRUE(openPictures(decoderA_, video_, false));
    ASSERT_TRUE(openPictures(decoderB_, cdg_, true));
    ASSERT_TRUE(pumpUntil([&] { frame(); },
                          [&] {
                            ZRVideoSourceRenderer* a = getVideoSourceRenderer(0);
                            ZRVideoSourceRenderer* b = getVideoSourceRenderer(1);
                            return a != nullptr && b != nullptr &&
                                   std::fabs(a->getLastShownTime() - 2.0) < 1e-3 &&
                                   std::fabs(b->getLastShownTime() - 3.5) < 0.05;
                          }));
  }

  FakeDeck deckA_, deckB_;
  ZRDecoderVideo decoderA_{0};
  ZRDecoderVideo decoderB_{1};
  QueueingRecorder recorder_;
};

// x of the middle of the bar of bit k of the numbered video, and the row of the bars.
int barX(int bit) {
  return (bit * 8 + 4) * kWidth / 64;
}
constexpr int kBarY = 12 * kHeight / 48;
constexpr int kNear = 4;

void expectNear(Rgb got, Rgb want, const char* what) {
  EXPECT_NEAR(got.r, want.r, kNear) << what;
  EXPECT_NEAR(got.g, want.g, kNear) << what;
  EXPECT_NEAR(got.b, want.b, kNear) << what;
}

TEST_F(VideoOutput, WithoutPicturesTheOutputIsBlackAndCostsNoTarget) {
  const std::vector<uint8_t> rgba = frame();
  EXPECT_FALSE(videoOutputHasContent());
  EXPECT_FALSE(getMainVideoRenderTexture());
  expectNear(at(rgba, kWidth / 2, kHeight / 2), {0, 0, 0}, "black");
  // A window of no area logs nothing, frame after frame.
  LogCapture log;
  for (int i = 0; i < 3; ++i) RenderVideoOutputFrame(0.016, 0, 0, 1);
  EXPECT_EQ(log.joined(), "");
}

TEST_F(VideoOutput, CrossfaderMixesTheDecksAndEffectsAndTransitionsChangeThePicture) {
  playBothDecks();
  const std::vector<int> c = cdgColourOf(3);
  const Rgb cdg{c[0], c[1], c[2]};
  // Frame 10 is 001010 in bars: bit 1 white, bit 0 black.
  SetVideoFader(0);
  std::vector<uint8_t> out = frame();
  EXPECT_EQ(frameIndexIn(out, kWidth, kHeight), 10);
  EXPECT_TRUE(isVideoContentPlayingInMaster());

  SetVideoFader(1);
  out = frame();
  expectNear(at(out, barX(1), kBarY), cdg, "deck B alone");
  expectNear(at(out, kWidth / 2, kHeight * 3 / 4), cdg, "deck B alone, lower half");

  // Half way: deck A at opacity 0.5 over black, deck B at 0.5 over that.
  SetVideoFader(0.5);
  out = frame();
  expectNear(at(out, barX(1), kBarY), {(255 / 2 + cdg.r) / 2, (255 / 2 + cdg.g) / 2, (255 / 2 + cdg.b) / 2},
             "half over white");
  expectNear(at(out, barX(0), kBarY), {cdg.r / 2, cdg.g / 2, cdg.b / 2}, "half over black");

  // An effect on deck B: "Invert".
  SetVideoFader(1);
  setVideoEffect(1, 1, 3, 0);
  out = frame();
  expectNear(at(out, barX(1), kBarY), {255 - cdg.r, 255 - cdg.g, 255 - cdg.b}, "inverted");
  setVideoEffect(1, 1, 0, 0);

  // A transition: "Swipe H" half way shows deck B on the left and deck A on the right.
  SetVideoFader(0.5);
  setVideoTransition(1, 6);
  out = frame();
  expectNear(at(out, barX(1), kBarY), cdg, "left: deck B");
  const Rgb right = at(out, kWidth - barX(0), kBarY);
  EXPECT_FALSE(std::abs(right.r - cdg.r) <= kNear && std::abs(right.g - cdg.g) <= kNear) << "right: deck A";
  EXPECT_EQ(right.r, right.g);  // the grey video
  // "Cut": deck A until the middle, deck B from there.
  setVideoTransition(1, 1);
  SetVideoFader(0.4);
  EXPECT_EQ(frameIndexIn(frame(), kWidth, kHeight), 10);
  SetVideoFader(0.6);
  expectNear(at(frame(), barX(1), kBarY), cdg, "cut to deck B");
}

TEST_F(VideoOutput, PicturesFollowEachDecksPositionAfterASeek) {
  playBothDecks();
  SetVideoFader(0);
  deckA_.setSeconds(6.4);  // frame 32: 100000
  ASSERT_TRUE(
      pumpUntil([&] { frame(); },
                [&] { return std::fabs(getVideoSourceRenderer(0)->getLastShownTime() - 6.4) < 1e-3; }));
  EXPECT_EQ(frameIndexIn(frame(), kWidth, kHeight), 32);
  SetVideoFader(1);
  deckB_.setSeconds(7.5);
  ASSERT_TRUE(
      pumpUntil([&] { frame(); },
                [&] { return std::fabs(getVideoSourceRenderer(1)->getLastShownTime() - 7.5) < 0.05; }));
  const Rgb got = at(frame(), kWidth / 2, kHeight / 2);
  EXPECT_EQ(cdgSecondOf(got.r, got.g, got.b), 7);
}

TEST_F(VideoOutput, RecorderReceivesEverySecondComposedFrame) {
  playBothDecks();
  SetVideoFader(1);
  recorder_.start();
  for (int i = 0; i < 6; ++i) frame();
  std::vector<ZRVideoFrameRecord*> frames = recorder_.take();
  ASSERT_EQ(frames.size(), 3u);
  const std::vector<int> c = cdgColourOf(3);
  for (ZRVideoFrameRecord* record : frames) {
    EXPECT_EQ(record->width, kWidth);
    EXPECT_EQ(record->height, kHeight);
    EXPECT_TRUE(record->fromOpenGL);
    const unsigned char* middle =
        record->pixels + (static_cast<size_t>(kHeight / 2) * kWidth + kWidth / 2) * 4;
    EXPECT_NEAR(middle[0], c[0], kNear);  // RGBA
    EXPECT_NEAR(middle[1], c[1], kNear);
    EXPECT_NEAR(middle[2], c[2], kNear);
    delete[] record->pixels;
    delete record;
  }
}

TEST(VideoChoices, ListsNamesAndStoresChoicesWithinTheList) {
  ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
  EXPECT_EQ(getVideoEffectsTotal(1), 11);
  EXPECT_EQ(getVideoTransitionsTotal(1), 11);
  char name[16] = "x";
  getVideoEffectName(1, 3, name);
  EXPECT_STREQ(name, "Invert");
  getVideoTransitionName(1, 11, name);
  EXPECT_STREQ(name, "");
  setVideoEffect(1, 0, 10, 0);
  EXPECT_EQ(getVideoEffect(0), 10);
  setVideoEffect(1, 0, 11, 0);
  EXPECT_EQ(getVideoEffect(0), 0);
  setVideoEffect(1, 2, 4, 0);  // no third deck
  EXPECT_EQ(getVideoEffect(1), 0);
  setVideoTransition(1, -1);
  EXPECT_EQ(getVideoTransition(), 0);
}

}  // namespace
