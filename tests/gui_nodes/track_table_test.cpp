// The track table: a long list draws only its visible rows, sorting by a header click keeps the cursor on
// its track, marks follow shift and control clicks, the keys, the header resize, fonts and modes, the row
// formats' colours and heights, the karaoke row clicks, the menus and the clean-up commands.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/text_ids.h"
#include "common/zr_parameter_list.h"
#include "gui/zr_menu.h"
#include "gui_nodes/zr_node_playlist.h"
#include "list_controls_support.h"
#include "support/display_required.h"
#include "support/recording_texture.h"

namespace {

using orvel_test::modalAnswers;
using orvel_test::RecordingTexture;
using orvel_test::textureLog;

constexpr int kHeader = 19;  // lrintf(42 x 0.45)

class TrackTable : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!toolkit.start()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    orvel_test::loadEnglish();
    node = std::make_unique<ZRNodePlaylist>(nullptr, nullptr, 1.0f, GetActionIndex("playlist"), -1, -1);
    layout(400, 200, "");
  }
  void layout(int w, int h, const std::string& extra) {
    ZRParameterList a;
    a.setInt("posx", 0);
    a.setInt("posy", 0);
    a.setInt("width", w);
    a.setInt("height", h);
    a.setStr("fontcolor", "#ffffff");
    a.setStr("fontcolorsort", "#00ff00");
    a.setStr("cursorcolor", "#0000ff");
    a.setStr("cursorcoloractive", "#ff00ff");
    if (!extra.empty()) {
      const size_t eq = extra.find('=');
      a.setStr(extra.substr(0, eq).c_str(), extra.substr(eq + 1).c_str());
    }
    node->refreshCoordinates(&a);
  }
  void show(ZRList* shown, int mode) {
    node->setDisplayMode(mode);
    node->changeList(shown);
    frame();
  }
  void frame(float dt = 1.0f / 60) { node->render(dt, 0, 0); }
  // Node y of the middle of a row in columns mode.
  static float rowY(int row) { return kHeader + row * kHeader + kHeader / 2.0f; }
  void press(float x, float y, int button = ZRButtonLeft, int modifiers = 0) {
    node->buttonDown[button] = 1;
    node->executeActionInternal(ZRNodeEventPress, 0, x, y, button, -1, modifiers, -1, -1, -1, L' ', -1);
  }
  void release(float x, float y, int button = ZRButtonLeft, int modifiers = 0) {
    node->buttonDown[button] = 0;
    node->executeActionInternal(ZRNodeEventRelease, 0, x, y, button, -1, modifiers, -1, -1, -1, L' ', -1);
  }
  void click(int row, int modifiers = 0) {
    press(100, rowY(row), ZRButtonLeft, modifiers);
    release(100, rowY(row), ZRButtonLeft, modifiers);
  }
  bool key(int k, int modifiers = 0) {
    return node->executeActionInternal(ZRNodeEventKey, 0, 0, 0, ZRButtonNone, k, modifiers, -1, -1, -1, L' ',
                                       -1);
  }
  std::vector<int> marked() {
    std::vector<int> rows;
    for (int i = 0; i < list.getCount(); ++i) {
      TZRListTrack row;
      if (list.getRowData(i, &row) && row.marked) rows.push_back(i);
    }
    return rows;
  }
  int32_t trackAt(int row) {
    TZRListTrack r;
    return list.getRowData(row, &r) ? r.trackId : -1;
  }

  orvel_test::ToolkitForLists toolkit;
  orvel_test::RecordingTextures textures;
  ZRList list{ZRString("shown"), false, ZRList::kTypeUserList, -1};
  std::unique_ptr<ZRNodePlaylist> node;
};

