// The preview player streams a file through its ring: every frame of the file comes out once and in
// order, the end is reported once and only through GetCurrentPos, seeks land where asked, and the open,
// close and end paths behave as the headphone preview and the filler zone need.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "dsp/engine/zr_preview_player.h"
#include "engine/deck_test_util.h"
#include "engine/player_test_util.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using player_test::pull;

std::atomic<int> endCalls{0};
std::atomic<int> lastEvents{0};
void countEnd(int events, int, int) {
  lastEvents.store(events);
  endCalls.fetch_add(1);
}

class PreviewPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    endCalls.store(0);
    lastEvents.store(0);
  }
  std::string patternFile(long frames, const char* name = "pattern.wav") {
    const std::string path = dir.file(name);
    EXPECT_TRUE(orvel_test::writeWav16(path, deck_test::pattern(frames), 2, 44100));
    return path;
  }
  orvel_test::TempDir dir;
};

// The pattern's value at a frame, as the codec hands 16-bit samples out as floats.
float patternAt(long frame) {
  return deck_test::patternValue(frame) / 32768.0f;
}

TEST_F(PreviewPlayerTest, PlaysEveryFrameOnceThenReportsTheEndOnce) {
  const long frames = 100000;
  ZRPreviewPlayer player(0, true, false);
  player.setEndCallback(&countEnd);
  ASSERT_TRUE(player.OpenFileName(ZRString(patternFile(frames))));
  EXPECT_TRUE(player.GetPlaying());
  EXPECT_EQ(player.GetLength(), frames);
  const std::vector<float> out = pull(player, frames + 4096);
  long wrong = 0;
  for (long i = 0; i < frames; ++i) {
    if (std::fabs(out[2 * i] - patternAt(i)) > 1e-4f || std::fabs(out[2 * i + 1] + patternAt(i)) > 1e-4f)
      ++wrong;
  }
  EXPECT_EQ(wrong, 0);
  for (long i = frames; i < frames + 4096; ++i) EXPECT_EQ(out[2 * i], 0.0f) << i;
  EXPECT_FALSE(player.GetPlaying());
  EXPECT_TRUE(player.IsOpen());
  // The position without callbacks never delivers the end; the first GetCurrentPos does, once.
  EXPECT_GE(player.GetCurrentPosNoCallbacks(), frames - 512);
  EXPECT_EQ(endCalls.load(), 0);
  player.GetCurrentPos();
  EXPECT_EQ(endCalls.load(), 1);
  EXPECT_EQ(lastEvents.load(), ZRPreviewPlayer::kEventEnd);
  player.getPosPercent();
  player.GetCurrentPos();
  EXPECT_EQ(endCalls.load(), 1);
}

TEST_F(PreviewPlayerTest, OpeningTheOpenFileAgainClosesIt) {
  const std::string path = patternFile(50000);
  ZRPreviewPlayer player(0, true, false);
  ASSERT_TRUE(player.OpenFileName(ZRString(path)));
  EXPECT_EQ(player.GetFileName().utf8(), path);
  EXPECT_TRUE(player.OpenFileName(ZRString(path)));
  EXPECT_FALSE(player.IsOpen());
  EXPECT_FALSE(player.GetPlaying());
  EXPECT_EQ(player.GetLength(), 0);
  EXPECT_EQ(player.GetFileName().utf8(), "");
  // A different file replaces the open one.
  ASSERT_TRUE(player.OpenFileName(ZRString(path)));
  const std::string other = patternFile(30000, "other.wav");
  ASSERT_TRUE(player.OpenFileName(ZRString(other)));
  EXPECT_EQ(player.GetLength(), 30000);
  EXPECT_EQ(player.GetFileName().utf8(), other);
}

TEST_F(PreviewPlayerTest, WithoutPlayAfterOpenItWaitsForPlay) {
  ZRPreviewPlayer player(0, false, false);
  ASSERT_TRUE(player.OpenFileName(ZRString(patternFile(20000))));
  EXPECT_FALSE(player.GetPlaying());
  std::vector<float> out = pull(player, 1000);
  EXPECT_EQ(out[2 * 500], 0.0f);
  EXPECT_EQ(player.GetCurrentPos(), 0);
  player.SetPlaying(true);
  out = pull(player, 1000);
  EXPECT_NEAR(out[2 * 500], patternAt(500), 1e-4f);
  EXPECT_EQ(player.GetCurrentPos(), 1000);
}

