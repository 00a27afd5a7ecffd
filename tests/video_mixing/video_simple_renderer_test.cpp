#include <GL/glew.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>
#include <limits>
#include <thread>

#include "common/zr_texture.h"
#include "gl_test_context.h"
#include "opengl_directx/zr_gl_2d.h"
#include "support/counting_texture.h"
#include "support/log_capture.h"
#include "support/test_support.h"
#include "video_cdg_media.h"
#include "video_mixing/zr_video_simple_renderer.h"
#include "video_test_media.h"

namespace {

using namespace orvel_test;

// What an overlay item asks for: 2^31 ms, far beyond any clip, so the clip loops.
constexpr double kItemPlayTime = 2147483648.0 / 1000.0;

class VideoSimpleRenderer : public VideoMediaTest {
 protected:
  // A numbered clip (frame i shows i mod 64) of the given shape in the test's folder.
  std::string clip(const char* name, int seconds, int fps, GreyVideoShape shape = GreyVideoShape()) {
    const std::string path = dir_.file(name);
    const std::string why = encodeGreyVideo(path, seconds, fps, shape);
    EXPECT_EQ(why, "");
    return path;
  }

  static void update(ZRVideoSimpleRenderer& player, double dt, bool hidden = false) {
    player.updateFromRenderThread(dt, true, nullptr, nullptr, 192, 108, false, hidden);
  }

  // Updates without moving the clock until the texture shows the frame of time seconds.
  static bool shows(ZRVideoSimpleRenderer& player, double seconds) {
    return pumpUntil([&] { update(player, 0); },
                     [&] { return std::fabs(player.getShownTime() - seconds) < 1e-3; });
  }

  static int frameShown(ZRVideoSimpleRenderer& player) {
    ZRTexture* texture = player.getTexture();
    if (texture == nullptr || texture->getWidth() <= 0) return -1;
    return frameIndexIn(readTexture(*texture), texture->getWidth(), texture->getHeight());
  }

  static bool opens(ZRVideoSimpleRenderer& player) {
    return pumpUntil([&] { update(player, 0); },
                     [&] { return player.isOpen() && !player.isOpenRequested(); });
  }
};

TEST(VideoSimpleRendererPlan, PlayTimeLengthAndFrameRateGiveASafePlan) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double playTime, length;
    double playEnd;
    bool looping;
  } cases[] = {
      {kItemPlayTime, 10, kItemPlayTime, true},  // an item's clip loops
      {-1, 10, 10, false},                       // the file's own length, once
      {4, 10, 4, false},                         // part of the file
      {kItemPlayTime, 0, kItemPlayTime, false},  // no length: nothing to loop at
      {kItemPlayTime, -3, kItemPlayTime, false},
      {-1, 0, inf, false},  // no length and no play time: to the file's end
      {-1, std::nan(""), inf, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.playTime) + " s of a file of " + std::to_string(c.length) + " s");
    const ZRVideoSimpleRenderer::Plan plan = ZRVideoSimpleRenderer::planPlayback(c.playTime, c.length);
    EXPECT_EQ(plan.playEnd, c.playEnd);
    EXPECT_EQ(plan.looping, c.looping);
  }
  const double fallback = 1.0 / ZRVideoSimpleRenderer::kFallbackFrameRate;
  const struct {
    double rate, duration;
  } rates[] = {{25, 0.04}, {0, fallback}, {-5, fallback}, {std::nan(""), fallback}, {inf, fallback}};
  for (const auto& r : rates) EXPECT_DOUBLE_EQ(ZRVideoSimpleRenderer::frameDurationFor(r.rate), r.duration);
}

TEST_F(VideoSimpleRenderer, LoopingClipAdvancesWithTimeAcrossItsEnd) {
  const std::string path = clip("loop.mp4", 2, 5);  // frames 0..9, 0.2 s each
  ZRVideoSimpleRenderer player(-1);
  EXPECT_TRUE(player.openFile(path, kItemPlayTime, true, false));
  ASSERT_TRUE(opens(player));
  EXPECT_TRUE(player.isLooping());
  EXPECT_NEAR(player.getLength(), 2.0, 0.05);
  EXPECT_NEAR(player.getFrameDuration(), 0.2, 1e-6);

  const struct {
    double seconds;
    int frame;  // the clip's frame shown then
  } steps[] = {{0.0, 0}, {0.45, 2}, {1.0, 5}, {1.95, 9}, {2.05, 0}, {2.65, 3}, {4.25, 1}, {5.9, 9}};
  double clock = 0;
  for (const auto& step : steps) {
    SCOPED_TRACE("at " + std::to_string(step.seconds) + " s");
    update(player, step.seconds - clock);  // the position moves on by the output's time step
    clock = step.seconds;
    const double frameTime = std::floor(step.seconds / 0.2 + 1e-9) * 0.2;
    ASSERT_TRUE(shows(player, frameTime)) << "shown " << player.getShownTime();
    EXPECT_EQ(frameShown(player), step.frame);
    EXPECT_TRUE(player.isPlaying());
  }
  EXPECT_NEAR(player.getPlayPosition(), 5.9, 1e-6);
}

