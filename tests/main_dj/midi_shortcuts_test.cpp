// MIDI shortcuts: messages mapped to nodes (control changes, notes, toggles), MIDI learning (a message
// moving between nodes, one message per node, a note held at the end of learning becoming a toggle), the
// MIDI file saved and loaded again, and the bounded queue from the MIDI thread.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "main_dj/zr_keyboard_shortcuts.h"
#include "main_dj/zr_midi_queue.h"
#include "main_dj/zr_midi_shortcuts.h"
#include "main_dj/zr_shortcut_files.h"
#include "main_dj/zr_shortcut_tables.h"
#include "shortcut_test_nodes.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using orvel_test::ShortcutNode;
using orvel_test::shortcutTestNode;

constexpr int kNoteOn = 0x90, kNoteOff = 0x80, kControl = 0xB0;

struct MidiRecord {
  int channel, number;
  bool isNote, toggle;
};

MidiRecord recordOf(ShortcutNode* node) {
  MidiRecord r{};
  node->getMIDIShortcut(r.channel, r.isNote, r.number, r.toggle);
  return r;
}

class MidiShortcuts : public ::testing::Test {
 protected:
  void SetUp() override {
    auto guard = shortcutTables().hold();
    shortcutTables().clearAll();
  }
  void learnFor(ShortcutNode* node) {
    manager->setLearnMode(true);
    manager->setLearnFocusedNode(node);
  }
  void endLearning() { setShortcutLearnMode(*manager, false); }
  TMIDIActionKey noteEntry(int number, int channel) {
    auto guard = shortcutTables().hold();
    return shortcutTables().note(number, channel);
  }

  orvel_test::ShortcutClasses classes;
  std::unique_ptr<ZRNodeManager> manager = std::make_unique<ZRNodeManager>(nullptr, &classes);
  ShortcutNode* play0 = shortcutTestNode(*manager, "deck_play_pause", 0);
  ShortcutNode* play1 = shortcutTestNode(*manager, "deck_play_pause", 1);
};

TEST_F(MidiShortcuts, LearnedControllerAndNotePressTheirNodes) {
  learnFor(play0);
  handleShortcutMidi(*manager, kControl, 1, 20, 64, 0);
  learnFor(play1);
  handleShortcutMidi(*manager, kNoteOn, 0, 36, 100, 0);
  handleShortcutMidi(*manager, kNoteOff, 0, 36, 0, 0);
  endLearning();
  EXPECT_TRUE(play0->eventsOf(ZRNodeEventMidi).empty());  // learning presses nothing

  handleShortcutMidi(*manager, kControl, 1, 20, 90, 3);
  handleShortcutMidi(*manager, kNoteOn, 0, 36, 110, 0);
  handleShortcutMidi(*manager, kNoteOff, 0, 36, 0, 0);
  handleShortcutMidi(*manager, 0xC0, 0, 36, -1, 0);       // a program change maps to nothing
  handleShortcutMidi(*manager, kNoteOn, 5, 36, 110, 0);   // another channel
  handleShortcutMidi(*manager, kNoteOn, 0, 300, 110, 0);  // a number outside the tables
  const auto controller = play0->eventsOf(ZRNodeEventMidi);
  ASSERT_EQ(controller.size(), 1u);
  EXPECT_EQ(controller[0].value, kControl);
  EXPECT_EQ(controller[0].channel, 1);
  EXPECT_EQ(controller[0].number, 20);
  EXPECT_EQ(controller[0].midiValue, 90);
  EXPECT_EQ(controller[0].modifiers, 3);
  EXPECT_EQ(controller[0].deck, 0);
  const auto notes = play1->eventsOf(ZRNodeEventMidi);
  ASSERT_EQ(notes.size(), 2u);  // pressed and released: not a toggle
  EXPECT_EQ(notes[0].value, kNoteOn);
  EXPECT_EQ(notes[0].midiValue, 110);
  EXPECT_EQ(notes[1].value, kNoteOff);
  EXPECT_FALSE(recordOf(play1).toggle);
  EXPECT_NE(play1->getShortcutsText().utf8().find("MIDI: K36"), std::string::npos);
  EXPECT_NE(play0->getShortcutsText().utf8().find("MIDI: C20"), std::string::npos);
}

