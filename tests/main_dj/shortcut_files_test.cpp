// Shortcut files as outside input: entries that do not fit (unknown actions, decks that do not fit the
// action, key codes, modifier masks, MIDI numbers and channels outside the tables) are skipped one by one
// and the rest loads; broken and foreign files load nothing; a missing file is no error.

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "main_dj/zr_keyboard_shortcuts.h"
#include "main_dj/zr_midi_shortcuts.h"
#include "main_dj/zr_shortcut_files.h"
#include "main_dj/zr_shortcut_tables.h"
#include "shortcut_test_nodes.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using orvel_test::ShortcutNode;
using orvel_test::shortcutTestNode;

std::string settings(const std::string& inner) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings version=\"2\">\n" + inner + "</settings>\n";
}

class ShortcutFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    auto guard = shortcutTables().hold();
    shortcutTables().clearAll();
  }
  int key(const char* action, int deck, int slot) {
    int k = 0, m = 0;
    shortcutTestNode(*manager, action, deck)->getKBShortcut(slot, k, m);
    return k;
  }
  int midiNumber(const char* action, int deck) {
    int channel = 0, number = -1;
    bool isNote = false, toggle = false;
    shortcutTestNode(*manager, action, deck)->getMIDIShortcut(channel, isNote, number, toggle);
    return number;
  }

  orvel_test::TempDir dir;
  std::string path = dir.file("shortcuts.xml");
  orvel_test::ShortcutClasses classes;
  std::unique_ptr<ZRNodeManager> manager = std::make_unique<ZRNodeManager>(nullptr, &classes);
};

TEST_F(ShortcutFiles, BadKeyboardEntriesAreSkippedAndTheRestLoads) {
  orvel_test::writeFile(
      path,
      settings(
          "<shortcut_kb action=\"deck_play_pause\" deck=\"0\" keys=\"2\">\n"
          "\t<key code=\"8192\" shift=\"0\" ch=\"0\" />\n"  // code beyond the table: skipped, slot 0 stays
          "\t<key code=\"97\" shift=\"0\" ch=\"0\" />\n"    // slot 1
          "</shortcut_kb>\n"
          "<shortcut_kb action=\"deck_play_pause\" deck=\"1\">\n"
          "\t<key code=\"98\" shift=\"32\" />\n"  // mask beyond the table
          "\t<key shift=\"0\" />\n"               // no code
          "\t<key code=\"-7\" shift=\"-1\" />\n"
          "</shortcut_kb>\n"
          "<shortcut_kb action=\"deck_play_pause\" deck=\"2\"><key code=\"99\" shift=\"0\" /></shortcut_kb>\n"
          "<shortcut_kb action=\"deck_play_pause\" deck=\"-3\"><key code=\"99\" shift=\"0\" "
          "/></shortcut_kb>\n"
          "<shortcut_kb action=\"deck_play_pause\"><key code=\"100\" shift=\"0\" /></shortcut_kb>\n"  // no
                                                                                                      // deck
          "<shortcut_kb action=\"minimize\" deck=\"0\"><key code=\"101\" shift=\"0\" /></shortcut_kb>\n"
          "<shortcut_kb action=\"no_such_action\"><key code=\"102\" shift=\"0\" /></shortcut_kb>\n"
          "<shortcut_kb><key code=\"103\" shift=\"0\" /></shortcut_kb>\n"
          "<other><key code=\"104\" shift=\"0\" /></other>\n"
          "<shortcut_kb action=\"minimize\"><key code=\"105\" shift=\"4\" /><key code=\"106\" shift=\"0\" />"
          "<key code=\"107\" shift=\"0\" /></shortcut_kb>\n"));
  orvel_test::LogCapture log;
  ASSERT_TRUE(loadKeyboardShortcuts(*manager, path.c_str()));
  EXPECT_EQ(log.count("out of range"), 4);
  EXPECT_TRUE(log.contains("deck 2 does not exist"));
  EXPECT_TRUE(log.contains("deck -3 does not exist"));

  EXPECT_EQ(key("deck_play_pause", 0, 0), -1);
  EXPECT_EQ(key("deck_play_pause", 0, 1), 'a');
  EXPECT_EQ(key("deck_play_pause", 1, 0), -1);
  EXPECT_EQ(key("minimize", -1, 0), 'i');
  EXPECT_EQ(key("minimize", -1, 1), 'j');
  {
    auto guard = shortcutTables().hold();
    ZRShortcutTables& tables = shortcutTables();
    for (int code : {99, 100, 101, 102, 103, 104}) EXPECT_EQ(tables.keyboard(code, 0).action, -1) << code;
    // A third key on a node with two slots is in the table but presses nothing.
    EXPECT_EQ(tables.keyboard('k', 0).action, ACT_minimize);
  }
  handleShortcutKey(*manager, 'k', 0);
  handleShortcutKey(*manager, 'i', ZRModShift);
  EXPECT_EQ(shortcutTestNode(*manager, "minimize", -1)->eventsOf(ZRNodeEventShortcut).size(), 1u);
}

