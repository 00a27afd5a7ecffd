#pragma once
// ZRNodeDropDown: the skin control of the element tag "dropdownlist" (element type 7): a selector over a
// list of items, each a text with an opaque parameter. It shows the selected item's text and opens a popup
// menu (ZRMenu) when clicked; with "showalloptions" it shows all items side by side and a click selects the
// item under the pointer. The shell fills the items, selects without notification to mirror settings, and
// binds the slots that run before and after a user's selection.
//
// Threads: the shell fills and selects from the main thread and from the GUI tick (render thread); the
// items, the selection and the caption sit behind the node's own lock, and the slots run outside it on the
// caller's thread. The toolkit menu is made, filled from the items and shown only on the main thread (a
// click from the render thread, a controller script's, is posted there), and the menu's choice arrives on
// the main thread.

#include <memory>
#include <mutex>
#include <vector>

#include "common/zr_value_codecs.h"
#include "gui/zr_draw_node.h"
#include "gui_nodes/zr_control_support.h"

class ZRMenu;

class ZRNodeDropDown : public ZRDrawNode {
 public:
  // Action slots, in this order: before change (old selected index), after change (new one).
  enum Slot : int { SlotBeforeChange = 0, SlotAfterChange, SlotCount };

  ZRNodeDropDown(ZRNodeManager* manager, float scale, int id, int deck);
  ~ZRNodeDropDown() override;

  // Base attributes, then transparent, dontshowcaption, showdownarrow, showalloptions (which turns the arrow
  // off), divisions, backcolor, fontcolor, fontcolorinactive, fontoffsetx/y, fontname, fontsize, fontalign,
  // fontstyle and caption; the caption is drawn again.
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  // A left release opens the menu (or picks a segment); codes 0 to 5 are handled, others are not.
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

  void addItem(const ZRString& text, void* param);
  // Empties the items; the selected index and the caption stay.
  void clearItems();
  // Ignored for an index outside the items. With notify: before change (old index), the selection and
  // caption, after change (new index).
  void setSelected(int index, bool notify);
  // The first item of exactly this text; nothing when there is none.
  void setSelected(const ZRString& text, bool notify);
  // The first item carrying param (none: index -1 and an empty caption), with the slots as setSelected.
  void setSelectedByParam(void* param, bool notify);
  int getSelected() const;
  void* getSelectedParam() const;
  int getTotalItems() const;
  void setCaption(const ZRString& text);
  ZRString getCaption() const { return caption_.get(); }
  // The click action at x (node points): a segment of all options, or the menu at the node's corner.
  void triggerSelection(float x);

  // The popup menu, made on first use (main thread); null before.
  ZRMenu* getMenu() const { return menu_.get(); }

 private:
  struct Item {
    ZRString text;
    void* param = nullptr;
  };
  static void menuChosen(void* self, int index, void* param);
  void openMenu();
  int divisionsFor(int count);

  mutable std::mutex lock_;
  std::vector<Item> items_;
  int selected_ = -1;
  int itemsVersion_ = 0;
  ZRGuardedText caption_;

  bool dontShowCaption_ = false;
  bool showDownArrow_ = false;
  bool showAllOptions_ = false;
  int divisions_ = -1;
  ZRCaptionStyle style_;
  ZRColorFloat fontColorInactive_;
  int fontOffsetX_ = 0, fontOffsetY_ = 0;
  int drawnSelected_ = -2;  // the selection the segments were drawn with

  // Main thread only.
  std::unique_ptr<ZRMenu> menu_;
  int menuVersion_ = -1;
  ZRLifeToken life_;
};
