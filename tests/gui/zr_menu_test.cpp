// Popup menus: items with parameters, separators that take an index, choices reported through the
// callback, ids handed back when a menu is refilled, and a host that has no ids left.

#include "gui/zr_menu.h"

#include <gtest/gtest.h>
#include <wx/menu.h>

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "support/display_required.h"
#include "support/log_capture.h"
#include "wx_test_app.h"

namespace {

// A main window's part of the menus: ids from a pool, every allocation and popup recorded.
class FakeHost : public ZRMenuHost {
 public:
  int allocateMenuItem(ZRMenu* menu, int index) override {
    if (inUse.size() >= static_cast<size_t>(limit)) return -1;
    int id = 6000;
    while (inUse.count(id) != 0) ++id;
    inUse.insert(id);
    owners[id] = {menu, index};
    ++allocations;
    return id;
  }
  void releaseMenuItem(int id) override {
    inUse.erase(id);
    owners.erase(id);
  }
  void popupMenu(wxMenu*, float x, float y) override { popups.emplace_back(x, y); }

  int limit = 4096;
  int allocations = 0;
  std::set<int> inUse;
  std::map<int, std::pair<ZRMenu*, int>> owners;
  std::vector<std::pair<float, float>> popups;
};

struct Chosen {
  int index = -2;
  void* param = nullptr;
  int calls = 0;
};

void remember(void* userData, int index, void* param) {
  auto* chosen = static_cast<Chosen*>(userData);
  chosen->index = index;
  chosen->param = param;
  ++chosen->calls;
}

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureWxApp()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    setMenuHost(&host);
  }
  void TearDown() override { setMenuHost(nullptr); }
  FakeHost host;
};

TEST_F(MenuTest, SeparatorsTakeAnIndexAndChoicesReportTheirParam) {
  int a = 1, b = 2;
  ZRMenu menu(nullptr, nullptr, 1.0f, 0, -1, 0);
  Chosen chosen;
  menu.setCallback(&remember, &chosen);
  menu.addItem(ZRString("First"), &a, false);
  menu.addItem(ZRString(""), nullptr, false);
  menu.addItem(ZRString("Second"), &b, true);
  ASSERT_EQ(menu.getCount(), 3);
  EXPECT_EQ(menu.getItemId(1), -1);
  EXPECT_EQ(menu.toolkitMenu()->GetMenuItemCount(), 3u);
  EXPECT_EQ(menu.getItemIndex(ZRString("Second")), 2);
  EXPECT_EQ(menu.getItemIndex(ZRString("Third")), -1);
  EXPECT_EQ(menu.getItemIndexFromParam(nullptr), 1);
  EXPECT_EQ(menu.getItemParam(2), &b);
  EXPECT_TRUE(menu.getItem(3).empty());

  // The host routes the toolkit's command for an id to the menu that owns it.
  const auto owner = host.owners.at(menu.getItemId(2));
  ASSERT_EQ(owner.first, &menu);
  owner.first->internalCallback(owner.second);
  EXPECT_EQ(chosen.index, 2);
  EXPECT_EQ(chosen.param, &b);
  menu.internalCallback(7);
  EXPECT_EQ(chosen.index, 7);
  EXPECT_EQ(chosen.param, nullptr);
}

TEST_F(MenuTest, CheckMarksAndEnabledFlags) {
  ZRMenu menu(nullptr, nullptr, 1.0f, 0, -1, 0);
  menu.addItem(ZRString("Loop"), nullptr, true);
  EXPECT_FALSE(menu.getItemChecked(0));
  menu.setItemChecked(0, true);
  EXPECT_TRUE(menu.toolkitMenu()->IsChecked(menu.getItemId(0)));
  EXPECT_TRUE(menu.getItemChecked(0));
  menu.setItemEnabled(0, false);
  EXPECT_FALSE(menu.toolkitMenu()->IsEnabled(menu.getItemId(0)));
  EXPECT_FALSE(menu.getItemChecked(5));
}

TEST_F(MenuTest, RefillingGivesIdsBackSoMenusKeepWorking) {
  ZRMenu menu(nullptr, nullptr, 1.0f, 0, -1, 0);
  host.limit = 10;
  // Far more items over time than the host has ids: each refill hands the previous ids back.
  for (int round = 0; round < 1000; ++round) {
    menu.clearItems();
    for (int i = 0; i < 8; ++i) menu.addItem(ZRString("item"), nullptr, false);
    ASSERT_EQ(menu.getCount(), 8);
  }
  EXPECT_EQ(host.allocations, 8000);
  EXPECT_EQ(host.inUse.size(), 8u);
  EXPECT_EQ(menu.toolkitMenu()->GetMenuItemCount(), 8u);
  menu.clearItems();
  EXPECT_TRUE(host.inUse.empty());
}

TEST_F(MenuTest, NoIdLeftAddsNothingAndSaysSo) {
  ZRMenu menu(nullptr, nullptr, 1.0f, 0, -1, 0);
  host.limit = 2;
  orvel_test::LogCapture log;
  for (int i = 0; i < 3; ++i) menu.addItem(ZRString("item"), nullptr, false);
  EXPECT_EQ(menu.getCount(), 2);
  EXPECT_EQ(menu.toolkitMenu()->GetMenuItemCount(), 2u);
  EXPECT_EQ(log.count("error: cannot allocate menu item"), 1);
  // More than 256 items on one menu are kept (no silent cap).
  host.limit = 4096;
  for (int i = 0; i < 300; ++i) menu.addItem(ZRString("more"), nullptr, false);
  EXPECT_EQ(menu.getCount(), 302);
}

TEST_F(MenuTest, ShowingAnEmptyMenuShowsNothingAndAPointIsUnscaledWithoutAManager) {
  ZRMenu menu(nullptr, nullptr, 1.0f, 0, -1, 0);
  menu.showMenu(10, 20);
  EXPECT_TRUE(host.popups.empty());
  menu.addItem(ZRString("item"), nullptr, false);
  orvel_test::LogCapture log;
  menu.showMenu(10, 20);
  ASSERT_EQ(host.popups.size(), 1u);
  EXPECT_FLOAT_EQ(host.popups[0].first, 10.0f);
  EXPECT_FLOAT_EQ(host.popups[0].second, 20.0f);
  EXPECT_EQ(log.count("ERROR: can not get manager for ZRMenu"), 1);
}

}  // namespace
