#include "gui_nodes/zr_node_drop_down.h"

#include <algorithm>
#include <cmath>

#include "common/zr_logging.h"
#include "common/zr_parameter_list.h"
#include "gui/zr_draw_context.h"
#include "gui/zr_menu.h"

namespace {

bool isRightAligned(textAlign a) {
  return a == textAlignTopRight || a == textAlignRight || a == textAlignBottomRight;
}

bool isLeftAligned(textAlign a) {
  return a == textAlignBottomLeft || a == textAlignLeft || a == textAlignTopLeft;
}

}  // namespace

ZRNodeDropDown::ZRNodeDropDown(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
  setActionSlotCount(SlotCount);
}

ZRNodeDropDown::~ZRNodeDropDown() {
  // The toolkit menu goes on the main thread (a skin load from the GUI tick deletes script nodes on the
  // render thread).
  if (menu_ && !isOnMainThread()) {
    std::shared_ptr<ZRMenu> menu(menu_.release());
    runOnMainThread(menu, [menu] {});
  }
}

void ZRNodeDropDown::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  ZRDrawNode::refreshCoordinates(a);
  style_.read(*a, textAlignInvalid);
  dontShowCaption_ = a->getBool("dontshowcaption", false);
  showDownArrow_ = a->getBool("showdownarrow", false);
  showAllOptions_ = a->getBool("showalloptions", false);
  if (showAllOptions_) showDownArrow_ = false;
  divisions_ = a->getInt("divisions", -1);
  fontColorInactive_ = a->getColorFloat("fontcolorinactive", &style_.fontColor);
  fontOffsetX_ = std::max(0, a->getInt("fontoffsetx", -1));
  fontOffsetY_ = std::max(0, a->getInt("fontoffsety", -1));
  const ZRString caption = a->getStr("caption", ZRString());
  if (!caption.empty()) setCaption(caption);
  caption_.markDirty();
}

// ---- items and selection ----------------------------------------------------------------------------------

void ZRNodeDropDown::addItem(const ZRString& text, void* param) {
  std::lock_guard guard(lock_);
  items_.push_back({text, param});
  ++itemsVersion_;
  caption_.markDirty();
}

void ZRNodeDropDown::clearItems() {
  std::lock_guard guard(lock_);
  items_.clear();
  ++itemsVersion_;
}

void ZRNodeDropDown::setSelected(int index, bool notify) {
  int old;
  {
    std::lock_guard guard(lock_);
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    old = selected_;
  }
  if (notify) callActionSlot(SlotBeforeChange, old);
  ZRString text;
  {
    std::lock_guard guard(lock_);
    selected_ = index;
    if (index < static_cast<int>(items_.size())) text = items_[index].text;
  }
  setCaption(text);
  if (notify) callActionSlot(SlotAfterChange, index);
}

void ZRNodeDropDown::setSelected(const ZRString& text, bool notify) {
  int index = -1;
  {
    std::lock_guard guard(lock_);
    for (size_t i = 0; i < items_.size(); ++i) {
      if (items_[i].text == text) {
        index = static_cast<int>(i);
        break;
      }
    }
  }
  if (index >= 0) setSelected(index, notify);
}

void ZRNodeDropDown::setSelectedByParam(void* param, bool notify) {
  int old;
  {
    std::lock_guard guard(lock_);
    old = selected_;
  }
  if (notify) callActionSlot(SlotBeforeChange, old);
  int index = -1;
  ZRString text;
  {
    std::lock_guard guard(lock_);
    for (size_t i = 0; i < items_.size(); ++i) {
      if (items_[i].param == param) {
        index = static_cast<int>(i);
        text = items_[i].text;
        break;
      }
    }
    selected_ = index;
  }
  setCaption(text);
  if (notify) callActionSlot(SlotAfterChange, index);
}

int ZRNodeDropDown::getSelected() const {
  std::lock_guard guard(lock_);
  return selected_;
}

void* ZRNodeDropDown::getSelectedParam() const {
  std::lock_guard guard(lock_);
  return selected_ >= 0 && selected_ < static_cast<int>(items_.size()) ? items_[selected_].param : nullptr;
}

int ZRNodeDropDown::getTotalItems() const {
  std::lock_guard guard(lock_);
  return static_cast<int>(items_.size());
}

void ZRNodeDropDown::setCaption(const ZRString& text) {
  caption_.set(text);
}

// ---- input ------------------------------------------------------------------------------------------------

bool ZRNodeDropDown::executeAction(int code, int, float x, float, int button, int, int, int, int, int,
                                   wchar_t, int) {
  if (code == ZRNodeEventRelease && button == ZRButtonLeft) triggerSelection(x);
  return code >= ZRNodeEventPress && code <= ZRNodeEventMove;
}

