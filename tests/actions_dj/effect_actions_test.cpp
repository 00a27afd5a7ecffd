// The deck effect actions: the controls they mirror (buttons, dry/wet sliders, texts, the two effect slots
// and the pad), the wrapping choosers, out-of-range ids and rows, and what the effects do to a deck's
// sound when switched through the actions (echo at the beat, a moving flanger notch, a reverb tail, and
// off giving back the dry signal bit for bit).

#include "actions_dj/effect_actions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/controller_notify.h"
#include "actions_dj/dj_action_table.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/test_node_table.h"
#include "common/action_ids.h"
#include "controllers/controller_notifications.h"
#include "dsp/engine/zr_audio_signal_source.h"
#include "dsp/engine/zr_mixer_channel.h"

namespace {

// Plays a fixed piece of stereo audio once, then silence, at a fixed tempo.
class PieceSource : public ZRAudioSignalSource {
 public:
  explicit PieceSource(std::vector<float> piece, float bpm = 120.0f) : piece(std::move(piece)), bpm(bpm) {}
  void GetSamples(float* buffer, int frames) override {
    for (int i = 0; i < 2 * frames; ++i) {
      const size_t at = 2 * static_cast<size_t>(position) + i;
      buffer[i] = at < piece.size() ? piece[at] : 0.0f;
    }
    position += frames;
  }
  void GetSamplesShort(short*, int) override {}
  float GetCurrentBPM() override { return bpm; }
  int GetCurrentPos() override { return static_cast<int>(position); }
  int GetLength() override { return -1; }
  void BeforeGetSamples(int) override {}

  std::vector<float> piece;
  float bpm;
  long position = 0;
};

std::vector<float> sine(int frames, double hz, float amp) {
  std::vector<float> v(2 * static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i)
    v[2 * i] = v[2 * i + 1] = static_cast<float>(amp * std::sin(2 * M_PI * hz * i / 44100.0));
  return v;
}

std::vector<float> click() {
  std::vector<float> v(2 * 64, 0.0f);
  v[0] = v[1] = 0.8f;
  return v;
}

// Pulls frames from a channel in buffers of 512 (the engine's usual size).
std::vector<float> pull(ZRMixerChannel& channel, int frames) {
  std::vector<float> out(2 * static_cast<size_t>(frames));
  for (int done = 0; done < frames; done += 512) {
    const int n = std::min(512, frames - done);
    channel.GetSamples(out.data() + 2 * done, n);
  }
  return out;
}

double rms(const std::vector<float>& v, int from, int to) {
  double sum = 0;
  for (int i = from; i < to; ++i) sum += static_cast<double>(v[2 * i]) * v[2 * i];
  return std::sqrt(sum / std::max(1, to - from));
}

class EffectActions : public ::testing::Test {
 protected:
  void SetUp() override {
    resetControllerNotifications();
    installControllerNotificationTable();
    resetEffectSelection();
    table = std::make_shared<orvel_test::TestNodeTable>();
    // As the binding gives them: the effect and slot sliders 0..1000, the choosers the ten names.
    std::vector<std::pair<ZRString, int>> names;
    for (const ZRInternalFx& fx : internalFx) names.emplace_back(ZRString(fx.name), 0);
    for (int deck = 0; deck < 2; ++deck) {
      for (const ZRInternalFx& fx : internalFx) {
        for (int a : {fx.dryWet, fx.param1, fx.param2}) table->setRange(a, deck, 0, 1000, 0);
      }
      for (int a : {ACT_deck_fx1_drywet, ACT_deck_fx1_param1, ACT_deck_fx1_param2, ACT_deck_fx2_drywet,
                    ACT_deck_fx2_param1, ACT_deck_fx2_param2}) {
        table->setRange(a, deck, 0, 1000, 0);
      }
      for (int a : {ACT_deck_fx1_choose_fx, ACT_deck_fx2_choose_fx, ACT_deck_padfx_choose_px,
                    ACT_deck_padfx_choose_py}) {
        table->setItems(a, deck, names);
      }
    }
    installActionControls(table);
    MixerChannelDeck[0] = &channelA;
    MixerChannelDeck[1] = &channelB;
    for (int deck = 0; deck < 2; ++deck) {
      table->selectIndex(ACT_deck_fx1_choose_fx, deck, 2, true);
      table->selectIndex(ACT_deck_fx2_choose_fx, deck, 3, true);
      table->selectIndex(ACT_deck_padfx_choose_px, deck, 2, true);
      table->selectIndex(ACT_deck_padfx_choose_py, deck, 0, true);
    }
  }
  void TearDown() override {
    installActionControls(nullptr);
    installActionDialogs({});
    MixerChannelDeck[0] = MixerChannelDeck[1] = nullptr;
    installControllerNotificationSink(nullptr);
    resetControllerNotifications();
  }
  static int notified(const char* name, int deck) {
    ZRControllerNotification r;
    getCtrlNotif(findCtrlNotif(name, deck), r);
    return r.value;
  }
  static const ZRInternalFx& row(const char* name) {
    for (const ZRInternalFx& fx : internalFx) {
      if (std::string(fx.name) == name) return fx;
    }
    return internalFx[0];
  }

