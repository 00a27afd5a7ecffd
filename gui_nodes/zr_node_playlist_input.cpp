// The track table's input (main thread): presses, releases and moves on the rows and on the column header,
// marks with shift and control, starting a row drag, wheels, keys, focus, row clicks reported by the table
// view, the context, header and sort menus, and the two clean-up commands.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "common/action_vocabulary.h"
#include "common/language_tables.h"
#include "common/text_ids.h"
#include "common/zr_logging.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "gui/zr_menu.h"
#include "gui/zr_message_dialogs.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_control_settings.h"
#include "gui_nodes/zr_drag_drop_track.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_table_node_input.h"

namespace {

constexpr int kHistoryListType = 202;

// Context menu commands.
enum : int {
  kCmdToggleViewMode = 600,
  kCmdSort = 540,
  // Header menu.
  kCmdColumnsOrder = 100,
  kCmdLockSorting = 110,
  kCmdLockSize = 120,
  kCmdColumnBase = 200,
  // Sort menu.
  kCmdResetSort = 490,
  kCmdShuffle = 495,
  kCmdSortBase = 500,
};

void* param(int value) {
  return reinterpret_cast<void*>(static_cast<intptr_t>(value));
}

int paramValue(void* p) {
  return static_cast<int>(reinterpret_cast<intptr_t>(p));
}

bool control(int modifiers) {
  return (modifiers & ZRModControlRaw) != 0;
}

bool shift(int modifiers) {
  return (modifiers & ZRModShift) != 0;
}

// A language text with a number in place of its first "%d". Translated texts are never used as formats:
// a language file is outside input.
ZRString textWithNumber(const ZRString& text, int number) {
  const ZRString n(std::to_string(number));
  const ZRRange at = text.find(ZRString("%d"));
  if (at.position < 0) return text + ZRString(" ") + n;
  const int p = static_cast<int>(at.position);
  return text.left(p) + n + text.substr(p + 2, text.len() - p - 2);
}

}  // namespace

float ZRNodePlaylist::tableY(float y) const {
  return appliedMode_.load() == kModeColumns ? y - static_cast<float>(headerHeight_.load()) : y;
}

bool ZRNodePlaylist::executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                                   int, int, int, wchar_t, int) {
  switch (code) {
    case ZRNodeEventPress:
      onPress(x, y, button, modifiers);
      return true;
    case ZRNodeEventRelease:
      onRelease(x, y, button, modifiers);
      return true;
    case ZRNodeEventDoubleClick: {
      ZRList* list = shownList_.load();
      if (ZRActionCallback fn = getActionSlot(kSlotDoubleClick)) {
        fn(list != nullptr ? list->getMainCursor() : -1, actionCode, deck, this);
      }
      return true;
    }
    case ZRNodeEventEnter:
    case ZRNodeEventWheel:
    case ZRNodeEventWheelH:
      passEventToTableView(table_.get(), code, value);
      return true;
    case ZRNodeEventLeave:
      passEventToTableView(table_.get(), code, value);
      if (resizeCursorShown_ && manager != nullptr) manager->changeCursor(ZRNodeManager::cursorDefault);
      resizeCursorShown_ = false;
      return true;
    case ZRNodeEventMove:
      onMove(x, y, button);
      return true;
    case ZRNodeEventKey:
      return onKey(key, modifiers);
    case ZRNodeEventFocusGained:
    case ZRNodeEventFocusLost:
      onFocus(code == ZRNodeEventFocusGained);
      return true;
    default:
      return false;
  }
}

// ---- pointer
// ------------------------------------------------------------------------------------------------

void ZRNodePlaylist::onPress(float x, float y, int button, int) {
  ZRList* list = shownList_.load();
  pressInHeader_ = appliedMode_.load() == kModeColumns && x >= 0 && x <= width && y >= 0 &&
                   y <= static_cast<float>(headerHeight_.load());
  if (button == ZRButtonRight) {
    // The row under the pointer becomes the cursor before the menu opens (on release).
    if (!pressInHeader_ && table_) {
      table_->actionPress(x, tableY(y), ZRButtonRight);
      table_->actionRelease(x, tableY(y), ZRButtonRight);
    }
    return;
  }
  if (button != ZRButtonLeft) return;
  if (!pressInHeader_) {
    if (table_) table_->actionPress(x, tableY(y), button);
    pressGrabbedBar_ = table_ && (table_->isHorizontalSliderGrabbed() || table_->isVerticalSliderGrabbed());
    return;
  }
  int column = -1, resize = -1, field = 0, columnWidth = 0;
  getColumnToResizeOrSort(x, &column, &resize, &field, &columnWidth);
  if (resize >= 0) {
    if (!resizeLocked_.load()) {
      resizingColumn_ = resize;
      widthAtPress_ = columnWidth;
      pressXForResize_ = x;
    }
    return;
  }
  if (sortLocked_.load() || list == nullptr) return;
  sortByField(column < 0 ? 0 : field);
}

