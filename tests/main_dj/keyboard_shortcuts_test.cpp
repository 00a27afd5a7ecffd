// Keyboard shortcuts: the key codes of toolkit keys, learning keys for a node (slots taken in turn, a key
// moving between nodes, keys that cannot be learned), running a node's shortcut, the fixed keys, and the
// keyboard file saved and loaded again.

#include <gtest/gtest.h>
#include <wx/defs.h>

#include <memory>
#include <ostream>
#include <string>

#include "common/zr_preferences.h"
#include "gui/zr_node_events.h"
#include "main_dj/zr_keyboard_shortcuts.h"
#include "main_dj/zr_shortcut_files.h"
#include "main_dj/zr_shortcut_tables.h"
#include "shortcut_test_nodes.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using orvel_test::ShortcutNode;
using orvel_test::shortcutTestNode;

struct KeyCase {
  const char* name;
  int unicode, toolkit, expected;
};

void PrintTo(const KeyCase& c, std::ostream* out) {
  *out << c.name;
}

class ToolkitKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ToolkitKeys, BecomeTheirKeyCodes) {
  EXPECT_EQ(keyCodeOfToolkitKey(GetParam().unicode, GetParam().toolkit), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ToolkitKeys,
    ::testing::Values(
        KeyCase{"Letter", 'a', 'A', 'a'}, KeyCase{"ShiftedLetter", 'A', 'A', 'A'},
        KeyCase{"Left", 0, WXK_LEFT, ZRKeyLeft}, KeyCase{"PageDown", 0, WXK_PAGEDOWN, ZRKeyPageDown},
        KeyCase{"Backspace", 8, WXK_BACK, ZRKeyBackspace}, KeyCase{"Tab", 9, WXK_TAB, ZRKeyTab},
        KeyCase{"Return", 13, WXK_RETURN, ZRKeyEnter}, KeyCase{"Escape", 27, WXK_ESCAPE, ZRKeyEsc},
        // The Delete key comes without a character, or as character 127.
        KeyCase{"Delete", 0, WXK_DELETE, ZRKeyDelete}, KeyCase{"DeleteAs127", 127, WXK_DELETE, ZRKeyDelete},
        KeyCase{"F1", 0, WXK_F1, ZRKeyF1}, KeyCase{"F19", 0, WXK_F19, ZRKeyF19},
        KeyCase{"F20IsUnknown", 0, WXK_F20, 0}, KeyCase{"ShiftAloneIsUnknown", 0, WXK_SHIFT, 0}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST(KeyModifiers, ControlSetsTwoBits) {
  EXPECT_EQ(modifierMaskOf(true, false, false, false), 17);
  EXPECT_EQ(modifierMaskOf(false, true, true, true), 14);
}

class KeyboardShortcuts : public ::testing::Test {
 protected:
  void SetUp() override {
    auto guard = shortcutTables().hold();
    shortcutTables().clearAll();
  }
  void TearDown() override { setShortcutPreferences(nullptr); }
  void learnFor(ShortcutNode* node) {
    manager->setLearnMode(true);
    manager->setLearnFocusedNode(node);
  }
  int keyOf(ShortcutNode* node, int slot) const {
    int key = 0, modifiers = 0;
    node->getKBShortcut(slot, key, modifiers);
    return key;
  }

  orvel_test::ShortcutClasses classes;
  std::unique_ptr<ZRNodeManager> manager = std::make_unique<ZRNodeManager>(nullptr, &classes);
  ShortcutNode* play0 = shortcutTestNode(*manager, "deck_play_pause", 0);
  ShortcutNode* play1 = shortcutTestNode(*manager, "deck_play_pause", 1);
  ShortcutNode* minimize = shortcutTestNode(*manager, "minimize", -1);
};

TEST_F(KeyboardShortcuts, LearnedKeysFillTheSlotsInTurnAndRunTheirSlot) {
  ASSERT_NE(play0, nullptr);
  learnFor(play0);
  EXPECT_TRUE(handleShortcutKey(*manager, 'p', 0));
  EXPECT_TRUE(handleShortcutKey(*manager, 'q', 0));
  EXPECT_EQ(keyOf(play0, 0), 'p');
  EXPECT_EQ(keyOf(play0, 1), 'q');
  // A third key takes slot 0 again; "p" no longer belongs to anyone.
  EXPECT_TRUE(handleShortcutKey(*manager, 'r', 0));
  EXPECT_EQ(keyOf(play0, 0), 'r');
  EXPECT_TRUE(play0->eventsOf(ZRNodeEventShortcut).empty());
  EXPECT_NE(play0->getShortcutsText().utf8().find("r q"), std::string::npos);

  manager->setLearnMode(false);
  EXPECT_TRUE(handleShortcutKey(*manager, 'q', 0));
  EXPECT_TRUE(handleShortcutKey(*manager, 'p', 0));  // taken, though it runs nothing
  const auto shortcuts = play0->eventsOf(ZRNodeEventShortcut);
  ASSERT_EQ(shortcuts.size(), 1u);
  EXPECT_EQ(shortcuts[0].key, 1);  // the slot that holds "q"
}

TEST_F(KeyboardShortcuts, AKeyLearnedForAnotherNodeLeavesTheFirst) {
  learnFor(play0);
  handleShortcutKey(*manager, 'x', ZRModShift);
  learnFor(play1);
  handleShortcutKey(*manager, 'x', ZRModShift);
  EXPECT_EQ(keyOf(play0, 0), -1);
  EXPECT_EQ(keyOf(play1, 1), 'x');  // the slot counter is shared by all nodes
  EXPECT_TRUE(play0->getShortcutsText().empty());
  manager->setLearnMode(false);
  handleShortcutKey(*manager, 'x', ZRModShift);
  EXPECT_TRUE(play0->eventsOf(ZRNodeEventShortcut).empty());
  EXPECT_EQ(play1->eventsOf(ZRNodeEventShortcut).size(), 1u);
}

TEST_F(KeyboardShortcuts, KeysThatCannotBeLearnedStillTakeTheKeyFromItsNode) {
  learnFor(play0);
  handleShortcutKey(*manager, 'A', ZRModShift);
  EXPECT_EQ(keyOf(play0, 0), 'A');
  // Control and alt combinations and control characters are not learned...
  learnFor(play1);
  EXPECT_TRUE(handleShortcutKey(*manager, 'k', ZRModControl | ZRModControlRaw));
  EXPECT_TRUE(handleShortcutKey(*manager, 'k', ZRModAlt));
  EXPECT_TRUE(handleShortcutKey(*manager, 3, 0));
  EXPECT_EQ(keyOf(play1, 0), -1);
  // ...but such a key removes an earlier binding of itself.
  learnFor(play0);
  handleShortcutKey(*manager, 'z', ZRModAlt);
  {
    auto guard = shortcutTables().hold();
    shortcutTables().keyboard('z', ZRModAlt) = {ACT_deck_play_pause, 0};
  }
  play0->setKBShortcut(1, 'z', ZRModAlt);
  learnFor(play1);
  handleShortcutKey(*manager, 'z', ZRModAlt);
  EXPECT_EQ(keyOf(play0, 1), -1);
  auto guard = shortcutTables().hold();
  EXPECT_EQ(shortcutTables().keyboard('z', ZRModAlt).action, -1);
}

TEST_F(KeyboardShortcuts, LearnModeWithoutATargetTakesTheKeyAndANodeWithoutSlotsRefusesIt) {
  manager->setLearnMode(true);
  EXPECT_TRUE(handleShortcutKey(*manager, 'm', 0));
  play0->totalShortcutsKB = 0;
  manager->setLearnFocusedNode(play0);
  EXPECT_FALSE(handleShortcutKey(*manager, 'm', 0));
}

TEST_F(KeyboardShortcuts, FixedKeysComeFirst) {
  ZRPreferences preferences(nullptr, nullptr);
  setShortcutPreferences(&preferences);
  learnFor(play0);
  // Space moves the focus to the search field and is never learned.
  EXPECT_TRUE(handleShortcutKey(*manager, ' ', 0));
  EXPECT_EQ(keyOf(play0, 0), -1);
  EXPECT_EQ(manager->getKBFocusNode(), nullptr);  // the test's search field takes no focus
  EXPECT_TRUE(handleShortcutKey(*manager, '+', ZRModShift));
  EXPECT_TRUE(handleShortcutKey(*manager, '=', 0));
  int adjust = 0;
  ASSERT_TRUE(preferences.getValue("UserInterfaceFontAdjust", adjust));
  EXPECT_EQ(adjust, 2);
  handleShortcutKey(*manager, '-', 0);
  preferences.getValue("UserInterfaceFontAdjust", adjust);
  EXPECT_EQ(adjust, 1);
  handleShortcutKey(*manager, '0', 0);
  preferences.getValue("UserInterfaceFontAdjust", adjust);
  EXPECT_EQ(adjust, 0);
  // With a modifier those keys are ordinary keys.
  EXPECT_TRUE(handleShortcutKey(*manager, '-', ZRModShift));
  EXPECT_EQ(keyOf(play0, 0), '-');
  {
    orvel_test::LogCapture log;
    handleShortcutKey(*manager, ZRKeyEsc, 0);
    handleShortcutKey(*manager, ZRKeyEsc, 0);
    EXPECT_LE(log.count("search stop: not available yet"), 1);
  }
  bool stopped = false;
  installSearchStopHook([&] { stopped = true; });
  handleShortcutKey(*manager, ZRKeyEsc, 0);
  installSearchStopHook(nullptr);
  EXPECT_TRUE(stopped);
  // Out of the tables' range: not taken.
  EXPECT_FALSE(handleShortcutKey(*manager, 8000, 0));
  EXPECT_FALSE(handleShortcutKey(*manager, 'a', 32));
  EXPECT_FALSE(handleShortcutKey(*manager, -5, 0));
}

TEST_F(KeyboardShortcuts, SavedKeysComeBackAfterARestart) {
  orvel_test::TempDir dir;
  const std::string path = dir.file("shortcuts_kb.xml");
  play0->setKBShortcut(1, 'p', 0);  // slot 0 empty: the file holds one key, loaded into slot 0
  minimize->setKBShortcut(0, ZRKeyF1 + 4, 12);
  play1->setCanUseLearn(false);  // not learnable: not saved
  play1->setKBShortcut(0, 'u', 0);
  ASSERT_TRUE(saveKeyboardShortcuts(*manager, path.c_str()));
  const std::string expected = std::string("\xEF\xBB\xBF") +
                               "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
                               "<settings version=\"2\">\n"
                               "<shortcut_kb action=\"minimize\" keys=\"2\">\n"
                               "\t<key code=\"7273\" shift=\"12\" ch=\"0\" />\n"
                               "</shortcut_kb>\n"
                               "<shortcut_kb action=\"deck_play_pause\" deck=\"0\" keys=\"2\">\n"
                               "\t<key code=\"112\" shift=\"0\" ch=\"0\" />\n"
                               "</shortcut_kb>\n"
                               "</settings>\n";
  EXPECT_EQ(orvel_test::readFile(path), expected);

  auto restarted = std::make_unique<ZRNodeManager>(nullptr, &classes);
  {
    auto guard = shortcutTables().hold();
    shortcutTables().clearAll();
  }
  ASSERT_TRUE(loadKeyboardShortcuts(*restarted, path.c_str()));
  ShortcutNode* play = shortcutTestNode(*restarted, "deck_play_pause", 0);
  int key = 0, modifiers = 0;
  play->getKBShortcut(0, key, modifiers);
  EXPECT_EQ(key, 'p');
  handleShortcutKey(*restarted, 'p', 0);
  handleShortcutKey(*restarted, ZRKeyF1 + 4, 12);
  EXPECT_EQ(play->eventsOf(ZRNodeEventShortcut).size(), 1u);
  EXPECT_EQ(shortcutTestNode(*restarted, "minimize", -1)->eventsOf(ZRNodeEventShortcut).size(), 1u);
  EXPECT_NE(shortcutTestNode(*restarted, "minimize", -1)->getShortcutsText().utf8().find("Cmd+Shift+F5"),
            std::string::npos);
}

}  // namespace