int ZRNodeDropDown::divisionsFor(int count) {
  divisions_ = std::max(1, std::max(divisions_, count));
  return divisions_;
}

void ZRNodeDropDown::triggerSelection(float x) {
  if (showAllOptions_ && x > -1) {
    int count, divisions;
    {
      std::lock_guard guard(lock_);
      count = static_cast<int>(items_.size());
      divisions = divisionsFor(count);
    }
    const float bias = isLeftAligned(style_.fontAlign)    ? 0.15f
                       : isRightAligned(style_.fontAlign) ? -0.15f
                                                          : 0.0f;
    int index = static_cast<int>(std::floor(x / (width / static_cast<float>(divisions)) + bias));
    if (isRightAligned(style_.fontAlign) && count < divisions) index -= divisions - count;
    setSelected(index, true);
    return;
  }
  runOnMainThread(life_.watch(), [this] { openMenu(); });
}

void ZRNodeDropDown::menuChosen(void* self, int index, void*) {
  static_cast<ZRNodeDropDown*>(self)->setSelected(index, true);
}

void ZRNodeDropDown::openMenu() {
  // Without a window to show it on (no menu host) no toolkit menu is made at all.
  if (getMenuHost() == nullptr) {
    ZRLOG("error: no window to show the menu of '%s' on", name.c_str());
    return;
  }
  if (!menu_) {
    menu_ = std::make_unique<ZRMenu>(manager, this, scale, id, deck, actionCode);
    menu_->setCallback(&ZRNodeDropDown::menuChosen, this);
  }
  std::vector<Item> items;
  int version;
  {
    std::lock_guard guard(lock_);
    items = items_;
    version = itemsVersion_;
  }
  if (version != menuVersion_) {
    menu_->clearItems();
    for (const Item& item : items) menu_->addItem(item.text, item.param, false);
    menuVersion_ = version;
  }
  float ax = 0, ay = 0;
  getAbsolutePosition(ax, ay);
  menu_->showMenu(ax, ay);
}

// ---- drawing ----------------------------------------------------------------------------------------------

void ZRNodeDropDown::render(double dt, float x, float y) {
  if (shown && !dontShowCaption_) {
    createDrawContext(-1, -1);
    bool dirty = false;
    const ZRString caption = caption_.take(dirty);
    std::vector<Item> items;
    int selected, divisions = 1;
    {
      std::lock_guard guard(lock_);
      if (showAllOptions_) {
        items = items_;
        divisions = divisionsFor(static_cast<int>(items_.size()));
      }
      selected = selected_;
    }
    if (dirty || contentInvalid || !texture || (showAllOptions_ && selected != drawnSelected_)) {
      drawnSelected_ = selected;
      ZRDrawContext& dc = *drawContext;
      style_.clearBackground(dc, width, height);
      const float ox = static_cast<float>(fontOffsetX_), oy = static_cast<float>(fontOffsetY_);
      if (showAllOptions_) {
        const int count = static_cast<int>(items.size());
        const float segment = width / static_cast<float>(divisions);
        const int first = isRightAligned(style_.fontAlign) && count < divisions ? divisions - count : 0;
        for (int i = 0; i < count; ++i) {
          const ZRColorFloat& c = i == selected ? style_.fontColor : fontColorInactive_;
          dc.setFontColor(c.r, c.g, c.b, c.a);
          dc.drawText(static_cast<float>(first + i) * segment + ox, oy, items[i].text, style_.fontName,
                      style_.fontSize, style_.fontStyle, style_.fontAlign, static_cast<int>(segment - ox),
                      static_cast<int>(height - oy));
        }
      } else {
        dc.setFontColor(style_.fontColor.r, style_.fontColor.g, style_.fontColor.b, style_.fontColor.a);
        dc.drawText(ox, oy, caption, style_.fontName, style_.fontSize, style_.fontStyle, style_.fontAlign,
                    static_cast<int>(width - ox), static_cast<int>(height - oy));
      }
      if (showDownArrow_) {
        dc.setFontColor(fontColorInactive_.r, fontColorInactive_.g, fontColorInactive_.b,
                        fontColorInactive_.a);
        dc.drawText(ox, oy, ZRString("\xE2\x96\xBE"), style_.fontName, style_.fontSize, style_.fontStyle,
                    textAlignRight, static_cast<int>(width - ox), static_cast<int>(height - oy));
      }
      updateTextureFromDrawContext();
    }
    drawNodeTexture(*this, x, y);
  }
  ZRDrawNode::render(dt, x, y);
}