void ZRNodePlaylist::sortByField(int field) {
  ZRList* list = shownList_.load();
  if (list == nullptr) return;
  if (field <= 0) {
    list->resetSortOrder();
    return;
  }
  const bool sortedUp = list->getSortField() == field && list->getSortDirection() == 1;
  list->sort(field, !sortedUp);
}

void ZRNodePlaylist::onRelease(float x, float y, int button, int modifiers) {
  ZRList* list = shownList_.load();
  if (button == ZRButtonLeft) {
    if (pressInHeader_) {
      // A resize is written once, when it ends.
      if (resizingColumn_ >= 0) columnsChanged();
      resizingColumn_ = -1;
    } else {
      const bool grabbed = pressGrabbedBar_;
      const bool dragging = dragStarted;
      dragStarted = false;
      pressGrabbedBar_ = false;
      const int marked = list != nullptr ? list->getTotalInserted() : 0;
      const int before = list != nullptr ? list->getMainCursor() : -1;
      if (table_) table_->actionRelease(x, tableY(y), button);
      if (!grabbed && !dragging && list != nullptr) {
        const int after = list->getMainCursor();
        if (control(modifiers)) {
          if (marked == 0 && before >= 0) list->insert(before, -1);
          if (after >= 0) list->insert(after, -1);
        } else if (shift(modifiers) && after >= 0) {
          if (marked > 0) {
            list->insertLines(std::min(after, list->getFirstInsertedLine()),
                              std::max(after, list->getLastInsertedLine()), 1);
          } else {
            const int from = before >= 0 ? before : after;
            list->insertLines(std::min(from, after), std::max(from, after), 1);
          }
        } else if (marked > 0) {
          list->insertAll(true);
        }
      }
    }
  } else if (button == ZRButtonRight) {
    float ax = 0, ay = 0;
    getAbsolutePosition(ax, ay);
    menuX_ = ax + x;
    menuY_ = ay + y;
    if (pressInHeader_) {
      showHeaderMenu();
    } else {
      showContextMenu();
    }
  }
  pressInHeader_ = false;
}

void ZRNodePlaylist::onMove(float x, float y, int) {
  if (appliedMode_.load() == kModeColumns) {
    bool sizeCursor = false;
    if (resizingColumn_ >= 0) {
      resizeColumn(resizingColumn_,
                   static_cast<int>(x - pressXForResize_ + static_cast<float>(widthAtPress_)));
      sizeCursor = !resizeLocked_.load();
    } else if (!resizeLocked_.load() && x >= 0 && x <= width && y >= 0 &&
               y <= static_cast<float>(headerHeight_.load())) {
      int resize = -1;
      getColumnToResizeOrSort(x, nullptr, &resize, nullptr, nullptr);
      sizeCursor = resize >= 0;
    }
    if (sizeCursor != resizeCursorShown_ && manager != nullptr) {
      manager->changeCursor(sizeCursor ? ZRNodeManager::cursorSizeWE : ZRNodeManager::cursorDefault);
    }
    resizeCursorShown_ = sizeCursor;
  }
  if (!buttonDown[ZRButtonLeft] || !table_ || pressInHeader_) return;
  const float ty = tableY(y);
  if (pressGrabbedBar_) {
    table_->actionMove(x, ty);
    return;
  }
  if (dragStarted) {
    autoScrollWhileDragging(table_.get(), y, height);
    return;
  }
  if (x >= 0.75f * width || !canStartDrag(x, y)) {
    table_->actionMove(x, ty);
    return;
  }
  ZRList* list = shownList_.load();
  int row = -1, inRow = 0;
  float fraction = 0;
  table_->getRowAtPixelFromDisplay(static_cast<int>(ty), row, inRow, fraction);
  if (list == nullptr || row < 0) {
    table_->actionMove(x, ty);
    return;
  }
  list->setMainCursor(row, true);
  TZRListTrack item;
  if (!list->getRowData(row, &item)) return;
  startDrag(std::make_shared<ZRDragDropTrack>(this, item, row));
}

