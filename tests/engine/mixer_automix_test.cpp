// The mixer's automatic-mix engine: when a sweep starts (the mix time before the end, or a manual request
// 0.35 s after its pre-notice), which way it runs, the events it reports, cancelling, and a mix time of 0.

#include <gtest/gtest.h>

#include <vector>

#include "dsp/engine/zr_audio_signal_source.h"
#include "dsp/engine/zr_mixer.h"

namespace {

// A source with a position, a length and a mix-out point.
class TrackSource : public ZRAudioSignalSource {
 public:
  void GetSamples(float* buffer, int frames) override {
    for (int i = 0; i < 2 * frames; ++i) buffer[i] = 0.0f;
  }
  void GetSamplesShort(short*, int) override {}
  float GetCurrentBPM() override { return 0.0f; }
  int GetCurrentPos() override { return position; }
  int GetLength() override { return length; }
  void BeforeGetSamples(int) override {}
  int GetMixOutPointFrames() override { return mixOut; }
  int position = 0, length = 441000, mixOut = -1;
};

struct Call {
  int position;
  AutomixDirection direction;
  AutomixEvent event;
};

class MixerAutomixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mixer.AddMixerChannel(&a);
    mixer.AddMixerChannel(&b);
    mixer.SetCrossfaderChannel(0, 0);
    mixer.SetCrossfaderChannel(1, 1);
    mixer.AutoMixSetCallback(
        [this](int position, AutomixDirection direction, AutomixEvent event, bool, void* data) {
          EXPECT_EQ(data, this);
          calls.push_back({position, direction, event});
        },
        [this](int flag, int increasing, bool, void*) { syncs.push_back(flag * 10 + increasing); }, this);
  }
  int count(AutomixEvent e) const {
    int n = 0;
    for (const Call& c : calls) n += c.event == e ? 1 : 0;
    return n;
  }
  // Updates every 20 ms until the sweep ends (bounded); returns the updates made.
  int runSweep() {
    int updates = 0;
    while (mixer.AutoMixIsMixing() && updates < 100000) {
      mixer.AutoMixUpdate(0.02f);
      ++updates;
    }
    return updates;
  }

  TrackSource a, b;
  ZRMixer mixer{1024};
  std::vector<Call> calls;
  std::vector<int> syncs;
};

TEST_F(MixerAutomixTest, ASweepRunsToTheOtherSideOverTheMixTime) {
  struct Case {
    int start;
    AutomixDirection direction;
    int end;
    int sync;  // position flag x 10 + increasing
  };
  for (const Case c : {Case{63, AutomixDirectionUp, 127, 1}, Case{64, AutomixDirectionDown, 0, 10},
                       Case{0, AutomixDirectionUp, 127, 11}, Case{127, AutomixDirectionDown, 0, 0},
                       Case{96, AutomixDirectionDown, 0, 10}}) {
    calls.clear();
    syncs.clear();
    mixer.SetCrossfaderPosition(c.start);
    mixer.AutoMixEnableAutoMode(false, 2.0f, false, -1.0f);
    mixer.AutoMixNow(true);
    ASSERT_EQ(syncs, std::vector<int>{c.sync}) << c.start;
    const int updates = runSweep();
    // 128 positions per mix time: the distance to cover at 64 positions a second, in 20 ms steps.
    const double seconds = std::abs(c.end - c.start) / 64.0;
    EXPECT_NEAR(updates, seconds / 0.02, 1.0) << c.start;
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.front().event, AutomixEventStarted);
    EXPECT_EQ(calls.back().event, AutomixEventFinished);
    EXPECT_EQ(calls.back().position, c.end);
    EXPECT_EQ(count(AutomixEventStarted), 1);
    EXPECT_EQ(count(AutomixEventFinished), 1);
    for (const Call& call : calls) EXPECT_EQ(call.direction, c.direction);
    // The callback applies the value; the engine moves no fader itself.
    EXPECT_EQ(mixer.GetCrossfaderPosition(), c.start);
  }
}

