// Dragging tracks with the mouse through the node manager: a row onto a deck display, onto the side table
// (also the karaoke rotation with its singer prompt), onto a user list of the browser, and within its own
// table to reorder it; lists dragged from the browser are refused by the tables.

#include <gtest/gtest.h>
#include <wx/window.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/skin_test_support.h"
#include "gui_nodes/zr_control_classes.h"
#include "gui_nodes/zr_drag_drop_browser_list.h"
#include "gui_nodes/zr_drag_drop_track.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_node_sound_display.h"
#include "gui_nodes/zr_singer_prompt.h"
#include "list_controls_support.h"
#include "support/display_required.h"
#include "support/recording_texture.h"

namespace {

using M = ZRNodeManager;

std::vector<int32_t> deckDrops;
bool deckLoader(ZRDrawNode*, ZRDragDropPayload payload, float, float, bool testOnly) {
  const ZRDragDropTrack* track = ZRDragDropTrack::from(payload);
  if (track == nullptr) return false;
  if (!testOnly) deckDrops.push_back(track->getTrackRef()->trackId);
  return true;
}

ZRString promptedName;
bool promptAnswer = true;
int prompts = 0;
wxWindow* captureAtPrompt = nullptr;
bool testPrompt(ZRString* name, float* keyAdjust, float keyStep) {
  ++prompts;
  captureAtPrompt = wxWindow::GetCapture();
  promptedName = *name;
  EXPECT_EQ(keyStep, 1.0f);
  if (!promptAnswer) return false;
  *name = ZRString("Zoe");
  *keyAdjust = -1.5f;
  return true;
}

class TrackDragDrop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!toolkit.start()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    orvel_test::loadEnglish();
    registerControlClasses();
    skin.writeParts(64, {64});
    skin.writeXml(orvel_test::skinXml(
        "screenwidth=\"800\" screenheight=\"700\"",
        "<list action=\"playlist\" posx=\"0\" posy=\"0\" width=\"400\" height=\"300\"/>\n"
        "<list action=\"sidelist\" posx=\"400\" posy=\"0\" width=\"300\" height=\"300\"/>\n"
        "<browser action=\"browser\" posx=\"0\" posy=\"300\" width=\"300\" height=\"400\"/>\n"
        "<sounddisplay action=\"sd_deck\" deck=\"0\" posx=\"400\" posy=\"300\" width=\"300\" "
        "height=\"80\"/>"));
    manager = std::make_unique<ZRNodeManager>(nullptr, &classes);
    ASSERT_TRUE(manager->loadSkin(ZRString(skin.xml()), ZRString(skin.image()), 0, 0, 1));
    main = dynamic_cast<ZRNodePlaylist*>(manager->getNode("playlist", -1));
    side = dynamic_cast<ZRNodePlaylist*>(manager->getNode("sidelist", -1));
    browser = dynamic_cast<ZRNodeBrowser*>(manager->getNode("browser", -1));
    deck = dynamic_cast<ZRNodeSoundDisplay*>(manager->getNode("sd_deck", 0));
    ASSERT_TRUE(main && side && browser && deck);
    deck->setDropCallbackUser(&deckLoader);
    side->setAcceptsTracksDrop(true);
    browser->setNodePlaylist(main, side);
    frame();  // the browser puts the collection into the main table and the automix list into the side one
    orvel_test::fillList(list, 8, "drag");
    main->changeList(&list);
    frame();
    deckDrops.clear();
    prompts = 0;
    promptAnswer = true;
    setSingerPrompt(&testPrompt);
  }
  void TearDown() override {
    setSingerPrompt(nullptr);
    if (manager) manager->getRootNode()->destroyAllGraphicsResources();
    manager.reset();
  }
  void frame() { manager->render(0.016); }
  // Drags from (x0, y0) to (x1, y1) with the left button, in steps, and drops there.
  void drag(float x0, float y0, float x1, float y1) {
    manager->actionRouteMouse(M::mousePress, x0, y0, ZRButtonLeft, 1, 0, 0);
    manager->actionRouteMouse(M::mouseMove, x0 + 1, y0 + 5, ZRButtonLeft, 1, 0, 0);
    for (int i = 1; i <= 4; ++i) {
      manager->actionRouteMouse(M::mouseMove, x0 + (x1 - x0) * i / 4, y0 + (y1 - y0) * i / 4, ZRButtonLeft, 1,
                                0, 0);
    }
    cursorWhileHovering = manager->getCursor();
    manager->actionRouteMouse(M::mouseRelease, x1, y1, ZRButtonLeft, 0, 0, 0);
  }
  // A point on a row of a table in rows mode (42-point rows), in the upper or lower half.
  static float rowY(int row, bool lowerHalf = false) { return row * 42.0f + (lowerHalf ? 30 : 10); }
  int32_t trackAt(ZRList* l, int row) {
    TZRListTrack r;
    return l->getRowData(row, &r) ? r.trackId : -1;
  }

  orvel_test::ToolkitForLists toolkit;
  orvel_test::RecordingTextures textures;
  orvel_test::SkinFiles skin;
  ZRControlClassFactory classes;
  std::unique_ptr<ZRNodeManager> manager;
  ZRList list{ZRString("dragged from"), false, ZRList::kTypeUserList, -1};
  ZRNodePlaylist* main = nullptr;
  ZRNodePlaylist* side = nullptr;
  ZRNodeBrowser* browser = nullptr;
  ZRNodeSoundDisplay* deck = nullptr;
  int cursorWhileHovering = -1;
};

