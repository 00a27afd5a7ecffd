// Drop-downs: selection rules and their slots, segments of "showalloptions", the popup menu opened on the
// main thread (also when a script clicks from another thread) and its choice, and the caption drawn.

#include "gui_nodes/zr_node_drop_down.h"

#include <wx/app.h>
#include <wx/menu.h>
#include <wx/thread.h>

#include <map>
#include <thread>

#include "control_test_support.h"
#include "gui/zr_menu.h"
#include "support/display_required.h"
#include "wx_test_app.h"

namespace orvel_test {
namespace {

// The main window's part of the menus: ids handed out, popups recorded (with the thread they ran on).
class RecordingMenuHost : public ZRMenuHost {
 public:
  int allocateMenuItem(ZRMenu* menu, int index) override {
    owners[next] = {menu, index};
    return next++;
  }
  void releaseMenuItem(int id) override { owners.erase(id); }
  void popupMenu(wxMenu* menu, float x, float y) override {
    popups.push_back({x, y, static_cast<int>(menu->GetMenuItemCount()), wxIsMainThread()});
  }
  struct Popup {
    float x, y;
    int items;
    bool onMainThread;
  };
  int next = 7000;
  std::map<int, std::pair<ZRMenu*, int>> owners;
  std::vector<Popup> popups;
};

int params[4] = {10, 11, 12, 13};

class DropDowns : public ControlTest {
 public:
  void SetUp() override {
    ControlTest::SetUp();
    setMenuHost(&host);
  }
  void TearDown() override {
    ControlTest::TearDown();
    setMenuHost(nullptr);
  }
  void loadDropDown(const std::string& attributes) {
    loadSkin("<dropdownlist action=\"dropdown_time\" posx=\"20\" posy=\"10\" width=\"100\" height=\"20\" " +
                 attributes + "/>",
             SkinPicture(128, 64), 128, 64);
    dropDown = control<ZRNodeDropDown>("dropdown_time");
    bindRecorders(dropDown);
  }
  void addItems(int count) {
    const char* const names[] = {"Off", "One", "Two", "Three"};
    for (int i = 0; i < count; ++i) dropDown->addItem(ZRString(names[i]), &params[i]);
  }
  RecordingMenuHost host;
  ZRNodeDropDown* dropDown = nullptr;
};

using Calls = std::vector<std::pair<int, int>>;

TEST_F(DropDowns, SelectionsCallBeforeAndAfterChange) {
  loadDropDown("");
  addItems(3);
  dropDown->setSelected(-1, true);
  dropDown->setSelected(3, true);
  EXPECT_TRUE(SlotLog::get().calls().empty());
  EXPECT_EQ(dropDown->getSelected(), -1);

  dropDown->setSelected(1, true);
  EXPECT_EQ(SlotLog::get().slotsAndValues(), (Calls{{0, -1}, {1, 1}}));
  EXPECT_EQ(dropDown->getCaption().utf8(), "One");
  EXPECT_EQ(dropDown->getSelectedParam(), &params[1]);

  SlotLog::get().clear();
  dropDown->setSelected(ZRString("Two"), false);
  EXPECT_TRUE(SlotLog::get().calls().empty());
  EXPECT_EQ(dropDown->getSelected(), 2);
  dropDown->setSelected(ZRString("Nine"), true);
  EXPECT_EQ(dropDown->getSelected(), 2);

  dropDown->setSelectedByParam(&params[3], true);  // no item carries it
  EXPECT_EQ(SlotLog::get().slotsAndValues(), (Calls{{0, 2}, {1, -1}}));
  EXPECT_EQ(dropDown->getSelected(), -1);
  EXPECT_TRUE(dropDown->getCaption().empty());
  EXPECT_EQ(dropDown->getSelectedParam(), nullptr);
  dropDown->setSelectedByParam(&params[0], false);
  EXPECT_EQ(dropDown->getCaption().utf8(), "Off");

  // Clearing keeps the caption until the next selection.
  dropDown->clearItems();
  EXPECT_EQ(dropDown->getTotalItems(), 0);
  EXPECT_EQ(dropDown->getCaption().utf8(), "Off");
  EXPECT_FALSE(ControlTest::midi(dropDown, 176, 1, 1));
}

TEST_F(DropDowns, SegmentsOfAllOptions) {
  struct Case {
    const char* name;
    const char* attributes;
    int items;
    float x;  // node points; segments are 100 / divisions wide
    int selected;
  };
  const Case cases[] = {
      {"right aligned, fifth of five segments holds the third item", "fontalign=\"right\" divisions=\"5\"", 3,
       90, 2},
      {"right aligned, the first segment is empty", "fontalign=\"right\" divisions=\"5\"", 3, 10, -1},
      {"left aligned, 0.9 of a segment reaches the second", "fontalign=\"left\" divisions=\"5\"", 3, 18, 1},
      {"centred, 0.9 of a segment stays in the first", "fontalign=\"center\" divisions=\"5\"", 3, 18, 0},
      {"divisions follow the item count", "divisions=\"2\"", 4, 80, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    loadDropDown(std::string("showalloptions=\"yes\" ") + c.attributes);
    dropDown->clearItems();
    addItems(c.items);
    dropDown->setSelectedByParam(nullptr, false);
    SlotLog::get().clear();
    click(20 + c.x, 20);
    EXPECT_EQ(dropDown->getSelected(), c.selected);
    EXPECT_EQ(SlotLog::get().calls().size(), c.selected >= 0 ? 2u : 0u);
    EXPECT_TRUE(host.popups.empty());
  }
}

TEST_F(DropDowns, TheMenuOpensAtTheNodeOnTheMainThreadAndReportsTheChoice) {
  if (!ensureWxApp()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
  loadDropDown("dontshowcaption=\"yes\"");
  addItems(3);
  click(40, 20);
  ASSERT_EQ(host.popups.size(), 1u);
  EXPECT_FLOAT_EQ(host.popups[0].x, 20);
  EXPECT_FLOAT_EQ(host.popups[0].y, 10);
  EXPECT_EQ(host.popups[0].items, 3);
  ASSERT_NE(dropDown->getMenu(), nullptr);

  // The toolkit's command for the second item.
  const int id = dropDown->getMenu()->getItemId(1);
  ASSERT_EQ(host.owners.count(id), 1u);
  host.owners[id].first->internalCallback(host.owners[id].second);
  EXPECT_EQ(SlotLog::get().slotsAndValues(), (Calls{{0, -1}, {1, 1}}));
  EXPECT_EQ(dropDown->getCaption().utf8(), "One");

  // Items added later (by the GUI tick) are in the menu the next time it opens.
  dropDown->addItem(ZRString("Three"), &params[3]);
  // A script's click arrives on another thread: the menu still opens on the main thread.
  std::thread script([&] { dropDown->triggerSelection(5); });
  script.join();
  EXPECT_EQ(host.popups.size(), 1u);
  wxTheApp->ProcessPendingEvents();
  ASSERT_EQ(host.popups.size(), 2u);
  EXPECT_TRUE(host.popups[1].onMainThread);
  EXPECT_EQ(host.popups[1].items, 4);
}

TEST_F(DropDowns, CaptionBackgroundAndHiddenCaption) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  loadDropDown("backcolor=\"#0000FF\" fontcolor=\"#FFFFFF\"");
  addItems(2);
  dropDown->setSelected(1, false);
  frame();
  EXPECT_EQ(at(117, 27), kBlue);
  EXPECT_EQ(at(121, 27), kBlack);
  loadDropDown("backcolor=\"#0000FF\" dontshowcaption=\"yes\"");
  frame();
  EXPECT_EQ(at(117, 27), kBlack);
}

}  // namespace
}  // namespace orvel_test
