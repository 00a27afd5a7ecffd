// Input routing: hit testing with masks, enter and leave, capture of the left press, keyboard focus, hints,
// internal drag and drop with cursor feedback, learn mode, and handlers that reload the skin.

#include <gtest/gtest.h>

#include "common/zr_texture.h"
#include "skin_test_support.h"
#include "support/log_capture.h"

using namespace orvel_test;

namespace {

// Window-level event types of actionRouteMouse.
constexpr int kPress = 0, kRelease = 1, kMove = 5, kWheel = 6;

const char* kSkin =
    "<button action=\"minimize\" posx=\"10\" posy=\"10\" width=\"50\" height=\"50\" hint=\"A\"/>\n"
    "<button action=\"maximize\" posx=\"100\" posy=\"10\" width=\"50\" height=\"50\" hint=\"B\"/>\n"
    "<group action=\"tb_config\" posx=\"200\" posy=\"10\" width=\"100\" height=\"100\">\n"
    "  <button action=\"close\" isrelative=\"yes\" posx=\"10\" posy=\"10\" width=\"20\" height=\"20\"/>\n"
    "</group>\n"
    "<button action=\"insert_all\" posx=\"10\" posy=\"100\" width=\"64\" height=\"64\" zorder=\"0\"/>\n"
    "<button action=\"insert\" posx=\"10\" posy=\"100\" width=\"64\" height=\"64\" maskx=\"0\" masky=\"0\" "
    "zorder=\"1\"/>\n"
    "<button action=\"list_new\" posx=\"360\" posy=\"280\" width=\"30\" height=\"15\" hint=\"near the "
    "corner\"/>";

class Routing : public ::testing::Test {
 protected:
  void SetUp() override {
    ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
    // The skin image is the hit mask of "insert": grey 127 in the left half, 128 in the right half.
    TestPicture mask = solidPicture(64, 64, 127, 127, 127);
    for (int y = 0; y < 64; ++y) {
      for (int x = 32; x < 64; ++x) mask.at(x, y)[0] = mask.at(x, y)[1] = mask.at(x, y)[2] = 128;
    }
    writeFile(skin.image(), encodePng(mask, false));
    skin.writeXml(skinXml("screenwidth=\"400\" screenheight=\"300\"", kSkin));
    manager = std::make_unique<ZRNodeManager>(nullptr, &classes);
    ASSERT_TRUE(manager->loadSkin(ZRString(skin.xml()), ZRString(skin.image()), 0, 0, 1));
    a = node("minimize");
    b = node("maximize");
    group = node("tb_config");
    child = node("close");
    below = node("insert_all");
    masked = node("insert");
  }
  RecordingNode* node(const char* action) { return recording(manager->getNode(action, -1)); }
  void mouse(int type, float x, float y, int button = 0, int captured = 0, float wheel = 0) {
    manager->actionRouteMouse(type, x, y, button, captured, wheel, 0);
  }
  void clearAll() {
    for (RecordingNode* n : {a, b, group, child, below, masked}) n->clear();
  }

