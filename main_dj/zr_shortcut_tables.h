#pragma once
// The three shortcut tables that map input to engine nodes, and the learn state shared by keyboard and MIDI
// learning:
// - the keyboard table, 8192 key codes x 32 modifier masks, each entry {action id, deck};
// - the MIDI note table and the MIDI control-change table, 256 numbers x 16 channels, each entry {action id,
//   deck, toggle mode, note held};
// - the learn state: the next keyboard slot a learned key goes to, and the last note learned.
// An entry names the engine node of its action and deck (action 1..726; deck -1 for a global action, 0 or 1);
// an empty entry has action -1.
//
// Threads and the lock: the main thread reads and writes the tables (keys, keyboard learning, loading at
// start-up, saving at shut-down); the render thread reads and writes them (MIDI messages and MIDI learning
// in the GUI tick). Every access is made with the tables' lock held (hold()), and so is every change of a
// node's shortcut record made by learning, so that the tables and the records agree. Node events are sent
// after the lock is released: a node's handler may itself switch learn mode.
//
// Lookups index the tables directly: no search and no allocation on the input path.

#include <memory>
#include <mutex>

class ZRDrawNode;
class ZRNodeManager;

struct TKBActionKey {
  int action = -1;
  int deck = -1;
};

struct TMIDIActionKey {
  int action = -1;
  int deck = -1;
  bool toggleMode = false;
  bool noteHeld = false;  // used only while learning
};

class ZRShortcutTables {
 public:
  static constexpr int kKeyCodes = 8192;
  static constexpr int kModifierMasks = 32;
  static constexpr int kMidiNumbers = 256;
  static constexpr int kMidiChannels = 16;

  ZRShortcutTables();
  ZRShortcutTables(const ZRShortcutTables&) = delete;
  ZRShortcutTables& operator=(const ZRShortcutTables&) = delete;

  static bool isValidKey(int key, int modifiers) {
    return key >= 0 && key < kKeyCodes && modifiers >= 0 && modifiers < kModifierMasks;
  }
  static bool isValidMidi(int number, int channel) {
    return number >= 0 && number < kMidiNumbers && channel >= 0 && channel < kMidiChannels;
  }

  // The lock every access below needs.
  std::unique_lock<std::mutex> hold() { return std::unique_lock<std::mutex>(lock_); }

  // Entries of valid indexes only (check with isValidKey / isValidMidi first).
  TKBActionKey& keyboard(int key, int modifiers) {
    return kb_[static_cast<size_t>(key) * kModifierMasks + modifiers];
  }
  TMIDIActionKey& note(int number, int channel) {
    return notes_[static_cast<size_t>(number) * kMidiChannels + channel];
  }
  TMIDIActionKey& controller(int number, int channel) {
    return controllers_[static_cast<size_t>(number) * kMidiChannels + channel];
  }

  // Empties all three tables and forgets the learn state.
  void clearAll();
  // Empties every MIDI entry of both tables that names action and deck, except keep (may be null).
  void clearMidiEntriesOf(int action, int deck, const TMIDIActionKey* keep);

  // The keyboard slot the next learned key goes to (shared by all nodes).
  int kbCurrentIndex = 0;
  // The note and channel of the last note learned; -1 when none.
  int lastMidiKey = -1;
  int lastMidiChannel = -1;

 private:
  std::mutex lock_;
  std::unique_ptr<TKBActionKey[]> kb_;
  std::unique_ptr<TMIDIActionKey[]> notes_;
  std::unique_ptr<TMIDIActionKey[]> controllers_;
};

// The process's tables (made empty on first use).
ZRShortcutTables& shortcutTables();

// The engine node of an action and deck: null for an action outside 1..726, a deck outside -1..1, or a deck
// that does not fit the action (a global action has a node only for deck -1, a per-deck action only for
// decks 0 and 1).
ZRDrawNode* shortcutNode(ZRNodeManager& manager, int action, int deck);
