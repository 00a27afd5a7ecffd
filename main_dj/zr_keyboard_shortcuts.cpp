#include "main_dj/zr_keyboard_shortcuts.h"

#include <wx/defs.h>

#include <atomic>
#include <mutex>

#include "common/action_ids.h"
#include "common/zr_logging.h"
#include "common/zr_preferences.h"
#include "gui/zr_draw_node.h"
#include "gui/zr_node_events.h"
#include "gui/zr_node_manager.h"
#include "main_dj/zr_main_frame.h"
#include "main_dj/zr_shortcut_tables.h"

namespace {

constexpr const char* kFontAdjustKey = "UserInterfaceFontAdjust";

std::atomic<ZRPreferences*> preferencesStore{nullptr};
std::mutex searchStopLock;
std::function<void()> searchStopHook;

struct SpecialKey {
  int toolkit;
  int code;
};

constexpr SpecialKey kSpecialKeys[] = {
    {WXK_BACK, ZRKeyBackspace}, {WXK_TAB, ZRKeyTab},           {WXK_RETURN, ZRKeyEnter},
    {WXK_ESCAPE, ZRKeyEsc},     {WXK_DELETE, ZRKeyDelete},     {WXK_END, ZRKeyEnd},
    {WXK_HOME, ZRKeyHome},      {WXK_LEFT, ZRKeyLeft},         {WXK_UP, ZRKeyUp},
    {WXK_RIGHT, ZRKeyRight},    {WXK_DOWN, ZRKeyDown},         {WXK_INSERT, ZRKeyInsert},
    {WXK_PAGEUP, ZRKeyPageUp},  {WXK_PAGEDOWN, ZRKeyPageDown},
};

void stopSearch() {
  std::function<void()> hook;
  {
    std::lock_guard<std::mutex> guard(searchStopLock);
    hook = searchStopHook;
  }
  if (hook) {
    hook();
    return;
  }
  static std::atomic<bool> said{false};
  if (!said.exchange(true)) ZRLOG("search stop: not available yet");
}

void focusSearchField(ZRNodeManager& manager) {
  manager.changeKBFocusToNode(shortcutNode(manager, ACT_et_search, -1));
}

void changeFontAdjust(int step, bool reset) {
  ZRPreferences* store = preferencesStore.load();
  if (store == nullptr) return;
  int current = 0;
  store->getValue(kFontAdjustKey, current);
  store->setValue(kFontAdjustKey, reset ? 0 : current + step, 0, ZRPreferences::NotificationProgram);
}

// The fixed keys; true when the key was one of them.
bool handleFixedKey(ZRNodeManager& manager, int key, int modifiers) {
  if (key == ' ' || ((key == 'F' || key == 'f' || key == 6) && (modifiers & ZRModControlRaw) != 0)) {
    focusSearchField(manager);
    return true;
  }
  if (key == ZRKeyEsc) {
    stopSearch();
    return true;
  }
  if (key == '-' && modifiers == 0) {
    changeFontAdjust(-1, false);
    return true;
  }
  if (key == '0' && modifiers == 0) {
    changeFontAdjust(0, true);
    return true;
  }
  if ((key == '=' && modifiers == 0) || (key == '+' && (modifiers == 0 || modifiers == ZRModShift))) {
    changeFontAdjust(1, false);
    return true;
  }
  return false;
}

// Learns (key, modifiers) for the learn target. The caller holds the tables' lock.
bool learnKey(ZRNodeManager& manager, ZRShortcutTables& tables, int key, int modifiers) {
  ZRDrawNode* target = manager.getLearnFocusedNode();
  if (target == nullptr) return true;
  const int slots = std::min(target->getTotalShortcutsKB(), static_cast<int>(ZRDrawNode::kMaxShortcutsKB));
  if (slots <= 0) return false;
  TKBActionKey& entry = tables.keyboard(key, modifiers);
  // The key leaves the node that had it.
  if (ZRDrawNode* owner = shortcutNode(manager, entry.action, entry.deck)) {
    for (int slot = 0; slot < owner->getTotalShortcutsKB(); ++slot) {
      int k = -1, m = 0;
      owner->getKBShortcut(slot, k, m);
      if (k == key && m == modifiers) owner->setKBShortcut(slot, -1, 0);
    }
  }
  entry = TKBActionKey();
  const bool learnable = key >= 30 && (modifiers == 0 || modifiers == ZRModShift || modifiers == 24);
  if (!learnable) return true;
  entry = {target->id, target->deck};
  const int slot = tables.kbCurrentIndex % slots;
  int oldKey = -1, oldModifiers = 0;
  target->getKBShortcut(slot, oldKey, oldModifiers);
  if (oldKey >= 0 && ZRShortcutTables::isValidKey(oldKey, oldModifiers) &&
      !(oldKey == key && oldModifiers == modifiers)) {
    tables.keyboard(oldKey, oldModifiers) = TKBActionKey();
  }
  target->setKBShortcut(slot, key, modifiers);
  tables.kbCurrentIndex = (slot + 1) % slots;
  return true;
}

}  // namespace

