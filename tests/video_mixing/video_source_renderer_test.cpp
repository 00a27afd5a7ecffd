#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>

#include "common/zr_texture.h"
#include "gl_test_context.h"
#include "support/log_capture.h"
#include "support/test_support.h"
#include "video_mixing/zr_video_source_renderer.h"
#include "video_test_media.h"

namespace {

using namespace orvel_test;

class VideoSource : public VideoMediaTest {
 protected:
  // Pumps the render thread's side until the shown frame is the one nearest seconds.
  static bool showsFrameAt(ZRVideoSourceRenderer& source, double frameTime) {
    return pumpUntil([&] { source.RenderToTexture(nullptr, nullptr); },
                     [&] { return std::fabs(source.getLastShownTime() - frameTime) < 1e-3; });
  }
};

struct Step {
  const char* what;
  double seconds;  // the deck's position
  int frame;       // the video frame nearest to it
};

TEST_F(VideoSource, VideoFrameFollowsTheDeckThroughPlayJumpsAndLoops) {
  FakeDeck deck;
  deck.length.store(kVideoSeconds * 44100);
  ZRDecoderVideo decoder(0);
  ZRVideoSourceRenderer source(0, 1, &deck, nullptr);
  EXPECT_EQ(source.GetVideoWidth(), -1);
  ASSERT_TRUE(openPictures(decoder, video_, false));
  source.RenderToTexture(nullptr, nullptr);  // acknowledges the open
  EXPECT_EQ(source.GetPlaying(), 1);
  EXPECT_EQ(decoder.getState(), 0u);
  EXPECT_EQ(source.GetVideoWidth(), 64);

  const Step steps[] = {
      {"start", 0.0, 0},           {"playing", 0.2, 1},        {"playing", 0.41, 2},
      {"playing", 0.79, 4},        {"jump forward", 7.2, 36},  {"playing on", 7.61, 38},
      {"jump backwards", 2.0, 10}, {"near the end", 9.81, 49}, {"looped to the start", 0.6, 3},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(std::string(step.what) + " at " + std::to_string(step.seconds));
    deck.setSeconds(step.seconds);
    ASSERT_TRUE(showsFrameAt(source, step.frame / static_cast<double>(kVideoFps)))
        << "shown " << source.getLastShownTime();
    ASSERT_TRUE(source.getTexture());
    EXPECT_EQ(frameIndexIn(readTexture(*source.getTexture()), 64, 48), step.frame);
  }

  // The close is acknowledged by the next render-thread call: the decoder does not wait out its bound.
  const auto started = std::chrono::steady_clock::now();
  auto closed = std::async(std::launch::async, [&] { decoder.close(); });
  ASSERT_TRUE(
      pumpUntil([&] { source.RenderToTexture(nullptr, nullptr); },
                [&] { return closed.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; }));
  EXPECT_LT(std::chrono::steady_clock::now() - started,
            std::chrono::milliseconds(ZRDecoderVideo::kRendererWaitMs));
  EXPECT_EQ(source.GetPlaying(), 0);
  EXPECT_EQ(source.GetVideoWidth(), -1);
}

TEST_F(VideoSource, CdgDecodesForwardAndRestartsOnlyAfterAnAnnouncedSeek) {
  FakeDeck deck;
  deck.length.store(kCdgSeconds * 44100);
  ZRDecoderVideo decoder(1);
  ZRVideoSourceRenderer source(1, 1, &deck, nullptr);
  ASSERT_TRUE(openPictures(decoder, cdg_, true));
  source.RenderToTexture(nullptr, nullptr);
  ASSERT_EQ(source.GetPlaying(), 1);

  auto secondShown = [&] {
    const std::vector<uint8_t> rgba = readTexture(*source.getTexture());
    const size_t centre = (static_cast<size_t>(108) * 300 + 150) * 4;
    return cdgSecondOf(rgba[centre], rgba[centre + 1], rgba[centre + 2]);
  };
  auto showsNear = [&](double seconds) {
    return pumpUntil([&] { source.RenderToTexture(nullptr, nullptr); },
                     [&] { return std::fabs(source.getLastShownTime() - seconds) < 0.05; });
  };

  deck.setSeconds(0.5);
  ASSERT_TRUE(showsNear(0.5));
  EXPECT_EQ(secondShown(), 0);
  // Forward: the graphics are read on from where they are.
  deck.setSeconds(3.5);
  ASSERT_TRUE(showsNear(3.5));
  EXPECT_EQ(secondShown(), 3);

  // Backwards without a seek announcement: the nearest frame decoded so far stays (CDG reads forward).
  deck.setSeconds(1.5);
  for (int i = 0; i < 20; ++i) {
    source.RenderToTexture(nullptr, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_GT(source.getLastShownTime(), 3.0);

  // The deck announces its seek: the graphics are read again from a second before the position.
  decoder.announceSeekToSample(static_cast<int>(1.5 * 44100), false);
  ASSERT_TRUE(showsNear(1.5));
  EXPECT_EQ(secondShown(), 1);
}

TEST_F(VideoSource, DecoderOutlivingItsRendererNeitherCallsBackNorWaits) {
  FakeDeck deck;
  ZRDecoderVideo decoder(0);
  {
    ZRVideoSourceRenderer source(0, 1, &deck, nullptr);
    ASSERT_TRUE(openPictures(decoder, cdg_, true));
    source.RenderToTexture(nullptr, nullptr);
    ASSERT_EQ(source.GetPlaying(), 1);
  }
  // The renderer is gone: a seek announcement reaches nothing of it, and the close waits for no
  // acknowledgement.
  decoder.announceSeekToSample(44100, false);
  const auto started = std::chrono::steady_clock::now();
  decoder.close();
  EXPECT_LT(std::chrono::steady_clock::now() - started,
            std::chrono::milliseconds(ZRDecoderVideo::kRendererWaitMs / 2));
}

TEST_F(VideoSource, WithoutDecoderTheSourceSaysSoAndShowsNothing) {
  LogCapture log;
  FakeDeck deck;
  ZRVideoSourceRenderer source(120, 1, &deck, nullptr);
  EXPECT_EQ(log.count("ZRVideoSourceRenderer -- ERROR -- can not get codec object"), 1) << log.joined();
  source.RenderToTexture(nullptr, nullptr);
  EXPECT_EQ(source.GetVideoWidth(), -1);
  EXPECT_FALSE(source.getTexture());
}

}  // namespace