TEST_F(ShortcutFiles, BadMidiEntriesAreSkippedAndTheRestLoads) {
  orvel_test::writeFile(path,
                        settings("<shortcut_midi action=\"deck_play_pause\" deck=\"0\" keys=\"1\">\n"
                                 "\t<midi channel=\"16\" iskey=\"1\" keyorcc=\"36\" togglemode=\"0\" />\n"
                                 "\t<midi channel=\"0\" iskey=\"1\" keyorcc=\"256\" togglemode=\"0\" />\n"
                                 "\t<midi channel=\"-1\" iskey=\"1\" keyorcc=\"36\" togglemode=\"0\" />\n"
                                 "\t<midi channel=\"2\" iskey=\"yes\" keyorcc=\"40\" togglemode=\"TRUE\" />\n"
                                 "</shortcut_midi>\n"
                                 "<shortcut_midi action=\"deck_play_pause\" deck=\"1\">"
                                 "<midi channel=\"3\" iskey=\"0\" keyorcc=\"7\" /></shortcut_midi>\n"
                                 "<shortcut_midi action=\"minimize\" deck=\"1\"><midi channel=\"0\" "
                                 "iskey=\"1\" keyorcc=\"1\" /></shortcut_midi>\n"));
  orvel_test::LogCapture log;
  ASSERT_TRUE(loadMidiShortcuts(*manager, path.c_str()));
  EXPECT_EQ(log.count("out of range"), 2);
  EXPECT_EQ(midiNumber("deck_play_pause", 0), 40);
  EXPECT_EQ(midiNumber("deck_play_pause", 1), 7);
  EXPECT_EQ(midiNumber("minimize", -1), -1);

  // The loaded note is a toggle: one note on presses and releases deck A's button.
  handleShortcutMidi(*manager, 0x90, 2, 40, 100, 0);
  const auto presses = shortcutTestNode(*manager, "deck_play_pause", 0)->eventsOf(ZRNodeEventMidi);
  ASSERT_EQ(presses.size(), 2u);
  EXPECT_EQ(presses[0].value, 0x90);
  EXPECT_EQ(presses[1].value, 0x80);
  handleShortcutMidi(*manager, 0xB0, 3, 7, 64, 5);
  const auto moves = shortcutTestNode(*manager, "deck_play_pause", 1)->eventsOf(ZRNodeEventMidi);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].midiValue, 64);
  EXPECT_EQ(moves[0].modifiers, 5);  // the time offset rides in the modifier argument
  EXPECT_EQ(moves[0].deck, 1);
}

struct BrokenFile {
  const char* name;
  const char* content;
};

void PrintTo(const BrokenFile& c, std::ostream* out) {
  *out << c.name;
}

class BrokenShortcutFiles : public ShortcutFiles, public ::testing::WithParamInterface<BrokenFile> {};

TEST_P(BrokenShortcutFiles, LoadNothingAndSaySo) {
  orvel_test::writeFile(path, GetParam().content);
  orvel_test::LogCapture log;
  EXPECT_FALSE(loadKeyboardShortcuts(*manager, path.c_str()));
  EXPECT_TRUE(log.contains("error: FLoadShortcuts_KB: XML not ok"));
  EXPECT_FALSE(loadMidiShortcuts(*manager, path.c_str()));
  EXPECT_TRUE(log.contains("error: FLoadShortcuts_MIDI: XML not ok"));
  auto guard = shortcutTables().hold();
  EXPECT_EQ(shortcutTables().keyboard('a', 0).action, -1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BrokenShortcutFiles,
    ::testing::Values(
        BrokenFile{"Empty", ""}, BrokenFile{"NotXml", "shortcut_kb action=minimize"},
        BrokenFile{"Truncated", "<settings version=\"2\"><shortcut_kb action=\"minimize\"><key code=\"97\""},
        BrokenFile{"ForeignRoot",
                   "<preferences><shortcut_kb action=\"minimize\"><key code=\"97\" shift=\"0\"/>"
                   "</shortcut_kb></preferences>"}),
    [](const ::testing::TestParamInfo<BrokenFile>& info) { return std::string(info.param.name); });

TEST_F(ShortcutFiles, AMissingFileIsNoError) {
  orvel_test::LogCapture log;
  EXPECT_FALSE(loadKeyboardShortcuts(*manager, dir.file("none.xml").c_str()));
  EXPECT_FALSE(loadMidiShortcuts(*manager, dir.file("none.xml").c_str()));
  EXPECT_TRUE(log.lines().empty()) << log.joined();
}

TEST_F(ShortcutFiles, AnUnwritableFolderKeepsNothingHalfWritten) {
  orvel_test::LogCapture log;
  EXPECT_FALSE(saveKeyboardShortcuts(*manager, dir.file("missing/shortcuts_kb.xml").c_str()));
  EXPECT_TRUE(log.contains("cannot write"));
}

}  // namespace
