// The action bindings: every slot the bindings fill holds a function or a named placeholder, every name
// is known to the one function table, a placeholder says "not available yet" once, and the starting
// states (ranges, captions, codes) the controls get.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "actions_dj/deck_loading.h"
#include "actions_dj/deck_transport.h"
#include "actions_dj/dj_action_table.h"
#include "common/action_vocabulary.h"
#include "common/language_tables.h"
#include "engine_nodes_fixture.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_drop_down.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_text.h"
#include "main_dj/action_functions.h"
#include "support/log_capture.h"

namespace orvel_test {
namespace {

using ActionBindings = EngineNodesTest;

TEST_F(ActionBindings, EverySlotBoundHoldsAFunctionAndEveryNameIsKnown) {
  LogCapture log;
  bindAll();
  EXPECT_EQ(bindingFailureCount(), 0);
  EXPECT_EQ(log.count("binding: no action function named"), 0);
  ASSERT_GT(bindingRecords().size(), 900u);
  for (const ZRBindingRecord& record : bindingRecords()) {
    if (record.slot < 0) continue;
    EXPECT_NE(record.node->getActionSlot(record.slot), nullptr)
        << CZRGETACTIONS[record.node->id].name << " deck " << record.node->deck << " slot " << record.slot;
  }
}

// Every button, slider and drop-down of the vocabulary either gets a slot from the bindings or is one of the
// few that other parts drive (the settings' own controls, the skin's scripts, the track info texts): a new
// control the bindings forget shows up here.
TEST_F(ActionBindings, EveryButtonSliderAndDropDownOfTheVocabularyIsBoundOrKnownToBeDrivenElsewhere) {
  bindAll();
  std::set<int> bound;
  for (const ZRBindingRecord& record : bindingRecords()) bound.insert(record.node->id);
  std::set<std::string> unbound;
  for (int a = 1; a < CACTION_NODE_STRIDE; a++) {
    const ZRActionRow& row = CZRGETACTIONS[a];
    if (row.name == nullptr || row.name[0] == 0) continue;
    if (row.type != ELEMENT_button && row.type != ELEMENT_slider && row.type != ELEMENT_dropdownlist)
      continue;
    if (!bound.count(a)) unbound.insert(row.name);
  }
  // The settings' skin controls are bound by the settings, the BPM-window buttons by that window; the
  // others have no action in the system (the phaser has no internal effect slot).
  const std::set<std::string> drivenElsewhere = {
      "autodj_less", "autodj_more", "cfg_automix_duration", "cfg_latency", "deck_boost",
      "deck_edit_bpm_add_grid", "deck_edit_bpm_double", "deck_edit_bpm_downbeat", "deck_edit_bpm_half",
      "deck_edit_bpm_less", "deck_edit_bpm_more", "deck_edit_bpm_movel", "deck_edit_bpm_mover",
      "deck_edit_bpm_remove_grid", "deck_edit_bpm_tapbeat", "deck_fx_phaser", "deck_fx_phaser_drywet",
      "deck_fx_phaser_param1", "deck_fx_phaser_param2", "deck_in_master", "deck_loop_song", "deck_mute",
      "deck_slow_bpm", "insert", "insert_all", "list_edit", "sampler_magic_loop", "special_dialog_cancel",
      "special_dialog_ok", "sync_lock",
      // Drop-downs: the settings' own, the BPM window's, and lists the bindings only fill or leave alone.
      "cfg_audio_device", "cfg_automix_beatmatch", "cfg_automix_reset_pitch", "cfg_pitch_range",
      "cfg_reset_deck_after_load", "cfg_slow_pitch_reset", "cfg_split_stereo_mode",
      "deck_edit_bpm_choose_grid", "deck_fx1_choose_p1", "deck_fx1_choose_p2", "deck_fx2_choose_p1",
      "deck_fx2_choose_p2", "deck_padfx_choose_fx", "dropdown_seq1", "dropdown_seq2", "dropdown_seq3",
      "dropdown_seq4", "dropdown_time"};
  for (const std::string& name : unbound) {
    if (!drivenElsewhere.count(name)) ADD_FAILURE() << "not bound: " << name;
  }
}

TEST_F(ActionBindings, TheFunctionTableNamesEachFunctionOnce) {
  int count = 0;
  const char* const* names = actionFunctionsNotAvailableYet(count);
  std::set<std::string> seen;
  for (int i = 0; i < count; i++) {
    EXPECT_TRUE(seen.insert(names[i]).second) << "listed twice: " << names[i];
    EXPECT_FALSE(isActionFunctionAvailable(names[i]))
        << "available and listed as not available: " << names[i];
  }
  EXPECT_TRUE(isActionFunctionAvailable("FLearnKeysMidi"));
  EXPECT_EQ(actionFunction("NoSuchFunction"), nullptr);
  // A function asked for in another shape than its own is refused, not converted.
  EXPECT_EQ(pointerActionFunction("FLearnKeysMidi"), nullptr);
}

TEST_F(ActionBindings, APlaceholderLogsItsNameOnceWhicheverShapeRunsIt) {
  int count = 0;
  actionFunctionsNotAvailableYet(count);
  if (count == 0) GTEST_SKIP() << "every action is built";
  const char* name = actionFunctionsNotAvailableYet(count)[count - 1];
  LogCapture log;
  ZRActionCallback action = actionFunction(name);
  ZRPointerActionCallback pointer = pointerActionFunction(name);
  ASSERT_NE(action, nullptr);
  ASSERT_NE(pointer, nullptr);
  // Each name has its own placeholder (once there are two names left to tell apart).
  if (count > 1) {
    EXPECT_NE(action, actionFunction(actionFunctionsNotAvailableYet(count)[0]));
  }
  action(1, 0, 0, nullptr);
  action(0, 0, 0, nullptr);
  pointer(0, 0, 0, 0, 0, 0, nullptr);
  EXPECT_EQ(log.count(std::string("action not available yet: ") + name), 1);
  EXPECT_TRUE(hasActionPlaceholderRun(name));
}

// A control bound to a function that is not built yet says so when used, once, and is not left empty.
TEST_F(ActionBindings, AControlBoundToAPlaceholderSaysSoOnceWhenUsed) {
  bindAll();
  int count = 0;
  const char* const* names = actionFunctionsNotAvailableYet(count);
  for (const ZRBindingRecord& record : bindingRecords()) {
    if (record.slot < 0) continue;
    ZRActionCallback bound = record.node->getActionSlot(record.slot);
    for (int i = 0; i < count; i++) {
      if (bound != actionFunction(names[i]) || hasActionPlaceholderRun(names[i])) continue;
      LogCapture log;
      record.node->callActionSlot(record.slot, 1);
      record.node->callActionSlot(record.slot, 0);
      EXPECT_EQ(log.count(std::string("action not available yet: ") + names[i]), 1);
      return;
    }
  }
  GTEST_SKIP() << "every bound function exists";
}

// A button that only reaches placeholders does nothing yet, so it shows no state: not a switch, not lit.
// Buttons with a working action keep their switch.
TEST_F(ActionBindings, AButtonWhoseActionIsNotBuiltShowsNoState) {
  for (const char* name : {"deck_fx_echo", "deck_kill_low"}) node<ZRNodeButton>(name, 0)->setSwitchMode(true);
  bindAll();
  int dimmed = 0;
  for (const ZRBindingRecord& record : bindingRecords()) {
    auto* button = dynamic_cast<ZRNodeButton*>(record.node);
    if (button == nullptr || record.slot < 0) continue;
    bool anyBound = false, allPlaceholders = true;
    for (int slot = ZRNodeButton::SlotPress; slot <= ZRNodeButton::SlotRightRelease; slot++) {
      if (ZRActionCallback bound = button->getActionSlot(slot)) {
        anyBound = true;
        allPlaceholders = allPlaceholders && isActionPlaceholder(bound);
      }
    }
    if (!anyBound || !allPlaceholders) continue;
    ++dimmed;
    EXPECT_FALSE(button->getSwitchMode()) << CZRGETACTIONS[button->id].name << " deck " << button->deck;
    button->setSwitched(true, false);
    button->show(true, false);
    button->setSwitched(true, false);
    EXPECT_FALSE(button->getSwitched()) << CZRGETACTIONS[button->id].name << " deck " << button->deck;
  }
  if (dimmed == 0) GTEST_SKIP() << "every bound function exists";
  EXPECT_TRUE(node<ZRNodeButton>("deck_kill_low", 0)->getSwitchMode());
  EXPECT_FALSE(isActionPlaceholder(&FDeck_PlayPause));
  EXPECT_FALSE(isActionPlaceholder(nullptr));
}

// Every function of the action table is found by its own name, in its own shape only.
TEST_F(ActionBindings, TheActionTableRowsAreFoundByTheirFunctionsNames) {
  int count = 0;
  const ZRDjActionBinding* rows = djActionBindings(count);
  for (int i = 0; i < count; i++) {
    ZRActionShape shape = ZRActionShape::Menu;
    EXPECT_TRUE(isActionFunctionAvailable(rows[i].functionName, &shape)) << rows[i].functionName;
    EXPECT_EQ(shape, ZRActionShape::Action) << rows[i].functionName;
    EXPECT_EQ(actionFunction(rows[i].functionName), rows[i].function) << rows[i].functionName;
    EXPECT_FALSE(isActionFunctionNotAvailableYet(rows[i].functionName)) << rows[i].functionName;
  }
}

// The user actions keep their own table of which function each control calls; the bindings agree with it
// row for row.
TEST_F(ActionBindings, AgreeWithTheUserActionsTable) {
  bindAll();
  int count = 0;
  const ZRDjActionBinding* rows = djActionBindings(count);
  ASSERT_GT(count, 0);
  for (int i = 0; i < count; i++) {
    const ZRDjActionBinding& row = rows[i];
    int slot = static_cast<int>(row.slot);
    if (row.slot == ZRDjSlot::Change) slot = ZRNodeSliderKnob::SlotChange;
    if (row.slot == ZRDjSlot::Track) slot = ZRNodeSliderKnob::SlotValue;
    if (row.slot == ZRDjSlot::Select) slot = ZRNodeDropDown::SlotAfterChange;
    for (int deck : row.perDeck ? std::vector<int>{0, 1} : std::vector<int>{-1}) {
      ZRDrawNode* n = manager->getNodeAt(row.action + CACTION_NODE_STRIDE * (deck + 1));
      if (n == nullptr) continue;
      EXPECT_EQ(n->getActionSlot(slot), row.function)
          << CZRGETACTIONS[row.action].name << " deck " << deck << " slot " << slot;
      if (row.param != -1) {
        EXPECT_EQ(n->actionCode, row.param) << CZRGETACTIONS[row.action].name;
      }
    }
  }
}

TEST_F(ActionBindings, StartingStatesOfTheControls) {
  bindAll();
  // The crossfader and the audio and video crossfaders start in the middle; a double click returns there.
  for (const char* name : {"crossfader", "cf_audio", "cf_video", "cf_video_alt"}) {
    auto* slider = node<ZRNodeSliderKnob>(name, -1);
    ASSERT_NE(slider, nullptr) << name;
    EXPECT_EQ(slider->GetPos(), 63) << name;
    EXPECT_EQ(slider->getMax(), 127) << name;
  }
  auto* pitch = node<ZRNodeSliderKnob>("deck_pitch", 1);
  ASSERT_NE(pitch, nullptr);
  EXPECT_EQ(pitch->getMin(), -1600);
  EXPECT_EQ(pitch->getMax(), 1600);
  EXPECT_FALSE(manager->getNode("deck_pos", 0)->doubleClickAllowed);
  // Loop lengths carry their length in 1/64 beats; effect buttons their effect slot.
  EXPECT_EQ(manager->getNode("deck_loop_sixteenth", 0)->actionCode, 4);
  EXPECT_EQ(manager->getNode("deck_loop_32", 1)->actionCode, 2048);
  EXPECT_EQ(manager->getNode("deck_fx_echo", 0)->actionCode, 9);
  EXPECT_EQ(manager->getNode("deck_fx_echo_param1", 1)->actionCode, 9);
  EXPECT_TRUE(node<ZRNodeButton>("deck_kill_low", 0)->getSwitchMode());
  EXPECT_EQ(manager->getNode("list_filter_all", -1)->actionCode, -1);
  EXPECT_EQ(manager->getNode("list_filter_karaoke", -1)->actionCode, 2);
  // The learn button cannot itself be learnt.
  EXPECT_FALSE(manager->getNode("learn", -1)->getCanUseLearn());
  // A right release on the load button unloads; the play button plays.
  EXPECT_EQ(manager->getNode("deck_load", 0)->getActionSlot(ZRNodeButton::SlotRightRelease), &FDeck_Unload);
  EXPECT_EQ(manager->getNode("deck_play_pause", 1)->getActionSlot(ZRNodeButton::SlotPress), &FDeck_PlayPause);
  // Sampler texts and the effect unit selections.
  EXPECT_EQ(node<ZRNodeText>("sampler3_name", -1)->getCaption().utf8(), "press to load");
  EXPECT_EQ(node<ZRNodeDropDown>("deck_fx1_choose_fx", 0)->getSelected(), 2);
  EXPECT_EQ(node<ZRNodeDropDown>("deck_fx2_choose_fx", 1)->getSelected(), 3);
  EXPECT_EQ(node<ZRNodeText>("deck_cue1_label", 1)->getCaption().utf8(), "-");
  EXPECT_EQ(node<ZRNodeText>("version", -1)->getCaption().utf8(), "v3.11.0.2");
}

// A deck label is text with "%c" standing for the deck letter, never a printf format: other conversions
// stay as written and nothing is read from beyond the arguments.
TEST(DeckLabel, PercentCIsTheDeckLetterAndEverythingElseStaysText) {
  struct Case {
    const char* label;
    int deck;
    const char* expected;
  } cases[] = {
      {"Deck %c", 0, "Deck A"},    {"Deck %c", 1, "Deck B"}, {"%c%c", 1, "BB"},
      {"%s %n %d", 0, "%s %n %d"}, {"100%", 0, "100%"},      {"", 0, ""},
  };
  for (const Case& c : cases) {
    char out[64];
    formatDeckLabel(c.label, c.deck, out, sizeof out);
    EXPECT_STREQ(out, c.expected) << c.label;
  }
  char small[4];
  formatDeckLabel("Deck %c", 0, small, sizeof small);
  EXPECT_STREQ(small, "Dec");
}

}  // namespace
}  // namespace orvel_test
