// The browser tree meets the user: skin attributes, drawing its rows and icons (render thread), mouse,
// wheel, keys and focus, the context menus and their commands, and dragging lists out of it and dropping
// lists and tracks onto it (main thread).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/language_tables.h"
#include "common/text_ids.h"
#include "common/zr_logging.h"
#include "common/zr_parameter_list.h"
#include "database/zr_list.h"
#include "gui/zr_draw_context.h"
#include "gui/zr_menu.h"
#include "gui/zr_message_dialogs.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_drag_drop_browser_list.h"
#include "gui_nodes/zr_drag_drop_track.h"
#include "gui_nodes/zr_list_drawing.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_table_node_input.h"

namespace {

enum Menu : int {
  kMenuDatabase = 0,
  kMenuPlaylist = 1,
  kMenuExplorer = 2,
  kMenuFavorite = 3,
  kMenuOthers = 4
};

enum Command : int {
  kCmdNewList = 100,
  kCmdSortLists = 105,
  kCmdDeleteList = 110,
  kCmdRenameList = 120,
  kCmdExportM3U = 130,
  kCmdExportCSV = 131,
  kCmdAddFavorite = 200,
  kCmdRemoveFavorite = 210,
  kCmdAddToCollection = 300,
  kCmdListFromFolder = 400,
};

void* param(int value) {
  return reinterpret_cast<void*>(static_cast<intptr_t>(value));
}

struct Item {
  int text;     // text id; 0 for a separator
  int command;  // -1 for a separator
};

const std::vector<Item>& itemsOf(int menu) {
  static const std::vector<Item> kItems[5] = {
      {{txt_menu_newplaylist, kCmdNewList}},
      {{txt_menu_deleteplaylist, kCmdDeleteList},
       {txt_menu_renameplaylist, kCmdRenameList},
       {txt_menu_exportplaylistasm3u, kCmdExportM3U},
       {txt_menu_exportplaylistascsv, kCmdExportCSV},
       {0, -1},
       {txt_menu_newplaylist, kCmdNewList},
       {0, -1},
       {txt_menu_sortplaylistsbyname, kCmdSortLists}},
      {{txt_menu_addtofavorites, kCmdAddFavorite},
       {0, -1},
       {txt_menu_addtodatabase, kCmdAddToCollection},
       {txt_menu_newplaylistfromfolder, kCmdListFromFolder},
       {0, -1},
       {txt_menu_newplaylist, kCmdNewList}},
      {{txt_menu_removefromfavorites, kCmdRemoveFavorite},
       {0, -1},
       {txt_menu_addtodatabase, kCmdAddToCollection},
       {txt_menu_newplaylistfromfolder, kCmdListFromFolder},
       {0, -1},
       {txt_menu_newplaylist, kCmdNewList}},
      {{txt_menu_newplaylist, kCmdNewList}},
  };
  return kItems[menu];
}

// Copies a w x h block of a 3- or 4-byte B, G, R(, A) picture, clipped to it, into a B, G, R, A buffer
// (pixels outside the picture stay transparent).
std::vector<uint8_t> cutBlock(const unsigned char* pixels, int pw, int ph, int bpp, int sx, int sy, int w,
                              int h) {
  std::vector<uint8_t> block(static_cast<size_t>(w) * h * 4, 0);
  for (int y = 0; y < h; ++y) {
    const int py = sy + y;
    if (py < 0 || py >= ph) continue;
    for (int x = 0; x < w; ++x) {
      const int px = sx + x;
      if (px < 0 || px >= pw) continue;
      const unsigned char* p = pixels + (static_cast<size_t>(py) * pw + px) * bpp;
      uint8_t* q = block.data() + (static_cast<size_t>(y) * w + x) * 4;
      q[0] = p[0];
      q[1] = p[1];
      q[2] = p[2];
      q[3] = bpp == 4 ? p[3] : 255;
    }
  }
  return block;
}

}  // namespace

// ---- skin and size
// ------------------------------------------------------------------------------------------