int kbTranslateWxSpecialKey(int toolkitKeyCode) {
  for (const SpecialKey& k : kSpecialKeys) {
    if (k.toolkit == toolkitKeyCode) return k.code;
  }
  if (toolkitKeyCode >= WXK_F1 && toolkitKeyCode <= WXK_F1 + 18) return ZRKeyF1 + (toolkitKeyCode - WXK_F1);
  return 0;
}

int keyCodeOfToolkitKey(int unicodeCharacter, int toolkitKeyCode) {
  switch (unicodeCharacter) {
    case 0:
    case 8:
    case 9:
    case 13:
    case 27:
      return kbTranslateWxSpecialKey(toolkitKeyCode);
    case 127:
      // The macOS toolkit reports the Backspace key as 127; here 127 is the Delete key, and Backspace comes
      // as 8.
      return ZRKeyDelete;
    default:
      return unicodeCharacter;
  }
}

int modifierMaskOf(bool control, bool alt, bool shift, bool meta) {
  return (control ? ZRModControl | ZRModControlRaw : 0) | (alt ? ZRModAlt : 0) | (shift ? ZRModShift : 0) |
         (meta ? ZRModMeta : 0);
}

bool handleShortcutKey(ZRNodeManager& manager, int key, int modifiers) {
  if (modifiers < 0 || modifiers > 31 || key < 0 || key > 7999) return false;
  if (handleFixedKey(manager, key, modifiers)) return true;
  ZRShortcutTables& tables = shortcutTables();
  ZRDrawNode* node = nullptr;
  int slotToRun = -1;
  {
    auto guard = tables.hold();
    if (manager.getLearnMode()) return learnKey(manager, tables, key, modifiers);
    const TKBActionKey entry = tables.keyboard(key, modifiers);
    node = shortcutNode(manager, entry.action, entry.deck);
    if (node != nullptr) {
      for (int slot = 0; slot < node->getTotalShortcutsKB() && slotToRun < 0; ++slot) {
        int k = -1, m = 0;
        node->getKBShortcut(slot, k, m);
        if (k == key && m == modifiers) slotToRun = slot;
      }
    }
  }
  if (slotToRun >= 0) node->runKBShortcut(slotToRun);
  return true;
}

bool FOnCharDefaultHandler(int key, int modifiers, ZRDrawNode*) {
  ZRMainFrame* frame = MainFrame;
  if (frame == nullptr || !frame->IsEnabled() || frame->getNodeManager() == nullptr) return false;
  return handleShortcutKey(*frame->getNodeManager(), key, modifiers);
}

void setShortcutPreferences(ZRPreferences* preferences) {
  preferencesStore.store(preferences);
}

void installSearchStopHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> guard(searchStopLock);
  searchStopHook = std::move(hook);
}
