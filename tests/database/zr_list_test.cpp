#include "database/zr_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "database/list_test_support.h"

namespace {

using orvel_test::CallbackCounter;
using orvel_test::makeTrack;
using orvel_test::rowIds;
using orvel_test::rowOf;
using orvel_test::ScopedList;
using Ids = std::vector<int32_t>;

// A library of n tracks with ids 0..n-1 and a list showing them in order.
class ListTest : public ::testing::Test {
 protected:
  void fill(int n) {
    for (int i = 0; i < n; ++i) {
      TZRDatabaseTrack t = makeTrack("/m/" + std::to_string(i) + ".mp3", "artist");
      ids.push_back(db.addOrUpdate(&t));
      list->addLine(rowOf(ids.back()), -1, false);
    }
    list->needsRefresh();
    list->needsScrollToCursor();
    CallbackCounter::calls() = 0;
    list->setListChangedCallback(&CallbackCounter::callback);
  }
  int calls() const { return CallbackCounter::calls(); }
  std::vector<bool> marks() {
    std::vector<bool> m;
    TZRListTrack row;
    for (int32_t i = 0; list->getRowData(i, &row); ++i) m.push_back(row.marked);
    return m;
  }

  ZRDatabase db;
  ScopedList list{&db};
  Ids ids;
};

std::vector<ZRList*> ownLists(const std::vector<ZRList*>& mine) {
  std::vector<ZRList*> order;
  for (ZRList* l : ZRList::getLists()) {
    if (std::find(mine.begin(), mine.end(), l) != mine.end()) order.push_back(l);
  }
  return order;
}

TEST(ZRListRegistry, CreateMoveSortAndRemove) {
  ZRDatabase db;
  ScopedList b(&db, ZRList::kTypeUserList, "beta");
  ScopedList a(&db, ZRList::kTypeUserList, "Alpha");
  ScopedList a2(&db, ZRList::kTypeUserList, "alpha");
  ScopedList c(&db, ZRList::kTypeUserList, "gamma");
  const std::vector<ZRList*> mine = {b.get(), a.get(), a2.get(), c.get()};
  EXPECT_EQ(ownLists(mine), mine);

  EXPECT_TRUE(ZRList::moveList(c.get(), b.get(), false));  // before
  EXPECT_EQ(ownLists(mine), (std::vector<ZRList*>{c.get(), b.get(), a.get(), a2.get()}));
  EXPECT_TRUE(ZRList::moveList(c.get(), a2.get(), true));  // after the last
  EXPECT_EQ(ownLists(mine), (std::vector<ZRList*>{b.get(), a.get(), a2.get(), c.get()}));
  EXPECT_FALSE(ZRList::moveList(c.get(), c.get(), true));
  EXPECT_FALSE(ZRList::moveList(nullptr, c.get(), true));
  ZRList outside("outside", false, ZRList::kTypeUserList, 0);
  EXPECT_FALSE(ZRList::moveList(&outside, c.get(), true));

  // Without case; the two spellings of alpha keep their order.
  ZRList::sortListsByName();
  EXPECT_EQ(ownLists(mine), (std::vector<ZRList*>{a.get(), a2.get(), b.get(), c.get()}));

  EXPECT_FALSE(ZRList::removeList(nullptr));
  EXPECT_FALSE(ZRList::removeList(&outside));
  ZRList* doomed = ZRList::create("doomed", false, ZRList::kTypeUserList, 0);
  EXPECT_TRUE(ZRList::removeList(doomed));
  EXPECT_FALSE(ZRList::removeList(doomed));
  delete doomed;
  // A registered list that is deleted leaves the registry.
  ZRList* forgotten = ZRList::create("forgotten", false, ZRList::kTypeUserList, 0);
  delete forgotten;
  const std::vector<ZRList*> all = ZRList::getLists();
  EXPECT_EQ(std::find(all.begin(), all.end(), forgotten), all.end());
}

TEST_F(ListTest, MarkRowsAsDirtyReachesOnlyListsShowingTheTrack) {
  fill(2);
  ScopedList other(&db);
  other->needsRefresh();
  ZRList::markRowsAsDirty(ids[1]);
  EXPECT_TRUE(list->needsRefresh());
  EXPECT_FALSE(list->needsRefresh());  // read and cleared
  EXPECT_FALSE(other->needsRefresh());
}

TEST_F(ListTest, SetMainCursorClamps) {
  struct Case {
    int rows;
    int32_t set;
    int32_t expected;
  };
  for (const Case c : {Case{3, 5, 2}, Case{0, 0, -1}, Case{3, -1, -1}, Case{3, -5, 0}, Case{3, 1, 1}}) {
    ZRDatabase own;
    ScopedList l(&own);
    for (int i = 0; i < c.rows; ++i) l->addLine(rowOf(i), -1, false);
    l->needsRefresh();
    l->setMainCursor(c.set, true);
    EXPECT_EQ(l->getMainCursor(), c.expected) << c.rows << " rows, set " << c.set;
    EXPECT_TRUE(l->needsRefresh());
    EXPECT_TRUE(l->needsScrollToCursor());
    l->setNextCursor(c.set);
    EXPECT_EQ(l->getNextCursor(), c.expected);
  }
}

TEST_F(ListTest, AddLineMovesOnlyTheNextCursor) {
  fill(3);
  list->setMainCursor(0, false);
  list->setNextCursor(0);
  list->addLine(rowOf(100), 0, true);
  EXPECT_EQ(list->getNextCursor(), 1);
  EXPECT_EQ(list->getMainCursor(), 0);
  EXPECT_EQ(calls(), 1);
  list->addLine(rowOf(101, true), 99, false);  // beyond the end: appended
  EXPECT_EQ(rowIds(list.get()), (Ids{100, ids[0], ids[1], ids[2], 101}));
  EXPECT_EQ(list->getTotalInserted(), 1);
  EXPECT_EQ(calls(), 1);
  EXPECT_TRUE(list->needsRefresh());
}

TEST_F(ListTest, RemoveWithoutMarksAndCursorDoesNothing) {
  fill(3);
  list->remove(-1, true);
  EXPECT_EQ(list->getCount(), 3);
  EXPECT_EQ(calls(), 0);
  list->remove(7, true);
  EXPECT_EQ(list->getCount(), 3);
  EXPECT_EQ(calls(), 0);
}

TEST_F(ListTest, RemoveTakesEveryMarkedRowWhateverTheIndex) {
  fill(5);
  list->insert(1, 1);
  list->insert(3, 1);
  list->setMainCursor(4, false);
  list->setNextCursor(2);
  list->remove(0, true);
  EXPECT_EQ(rowIds(list.get()), (Ids{ids[0], ids[2], ids[4]}));
  EXPECT_EQ(list->getMainCursor(), -1);
  EXPECT_EQ(list->getNextCursor(), -1);
  EXPECT_EQ(list->getTotalInserted(), 0);
  EXPECT_EQ(calls(), 1);
}

TEST_F(ListTest, RemovingOneRowKeepsCursorsInsideAndNextOnItsRow) {
  fill(5);
  list->setMainCursor(1, false);
  list->setNextCursor(3);
  list->remove(-1, true);  // the cursor row
  EXPECT_EQ(rowIds(list.get()), (Ids{ids[0], ids[2], ids[3], ids[4]}));
  EXPECT_EQ(list->getMainCursor(), 1);  // keeps its index: now on the following row
  EXPECT_EQ(list->getNextCursor(), 2);  // still on ids[3]
  EXPECT_TRUE(list->needsScrollToCursor());

  // The next cursor on the removed last row moves onto the new last row; a
  // main cursor past the end comes back to it.
  list->setMainCursor(3, false);
  list->setNextCursor(3);
  list->remove(3, false);
  EXPECT_EQ(list->getMainCursor(), 2);
  EXPECT_EQ(list->getNextCursor(), 2);

  // A row other than the cursor's: the next cursor after it stays on its row.
  list->setMainCursor(0, false);
  list->setNextCursor(2);
  list->remove(1, false);
  EXPECT_EQ(rowIds(list.get()), (Ids{ids[0], ids[3]}));
  EXPECT_EQ(list->getNextCursor(), 1);
  EXPECT_EQ(list->getMainCursor(), 0);

  list->remove(0, false);
  list->remove(0, false);
  EXPECT_EQ(list->getCount(), 0);
  EXPECT_EQ(list->getMainCursor(), -1);
  EXPECT_EQ(list->getNextCursor(), -1);
  EXPECT_FALSE(list->needsScrollToCursor());
}

TEST_F(ListTest, MovesKeepCursorsOnTheirRows) {
  fill(5);
  list->dragUp(0);
  list->dragDown(4);
  EXPECT_EQ(calls(), 0);
  EXPECT_EQ(rowIds(list.get()), ids);

  // Main cursor -1 stays -1 through every move.
  list->dragTop(3);
  EXPECT_EQ(rowIds(list.get()), (Ids{ids[3], ids[0], ids[1], ids[2], ids[4]}));
  EXPECT_EQ(list->getMainCursor(), -1);
  EXPECT_FALSE(list->needsScrollToCursor());
  EXPECT_EQ(calls(), 1);

  list->setMainCursor(1, false);  // on ids[0]
  list->setNextCursor(3);         // on ids[2]
  list->dragTop(3);
  EXPECT_EQ(rowIds(list.get()), (Ids{ids[2], ids[3], ids[0], ids[1], ids[4]}));
  EXPECT_EQ(list->getMainCursor(), 2);
  EXPECT_EQ(list->getNextCursor(), 0);
  EXPECT_TRUE(list->needsScrollToCursor());

  list->dragBottom(0);  // ids[2] to the bottom
  EXPECT_EQ(rowIds(list.get()), (Ids{ids[3], ids[0], ids[1], ids[4], ids[2]}));
  EXPECT_EQ(list->getMainCursor(), 1);
  EXPECT_EQ(list->getNextCursor(), 4);

  list->dragUp(-1);  // the cursor row (ids[0]) swaps with the one above
  EXPECT_EQ(rowIds(list.get()), (Ids{ids[0], ids[3], ids[1], ids[4], ids[2]}));
  EXPECT_EQ(list->getMainCursor(), 0);
  list->dragDown(0);
  EXPECT_EQ(rowIds(list.get()), (Ids{ids[3], ids[0], ids[1], ids[4], ids[2]}));
  EXPECT_EQ(list->getMainCursor(), 1);
  list->dragBottom(4);  // already at the bottom
  EXPECT_EQ(rowIds(list.get()), (Ids{ids[3], ids[0], ids[1], ids[4], ids[2]}));
}

TEST_F(ListTest, MoveToKeepsOtherMarks) {
  fill(4);
  list->insert(0, 1);
  list->insert(3, 1);
  list->moveTo(1, 3);
  EXPECT_EQ(rowIds(list.get()), (Ids{ids[0], ids[2], ids[3], ids[1]}));
  EXPECT_EQ(marks(), (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(list->getTotalInserted(), 2);
  list->moveTo(2, 0);  // a marked row carries its mark
  EXPECT_EQ(rowIds(list.get()), (Ids{ids[3], ids[0], ids[2], ids[1]}));
  EXPECT_EQ(marks(), (std::vector<bool>{true, true, false, false}));
  EXPECT_EQ(list->getTotalInserted(), 2);
  const int before = calls();
  list->moveTo(9, 0);
  list->moveTo(1, 1);
  EXPECT_EQ(calls(), before);
}

TEST_F(ListTest, InsertMarksByMode) {
  fill(4);
  struct Case {
    int32_t mode;
    bool from;
    bool to;
  };
  for (const Case c : {Case{1, false, true}, Case{1, true, true}, Case{0, true, false}, Case{-1, false, true},
                       Case{-1, true, false}, Case{5, true, true}, Case{5, false, false}}) {
    list->insert(2, c.from ? 1 : 0);
    list->insert(2, c.mode);
    EXPECT_EQ(marks()[2], c.to) << "mode " << c.mode;
    EXPECT_EQ(list->getTotalInserted(), c.to ? 1 : 0);
  }
  list->insert(9, 1);  // beyond the last row
  EXPECT_EQ(list->getTotalInserted(), 0);

  // Unmarking the cursor row clears the cursor; marking it does not.
  list->setMainCursor(1, false);
  list->insert(-1, 1);
  EXPECT_EQ(list->getMainCursor(), 1);
  list->insert(1, 0);
  EXPECT_EQ(list->getMainCursor(), -1);
  list->insert(-1, 1);  // no cursor: nothing
  EXPECT_EQ(list->getTotalInserted(), 0);

  list->insertLines(3, 1, 1);  // either way round
  EXPECT_EQ(marks(), (std::vector<bool>{false, true, true, true}));
  EXPECT_EQ(list->getFirstInsertedLine(), 1);
  EXPECT_EQ(list->getLastInsertedLine(), 3);
  list->insertLines(-1, 2, -1);
  EXPECT_EQ(marks(), (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(list->getTotalInserted(), 2);
  list->insertAll(false);
  EXPECT_EQ(list->getTotalInserted(), 4);
  list->insertAll(true);
  EXPECT_EQ(list->getTotalInserted(), 0);
  EXPECT_EQ(list->getFirstInsertedLine(), -1);
  EXPECT_EQ(list->getLastInsertedLine(), -1);
}

TEST_F(ListTest, EnumerationSkipsUnmarkedAndMissingTracks) {
  fill(4);
  list->insert(1, 1);
  list->insert(3, 1);
  TZRListTrack row;
  list->startEnumeration(true);
  Ids seen;
  while (list->getNextEnumerationElement(&row)) seen.push_back(row.trackId);
  EXPECT_FALSE(list->getNextEnumerationElement(nullptr));
  list->stopEnumeration();
  EXPECT_EQ(seen, (Ids{ids[1], ids[3]}));

  // A row whose track is not stored gives false; the enumeration goes on.
  list->addLine(rowOf(999), 1, false);
  TZRDatabaseTrack track;
  list->startEnumeration(false);
  ASSERT_TRUE(list->getNextEnumerationElementFull(&row, &track));
  EXPECT_EQ(track.id, ids[0]);
  EXPECT_FALSE(list->getNextEnumerationElementFull(&row, &track));
  ASSERT_TRUE(list->getNextEnumerationElementFull(&row, &track));
  EXPECT_EQ(row.trackId, ids[1]);
  EXPECT_EQ(track.id, ids[1]);
  list->stopEnumeration();

  EXPECT_TRUE(list->getRowDataFull(0, &row, &track));
  EXPECT_FALSE(list->getRowDataFull(1, &row, &track));  // not stored
  EXPECT_FALSE(list->getRowDataFull(0, &row, nullptr));
  EXPECT_FALSE(list->getRowData(-1, &row));
  EXPECT_FALSE(list->getRowData(99, &row));
}

TEST_F(ListTest, AddAllLinesToList) {
  fill(3);
  ScopedList dest(&db);
  CallbackCounter::calls() = 0;
  dest->setListChangedCallback(&CallbackCounter::callback);

  // No marks, no cursor: nothing appended, the callback all the same.
  list->addAllLinesToList(dest.get(), true);
  EXPECT_EQ(dest->getCount(), 0);
  EXPECT_EQ(calls(), 1);

  list->setMainCursor(2, false);
  list->addAllLinesToList(dest.get(), true);
  EXPECT_EQ(rowIds(dest.get()), (Ids{ids[2]}));

  list->insert(0, 1);
  list->insert(1, 1);
  list->addAllLinesToList(dest.get(), true);  // marked rows, marks cleared
  EXPECT_EQ(rowIds(dest.get()), (Ids{ids[2], ids[0], ids[1]}));
  EXPECT_EQ(dest->getTotalInserted(), 0);

  list->addAllLinesToList(dest.get(), false);  // every row, marks kept
  EXPECT_EQ(dest->getCount(), 6);
  EXPECT_EQ(dest->getTotalInserted(), 2);
  list->addAllLinesToList(nullptr, false);
}

TEST_F(ListTest, AddAllLinesToTheSameListDoesNotDeadlock) {
  fill(3);
  list->insert(1, 1);
  list->addAllLinesToList(list.get(), true);
  EXPECT_EQ(rowIds(list.get()), (Ids{ids[0], ids[1], ids[2], ids[1]}));
  EXPECT_EQ(list->getTotalInserted(), 1);
  list->addAllLinesToList(list.get(), false);
  EXPECT_EQ(list->getCount(), 8);
  EXPECT_EQ(list->getTotalInserted(), 2);
  EXPECT_EQ(calls(), 2);
}

TEST_F(ListTest, SetHighlightOfMarkedOrCursorRows) {
  fill(3);
  list->addLine(rowOf(-1), -1, false);  // an empty slot is skipped
  list->setMainCursor(3, false);
  list->setHighlight(2, -1);
  list->setMainCursor(1, false);
  list->setHighlight(4, -1);
  TZRDatabaseTrack t;
  ASSERT_TRUE(db.getTrackIdData(ids[1], &t));
  EXPECT_EQ(t.highlight, 4);
  list->insert(0, 1);
  list->insert(2, 1);
  list->setHighlight(6, 1);  // the marked rows, not row 1
  ASSERT_TRUE(db.getTrackIdData(ids[0], &t));
  EXPECT_EQ(t.highlight, 6);
  ASSERT_TRUE(db.getTrackIdData(ids[2], &t));
  EXPECT_EQ(t.highlight, 6);
  ASSERT_TRUE(db.getTrackIdData(ids[1], &t));
  EXPECT_EQ(t.highlight, 4);
}

TEST_F(ListTest, ClearAndSetContentFrom) {
  fill(3);
  list->setMainCursor(1, false);
  list->setNextCursor(2);
  list->insert(0, 1);
  std::vector<TZRListTrack> rows = {rowOf(7, true), rowOf(8)};
  list->setContentFrom(&rows);
  EXPECT_EQ(rowIds(list.get()), (Ids{7, 8}));
  EXPECT_EQ(list->getMainCursor(), -1);
  EXPECT_EQ(list->getNextCursor(), -1);
  EXPECT_EQ(list->getTotalInserted(), 1);
  list->setContentFrom(nullptr);
  EXPECT_EQ(list->getCount(), 2);
  EXPECT_EQ(calls(), 1);
  EXPECT_TRUE(list->needsRefresh());

  list->clear();
  EXPECT_EQ(list->getCount(), 0);
  EXPECT_EQ(list->getTotalInserted(), 0);
  EXPECT_EQ(calls(), 2);
  EXPECT_TRUE(list->needsRefresh());
}

TEST(ZRListLife, DestructionCallsTheCallbackOnce) {
  CallbackCounter::calls() = 0;
  {
    ZRDatabase db;
    ScopedList l(&db);
    l->setListChangedCallback(&CallbackCounter::callback);
  }
  EXPECT_EQ(CallbackCounter::calls(), 1);
}

}  // namespace