void ZRNodeBrowser::refreshCoordinates(ZRParameterList* a) {
  ZRDrawNode::refreshCoordinates(a);
  if (a == nullptr) return;
  const ZRColorFloat black{0, 0, 0, 1};
  fontColor = a->getColorFloat("fontcolor", &black);
  cursorColor = a->getColorFloat("cursorcolor", &black);
  cursorColorActive = a->getColorFloat("cursorcoloractive", &black);
  const ZRColorFloat line1 = decodeColorStr2("#000000");
  const ZRColorFloat line2 = decodeColorStr2("#191919");
  lineColor1 = a->getColorFloat("linecolor1", &line1);
  lineColor2 = a->getColorFloat("linecolor2", &line2);
  fontName = a->getStr("fontname", ZRString("Arial"));
  fontSize = a->getFloat("fontsize", 14);
  lineSize.store(std::max(10, a->getInt("linesize", 28)));
  iconX = a->getFloat("iconx", -1);
  iconY = a->getFloat("icony", -1);
  iconSize = a->getFloat("iconsize", 16);
  iconSpace = a->getFloat("iconspace", 0);
  changeSize(width, height);
}

void ZRNodeBrowser::changeSize(float w, float h) {
  ZRDrawNode::changeSize(w, h);
  table_->changeSize(static_cast<int>(std::lrint(width)), static_cast<int>(std::lrint(height)), -1, scale);
  {
    std::lock_guard<std::mutex> g(model_);
    markDirtyLocked();
  }
  refreshTable();
}

// ---- drawing (render thread)
// --------------------------------------------------------------------------------

void ZRNodeBrowser::render(double dt, float atX, float atY) {
  if (shown) {
    forceInitWhenNotVisible();
    if (table_) table_->render(atX, atY, static_cast<float>(dt));
  }
  ZRDrawNode::render(dt, atX, atY);
}

void ZRNodeBrowser::destroyTexture() {
  if (table_) table_->destroyTextures();
  ZRDrawNode::destroyTexture();
}

int ZRNodeBrowser::numberOfRows(ZRTableView*) {
  std::lock_guard<std::mutex> g(model_);
  return static_cast<int>(visible_.size());
}

int ZRNodeBrowser::rowHeight(int, ZRTableView*) {
  return lineSize.load();
}

void ZRNodeBrowser::drawRow(ZRTableViewRow* row, ZRTableView*) {
  if (row == nullptr || !row->drawContext) return;
  TVisibleLine line;
  bool cursor = false;
  {
    std::lock_guard<std::mutex> g(model_);
    if (row->index < 0 || row->index >= static_cast<int>(visible_.size())) return;
    line = visible_[static_cast<size_t>(row->index)];
    cursor = row->index == cursorRow_;
  }
  ZRDrawContext& dc = *row->drawContext;
  drawRowBackground(dc, row->width, row->height, row->index % 2 != 0 ? lineColor1 : lineColor2);
  if (cursor) strokeRowFrame(dc, row->width, row->height, hasFocus_.load() ? cursorColorActive : cursorColor);
  const float indent = static_cast<float>(line.depth * 10 + 8);
  setFontColor(dc, fontColor);
  dc.drawText(iconSize + indent + 6, 0, line.line.name, fontName, fontSize, textStyleInvalid, textAlignLeft,
              row->width, row->height);
  drawBrowserIcon(row, line, indent, 6);
}

void ZRNodeBrowser::drawBrowserIcon(ZRTableViewRow* row, const TVisibleLine& line, float x, float y) {
  if (iconX < 0 || iconY < 0) return;
  ZRDrawContext& dc = *row->drawContext;
  const float s = dc.getScale();
  const int size = static_cast<int>(iconSize * s);
  if (size <= 0) return;
  const int dx = static_cast<int>(std::lrint(x * s)), dy = static_cast<int>(std::lrint(y * s));
  if (line.line.plugin != nullptr) {
    const unsigned char* icon = line.line.plugin->getIconData(size, size, true, line.nodeId);
    if (icon != nullptr) dc.copySubImageFromBufferInRGBA(icon, 0, 0, size, size, size, size, dx, dy, false);
    return;
  }
  const int index = line.expanded && line.line.expandedIcon >= 0 ? line.line.expandedIcon : line.line.icon;
  if (index <= 0 || manager == nullptr) return;
  // The square of the skin image's icon strip, from the part holding its top row, clipped to that part
  // and (by the blit) to the row.
  const float sourceX = (iconX + static_cast<float>(index) * (iconSize + iconSpace)) * s;
  int inPart = 0;
  const int part =
      manager->getTextureIndexForCoordinate(static_cast<int>(std::lrint(iconY * s)), inPart, true);
  int pw = 0, ph = 0, bpp = 0;
  const unsigned char* pixels = manager->getImagePartPixels(part, pw, ph, bpp);
  if (pixels == nullptr) return;
  const std::vector<uint8_t> block =
      cutBlock(pixels, pw, ph, bpp, static_cast<int>(std::lrint(sourceX)), inPart, size, size);
  dc.copySubImageFromBufferInRGBA(block.data(), 0, 0, size, size, size, size, dx, dy, true);
}