TEST_F(PreviewPlayerTest, FilesThatCannotPlayAreRefusedWithALogLine) {
  orvel_test::LogCapture log(true);
  ZRPreviewPlayer player(0, true, false);
  player.setTag(7);
  EXPECT_FALSE(player.OpenFileName(ZRString(dir.file("missing.wav"))));
  EXPECT_EQ(log.count("ZRPreviewPlayer::OpenFileName -- file not opened '" + dir.file("missing.wav") +
                      "', selfId=0, tag=7"),
            1)
      << log.joined();
  // A WAV whose data chunk is empty (the codec already refuses it: nothing can be decoded).
  const std::string empty = dir.file("empty.wav");
  ASSERT_TRUE(orvel_test::writeWav16(empty, {}, 2, 44100));
  log.clear();
  EXPECT_FALSE(player.OpenFileName(ZRString(empty)));
  EXPECT_EQ(log.count("ZRPreviewPlayer::OpenFileName -- file not opened"), 1) << log.joined();
  EXPECT_FALSE(player.IsOpen());
  EXPECT_EQ(player.GetLength(), 0);
}

TEST_F(PreviewPlayerTest, SeeksLandWhereAsked) {
  ZRPreviewPlayer player(0, true, false);
  ASSERT_TRUE(player.OpenFileName(ZRString(patternFile(441000))));
  pull(player, 10000);
  player.setPosPercent(0.5);
  EXPECT_EQ(player.GetCurrentPos(), 220500);
  std::vector<float> out = pull(player, 2000);
  for (int i = 0; i < 2000; i += 97) EXPECT_NEAR(out[2 * i], patternAt(220500 + i), 1e-4f) << i;
  EXPECT_NEAR(player.getPosPercent(), 222500.0 / 441000.0, 1e-9);
  // Beyond the end: nothing more is decoded and the end follows.
  player.setEndCallback(&countEnd);
  player.SetPosition1(500000);
  pull(player, 1024);
  EXPECT_FALSE(player.GetPlaying());
  player.GetCurrentPos();
  EXPECT_EQ(endCalls.load(), 1);
}

TEST_F(PreviewPlayerTest, MixPointsAndTheSmoothedPosition) {
  ZRPreviewPlayer player(0, true, false);
  EXPECT_EQ(player.GetMixInPoint(), 0.0);
  EXPECT_EQ(player.GetMixOutPoint(), -1.0);
  EXPECT_EQ(player.GetMixOutPointFrames(), -1);
  player.SetMixInPoint(1.5);
  player.SetMixOutPointFrames(88200);
  EXPECT_EQ(player.GetMixInPointFrames(), 66150);
  EXPECT_DOUBLE_EQ(player.GetMixOutPoint(), 2.0);
  ASSERT_TRUE(player.OpenFileName(ZRString(patternFile(88200))));
  pull(player, 44100);
  const float smoothed = player.GetCurrentPosSmoothed();
  EXPECT_GE(smoothed, 1.0f);
  EXPECT_LT(smoothed, 1.5f);
  player.SetPlaying(false);
  EXPECT_FLOAT_EQ(player.GetCurrentPosSmoothed(), 1.0f);
}

// The headphone preview's end callback closes the player on the thread that polls the position while the
// main thread opens files and the audio thread plays: opening and closing are serialised, so the player
// is always either closed or playing a file it opened.
TEST_F(PreviewPlayerTest, PreviewPlayerThreadsOpenCloseAndEndTogether) {
  const std::string a = patternFile(3000, "a.wav");
  const std::string b = patternFile(5000, "b.wav");
  ZRPreviewPlayer player(0, true, false);
  std::atomic<bool> stop{false};
  std::atomic<long> buffers{0};
  std::thread audio([&] {
    std::vector<float> out(2 * 256);
    while (!stop.load()) {
      player.GetSamples(out.data(), 256);
      buffers.fetch_add(1);
    }
  });
  std::thread poller([&] {
    while (!stop.load()) {
      player.GetCurrentPos();
      player.GetCurrentPosSmoothed();
      if (!player.GetPlaying()) player.Close();
      player.AsyncStreamingFunction();
    }
  });
  for (int i = 0; i < 300; ++i) {
    player.OpenFileName(ZRString(i % 2 ? a : b));
    if (i % 7 == 0) player.setPosPercent(0.5);
    if (i % 11 == 0) player.Close();
  }
  stop.store(true);
  audio.join();
  poller.join();
  EXPECT_GT(buffers.load(), 0);
  const int length = player.GetLength();
  EXPECT_TRUE(length == 0 || length == 3000 || length == 5000) << length;
}

}  // namespace