TEST_F(MidiShortcuts, ANoteStillHeldWhenLearningEndsBecomesAToggle) {
  learnFor(play0);
  handleShortcutMidi(*manager, kNoteOn, 9, 48, 127, 0);  // a pad: note on only
  endLearning();
  EXPECT_TRUE(noteEntry(48, 9).toggleMode);
  EXPECT_FALSE(noteEntry(48, 9).noteHeld);
  EXPECT_TRUE(recordOf(play0).toggle);  // the saved file plays as learned
  // Every note message presses and releases.
  handleShortcutMidi(*manager, kNoteOn, 9, 48, 127, 0);
  handleShortcutMidi(*manager, kNoteOff, 9, 48, 0, 0);
  const auto events = play0->eventsOf(ZRNodeEventMidi);
  ASSERT_EQ(events.size(), 4u);
  for (size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(events[i].value, i % 2 == 0 ? kNoteOn : kNoteOff);
    EXPECT_EQ(events[i].midiValue, i % 2 == 0 ? 127 : 0);
  }
  // A note off alone while learning also makes a toggle.
  learnFor(play1);
  handleShortcutMidi(*manager, kNoteOn, 0, 50, 0, 0);  // note on with velocity 0 is a note off
  EXPECT_TRUE(recordOf(play1).toggle);
  endLearning();
}

TEST_F(MidiShortcuts, EachNodeAnswersToOneMessageAndEachMessageToOneNode) {
  learnFor(play0);
  handleShortcutMidi(*manager, kNoteOn, 0, 37, 100, 0);
  handleShortcutMidi(*manager, kNoteOff, 0, 37, 0, 0);
  handleShortcutMidi(*manager, kNoteOn, 0, 36, 100, 0);
  handleShortcutMidi(*manager, kNoteOff, 0, 36, 0, 0);
  EXPECT_EQ(noteEntry(37, 0).action, -1);
  EXPECT_EQ(noteEntry(36, 0).action, ACT_deck_play_pause);
  EXPECT_EQ(recordOf(play0).number, 36);
  // The same note learned by another node leaves the first without one.
  learnFor(play1);
  handleShortcutMidi(*manager, kNoteOn, 0, 36, 100, 0);
  handleShortcutMidi(*manager, kNoteOff, 0, 36, 0, 0);
  endLearning();
  EXPECT_EQ(recordOf(play0).number, -1);
  EXPECT_TRUE(play0->getShortcutsText().empty());
  EXPECT_EQ(noteEntry(36, 0).deck, 1);
  handleShortcutMidi(*manager, kNoteOn, 0, 37, 100, 0);
  handleShortcutMidi(*manager, kNoteOn, 0, 36, 100, 0);
  EXPECT_TRUE(play0->eventsOf(ZRNodeEventMidi).empty());
  EXPECT_EQ(play1->eventsOf(ZRNodeEventMidi).size(), 1u);
}

TEST_F(MidiShortcuts, LearnModeWithoutATargetOrSlotsLearnsNothing) {
  manager->setLearnMode(true);
  handleShortcutMidi(*manager, kControl, 0, 1, 1, 0);
  play0->totalShortcutsMIDI = 0;
  manager->setLearnFocusedNode(play0);
  handleShortcutMidi(*manager, kControl, 0, 1, 1, 0);
  auto guard = shortcutTables().hold();
  EXPECT_EQ(shortcutTables().controller(1, 0).action, -1);
}

