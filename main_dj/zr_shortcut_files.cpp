#include "main_dj/zr_shortcut_files.h"

#include <libxml/tree.h>

#include <fstream>
#include <functional>
#include <string>

#include "common/action_vocabulary.h"
#include "common/zr_atomic_file_writer.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_xml_utils.h"
#include "gui/zr_draw_node.h"
#include "gui/zr_node_manager.h"
#include "main_dj/zr_main_frame.h"
#include "main_dj/zr_shortcut_tables.h"

namespace {

bool named(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE && xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

// Runs entry(node, action, deck, element) for each element of the root named elementName, in file order;
// node is null when the action or deck finds none.
bool forEachShortcutElement(ZRNodeManager& manager, const char* path, const char* elementName,
                            const char* errorText,
                            const std::function<void(ZRDrawNode*, int, int, xmlNode*)>& entry) {
  if (path == nullptr || !FileExists(path)) return false;
  xmlDoc* document = nullptr;
  xmlNode* root = nullptr;
  if (!openXMLFile(path, "settings", &document, &root, 0, 0)) {
    ZRLOG("%s", errorText);
    return false;
  }
  for (xmlNode* element = root->children; element != nullptr; element = element->next) {
    if (!named(element, elementName)) continue;
    const int deck = decodeIntNode(element, "deck");
    if (deck > 1 || deck < -1) {
      ZRLOG("shortcuts: '%s' skipped: deck %d does not exist", path, deck);
      continue;
    }
    const std::string action = decodeStrNode2(element, "action").utf8();
    const int id = GetActionIndex(action.c_str());
    ZRDrawNode* node = id > 0 ? shortcutNode(manager, id, deck) : nullptr;
    entry(node, id, deck, element);
  }
  closeXMLFile(document);
  return true;
}

// Writes settings: the header, then per learnable node (action ids in order, a per-deck action's deck 0
// node before its deck 1 node) what writeNode produces.
bool writeShortcutFile(ZRNodeManager& manager, const char* path,
                       const std::function<void(std::ofstream&, ZRDrawNode*, int, int)>& writeNode) {
  if (path == nullptr) return false;
  ZRAtomicFileWriter writer{ZRString(path)};
  std::ofstream out;
  if (!writer.openXml(out)) {
    ZRLOG("shortcuts: cannot write '%s'", path);
    return false;
  }
  out << "<settings version=\"2\">\n";
  {
    auto guard = shortcutTables().hold();
    for (int action = 1; action < CACTION_COUNT - 1; ++action) {
      const bool global = GetActionGlobal(action) != 0;
      for (int deck = global ? -1 : 0; deck <= (global ? -1 : 1); ++deck) {
        ZRDrawNode* node = shortcutNode(manager, action, deck);
        if (node != nullptr && node->getCanUseLearn()) writeNode(out, node, action, deck);
      }
    }
  }
  out << "</settings>\n";
  return writer.commit(out);
}

// The opening line of a node's element: action, the deck for a per-deck action, the slot count.
void openElement(std::ofstream& out, const char* element, int action, int deck, int slots) {
  out << "<" << element << " action=\"" << GetActionName(action) << "\"";
  if (deck >= 0) out << " deck=\"" << deck << "\"";
  out << " keys=\"" << slots << "\">\n";
}

}  // namespace

bool loadKeyboardShortcuts(ZRNodeManager& manager, const char* path) {
  return forEachShortcutElement(
      manager, path, "shortcut_kb", "error: FLoadShortcuts_KB: XML not ok",
      [&](ZRDrawNode* node, int action, int deck, xmlNode* element) {
        if (node == nullptr) return;
        int slot = 0;
        for (xmlNode* key = element->children; key != nullptr; key = key->next) {
          if (!named(key, "key")) continue;
          const int code = decodeIntNode(key, "code");
          const int modifiers = decodeIntNode(key, "shift");
          if (!ZRShortcutTables::isValidKey(code, modifiers)) {
            ZRLOG("shortcuts: key %d with modifiers %d of '%s' skipped (out of range)", code, modifiers,
                  GetActionName(action));
          } else {
            auto guard = shortcutTables().hold();
            node->setKBShortcut(slot, code, modifiers);
            shortcutTables().keyboard(code, modifiers) = {action, deck};
          }
          ++slot;
        }
      });
}

bool loadMidiShortcuts(ZRNodeManager& manager, const char* path) {
  return forEachShortcutElement(
      manager, path, "shortcut_midi", "error: FLoadShortcuts_MIDI: XML not ok",
      [&](ZRDrawNode* node, int action, int deck, xmlNode* element) {
        if (node == nullptr) return;
        for (xmlNode* midi = element->children; midi != nullptr; midi = midi->next) {
          if (!named(midi, "midi")) continue;
          const int channel = decodeIntNode(midi, "channel");
          const int number = decodeIntNode(midi, "keyorcc");
          if (channel < 0 || number < 0) continue;
          if (!ZRShortcutTables::isValidMidi(number, channel)) {
            ZRLOG("shortcuts: MIDI %d on channel %d of '%s' skipped (out of range)", number, channel,
                  GetActionName(action));
            continue;
          }
          const bool isNote = decodeBooleanNode(midi, "iskey");
          const bool toggle = decodeBooleanNode(midi, "togglemode");
          auto guard = shortcutTables().hold();
          node->setMIDIShortcut(channel, isNote, number, toggle);
          ZRShortcutTables& tables = shortcutTables();
          (isNote ? tables.note(number, channel) : tables.controller(number, channel)) = {action, deck,
                                                                                          toggle, false};
        }
      });
}

bool saveKeyboardShortcuts(ZRNodeManager& manager, const char* path) {
  return writeShortcutFile(manager, path, [](std::ofstream& out, ZRDrawNode* node, int action, int deck) {
    const int slots = node->getTotalShortcutsKB();
    bool opened = false;
    for (int slot = 0; slot < slots; ++slot) {
      int key = -1, modifiers = 0;
      node->getKBShortcut(slot, key, modifiers);
      if (key < 0) continue;
      if (!opened) openElement(out, "shortcut_kb", action, deck, slots);
      opened = true;
      out << "\t<key code=\"" << key << "\" shift=\"" << modifiers << "\" ch=\"0\" />\n";
    }
    if (opened) out << "</shortcut_kb>\n";
  });
}

bool saveMidiShortcuts(ZRNodeManager& manager, const char* path) {
  return writeShortcutFile(manager, path, [](std::ofstream& out, ZRDrawNode* node, int action, int deck) {
    const int slots = node->getTotalShortcutsMIDI();
    if (slots <= 0) return;
    int channel = 0, number = -1;
    bool isNote = false, toggle = false;
    node->getMIDIShortcut(channel, isNote, number, toggle);
    if (number < 0) return;
    openElement(out, "shortcut_midi", action, deck, slots);
    out << "\t<midi channel=\"" << channel << "\" iskey=\"" << (isNote ? 1 : 0) << "\" keyorcc=\"" << number
        << "\" togglemode=\"" << (toggle ? 1 : 0) << "\" />\n";
    out << "</shortcut_midi>\n";
  });
}

void FLoadShortcuts_KB(const char* path) {
  if (ZRNodeManager* manager = mainFrameNodeManager()) loadKeyboardShortcuts(*manager, path);
}

void FLoadShortcuts_MIDI(const char* path) {
  if (ZRNodeManager* manager = mainFrameNodeManager()) loadMidiShortcuts(*manager, path);
}

void FSaveShortcuts_KB(const char* path) {
  if (ZRNodeManager* manager = mainFrameNodeManager()) saveKeyboardShortcuts(*manager, path);
}

void FSaveShortcuts_MIDI(const char* path) {
  if (ZRNodeManager* manager = mainFrameNodeManager()) saveMidiShortcuts(*manager, path);
}
