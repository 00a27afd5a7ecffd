// Sorting, shuffling and filtering of list rows.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/list_test_support.h"
#include "database/zr_list_custom_sort.h"

namespace {

using orvel_test::CallbackCounter;
using orvel_test::makeTrack;
using orvel_test::rowIds;
using orvel_test::rowOf;
using orvel_test::ScopedList;
using Ids = std::vector<int32_t>;

// ---- Sorting ----

struct SortCase {
  const char* name;
  int32_t field;
  bool ascending;
  // One row per value, in this order; null: a row whose track is not stored.
  std::vector<const char*> values;
  // The rows' original positions in their sorted order.
  std::vector<int> expected;
};

class ListSortTest : public ::testing::TestWithParam<SortCase> {};

TEST_P(ListSortTest, OrdersRowsAndKeepsCursorsOnTheirRows) {
  const SortCase& c = GetParam();
  ZRDatabase db;
  ScopedList list(&db);
  Ids ids;
  for (size_t i = 0; i < c.values.size(); ++i) {
    if (!c.values[i]) {
      ids.push_back(1000);
    } else {
      TZRDatabaseTrack t = makeTrack("/m/" + std::to_string(i), "");
      t.tags[c.field] = ZRString(c.values[i]);
      ids.push_back(db.addOrUpdate(&t));
    }
    list->addLine(rowOf(ids.back()), -1, false);
  }
  // The cursors sit on the first and the last row; after the sort they are
  // where those rows went.
  const int32_t last = static_cast<int32_t>(ids.size()) - 1;
  list->setMainCursor(0, false);
  list->setNextCursor(last);
  CallbackCounter::calls() = 0;
  list->setListChangedCallback(&CallbackCounter::callback);

  list->sort(c.field, c.ascending);

  Ids expected;
  for (const int i : c.expected) expected.push_back(ids[i]);
  EXPECT_EQ(rowIds(list.get()), expected);
  TZRListTrack row;
  ASSERT_TRUE(list->getRowData(list->getMainCursor(), &row));
  EXPECT_EQ(row.trackId, ids[0]);
  EXPECT_EQ(row.sortTag, 0);
  ASSERT_TRUE(list->getRowData(list->getNextCursor(), &row));
  EXPECT_EQ(row.trackId, ids[last]);
  EXPECT_EQ(list->getSortField(), c.field);
  EXPECT_EQ(list->getSortDirection(), c.ascending ? 1 : -1);
  EXPECT_EQ(CallbackCounter::calls(), 1);
  EXPECT_TRUE(list->canResetSortOrder());

  // The list's order is the comparison's: a plain sort of the same rows with
  // ZRListCustomSort agrees.
  std::vector<TZRListTrack> rows;
  for (const int32_t id : ids) rows.push_back(rowOf(id));
  db.lockDatabaseForReading();
  std::stable_sort(rows.begin(), rows.end(), ZRListCustomSort(&db, c.field, c.ascending ? 1 : -1));
  db.unlockDatabaseForReading();
  Ids plain;
  for (const TZRListTrack& r : rows) plain.push_back(r.trackId);
  EXPECT_EQ(plain, expected);
}

// abc and Abd differ in a letter, not in case; e and é differ by accent
// (which counts) and sort together before z.
const std::vector<const char*> kTitles = {"abc",
                                          "Abd",
                                          "\xC3\xA9t\xC3\xA9",
                                          "Ete",
                                          "zebra",
                                          "\xC3\x89"
                                          "clair",
                                          "ABC"};
const std::vector<const char*> kTempi = {"100.0", "99.5", "", "128.0", "99.5"};

const SortCase kSortCases[] = {
    {"TitleAccentsAndCase", kTagTitle, true, kTitles, {0, 6, 1, 5, 3, 2, 4}},
    {"TitleDescendingKeepsEqualRowsInOrder", kTagTitle, false, kTitles, {4, 2, 3, 5, 1, 0, 6}},
    {"TempoByNumber", kTagBpm, true, kTempi, {2, 1, 4, 0, 3}},
    {"TempoDescending", kTagBpm, false, kTempi, {3, 0, 1, 4, 2}},
    {"DurationAsText", kTagTime, true, {"10:00", "03:05", "9:59"}, {1, 0, 2}},
    {"YearWithEmptyValue", kTagYear, true, {"1999", "", "2001", "1985"}, {1, 3, 0, 2}},
    {"TrackNumberAsText", kTagTrack, true, {"2", "10", "1"}, {2, 1, 0}},
    {"MissingTrackSortsAsEmpty", kTagArtist, true, {"b", nullptr, "a"}, {1, 2, 0}},
};

INSTANTIATE_TEST_SUITE_P(Fields, ListSortTest, ::testing::ValuesIn(kSortCases),
                         [](const ::testing::TestParamInfo<SortCase>& info) { return info.param.name; });

class ListOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 50; ++i) {
      TZRDatabaseTrack t = makeTrack("/m/" + std::to_string(i), "", std::to_string((i * 37) % 50).c_str());
      t.tags[kTagBpm] = ZRString::format("%.1f", 80.0 + (i * 13) % 50);
      ids.push_back(db.addOrUpdate(&t));
      list->addLine(rowOf(ids.back()), -1, false);
    }
    CallbackCounter::calls() = 0;
    list->setListChangedCallback(&CallbackCounter::callback);
  }
  ZRDatabase db;
  ScopedList list{&db};
  Ids ids;
};