TEST_F(TrackTable, ALongListMakesAndDrawsOnlyItsVisibleRows) {
  orvel_test::fillList(list, 10000, "long");
  show(&list, ZRNodePlaylist::kModeColumns);
  ZRTableView* view = node->getTableView();
  ASSERT_NE(view, nullptr);
  // 181 points under the header, rows of 19: ten rows, the tenth partly.
  EXPECT_EQ(view->getCachedRowCount(), 10);
  EXPECT_EQ(view->getStatistics().rowsCreated, 10);
  const int texturesAtStart = textureLog().made;
  for (int i = 0; i < 600; ++i) {
    node->executeActionInternal(ZRNodeEventWheel, 1900, 10, 50, ZRButtonNone, -1, 0, -1, -1, -1, L' ', -1);
    frame();
  }
  EXPECT_GT(view->getScrollOffsetV(), 5000);
  EXPECT_LE(view->getCachedRowCount(), 11);
  // Rows scrolled out are reused for the rows coming in: almost no new textures.
  EXPECT_LE(textureLog().made - texturesAtStart, 2);
  EXPECT_LE(view->getStatistics().rowsCreated, 12);
}

TEST_F(TrackTable, HeaderClicksSortKeepingTheCursorOnItsTrack) {
  std::vector<int32_t> ids;
  for (const char* artist : {"Delta", "Alpha", "Charlie", "Bravo"}) {
    TZRListTrack row;
    row.trackId = orvel_test::addTrack(artist, "x", std::string("/sort/") + artist + ".mp3");
    ids.push_back(row.trackId);
    list.addLine(row, -1, false);
  }
  show(&list, ZRNodePlaylist::kModeColumns);
  list.setMainCursor(2, false);  // Charlie
  const int32_t charlie = trackAt(2);
  // The artist column spans 60..170 of the header.
  press(100, 5);
  release(100, 5);
  EXPECT_EQ(list.getSortField(), kTagArtist);
  EXPECT_EQ(list.getSortDirection(), 1);
  EXPECT_EQ(trackAt(list.getMainCursor()), charlie);
  EXPECT_EQ(list.getMainCursor(), 2);  // Alpha, Bravo, Charlie, Delta
  press(100, 5);
  release(100, 5);
  EXPECT_EQ(list.getSortDirection(), -1);
  EXPECT_EQ(trackAt(list.getMainCursor()), charlie);
  // The row-number column restores the order from before the first sort.
  press(20, 5);
  release(20, 5);
  EXPECT_EQ(trackAt(0), ids[0]);
  EXPECT_FALSE(list.canResetSortOrder());
  // Locked: nothing happens.
  node->setSortingLocked(true);
  press(100, 5);
  release(100, 5);
  EXPECT_FALSE(list.canResetSortOrder());
}

TEST_F(TrackTable, ShiftAndControlClicksMark) {
  orvel_test::fillList(list, 12, "marks");
  show(&list, ZRNodePlaylist::kModeColumns);
  // (Rows 9 and 10 lie under the horizontal scroll bar of the wide columns.)
  list.insertLines(4, 6, 1);
  click(8, ZRModShift);
  EXPECT_EQ(marked(), (std::vector<int>{4, 5, 6, 7, 8}));
  click(3);  // a plain click unmarks all
  EXPECT_TRUE(marked().empty());
  EXPECT_EQ(list.getMainCursor(), 3);

  list.setMainCursor(2, false);
  click(5, ZRModControl | ZRModControlRaw);
  EXPECT_EQ(marked(), (std::vector<int>{2, 5}));
  click(7, ZRModControl | ZRModControlRaw);
  EXPECT_EQ(marked(), (std::vector<int>{2, 5, 7}));
  // Shift without marks spans from the cursor before to the clicked row.
  list.insertAll(true);
  list.setMainCursor(8, false);
  click(6, ZRModShift);
  EXPECT_EQ(marked(), (std::vector<int>{6, 7, 8}));
}