// ---- input (main thread)
// ------------------------------------------------------------------------------------

void ZRNodeBrowser::rowClicked(int row, float, float, int button, ZRTableView*) {
  int node = -1;
  {
    std::lock_guard<std::mutex> g(model_);
    cursorRow_ = row;
    markDirtyLocked();
    node = nodeOfRowLocked(row);
  }
  if (button == ZRButtonLeft) ExpandNode(-1);
  SelectNode(node);
}

bool ZRNodeBrowser::executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                                  int, int, int, wchar_t, int) {
  switch (code) {
    case ZRNodeEventPress:
      if ((button == ZRButtonLeft || button == ZRButtonRight) && table_) {
        table_->actionPress(x, y, button);
        pressGrabbedBar_ = table_->isHorizontalSliderGrabbed() || table_->isVerticalSliderGrabbed();
      }
      return true;
    case ZRNodeEventRelease:
      if (button == ZRButtonLeft && table_) table_->actionRelease(x, y, ZRButtonLeft);
      if (button == ZRButtonRight && table_) {
        table_->actionRelease(x, y, ZRButtonRight);
        TBrowserLine line;
        int row = -1;
        {
          std::lock_guard<std::mutex> g(model_);
          row = cursorRow_;
          if (row >= 0 && row < static_cast<int>(visible_.size()))
            line = visible_[static_cast<size_t>(row)].line;
        }
        if (row >= 0 && line.plugin != nullptr) {
          line.plugin->clicked(row, true, static_cast<int>(x + this->x), static_cast<int>(y + this->y));
        } else if (row >= 0) {
          float ax = 0, ay = 0;
          getAbsolutePosition(ax, ay);
          popupMenuDependingOnElement(ax + x, ay + y);
        }
      }
      pressGrabbedBar_ = false;
      return true;
    case ZRNodeEventDoubleClick:
      return true;
    case ZRNodeEventEnter:
    case ZRNodeEventLeave:
    case ZRNodeEventWheel:
    case ZRNodeEventWheelH:
      passEventToTableView(table_.get(), code, value);
      return true;
    case ZRNodeEventMove:
      onMove(x, y);
      return true;
    case ZRNodeEventKey:
      return onKey(key, modifiers);
    case ZRNodeEventFocusGained:
    case ZRNodeEventFocusLost: {
      const bool gained = code == ZRNodeEventFocusGained;
      hasFocus_.store(gained);
      if (table_) table_->markRowAsDirty(getCursorRow());
      if (ZRActionCallback fn = getActionSlot(kSlotFocus)) fn(gained ? 1 : 0, actionCode, deck, this);
      return true;
    }
    case ZRNodeEventDragEnter:
      ZRLOG("browser mt_DRAGDROP_ENTER");
      return true;
    case ZRNodeEventDragLeave:
      ZRLOG("browser mt_DRAGDROP_LEAVE");
      return true;
    default:
      return false;
  }
}

