#pragma once
// ZRMenu: the context or selection menu a skin control pops up over the main window (the drop-down's
// choices, the track table's header, sort and row menus, the browser tree's element menus). It wraps one
// toolkit popup menu, keeps a parallel record of its items with an opaque parameter each, and reports a
// choice through one callback.
//
// Toolkit ids come from the menu host (the main window), which routes the toolkit's menu command back to the
// menu that owns the id (ZRMenuHost::menuItemChosen → internalCallback). Ids are given back when items are
// cleared, so menus keep working however often they are refilled.
//
// Threads: main thread only (menus are filled, shown and answered from mouse handling there). Controls
// acting on the render thread (MIDI, scripts) post their menu work to the main thread.

#include <vector>

#include "common/zr_string.h"

class ZRDrawNode;
class ZRMenu;
class ZRNodeManager;
class wxMenu;

// What a menu needs of the main window.
class ZRMenuHost {
 public:
  virtual ~ZRMenuHost() = default;
  // A free toolkit id for item index of menu, recorded so that choosing it reaches that menu; -1 when none
  // is left.
  virtual int allocateMenuItem(ZRMenu* menu, int index) = 0;
  // Gives an id back (its item was removed).
  virtual void releaseMenuItem(int id) = 0;
  // Pops the toolkit menu up at (x, y) in window pixels and returns once it is dismissed or chosen from.
  virtual void popupMenu(wxMenu* menu, float x, float y) = 0;
};

// The host every menu uses; installed by the main window (null: menus cannot be shown and take no ids).
void setMenuHost(ZRMenuHost* host);
ZRMenuHost* getMenuHost();

class ZRMenu {
 public:
  using Callback = void (*)(void* userData, int index, void* param);

  // The node manager scales the menu's position from skin points to window pixels (null: unscaled, with a
  // log line when shown). The other arguments describe the owner and are not kept.
  ZRMenu(ZRNodeManager* manager, ZRDrawNode* owner, float scale, int action, int deck, int code);
  virtual ~ZRMenu();
  ZRMenu(const ZRMenu&) = delete;
  ZRMenu& operator=(const ZRMenu&) = delete;

  void setCallback(Callback callback, void* userData);
  // Appends an item, or a separator for an empty text (a separator takes an index and keeps its param like
  // any item, but has no toolkit id). A checkable item shows a check mark. When no id is left the item is
  // not added and "error: cannot allocate menu item" is logged.
  void addItem(const ZRString& text, void* param, bool checkable);
  // Removes every item (their ids go back to the host); count 0.
  void clearItems();
  // Pops the menu up at (x, y) in skin points; nothing when empty.
  void showMenu(float x, float y);

  int getCount() const { return static_cast<int>(items.size()); }
  // The item's text; empty out of range.
  ZRString getItem(int index) const;
  // The item's param; null out of range.
  void* getItemParam(int index) const;
  // The first item whose text compares equal (ZRString::cmp); -1 when none.
  int getItemIndex(const ZRString& text) const;
  // The first item with that param; -1 when none.
  int getItemIndexFromParam(void* param) const;
  // Calls the callback with (user data, index, the item's param or null out of range); nothing without one.
  void internalCallback(int index);
  // Store the flag and change the toolkit item, only for a valid index and a changed flag.
  void setItemEnabled(int index, bool enabled);
  void setItemChecked(int index, bool checked);
  // The toolkit item's check state (also stored as the item's flag); false out of range.
  bool getItemChecked(int index);

  // The toolkit menu (for the host's popup and for tests).
  wxMenu* toolkitMenu() { return menu; }
  // The toolkit id of an item, -1 for a separator or out of range.
  int getItemId(int index) const;

 private:
  struct Item {
    int id = -1;
    ZRString text;
    void* param = nullptr;
    bool enabled = true;
    bool checked = false;
  };

  ZRNodeManager* manager;
  wxMenu* menu;
  Callback callback = nullptr;
  void* userData = nullptr;
  std::vector<Item> items;
};