// The output's projection for full-frame draws, in a render target.
void beginOutput(RenderTarget& output) {
  output.begin(0, 0, 0, 1);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glPerspective(45.0, 16.0 / 9.0, 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
}

TEST_F(VideoSimpleRenderer, VideoOverlayItemLoopsOnTheOutputAsTimePasses) {
  const std::string path = clip("item.mp4", 2, 5);
  ZRVideoSimpleRenderer::install();
  ZROverlayItem item;
  item.kind = kOverlayItemVideo;
  item.textOrPath = path;
  item.duration = static_cast<float>(kItemPlayTime * 1000);
  item.posx = item.posy = 0.5;
  item.width = item.height = 1;
  item.videoPlayer = makeOverlayItemPlayer();
  setOverlayItemPlayerFactory(nullptr);
  ASSERT_NE(item.videoPlayer, nullptr);
  auto* player = static_cast<ZRVideoSimpleRenderer*>(item.videoPlayer);

  RenderTarget output(192, 108);
  // One output frame of dt seconds; the frame index the output shows.
  auto frame = [&](double dt) {
    beginOutput(output);
    displayOverlayItem(&item, nullptr, nullptr, dt, true, nullptr, nullptr, 192, 108, false, false);
    output.end();
    return frameIndexIn(output.read(), 192, 108);
  };
  const struct {
    double seconds;
    int frame;
  } steps[] = {{0.0, 0}, {0.65, 3}, {1.85, 9}, {2.25, 1}, {3.9, 9}, {4.1, 0}};
  double clock = 0;
  for (const auto& step : steps) {
    SCOPED_TRACE("at " + std::to_string(step.seconds) + " s");
    frame(step.seconds - clock);
    clock = step.seconds;
    const double frameTime = std::floor(step.seconds / 0.2 + 1e-9) * 0.2;
    ASSERT_TRUE(
        pumpUntil([&] { frame(0); }, [&] { return std::fabs(player->getShownTime() - frameTime) < 1e-3; }))
        << "shown " << player->getShownTime();
    EXPECT_EQ(frame(0), step.frame);
  }
  EXPECT_EQ(item.pictureWidth, 64);
  EXPECT_EQ(item.pictureHeight, 48);
  freeOverlayItem(item, true, true);
  EXPECT_EQ(item.videoPlayer, nullptr);
}

TEST_F(VideoSimpleRenderer, PlacedPlayerDrawsTheFrameWhereAndHowTheItemSays) {
  const std::string path = clip("white.mp4", 1, 5);
  ZRVideoSimpleRenderer player(-1);
  player.openFile(path, kItemPlayTime, true, false);
  ASSERT_TRUE(opens(player));
  ASSERT_TRUE(shows(player, 0));
  // Frame 0 shows no bars: a grey lower half and a black upper half. Drawn over a white output at half
  // opacity in the upper right quarter.
  RenderTarget output(192, 108);
  beginOutput(output);
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  player.setSizePos(0.5f, 0.5f, 0.5f, 0.5f, 0, 0.5f);
  update(player, 0);
  output.end();
  const std::vector<uint8_t> inside = output.pixel(144, 40);   // the clip's lower (grey) half
  const std::vector<uint8_t> aboveIt = output.pixel(144, 20);  // its upper (black) half
  const std::vector<uint8_t> outside = output.pixel(40, 80);   // untouched
  EXPECT_NEAR(inside[0], (128 + 255) / 2, 12);
  EXPECT_NEAR(aboveIt[0], (0 + 255) / 2, 12);
  EXPECT_EQ(outside[0], 255);

  // Hidden: nothing drawn.
  output.begin(1, 1, 1, 1);
  update(player, 0, true);
  output.end();
  EXPECT_EQ(output.pixel(144, 40)[0], 255);
}

TEST_F(VideoSimpleRenderer, LargerClipOpenedWhileFramesAreQueuedGetsBlocksOfItsOwnSize) {
  const std::string small = clip("small.mp4", 2, 5);
  const std::string large = clip("large.mp4", 1, 5, GreyVideoShape{1296, 736});
  ZRVideoSimpleRenderer player(-1);
  EXPECT_EQ(player.getPoolBlockSize(), ZRVideoSimpleRenderer::kDefaultBlockBytes);
  player.openFile(small, kItemPlayTime, true, false);
  ASSERT_TRUE(opens(player));
  ASSERT_TRUE(shows(player, 0));  // one small frame on screen
  // More small frames wait, decoded ahead, when the larger clip replaces the pool.
  ASSERT_TRUE(pumpUntil([] {}, [&] { return player.getQueuedFrameCount() >= 3; }));
  player.openFile(large, kItemPlayTime, true, false);
  ASSERT_TRUE(pumpUntil([&] { update(player, 0); },
                        [&] { return player.getTexture() && player.getTexture()->getWidth() == 1296; }));
  EXPECT_EQ(player.getTexture()->getHeight(), 736);
  EXPECT_EQ(player.getPoolBlockSize(), 1296 * 736 * 4);
  EXPECT_EQ(frameShown(player), 0);
  update(player, 0.45);
  ASSERT_TRUE(shows(player, 0.4));
  EXPECT_EQ(frameShown(player), 2);

  // Every small block has gone back to its own pool: what is out is what waits or shows.
  EXPECT_TRUE(
      pumpUntil([] {}, [&] { return player.getFramesOutstanding() == player.getQueuedFrameCount(); }));

  // And back to the small clip: its frames fit the large blocks.
  player.openFile(small, kItemPlayTime, true, false);
  ASSERT_TRUE(pumpUntil([&] { update(player, 0); },
                        [&] { return player.getTexture() && player.getTexture()->getWidth() == 64; }));
  EXPECT_EQ(frameShown(player), 0);
}

TEST_F(VideoSimpleRenderer, ClipFasterThanTheOutputSkipsLateFramesInsteadOfPilingThemUp) {
  const std::string path = clip("fast.mp4", 4, 50);  // 200 frames of 20 ms
  ZRVideoSimpleRenderer player(-1);
  player.openFile(path, kItemPlayTime, true, false);
  ASSERT_TRUE(opens(player));
  int most = 0;
  double clock = 0;
  // A 10 frames per second output, run faster than real time.
  for (int i = 0; i < 30; ++i) {
    update(player, 0.1);
    clock += 0.1;
    most = std::max(most, player.getQueuedFrameCount());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_LE(most, ZRVideoSimpleRenderer::kMaxQueuedFrames);
  // What is decoded ahead, what one output frame's step makes due, the frame shown and the one next.
  EXPECT_LE(most, static_cast<int>((ZRVideoSimpleRenderer::kDecodeAheadSeconds + 0.1) * 50) + 2);
  // The picture keeps up with the clock: one frame per output frame would show frame 30 (0.6 s) by now.
  ASSERT_TRUE(pumpUntil([&] { update(player, 0); }, [&] { return player.getShownTime() > clock - 0.001; }))
      << "shown " << player.getShownTime() << " at " << clock;
  EXPECT_EQ(frameShown(player), static_cast<int>(std::lround(clock / 0.02)) % 64);
}

TEST_F(VideoSimpleRenderer, ClipOfUnknownLengthPlaysOnceAndStops) {
  const std::string path = clip("raw.mjpeg", 2, 5, GreyVideoShape{64, 48, "mjpeg", "mjpeg"});
  ZRVideoSimpleRenderer player(-1);
  player.openFile(path, kItemPlayTime, true, false);
  ASSERT_TRUE(opens(player));
  ASSERT_LE(player.getLength(), 0.0) << "the raw stream was given a length";
  EXPECT_FALSE(player.isLooping());
  // Paced like the output: each update moves the position by the time that really passed.
  auto last = std::chrono::steady_clock::now();
  const bool stopped = pumpUntil(
      [&] {
        const auto now = std::chrono::steady_clock::now();
        update(player, std::chrono::duration<double>(now - last).count());
        last = now;
        EXPECT_LE(player.getQueuedFrameCount(), ZRVideoSimpleRenderer::kMaxQueuedFrames);
      },
      [&] { return !player.isPlaying(); });
  ASSERT_TRUE(stopped);
  EXPECT_TRUE(player.isEnded());
  // A raw stream carries no timing: its frames come at the reader's default rate. The last one stays.
  EXPECT_NEAR(player.getShownTime(), 9 * player.getFrameDuration(), 1e-3);
  EXPECT_EQ(frameShown(player), 9);
}

TEST_F(VideoSimpleRenderer, StillShowsTheFirstFrameOnly) {
  const std::string path = clip("still.mp4", 2, 5);
  ZRVideoSimpleRenderer player(-1);
  player.openFile(path, -1, true, true);
  ASSERT_TRUE(opens(player));
  ASSERT_TRUE(shows(player, 0));
  for (int i = 0; i < 10; ++i) {
    update(player, 0.25);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(player.getShownTime(), 0);
  EXPECT_EQ(player.getPlayPosition(), 0);
  EXPECT_EQ(frameShown(player), 0);
}

TEST_F(VideoSimpleRenderer, FileThatCannotBeOpenedLogsAndDrawsNothing) {
  LogCapture log;
  ZRVideoSimpleRenderer player(-1);
  const std::string missing = dir_.file("missing.mp4");
  player.openFile(missing, kItemPlayTime, true, false);
  ASSERT_TRUE(pumpUntil([&] { update(player, 0.1); }, [&] { return !player.isOpenRequested(); }));
  ASSERT_TRUE(pumpUntil([] {}, [&] { return log.contains("can not open video file '" + missing + "'"); }));
  // An item asks it to play from now on, instead of opening the file again at every frame.
  EXPECT_TRUE(player.isOpenOrPending());
  player.playPause(true);
  update(player, 0.1);
  EXPECT_FALSE(player.isOpen());
  EXPECT_FALSE(player.isPlaying());
  EXPECT_EQ(player.getShownTime(), -1);
}

// A texture of the other engine that notes the thread it is deleted on.
class ThreadNotingTexture : public CountingTexture {
 public:
  ThreadNotingTexture() : CountingTexture(true, 1) {}
  ~ThreadNotingTexture() override {
    deletedOn = std::this_thread::get_id();
    deleted.fetch_add(1);
  }

  static ZRTexture* create(bool, float, ZRRenderEngineType, void*, void*) { return new ThreadNotingTexture; }
  static inline std::thread::id deletedOn;
  static inline std::atomic<int> deleted{0};
};

class VideoSimpleRendererTeardown : public VideoSimpleRenderer {
 protected:
  void SetUp() override {
    VideoSimpleRenderer::SetUp();
    ZRTexture::registerTextureFactory(ZRRenderEngineRGBA, &ThreadNotingTexture::create);
    ThreadNotingTexture::deleted.store(0);
  }
  void TearDown() override { ZRTexture::registerTextureFactory(ZRRenderEngineRGBA, nullptr); }

  static void otherEngineUpdate(ZRVideoSimpleRenderer& player) {
    player.updateFromRenderThread(0.05, false, nullptr, nullptr, 192, 108, false, false);
  }
};

TEST_F(VideoSimpleRendererTeardown, DestructorWaitsBoundedAndLeavesTheTextureToTheRenderThread) {
  const std::string path = clip("teardown.mp4", 2, 5);
  const std::thread::id renderThread = std::this_thread::get_id();
  for (const bool renderThreadDraws : {true, false}) {
    SCOPED_TRACE(renderThreadDraws ? "render thread still drawing" : "render thread gone quiet");
    ThreadNotingTexture::deleted.store(0);
    auto* player = new ZRVideoSimpleRenderer(-1);
    player->openFile(path, kItemPlayTime, true, false);
    ASSERT_TRUE(pumpUntil([&] { otherEngineUpdate(*player); },
                          [&] { return player->getTexture() && player->getTexture()->getWidth() == 64; }));
    const auto started = std::chrono::steady_clock::now();
    auto gone = std::async(std::launch::async, [player] { delete player; });
    if (renderThreadDraws) {
      // The render thread keeps calling the player until the destructor has its texture back.
      while (gone.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        otherEngineUpdate(*player);
    }
    ASSERT_EQ(gone.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    if (!renderThreadDraws) {
      EXPECT_EQ(ThreadNotingTexture::deleted.load(), 0) << "deleted off the render thread";
      deleteRetiredOverlayTextures();  // what the next overlay frame does
    }
    EXPECT_EQ(ThreadNotingTexture::deleted.load(), 1);
    EXPECT_EQ(ThreadNotingTexture::deletedOn, renderThread);
  }
}

TEST_F(VideoSimpleRendererTeardown, OpenRequestsFromTheRenderThreadRaceTheWorkerSafely) {
  const std::string a = clip("a.mp4", 1, 5);
  const std::string b = clip("b.mp4", 1, 5, GreyVideoShape{128, 96});
  ZRVideoSimpleRenderer player(-1);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
  for (int i = 0; std::chrono::steady_clock::now() < until; ++i) {
    player.openFile(i % 2 == 0 ? a : b, kItemPlayTime, true, false);
    otherEngineUpdate(player);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  player.openFile(b, kItemPlayTime, true, false);
  ASSERT_TRUE(pumpUntil([&] { otherEngineUpdate(player); },
                        [&] { return player.getTexture() && player.getTexture()->getWidth() == 128; }));
  player.freeAllGraphicsResourcesInUse();
  EXPECT_EQ(player.getTexture(), nullptr);
  otherEngineUpdate(player);  // draws nothing, makes nothing
  EXPECT_EQ(player.getTexture(), nullptr);
}

}  // namespace