  ZRMixerChannel channelA{nullptr, nullptr, 0}, channelB{nullptr, nullptr, 0};
  std::shared_ptr<orvel_test::TestNodeTable> table;
};

TEST_F(EffectActions, FlangerOnLightsItsControlsAndTheSlotShowingIt) {
  const ZRInternalFx& flanger = row("Flanger");
  table->userToggles(flanger.button, 1);
  EXPECT_EQ(table->getPos(flanger.dryWet, 1, -1), 1000);
  EXPECT_EQ(table->caption(flanger.dryWetValue, 1), "100%");
  EXPECT_TRUE(table->getSwitched(flanger.button, 1));
  EXPECT_FLOAT_EQ(channelB.GetFxDryWet(flanger.slot), 1.0f);
  EXPECT_EQ(notified("fxFlanger", 1), 1);
  // Slot 1 shows Flanger: its toggle lights and its dry/wet follows; slot 2 (Echo) stays off.
  EXPECT_TRUE(table->getSwitched(ACT_deck_fx1_toggle, 1));
  EXPECT_EQ(table->getPos(ACT_deck_fx1_drywet, 1, -1), 1000);
  EXPECT_EQ(table->caption(ACT_deck_fx1_drywet_val, 1), "100%");
  EXPECT_EQ(table->caption(ACT_deck_fx1_label, 1), "Flanger");
  EXPECT_EQ(table->caption(ACT_deck_fx2_label, 1), "Echo");
  ASSERT_EQ(table->get(ACT_deck_fx2_choose_p2, 1).items.size(), 1u);
  EXPECT_EQ(table->get(ACT_deck_fx2_choose_p2, 1).items[0].first, "Feed");
  EXPECT_FALSE(table->getSwitched(ACT_deck_fx2_toggle, 1));
  // Deck A is untouched.
  EXPECT_FLOAT_EQ(channelA.GetFxDryWet(flanger.slot), 0.0f);

  table->userToggles(flanger.button, 1);
  EXPECT_EQ(table->caption(flanger.dryWetValue, 1), "0%");
  EXPECT_FALSE(table->getSwitched(ACT_deck_fx1_toggle, 1));
  EXPECT_EQ(notified("fxFlanger", 1), 0);
}

// A slot's slider moves the shown effect's own slider as a controller would: 500 becomes 64 of 127,
// which is 504 on the effect's 0..1000.
TEST_F(EffectActions, SlotSlidersDriveTheShownEffectAtControllerResolution) {
  table->userMoves(ACT_deck_fx1_drywet, 0, 500);
  const ZRInternalFx& flanger = row("Flanger");
  EXPECT_EQ(table->getPos(flanger.dryWet, 0, -1), 504);
  EXPECT_NEAR(channelA.GetFxDryWet(flanger.slot), 0.504f, 1e-6);
  EXPECT_TRUE(table->getSwitched(flanger.button, 0));
  EXPECT_EQ(table->getPos(ACT_deck_fx1_drywet, 0, -1), 504);

  table->userMoves(ACT_deck_fx2_param1, 0, 1000);
  EXPECT_EQ(table->getPos(row("Echo").param1, 0, -1), 1000);
  EXPECT_EQ(table->caption(row("Echo").param1Value, 0), "100%");
  EXPECT_EQ(table->caption(ACT_deck_fx2_param1_val, 0), "100%");

  table->userToggles(ACT_deck_fx2_toggle, 0);
  EXPECT_EQ(table->getPos(row("Echo").dryWet, 0, -1), 1000);
  EXPECT_TRUE(table->getSwitched(row("Echo").button, 0));
}

TEST_F(EffectActions, ChoosersWrapAndThePadChoosersStop) {
  struct Case {
    int chooser, start;
    void (*press)(int, int, int, ZRDrawNode*);
    int param, expected;
  };
  const Case cases[] = {
      {ACT_deck_fx2_choose_fx, 9, OnButtonPress_DeckFX_Next, 1, 0},  // Tremolo wraps to LP Cutoff
      {ACT_deck_fx1_choose_fx, 0, OnButtonPress_DeckFX_Prev, 0, 9},  // LP Cutoff wraps to Tremolo
      {ACT_deck_fx1_choose_fx, 4, OnButtonPress_DeckFX_Next, 0, 5},
      {ACT_deck_padfx_choose_px, 9, OnButtonPress_DeckFXNextX, -1, 9},  // the pad does not wrap
      {ACT_deck_padfx_choose_py, 0, OnButtonPress_DeckFXPrevY, -1, 0},
      {ACT_deck_padfx_choose_py, 3, OnButtonPress_DeckFXNextY, -1, 4},
  };
  for (const Case& c : cases) {
    table->selectIndex(c.chooser, 0, c.start, true);
    c.press(1, c.param, 0, nullptr);
    EXPECT_EQ(table->getSelectedIndex(c.chooser, 0), c.expected) << c.chooser << " from " << c.start;
  }
  EXPECT_EQ(currentFxRow(1, 0), 0);
  EXPECT_EQ(table->caption(ACT_deck_fx2_label, 0), "LP Cutoff");
  EXPECT_EQ(padFxRow(1, 0), 4);

  // An empty chooser has nothing to step to (no division by its item count).
  table->setItems(ACT_deck_fx1_choose_fx, 1, {});
  OnButtonPress_DeckFX_Next(1, 0, 1, nullptr);
  OnButtonPress_DeckFX_Prev(1, 0, 1, nullptr);
  EXPECT_EQ(currentFxRow(0, 1), 2);
}

// Scripts and controllers pass any number: effect ids no row uses, rows past the ten, slots and decks out
// of range change nothing.
TEST_F(EffectActions, OutOfRangeValuesAreIgnored) {
  for (int id : {-1, 2, 3, 5, 31, 32, 1000}) {
    FDeck_FX(1, id, 0, nullptr);
    FDeck_FX_DryWet(700, id, 0, nullptr);
    FDeck_FX_Param1(700, id, 0, nullptr);
  }
  for (int slot = 0; slot < ZRMixerChannel::kSlots; ++slot) {
    if (internalFxRowForSlot(slot) < 0 && slot != ZRMixerChannel::kEqSlot && slot != 19) {
      EXPECT_FLOAT_EQ(channelA.GetFxDryWet(slot), 0.0f) << slot;
    }
  }
  for (int value : {-1, 10, 11, 100000}) {
    FAudioFX_OnChange(value, 0, 0, nullptr);
    FAudioPadFX_OnChange(value, 0, 0, nullptr);
  }
  EXPECT_EQ(currentFxRow(0, 0), 2);
  EXPECT_EQ(padFxRow(0, 0), 2);
  for (int unit : {-1, 2}) {
    FAudioFX_OnChange(1, unit, 0, nullptr);
    OnSliderTrack_DeckFX_DryWet(1000, unit, 0, nullptr);
    EXPECT_EQ(currentFxRow(unit, 0), -1);
  }
  for (int deck : {-1, 2, 7, 8, 1000}) {
    FAudioPadFX_OnMove(1, 500, 500, 0, -1, deck, nullptr);
    FAudioFX_OnChange(1, 0, deck, nullptr);
  }
  EXPECT_FLOAT_EQ(channelA.GetFxDryWet(row("Flanger").slot), 0.0f);
}

TEST_F(EffectActions, PadDrivesTwoEffectsWhileHeld) {
  const int flanger = row("Flanger").slot, lowPass = row("LP Cutoff").slot, echo = row("Echo").slot;
  FAudioPadFX_OnMove(1, 250, 750, 0, -1, 0, nullptr);
  EXPECT_NEAR(channelA.GetFxDryWet(flanger), 0.25f, 1e-6);
  EXPECT_NEAR(channelA.GetFxDryWet(lowPass), 0.75f, 1e-6);
  FAudioPadFX_OnMove(-1, 600, 100, 0, -1, 0, nullptr);
  EXPECT_NEAR(channelA.GetFxDryWet(flanger), 0.6f, 1e-6);
  EXPECT_NEAR(channelA.GetFxDryWet(lowPass), 0.1f, 1e-6);

  // The same row again changes nothing; a new X row while held switches both off at once.
  FAudioPadFX_OnChange(2, 0, 0, nullptr);
  EXPECT_NEAR(channelA.GetFxDryWet(flanger), 0.6f, 1e-6);
  table->selectIndex(ACT_deck_padfx_choose_px, 0, 3, true);
  EXPECT_FLOAT_EQ(channelA.GetFxDryWet(flanger), 0.0f);
  EXPECT_FLOAT_EQ(channelA.GetFxDryWet(lowPass), 0.0f);
  EXPECT_EQ(padFxRow(0, 0), 3);

  FAudioPadFX_OnMove(1, 900, 900, 0, -1, 0, nullptr);
  EXPECT_NEAR(channelA.GetFxDryWet(echo), 0.9f, 1e-6);
  FAudioPadFX_OnMove(0, 900, 900, 0, -1, 0, nullptr);
  EXPECT_FLOAT_EQ(channelA.GetFxDryWet(echo), 0.0f);
  EXPECT_FLOAT_EQ(channelA.GetFxDryWet(lowPass), 0.0f);
}

TEST_F(EffectActions, TabsWithoutAnEffectPageSaySoAndSwitchOff) {
  std::vector<std::string> messages;
  installActionDialogs({nullptr, [&](const ZRString& text, const ZRString& caption) {
                          char a[256], b[64];
                          text.toUTF8(a, sizeof a);
                          caption.toUTF8(b, sizeof b);
                          messages.push_back(std::string(b) + ": " + a);
                        }});
  table->setSwitched(ACT_fx_sel, 1, true, false);
  table->setSwitched(ACT_fx_master_sel, -1, true, false);
  FMic_SelectFXtab(0, -1, -1, nullptr);
  EXPECT_FALSE(table->getSwitched(ACT_fx_sel, 1));
  EXPECT_FALSE(table->getSwitched(ACT_fx_master_sel, -1));
  FSamples_SelectTab(0, -1, -1, nullptr);
  FMaster_AddFx(0, -1, -1, nullptr);
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0], "Info: Please change to the default skin (user interface) if you need FX access");
  EXPECT_EQ(messages[1],
            "Info: Please change to the default skin (user interface) if you need Sampler access");
  EXPECT_EQ(messages[2], messages[0]);
}