TEST_F(ListOrderTest, ResetSortOrderRestoresTheOrderBeforeTheFirstSort) {
  list->resetSortOrder();  // nothing saved yet
  EXPECT_EQ(CallbackCounter::calls(), 0);
  EXPECT_FALSE(list->canResetSortOrder());

  list->sort(kTagTitle, true);
  EXPECT_NE(rowIds(list.get()), ids);
  list->shuffle();
  list->sort(kTagBpm, false);
  list->resetSortOrder();
  EXPECT_EQ(rowIds(list.get()), ids);
  EXPECT_FALSE(list->canResetSortOrder());
  EXPECT_EQ(list->getSortField(), kTagBpm);  // the sort state stays
  EXPECT_EQ(CallbackCounter::calls(), 4);
}

TEST_F(ListOrderTest, ShuffleKeepsEveryRowAndCanBeUndone) {
  list->setMainCursor(7, false);
  list->shuffle();
  EXPECT_TRUE(list->canResetSortOrder());
  Ids shuffled = rowIds(list.get());
  EXPECT_NE(shuffled, ids);  // 1 in 50! to fail
  EXPECT_EQ(list->getMainCursor(), 7);
  std::sort(shuffled.begin(), shuffled.end());
  EXPECT_EQ(shuffled, ids);
  list->resetSortOrder();
  EXPECT_EQ(rowIds(list.get()), ids);
}

TEST_F(ListOrderTest, MarkCountFollowsTheRestoredRows) {
  list->sort(kTagTitle, true);
  list->insert(3, 1);
  list->insert(4, 1);
  EXPECT_EQ(list->getTotalInserted(), 2);
  list->resetSortOrder();  // the saved rows were taken before the marks
  EXPECT_EQ(list->getTotalInserted(), 0);
  EXPECT_EQ(list->getFirstInsertedLine(), -1);
}

TEST_F(ListOrderTest, AddingOrRemovingDropsTheSavedOrder) {
  list->sort(kTagTitle, true);
  list->addLine(rowOf(ids[0]), 0, false);
  EXPECT_FALSE(list->canResetSortOrder());
  list->shuffle();
  list->remove(0, false);
  EXPECT_FALSE(list->canResetSortOrder());
  list->sort(99, true);  // no such field: nothing
  EXPECT_FALSE(list->canResetSortOrder());
}

// ---- Filtering ----

// Five tracks:     media  genres   year  tempo   artist album  new  added
//   0               audio  17       1999  100.0   Anna   Blue   -    1000
//   1               video  5        2005  128.0   anna   Red    new  2000
//   2               kara.  5, 17    -     -       Bob    blue   -    -1
//   3               audio  -        2010  140.0   Éva    -      new  3000
//   4               video  80       1985  99.5    Eva    Green  -    4000
class ListFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    struct Row {
      int media;
      std::vector<int32_t> genres;
      const char* year;
      const char* bpm;
      const char* artist;
      const char* album;
      bool isNew;
      int64_t added;
    };
    const Row rows[] = {
        {0, {17}, "1999", "100.0", "Anna", "Blue", false, 1000},
        {1, {5}, "2005", "128.0", "anna", "Red", true, 2000},
        {2, {5, 17}, "", "", "Bob", "blue", false, -1},
        {0, {}, "2010", "140.0", "\xC3\x89va", "", true, 3000},
        {1, {80}, "1985", "99.5", "Eva", "Green", false, 4000},
    };
    for (const Row& s : rows) {
      TZRDatabaseTrack t = makeTrack("/m/" + std::to_string(ids.size()), s.artist);
      t.mediaType = s.media;
      for (size_t g = 0; g < s.genres.size(); ++g) t.genres[g] = s.genres[g];
      t.tags[kTagYear] = ZRString(s.year);
      t.tags[kTagBpm] = ZRString(s.bpm);
      t.tags[kTagAlbum] = ZRString(s.album);
      t.isNew = s.isNew;
      ids.push_back(db.addOrUpdate(&t));
      TZRListTrack row = rowOf(ids.back());
      row.added = s.added;
      list->addLine(row, -1, false);
    }
    CallbackCounter::calls() = 0;
    list->setListChangedCallback(&CallbackCounter::callback);
  }
  Ids idsOf(std::initializer_list<int> rows) const {
    Ids out;
    for (const int r : rows) out.push_back(ids[r]);
    return out;
  }
  void filterMedia(ZRList* l, int32_t media, bool sticky = false) {
    l->filter(nullptr, media, 0, 0, 0, 0, "", "", false, -1, -1, sticky);
  }

  ZRDatabase db;
  ScopedList list{&db};
  Ids ids;
};

