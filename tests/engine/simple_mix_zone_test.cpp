// The filler zone: asking for the next file when a sweep starts (five tries for no file, one for a file
// that does not open), the incoming player taking over, fading in and out, stopping in the middle of a
// sweep, and positions.

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>

#include "dsp/engine/zr_preview_player.h"
#include "dsp/engine/zr_simple_mix_zone.h"
#include "engine/deck_test_util.h"
#include "engine/player_test_util.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

struct NextFiles {
  std::deque<std::string> paths;
  int calls = 0;
  float gain = 0.0f;
  double mixIn = 0.0, mixOut = -1.0;
};
NextFiles next;

void nextFile(char* path, float* gainDb, double* mixIn, double* mixOut, void* zone) {
  EXPECT_NE(zone, nullptr);
  ++next.calls;
  *gainDb = next.gain;
  *mixIn = next.mixIn;
  *mixOut = next.mixOut;
  path[0] = '\0';
  if (next.paths.empty()) return;
  std::strncpy(path, next.paths.front().c_str(), ZRSimpleMixZone::kPathBytes - 1);
  next.paths.pop_front();
}

class SimpleMixZoneTest : public ::testing::Test {
 protected:
  void SetUp() override { next = NextFiles(); }
  std::string track(const char* name, long frames) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(orvel_test::writeWav16(path, deck_test::pattern(frames), 2, 44100));
    return path;
  }
  // Runs the zone's clock in 20 ms steps for seconds.
  static void tick(ZRSimpleMixZone& zone, float seconds) {
    for (float t = 0; t < seconds - 1e-4f; t += 0.02f) zone.AutoMixUpdate(0.02f);
  }
  orvel_test::TempDir dir;
};

TEST_F(SimpleMixZoneTest, ASweepAsksForTheNextFileAndTheIncomingPlayerTakesOver) {
  ZRSimpleMixZone zone(&nextFile, 1.0f, false, -1, 1.5f, 0.5f);
  EXPECT_EQ(zone.getId(), -1);
  EXPECT_EQ(zone.getCurrentPlayer(), 0);
  next.paths = {track("one.wav", 441000)};
  next.gain = -6.0f;
  next.mixIn = 0.5;
  next.mixOut = 1.5;
  zone.mixNow();
  zone.AutoMixUpdate(0.02f);
  EXPECT_EQ(next.calls, 1);
  // From position 0 the sweep runs up: player 1 comes in.
  EXPECT_EQ(zone.getCurrentPlayer(), 1);
  ZRPreviewPlayer* incoming = zone.getPlayer(1);
  EXPECT_TRUE(incoming->GetPlaying());
  EXPECT_EQ(incoming->GetFileName().utf8(), dir.file("one.wav"));
  EXPECT_NEAR(zone.getMixer()->GetChannelGain(1), -6.0f, 0.05f);
  EXPECT_DOUBLE_EQ(incoming->GetMixOutPoint(), 1.5);
  // A mix-in point starts the file there.
  EXPECT_EQ(incoming->GetCurrentPosNoCallbacks(), 22050);
  EXPECT_NEAR(zone.getPosPercent(), 0.05, 1e-9);
  zone.setPosPercent(0.5);
  EXPECT_EQ(incoming->GetCurrentPosNoCallbacks(), 220500);
  tick(zone, 1.1f);
  EXPECT_FALSE(zone.getMixer()->AutoMixIsMixing());
  EXPECT_EQ(zone.getMixer()->GetCrossfaderPosition(), 127);
  // The fade-in (1.5 s) goes on to full level.
  tick(zone, 0.5f);
  EXPECT_FLOAT_EQ(zone.getFadeLevel(), 127.0f);
}

TEST_F(SimpleMixZoneTest, NoNextFileMeansFiveTriesAndAFileThatFailsOne) {
  ZRSimpleMixZone zone(&nextFile, 1.0f, false, -1, 1.5f, 0.5f);
  zone.mixNow();
  zone.AutoMixUpdate(0.02f);
  EXPECT_EQ(next.calls, ZRSimpleMixZone::kNextFileAttempts);
  EXPECT_EQ(zone.getCurrentPlayer(), 0);
  EXPECT_TRUE(zone.getMixer()->AutoMixIsMixing());  // the sweep goes on without a new file
  tick(zone, 1.1f);

  orvel_test::LogCapture log(true);
  next.calls = 0;
  next.paths = {dir.file("missing.wav"), track("never.wav", 1000)};
  zone.mixNow();
  zone.AutoMixUpdate(0.02f);
  EXPECT_EQ(next.calls, 1);
  EXPECT_EQ(log.count("error - file '" + dir.file("missing.wav") + "' not opened ok"), 1) << log.joined();
  EXPECT_EQ(zone.getCurrentPlayer(), 0);
}

