// The mixer actions' value curves and texts, the controls they move (crossfader lock, talk-over lighting
// on-air, the headphone-gain pair), and every bound action called with decks that do not exist.

#include "actions_dj/mixer_actions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "actions_dj/action_controls.h"
#include "actions_dj/controller_notify.h"
#include "actions_dj/dj_action_table.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/test_node_table.h"
#include "common/action_ids.h"
#include "common/action_vocabulary.h"
#include "controllers/controller_notifications.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_mixer_channel.h"

namespace {

std::string text(float dB) {
  char out[16];
  dB_to_char(dB, out);
  return out;
}

TEST(MixerCurves, DeckAndMicrophoneEq) {
  struct Case {
    int value;
    float deck, mic;
  };
  const Case cases[] = {{-120, -36.0f, -36.0f}, {-60, -9.0f, -18.0f}, {0, 0.0f, 0.0f},
                        {60, 3.0f, 6.0f},       {120, 6.0f, 12.0f}};
  for (const Case& c : cases) {
    EXPECT_FLOAT_EQ(deckEqCurve(c.value), c.deck) << c.value;
    EXPECT_FLOAT_EQ(micEqCurve(c.value), c.mic) << c.value;
    EXPECT_EQ(deckEqPositionForGain(deckEqCurve(c.value)), c.value);
  }
  EXPECT_EQ(deckEqPositionForGain(-9.0f), -60);
}

TEST(MixerCurves, GainTexts) {
  EXPECT_EQ(text(-36.0f), "-36 dB");
  EXPECT_EQ(text(-9.0f), "-9.0 dB");
  EXPECT_EQ(text(6.0f), "6.0 dB");
  EXPECT_EQ(text(12.0f), "12 dB");
  EXPECT_EQ(text(-40.0f), "- oo");
  EXPECT_EQ(text(-38.0f), "- oo");
  EXPECT_EQ(text(-37.9f), "-37 dB");
  EXPECT_EQ(text(-0.005f), "0.0 dB");
  EXPECT_EQ(text(-2.26f), "-2.3 dB");
  EXPECT_EQ(text(12.5f), "12 dB");
}

// The knob's dry/wet is a fraction: computed as integers it was 0 at every position but the top.
TEST(MixerCurves, CutoffDryWetIsAFraction) {
  EXPECT_FLOAT_EQ(cutoffDryWet(-64), 1.0f / 127.0f);
  EXPECT_FLOAT_EQ(cutoffDryWet(-63), 1.0f / 127.0f);
  EXPECT_FLOAT_EQ(cutoffDryWet(-32), 32.0f / 127.0f);
  EXPECT_FLOAT_EQ(cutoffDryWet(0), 64.0f / 127.0f);
}

class MixerActions : public ::testing::Test {
 protected:
  void SetUp() override {
    resetControllerNotifications();
    installControllerNotificationTable();
    mixer = &main;
    main.AddMixerChannel(&channelA);
    main.AddMixerChannel(&channelB);
    MixerChannelDeck[0] = &channelA;
    MixerChannelDeck[1] = &channelB;
    table = std::make_shared<orvel_test::TestNodeTable>();
    installActionControls(table);
    cfg_crossfaders_locked = 1;
  }
  void TearDown() override {
    installActionControls(nullptr);
    mixer = nullptr;
    MixerChannelDeck[0] = MixerChannelDeck[1] = nullptr;
    installControllerNotificationSink(nullptr);
    resetControllerNotifications();
  }
  static int notified(const char* name, int deck) {
    ZRControllerNotification r;
    getCtrlNotif(findCtrlNotif(name, deck), r);
    return r.value;
  }