struct FilterCase {
  const char* name;
  std::vector<int32_t> genres;  // ended by -1 when given
  int32_t media = -1;
  int32_t yearMin = 0, yearMax = 0, bpmMin = 0, bpmMax = 0;
  const char* artist = "";
  const char* album = "";
  bool onlyNew = false;
  int64_t addedFrom = -1, addedTo = -1;
  std::vector<int> shown;
};

class ListFilterKinds : public ListFilterTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(ListFilterKinds, ShowsOnlyMatchingRows) {
  const FilterCase& c = GetParam();
  std::vector<int32_t> genres = c.genres;
  if (!genres.empty()) genres.push_back(-1);
  list->filter(genres.empty() ? nullptr : genres.data(), c.media, c.yearMin, c.yearMax, c.bpmMin, c.bpmMax,
               ZRString(c.artist), ZRString(c.album), c.onlyNew, c.addedFrom, c.addedTo, false);
  Ids expected;
  for (const int r : c.shown) expected.push_back(ids[r]);
  EXPECT_EQ(rowIds(list.get()), expected);
  EXPECT_TRUE(list->isFiltered());
  list->endFiltering(false);
  EXPECT_EQ(rowIds(list.get()), ids);
}

FilterCase filterCase(const char* name, std::vector<int> shown) {
  FilterCase c;
  c.name = name;
  c.shown = std::move(shown);
  return c;
}

std::vector<FilterCase> filterCases() {
  std::vector<FilterCase> cases;
  FilterCase c = filterCase("MediaVideo", {1, 4});
  c.media = 1;
  cases.push_back(c);
  c = filterCase("OneGenre", {1, 2});
  c.genres = {5};
  cases.push_back(c);
  c = filterCase("AnyOfSeveralGenres", {0, 2, 4});
  c.genres = {17, 80};
  cases.push_back(c);
  c = filterCase("YearRangeHidesEmptyYear", {0, 1});
  c.yearMin = 1990;
  c.yearMax = 2006;
  cases.push_back(c);
  c = filterCase("YearMaximumOnlyLetsEmptyYearThrough", {0, 2, 4});
  c.yearMax = 1999;
  cases.push_back(c);
  c = filterCase("TempoMinimumHidesEmptyTempo", {1, 3});
  c.bpmMin = 120;
  cases.push_back(c);
  c = filterCase("TempoRange", {0, 4});
  c.bpmMin = 99;
  c.bpmMax = 100;
  cases.push_back(c);
  c = filterCase("ArtistWithoutCase", {0, 1});
  c.artist = "ANNA";
  cases.push_back(c);
  c = filterCase("ArtistAccentCounts", {4});
  c.artist = "eva";
  cases.push_back(c);
  c = filterCase("AlbumWithoutCase", {0, 2});
  c.album = "BLUE";
  cases.push_back(c);
  c = filterCase("OnlyNew", {1, 3});
  c.onlyNew = true;
  cases.push_back(c);
  c = filterCase("AddedRangeLetsUnrecordedRowsThrough", {1, 2, 3});
  c.addedFrom = 1500;
  c.addedTo = 3500;
  cases.push_back(c);
  c = filterCase("VideoAndNew", {1});
  c.media = 1;
  c.onlyNew = true;
  cases.push_back(c);
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Kinds, ListFilterKinds, ::testing::ValuesIn(filterCases()),
                         [](const ::testing::TestParamInfo<FilterCase>& info) { return info.param.name; });

