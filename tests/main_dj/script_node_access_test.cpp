// Script access to the engine nodes: the list panels' focus, node commands, and every deck, id and slot a
// script may pass out of range.

#include "main_dj/script_node_access.h"

#include <gtest/gtest.h>

#include <climits>

#include "common/action_ids.h"
#include "engine_nodes_fixture.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "main_dj/main_thread_messages.h"

namespace orvel_test {
namespace {

using ScriptNodeAccess = EngineNodesTest;

TEST_F(ScriptNodeAccess, ToggleSelectCyclesThroughTheThreeListPanels) {
  ZRDrawNode* playlist = manager->getNode("playlist", -1);
  ZRDrawNode* sidelist = manager->getNode("sidelist", -1);
  ZRDrawNode* browser = manager->getNode("browser", -1);
  ASSERT_TRUE(playlist && sidelist && browser);
  manager->changeKBFocusToNode(playlist);
  callDj_LBToggleSelect(0, 0, 0);
  EXPECT_EQ(manager->getKBFocusNode(), sidelist);
  callDj_LBToggleSelect(0, 0, 0);
  EXPECT_EQ(manager->getKBFocusNode(), browser);
  callDj_LBToggleSelect(0, 0, 0);
  EXPECT_EQ(manager->getKBFocusNode(), playlist);
  callDj_LBListSelect(0, 0, 0);
  EXPECT_EQ(manager->getKBFocusNode(), sidelist);
  callDj_LBBrowserSelect(0, 0, 0);
  EXPECT_EQ(manager->getKBFocusNode(), browser);
  callDj_LBListSelect(0, 0, 0);
  EXPECT_EQ(manager->getKBFocusNode(), playlist);
}

TEST_F(ScriptNodeAccess, NodeCommandsHideShowAndSwitch) {
  bindAll();
  auto* monitor = node<ZRNodeButton>("deck_key_lock", 1);
  ASSERT_NE(monitor, nullptr);
  monitor->setSwitchMode(true);
  callNode_impl("deck_key_lock", 1, "buttonSetSwitch", 1, 0, 0, nullptr);
  EXPECT_TRUE(monitor->getSwitched());
  controllerCallFunctionCallback(3, ACT_deck_key_lock, 1, 0, 0);
  EXPECT_FALSE(monitor->getSwitched());
  ZRDrawNode* play = manager->getNode("deck_play_pause", 0);
  ZRDrawNode* otherDeck = manager->getNode("deck_play_pause", 1);
  const int otherShown = otherDeck->shown;
  callDj_Show(0, ACT_deck_play_pause, 0);
  EXPECT_NE(play->shown, 0);
  EXPECT_EQ(otherDeck->shown, otherShown);
  callDj_Hide(0, ACT_deck_play_pause, 0);
  EXPECT_EQ(play->shown, 0);
  auto* pitch = node<ZRNodeSliderKnob>("deck_pitch", 0);
  callDj_DeckIncPitch(-20, 0, 0);
  EXPECT_EQ(pitch->GetPos(), 100);
}

// A script passes any numbers: nothing may reach outside the node table or the deck and slot tables.
TEST_F(ScriptNodeAccess, OutOfRangeDecksIdsAndSlotsTouchNothing) {
  bindAll();
  const int decks[] = {INT_MIN, -1000, -3, -2, 2, 3, 726, 727, 1000, INT_MAX};
  const int ids[] = {INT_MIN, -1, 0, 727, 728, 2181, 100000, INT_MAX};
  for (int deck : decks) {
    for (int id : ids) {
      callDj_Hide(deck, id, 0);
      callDj_Show(deck, id, 0);
      controllerCallFunctionCallback(1, id, deck, 127, 0);
      controllerCallFunctionCallback(3, id, deck, 1, 0);
      controllerCallFunctionCallback(4, id, deck, 64, 0);
      utilFunc_PressButton(id, deck, -1, false);
    }
    callNode_impl("deck_play_pause", deck, "buttonSetSwitch", 1, 0, 0, nullptr);
    callNode_impl("no_such_action", deck, "buttonSetOver", 1, 0, 0, nullptr);
    callDj_DeckSearchJW(5, 10, deck);
    callDj_DeckScratchJW(5, 10, deck);
    callDj_DeckJogWheelHold(1, 0, deck);
    callDj_DeckIncPitch(3, 0, deck);
    callDj_DeckLoopNormal64ths(64, 0, deck);
    callDj_DeckLoopInstant64ths(0, 0, deck);
    callDj_DeckCFAssign(0, 0, deck);
    callDj_DeckEditBpm(-1, 0, deck);
    callDj_DeckTapBpm(100, 0, deck);
    callDj_DeckLBLoad(0, 0, deck);
  }
  for (int slot : {INT_MIN, -1, 0, 9, 100, INT_MAX}) {
    callDj_SamplerPlay(slot, 0, 0);
    callDj_SamplerStop(slot, 0, 0);
    callDj_SamplerInstant(slot, 1, 0);
    callDj_SamplerVolume(slot, 50, 0);
  }
  for (int type : {-1, 3, 99}) callDj_DeckCFAssign(type, 0, 0);
  EXPECT_EQ(callNode_impl(nullptr, 0, "buttonSetOver", 1, 0, 0, nullptr), -1);
  // A deck that cannot be a player does not become the tap tempo's deck.
  execute__callDj_DeckTapBpm_deck.store(0);
  callDj_DeckTapBpm(100, 0, 7);
  EXPECT_EQ(execute__callDj_DeckTapBpm_deck.load(), 0);
}

TEST_F(ScriptNodeAccess, SkinChangeIsKeptForTheMainThreadAndTouchesNoNode) {
  char name[2048];
  while (takeRequestedSkinChange(name, sizeof name)) {
  }
  EXPECT_EQ(callNode_impl("skinChange", 0, "Orvel", 0, 0, 0, nullptr), -1);
  ASSERT_TRUE(takeRequestedSkinChange(name, sizeof name));
  EXPECT_STREQ(name, "Orvel");
  EXPECT_FALSE(takeRequestedSkinChange(name, sizeof name));
  // A name longer than the 1023 bytes kept is cut, never written past the store.
  const std::string longName(5000, 'k');
  callNode_impl("skinChange", 0, longName.c_str(), 0, 0, 0, nullptr);
  ASSERT_TRUE(takeRequestedSkinChange(name, sizeof name));
  EXPECT_EQ(std::string(name).size(), 1023u);
}

}  // namespace
}  // namespace orvel_test