void ZRNodeBrowser::onMove(float x, float y) {
  if (!buttonDown[ZRButtonLeft] || !table_) return;
  if (pressGrabbedBar_) {
    table_->actionMove(x, y);
    return;
  }
  if (dragStarted) {
    autoScrollWhileDragging(table_.get(), y, height);
    return;
  }
  if (x < 0.75f * width && canStartDrag(x, y)) {
    int row = -1, inRow = 0;
    float fraction = 0;
    table_->getRowAtPixelFromDisplay(static_cast<int>(y), row, inRow, fraction);
    TBrowserList slot;
    int listNo = -1, node = -1;
    {
      std::lock_guard<std::mutex> g(model_);
      if (row >= 0 && row < static_cast<int>(visible_.size())) {
        const TVisibleLine& v = visible_[static_cast<size_t>(row)];
        if (v.line.type == kLineUserList && v.line.listNumber >= 0 && v.line.listNumber < kListSlots) {
          listNo = v.line.listNumber;
          slot = lists_[static_cast<size_t>(listNo)];
          node = v.nodeId;
          cursorRow_ = row;
          markDirtyLocked();
        }
      }
    }
    if (listNo >= 0) {
      SelectNode(node);
      if (startDrag(std::make_shared<ZRDragDropBrowserList>(this, slot, listNo))) return;
    }
  }
  table_->actionMove(x, y);
}

bool ZRNodeBrowser::onKey(int key, int modifiers) {
  switch (key) {
    case ZRKeyUp:
      moveCursor(-1);
      return true;
    case ZRKeyDown:
      moveCursor(1);
      return true;
    case ZRKeyPageUp:
      moveCursor(-10);
      return true;
    case ZRKeyPageDown:
      moveCursor(10);
      return true;
    case ZRKeyHome:
      moveCursor(-100);
      return true;
    case ZRKeyEnd:
      moveCursor(100);
      return true;
    case ZRKeyEnter:
    case ZRKeyBackspace:
      ExpandNode(-1);
      return true;
    default: {
      ZRKeySlotCallback fn = keySlot_.load();
      return fn != nullptr && fn(key, modifiers, this);
    }
  }
}

// ---- menus
// --------------------------------------------------------------------------------------------------

ZRMenu* ZRNodeBrowser::menuForType(int type) {
  int menu = -1;
  switch (type) {
    case kLineCollection:
    case kLineHistory:
      menu = kMenuDatabase;
      break;
    case kLineUserList:
      menu = kMenuPlaylist;
      break;
    case kLineVolume:
    case kLineFolder:
    case kLineFolderWithSubfolders:
      menu = kMenuExplorer;
      break;
    case kLineFavoriteFolder:
    case kLineFavoriteFolderWithSubfolders:
      menu = kMenuFavorite;
      break;
    case kLineRoot:
    case kLineFinder:
    case kLineFavorites:
    case kLineSpecialLists:
    case kLineUserLists:
      menu = kMenuOthers;
      break;
    default:
      menu = type >= kLineAutomix && type <= kLineKaraokeRotation ? kMenuOthers : -1;
      break;
  }
  if (menu < 0) return nullptr;
  std::unique_ptr<ZRMenu>& m = menus_[menu];
  if (!m) {
    m = std::make_unique<ZRMenu>(manager, this, scale, id, deck, actionCode);
    m->setCallback(&ZRNodeBrowser::menuCallbackFunctionForBrowser, this);
    for (const Item& item : itemsOf(menu)) {
      if (item.command < 0) {
        m->addItem(ZRString(), nullptr, false);
      } else {
        m->addItem(getTextName(item.text), param(item.command), false);
      }
    }
  }
  return m.get();
}

void ZRNodeBrowser::popupMenuDependingOnElement(float x, float y) {
  int type = kLinePlugin;
  {
    std::lock_guard<std::mutex> g(model_);
    if (cursorRow_ < 0 || cursorRow_ >= static_cast<int>(visible_.size())) return;
    type = visible_[static_cast<size_t>(cursorRow_)].line.type;
  }
  ZRMenu* menu = menuForType(type);
  lastMenu_ = menu;
  if (menu != nullptr) menu->showMenu(x, y);
}

void ZRNodeBrowser::menuCallbackFunctionForBrowser(void* userData, int index, void* p) {
  static_cast<ZRNodeBrowser*>(userData)->menuItemCallback(index, p);
}