TEST_F(TrackTable, KeysMoveMarkAndRemove) {
  orvel_test::fillList(list, 10, "keys");
  show(&list, ZRNodePlaylist::kModeColumns);
  list.setMainCursor(0, false);
  EXPECT_TRUE(key(ZRKeyUp, ZRModShift));  // shift+Up on row 0 marks it and stays
  EXPECT_EQ(marked(), (std::vector<int>{0}));
  EXPECT_EQ(list.getMainCursor(), 0);
  key(ZRKeyDown, ZRModShift);
  key(ZRKeyDown, ZRModShift);
  EXPECT_EQ(marked(), (std::vector<int>{0, 1, 2}));
  key(ZRKeyDown);  // plain keys unmark
  EXPECT_TRUE(marked().empty());
  EXPECT_EQ(list.getMainCursor(), 3);
  key(ZRKeyEnd);
  EXPECT_EQ(list.getMainCursor(), 9);
  key(ZRKeyPageUp);
  EXPECT_EQ(list.getMainCursor(), 0);

  // Control+A toggles every mark.
  list.insertLines(0, 2, 1);
  key('A', ZRModControl | ZRModControlRaw);
  EXPECT_EQ(marked().size(), 10u);
  key(1, ZRModControl | ZRModControlRaw);
  EXPECT_TRUE(marked().empty());

  // Delete without marks removes the cursor row at once.
  list.setMainCursor(4, false);
  const int32_t fifth = trackAt(5);
  const int shownBefore = modalAnswers().shown;
  key(ZRKeyDelete);
  EXPECT_EQ(list.getCount(), 9);
  EXPECT_EQ(trackAt(4), fifth);
  EXPECT_EQ(modalAnswers().shown, shownBefore);
  // With marks it asks: no keeps them, yes removes them.
  list.insertLines(0, 1, 1);
  modalAnswers().buttons = {wxID_NO};
  key(ZRKeyDelete);
  EXPECT_EQ(list.getCount(), 9);
  modalAnswers().buttons = {wxID_YES};
  key(ZRKeyDelete);
  EXPECT_EQ(list.getCount(), 7);
  // Control+Delete removes what it asked about.
  list.insertLines(0, 2, 1);
  modalAnswers().buttons = {wxID_YES};
  key(ZRKeyDelete, ZRModControl | ZRModControlRaw);
  EXPECT_EQ(list.getCount(), 4);
  // ... and nothing without marks.
  key(ZRKeyDelete, ZRModControl | ZRModControlRaw);
  EXPECT_EQ(list.getCount(), 4);
}

bool keysSeen = false;
bool keySlot(int key, int, ZRDrawNode*) {
  keysSeen = key == ZRKeyTab;
  return keysSeen;
}

TEST_F(TrackTable, OtherKeysGoToTheKeySlot) {
  EXPECT_TRUE(key(ZRKeyDown));  // no list: handled, nothing done
  EXPECT_FALSE(key(ZRKeyTab));  // no slot
  node->setKeySlot(&keySlot);
  EXPECT_TRUE(key(ZRKeyTab));
  EXPECT_TRUE(keysSeen);
  EXPECT_FALSE(key('A', ZRModControl | ZRModControlRaw));  // without a list control+A goes on too
}

TEST_F(TrackTable, MoveCursorFollowsItsRules) {
  node->moveCursor(1);  // no list
  orvel_test::fillList(list, 10, "cursor");
  show(&list, ZRNodePlaylist::kModeColumns);
  struct Case {
    int from, delta, to;
  } cases[] = {{-1, 100, 9}, {5, -100, 0}, {5, 250, 5}, {-1, 250, 0}, {1, -3, 0}, {8, 3, 9}, {-1, 1, 0}};
  for (const Case& c : cases) {
    list.setMainCursor(c.from, false);
    node->moveCursor(c.delta);
    EXPECT_EQ(list.getMainCursor(), c.to) << c.from << " " << c.delta;
  }
}