void ZRNodePlaylist::rowClicked(int row, float x, float y, int, ZRTableView*) {
  ZRList* list = shownList_.load();
  if (list == nullptr) return;
  const int before = list->getMainCursor();
  if (row != before) list->setMainCursor(row, true);
  TZRListTrack item;
  if (list->getIsKaraokeSingersRotationList() && list->getRowData(row, &item)) {
    const bool keepEmpty = getControlIntSetting("KSRKeepEmptySingers", 0) != 0;
    const int songs = static_cast<int>(item.additionalTracks.size()) + 1;
    if (x > 0.85f * width) {
      list->applyLineAction(row, -1, songs, ZRList::ToggleCollapsed, keepEmpty);
    } else if (row == before && !item.collapsed) {
      const float line = static_cast<float>(lineSize_.load());
      const float font = fontSize_.load();
      const long songLine = std::lrintf((y - (2 * 5 * line / 42 + 1.1f * font)) / (1.25f * font) - 0.5f);
      const long column = std::lrintf((x - 0.95f * line) / (0.95f * font) - 0.5f);
      static const int kActions[] = {ZRList::MoveUp, ZRList::MoveDown, ZRList::Remove};
      if (songLine >= 0 && songLine < songs && column >= 0 && column <= 2) {
        list->applyLineAction(row, static_cast<int>(songLine), songs, kActions[column], keepEmpty);
        return;
      }
    }
  }
  if (ZRActionCallback fn = getActionSlot(kSlotRowClicked))
    fn(row, static_cast<int>(x), static_cast<int>(y), this);
}

// ---- keys and focus
// -----------------------------------------------------------------------------------------

void ZRNodePlaylist::toggleAllMarks() {
  ZRList* list = shownList_.load();
  if (list == nullptr) return;
  const int n = list->getCount();
  list->insertAll(n > 0 && list->getTotalInserted() == n);
}

bool ZRNodePlaylist::onKey(int key, int modifiers) {
  ZRList* list = shownList_.load();
  const bool ctrl = control(modifiers);
  auto toKeySlot = [&] {
    ZRKeySlotCallback fn = keySlot_.load();
    return fn != nullptr && fn(key, modifiers, this);
  };
  if (list == nullptr) {
    // The table's own keys do nothing without a list; every other key (control+A too) goes on.
    const bool tableKey = (key >= ZRKeyUp && key <= ZRKeyEnd) || key == ZRKeyDelete || key == ZRKeyInsert;
    return tableKey || toKeySlot();
  }
  const int marked = list->getTotalInserted();
  const int before = list->getMainCursor();
  const int n = list->getCount();
  auto unmarkAll = [&] {
    if (marked > 0) list->insertAll(true);
  };
  auto shiftStep = [&](int delta) {
    if (marked == 0) list->insert(-1, 1);
    if ((delta < 0 && before > 0) || (delta > 0 && before < n - 1)) {
      moveCursor(delta);
      list->insert(-1, 1);
    }
  };
  switch (key) {
    case ZRKeyUp:
    case ZRKeyDown: {
      const int delta = key == ZRKeyUp ? -1 : 1;
      if (shift(modifiers)) {
        shiftStep(delta);
      } else {
        unmarkAll();
        if (ctrl) {
          delta < 0 ? list->dragUp(-1) : list->dragDown(-1);
        } else {
          moveCursor(delta);
        }
      }
      return true;
    }
    case ZRKeyPageUp:
    case ZRKeyPageDown:
      unmarkAll();
      if (ctrl) {
        key == ZRKeyPageUp ? list->dragTop(-1) : list->dragDown(-1);
      } else {
        moveCursor(key == ZRKeyPageUp ? -10 : 10);
      }
      return true;
    case ZRKeyHome:
    case ZRKeyEnd:
      unmarkAll();
      if (ctrl) {
        key == ZRKeyHome ? list->dragTop(-1) : list->dragBottom(-1);
      } else {
        list->setMainCursor(key == ZRKeyHome ? 0 : n - 1, true);
        if (table_) table_->makeRowVisible(list->getMainCursor());
      }
      return true;
    case ZRKeyDelete:
      // With marks both Delete and control+Delete ask first and remove what was confirmed; without marks
      // Delete removes the cursor row at once and control+Delete does nothing.
      if (marked > 0) {
        if (showConfirmationDialog(getTextName(txt_confirm_remove_items), getTextName(txt_confirm_remove),
                                   nullptr)) {
          list->remove(-1, true);
        }
      } else if (!ctrl) {
        list->remove(-1, true);
      }
      return true;
    case ZRKeyInsert:
      if (ctrl) {
        toggleAllMarks();
      } else {
        shiftStep(1);
      }
      return true;
    case 1:
    case 'A':
      if (!ctrl) return toKeySlot();
      toggleAllMarks();
      return true;
    default:
      return toKeySlot();
  }
}

