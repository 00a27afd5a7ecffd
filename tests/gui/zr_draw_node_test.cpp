// The skin node base: names, the common skin attributes, the tree, the event entry (learn mode, double
// clicks, press points), drag start, shortcuts and key names.

#include "gui/zr_draw_node.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/zr_parameter_list.h"
#include "common/zr_time_counter.h"
#include "gui/zr_key_names.h"
#include "skin_test_support.h"

using orvel_test::RecordingClasses;
using orvel_test::RecordingNode;

namespace {

ZRParameterList attributes(std::initializer_list<std::pair<const char*, const char*>> values) {
  ZRParameterList list;
  for (const auto& [name, value] : values) list.setStr(name, value);
  return list;
}

TEST(DrawNode, NamesFollowDeckAndId) {
  ZRDrawNode table(nullptr, nullptr, 1, 5, -1, -1);
  EXPECT_EQ(table.name, "d-1__5");
  ZRDrawNode script(nullptr, nullptr, 1, 0, -2, -1);
  script.setExtraName(ZRString("_play"));
  EXPECT_EQ(script.name, "d-2__0");
  EXPECT_EQ(script.extraName, ZRString("_play"));
}

TEST(DrawNode, NewNodeIsHiddenEnabledAndDefaultSized) {
  ZRDrawNode node(nullptr, nullptr, 1, 1, -1, -1);
  EXPECT_EQ(node.shown, 0);
  EXPECT_EQ(node.enabled, 1);
  EXPECT_EQ(node.width, 128);
  EXPECT_EQ(node.height, 128);
  EXPECT_EQ(node.intrinsicWidth, 128);
  EXPECT_EQ(node.maskx, -1);
}

TEST(DrawNode, CommonAttributesSizePositionAndVisibility) {
  struct Row {
    const char* what;
    ZRParameterList list;
    float x, y, w, h;
    int shown, enabled;
  };
  std::vector<Row> rows;
  rows.push_back({"size wins over width",
                  attributes({{"size", "40"}, {"width", "10"}, {"posx", "3"}, {"posy", "4"}}), 3, 4, 40, 40,
                  1, 1});
  rows.push_back({"size 0 keeps width and height",
                  attributes({{"size", "0"}, {"width", "10"}, {"height", "20"}}), -1, -1, 10, 20, 1, 1});
  rows.push_back({"no position is -1", attributes({{"width", "7.6"}}), -1, -1, 8, -1, 1, 1});
  rows.push_back({"hidden yes", attributes({{"hidden", "yes"}}), -1, -1, -1, -1, 0, 1});
  rows.push_back({"hidden 1 is false for elements", attributes({{"hidden", "1"}}), -1, -1, -1, -1, 1, 1});
  rows.push_back({"empty disabled is true", attributes({{"disabled", ""}}), -1, -1, -1, -1, 1, 0});
  for (Row& row : rows) {
    SCOPED_TRACE(row.what);
    ZRDrawNode node(nullptr, nullptr, 1, 1, -1, -1);
    node.refreshCoordinates(&row.list);
    EXPECT_EQ(node.x, row.x);
    EXPECT_EQ(node.y, row.y);
    EXPECT_EQ(node.width, row.w);
    EXPECT_EQ(node.height, row.h);
    EXPECT_EQ(node.intrinsicWidth, row.w);
    EXPECT_EQ(node.shown, row.shown);
    EXPECT_EQ(node.enabled, row.enabled);
  }
}

TEST(DrawNode, StatePicturesFallBackToUpAndSelected) {
  ZRDrawNode node(nullptr, nullptr, 1, 1, -1, -1);
  ZRParameterList up = attributes({{"upx", "10"}, {"upy", "20"}});
  node.refreshCoordinates(&up);
  for (float v : {node.overx, node.downx, node.selx, node.overselx, node.downselx}) EXPECT_EQ(v, 10);
  for (float v : {node.overy, node.downy, node.sely, node.oversely, node.downsely}) EXPECT_EQ(v, 20);

  ZRParameterList sel = attributes({{"upx", "10"}, {"upy", "20"}, {"selx", "30"}, {"sely", "40"}});
  node.refreshCoordinates(&sel);
  EXPECT_EQ(node.downx, 10);
  for (float v : {node.selx, node.overselx, node.downselx}) EXPECT_EQ(v, 30);
  for (float v : {node.sely, node.oversely, node.downsely}) EXPECT_EQ(v, 40);

  // Without up coordinates the position is the up picture.
  ZRParameterList bare = attributes({{"posx", "5"}, {"posy", "6"}});
  node.refreshCoordinates(&bare);
  EXPECT_EQ(node.upx, 5);
  EXPECT_EQ(node.downsely, 6);
}

TEST(DrawNode, HintKeptWhenTheSkinHasNone) {
  ZRDrawNode node(nullptr, nullptr, 1, 1, -1, -1);
  node.setHintText(ZRString("from the bindings"));
  ZRParameterList none = attributes({{"posx", "1"}});
  node.refreshCoordinates(&none);
  EXPECT_EQ(node.getHintText(), ZRString("from the bindings"));
  ZRParameterList empty = attributes({{"hint", ""}});
  node.refreshCoordinates(&empty);
  EXPECT_EQ(node.getHintText(), ZRString("from the bindings"));
  ZRParameterList own = attributes({{"hint", "from the skin"}});
  node.refreshCoordinates(&own);
  EXPECT_EQ(node.getHintText(), ZRString("from the skin"));
}

TEST(DrawNode, RefreshResetsPointerState) {
  ZRDrawNode node(nullptr, nullptr, 1, 1, -1, -1);
  node.buttonDown[0] = node.buttonDown[1] = 1;
  node.pressX[0] = 5;
  node.dragStarted = true;
  node.mouseInside = 1;
  ZRParameterList list = attributes({});
  node.refreshCoordinates(&list);
  EXPECT_EQ(node.buttonDown[0] + node.buttonDown[1], 0);
  EXPECT_EQ(node.pressX[0], -1);
  EXPECT_FALSE(node.dragStarted);
  EXPECT_EQ(node.mouseInside, 0);
}

TEST(DrawNode, ZOrderSortIsStable) {
  ZRDrawNode parent(nullptr, nullptr, 1, 1, -1, -1);
  ZRDrawNode a(nullptr, &parent, 1, 2, -1, -1), b(nullptr, &parent, 1, 3, -1, -1),
      c(nullptr, &parent, 1, 4, -1, -1);
  a.zOrder = 5;
  b.zOrder = 0;
  c.zOrder = 0;
  parent.sortByZOrder();
  ASSERT_EQ(parent.children.size(), 3u);
  EXPECT_EQ(parent.children[0], &b);
  EXPECT_EQ(parent.children[1], &c);
  EXPECT_EQ(parent.children[2], &a);
}

TEST(DrawNode, ReparentMovesAndRefusesCycles) {
  ZRDrawNode root(nullptr, nullptr, 1, 1, -1, -1);
  ZRDrawNode group(nullptr, &root, 1, 2, -1, -1);
  ZRDrawNode leaf(nullptr, &group, 1, 3, -1, -1);
  leaf.reparent(&root);
  EXPECT_TRUE(group.children.empty());
  EXPECT_EQ(leaf.parent, &root);
  // A node cannot go inside itself or its own descendant.
  group.reparent(&group);
  EXPECT_EQ(group.parent, &root);
  leaf.reparent(&group);
  group.reparent(&leaf);
  EXPECT_EQ(group.parent, &root);
  EXPECT_EQ(leaf.parent, &group);
  root.addChild(&root);
  EXPECT_EQ(root.parent, nullptr);
  leaf.reparent(nullptr);
  EXPECT_EQ(leaf.parent, nullptr);
  EXPECT_TRUE(group.children.empty());
}

TEST(DrawNode, DeletingANodeDetachesChildrenAndLeavesItsParent) {
  ZRDrawNode root(nullptr, nullptr, 1, 1, -1, -1);
  ZRDrawNode child(nullptr, nullptr, 1, 3, -1, -1);
  {
    ZRDrawNode group(nullptr, &root, 1, 2, -1, -1);
    group.addChild(&child);
  }
  EXPECT_EQ(child.parent, nullptr);
  EXPECT_TRUE(root.children.empty());
}

TEST(DrawNode, AbsolutePositionAddsRelativeAncestors) {
  ZRDrawNode root(nullptr, nullptr, 1, 1, -1, -1);
  root.x = 100;
  root.y = 100;
  ZRDrawNode group(nullptr, &root, 1, 2, -1, -1);
  group.x = 10;
  group.y = 20;
  ZRDrawNode leaf(nullptr, &group, 1, 3, -1, -1);
  leaf.x = 1;
  leaf.y = 2;
  leaf.isRelative = true;
  float ax, ay;
  leaf.getAbsolutePosition(ax, ay);  // group is absolute: the walk stops there
  EXPECT_EQ(ax, 11);
  EXPECT_EQ(ay, 22);
  group.isRelative = true;
  leaf.getAbsolutePosition(ax, ay);
  EXPECT_EQ(ax, 111);
  EXPECT_EQ(ay, 122);
}

TEST(DrawNode, CoordinateInsideNeedsShownEnabledAndShownAncestors) {
  ZRDrawNode parent(nullptr, nullptr, 1, 1, -1, -1);
  ZRDrawNode node(nullptr, &parent, 1, 2, -1, -1);
  node.x = 10;
  node.y = 10;
  node.width = 20;
  node.height = 10;
  node.shown = 1;
  EXPECT_FALSE(node.isCoordinateInside(10, 10));  // the parent is hidden
  parent.shown = 1;
  EXPECT_TRUE(node.isCoordinateInside(10, 10));
  EXPECT_TRUE(node.isCoordinateInside(29.9f, 19.9f));
  EXPECT_FALSE(node.isCoordinateInside(30, 15));
  EXPECT_FALSE(node.isCoordinateInside(15, 20));
  node.enabled = 0;
  EXPECT_FALSE(node.isCoordinateInside(15, 15));
}

TEST(DrawNode, DoubleClickIntervals) {
  struct Row {
    long long ms;
    bool doubleClick;
  };
  for (const Row& row : {Row{0, false}, Row{100, false}, Row{101, true}, Row{300, true}, Row{500, true},
                         Row{501, false}, Row{-5, false}}) {
    EXPECT_EQ(ZRDrawNode::isDoubleClickInterval(row.ms), row.doubleClick) << row.ms << " ms";
  }
}

TEST(DrawNode, QuickSecondLeftPressIsDeliveredAsDoubleClick) {
  RecordingNode node(nullptr, 1, 1, -1);
  node.setDoubleClickAllowed(true);
  // The decision follows the measured time between presses, so the test holds on a slow machine too.
  auto press = [&] {
    node.executeActionInternal(ZRNodeEventPress, 0, 1, 1, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
    node.executeActionInternal(ZRNodeEventRelease, 0, 1, 1, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
    return node.events[node.events.size() - 2].code;
  };
  EXPECT_EQ(press(), ZRNodeEventPress);
  int doubles = 0;
  for (int i = 0; i < 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const int code = press();
    const long long gap = node.doubleClickTimer->last - node.doubleClickTimer->previous;
    EXPECT_EQ(code, ZRDrawNode::isDoubleClickInterval(gap) ? ZRNodeEventDoubleClick : ZRNodeEventPress);
    doubles += code == ZRNodeEventDoubleClick ? 1 : 0;
  }
  const int immediate = press();
  const long long gap = node.doubleClickTimer->last - node.doubleClickTimer->previous;
  EXPECT_EQ(immediate, ZRDrawNode::isDoubleClickInterval(gap) ? ZRNodeEventDoubleClick : ZRNodeEventPress);
  // Right presses are never double clicks, and without the timer nothing is.
  node.executeActionInternal(ZRNodeEventPress, 0, 1, 1, ZRButtonRight, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_EQ(node.events.back().code, ZRNodeEventPress);
  node.setDoubleClickAllowed(false);
  EXPECT_EQ(press(), ZRNodeEventPress);
}

TEST(DrawNode, PressPointsKeptUntilRelease) {
  RecordingNode node(nullptr, 1, 1, -1);
  node.executeActionInternal(ZRNodeEventPress, 0, 4, 5, ZRButtonRight, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_EQ(node.pressX[1], 4);
  EXPECT_EQ(node.pressY[1], 5);
  node.dragStarted = true;
  node.executeActionInternal(ZRNodeEventRelease, 0, 4, 5, ZRButtonRight, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_EQ(node.pressX[1], -1);
  EXPECT_TRUE(node.dragStarted);  // only the left release ends a drag start
  node.executeActionInternal(ZRNodeEventRelease, 0, 4, 5, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_FALSE(node.dragStarted);
  // Events without a mouse button touch no press point.
  node.executeActionInternal(ZRNodeEventPress, 0, 4, 5, ZRButtonNone, -1, 0, -1, -1, -1, L' ', -1);
}

TEST(DrawNode, CanStartDragBeyondTwoPoints) {
  ZRDrawNode node(nullptr, nullptr, 1, 1, -1, -1);
  node.pressX[0] = 10;
  node.pressY[0] = 10;
  EXPECT_FALSE(node.canStartDrag(20, 20));  // the button is not held
  node.buttonDown[0] = 1;
  EXPECT_FALSE(node.canStartDrag(12, 8));
  EXPECT_TRUE(node.canStartDrag(12.01f, 10));
  EXPECT_TRUE(node.canStartDrag(10, 7.9f));
  node.dragStarted = true;
  EXPECT_FALSE(node.canStartDrag(30, 30));
  EXPECT_FALSE(node.startDrag(nullptr));  // no manager
}

TEST(DrawNode, LearnModeSwallowsPointerEventsOfLearnableNodes) {
  RecordingClasses classes;
  ZRNodeManager manager(nullptr, &classes);
  RecordingNode learnable(&manager, 1, 1, -1), plain(&manager, 1, 2, -1);
  learnable.setCanUseLearn(true);
  manager.setLearnMode(true);
  EXPECT_TRUE(
      learnable.executeActionInternal(ZRNodeEventPress, 0, 1, 1, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1));
  EXPECT_TRUE(learnable.events.empty());
  EXPECT_EQ(manager.getLearnFocusedNode(), &learnable);
  for (int code = ZRNodeEventRelease; code <= ZRNodeEventWheelH; ++code) {
    learnable.executeActionInternal(code, 0, 1, 1, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
  }
  EXPECT_TRUE(learnable.events.empty());
  // Keys, MIDI and shortcuts still arrive; nodes that cannot learn work as usual.
  learnable.executeActionInternal(ZRNodeEventMidi, 144, 0, 0, 0, -1, 0, 0, 60, 127, L' ', 0);
  learnable.runKBShortcut(7);
  ASSERT_EQ(learnable.events.size(), 2u);
  EXPECT_EQ(learnable.events[1].code, ZRNodeEventShortcut);
  EXPECT_EQ(learnable.events[1].key, 7);
  plain.executeActionInternal(ZRNodeEventPress, 0, 1, 1, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_EQ(plain.codes(), std::vector<int>{ZRNodeEventPress});
  EXPECT_EQ(manager.getLearnFocusedNode(), &learnable);
  manager.setLearnMode(false);
  learnable.executeActionInternal(ZRNodeEventPress, 0, 1, 1, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_EQ(learnable.events.size(), 3u);
}

TEST(DrawNode, ActionSlotsOfTheClass) {
  RecordingNode node(nullptr, 1, 3, 0);
  node.actionCode = 42;
  static int seen[3];
  EXPECT_TRUE(node.setActionSlot(0, [](int value, int param, int deck, ZRDrawNode*) {
    seen[0] = value;
    seen[1] = param;
    seen[2] = deck;
  }));
  EXPECT_FALSE(node.setActionSlot(4, nullptr));
  EXPECT_FALSE(node.callActionSlot(1, 0));
  EXPECT_TRUE(node.callActionSlot(0, 9));
  EXPECT_EQ(seen[0], 9);
  EXPECT_EQ(seen[1], 42);
  EXPECT_EQ(seen[2], 0);
  ZRDrawNode plain(nullptr, nullptr, 1, 1, -1, -1);
  EXPECT_FALSE(plain.setActionSlot(0, nullptr));
}

TEST(DrawNode, ShortcutsText) {
  ZRDrawNode node(nullptr, nullptr, 1, 1, -1, -1);
  node.totalShortcutsKB = 1;
  node.updateShortcutsString();
  EXPECT_TRUE(node.getShortcutsText().empty());
  node.setKBShortcut(0, 112, ZRModMeta | ZRModShift);
  node.setMIDIShortcut(0, true, 60, false);
  EXPECT_EQ(node.getShortcutsText(), ZRString("Shortcuts: Cmd+Shift+p MIDI: K60"));
  node.setMIDIShortcut(1, false, 7, false);
  EXPECT_EQ(node.getShortcutsText(), ZRString("Shortcuts: Cmd+Shift+p MIDI: C7"));
  // A slot the node does not have changes nothing and reads back as 0.
  node.setKBShortcut(1, 113, 0);
  int key = -5, modifiers = -5;
  node.getKBShortcut(1, key, modifiers);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(modifiers, 0);
  node.setKBShortcut(0, -1, 0);
  node.setMIDIShortcut(0, false, -1, false);
  EXPECT_TRUE(node.getShortcutsText().empty());
}

TEST(KeyNames, SpecialKeysAndModifiers) {
  struct Row {
    int key, modifiers;
    const char* name;
  };
  for (const Row& row : {Row{ZRKeyLeft, 0, "Left"}, Row{ZRKeyEnter, 0, "Enter"}, Row{ZRKeyF1, 0, "F1"},
                         Row{ZRKeyF19, 0, "F19"}, Row{112, 12, "Cmd+Shift+p"}, Row{97, 17, "Ctrl+a"},
                         Row{65 + 256, 2, "Alt+A"}, Row{233, 0, "\xC3\xA9"},
                         Row{ZRKeyPageDown, 31, "Cmd+Ctrl+Alt+Shift+PageDown"}}) {
    EXPECT_EQ(kbGetFullName(row.key, row.modifiers), row.name) << row.key << "/" << row.modifiers;
  }
}

}  // namespace