TEST_F(TrackTable, FontStepsScaleLinesAndHeader) {
  node->adjustFont(3, true);
  node->adjustFont(4, false);
  node->adjustFont(3, true);
  EXPECT_EQ(node->getFontStep(), 5);
  node->adjustFont(0, true);
  EXPECT_EQ(node->getFontStep(), 0);
  node->adjustFont(-5, false);
  EXPECT_EQ(node->getLineSize(), 21);
  EXPECT_EQ(node->getHeaderHeight(), 9);
  EXPECT_FLOAT_EQ(node->getFontSize(), 6);
  node->adjustFont(0, false);
  layout(400, 200, "linesize=8");
  EXPECT_EQ(node->getLineSize(), 10);
  EXPECT_EQ(node->getHeaderHeight(), 4);  // 4.5 to the even neighbour
}

TEST_F(TrackTable, ABorderDragResizesAColumnWithinItsBounds) {
  orvel_test::fillList(list, 3, "resize");
  show(&list, ZRNodePlaylist::kModeColumns);
  const int total = node->getTotalColumnWidth();
  // The title column's right edge is at 60 + 110 + 150 = 320.
  press(318, 5);
  node->executeActionInternal(ZRNodeEventMove, 0, 348, 5, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_EQ(node->getColumns()[2].width, 180);
  EXPECT_EQ(node->getTotalColumnWidth(), total + 30);
  node->executeActionInternal(ZRNodeEventMove, 0, 900, 5, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_EQ(node->getColumns()[2].width, 300);  // its maximum
  release(900, 5);
  node->executeActionInternal(ZRNodeEventMove, 0, 100, 5, ZRButtonNone, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_EQ(node->getColumns()[2].width, 300);
  // The wider content widens the table view at the next frame.
  frame();
  EXPECT_EQ(node->getTableView()->getContentWidth(), node->getTotalColumnWidth());

  EXPECT_FALSE(node->moveColumn(0, true));
  EXPECT_FALSE(node->moveColumn(11, false));
  EXPECT_TRUE(node->moveColumn(1, false));
  EXPECT_EQ(node->getColumns()[2].tagField, kTagArtist);
  const int before = node->getTotalColumnWidth();
  node->setVisibleColumn(5, false);
  EXPECT_EQ(node->getTotalColumnWidth(), before - 73);
  node->setVisibleColumn(5, false);
  EXPECT_EQ(node->getTotalColumnWidth(), before - 73);
}

// The colours of the glyphs a row texture holds: true when some pixel is close to (r, g, b).
bool rowHasColour(const RecordingTexture* t, int r, int g, int b) {
  for (int y = 0; y < t->getHeight(); ++y) {
    for (int x = 0; x < t->getWidth(); ++x) {
      const uint8_t* p = t->pixel(x, y);
      if (std::abs(p[2] - r) < 24 && std::abs(p[1] - g) < 24 && std::abs(p[0] - b) < 24 && p[3] > 200)
        return true;
    }
  }
  return false;
}

TEST_F(TrackTable, RowsTakeTheirTracksColours) {
  TZRDatabaseTrack plain, highlighted, played;
  for (TZRDatabaseTrack* t : {&plain, &highlighted, &played}) {
    ZRDatabase::resetTrack(t, true);
    t->tags[kTagArtist] = ZRString("WWWWWWWW");
    t->tags[kTagTitle] = ZRString("MMMMMMMM");
  }
  plain.tags[kTagFileName] = ZRString("/colour/plain.mp3");
  highlighted.tags[kTagFileName] = ZRString("/colour/high.mp3");
  highlighted.highlight = 2;  // "#fff600"
  played.tags[kTagFileName] = ZRString("/colour/played.mp3");
  played.playedInSession = true;  // "#707070" everywhere, the sort column too
  for (TZRDatabaseTrack* t : {&plain, &highlighted, &played}) {
    TZRListTrack row;
    row.trackId = ZRDatabase::getInstance()->addOrUpdate(t);
    list.addLine(row, -1, false);
  }
  list.sort(kTagTitle, true);
  list.resetSortOrder();  // the order back, the sort field kept: the title column in the sort colour
  show(&list, ZRNodePlaylist::kModeColumns);
  std::vector<const RecordingTexture*> rows;
  for (const orvel_test::TextureDraw& d : textureLog().drawsCopy()) {
    if (d.dstY >= kHeader - 0.5f && d.dstY < kHeader + 3 * kHeader) rows.push_back(d.texture);
  }
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(rowHasColour(rows[0], 255, 255, 255));
  EXPECT_TRUE(rowHasColour(rows[0], 0, 255, 0));
  EXPECT_TRUE(rowHasColour(rows[1], 255, 246, 0));
  EXPECT_TRUE(rowHasColour(rows[2], 112, 112, 112));
  EXPECT_FALSE(rowHasColour(rows[2], 0, 255, 0));
}

TEST_F(TrackTable, KaraokeRowsHaveTheirHeightsAndControlGlyphs) {
  list.setIsKaraokeSingersRotationList(true);
  TZRListTrack singer;
  singer.trackId = orvel_test::addTrack("A", "One", "/k/one.cdg", "", 2);
  singer.singerName = ZRString("Ann");
  singer.additionalTracks = {{orvel_test::addTrack("B", "Two", "/k/two.cdg", "", 2), 0},
                             {orvel_test::addTrack("C", "Three", "/k/three.cdg", "", 2), 0}};
  list.addLine(singer, -1, false);
  TZRListTrack empty;
  empty.collapsed = true;
  list.addLine(empty, -1, false);
  show(&list, ZRNodePlaylist::kModeRows);
  EXPECT_FALSE(node->hasFixedRowHeight(nullptr));
  EXPECT_EQ(node->rowHeight(0, nullptr), 72);  // 3 x 5 + 12 + 1.25 x 12 x 3
  EXPECT_EQ(node->rowHeight(1, nullptr), 25);  // (int)(0.6 x 42)

  // On the expanded cursor row, the remove glyph (column 2) of the second song removes that song.
  list.setMainCursor(0, false);
  const float line = 1;  // the second song
  const float y = 2 * 5 + 1.1f * 12 + 1.25f * 12 * (line + 0.5f);
  const float x = 0.95f * 42 + 0.95f * 12 * 2.5f;
  node->rowClicked(0, x, y, ZRButtonLeft, node->getTableView());
  TZRListTrack after;
  ASSERT_TRUE(list.getRowData(0, &after));
  ASSERT_EQ(after.additionalTracks.size(), 1u);
  EXPECT_EQ(after.additionalTracks[0].trackId, singer.additionalTracks[1].trackId);
  // The right block collapses the row.
  node->rowClicked(0, 0.9f * 400, 5, ZRButtonLeft, node->getTableView());
  ASSERT_TRUE(list.getRowData(0, &after));
  EXPECT_TRUE(after.collapsed);
}

TEST_F(TrackTable, TheContextMenuOpensOnTheRowUnderThePointer) {
  orvel_test::fillList(list, 5, "menu");
  show(&list, ZRNodePlaylist::kModeColumns);
  list.setMainCursor(0, false);
  press(100, rowY(3), ZRButtonRight);
  release(100, rowY(3), ZRButtonRight);
  EXPECT_EQ(list.getMainCursor(), 3);
  ASSERT_NE(node->getContextMenu(), nullptr);
  EXPECT_EQ(toolkit.host.popups.size(), 1u);
  // The history filter is offered only on the history.
  ZRMenu* menu = node->getContextMenu();
  EXPECT_EQ(menu->getItem(3), ZRString("Filter history by date"));
  // "Toggle view mode" switches to rows mode at the next frame.
  menu->internalCallback(menu->getCount() - 1);
  frame();
  EXPECT_EQ(node->getDisplayMode(), ZRNodePlaylist::kModeRows);
  // "Sort" opens the sort menu; its reset item follows the list.
  menu->internalCallback(menu->getItemIndex(ZRString("Sort")));
  ZRMenu* sort = node->getSortMenu();
  ASSERT_NE(sort, nullptr);
  sort->internalCallback(1);  // the title
  EXPECT_EQ(list.getSortField(), kTagTitle);
  EXPECT_TRUE(list.canResetSortOrder());
  sort->internalCallback(sort->getItemIndex(ZRString("Reset sort order")));
  EXPECT_FALSE(list.canResetSortOrder());
}

TEST_F(TrackTable, TheHeaderMenuHidesColumnsAndLocks) {
  orvel_test::fillList(list, 2, "header");
  show(&list, ZRNodePlaylist::kModeColumns);
  press(100, 5, ZRButtonRight);
  release(100, 5, ZRButtonRight);
  ZRMenu* menu = node->getHeaderMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->getCount(), 4 + 12);
  EXPECT_TRUE(menu->getItemChecked(4 + 5));
  const int total = node->getTotalColumnWidth();
  menu->setItemChecked(4 + 5, false);  // what the toolkit does before it reports the choice
  menu->internalCallback(4 + 5);
  EXPECT_FALSE(node->getColumns()[5].visible);
  EXPECT_EQ(node->getTotalColumnWidth(), total - 73);
  menu->setItemChecked(2, true);
  menu->internalCallback(2);
  EXPECT_TRUE(node->isResizingLocked());
}

TEST_F(TrackTable, TheDeadFilesMessageNeverUsesTheLanguageTextAsAFormat) {
  orvel_test::TempDir dir;
  const std::string language = dir.file("odd.xml");
  orvel_test::writeFile(language,
                        "<languagestrings language=\"odd\" locale=\"xx\" targetversion=\"100\">"
                        "<string action=\"txt_deadfiles_removed\" value=\"%s%s%n: %d removed\"/>"
                        "</languagestrings>");
  struct English {
    ~English() { LoadLanguage(ZRString(orvel_test::sourceFile("resources/languages/english.xml"))); }
  } restore;
  ASSERT_TRUE(LoadLanguage(ZRString(language)));
  ZRDatabase empty;  // nothing to remove
  list.setDatabase(&empty);
  show(&list, ZRNodePlaylist::kModeColumns);
  modalAnswers().buttons = {wxID_YES, wxID_OK};
  EXPECT_EQ(node->removeDeadFiles(), 0);
  ASSERT_EQ(modalAnswers().messages.size(), 2u);
  EXPECT_EQ(modalAnswers().messages[1], "%s%s%n: 0 removed");
  list.setDatabase(nullptr);
}

int doubleClickValue = -2;
int focusValue = -2;
void onDoubleClick(int value, int, int, ZRDrawNode*) {
  doubleClickValue = value;
}
void onFocus(int value, int, int, ZRDrawNode*) {
  focusValue = value;
}

TEST_F(TrackTable, DoubleClicksAndFocusReachTheirSlots) {
  orvel_test::fillList(list, 3, "slots");
  show(&list, ZRNodePlaylist::kModeColumns);
  node->setActionSlot(ZRNodePlaylist::kSlotDoubleClick, &onDoubleClick);
  node->setActionSlot(ZRNodePlaylist::kSlotFocus, &onFocus);
  list.setMainCursor(1, false);
  node->executeAction(ZRNodeEventDoubleClick, 0, 10, rowY(1), ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_EQ(doubleClickValue, 1);
  node->executeAction(ZRNodeEventFocusGained, 0, 0, 0, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_EQ(focusValue, 1);
  EXPECT_TRUE(node->hasKeyboardFocus());
  node->executeAction(ZRNodeEventFocusLost, 0, 0, 0, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
  EXPECT_EQ(focusValue, 0);
}

}  // namespace
