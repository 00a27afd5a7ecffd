#include "main_dj/zr_midi_shortcuts.h"

#include "common/action_ids.h"
#include "gui/zr_draw_node.h"
#include "gui/zr_node_events.h"
#include "gui/zr_node_manager.h"
#include "main_dj/zr_main_frame.h"
#include "main_dj/zr_shortcut_tables.h"

namespace {

constexpr int kNoteOff = 0x80;
constexpr int kNoteOn = 0x90;
constexpr int kControlChange = 0xB0;

void sendMidi(ZRDrawNode* node, int status, int channel, int number, int value, int extra, int deck) {
  node->executeActionInternal(ZRNodeEventMidi, status, 0, 0, ZRButtonNone, -1, extra, channel, number, value,
                              L' ', deck);
}

void clearMidiShortcutOf(ZRNodeManager& manager, const TMIDIActionKey& entry) {
  if (ZRDrawNode* owner = shortcutNode(manager, entry.action, entry.deck))
    owner->setMIDIShortcut(0, false, -1, false);
}

// Binds the message to the learn target. The caller holds the tables' lock.
void learnMidi(ZRNodeManager& manager, ZRShortcutTables& tables, int status, int channel, int number,
               int value) {
  ZRDrawNode* target = manager.getLearnFocusedNode();
  if (target == nullptr || target->getTotalShortcutsMIDI() <= 0) return;
  TMIDIActionKey* entry = nullptr;
  if (status == kControlChange) {
    entry = &tables.controller(number, channel);
    clearMidiShortcutOf(manager, *entry);
    *entry = {target->id, target->deck, false, false};
    target->setMIDIShortcut(channel, false, number, false);
  } else if (status == kNoteOn || status == kNoteOff) {
    entry = &tables.note(number, channel);
    clearMidiShortcutOf(manager, *entry);
    bool toggle = false;
    if (status == kNoteOn && value > 0) {
      tables.lastMidiKey = number;
      tables.lastMidiChannel = channel;
      entry->noteHeld = true;
      toggle = entry->toggleMode;
    } else if (entry->noteHeld) {
      entry->noteHeld = false;
      entry->toggleMode = false;
    } else {
      tables.lastMidiKey = number;
      tables.lastMidiChannel = channel;
      entry->toggleMode = true;
      toggle = true;
    }
    entry->action = target->id;
    entry->deck = target->deck;
    target->setMIDIShortcut(channel, true, number, toggle);
  } else {
    return;
  }
  tables.clearMidiEntriesOf(target->id, target->deck, entry);
}

}  // namespace

void handleShortcutMidi(ZRNodeManager& manager, int status, int channel, int number, int value, int extra) {
  if (!ZRShortcutTables::isValidMidi(number, channel)) return;
  ZRShortcutTables& tables = shortcutTables();
  TMIDIActionKey entry;
  ZRDrawNode* node = nullptr;
  {
    auto guard = tables.hold();
    if (manager.getLearnMode()) {
      learnMidi(manager, tables, status, channel, number, value);
      return;
    }
    if (status == kControlChange) {
      entry = tables.controller(number, channel);
    } else if (status == kNoteOn || status == kNoteOff) {
      entry = tables.note(number, channel);
    } else {
      return;
    }
    if (entry.action > 0) node = shortcutNode(manager, entry.action, entry.deck);
  }
  if (node == nullptr) return;
  if (status == kControlChange || !entry.toggleMode) {
    sendMidi(node, status, channel, number, value, extra, entry.deck);
  } else {
    sendMidi(node, kNoteOn, channel, number, 127, extra, entry.deck);
    sendMidi(node, kNoteOff, channel, number, 0, extra, entry.deck);
  }
}

void GUISynched_MIDICallback(void*, int status, int channel, int number, int value, int extra) {
  if (ZRNodeManager* manager = mainFrameNodeManager())
    handleShortcutMidi(*manager, status, channel, number, value, extra);
}

void setShortcutLearnMode(ZRNodeManager& manager, bool on) {
  if (on) {
    manager.changeKBFocusToNode(shortcutNode(manager, ACT_playlist, -1));
    manager.setLearnMode(true);
    return;
  }
  manager.setLearnMode(false);
  ZRShortcutTables& tables = shortcutTables();
  auto guard = tables.hold();
  if (ZRShortcutTables::isValidMidi(tables.lastMidiKey, tables.lastMidiChannel)) {
    TMIDIActionKey& entry = tables.note(tables.lastMidiKey, tables.lastMidiChannel);
    if (entry.noteHeld) {
      entry.noteHeld = false;
      entry.toggleMode = true;
      if (ZRDrawNode* node = shortcutNode(manager, entry.action, entry.deck)) {
        int channel = 0, number = -1;
        bool isNote = false, toggle = false;
        node->getMIDIShortcut(channel, isNote, number, toggle);
        if (isNote && number == tables.lastMidiKey && channel == tables.lastMidiChannel) {
          node->setMIDIShortcut(channel, true, number, true);
        }
      }
    }
  }
  tables.lastMidiKey = tables.lastMidiChannel = -1;
}

void FLearnKeysMidi(int value, int, int, ZRDrawNode*) {
  if (ZRNodeManager* manager = mainFrameNodeManager()) setShortcutLearnMode(*manager, value != 0);
}
