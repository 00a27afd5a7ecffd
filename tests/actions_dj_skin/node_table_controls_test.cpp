// The user actions on a loaded skin with the real controls: texts, slider positions and ranges, switch
// buttons and the progress ring written through the node-table view; the actions bound from the action
// table reach the mixer when the view moves a control; the deck displays' drop handler.

#include "actions_dj/skin/zr_node_table_controls.h"

#include <gtest/gtest.h>

#include <memory>

#include "actions_dj/dj_action_table.h"
#include "actions_dj/engine_globals.h"
#include "common/action_ids.h"
#include "common/action_vocabulary.h"
#include "control_test_support.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "gui_nodes/zr_drag_drop_track.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_rounded_progress.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_text.h"
#include "opengl_directx/zr_video_preview_frame.h"

namespace orvel_test {
namespace {

constexpr const char* kDeckSkin =
    "<textarea action=\"deck_songname\" deck=\"0\" posx=\"0\" posy=\"0\" width=\"100\" height=\"16\"/>\n"
    "<slider action=\"deck_eq_low\" deck=\"0\" posx=\"0\" posy=\"20\" width=\"100\" height=\"16\" "
    "cursorwidth=\"8\"/>\n"
    "<button action=\"deck_kill_low\" deck=\"0\" posx=\"0\" posy=\"40\" width=\"16\" height=\"16\" "
    "isswitch=\"yes\"/>\n"
    "<rounded_progress action=\"deck_progress\" deck=\"0\" posx=\"20\" posy=\"40\" width=\"16\" "
    "height=\"16\"/>\n";

class SkinControls : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    loadSkin(kDeckSkin, SkinPicture(128, 64), 128, 64);
    // The binding step: every bound node gets its function from the action table.
    int count = 0;
    const ZRDjActionBinding* rows = djActionBindings(count);
    for (int i = 0; i < count; ++i) {
      ZRDrawNode* n = manager->getNodeAt(rows[i].action + CACTION_NODE_STRIDE * 1);
      if (n == nullptr) continue;
      const bool slider = dynamic_cast<ZRNodeSliderKnob*>(n) != nullptr;
      int slot = -1;
      if (slider && rows[i].slot == ZRDjSlot::Change) slot = ZRNodeSliderKnob::SlotChange;
      if (slider && rows[i].slot == ZRDjSlot::Track) slot = ZRNodeSliderKnob::SlotValue;
      if (!slider && rows[i].slot == ZRDjSlot::Press) slot = ZRNodeButton::SlotPress;
      if (slot >= 0) n->setActionSlot(slot, rows[i].function);
    }
    control<ZRNodeSliderKnob>("deck_eq_low", 0)->setMinMaxPos(-120, 120, 0, false);
    mixer = &main;
    main.AddMixerChannel(&channel);
    MixerChannelDeck[0] = &channel;
    view = std::make_unique<ZRNodeTableControls>(manager.get());
  }
  void TearDown() override {
    mixer = nullptr;
    MixerChannelDeck[0] = nullptr;
    ControlTest::TearDown();
  }
  ZRMixerChannel channel{nullptr, nullptr, 0};
  ZRMixer main{1024};
  std::unique_ptr<ZRNodeTableControls> view;
};

TEST_F(SkinControls, WritesReachTheControlsAndTheirActionsRun) {
  view->setCaption(ACT_deck_songname, 0, "Artist - Title");
  EXPECT_EQ(control<ZRNodeText>("deck_songname", 0)->getCaption(), ZRString("Artist - Title"));

  // A program move without notification still runs the change slot: the mixer follows.
  view->setPos(ACT_deck_eq_low, 0, -60, false);
  EXPECT_EQ(view->getPos(ACT_deck_eq_low, 0, 99), -60);
  EXPECT_FLOAT_EQ(channel.GetEq(1), -9.0f);
  EXPECT_EQ(view->getPos(ACT_deck_eq_low, 7, 99), 99);  // no such deck: the fallback
  view->setPos(ACT_deck_eq_low, 0, 500, false);  // clamped to the range
  EXPECT_EQ(view->getPos(ACT_deck_eq_low, 0, 0), 120);

  view->setSwitched(ACT_deck_kill_low, 0, true, false);
  EXPECT_TRUE(view->getSwitched(ACT_deck_kill_low, 0));
  view->setProgress(ACT_deck_progress, 0, 0.5f);
  EXPECT_NEAR(control<ZRNodeRoundedProgress>("deck_progress", 0)->litAngle(), 180.0f, 0.5f);

  view->setVideoFader(0.25);  // what the video output reads
  EXPECT_DOUBLE_EQ(alpha_video_crossfader.load(), 0.25);
  EXPECT_TRUE(view->isNode(node("deck_kill_low", 0), ACT_deck_kill_low, 0));
  EXPECT_FALSE(view->isNode(node("deck_kill_low", 0), ACT_deck_eq_low, 0));
  EXPECT_EQ(view->focusedList(), nullptr);  // the skin has no track table
  view->setZoom(ACT_sd_deck, 0, 16);  // the skin does not show it, but the table holds the waveform node
  EXPECT_EQ(view->getZoom(ACT_sd_deck, 0), 16);
  EXPECT_EQ(view->getZoom(ACT_deck_songname, 0), 0);  // not a waveform
  // Out of the table: nothing.
  view->setCaption(-5, 0, "x");
  view->setCaption(ACT_deck_songname, 7, "x");
}

TEST_F(SkinControls, DropsOnADeckTakeTracksOnly) {
  ZRDrawNode* target = node("deck_songname", 0);
  TZRListTrack row;
  row.trackId = 987654321;  // not in the library
  auto track = std::make_shared<ZRDragDropTrack>(nullptr, row, 0);
  EXPECT_TRUE(FDeck_DropItem(target, track, 0, 0, true));
  EXPECT_FALSE(FDeck_DropItem(target, track, 0, 0, false));
  EXPECT_FALSE(FDeck_DropItem(target, nullptr, 0, 0, true));
}

}  // namespace
}  // namespace orvel_test
