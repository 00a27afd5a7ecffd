#include "common/action_vocabulary.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

TEST(ActionVocabulary, TableSizesAndEnds) {
  EXPECT_EQ(std::size(CZRGETACTIONS), 728u);
  EXPECT_EQ(std::size(CACTIONTYPES_TAGNAMES), 27u);
  EXPECT_EQ(std::size(resizingTags), 89u);
  EXPECT_STREQ(GetActionName(0), "action_none");
  EXPECT_STREQ(GetActionName(1), "minimize");
  EXPECT_STREQ(GetActionName(726), "cfg_slow_pitch_reset");
  EXPECT_STREQ(GetActionName(727), "action_lastaction");
  EXPECT_STREQ(CACTIONTYPES_TAGNAMES[0], "none");
  EXPECT_STREQ(CACTIONTYPES_TAGNAMES[26], "unknown");
  EXPECT_STREQ(resizingTags[0], "width");
  EXPECT_STREQ(resizingTags[88], "fontsize");
}

TEST(ActionVocabulary, RowCountsByKind) {
  int global = 0, perDeck = 0, labelText = 0;
  std::set<std::string> names;
  for (int id = 1; id <= 726; ++id) {
    const ZRActionRow& row = CZRGETACTIONS[id];
    if (row.name[0] == '\0') continue;
    EXPECT_TRUE(names.insert(row.name).second) << "duplicate " << row.name;
    (row.global ? global : perDeck)++;
    if (row.subtype == 1) {
      ++labelText;
      EXPECT_TRUE(id >= 601 && id <= 649) << id;
      EXPECT_EQ(std::strncmp(row.name, "label_", 6), 0) << row.name;
      EXPECT_EQ(row.type, ELEMENT_textarea);
    }
  }
  EXPECT_EQ(global, 334);
  EXPECT_EQ(perDeck, 390);
  EXPECT_EQ(labelText, 48);
  // No action makes a solid fill, sequencer strip or grid.
  for (const ZRActionRow& row : CZRGETACTIONS) {
    EXPECT_NE(row.type, ELEMENT_backsolid);
    EXPECT_NE(row.type, ELEMENT_seqpos);
    EXPECT_NE(row.type, ELEMENT_grid);
  }
}

TEST(ActionVocabulary, KnownRows) {
  struct Case {
    int id;
    const char* name;
    int type;
    int global;
  };
  const Case cases[] = {
      {58, "learn", ELEMENT_button, 1},
      {59, "fx_sel", ELEMENT_button, 0},
      {64, "cfg", ELEMENT_button, 1},
      {65, "cfg2", ELEMENT_button, 1},
      {91, "deck_play_pause", ELEMENT_button, 0},
      {234, "deck_cfassign_right", ELEMENT_button, 0},
      {343, "flow", ELEMENT_flow, 1},
      {350, "deck_waveform", ELEMENT_waveform, 0},
      {363, "crossfader", ELEMENT_slider, 1},
      {365, "deck_volume", ELEMENT_slider, 0},
      {545, "deck_loop8_label", ELEMENT_textarea, 0},
      {600, "track_info_rating", ELEMENT_textarea, 1},
      {703, "dz_deck", ELEMENT_dropzone, 0},
      {710, "tb_config", ELEMENT_group, 1},
      {714, "sidelist", ELEMENT_list, 1},
      {715, "browser", ELEMENT_browser, 1},
      {716, "cfg_latency", ELEMENT_slider, 1},
      {720, "cfg_audio_device", ELEMENT_dropdownlist, 1},
      {721, "cfg_split_stereo_mode", ELEMENT_dropdownlist, 1},
      {724, "cfg_pitch_range", ELEMENT_dropdownlist, 1},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(GetActionName(c.id), c.name) << c.id;
    EXPECT_EQ(GetActionIndex(c.name), c.id) << c.name;
    EXPECT_EQ(GetActionType(c.id), c.type) << c.name;
    EXPECT_EQ(GetActionGlobal(c.id), c.global) << c.name;
    EXPECT_EQ(GetActionSubType(c.id), 0) << c.name;
  }
  EXPECT_EQ(GetActionSubType(ACT_label_loop), 1);
  EXPECT_EQ(ACT_deck_play_pause, 91);
  EXPECT_EQ(ACT_cfg_pitch_range, 724);
}

TEST(ActionVocabulary, NameLookupEdges) {
  EXPECT_EQ(GetActionIndex("action_lastaction"), 727);
  EXPECT_EQ(GetActionIndex("action_none"), 0);
  EXPECT_EQ(GetActionIndex("no_such_action"), 0);
  EXPECT_EQ(GetActionIndex("Deck_Play_Pause"), 0);
  EXPECT_EQ(GetActionIndex("deck_play"), 0);
  EXPECT_EQ(GetActionIndex(nullptr), 0);
  EXPECT_EQ(GetActionIndex(""), 0);
}

TEST(ActionVocabulary, RetiredRowsAreNeverFound) {
  for (int id : {618, 713}) {
    EXPECT_STREQ(GetActionName(id), "");
    EXPECT_EQ(GetActionType(id), ELEMENT_none);
    EXPECT_EQ(GetActionSubType(id), 0);
  }
  EXPECT_STREQ(GetActionName(617), "label_rec");
  EXPECT_STREQ(GetActionName(619), "label_effects");
  EXPECT_STREQ(GetActionName(712), "playlist");
  // Every named row is found at its own index.
  for (int id = 0; id < CACTION_COUNT; ++id) {
    if (GetActionName(id)[0] != '\0') {
      EXPECT_EQ(GetActionIndex(GetActionName(id)), id);
    }
  }
}

TEST(ActionVocabulary, TagLookup) {
  EXPECT_EQ(GetActionTypeTagIndex("none"), 0);
  EXPECT_EQ(GetActionTypeTagIndex("button"), 1);
  EXPECT_EQ(GetActionTypeTagIndex("dropdownlist"), 7);
  EXPECT_EQ(GetActionTypeTagIndex("group"), 25);
  EXPECT_EQ(GetActionTypeTagIndex("unknown"), 26);
  EXPECT_EQ(GetActionTypeTagIndex("Button"), 0);
  EXPECT_EQ(GetActionTypeTagIndex("nothing"), 0);
  EXPECT_EQ(GetActionTypeTagIndex(nullptr), 0);
}

TEST(ActionVocabulary, ResizeTags) {
  EXPECT_TRUE(isActionOkForResize("posx"));
  EXPECT_TRUE(isActionOkForResize("width"));
  EXPECT_TRUE(isActionOkForResize("fontsize"));
  EXPECT_FALSE(isActionOkForResize("pos"));
  EXPECT_FALSE(isActionOkForResize("PosX"));
  EXPECT_FALSE(isActionOkForResize(""));
}

TEST(ActionVocabulary, NodeTableIndex) {
  EXPECT_EQ(ACT_deck_play_pause + CACTION_NODE_STRIDE * (1 + 1), 1545);
  EXPECT_EQ(ACT_crossfader + CACTION_NODE_STRIDE * (-1 + 1), 363);
}

}  // namespace