void ZRNodePlaylist::onFocus(bool gained) {
  hasFocus_.store(gained);
  if (ZRList* list = shownList_.load()) list->needsScrollToCursor();
  // The rows redraw with the other cursor colour.
  if (table_) table_->refreshWholeDisplay();
  if (ZRActionCallback fn = getActionSlot(kSlotFocus)) fn(gained ? 1 : 0, actionCode, deck, this);
}

// ---- menus
// --------------------------------------------------------------------------------------------------

void ZRNodePlaylist::showContextMenu() {
  const bool isMain = id == GetActionIndex("playlist");
  if (!contextMenu_) {
    contextMenu_ = std::make_unique<ZRMenu>(manager, this, scale, id, deck, actionCode);
    contextMenu_->setCallback(
        [](void* user, int index, void* p) {
          auto* node = static_cast<ZRNodePlaylist*>(user);
          node->menuItemChosen(node->contextMenu_.get(), index, p);
        },
        this);
    ZRMenu& m = *contextMenu_;
    const ZRString none;
    m.addItem(getTextName(txt_menu_prelistensong), param(100), false);
    if (isMain) {
      m.addItem(ZRString("Send to Sidelist/Automix"), param(120), false);
      m.addItem(ZRString("Send all to Sidelist/Automix"), param(121), false);
      m.addItem(ZRString("Filter history by date"), param(125), false);
    } else {
      m.addItem(ZRString("Add/edit singer name"), param(130), false);
    }
    m.addItem(none, nullptr, false);
    m.addItem(getTextName(txt_menu_loaddeck) + ZRString(" 1"), param(200), false);
    m.addItem(getTextName(txt_menu_loaddeck) + ZRString(" 2"), param(201), false);
    m.addItem(none, nullptr, false);
    m.addItem(getTextName(txt_menu_analyze), param(300), false);
    m.addItem(getTextName(txt_menu_analyze_all), param(301), false);
    m.addItem(none, nullptr, false);
    m.addItem(getTextName(txt_menu_editfileinfo), param(400), false);
    m.addItem(none, nullptr, false);
    m.addItem(getTextName(txt_menu_removedeadfiles), param(510), false);
    m.addItem(getTextName(txt_menu_addtolist), param(520), false);
    m.addItem(getTextName(txt_menu_exportplaylistasm3u), param(525), false);
    m.addItem(getTextName(txt_menu_exportplaylistascsv), param(526), false);
    m.addItem(getTextName(txt_menu_clearlist), param(530), false);
    m.addItem(ZRString("Sort"), param(kCmdSort), false);
    m.addItem(none, nullptr, false);
    m.addItem(ZRString("Toggle view mode"), param(kCmdToggleViewMode), false);
  }
  if (isMain) {
    ZRList* list = shownList_.load();
    contextMenu_->setItemEnabled(3, list != nullptr && list->getType() == kHistoryListType);
  }
  contextMenu_->showMenu(menuX_, menuY_);
}

void ZRNodePlaylist::showHeaderMenu() {
  if (!headerMenu_) {
    headerMenu_ = std::make_unique<ZRMenu>(manager, this, scale, id, deck, actionCode);
    headerMenu_->setCallback(
        [](void* user, int index, void* p) {
          auto* node = static_cast<ZRNodePlaylist*>(user);
          node->menuItemChosen(node->headerMenu_.get(), index, p);
        },
        this);
    headerMenuRebuild_.store(true);
  }
  ZRMenu& m = *headerMenu_;
  if (headerMenuRebuild_.exchange(false)) {
    m.clearItems();
    m.addItem(ZRString("Change columns order"), param(kCmdColumnsOrder), false);
    m.addItem(getTextName(txt_menu_lockcolumnsorting), param(kCmdLockSorting), true);
    m.addItem(getTextName(txt_menu_lockcolumnsize), param(kCmdLockSize), true);
    m.addItem(ZRString(), nullptr, false);
    const std::vector<TZRColumn> columns = getColumns();
    for (size_t i = 0; i < columns.size(); ++i) {
      m.addItem(columns[i].name, param(kCmdColumnBase + static_cast<int>(i)), true);
      m.setItemEnabled(m.getCount() - 1, columns[i].allowHide);
    }
  }
  m.setItemChecked(1, sortLocked_.load());
  m.setItemChecked(2, resizeLocked_.load());
  const std::vector<TZRColumn> columns = getColumns();
  for (size_t i = 0; i < columns.size(); ++i) {
    const int index = m.getItemIndexFromParam(param(kCmdColumnBase + static_cast<int>(i)));
    if (index >= 0) m.setItemChecked(index, columns[i].visible);
  }
  m.showMenu(menuX_, menuY_);
}