TEST_F(TrackDragDrop, ARowDroppedOnADeckDisplayLoadsIt) {
  drag(100, rowY(2), 500, 340);
  EXPECT_EQ(cursorWhileHovering, M::cursorCross);
  ASSERT_EQ(deckDrops.size(), 1u);
  EXPECT_EQ(deckDrops[0], trackAt(&list, 2));
  EXPECT_EQ(list.getMainCursor(), 2);
  EXPECT_FALSE(manager->isDragging());
}

TEST_F(TrackDragDrop, DraggingFromTheRightQuarterScrollsInsteadOfDragging) {
  drag(350, rowY(2), 500, 340);
  EXPECT_TRUE(deckDrops.empty());
}

TEST_F(TrackDragDrop, ARowDroppedOnTheSideTableIsInsertedThere) {
  ZRList* automix = browser->getSpecialList(kSpecialAutomix);
  orvel_test::fillList(*automix, 3, "automix");
  frame();
  drag(100, rowY(4), 500, rowY(1, true));  // lower half of row 1: before row 2
  ASSERT_EQ(automix->getCount(), 4);
  EXPECT_EQ(trackAt(automix, 2), trackAt(&list, 4));
  EXPECT_EQ(automix->getMainCursor(), 2);
  // Marked rows go to the end, wherever they are dropped.
  list.insertLines(5, 7, 1);
  drag(100, rowY(5), 500, rowY(0));
  ASSERT_EQ(automix->getCount(), 7);
  EXPECT_EQ(trackAt(automix, 6), trackAt(&list, 7));
  // The main table takes no drops from another table.
  TZRListTrack row;
  automix->getRowData(0, &row);
  EXPECT_FALSE(main->dropCallback(std::make_shared<ZRDragDropTrack>(side, row, 0), 10, rowY(1), true));
}