  RecordingClasses classes;
  SkinFiles skin;
  std::unique_ptr<ZRNodeManager> manager;
  RecordingNode *a = nullptr, *b = nullptr, *group = nullptr, *child = nullptr, *below = nullptr,
                *masked = nullptr;
};

TEST_F(Routing, EnterMoveLeaveWithNodeRelativePositions) {
  mouse(kMove, 20, 25);
  EXPECT_EQ(a->codes(), (std::vector<int>{ZRNodeEventEnter, ZRNodeEventMove}));
  EXPECT_FLOAT_EQ(a->events[1].x, 10);
  EXPECT_FLOAT_EQ(a->events[1].y, 15);
  EXPECT_EQ(manager->getNodesUnderMouse(), std::vector<ZRDrawNode*>{a});
  mouse(kMove, 21, 25);
  EXPECT_EQ(a->codes().back(), ZRNodeEventMove);
  mouse(kMove, 80, 25);  // over the root only
  EXPECT_EQ(a->codes().back(), ZRNodeEventLeave);
  EXPECT_EQ(a->mouseInside, 0);
  mouse(kMove, 120, 30);
  EXPECT_EQ(b->codes(), (std::vector<int>{ZRNodeEventEnter, ZRNodeEventMove}));
}

TEST_F(Routing, MovingOntoAChildLeavesTheParentInTheSameEvent) {
  mouse(kMove, 205, 15);
  EXPECT_EQ(group->codes(), (std::vector<int>{ZRNodeEventEnter, ZRNodeEventMove}));
  group->clear();
  mouse(kMove, 215, 25);
  EXPECT_EQ(child->codes(), (std::vector<int>{ZRNodeEventEnter, ZRNodeEventMove}));
  EXPECT_FLOAT_EQ(child->events[1].x, 5);
  EXPECT_EQ(group->codes(), std::vector<int>{ZRNodeEventLeave});
}

TEST_F(Routing, LeftPressCapturesUntilRelease) {
  mouse(kMove, 20, 20);
  mouse(kPress, 20, 20, 0, 1);
  EXPECT_EQ(manager->getCapturedNode(), a);
  EXPECT_EQ(a->buttonDown[0], 1);
  clearAll();
  mouse(kMove, 120, 20, -1, 1);  // over B, still captured by A
  mouse(kWheel, 121, 20, -1, 1, 0.25f);
  EXPECT_EQ(a->codes(), (std::vector<int>{ZRNodeEventMove, ZRNodeEventWheel}));
  EXPECT_FLOAT_EQ(a->events[0].x, 110);
  EXPECT_EQ(a->events[1].value, 3);
  EXPECT_TRUE(b->events.empty());
  mouse(kRelease, 120, 20, 0, 0);
  // A gets the release wherever the pointer is, then leaves; B is entered and touched but gets no release.
  EXPECT_EQ(a->codes(),
            (std::vector<int>{ZRNodeEventMove, ZRNodeEventWheel, ZRNodeEventRelease, ZRNodeEventLeave}));
  EXPECT_FLOAT_EQ(a->events[2].x, 110);
  EXPECT_EQ(a->buttonDown[0], 0);
  EXPECT_EQ(manager->getCapturedNode(), nullptr);
  EXPECT_EQ(b->codes(), std::vector<int>{ZRNodeEventEnter});
}

TEST_F(Routing, RightClickMakesNoCapture) {
  mouse(kPress, 20, 20, 1, 0);
  mouse(kRelease, 20, 20, 1, 0);
  EXPECT_EQ(a->codes(), (std::vector<int>{ZRNodeEventEnter, ZRNodeEventPress, ZRNodeEventRelease}));
  EXPECT_EQ(a->events[1].button, 1);
  EXPECT_EQ(manager->getCapturedNode(), nullptr);
}

TEST_F(Routing, LeavingTheWindowReleasesTheRightButton) {
  mouse(kPress, 20, 20, 1, 0);
  a->clear();
  mouse(ZRNodeManager::mouseLeftWindow, 500, 20, 1);
  EXPECT_EQ(a->codes(), (std::vector<int>{ZRNodeEventRelease, ZRNodeEventLeave}));
  EXPECT_EQ(a->events[0].button, 1);
  EXPECT_EQ(a->buttonDown[1], 0);
  EXPECT_TRUE(manager->getNodesUnderMouse().empty());
  // The window's enter event does nothing.
  mouse(ZRNodeManager::mouseEnteredWindow, 20, 20);
  EXPECT_EQ(a->events.size(), 2u);
}

TEST_F(Routing, MasksPassClicksToTheSiblingBelow) {
  mouse(kPress, 10 + 31, 120, 1, 0);  // mask pixel 127
  EXPECT_TRUE(masked->events.empty());
  EXPECT_EQ(below->codes().back(), ZRNodeEventPress);
  mouse(kPress, 10 + 32, 120, 1, 0);  // mask pixel 128
  EXPECT_EQ(masked->codes().back(), ZRNodeEventPress);
  EXPECT_EQ(manager->traverseClick(manager->getRootNode(), 10 + 31.6f, 120), masked);  // rounds to 32
}

TEST_F(Routing, HiddenAndDisabledNodesAreNotHit) {
  a->enable(0, false);
  EXPECT_EQ(manager->traverseClick(manager->getRootNode(), 20, 20), manager->getRootNode());
  a->enable(1, false);
  group->show(0, false);
  EXPECT_EQ(manager->traverseClick(manager->getRootNode(), 215, 25), manager->getRootNode());
  EXPECT_EQ(manager->traverseClick(nullptr, 1, 1), nullptr);
}

TEST_F(Routing, PressMovesKeyboardFocusToFocusableNodes) {
  a->focusable = true;
  mouse(kPress, 20, 20, 0, 1);
  mouse(kRelease, 20, 20, 0, 0);
  EXPECT_EQ(manager->getKBFocusNode(), a);
  EXPECT_EQ(a->codes()[2], ZRNodeEventFocusGained);
  // A press on a node that cannot take focus leaves it where it was.
  mouse(kPress, 120, 20, 0, 1);
  mouse(kRelease, 120, 20, 0, 0);
  EXPECT_EQ(manager->getKBFocusNode(), a);
  b->focusable = true;
  a->clear();
  mouse(kPress, 120, 20, 0, 1);
  EXPECT_EQ(manager->getKBFocusNode(), b);
  EXPECT_EQ(a->codes(), std::vector<int>{ZRNodeEventFocusLost});
  manager->changeKBFocusToNode(nullptr);
  EXPECT_EQ(manager->getKBFocusNode(), nullptr);
  EXPECT_EQ(b->codes().back(), ZRNodeEventFocusLost);
}

struct KeyLog {
  static inline std::vector<int> keys;
  static void handler(int key, int modifiers, ZRDrawNode* node) {
    keys.push_back(node == nullptr ? key * 100 + modifiers : -1);
  }
};

TEST_F(Routing, KeysGoToTheFocusNodeOrTheDefaultHandler) {
  KeyLog::keys.clear();
  manager->defaultKeyHandler = KeyLog::handler;
  manager->actionRouteKeyboard(97, 4);
  EXPECT_EQ(KeyLog::keys, std::vector<int>{9704});
  a->focusable = true;
  manager->changeKBFocusToNode(a);
  manager->actionRouteKeyboard(ZRKeyEnter, 0);
  EXPECT_EQ(a->events.back().code, ZRNodeEventKey);
  EXPECT_EQ(a->events.back().key, ZRKeyEnter);
  EXPECT_EQ(KeyLog::keys.size(), 1u);
  a->handlesKeys = false;
  manager->actionRouteKeyboard(98, 0);
  EXPECT_EQ(KeyLog::keys.back(), 9800);
  manager->defaultKeyHandler = nullptr;
  manager->actionRouteKeyboard(99, 0);  // no handler: dropped
}

TEST_F(Routing, HintAtThePointerClampedInsideTheWindow) {
  mouse(kMove, 20, 20);
  ZRNodeHintBase* hint = manager->getHintNode();
  EXPECT_EQ(hint->shown, 1);
  EXPECT_EQ(hint->getHint(), ZRString("A"));
  EXPECT_FLOAT_EQ(hint->x, 20);
  EXPECT_FLOAT_EQ(hint->y, 28);
  mouse(kMove, 80, 20);
  EXPECT_EQ(hint->shown, 0);
  // Near the right and bottom edges the 100 x 20 bubble ends 4 points inside the root.
  node("list_new")->setKBShortcut(0, 1, 0);
  node("list_new")->totalShortcutsKB = 1;
  node("list_new")->setKBShortcut(0, 'k', 0);
  mouse(kMove, 380, 290);
  EXPECT_FLOAT_EQ(hint->x, 400 - 100 - 4);
  EXPECT_FLOAT_EQ(hint->y, 300 - 20 - 4);
  EXPECT_EQ(hint->getHint(), ZRString("near the corner\n\nShortcuts: k "));
  // A node without a hint hides the bubble.
  mouse(kMove, 215, 25);
  EXPECT_EQ(hint->shown, 0);
}

TEST_F(Routing, HintsOffExceptInLearnMode) {
  manager->showHints = false;
  mouse(kMove, 20, 20);
  EXPECT_EQ(manager->getHintNode()->shown, 0);
  mouse(kMove, 80, 20);
  manager->setLearnMode(true);
  mouse(kMove, 20, 20);
  EXPECT_EQ(manager->getHintNode()->shown, 1);
}

TEST_F(Routing, LearnModeSelectsInsteadOfOperating) {
  a->setCanUseLearn(true);
  manager->setLearnMode(true);
  mouse(kPress, 20, 20, 0, 1);
  mouse(kRelease, 20, 20, 0, 0);
  EXPECT_TRUE(a->events.empty());
  EXPECT_EQ(manager->getLearnFocusedNode(), a);
  mouse(kPress, 120, 20, 0, 1);
  EXPECT_EQ(b->codes().back(), ZRNodeEventPress);
  EXPECT_EQ(manager->getLearnFocusedNode(), a);
}

TEST_F(Routing, DragAndDropBetweenNodes) {
  b->acceptsDrops = true;
  a->onEvent = [this](int code) {
    if (code == ZRNodeEventMove && a->canStartDrag(a->events.back().x, a->events.back().y)) {
      a->startDrag(std::make_shared<TestPayload>(a));
    }
  };
  mouse(kPress, 20, 20, 0, 1);
  mouse(kMove, 21, 21, -1, 1);  // within 2 points: no drag yet
  EXPECT_FALSE(manager->isDragging());
  mouse(kMove, 30, 20, -1, 1);
  ASSERT_TRUE(manager->isDragging());
  EXPECT_TRUE(a->dragStarted);
  EXPECT_EQ(manager->getCursor(), ZRNodeManager::cursorNoEntry);  // A itself refuses the drop
  EXPECT_EQ(manager->getDropTargetNode(), a);
  mouse(kMove, 120, 20, -1, 1);
  EXPECT_EQ(a->codes().back(), ZRNodeEventDragLeave);
  EXPECT_EQ(b->codes(), std::vector<int>{ZRNodeEventDragEnter});
  EXPECT_EQ(manager->getCursor(), ZRNodeManager::cursorCross);
  EXPECT_FALSE(a->startDrag(std::make_shared<TestPayload>(a)));  // one drag at a time
  mouse(kRelease, 125, 30, 0, 0);
  ASSERT_EQ(b->drops.size(), 1u);
  EXPECT_EQ(b->drops[0].payload->getSource(), a);
  EXPECT_STREQ(b->drops[0].payload->getIdentifier(), "track");
  EXPECT_FLOAT_EQ(b->drops[0].x, 25);
  EXPECT_FLOAT_EQ(b->drops[0].y, 20);
  EXPECT_FALSE(manager->isDragging());
  EXPECT_EQ(manager->getCursor(), ZRNodeManager::cursorDefault);
  EXPECT_EQ(b->codes().back(), ZRNodeEventEnter);  // entered after the drop, the drag leave came first
  EXPECT_FALSE(a->dragStarted);
}

TEST_F(Routing, LosingTheCaptureEndsTheDrag) {
  b->acceptsDrops = true;
  mouse(kPress, 20, 20, 0, 1);
  ASSERT_TRUE(a->startDrag(std::make_shared<TestPayload>(a)));
  mouse(kMove, 120, 20, -1, 1);
  b->clear();
  a->clear();
  mouse(ZRNodeManager::mouseCaptureLost, 0, 0, -1);
  EXPECT_EQ(b->codes(), std::vector<int>{ZRNodeEventDragLeave});
  EXPECT_FALSE(manager->isDragging());
  EXPECT_EQ(manager->getCursor(), ZRNodeManager::cursorDefault);
  EXPECT_EQ(manager->getCapturedNode(), nullptr);
  // A (still under the mouse list) had its left button released and left.
  EXPECT_EQ(a->codes(), (std::vector<int>{ZRNodeEventRelease, ZRNodeEventLeave}));
  EXPECT_EQ(a->buttonDown[0], 0);
  EXPECT_TRUE(b->drops.empty());
}

TEST_F(Routing, ReenteringTheLeavePassIsRefused) {
  mouse(kMove, 20, 20);
  a->onEvent = [this](int code) {
    if (code == ZRNodeEventLeave)
      manager->sendMouseLeaveEventsToAllOverControls(false, false, 0, 0, 0, -1, -1, 0);
  };
  LogCapture log(true);
  mouse(kMove, 80, 20);
  EXPECT_EQ(log.count("protectReentrant is already TRUE"), 1);
  // The outer pass finished: A left, the root (under the pointer now) is the only node under it.
  EXPECT_EQ(a->mouseInside, 0);
  EXPECT_EQ(manager->getNodesUnderMouse(), std::vector<ZRDrawNode*>{manager->getRootNode()});
}

TEST_F(Routing, HandlerThatReloadsTheSkinEndsTheEvent) {
  // A skin-script button whose press loads another skin: the button is deleted by that load.
  SkinFiles other;
  writeFile(other.image(), encodePng(solidPicture(8, 8, 1, 1, 1), false));
  other.writeXml(skinXml("screenwidth=\"400\" screenheight=\"300\"",
                         "<button action=\"maximize\" posx=\"0\" posy=\"0\" width=\"400\" height=\"300\"/>"));
  skin.writeXml(skinXml("screenwidth=\"400\" screenheight=\"300\"",
                        "<button action=\"_reload\" posx=\"0\" posy=\"0\" width=\"100\" height=\"100\"/>"));
  ASSERT_TRUE(manager->loadSkin(ZRString(skin.xml()), ZRString(skin.image()), 0, 0, 1));
  RecordingNode* script = recording(manager->getNode("_reload", -2));
  ASSERT_NE(script, nullptr);
  script->onEvent = [&](int code) {
    if (code == ZRNodeEventPress) {
      ASSERT_TRUE(manager->loadSkin(ZRString(other.xml()), ZRString(other.image()), 0, 0, 1));
    }
  };
  mouse(kMove, 10, 10);
  mouse(kPress, 10, 10, 0, 1);
  EXPECT_EQ(manager->getNode("_reload", -2), nullptr);
  EXPECT_EQ(manager->getCapturedNode(), nullptr);
  EXPECT_TRUE(manager->getNodesUnderMouse().empty());
  // The next events go to the new skin.
  mouse(kRelease, 10, 10, 0, 0);
  mouse(kMove, 12, 10);
  EXPECT_EQ(b->mouseInside, 1);
}

}  // namespace