TEST_F(MidiShortcuts, SavedMappingsComeBackAfterARestart) {
  orvel_test::TempDir dir;
  const std::string path = dir.file("shortcuts_midi.xml");
  learnFor(play0);
  handleShortcutMidi(*manager, kNoteOn, 2, 60, 100, 0);  // held: a toggle
  endLearning();
  learnFor(play1);
  handleShortcutMidi(*manager, kControl, 15, 255 - 128, 3, 0);
  endLearning();
  ASSERT_TRUE(saveMidiShortcuts(*manager, path.c_str()));
  const std::string text = orvel_test::readFile(path);
  EXPECT_NE(text.find("<shortcut_midi action=\"deck_play_pause\" deck=\"0\" keys=\"1\">\n"
                      "\t<midi channel=\"2\" iskey=\"1\" keyorcc=\"60\" togglemode=\"1\" />\n"
                      "</shortcut_midi>\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("<midi channel=\"15\" iskey=\"0\" keyorcc=\"127\" togglemode=\"0\" />"),
            std::string::npos);

  auto restarted = std::make_unique<ZRNodeManager>(nullptr, &classes);
  {
    auto guard = shortcutTables().hold();
    shortcutTables().clearAll();
  }
  ASSERT_TRUE(loadMidiShortcuts(*restarted, path.c_str()));
  handleShortcutMidi(*restarted, kNoteOn, 2, 60, 100, 0);
  handleShortcutMidi(*restarted, kControl, 15, 127, 9, 0);
  EXPECT_EQ(shortcutTestNode(*restarted, "deck_play_pause", 0)->eventsOf(ZRNodeEventMidi).size(), 2u);
  EXPECT_EQ(shortcutTestNode(*restarted, "deck_play_pause", 1)->eventsOf(ZRNodeEventMidi).size(), 1u);
}

TEST_F(MidiShortcuts, KeyboardLearningAndMidiLearningAtOnceKeepTablesAndRecordsInStep) {
  // The main thread learns keys while the render thread learns and plays MIDI, as a user touching keys
  // and a controller during learn mode does.
  learnFor(play0);
  std::atomic<bool> done{false};
  std::thread render([&] {
    for (int i = 0; !done.load(); ++i) {
      handleShortcutMidi(*manager, i % 2 == 0 ? kNoteOn : kControl, i % 16, i % 128, 100, 0);
      handleShortcutMidi(*manager, kNoteOff, i % 16, i % 128, 0, 0);
    }
  });
  for (int i = 0; i < 20000; ++i) {
    manager->setLearnFocusedNode(i % 2 == 0 ? play0 : play1);
    handleShortcutKey(*manager, 'a' + i % 26, 0);
  }
  done.store(true);
  render.join();
  endLearning();
  // Each node is reached by exactly the MIDI message its record names, and by no other.
  auto guard = shortcutTables().hold();
  for (ShortcutNode* node : {play0, play1}) {
    const MidiRecord record = recordOf(node);
    int entries = 0;
    for (int number = 0; number < ZRShortcutTables::kMidiNumbers; ++number) {
      for (int channel = 0; channel < ZRShortcutTables::kMidiChannels; ++channel) {
        for (const TMIDIActionKey* entry :
             {&shortcutTables().note(number, channel), &shortcutTables().controller(number, channel)}) {
          if (entry->action != node->id || entry->deck != node->deck) continue;
          ++entries;
          EXPECT_EQ(number, record.number);
          EXPECT_EQ(channel, record.channel);
          EXPECT_EQ(entry == &shortcutTables().note(number, channel), record.isNote);
        }
      }
    }
    EXPECT_EQ(entries, record.number >= 0 ? 1 : 0);
    // And every key its slots hold leads back to it.
    for (int slot = 0; slot < node->getTotalShortcutsKB(); ++slot) {
      int key = -1, modifiers = 0;
      node->getKBShortcut(slot, key, modifiers);
      if (key < 0) continue;
      EXPECT_EQ(shortcutTables().keyboard(key, modifiers).action, node->id);
      EXPECT_EQ(shortcutTables().keyboard(key, modifiers).deck, node->deck);
    }
  }
}

TEST(MidiQueue, ABlockedConsumerKeepsTheNewestMessagesAndCountsTheRest) {
  clearMidiQueue();
  const uint64_t dropsBefore = getMidiQueueDrops();
  const int sent = kMidiQueueCapacity + 300;
  for (int i = 0; i < sent; ++i) ASSERT_TRUE(PutMidiData(nullptr, kMidiKindMessage, 0xC0, 0, i % 128, -1, i));
  EXPECT_EQ(getMidiQueueDrops() - dropsBefore, 300u);
  TMIDIQueueMessage oldest;
  ASSERT_TRUE(takeQueuedMidiMessage(oldest));
  EXPECT_EQ(oldest.extra, 300);
  EXPECT_EQ(oldest.spare, -1);
  orvel_test::LogCapture log;
  EXPECT_EQ(processMidiQueue(), kMidiQueueCapacity - 1);
  EXPECT_TRUE(log.contains("300 MIDI messages dropped"));
  EXPECT_EQ(processMidiQueue(), 0);
}

}  // namespace