TEST_F(TrackDragDrop, TheKaraokeRotationAsksForTheSinger) {
  ZRList* rotation = browser->getSpecialList(kSpecialKaraokeRotation);
  side->changeList(rotation);
  TZRListTrack singer;
  singer.trackId = orvel_test::addTrack("K", "Song", "/k/song.cdg", "", 2);
  singer.singerName = ZRString("Ann");
  rotation->addLine(singer, -1, false);
  frame();
  // Onto Ann's row: the prompt comes with her name; the answer names another singer, who gets a new row.
  drag(100, rowY(1), 500, 10);
  EXPECT_EQ(prompts, 1);
  EXPECT_EQ(promptedName.utf8(), "Ann");
  ASSERT_EQ(rotation->getCount(), 2);
  TZRListTrack added;
  ASSERT_TRUE(rotation->getRowData(0, &added));
  EXPECT_EQ(added.singerName.utf8(), "Zoe");
  EXPECT_EQ(added.keyAdjust, -1.5f);
  EXPECT_EQ(added.trackId, trackAt(&list, 1));
  // A second song for Zoe joins her row.
  frame();
  drag(100, rowY(2), 500, 200);
  ASSERT_EQ(rotation->getCount(), 2);
  ASSERT_TRUE(rotation->getRowData(0, &added));
  ASSERT_EQ(added.additionalTracks.size(), 1u);
  EXPECT_EQ(added.additionalTracks[0].trackId, trackAt(&list, 2));
  // Cancelled: nothing is added.
  promptAnswer = false;
  drag(100, rowY(3), 500, 10);
  EXPECT_EQ(rotation->getCount(), 2);
  ASSERT_TRUE(rotation->getRowData(0, &added));
  EXPECT_EQ(added.additionalTracks.size(), 1u);
}

TEST_F(TrackDragDrop, TheSingerPromptOpensWithTheMouseReleased) {
  side->changeList(browser->getSpecialList(kSpecialKaraokeRotation));
  frame();
  // The window holds the mouse from the drag, as it does when the drop arrives on the button release.
  wxWindow* window = toolkit.window();
  window->CaptureMouse();
  if (wxWindow::GetCapture() != window) GTEST_SKIP() << "the display grants no mouse capture";
  captureAtPrompt = window;
  drag(100, rowY(1), 500, 10);
  EXPECT_EQ(prompts, 1);
  EXPECT_EQ(captureAtPrompt, nullptr);
  EXPECT_EQ(wxWindow::GetCapture(), nullptr);
}

TEST_F(TrackDragDrop, ARowDroppedOnAUserListOfTheBrowserIsAppended) {
  int node = -1;
  const int slot = browser->addList(ZRString("Crate"), &node);
  frame();
  int row = -1;
  const std::vector<ZRNodeBrowser::TVisibleLine> lines = browser->getVisibleLines();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].nodeId == node) row = static_cast<int>(i);
  }
  ASSERT_GE(row, 0);
  drag(100, rowY(6), 50, 300 + row * 28.0f + 14);
  ZRList* crate = browser->getListOfSlot(slot, nullptr);
  ASSERT_EQ(crate->getCount(), 1);
  EXPECT_EQ(trackAt(crate, 0), trackAt(&list, 6));
}

TEST_F(TrackDragDrop, RowsReorderWithinTheirTable) {
  std::vector<int32_t> before;
  for (int i = 0; i < list.getCount(); ++i) before.push_back(trackAt(&list, i));
  drag(100, rowY(2), 100, rowY(5));  // upper half of line 5: directly above it
  EXPECT_EQ(trackAt(&list, 4), before[2]);
  EXPECT_EQ(trackAt(&list, 5), before[5]);
  EXPECT_EQ(list.getMainCursor(), 4);
  frame();
  drag(100, rowY(0), 100, rowY(3, true));  // lower half of line 3: directly below it
  EXPECT_EQ(trackAt(&list, 3), before[0]);
}

TEST_F(TrackDragDrop, ListsDraggedFromTheBrowserAreRefusedByTheTables) {
  const int slot = browser->addList(ZRString("Some list"), nullptr);
  TBrowserList copy;
  auto payload = std::make_shared<ZRDragDropBrowserList>(browser, copy, slot);
  EXPECT_FALSE(main->dropCallback(payload, 10, rowY(1), true));
  EXPECT_FALSE(side->dropCallback(payload, 10, rowY(1), false));
}

}  // namespace