void ZRNodeBrowser::menuItemCallback(int index, void* p) {
  const int command = static_cast<int>(reinterpret_cast<intptr_t>(p));
  TVisibleLine line;
  {
    std::lock_guard<std::mutex> g(model_);
    if (cursorRow_ >= 0 && cursorRow_ < static_cast<int>(visible_.size())) {
      line = visible_[static_cast<size_t>(cursorRow_)];
    }
  }
  const bool userList = line.line.type == kLineUserList;
  switch (command) {
    case kCmdNewList:
      addList(ZRString(), nullptr);
      break;
    case kCmdSortLists:
      ZRList::sortListsByName();
      rescanUserLists(-1);
      break;
    case kCmdDeleteList:
      if (userList) deleteList(line.nodeId, true);
      break;
    case kCmdRenameList:
      if (userList) renameList(line.nodeId, ZRString());
      break;
    case kCmdAddFavorite:
      addFavorite(line.line.name, line.line.path,
                  line.line.type == kLineFolder ? kLineFavoriteFolder : kLineFavoriteFolderWithSubfolders, 0,
                  false);
      break;
    case kCmdRemoveFavorite:
      removeFavorite(line.line.path, line.nodeId);
      break;
    case kCmdAddToCollection:
      if (ZRList* collection = getSpecialList(kSpecialCollection)) {
        collection->addFolder(line.line.path, true);
        showMessageDialog(getTextName(txt_folderaddtodb), ZRString(), nullptr);
      }
      break;
    case kCmdListFromFolder: {
      const int slot = addList(line.line.name, nullptr);
      if (ZRList* list = slot >= 0 ? getListOfSlot(slot, nullptr) : nullptr) {
        list->addFolder(line.line.path, true);
        showMessageDialog(getTextName(txt_anewplaylistwascreatedfromfolder), ZRString(), nullptr);
      }
      break;
    }
    default:
      if (ZRMenuSlotCallback fn = menuSlot_.load()) fn(this, index, p);
      break;
  }
}

// ---- drop (main thread)
// -------------------------------------------------------------------------------------

bool ZRNodeBrowser::dropCallback(ZRDragDropPayload payload, float, float y, bool testOnly) {
  if (!table_ || !payload) return false;
  int row = -1, inRow = 0;
  float fraction = 0;
  table_->getRowAtPixelFromDisplay(static_cast<int>(y), row, inRow, fraction);
  if (row < 0) return false;
  TBrowserLine line;
  ZRList* target = nullptr;
  {
    std::lock_guard<std::mutex> g(model_);
    if (row >= static_cast<int>(visible_.size())) return false;
    line = visible_[static_cast<size_t>(row)].line;
    if (line.listNumber >= 0 && line.listNumber < kListSlots)
      target = lists_[static_cast<size_t>(line.listNumber)].list;
  }
  ZRDrawNode* source = payload->getSource();
  if (dynamic_cast<ZRNodeBrowser*>(source) != nullptr) {
    const ZRDragDropBrowserList* dragged = ZRDragDropBrowserList::from(payload);
    if (dragged == nullptr || line.type != kLineUserList) return false;
    if (testOnly) return true;
    if (source == this) return moveListNoBeforeListNo(dragged->getListNo(), line.listNumber, fraction > 0.5f);
    ZRLOG("ZRNodeBrowser::dropCallback -- list drop (from a different browser - copy)");
    ZRLOG("TODO: IMPLEMENT ME");
    return false;
  }
  auto* table = dynamic_cast<ZRNodePlaylist*>(source);
  if (table == nullptr) return false;
  const bool accepting = line.type == kLineCollection || line.type == kLineUserList ||
                         line.type == kLineAutomix || line.type == kLineKaraokeRotation;
  ZRList* sourceList = table->getList();
  if (!accepting || target == nullptr || target == sourceList) return false;
  const ZRDragDropTrack* track = ZRDragDropTrack::from(payload);
  if (track == nullptr) return false;
  if (testOnly) return true;
  if (sourceList != nullptr && sourceList->getTotalInserted() > 0) {
    sourceList->addAllLinesToList(target, true);
  } else {
    TZRListTrack added;
    added.trackId = track->getTrackRef()->trackId;
    target->addLine(added, -1, true);
  }
  return true;
}
