#include "gui/zr_key_names.h"

#include "gui/zr_node_events.h"

namespace {

struct KeyName {
  int code;
  const char* name;
};

constexpr KeyName kSpecialKeys[] = {
    {ZRKeyLeft, "Left"},     {ZRKeyRight, "Right"},       {ZRKeyUp, "Up"},     {ZRKeyDown, "Down"},
    {ZRKeyPageUp, "PageUp"}, {ZRKeyPageDown, "PageDown"}, {ZRKeyHome, "Home"}, {ZRKeyEnd, "End"},
    {ZRKeyEnter, "Enter"},   {ZRKeyEsc, "Esc"},           {ZRKeyTab, "Tab"},   {ZRKeyBackspace, "Backspace"},
    {ZRKeyDelete, "Delete"}, {ZRKeyInsert, "Insert"},
};

}  // namespace

std::string kbGetKeyName(int key) {
  for (const KeyName& k : kSpecialKeys) {
    if (k.code == key) return k.name;
  }
  if (key >= ZRKeyF1 && key <= ZRKeyF19) return "F" + std::to_string(key - ZRKeyF1 + 1);
  const unsigned byte = static_cast<unsigned>(key) & 0xFFu;
  std::string name;
  if (byte < 0x80) {
    name.push_back(static_cast<char>(byte));
  } else {
    // The byte read as Latin-1, so the name stays valid UTF-8.
    name.push_back(static_cast<char>(0xC0 | (byte >> 6)));
    name.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
  }
  return name;
}

std::string kbGetFullName(int key, int modifiers) {
  std::string name;
  if (modifiers & ZRModMeta) name += "Cmd+";
  if (modifiers & ZRModControl) name += "Ctrl+";
  if (modifiers & ZRModAlt) name += "Alt+";
  if (modifiers & ZRModShift) name += "Shift+";
  return name + kbGetKeyName(key);
}