  ZRMixerChannel channelA{nullptr, nullptr, 0}, channelB{nullptr, nullptr, 0};
  ZRMixer main{1024};
  std::shared_ptr<orvel_test::TestNodeTable> table;
};

TEST_F(MixerActions, EqKnobSetsTheBandAndShowsIt) {
  table->userMoves(ACT_deck_eq_low, 0, -60);
  EXPECT_FLOAT_EQ(channelA.GetEq(1), -9.0f);
  EXPECT_EQ(table->caption(ACT_deck_eq_low_val, 0), "-9.0 dB");
  table->userMoves(ACT_deck_eq_high, 1, 120);
  EXPECT_FLOAT_EQ(channelB.GetEq(3), 6.0f);
  EXPECT_EQ(table->caption(ACT_deck_eq_high_val, 1), "6.0 dB");
  table->userToggles(ACT_deck_kill_mid, 1);
  EXPECT_EQ(notified("killMid", 1), 1);
  table->userMoves(ACT_deck_gain, 0, -25);
  EXPECT_NEAR(main.GetChannelGain(0), -2.5f, 0.05);  // read back through the fast dB readout
  EXPECT_EQ(table->caption(ACT_deck_gain_val, 0), "-2.5 dB");
}

TEST_F(MixerActions, TalkOverLightsOnAirAndOnAirAloneLeavesTalkOver) {
  table->userToggles(ACT_talkover, -1);
  EXPECT_TRUE(table->getSwitched(ACT_onair, -1));
  EXPECT_EQ(notified("talkOver", -1), 1);
  EXPECT_EQ(notified("onAir", -1), 1);
  table->userToggles(ACT_onair, -1);
  EXPECT_EQ(notified("onAir", -1), 0);
  EXPECT_EQ(notified("talkOver", -1), 1);
  EXPECT_TRUE(table->getSwitched(ACT_talkover, -1));
}

TEST_F(MixerActions, CrossfadersLockedAndUnlocked) {
  table->userMoves(ACT_crossfader, -1, 100);
  EXPECT_EQ(main.GetCrossfaderPosition(), 100);
  EXPECT_EQ(table->getPos(ACT_cf_audio, -1, -1), 100);
  EXPECT_EQ(table->getPos(ACT_cf_video, -1, -1), 100);
  EXPECT_NEAR(table->videoFader.load(), 100.0 / 127.0, 1e-9);

  // Unlocked from the alternative lock button: the main lock button follows without running its action.
  table->setSwitched(ACT_lock_crossfaders_alt, -1, true, false);
  FLockCrossfaders(0, -1, -1, orvel_test::TestNodeTable::node(ACT_lock_crossfaders_alt, -1));
  EXPECT_EQ(cfg_crossfaders_locked, 0);
  EXPECT_FALSE(table->getSwitched(ACT_lock_crossfaders, -1));
  FCFVideoTrack(20, -1, -1, orvel_test::TestNodeTable::node(ACT_cf_video, -1));
  EXPECT_EQ(table->getPos(ACT_cf_video_alt, -1, -1), 20);
  EXPECT_NEAR(table->videoFader.load(), 20.0 / 127.0, 1e-9);
  EXPECT_EQ(main.GetCrossfaderPosition(), 100);  // the audio crossfader stays
  table->userMoves(ACT_cf_audio, -1, 5);
  EXPECT_EQ(main.GetCrossfaderPosition(), 5);
  EXPECT_NEAR(table->videoFader.load(), 20.0 / 127.0, 1e-9);
}

TEST_F(MixerActions, HeadphoneGainKnobsFollowEachOther) {
  table->userMoves(ACT_monitor_gain, -1, -12);
  EXPECT_FLOAT_EQ(main.GetMonitorGain(), -12.0f);
  EXPECT_EQ(table->getPos(ACT_monitor_gain2, -1, 0), -12);
  EXPECT_EQ(table->caption(ACT_monitor_gain_val, -1), "-12 dB");
}

TEST_F(MixerActions, ModeTexts) {
  FMasterKaraokeMode(-1, -1, -1, nullptr);
  EXPECT_EQ(main.GetMasterChannelMode(), ChannelModeLeft);
  EXPECT_EQ(table->caption(ACT_master_karaoke_mode_text, -1), "Instruments only");
  FMasterMode(1, -1, -1, nullptr);
  EXPECT_EQ(table->caption(ACT_master_mode_text, -1), "Stereo Reversed");
  FMasterMode(9, -1, -1, nullptr);  // not a mode: nothing changes
  EXPECT_EQ(main.GetMasterChannelMode(), ChannelModeSwap);
}

// Programs and scripts call actions with any deck: every bound function takes decks that do not exist
// (and no node) without touching anything out of bounds.
TEST_F(MixerActions, EveryBoundActionTakesAnyDeck) {
  int count = 0;
  const ZRDjActionBinding* rows = djActionBindings(count);
  ASSERT_GT(count, 50);
  for (int i = 0; i < count; ++i) {
    for (int deck : {-7, -1, 2, 3, 4, 1000}) {
      rows[i].function(1, rows[i].param, deck, nullptr);
      rows[i].function(0, rows[i].param, deck, nullptr);
    }
  }
  EXPECT_EQ(findDjAction("deck_play_pause", ZRDjSlot::Press), findDjAction(ACT_deck_play_pause, ZRDjSlot::Press));
  EXPECT_EQ(findDjAction("no_such_action", ZRDjSlot::Press), nullptr);
}

}  // namespace
