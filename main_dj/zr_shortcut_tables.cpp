#include "main_dj/zr_shortcut_tables.h"

#include <algorithm>

#include "common/action_vocabulary.h"
#include "gui/zr_node_manager.h"

ZRShortcutTables::ZRShortcutTables()
    : kb_(new TKBActionKey[static_cast<size_t>(kKeyCodes) * kModifierMasks]),
      notes_(new TMIDIActionKey[static_cast<size_t>(kMidiNumbers) * kMidiChannels]),
      controllers_(new TMIDIActionKey[static_cast<size_t>(kMidiNumbers) * kMidiChannels]) {}

void ZRShortcutTables::clearAll() {
  std::fill_n(kb_.get(), static_cast<size_t>(kKeyCodes) * kModifierMasks, TKBActionKey());
  std::fill_n(notes_.get(), static_cast<size_t>(kMidiNumbers) * kMidiChannels, TMIDIActionKey());
  std::fill_n(controllers_.get(), static_cast<size_t>(kMidiNumbers) * kMidiChannels, TMIDIActionKey());
  kbCurrentIndex = 0;
  lastMidiKey = lastMidiChannel = -1;
}

void ZRShortcutTables::clearMidiEntriesOf(int action, int deck, const TMIDIActionKey* keep) {
  for (TMIDIActionKey* table : {notes_.get(), controllers_.get()}) {
    for (size_t i = 0; i < static_cast<size_t>(kMidiNumbers) * kMidiChannels; ++i) {
      TMIDIActionKey& entry = table[i];
      if (&entry != keep && entry.action == action && entry.deck == deck) entry = TMIDIActionKey();
    }
  }
}

ZRShortcutTables& shortcutTables() {
  static ZRShortcutTables* tables = new ZRShortcutTables();
  return *tables;
}

ZRDrawNode* shortcutNode(ZRNodeManager& manager, int action, int deck) {
  if (action < 1 || action >= CACTION_COUNT - 1 || deck < -1 || deck > 1) return nullptr;
  const bool global = GetActionGlobal(action) != 0;
  if (global != (deck == -1)) return nullptr;
  return manager.getNodeAt(action + CACTION_NODE_STRIDE * (deck + 1));
}