TEST_F(ListFilterTest, EndingTheFilterRestoresRowsAndCursors) {
  list->setMainCursor(3, false);
  list->setNextCursor(4);
  list->insert(0, 1);
  filterMedia(list.get(), 1);
  EXPECT_EQ(rowIds(list.get()), idsOf({1, 4}));
  EXPECT_EQ(list->getMainCursor(), -1);
  EXPECT_EQ(list->getNextCursor(), -1);
  EXPECT_EQ(list->getTotalInserted(), 0);
  // A second filter filters every row again and keeps the first cursors.
  filterMedia(list.get(), 0);
  EXPECT_EQ(rowIds(list.get()), idsOf({0, 3}));
  list->needsScrollToCursor();
  list->endFiltering(false);
  EXPECT_EQ(rowIds(list.get()), ids);
  EXPECT_EQ(list->getMainCursor(), 3);
  EXPECT_EQ(list->getNextCursor(), 4);
  EXPECT_TRUE(list->needsScrollToCursor());
  EXPECT_FALSE(list->isFiltered());
  EXPECT_EQ(CallbackCounter::calls(), 3);
}

TEST_F(ListFilterTest, StickyFilterYieldsOnlyToStickyOrForce) {
  list->filter(nullptr, -1, 0, 0, 0, 0, "", "", false, 1500, 3500, true);
  EXPECT_EQ(rowIds(list.get()), idsOf({1, 2, 3}));
  filterMedia(list.get(), 1);  // not sticky: ignored
  EXPECT_EQ(rowIds(list.get()), idsOf({1, 2, 3}));
  list->endFiltering(false);
  EXPECT_EQ(rowIds(list.get()), idsOf({1, 2, 3}));
  filterMedia(list.get(), 1, true);  // sticky replaces sticky
  EXPECT_EQ(rowIds(list.get()), idsOf({1, 4}));
  list->endFiltering(true);
  EXPECT_EQ(rowIds(list.get()), ids);
}

TEST_F(ListFilterTest, RowsChangedWhileFilteredReachTheFullCopy) {
  filterMedia(list.get(), 1);
  list->addLine(rowOf(ids[0]), 0, false);  // audio: kept hidden
  list->addLine(rowOf(ids[4]), 0, false);  // video: shown where asked
  EXPECT_EQ(rowIds(list.get()), idsOf({4, 1, 4}));
  list->remove(1, false);  // ids[1] leaves the full copy too
  EXPECT_EQ(rowIds(list.get()), idsOf({4, 4}));
  list->endFiltering(false);
  EXPECT_EQ(rowIds(list.get()), idsOf({0, 2, 3, 4, 0, 4}));

  filterMedia(list.get(), 2);
  std::vector<TZRListTrack> content = {rowOf(ids[2]), rowOf(ids[3]), rowOf(ids[2])};
  list->setContentFrom(&content);
  EXPECT_EQ(rowIds(list.get()), idsOf({2, 2}));
  list->endFiltering(false);
  EXPECT_EQ(rowIds(list.get()), idsOf({2, 3, 2}));
  EXPECT_EQ(list->getMainCursor(), -1);  // set content cleared the saved cursors
}

TEST_F(ListFilterTest, EndFilteringClearsMarksAlsoWhenUnfiltered) {
  list->insertAll(false);
  list->endFiltering(false);
  EXPECT_EQ(list->getTotalInserted(), 0);
  EXPECT_EQ(list->getFirstInsertedLine(), -1);
  EXPECT_EQ(CallbackCounter::calls(), 0);
}

TEST_F(ListFilterTest, FilteringCanBeSwitchedOffPerList) {
  list->setAllowFiltering(false);
  filterMedia(list.get(), 1);
  EXPECT_FALSE(list->isFiltered());
  EXPECT_EQ(list->getCount(), 5);
}

TEST_F(ListFilterTest, AllListsAtOnce) {
  ScopedList other(&db);
  other->addLine(rowOf(ids[1]), -1, false);
  other->addLine(rowOf(ids[0]), -1, false);
  const int32_t video[] = {5, -1};
  ZRList::filterAllLists(video, 1, 0, 0, 0, 0, "", "", false, -1, -1, false);
  EXPECT_EQ(rowIds(list.get()), idsOf({1}));
  EXPECT_EQ(rowIds(other.get()), idsOf({1}));
  TZRListTrack probe = rowOf(ids[4]);
  db.lockDatabaseForReading();
  EXPECT_FALSE(list->filterItemUsingCurrentFilter(probe));  // genre 80
  db.unlockDatabaseForReading();
  ZRList::endFilteringForAllLists(true);
  EXPECT_EQ(list->getCount(), 5);
  EXPECT_EQ(rowIds(other.get()), idsOf({1, 0}));
}

}  // namespace
