// The karaoke rotation's rows: singers with their songs.

#include <gtest/gtest.h>

#include <vector>

#include "database/list_test_support.h"
#include "support/log_capture.h"

namespace {

using orvel_test::CallbackCounter;
using orvel_test::rowIds;
using orvel_test::rowOf;
using orvel_test::ScopedList;
using Ids = std::vector<int32_t>;

// Track ids stand for songs: A = 1, B = 2, C = 3; other singers' rows hold 10, 20.
constexpr int32_t A = 1, B = 2, C = 3;

TZRListTrack singerRow(const char* singer, std::vector<int32_t> songs) {
  TZRListTrack row = rowOf(songs.empty() ? -1 : songs[0]);
  row.singerName = ZRString(singer);
  row.keyAdjust = songs.empty() ? 0.f : static_cast<float>(songs[0]) / 10;
  for (size_t i = 1; i < songs.size(); ++i) {
    row.additionalTracks.push_back({songs[i], static_cast<float>(songs[i]) / 10});
  }
  return row;
}

class RotationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list->setIsKaraokeSingersRotationList(true);
    list->addLine(singerRow("Anna", {A, B, C}), -1, false);
    list->addLine(singerRow("Bob", {10}), -1, false);
    list->addLine(singerRow("Cleo", {20}), -1, false);
    CallbackCounter::calls() = 0;
    list->setListChangedCallback(&CallbackCounter::callback);
  }
  // The songs of a row, own first; the key adjustments travel with them.
  Ids songs(int32_t r) {
    TZRListTrack row;
    if (!list->getRowData(r, &row)) return {};
    Ids out = {row.trackId};
    EXPECT_FLOAT_EQ(row.keyAdjust, row.trackId == -1 ? 0.f : static_cast<float>(row.trackId) / 10);
    for (const TZRAdditionalTrack& t : row.additionalTracks) {
      out.push_back(t.trackId);
      EXPECT_FLOAT_EQ(t.keyAdjust, static_cast<float>(t.trackId) / 10);
    }
    return out;
  }
  ZRString singer(int32_t r) { return list->getSingerName(r); }

  ZRDatabase db;
  ScopedList list{&db, ZRList::kTypeKaraokeRotation, "rotation"};
};

TEST_F(RotationTest, MovingSongsInsideARowAndTheRowItself) {
  list->applyLineAction(0, 2, 3, ZRList::MoveUp, false);
  EXPECT_EQ(songs(0), (Ids{A, C, B}));
  list->applyLineAction(0, 2, 3, ZRList::MoveUp, false);
  list->applyLineAction(0, 1, 3, ZRList::MoveUp, false);
  EXPECT_EQ(songs(0), (Ids{B, A, C}));
  list->applyLineAction(0, 0, 3, ZRList::MoveDown, false);
  EXPECT_EQ(songs(0), (Ids{A, B, C}));
  list->applyLineAction(0, 1, 3, ZRList::MoveDown, false);
  EXPECT_EQ(songs(0), (Ids{A, C, B}));
  EXPECT_EQ(CallbackCounter::calls(), 5);

  // The last song moving down moves the whole row down; the first moving up
  // moves it up.
  list->applyLineAction(0, 2, 3, ZRList::MoveDown, false);
  EXPECT_EQ(singer(0), ZRString("Bob"));
  EXPECT_EQ(songs(1), (Ids{A, C, B}));
  list->applyLineAction(1, 0, 3, ZRList::MoveUp, false);
  EXPECT_EQ(singer(0), ZRString("Anna"));
  list->applyLineAction(0, 0, 3, ZRList::MoveToBottom, false);
  EXPECT_EQ(singer(2), ZRString("Anna"));
}

TEST_F(RotationTest, RemoveFirstAndMoveToBottom) {
  list->applyLineAction(0, 0, 3, ZRList::RemoveFirstAndMoveToBottom, false);
  EXPECT_EQ(singer(2), ZRString("Anna"));
  EXPECT_EQ(songs(2), (Ids{B, C}));

  // One song, kept: an empty slot with the singer's name goes to the bottom.
  list->applyLineAction(0, 0, 1, ZRList::RemoveFirstAndMoveToBottom, true);
  EXPECT_EQ(singer(2), ZRString("Bob"));
  EXPECT_EQ(songs(2), (Ids{-1}));
  EXPECT_EQ(list->getCount(), 3);

  // One song, not kept: the row goes.
  list->applyLineAction(0, 0, 1, ZRList::RemoveFirstAndMoveToBottom, false);
  EXPECT_EQ(list->getCount(), 2);
  EXPECT_EQ(list->getFirstLineWithSingerName("Cleo"), -1);
  EXPECT_EQ(singer(1), ZRString("Bob"));  // nothing else moved

  // An empty slot, kept: the slot goes and the row that takes its place
  // stays where it is.
  list->dragTop(1);
  list->addLine(singerRow("Dora", {30}), -1, false);
  ASSERT_EQ(songs(0), (Ids{-1}));
  list->applyLineAction(0, 0, 1, ZRList::RemoveFirstAndMoveToBottom, true);
  EXPECT_EQ(list->getCount(), 2);
  EXPECT_EQ(singer(0), ZRString("Anna"));
  EXPECT_EQ(singer(1), ZRString("Dora"));
}

