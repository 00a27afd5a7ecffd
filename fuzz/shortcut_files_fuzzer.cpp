// Shortcut files as the application loads them at start-up: any bytes as shortcuts_kb.xml (first byte
// even) or shortcuts_midi.xml (odd) load or are refused, one node manager taking file after file. Whatever
// loaded must save, and the saved file must load again; the tables and the nodes' records are emptied
// between inputs.

#include <libxml/xmlerror.h>

#include <cstdint>
#include <string>

#include "common/action_vocabulary.h"
#include "common/zr_texture.h"
#include "fuzz_support.h"
#include "gui/zr_node_classes.h"
#include "gui/zr_node_manager.h"
#include "main_dj/zr_shortcut_files.h"
#include "main_dj/zr_shortcut_tables.h"

namespace {

void quietXml(void*, const char*, ...) {}

// Nodes with shortcut slots, as the controls give them, so that loading fills node records too.
class LearnableNodes : public ZRNodeClassFactory {
 public:
  ZRDrawNode* createNode(int type, ZRNodeManager* manager, float scale, int id, int deck) override {
    ZRDrawNode* node = ZRNodeClassFactory::createNode(type, manager, scale, id, deck);
    if (node != nullptr) {
      node->totalShortcutsKB = 2;
      node->totalShortcutsMIDI = 1;
      node->setCanUseLearn(true);
    }
    return node;
  }
};

ZRNodeManager& manager() {
  static LearnableNodes* classes = new LearnableNodes();
  static ZRNodeManager* instance = new ZRNodeManager(nullptr, classes);
  return *instance;
}

void forget(ZRNodeManager& m) {
  {
    auto guard = shortcutTables().hold();
    shortcutTables().clearAll();
  }
  for (int slot = 0; slot < ZRNodeManager::kNodeCount; ++slot) {
    ZRDrawNode* node = m.getNodeAt(slot);
    if (node == nullptr) continue;
    node->setKBShortcut(0, -1, 0);
    node->setKBShortcut(1, -1, 0);
    node->setMIDIShortcut(0, false, -1, false);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  xmlSetGenericErrorFunc(nullptr, &quietXml);
  ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
  manager();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orvel_fuzz::FuzzInput input(data, size);
  const bool midi = (input.byte() & 1) != 0;
  const std::string path = orvel_fuzz::writeScratchFile("shortcuts.xml", input.data(), input.size());
  if (path.empty()) return 0;
  const std::string saved = orvel_fuzz::scratchFolder() + "saved.xml";
  ZRNodeManager& m = manager();
  const bool loaded = midi ? loadMidiShortcuts(m, path.c_str()) : loadKeyboardShortcuts(m, path.c_str());
  if (loaded) {
    const bool written = midi ? saveMidiShortcuts(m, saved.c_str()) : saveKeyboardShortcuts(m, saved.c_str());
    orvel_fuzz::fuzzCheck(written, "the shortcuts that loaded cannot be saved");
    forget(m);
    const bool again = midi ? loadMidiShortcuts(m, saved.c_str()) : loadKeyboardShortcuts(m, saved.c_str());
    orvel_fuzz::fuzzCheck(again, "a saved shortcut file does not load");
  }
  forget(m);
  return 0;
}