void ZRNodePlaylist::showSortMenu(float x, float y) {
  if (!sortMenu_) {
    sortMenu_ = std::make_unique<ZRMenu>(manager, this, scale, id, deck, actionCode);
    sortMenu_->setCallback(
        [](void* user, int index, void* p) {
          auto* node = static_cast<ZRNodePlaylist*>(user);
          node->menuItemChosen(node->sortMenu_.get(), index, p);
        },
        this);
    for (int field = 1; field <= 11; ++field) {
      sortMenu_->addItem(getTextName(txt_tag_no + field), param(kCmdSortBase + field), false);
    }
    sortMenu_->addItem(ZRString(), nullptr, false);
    sortMenu_->addItem(ZRString("Shuffle"), param(kCmdShuffle), false);
    sortMenu_->addItem(ZRString("Reset sort order"), param(kCmdResetSort), false);
  }
  ZRList* list = shownList_.load();
  sortMenu_->setItemEnabled(sortMenu_->getItemIndexFromParam(param(kCmdResetSort)),
                            list != nullptr && list->canResetSortOrder());
  sortMenu_->showMenu(x, y);
}

void ZRNodePlaylist::menuItemChosen(ZRMenu* menu, int index, void* p) {
  const int command = paramValue(p);
  ZRList* list = shownList_.load();
  if (menu == contextMenu_.get()) {
    if (command == kCmdToggleViewMode) {
      requestedMode_.store(appliedMode_.load() == kModeRows ? kModeColumns : kModeRows);
    } else if (command == kCmdSort) {
      showSortMenu(menuX_, menuY_);
    } else if (ZRMenuSlotCallback fn = menuSlot_.load()) {
      fn(this, index, p);
    }
  } else if (menu == headerMenu_.get()) {
    if (command == kCmdColumnsOrder) {
      if (ZRActionCallback fn = getActionSlot(kSlotColumnsOrder)) fn(-1, -1, -1, this);
    } else if (command == kCmdLockSorting) {
      sortLocked_.store(menu->getItemChecked(index));
      columnsChanged();
    } else if (command == kCmdLockSize) {
      resizeLocked_.store(menu->getItemChecked(index));
      columnsChanged();
    } else if (command >= kCmdColumnBase) {
      setVisibleColumn(command - kCmdColumnBase, menu->getItemChecked(index));
    }
  } else if (menu == sortMenu_.get() && list != nullptr) {
    if (command == kCmdShuffle) {
      list->shuffle();
    } else if (command == kCmdResetSort) {
      list->resetSortOrder();
    } else if (command > kCmdSortBase && command <= kCmdSortBase + 11) {
      sortByField(command - kCmdSortBase);
    }
  }
}

// ---- clean-up
// -----------------------------------------------------------------------------------------------

int ZRNodePlaylist::removeDeadFiles() {
  ZRList* list = shownList_.load();
  if (list == nullptr) return 0;
  if (!showConfirmationDialog(getTextName(txt_confirm_remove_dead_files), getTextName(txt_continue_question),
                              nullptr)) {
    return 0;
  }
  const int removed = list->database()->removeDeadFiles();
  showMessageDialog(textWithNumber(getTextName(txt_deadfiles_removed), removed), ZRString(), nullptr);
  return removed;
}

void ZRNodePlaylist::physicallyRemoveFiles() {
  ZRList* list = shownList_.load();
  if (list == nullptr) return;
  if (showConfirmationDialog(getTextName(txt_confirm_physicalremove), ZRString(), nullptr)) {
    list->remove(-1, true);
  }
}