TEST_F(RotationTest, RemoveSongsSlotsAndRows) {
  list->applyLineAction(0, 1, 3, ZRList::Remove, false);
  EXPECT_EQ(songs(0), (Ids{A, C}));
  list->applyLineAction(0, 0, 2, ZRList::Remove, false);
  EXPECT_EQ(songs(0), (Ids{C}));
  list->applyLineAction(0, 0, 1, ZRList::Remove, true);
  EXPECT_EQ(songs(0), (Ids{-1}));
  EXPECT_EQ(singer(0), ZRString("Anna"));
  list->applyLineAction(0, 0, 1, ZRList::Remove, true);  // an empty slot goes
  EXPECT_EQ(list->getCount(), 2);
  EXPECT_EQ(singer(0), ZRString("Bob"));
}

TEST_F(RotationTest, RemovingOneRowLeavesMarkedRowsAlone) {
  list->insert(1, 1);
  list->insert(2, 1);
  list->applyLineAction(1, 0, 1, ZRList::Remove, false);
  EXPECT_EQ(list->getCount(), 2);
  EXPECT_EQ(singer(0), ZRString("Anna"));
  EXPECT_EQ(singer(1), ZRString("Cleo"));
  EXPECT_EQ(list->getTotalInserted(), 1);
}

TEST_F(RotationTest, SubIndexIsBoundedByTheRowsOwnSongs) {
  orvel_test::LogCapture log;
  // The caller thinks Bob's row has five songs; it has one.
  list->applyLineAction(1, 4, 5, ZRList::MoveUp, false);
  list->applyLineAction(1, 3, 5, ZRList::Remove, false);
  list->applyLineAction(1, 2, 5, ZRList::MoveDown, false);
  list->applyLineAction(0, -1, 3, ZRList::Remove, false);
  EXPECT_EQ(songs(1), (Ids{10}));
  EXPECT_EQ(songs(0), (Ids{A, B, C}));
  EXPECT_EQ(list->getCount(), 3);
  EXPECT_TRUE(log.contains("rotation row 1 has 1 songs, not 5"));
  // A stale count of 1 on a three-song row does not remove the row.
  list->applyLineAction(0, 0, 1, ZRList::Remove, false);
  EXPECT_EQ(songs(0), (Ids{B, C}));
  EXPECT_EQ(CallbackCounter::calls(), 5);
}

TEST_F(RotationTest, CollapseFlagsAndUnknownActions) {
  TZRListTrack row;
  list->setMainCursor(1, false);
  list->applyLineAction(-1, 0, 1, ZRList::Collapse, false);
  ASSERT_TRUE(list->getRowData(1, &row));
  EXPECT_TRUE(row.collapsed);
  list->applyLineAction(1, 0, 1, ZRList::ToggleCollapsed, false);
  ASSERT_TRUE(list->getRowData(1, &row));
  EXPECT_FALSE(row.collapsed);
  list->applyLineAction(1, 0, 1, ZRList::ToggleCollapsed, false);
  list->applyLineAction(1, 0, 1, ZRList::Expand, false);
  ASSERT_TRUE(list->getRowData(1, &row));
  EXPECT_FALSE(row.collapsed);
  list->applyLineAction(7, 0, 1, ZRList::Collapse, false);  // beyond the last row

  orvel_test::LogCapture log;
  CallbackCounter::calls() = 0;
  list->applyLineAction(0, 0, 3, 8, false);
  list->applyLineAction(0, 0, 3, 42, false);
  EXPECT_EQ(log.count("unknown LineAction"), 2);
  EXPECT_EQ(CallbackCounter::calls(), 2);
  EXPECT_EQ(songs(0), (Ids{A, B, C}));
}

TEST_F(RotationTest, AddToLineFillsSlotsOrQueuesSongs) {
  list->applyLineAction(1, 0, 1, ZRList::Remove, true);
  EXPECT_EQ(songs(1), (Ids{-1}));
  TZRListTrack song = rowOf(40);
  song.keyAdjust = 4;
  list->addToLine(song, 1, true);
  EXPECT_EQ(songs(1), (Ids{40}));
  song = rowOf(50);
  song.keyAdjust = 5;
  list->addToLine(song, 1, false);
  EXPECT_EQ(songs(1), (Ids{40, 50}));
  const int before = CallbackCounter::calls();
  list->addToLine(song, 9, true);
  EXPECT_EQ(CallbackCounter::calls(), before);
}

TEST_F(RotationTest, SingerNames) {
  EXPECT_EQ(list->getFirstLineWithSingerName("ANNA"), 0);
  EXPECT_EQ(list->getFirstLineWithSingerName("Zed"), -1);
  list->setMainCursor(2, false);
  list->setSingerName(-1, "Dana", 2.5f);
  EXPECT_EQ(singer(2), ZRString("Dana"));
  TZRListTrack row;
  ASSERT_TRUE(list->getRowData(2, &row));
  EXPECT_FLOAT_EQ(row.keyAdjust, 2.5f);
  list->setSingerName(5, "nobody", 0);
  EXPECT_TRUE(singer(5).empty());
  EXPECT_EQ(CallbackCounter::calls(), 0);
  EXPECT_TRUE(list->getIsKaraokeSingersRotationList());
  list->needsRefresh();
  list->setIsKaraokeSingersRotationList(true);
  EXPECT_FALSE(list->needsRefresh());
  list->setIsKaraokeSingersRotationList(false);
  EXPECT_TRUE(list->needsRefresh());
}

}  // namespace
