// The library's simple, advanced and singer searches.

#include "database/zr_database_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "database/list_test_support.h"
#include "database/zr_folded_match.h"

namespace {

using orvel_test::CallbackCounter;
using orvel_test::rowIds;
using orvel_test::ScopedList;
using Rows = std::vector<int>;

// A small library with accents and mixed case. Index = position in kTracks.
struct TrackRecipe {
  const char* path;
  const char* artist;
  const char* title;
  const char* genre;
  const char* bpm;
  const char* key;
  const char* year;
  bool isNew;
  int onlineStatus;
};
const TrackRecipe kTracks[] = {
    {"/m/0.mp3", "Beyonc\xC3\xA9", "Halo", "Pop", "128.0", "08m/Am", "2008", false, 0},
    {"/m/1.mp3", "DJ Shadow", "Love Song", "Trip-Hop", "96.0", "11/A", "1999", false, 0},
    {"/m/2.mp3", "LOVE Inc", "Broken Bones", "Dance", "128.0", "", "1997", true, 0},
    {"/m/3.mp3", "\xC3\x89milie", "new Dawn", "Chanson", "", "", "2020", false, 0},
    {"/m/4.mp3", "Newton", "Gravity", "", "", "", "", true, 4},  // online, left out
    {"/m/5.mp3", "Online Two", "Love 2", "", "", "", "", false, 2},
    {"lirra://track/7", "Catalogue", "Sing Along", "", "", "", "", false, 4},
    {"/m/7.mp3", "Zed", "Renewal", "", "", "", "", false, 0},
};

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const TrackRecipe& s : kTracks) {
      TZRDatabaseTrack t = orvel_test::makeTrack(s.path, s.artist, s.title);
      t.tags[kTagGenre] = ZRString(s.genre);
      t.tags[kTagBpm] = ZRString(s.bpm);
      t.tags[kTagKey] = ZRString(s.key);
      t.tags[kTagYear] = ZRString(s.year);
      t.isNew = s.isNew;
      t.onlineStatus = s.onlineStatus;
      ids.push_back(db.addOrUpdate(&t));
    }
    results->setMainCursor(0, false);
  }
  // The positions in kTracks of the result rows, sorted.
  Rows found() {
    Rows rows;
    for (const int32_t id : rowIds(results.get())) {
      rows.push_back(static_cast<int>(std::find(ids.begin(), ids.end(), id) - ids.begin()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  Rows simple(const char* text) {
    db.search(ZRString(text), results.get(), nullptr);
    return found();
  }
  Rows advanced(const char* text) {
    db.searchAdvanced(ZRString(text), results.get(), nullptr);
    return found();
  }

  ZRDatabase db;
  ScopedList results{&db, ZRList::kTypeSearchResults, "results"};
  std::vector<int32_t> ids;
};

TEST_F(SearchTest, SimpleSearchFindsTheWholeTextInArtistOrTitle) {
  struct Case {
    const char* text;
    Rows rows;
  };
  const Case cases[] = {
      {"love", {1, 2, 5}},
      {"BEYONC\xC3\x89", {0}},  // case does not count
      {"beyonce", {}},          // accents do
      {"\xC3\xA9MILIE", {3}},
      {"E S", {1}},     // the whole text, spaces included
      {" love", {}},    // not trimmed
      {"gravity", {}},  // an online track
      {"sing", {6}},    // the karaoke catalogue's tracks stay
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(simple(c.text), c.rows) << "'" << c.text << "'";
}

TEST_F(SearchTest, ResultsReplaceTheListAsNewRows) {
  CallbackCounter::calls() = 0;
  results->setListChangedCallback(&CallbackCounter::callback);
  simple("love");
  EXPECT_EQ(results->getCount(), 3);
  EXPECT_EQ(results->getMainCursor(), -1);
  EXPECT_EQ(CallbackCounter::calls(), 1);
  TZRListTrack row;
  ASSERT_TRUE(results->getRowData(0, &row));
  EXPECT_FALSE(row.marked);
  EXPECT_EQ(row.added, -1);
  EXPECT_TRUE(row.singerName.empty());
  simple("zed");
  EXPECT_EQ(results->getCount(), 1);
  db.search("love", nullptr, nullptr);  // no result list: nothing
  db.searchAdvanced("love", nullptr, nullptr);
  EXPECT_EQ(results->getCount(), 1);
}

TEST_F(SearchTest, AdvancedSearchWords) {
  struct Case {
    const char* text;
    bool inMiddle;
    Rows rows;
  };
  const Case cases[] = {
      {"ove", false, {}},
      {"ove", true, {1, 2, 5}},
      {"lov", false, {1, 2, 5}},
      {"lov", true, {1, 2, 5}},
      {"b128", false, {0, 2}},
      {"y1999", false, {1}},
      {"k08m", false, {0}},
      {"new", false, {2, 3}},  // marked new, or a word beginning with new
      {"new", true, {2, 3, 7}},
      {"SONG love", false, {1}},
      {"  love   song ", false, {1}},
      {"dj shadow love song trip-hop b96 k11 y1999 nothing", false, {1}},  // the ninth word is not used
      {"dj shadow love song trip-hop b96 k11 nothing", false, {}},
      {"\xC3\x89MILIE", false, {3}},
      {"emilie", false, {}},
      {"", false, {0, 1, 2, 3, 5, 6, 7}},
      {"   ", false, {0, 1, 2, 3, 5, 6, 7}},
      {"pop", false, {0}},  // the genre
  };
  for (const Case& c : cases) {
    db.setSearchInMiddleOfWords(c.inMiddle);
    EXPECT_EQ(advanced(c.text), c.rows) << "'" << c.text << "' in middle " << c.inMiddle;
  }
}

TEST_F(SearchTest, ChangedTracksAreFoundByTheirNewFields) {
  EXPECT_EQ(advanced("halo"), Rows{0});
  TZRDatabaseTrack t;
  ASSERT_TRUE(db.getTrackIdData(ids[0], &t));
  EXPECT_FALSE(t.searchText.empty());
  t.tags[kTagTitle] = "Umbrella";
  db.addOrUpdate(&t);
  EXPECT_EQ(advanced("halo"), Rows{});
  EXPECT_EQ(advanced("umbrella"), Rows{0});

  db.updateTrack("/m/3.mp3", 100, 0, false, "Am", false, 0, "", 0);
  EXPECT_EQ(advanced("b100"), Rows{3});
  EXPECT_EQ(advanced("k08m"), (Rows{0, 3}));
  TZRDatabaseTrack merged;
  ASSERT_TRUE(db.getTrackIdData(ids[7], &merged));
  merged.bpm = 174;
  db.updateTrackMerge(&merged, false);
  EXPECT_EQ(advanced("b174"), Rows{7});
}

TEST_F(SearchTest, LongTextsAreCutWithoutBreakingCharacters) {
  std::string text;
  for (int i = 0; i < 1500; ++i) text += "\xC3\xA9";  // 3000 bytes
  EXPECT_EQ(advanced(text.c_str()), Rows{});
  text = "love " + std::string(700, 'x');  // a word beyond 511 bytes
  EXPECT_EQ(advanced(text.c_str()), Rows{});
  // A text cut inside a character at 2047 bytes: the last word is cut short
  // and still matches nothing but does not break.
  text = std::string(2046, ' ') + "\xC3\xA9" + "love";
  EXPECT_EQ(advanced(text.c_str()), (Rows{0, 1, 2, 3, 5, 6, 7}));
  EXPECT_EQ(simple(std::string(5000, 'a').c_str()), Rows{});
}

class SingerSearchTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    const char* singers[] = {"Anna", "Bob", "anna-marie", "", "ANNA"};
    for (int i = 0; i < 5; ++i) {
      TZRListTrack row = orvel_test::rowOf(ids[i]);
      row.singerName = ZRString(singers[i]);
      row.added = 1000 + i;
      history->addLine(row, -1, false);
    }
  }
  ScopedList history{&db, ZRList::kTypeHistory, "history"};
};

TEST_F(SingerSearchTest, SingerPrefixSearchesTheHistory) {
  struct Case {
    const char* text;
    std::vector<int> historyRows;
  };
  const Case cases[] = {
      {"s: Anna", {0, 2, 4}}, {"SINGER:bob", {1}}, {"Singer: MARIE ", {2}}, {"singer:", {}}, {"s:", {}},
  };
  for (const Case& c : cases) {
    for (const bool isAdvanced : {false, true}) {
      if (isAdvanced) {
        db.searchAdvanced(ZRString(c.text), results.get(), history.get());
      } else {
        db.search(ZRString(c.text), results.get(), history.get());
      }
      std::vector<int32_t> expected;
      for (const int r : c.historyRows) expected.push_back(ids[r]);
      EXPECT_EQ(rowIds(results.get()), expected) << c.text;
    }
  }
  // Copies of the history rows.
  db.search("s:bob", results.get(), history.get());
  TZRListTrack row;
  ASSERT_TRUE(results->getRowData(0, &row));
  EXPECT_EQ(row.singerName, ZRString("Bob"));
  EXPECT_EQ(row.added, 1001);
}

TEST_F(SingerSearchTest, OnlyAPrefixMakesASingerSearch) {
  EXPECT_FALSE(searchInHistoryList("my s:x", results.get(), history.get()));
  EXPECT_FALSE(searchInHistoryList("s:anna", results.get(), nullptr));
  EXPECT_TRUE(searchInHistoryList("S:anna", results.get(), history.get()));
  EXPECT_EQ(results->getCount(), 3);
  // Without a history list it is an ordinary search for the text.
  db.search("s:anna", results.get(), nullptr);
  EXPECT_EQ(results->getCount(), 0);
  db.search("e s", results.get(), history.get());
  EXPECT_EQ(found(), Rows{1});
}

// The simple search keeps its folded texts from one search to the next and
// refolds only what changed. After every kind of change its results must be
// those of a library holding the same records searched for the first time.
class SearchAfterChangeTest : public ::testing::Test {
 protected:
  static constexpr int kTrackCount = 400;
  static constexpr int32_t kIdsBelow = 4 * kTrackCount;  // every id the test gives
  void SetUp() override {
    std::mt19937 random(35);
    for (int i = 0; i < kTrackCount; ++i) {
      // Ids with gaps, so that a new record can land between two others.
      TZRDatabaseTrack t = randomTrack(random, "/lib/" + std::to_string(i) + "$");
      t.id = 3 * i + 1;
      db.addOrUpdate(&t);
    }
  }
  TZRDatabaseTrack randomTrack(std::mt19937& random, const std::string& path) {
    static const char* const kWords[] = {"Love",
                                         "LOVE",
                                         "night",
                                         "\xC3\x89t\xC3\xA9",
                                         "Stra\xC3\x9F"
                                         "e",
                                         "dawn",
                                         "Rain",
                                         "\xF0\x90\x90\x80x",
                                         "la",
                                         "Fire"};
    auto words = [&random] {
      std::string text;
      const int n = static_cast<int>(random() % 4);
      for (int w = 0; w < n; ++w) text += std::string(w ? " " : "") + kWords[random() % std::size(kWords)];
      return text;
    };
    TZRDatabaseTrack t = orvel_test::makeTrack(path, words().c_str(), words().c_str());
    t.onlineStatus = random() % 7 == 0 ? 4 : 0;
    return t;
  }
  // Every needle's results in this library and in a new library given copies
  // of the same records.
  void expectSameAsFreshLibrary(const std::string& step) {
    ZRDatabase fresh;
    ScopedList freshResults{&fresh, ZRList::kTypeSearchResults, "fresh"};
    for (int32_t id = 0; id < kIdsBelow; ++id) {
      TZRDatabaseTrack t;
      if (db.getTrackIdData(id, &t)) fresh.addOrUpdate(&t);
    }
    for (const char* needle :
         {"love", "\xC3\xA9T\xC3\x89", "strasse", "\xF0\x90\x90\xA8", "e l", "a", "zz"}) {
      db.search(ZRString(needle), results.get(), nullptr);
      fresh.search(ZRString(needle), freshResults.get(), nullptr);
      EXPECT_EQ(rowIds(results.get()), rowIds(freshResults.get())) << step << ", '" << needle << "'";
    }
  }
  // Gives the record new random texts and online status, keeping its id and path.
  void replaceTexts(TZRDatabaseTrack& t, std::mt19937& random) {
    TZRDatabaseTrack other = randomTrack(random, t.tags[kTagFileName].utf8());
    other.id = t.id;
    t = other;
  }
  TZRDatabaseTrack stored(int32_t id) {
    TZRDatabaseTrack t;
    EXPECT_TRUE(db.getTrackIdData(id, &t)) << id;
    return t;
  }

  ZRDatabase db;
  ScopedList results{&db, ZRList::kTypeSearchResults, "results"};
};

TEST_F(SearchAfterChangeTest, ResultsAfterEachChangeAreThoseOfAWholeRebuild) {
  std::mt19937 random(7);
  struct Step {
    const char* name;
    std::function<void()> change;
  };
  const Step steps[] = {
      {"title changed",
       [&] {
         TZRDatabaseTrack t = stored(4);
         t.onlineStatus = 0;
         t.tags[kTagTitle] = "Love Is \xC3\x89T\xC3\x89";
         db.addOrUpdate(&t);
       }},
      {"artist changed in place",
       [&] { db.changeStoredTrack(7, [](TZRDatabaseTrack& t) { t.tags[kTagArtist] = "Strasse Fire"; }); }},
      {"went online (left out)",
       [&] { db.changeStoredTrack(4, [](TZRDatabaseTrack& t) { t.onlineStatus = 4; }); }},
      {"back from online", [&] { db.changeStoredTrack(4, [](TZRDatabaseTrack& t) { t.onlineStatus = 2; }); }},
      {"karaoke catalogue address",
       [&] {
         db.changeStoredTrack(10, [](TZRDatabaseTrack& t) {
           t.onlineStatus = 4;
           t.tags[kTagFileName] = "lirra://track/10$";
         });
       }},
      {"new track after every other",
       [&] {
         TZRDatabaseTrack t = orvel_test::makeTrack("/new/last$", "Love", "Rain");
         db.addOrUpdate(&t);
       }},
      {"new track between two others",
       [&] {
         TZRDatabaseTrack t = orvel_test::makeTrack("/new/middle$", "Dawn", "la love");
         t.id = 101;
         db.addOrUpdate(&t);
       }},
      {"tempo and key only", [&] { db.updateTrack("/lib/2$", 128, 0, false, "Am", false, 0, "", 0); }},
      {"merged from a deck",
       [&] {
         TZRDatabaseTrack t = stored(13);
         t.bpm = 90;
         db.updateTrackMerge(&t, false);
       }},
      {"dead file removed",
       [&] {
         db.changeStoredTrack(16, [](TZRDatabaseTrack& t) { t.tags[kTagFileName] = "/gone/16.mp3"; });
         db.removeDeadFiles();
       }},
      {"one track changed many times (the old texts are dropped)",
       [&] {
         for (int i = 0; i < 300; ++i) {
           db.changeStoredTrack(19, [&](TZRDatabaseTrack& t) { replaceTexts(t, random); });
           db.search("love", results.get(), nullptr);
         }
       }},
      {"many tracks changed between two searches",
       [&] {
         for (int32_t id = 22; id < 3 * kTrackCount; id += 3) {
           db.changeStoredTrack(id, [&](TZRDatabaseTrack& t) { replaceTexts(t, random); });
         }
       }},
  };
  expectSameAsFreshLibrary("before any change");
  for (const Step& step : steps) {
    db.search("love", results.get(), nullptr);  // the folded texts are up to date before the change
    step.change();
    expectSameAsFreshLibrary(step.name);
  }
}

TEST(FoldedNeedle, AgreesWithTheTextTypesSearchWithoutCase) {
  const char* const texts[] = {"Love Song",
                               "LOVE",
                               "\xC3\x89t\xC3\xA9",
                               "STRASSE",
                               "Stra\xC3\x9F"
                               "e",
                               "\xE2\x84\xAA"
                               "elvin",  // Kelvin sign
                               "\xF0\x90\x90\x80"
                               "x",  // a letter outside the first plane
                               "",
                               "abc abc",
                               "\xC3\xA9t\xC3\xA9"};
  const char* const needles[] = {"love",     "ove s",  "\xC3\xA9T\xC3\x89", "ETE", "strasse",
                                 "\xC3\x9F", "kelvin", "\xF0\x90\x90\xA8",  "c a", "",
                                 "abcd",     "s"};
  for (const char* text : texts) {
    for (const char* needle : needles) {
      const ZRString t(text);
      const ZRString n(needle);
      std::u32string folded;
      appendFolded(t, folded);
      EXPECT_EQ(ZRFoldedNeedle(n).foundIn(folded), t.containsNoCase(n)) << text << " / " << needle;
    }
  }
}

}  // namespace
