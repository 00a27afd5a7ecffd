#include "gui/zr_menu.h"

#include <wx/menu.h>

#include <atomic>

#include "common/zr_logging.h"
#include "gui/zr_node_manager.h"
#include "gui/zr_wx_strings.h"

namespace {
std::atomic<ZRMenuHost*> menuHost{nullptr};
}  // namespace

void setMenuHost(ZRMenuHost* host) {
  menuHost.store(host, std::memory_order_release);
}

ZRMenuHost* getMenuHost() {
  return menuHost.load(std::memory_order_acquire);
}

ZRMenu::ZRMenu(ZRNodeManager* nodeManager, ZRDrawNode*, float, int, int, int)
    : manager(nodeManager), menu(new wxMenu()) {}

ZRMenu::~ZRMenu() {
  clearItems();
  delete menu;
}

void ZRMenu::setCallback(Callback function, void* data) {
  callback = function;
  userData = data;
}

void ZRMenu::addItem(const ZRString& text, void* param, bool checkable) {
  Item item;
  item.text = text;
  item.param = param;
  const int index = getCount();
  if (text.empty()) {
    menu->AppendSeparator();
  } else {
    ZRMenuHost* host = getMenuHost();
    item.id = host != nullptr ? host->allocateMenuItem(this, index) : -1;
    if (item.id < 0) {
      ZRLOG("error: cannot allocate menu item");
      return;
    }
    menu->Append(item.id, CharTowxString(text.utf8().c_str()), wxEmptyString,
                 checkable ? wxITEM_CHECK : wxITEM_NORMAL);
  }
  items.push_back(std::move(item));
}

void ZRMenu::clearItems() {
  ZRMenuHost* host = getMenuHost();
  while (menu->GetMenuItemCount() > 0) menu->Destroy(menu->FindItemByPosition(0));
  for (const Item& item : items) {
    if (item.id >= 0 && host != nullptr) host->releaseMenuItem(item.id);
  }
  items.clear();
}

void ZRMenu::showMenu(float x, float y) {
  if (items.empty()) return;
  ZRMenuHost* host = getMenuHost();
  if (host == nullptr) {
    ZRLOG("error: no window to show a menu on");
    return;
  }
  if (manager == nullptr) {
    ZRLOG("ERROR: can not get manager for ZRMenu");
  } else {
    x /= manager->mouseScaleX;
    y /= manager->mouseScaleY;
  }
  host->popupMenu(menu, x, y);
}

ZRString ZRMenu::getItem(int index) const {
  return index >= 0 && index < getCount() ? items[index].text : ZRString();
}

void* ZRMenu::getItemParam(int index) const {
  return index >= 0 && index < getCount() ? items[index].param : nullptr;
}

int ZRMenu::getItemIndex(const ZRString& text) const {
  for (int i = 0; i < getCount(); ++i) {
    if (items[i].text.cmp(text) == 0) return i;
  }
  return -1;
}

int ZRMenu::getItemIndexFromParam(void* param) const {
  for (int i = 0; i < getCount(); ++i) {
    if (items[i].param == param) return i;
  }
  return -1;
}

int ZRMenu::getItemId(int index) const {
  return index >= 0 && index < getCount() ? items[index].id : -1;
}

void ZRMenu::internalCallback(int index) {
  if (callback != nullptr) callback(userData, index, getItemParam(index));
}

void ZRMenu::setItemEnabled(int index, bool enabled) {
  if (index < 0 || index >= getCount() || items[index].enabled == enabled) return;
  items[index].enabled = enabled;
  if (items[index].id >= 0) menu->Enable(items[index].id, enabled);
}

void ZRMenu::setItemChecked(int index, bool checked) {
  if (index < 0 || index >= getCount() || items[index].checked == checked) return;
  items[index].checked = checked;
  if (items[index].id >= 0) menu->Check(items[index].id, checked);
}

bool ZRMenu::getItemChecked(int index) {
  if (index < 0 || index >= getCount()) return false;
  Item& item = items[index];
  if (item.id >= 0) {
    wxMenuItem* toolkitItem = menu->FindItem(item.id);
    if (toolkitItem != nullptr && toolkitItem->IsCheckable()) item.checked = toolkitItem->IsChecked();
  }
  return item.checked;
}
