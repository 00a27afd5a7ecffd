#include "database/zr_database.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/list_test_support.h"
#include "support/test_support.h"

namespace {

using orvel_test::makeTrack;
using orvel_test::rowIds;
using orvel_test::rowOf;
using orvel_test::ScopedList;

TEST(ZRDatabaseTest, NewRecordHoldsResetValues) {
  TZRDatabaseTrack t;
  EXPECT_EQ(t.id, -1);
  EXPECT_EQ(t.durationMs, -1);
  EXPECT_EQ(t.mediaType, -1);
  EXPECT_EQ(t.cueOut, -1);
  EXPECT_FLOAT_EQ(t.suggestedBpm, -1.0f);
  EXPECT_EQ(t.loops[7].in, -1);
  EXPECT_EQ(t.genres[2], -1);

  t.bpm = 120;
  t.tags[kTagTitle] = "x";
  t.stripe = "AB-00000001";
  t.searchText = "keep";
  ZRDatabase::resetTrack(&t, false);
  EXPECT_EQ(t.bpm, 0);
  EXPECT_EQ(t.tags[kTagTitle], ZRString("x"));
  EXPECT_EQ(t.stripe, ZRString("AB-00000001"));
  ZRDatabase::resetTrack(&t, true);
  EXPECT_TRUE(t.tags[kTagTitle].empty());
  EXPECT_TRUE(t.stripe.empty());
  EXPECT_EQ(t.searchText, ZRString("keep"));
}

TEST(ZRDatabaseTest, AddAndLookUpByIdAndPath) {
  ZRDatabase db;
  TZRDatabaseTrack a = makeTrack("/music/a.mp3", "A");
  TZRDatabaseTrack b = makeTrack("/music/b.mp3", "B");
  const int idA = db.addOrUpdate(&a);
  const int idB = db.addOrUpdate(&b);
  EXPECT_EQ(a.id, idA);
  EXPECT_NE(idA, idB);
  EXPECT_EQ(db.addOrUpdate(nullptr), -1);

  TZRDatabaseTrack out;
  ASSERT_TRUE(db.getTrackIdData(idB, &out));
  EXPECT_EQ(out.tags[kTagArtist], ZRString("B"));
  ASSERT_TRUE(db.getTrackIdOnlyIfFound(-1, "/music/a.mp3", &out));
  EXPECT_EQ(out.id, idA);
  EXPECT_FALSE(db.getTrackIdOnlyIfFound(-1, "/music/A.mp3", &out));  // case-sensitive
  EXPECT_FALSE(db.getTrackIdOnlyIfFound(-1, "/music/a.mp3", nullptr));
  EXPECT_FALSE(db.getTrackIdData(999, &out));

  // Storing with an existing id replaces the record.
  a.tags[kTagArtist] = "A2";
  EXPECT_EQ(db.addOrUpdate(&a), idA);
  ASSERT_TRUE(db.getTrackIdData(idA, &out));
  EXPECT_EQ(out.tags[kTagArtist], ZRString("A2"));
  EXPECT_EQ(db.getTrackCount(), 2);

  db.lockDatabaseForReading();
  EXPECT_NE(db.getTrackIdDataUnsafe(idA, true), nullptr);
  EXPECT_EQ(db.getTrackIdDataUnsafe(12345, false), nullptr);
  db.unlockDatabaseForReading();
}

TEST(ZRDatabaseTest, UpdateTrackByPath) {
  ZRDatabase db;
  TZRDatabaseTrack a = makeTrack("/music/a.mp3", "A");
  a.tags[kTagKey] = "old";
  const int id = db.addOrUpdate(&a);
  // A list showing the track is marked for redrawing on each update.
  ScopedList shown(&db);
  shown->addLine(rowOf(id), -1, false);
  ScopedList history(&db, ZRList::kTypeHistory, "history");
  int rowsDirty = 0;
  const auto countDirty = [&] { rowsDirty += shown->needsRefresh() ? 1 : 0; };
  countDirty();
  rowsDirty = 0;

  db.updateTrack("/music/nothere.mp3", 128, 1000, true, "Am", true, 1.0f, "", 0.0f);
  countDirty();
  EXPECT_EQ(rowsDirty, 0);

  db.updateTrack("/music/a.mp3", 127.96f, 185000, true, "zz", true, -3.5f, "", 0.0f);
  TZRDatabaseTrack out;
  ASSERT_TRUE(db.getTrackIdData(id, &out));
  EXPECT_FLOAT_EQ(out.bpm, 127.96f);
  EXPECT_EQ(out.tags[kTagBpm], ZRString("128.0"));
  EXPECT_EQ(out.tags[kTagTime], ZRString("03:05"));
  EXPECT_EQ(out.playCount, 1);
  EXPECT_TRUE(out.playedInSession);
  EXPECT_GT(out.dtPlayed, 0);
  EXPECT_EQ(out.pitchKey, 0);  // unknown key text
  EXPECT_EQ(out.tags[kTagKey], ZRString("old"));
  EXPECT_TRUE(out.pgainValid);
  EXPECT_FLOAT_EQ(out.pgain, -3.5f);
  countDirty();
  EXPECT_EQ(rowsDirty, 1);
  EXPECT_EQ(history->getCount(), 0);  // no history list set

  db.setHistoryList(history.get());
  orvel_test::CallbackCounter::calls() = 0;
  history->setListChangedCallback(&orvel_test::CallbackCounter::callback);
  db.updateTrack("/music/a.mp3", 0, 0, true, "Am", false, 0, "singer", 1.5f);
  ASSERT_TRUE(db.getTrackIdData(id, &out));
  EXPECT_EQ(out.playCount, 2);
  EXPECT_EQ(out.pitchKey, 13);
  EXPECT_FALSE(out.tags[kTagKey].empty());
  ASSERT_EQ(rowIds(history.get()), std::vector<int32_t>{id});
  EXPECT_EQ(orvel_test::CallbackCounter::calls(), 1);
  TZRListTrack played;
  ASSERT_TRUE(history->getRowData(0, &played));
  EXPECT_EQ(played.singerName, ZRString("singer"));
  EXPECT_FLOAT_EQ(played.keyAdjust, 1.5f);
  EXPECT_EQ(played.added, out.dtPlayed);
  EXPECT_FALSE(played.marked);
  db.setHistoryList(nullptr);
}

TEST(ZRDatabaseTest, APlayedTrackJoinsTheCollectionOnce) {
  ZRDatabase db;
  TZRDatabaseTrack a = makeTrack("/music/a.mp3", "A");
  TZRDatabaseTrack b = makeTrack("/music/b.mp3", "B");
  const int32_t idA = db.addOrUpdate(&a);
  const int32_t idB = db.addOrUpdate(&b);
  ScopedList collection(&db, ZRList::kTypeCollection, "collection");
  collection->addLine(rowOf(idB), -1, false);
  // A filter hiding every row: b is still in the collection and must not come twice.
  collection->filter(nullptr, 99, 0, 0, 0, 0, "", "", false, -1, -1, false);
  ASSERT_EQ(collection->getCount(), 0);
  db.setCollectionList(collection.get());

  db.updateTrack("/music/a.mp3", 120, 1000, false, "", false, 0, "", 0);  // analysed, not played
  db.updateTrack("/music/b.mp3", 0, 0, true, "", false, 0, "", 0);
  db.updateTrack("/music/a.mp3", 0, 0, true, "", false, 0, "", 0);
  db.updateTrack("/music/a.mp3", 0, 0, true, "", false, 0, "", 0);
  collection->endFiltering(true);
  EXPECT_EQ(rowIds(collection.get()), (std::vector<int32_t>{idB, idA}));
  db.setCollectionList(nullptr);
  db.updateTrack("/music/a.mp3", 0, 0, true, "", false, 0, "", 0);
  EXPECT_EQ(collection->getCount(), 2);
}

TEST(ZRDatabaseTest, UpdateTrackMerge) {
  ZRDatabase db;
  TZRDatabaseTrack a = makeTrack("/music/a.mp3", "A");
  a.durationMs = 1000;
  const int id = db.addOrUpdate(&a);

  TZRDatabaseTrack copy = a;
  copy.bpm = 100;
  copy.durationMs = 61000;
  copy.cues[3] = 4410;
  copy.loops[1] = {100, 200};
  copy.cueIn = 0;
  copy.cueOut = 88200;
  copy.eqLow = -150;  // not taken
  copy.eqMid = -6;
  copy.currentCue = 16;
  copy.stripe = "0A-0000000B";
  db.updateTrackMerge(&copy, false);
  TZRDatabaseTrack out;
  ASSERT_TRUE(db.getTrackIdData(id, &out));
  EXPECT_EQ(out.tags[kTagBpm], ZRString("100.0"));
  EXPECT_EQ(out.tags[kTagTime], ZRString("01:01"));
  EXPECT_EQ(out.cues[3], 4410);
  EXPECT_EQ(out.loops[1].out, 200);
  EXPECT_EQ(out.cueOut, 88200);
  EXPECT_EQ(out.eqLow, 0);
  EXPECT_EQ(out.eqMid, -6);
  EXPECT_EQ(out.currentCue, 0);
  EXPECT_EQ(out.stripe, ZRString("0A-0000000B"));

  copy.currentCue = -1;
  copy.stripe = "";
  db.updateTrackMerge(&copy, false);
  ASSERT_TRUE(db.getTrackIdData(id, &out));
  EXPECT_EQ(out.currentCue, -1);
  EXPECT_EQ(out.stripe, ZRString("0A-0000000B"));

  copy.id = 4242;  // unknown: ignored
  db.updateTrackMerge(&copy, false);
  db.updateTrackMerge(nullptr, false);
}

TEST(ZRDatabaseTest, RemoveDeadFilesKeepsDollarPathsAndExistingFiles) {
  orvel_test::TempDir dir;
  const std::string existing = dir.file("here.wav");
  ASSERT_TRUE(orvel_test::writeFile(existing, "x"));
  ZRDatabase db;
  TZRDatabaseTrack a = makeTrack(existing, "A");
  TZRDatabaseTrack b = makeTrack(dir.file("gone.wav"), "B");
  TZRDatabaseTrack c = makeTrack("---$", "C");
  db.addOrUpdate(&a);
  const int idB = db.addOrUpdate(&b);
  db.addOrUpdate(&c);
  // Every list of this library loses the rows of the dropped track.
  ScopedList one(&db);
  ScopedList two(&db);
  // An empty karaoke slot names no track on purpose and stays.
  for (const int id : {a.id, idB, c.id, idB, -1}) one->addLine(rowOf(id), -1, false);
  two->addLine(rowOf(a.id), -1, false);
  one->setMainCursor(0, false);
  two->setMainCursor(0, false);
  EXPECT_EQ(db.removeDeadFiles(), 1);
  EXPECT_EQ(rowIds(one.get()), (std::vector<int32_t>{a.id, c.id, -1}));
  EXPECT_EQ(one->getMainCursor(), -1);
  EXPECT_EQ(rowIds(two.get()), std::vector<int32_t>{a.id});
  EXPECT_EQ(two->getMainCursor(), 0);  // lost nothing
  TZRDatabaseTrack out;
  EXPECT_FALSE(db.getTrackIdData(idB, &out));
  EXPECT_FALSE(db.getTrackIdOnlyIfFound(-1, ZRString(dir.file("gone.wav")), &out));
  EXPECT_TRUE(db.getTrackIdOnlyIfFound(-1, "---$", &out));
}

TEST(ZRDatabaseTest, SetHighlightIgnoresUnknownIds) {
  ZRDatabase db;
  TZRDatabaseTrack a = makeTrack("/a", "A");
  const int id = db.addOrUpdate(&a);
  db.setHighlight(id, 3);
  db.setHighlight(999, 4);
  TZRDatabaseTrack out;
  ASSERT_TRUE(db.getTrackIdData(id, &out));
  EXPECT_EQ(out.highlight, 3);
}

}  // namespace

namespace {

// File names are told apart as the file system tells them apart: a localized
// comparison would take these pairs for one name and give both files one
// record.
TEST(ZRDatabaseTest, PathsThatDifferInAnyUnitAreDifferentTracks) {
  const char* const pairs[][2] = {
      {"/music/caf\xC3\xA9.mp3", "/music/cafe\xCC\x81.mp3"},  // composed and decomposed accent
      {"/music/a\x01"
       "b.mp3",
       "/music/ab.mp3"},  // an ignorable control character
  };
  for (const auto& pair : pairs) {
    ZRDatabase db;
    TZRDatabaseTrack first = makeTrack(pair[0], "first");
    TZRDatabaseTrack second = makeTrack(pair[1], "second");
    const int idFirst = db.storeTrackIfNew(&first);
    const int idSecond = db.storeTrackIfNew(&second);
    EXPECT_NE(idFirst, idSecond);
    TZRDatabaseTrack found;
    ASSERT_TRUE(db.getTrackIdOnlyIfFound(-1, ZRString(pair[1]), &found));
    EXPECT_EQ(found.tags[kTagArtist], ZRString("second"));
    EXPECT_EQ(db.getTrackCount(), 2);
  }
}

}  // namespace