// What the effects do to the sound of a deck, switched through the actions.
class EffectSound : public EffectActions {
 protected:
  // Runs piece through deck A's channel with the effect named switched on through its button, then again
  // through a fresh channel with nothing on.
  std::vector<float> withEffect(const char* name, std::vector<float> piece, int frames) {
    PieceSource source(std::move(piece));
    channelA.ChangeSource(&source);
    table->userToggles(row(name).button, 0);
    std::vector<float> out = pull(channelA, frames);
    channelA.ChangeSource(nullptr);
    return out;
  }
};

TEST_F(EffectSound, EchoRepeatsAtTheBeat) {
  const std::vector<float> out = withEffect("Echo", click(), 44100);
  // The loudest repeat after the click is a whole number of half beats (11025 frames at 120 BPM) later.
  int loudest = 0;
  float peak = 0;
  for (int i = 1000; i < 44100; ++i) {
    if (std::fabs(out[2 * i]) > peak) {
      peak = std::fabs(out[2 * i]);
      loudest = i;
    }
  }
  EXPECT_GT(peak, 0.05f);
  const int halfBeat = 11025;
  const int off = loudest % halfBeat;
  EXPECT_TRUE(off < 8 || off > halfBeat - 8) << "repeat at frame " << loudest;
}

TEST_F(EffectSound, FlangerMovesANotchThroughATone) {
  const std::vector<float> out = withEffect("Flanger", sine(4 * 44100, 2000.0, 0.5f), 4 * 44100);
  // A fixed tone through a moving comb rises and falls: its level differs from block to block.
  double lowest = 1e9, highest = 0;
  for (int block = 4; block < 4 * 44100 / 2048; ++block) {
    const double level = rms(out, block * 2048, (block + 1) * 2048);
    lowest = std::min(lowest, level);
    highest = std::max(highest, level);
  }
  EXPECT_GT(highest / std::max(lowest, 1e-9), 1.5) << lowest << " .. " << highest;
}