TEST_F(SimpleMixZoneTest, FadingOutStopsTheZoneAtSilence) {
  ZRSimpleMixZone zone(&nextFile, 1.0f, false, -1, 1.5f, 0.5f);
  next.paths = {track("one.wav", 441000)};
  zone.fadeAndPlayPause(true);
  EXPECT_TRUE(zone.getMixer()->AutoMixGetAutoMode());
  tick(zone, 1.0f);
  EXPECT_NEAR(zone.getFadeLevel(), 127.0f / 1.5f, 2.0f);
  tick(zone, 0.6f);
  EXPECT_FLOAT_EQ(zone.getFadeLevel(), 127.0f);
  ASSERT_TRUE(zone.getPlaying());
  zone.fadeAndPlayPause(false);
  tick(zone, 0.4f);
  EXPECT_GT(zone.getFadeLevel(), 0.0f);
  EXPECT_TRUE(zone.getPlaying());
  tick(zone, 0.12f);
  EXPECT_EQ(zone.getFadeLevel(), 0.0f);
  EXPECT_FALSE(zone.getPlaying());
  EXPECT_FALSE(zone.getMixer()->AutoMixGetAutoMode());
  EXPECT_EQ(zone.getMixer()->GetChannelFader(0), -318.7f);
}

// Stopping in the middle of a sweep stops both players (the outgoing one too) and puts the crossfader on
// the current player's side, so a restart plays that player alone.
TEST_F(SimpleMixZoneTest, StoppingDuringASweepStopsBothPlayers) {
  ZRSimpleMixZone zone(&nextFile, 2.0f, false, -1, 1.5f, 0.5f);
  next.paths = {track("one.wav", 441000), track("two.wav", 441000)};
  zone.mixNow();
  tick(zone, 2.1f);  // one.wav on player 1, crossfader at 127
  ASSERT_EQ(zone.getCurrentPlayer(), 1);
  zone.mixNow();
  tick(zone, 0.5f);  // two.wav coming in on player 0
  ASSERT_EQ(zone.getCurrentPlayer(), 0);
  ASSERT_TRUE(zone.getPlayer(0)->GetPlaying());
  ASSERT_TRUE(zone.getPlayer(1)->GetPlaying());
  const int midway = zone.getMixer()->GetCrossfaderPosition();
  EXPECT_GT(midway, 40);
  EXPECT_LT(midway, 120);
  zone.playPause(0);
  EXPECT_FALSE(zone.getPlayer(0)->GetPlaying());
  EXPECT_FALSE(zone.getPlayer(1)->GetPlaying());
  EXPECT_FALSE(zone.getMixer()->AutoMixIsMixing());
  EXPECT_EQ(zone.getMixer()->GetCrossfaderPosition(), 0);
  // Toggling starts the current player again.
  zone.playPause(-1);
  EXPECT_TRUE(zone.getPlayer(0)->GetPlaying());
  EXPECT_FALSE(zone.getPlayer(1)->GetPlaying());
}

TEST_F(SimpleMixZoneTest, TheZonesOutputIsItsMixersMaster) {
  ZRSimpleMixZone zone(&nextFile, 0.5f, false, -1, 0.01f, 0.5f);
  next.paths = {track("one.wav", 44100)};
  zone.mixNow();
  tick(zone, 0.6f);
  ZRPreviewPlayer& player = *zone.getPlayer(1);
  EXPECT_EQ(zone.GetCurrentPos(), -1);
  EXPECT_EQ(zone.GetLength(), -1);
  EXPECT_EQ(zone.GetCurrentBPM(), -1.0f);
  player_test::fill(player, 4096);
  std::vector<float> out(2 * 4096);
  zone.GetSamples(out.data(), 4096);
  // After the 100-frame gain ramps: the player alone at full level.
  const long at = player.GetCurrentPosNoCallbacks() - 4096 + 2000;
  EXPECT_NEAR(out[2 * 2000], deck_test::patternValue(at) / 32768.0f, 1e-3f);
}

}  // namespace