TEST_F(MixerAutomixTest, AutoModeStartsTheMixTimeBeforeTheEnd) {
  mixer.SetCrossfaderPosition(0);
  mixer.AutoMixEnableAutoMode(true, 6.0f, false, -1.0f);
  // Channel 0 is audible; its mix-out point lies in the first half, so the track's end counts.
  a.mixOut = 1000;
  a.position = a.length - 6 * 44100 - 1;
  mixer.AutoMixUpdate(0.02f);
  EXPECT_FALSE(mixer.AutoMixIsMixing());
  a.position += 1;
  mixer.AutoMixUpdate(0.02f);
  EXPECT_TRUE(mixer.AutoMixIsMixing());
  EXPECT_EQ(count(AutomixEventStarted), 1);
  runSweep();
  EXPECT_EQ(count(AutomixEventFinished), 1);
  // Now channel 1 is audible: its mix-out point in the second half is where its mix ends.
  b.mixOut = 400000;
  b.position = 400000 - 6 * 44100 - 10;
  mixer.SetCrossfaderPosition(127);
  mixer.AutoMixUpdate(0.02f);
  EXPECT_FALSE(mixer.AutoMixIsMixing());
  b.position += 10;
  mixer.AutoMixUpdate(0.02f);
  EXPECT_TRUE(mixer.AutoMixIsMixing());
  EXPECT_EQ(calls.back().direction, AutomixDirectionDown);
}

TEST_F(MixerAutomixTest, AManualRequestGivesThePreNoticeThenStartsAfterAPause) {
  mixer.SetCrossfaderPosition(0);
  mixer.AutoMixEnableAutoMode(true, 6.0f, false, 0.0f);
  mixer.AutoMixNow(false);
  EXPECT_FALSE(mixer.AutoMixIsMixing());
  mixer.AutoMixUpdate(0.1f);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].event, AutomixEventPreNotice);
  EXPECT_EQ(calls[0].direction, AutomixDirectionUp);
  mixer.AutoMixUpdate(0.1f);
  mixer.AutoMixUpdate(0.1f);
  EXPECT_FALSE(mixer.AutoMixIsMixing());
  mixer.AutoMixUpdate(0.1f);  // the request is 0.4 s old
  EXPECT_TRUE(mixer.AutoMixIsMixing());
  EXPECT_EQ(calls.back().event, AutomixEventStarted);
  EXPECT_EQ(count(AutomixEventPreNotice), 1);
  // Without a pre-notice time the pre-notice is marked but not told.
  calls.clear();
  mixer.AutoMixCancel();
  runSweep();
  mixer.AutoMixEnableAutoMode(true, 6.0f, false, -1.0f);
  mixer.AutoMixNow(false);
  for (int i = 0; i < 5; ++i) mixer.AutoMixUpdate(0.1f);
  EXPECT_EQ(count(AutomixEventPreNotice), 0);
}

TEST_F(MixerAutomixTest, CancelStopsWhereTheSweepIs) {
  mixer.SetCrossfaderPosition(0);
  mixer.AutoMixEnableAutoMode(false, 2.0f, false, -1.0f);
  mixer.AutoMixNow(true);
  for (int i = 0; i < 10; ++i) mixer.AutoMixUpdate(0.02f);
  const float at = mixer.AutoMixGetPosition();
  EXPECT_NEAR(at, 12.8f, 0.01f);
  mixer.AutoMixCancel();
  const size_t before = calls.size();
  for (int i = 0; i < 10; ++i) mixer.AutoMixUpdate(0.02f);
  EXPECT_EQ(calls.size(), before);
  EXPECT_FALSE(mixer.AutoMixIsMixing());
  EXPECT_EQ(mixer.AutoMixGetPosition(), at);
  EXPECT_EQ(count(AutomixEventFinished), 0);
}

// A mix time of 0 (a broken setting) would sweep at infinite speed; the sweep takes the shortest time
// instead, and a sweep that starts and ends within one update still reports its start.
TEST_F(MixerAutomixTest, AMixTimeOfZeroSweepsInTheShortestTime) {
  mixer.SetCrossfaderPosition(0);
  mixer.AutoMixEnableAutoMode(false, 0.0f, false, -1.0f);
  mixer.AutoMixNow(true);
  mixer.AutoMixUpdate(0.02f);
  EXPECT_NEAR(mixer.AutoMixGetPosition(), 0.02f * 128.0f / ZRMixer::kMinMixSeconds, 0.01f);
  calls.clear();
  mixer.AutoMixCancel();
  mixer.AutoMixNow(true);
  mixer.AutoMixUpdate(1.0f);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].event, AutomixEventStarted);
  EXPECT_EQ(calls[1].event, AutomixEventFinished);
  EXPECT_EQ(calls[1].position, 127);
}

}  // namespace