TEST_F(EffectSound, ReverbLeavesATail) {
  std::vector<float> burst = sine(4410, 440.0, 0.5f);
  const std::vector<float> out = withEffect("Reverb", burst, 44100);
  // 100 to 300 ms after the burst ended the dry deck is silent; the reverb still sounds.
  EXPECT_GT(rms(out, 4410 + 4410, 4410 + 13230), 1e-3);
}

// Switched off again, the deck sounds exactly as one that never had the effect on.
TEST_F(EffectSound, OffGivesBackTheDrySignalBitForBit) {
  for (const ZRInternalFx& fx : internalFx) {
    ZRMixerChannel fresh(nullptr, nullptr, 0), reference(nullptr, nullptr, 0);
    MixerChannelDeck[0] = &fresh;
    PieceSource a(sine(44100, 330.0, 0.5f)), b(sine(44100, 330.0, 0.5f));
    fresh.ChangeSource(&a);
    reference.ChangeSource(&b);
    FDeck_FX(1, fx.slot, 0, nullptr);
    pull(fresh, 8192);
    pull(reference, 8192);
    FDeck_FX(0, fx.slot, 0, nullptr);
    pull(fresh, 4096);  // lets a ramp or a stop requested for the next buffer settle
    pull(reference, 4096);
    const std::vector<float> got = pull(fresh, 8192), want = pull(reference, 8192);
    int differing = 0;
    for (size_t i = 0; i < got.size(); ++i) differing += got[i] != want[i];
    EXPECT_EQ(differing, 0) << fx.name;
    fresh.ChangeSource(nullptr);
    reference.ChangeSource(nullptr);
    MixerChannelDeck[0] = &channelA;
  }
}

}  // namespace
