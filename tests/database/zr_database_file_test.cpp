// database.xml: the exact file a library with every field and every list kind
// gives, the round trip through it, the values the loader takes or refuses,
// id renumbering, and what a damaged file, a full disk or a crash during a
// save leave behind.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/zr_atomic_file_writer.h"
#include "database/list_test_support.h"
#include "database/xml_test_documents.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using orvel_test::LogCapture;
using orvel_test::makeTrack;
using orvel_test::readFile;
using orvel_test::rowIds;
using orvel_test::rowOf;
using orvel_test::ScopedList;
using orvel_test::TempDir;
using orvel_test::writeFile;

const std::string kHeader = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n";

// The lists a load fills, as the browser would give them: one per special
// type, and a new user list for each saved user list.
struct LoadTarget {
  explicit LoadTarget(ZRDatabase* db) : db(db) {}
  ZRDatabase* db;
  std::map<int32_t, std::unique_ptr<ScopedList>> special;
  std::vector<std::unique_ptr<ScopedList>> userLists;
  int calls = 0;

  ZRList* list(int32_t type) {
    auto& slot = special[type];
    if (!slot) slot = std::make_unique<ScopedList>(db, type, "special");
    return slot->get();
  }
  static ZRList* factory(const ZRString& name, int32_t type, int32_t subtype, void* user) {
    LoadTarget* self = static_cast<LoadTarget*>(user);
    ++self->calls;
    if (type == ZRList::kTypeUserList) {
      self->userLists.push_back(std::make_unique<ScopedList>(self->db, type, name.utf8().c_str()));
      (void)subtype;
      return self->userLists.back()->get();
    }
    if (type == ZRList::kTypeCollection || type == ZRList::kTypeHistory || type == ZRList::kTypeAutomix ||
        type == ZRList::kTypeKaraokeRotation) {
      return self->list(type);
    }
    return nullptr;
  }
};

// A track with every field set, the values chosen to show each rule of the
// file: escapes, 64-bit sizes and dates, numbered cues and loops.
TZRDatabaseTrack fullTrack() {
  TZRDatabaseTrack t;
  t.id = 0;
  const char* texts[kTagFieldCount] = {"7",
                                       "Arti & \"st\"",
                                       "say \"hi\" & <go>\t'now'\n\x01!",
                                       "128.5",
                                       "03:35",
                                       "House",
                                       "08m/Am",
                                       "c",
                                       "Alb",
                                       "4",
                                       "1999",
                                       "/music/a.mp3"};
  for (int i = 0; i < kTagFieldCount; ++i) t.tags[i] = ZRString(texts[i]);
  t.bpm = 128.5f;
  t.suggestedBpm = 64.25f;
  t.durationMs = 215000;
  t.pgainValid = true;
  t.pgain = -3.5f;
  t.pitchKey = 13;
  t.eqLow = -0.25f;
  t.eqMid = 0;
  t.eqHigh = 1.5f;
  t.currentCue = 2;
  t.cues[0] = 44100;
  t.cues[15] = 88200;
  t.cueIn = 1000;
  t.cueOut = 9000000;
  t.cueInUser = true;
  t.cueOutUser = true;
  t.loops[0] = {100, 200};
  t.loops[1] = {0, 5};
  t.loops[7] = {300, 400};
  t.size = 3000000000LL;
  t.genres[0] = 17;
  t.genres[1] = 0;
  t.highlight = 3;
  t.hasHighlightColor = true;
  t.highlightColor[0] = 1.0f;
  t.highlightColor[1] = 0.0f;
  t.highlightColor[2] = 51 / 255.0f;
  t.highlightColor[3] = 1.0f;
  t.mediaType = 2;
  t.onlineStatus = 4;
  t.imgUrl = "https://example.com/c.jpg";
  t.linkedFile = "/music/a.cdg";
  t.isNew = true;
  t.isExplicit = false;
  t.stripe = "0A-0000BEEF";
  t.rating = 4;
  t.playCount = 12;
  t.bitRate = 320000;
  t.bitDepth = 16;
  t.sampleRate = 44100;
  t.channels = 2;
  t.dtAdded = 5000000000LL;
  t.dtPlayed = 1700000000LL;
  return t;
}

const char* const kFullTrackLine =
    "<track id=\"0\" numb=\"7\" arti=\"Arti &amp; &quot;st&quot;\" "
    "titl=\"say &quot;hi&quot; &amp; &lt;go&gt;&#x09;&#39;now&#39;&#x0A; !\" bpmt=\"128.5\" time=\"03:35\" "
    "genr=\"House\" pkey=\"08m/Am\" comm=\"c\" albm=\"Alb\" trck=\"4\" year=\"1999\" fnam=\"/music/a.mp3\" "
    "bpm=\"128.5000\" suggested_bpm=\"64.2500\" duration_ms=\"215000\" pgain=\"-3.5000\" pitch_key=\"13\" "
    "eql=\"-0.2500\" eqm=\"0.0000\" eqh=\"1.5000\" currentcue=\"3\" cue1=\"44100\" cue16=\"88200\" "
    "cue_in=\"1000\" cue_out=\"9000000\" cue_in_user=\"true\" cue_out_user=\"true\" loop1_in=\"100\" "
    "loop1_out=\"200\" loop8_in=\"300\" loop8_out=\"400\" size=\"3000000000\" gnr1=\"17\" gnr2=\"0\" "
    "hid=\"3\" highlightColor=\"#FF0033\" mediatype=\"2\" ostatus=\"4\" imgurl=\"https://example.com/c.jpg\" "
    "linkedfile=\"/music/a.cdg\" isnew=\"true\" explicit=\"false\" stripe=\"0A-0000BEEF\" rating=\"4.0000\" "
    "playCount=\"12\" bitRate=\"320000\" bitDepth=\"16\" sr=\"44100\" ch=\"2\" dtAdded=\"5000000000\" "
    "dtPlayed=\"1700000000\" />\n";

const char* const kPlainTrackLine =
    "<track id=\"1\" fnam=\"/music/b.mp3\" bpm=\"0.0000\" duration_ms=\"-1\" pitch_key=\"0\" eql=\"0.0000\" "
    "eqm=\"0.0000\" eqh=\"0.0000\" currentcue=\"1\" cue_in=\"0\" cue_out=\"-1\" size=\"0\" mediatype=\"-1\" "
    "isnew=\"false\" explicit=\"false\" playCount=\"0\" dtAdded=\"0\" dtPlayed=\"0\" />\n";

const char* const kThirdTrackLine =
    "<track id=\"2\" arti=\"C\xC3\xA9line\" fnam=\"/music/c.mp3\" bpm=\"0.0000\" duration_ms=\"-1\" "
    "pitch_key=\"0\" eql=\"0.0000\" eqm=\"0.0000\" eqh=\"0.0000\" currentcue=\"1\" cue_in=\"0\" "
    "cue_out=\"-1\" "
    "size=\"0\" mediatype=\"-1\" isnew=\"false\" explicit=\"false\" playCount=\"0\" dtAdded=\"0\" "
    "dtPlayed=\"0\" />\n";

std::string goldenFile() {
  return kHeader + "<database version=\"1\">\n<tracks>\n" + kFullTrackLine + kPlainTrackLine +
         kThirdTrackLine +
         "</tracks>\n"
         "<lists>\n"
         "  <list name=\"special\" type=\"200\" subtype=\"0\" cursor=\"1\">\n"
         "    <item id=\"0\"/>\n"
         "    <item id=\"1\"/>\n"
         "    <item id=\"2\"/>\n"
         "  </list>\n"
         "  <list name=\"special\" type=\"202\" subtype=\"0\" cursor=\"-1\">\n"
         "    <item id=\"0\" added=\"1700000000\"/>\n"
         "  </list>\n"
         "  <list name=\"My &quot;Set&quot; &amp; more\" type=\"210\" subtype=\"0\" cursor=\"-1\">\n"
         "    <item id=\"1\"/>\n"
         "    <item id=\"0\"/>\n"
         "  </list>\n"
         "  <list name=\"special\" type=\"212\" subtype=\"0\" cursor=\"-1\">\n"
         "  </list>\n"
         "  <list name=\"special\" type=\"217\" subtype=\"0\" cursor=\"0\">\n"
         "    <item id=\"0\" singerName=\"Bob\"  id2=\"1\" kadj2=\"2.0000\" id3=\"2\" kadj=\"-1.5000\" "
         "coll=\"1\"/>\n"
         "    <item id=\"-1\" singerName=\"Amy\" />\n"
         "  </list>\n"
         "</lists>\n"
         "</database>\n";
}

// The library of the golden file, with its lists registered.
struct GoldenLibrary {
  ZRDatabase db;
  LoadTarget lists{&db};
  ScopedList searchResults{&db, ZRList::kTypeSearchResults, "results", false};
  std::unique_ptr<ScopedList> userList;

  GoldenLibrary() {
    TZRDatabaseTrack a = fullTrack();
    TZRDatabaseTrack b = makeTrack("/music/b.mp3", "");
    b.id = 1;
    TZRDatabaseTrack c = makeTrack("/music/c.mp3", "C\xC3\xA9line");
    c.id = 2;
    db.addOrUpdate(&a);
    db.addOrUpdate(&b);
    db.addOrUpdate(&c);

    ZRList* collection = lists.list(ZRList::kTypeCollection);
    for (int id : {0, 1, 2}) collection->addLine(rowOf(id), -1, false);
    collection->setMainCursor(1, false);
    TZRListTrack played = rowOf(0);
    played.added = 1700000000;
    lists.list(ZRList::kTypeHistory)->addLine(played, -1, false);
    userList = std::make_unique<ScopedList>(&db, ZRList::kTypeUserList, "My \"Set\" & more");
    // Marks are a selection of the moment: never written.
    (*userList)->addLine(rowOf(1, true), -1, false);
    (*userList)->addLine(rowOf(0, true), -1, false);
    lists.list(ZRList::kTypeAutomix);
    ZRList* rotation = lists.list(ZRList::kTypeKaraokeRotation);
    TZRListTrack singer = rowOf(0);
    singer.singerName = "Bob";
    singer.additionalTracks = {{1, 2.0f}, {2, 0.0f}};
    singer.keyAdjust = -1.5f;
    singer.collapsed = true;
    rotation->addLine(singer, -1, false);
    TZRListTrack slot = rowOf(-1);
    slot.singerName = "Amy";
    rotation->addLine(slot, -1, false);
    rotation->setMainCursor(0, false);
    searchResults->addLine(rowOf(2), -1, false);  // not saved
  }
};

void expectSameTrack(const TZRDatabaseTrack& a, const TZRDatabaseTrack& b) {
  for (int i = 0; i < kTagFieldCount; ++i) EXPECT_EQ(a.tags[i], b.tags[i]) << kTagFieldIds[i];
  EXPECT_EQ(a.id, b.id);
  EXPECT_FLOAT_EQ(a.bpm, b.bpm);
  EXPECT_FLOAT_EQ(a.suggestedBpm, b.suggestedBpm);
  EXPECT_EQ(a.durationMs, b.durationMs);
  EXPECT_EQ(a.pgainValid, b.pgainValid);
  EXPECT_FLOAT_EQ(a.pgain, b.pgain);
  EXPECT_EQ(a.pitchKey, b.pitchKey);
  EXPECT_FLOAT_EQ(a.eqLow, b.eqLow);
  EXPECT_FLOAT_EQ(a.eqHigh, b.eqHigh);
  EXPECT_EQ(a.currentCue, b.currentCue);
  for (int i = 0; i < TZRDatabaseTrack::kCueCount; ++i) EXPECT_EQ(a.cues[i], b.cues[i]);
  EXPECT_EQ(a.cueIn, b.cueIn);
  EXPECT_EQ(a.cueOut, b.cueOut);
  EXPECT_EQ(a.cueInUser, b.cueInUser);
  EXPECT_EQ(a.cueOutUser, b.cueOutUser);
  EXPECT_EQ(a.loops[0].in, b.loops[0].in);
  EXPECT_EQ(a.loops[7].out, b.loops[7].out);
  EXPECT_EQ(a.size, b.size);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(a.genres[i], b.genres[i]);
  EXPECT_EQ(a.highlight, b.highlight);
  EXPECT_EQ(a.hasHighlightColor, b.hasHighlightColor);
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(a.highlightColor[i], b.highlightColor[i]);
  EXPECT_EQ(a.mediaType, b.mediaType);
  EXPECT_EQ(a.onlineStatus, b.onlineStatus);
  EXPECT_EQ(a.imgUrl, b.imgUrl);
  EXPECT_EQ(a.linkedFile, b.linkedFile);
  EXPECT_EQ(a.isNew, b.isNew);
  EXPECT_EQ(a.isExplicit, b.isExplicit);
  EXPECT_EQ(a.stripe, b.stripe);
  EXPECT_FLOAT_EQ(a.rating, b.rating);
  EXPECT_EQ(a.playCount, b.playCount);
  EXPECT_EQ(a.bitRate, b.bitRate);
  EXPECT_EQ(a.bitDepth, b.bitDepth);
  EXPECT_EQ(a.sampleRate, b.sampleRate);
  EXPECT_EQ(a.channels, b.channels);
  EXPECT_EQ(a.dtAdded, b.dtAdded);
  EXPECT_EQ(a.dtPlayed, b.dtPlayed);
}

TEST(DatabaseFileTest, GoldenFileAndRoundTripOfEveryFieldAndListKind) {
  TempDir dir;
  const std::string path = dir.file("database.xml");
  GoldenLibrary golden;
  ASSERT_TRUE(golden.db.save(ZRString(path), true));
  const std::string written = readFile(path);
  EXPECT_EQ(written, goldenFile());
  // The control byte became a space in the file only.
  TZRDatabaseTrack stored;
  ASSERT_TRUE(golden.db.getTrackIdData(0, &stored));
  expectSameTrack(stored, fullTrack());

  ZRDatabase db;
  LoadTarget target(&db);
  ASSERT_TRUE(db.load(ZRString(path), &LoadTarget::factory, &target));
  EXPECT_EQ(db.getTrackCount(), 3);
  TZRDatabaseTrack loaded;
  ASSERT_TRUE(db.getTrackIdData(0, &loaded));
  TZRDatabaseTrack expected = fullTrack();
  expected.tags[kTagTitle] = "say \"hi\" & <go>\t'now'\n !";
  expectSameTrack(loaded, expected);
  ASSERT_TRUE(db.getTrackIdOnlyIfFound(-1, "/music/c.mp3", &loaded));
  EXPECT_EQ(loaded.tags[kTagArtist], ZRString("C\xC3\xA9line"));

  EXPECT_EQ(rowIds(target.list(ZRList::kTypeCollection)), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(target.list(ZRList::kTypeCollection)->getMainCursor(), 1);
  TZRListTrack row;
  ASSERT_TRUE(target.list(ZRList::kTypeHistory)->getRowData(0, &row));
  EXPECT_EQ(row.added, 1700000000);
  ASSERT_EQ(target.userLists.size(), 1u);
  ZRList* user = target.userLists[0]->get();
  EXPECT_EQ(user->getName(), ZRString("My \"Set\" & more"));
  EXPECT_EQ(rowIds(user), (std::vector<int32_t>{1, 0}));
  EXPECT_EQ(user->getTotalInserted(), 0);
  EXPECT_EQ(target.list(ZRList::kTypeAutomix)->getCount(), 0);
  ZRList* rotation = target.list(ZRList::kTypeKaraokeRotation);
  ASSERT_TRUE(rotation->getRowData(0, &row));
  EXPECT_EQ(row.singerName, ZRString("Bob"));
  ASSERT_EQ(row.additionalTracks.size(), 2u);
  EXPECT_EQ(row.additionalTracks[0].trackId, 1);
  EXPECT_FLOAT_EQ(row.additionalTracks[0].keyAdjust, 2.0f);
  EXPECT_EQ(row.additionalTracks[1].trackId, 2);
  EXPECT_FLOAT_EQ(row.keyAdjust, -1.5f);
  EXPECT_TRUE(row.collapsed);
  ASSERT_TRUE(rotation->getRowData(1, &row));
  EXPECT_EQ(row.trackId, -1);
  EXPECT_EQ(row.singerName, ZRString("Amy"));
  EXPECT_EQ(target.calls, 5);

  // Written again from what was read: the same bytes.
  const std::string again = dir.file("again.xml");
  ASSERT_TRUE(db.save(ZRString(again), true));
  EXPECT_EQ(readFile(again), written);
}

TEST(DatabaseFileTest, SavingKeepsRecordsWholeAndCutsOnlyTheFile) {
  TempDir dir;
  ZRDatabase db;
  // 5000 characters of two UTF-16 units each: the cut must not split one.
  std::string longTitle;
  for (int i = 0; i < 5000; ++i) longTitle += "\xF0\x9F\x8E\xB5";
  std::string longPath = "/music/";
  for (int i = 0; i < 400; ++i) longPath += "folder/";
  longPath += "x.mp3";
  TZRDatabaseTrack t = makeTrack(longPath, "A", longTitle.c_str());
  const int id = db.addOrUpdate(&t);
  ScopedList list(&db, ZRList::kTypeUserList, std::string(10000, 'n').c_str());
  list->addLine(rowOf(id), -1, false);
  ASSERT_TRUE(db.save(ZRString(dir.file("database.xml")), true));

  TZRDatabaseTrack after;
  ASSERT_TRUE(db.getTrackIdData(id, &after));
  EXPECT_EQ(after.tags[kTagTitle].utf8(), longTitle);
  EXPECT_EQ(after.tags[kTagFileName].utf8(), longPath);
  const std::string file = readFile(dir.file("database.xml"));
  EXPECT_NE(file.find("fnam=\"" + longPath + "\""), std::string::npos);
  std::string cut;
  for (int i = 0; i < 2047; ++i) cut += "\xF0\x9F\x8E\xB5";  // 4094 units
  EXPECT_NE(file.find("titl=\"" + cut + "\""), std::string::npos);
  EXPECT_NE(file.find("name=\"" + std::string(10000, 'n') + "\""), std::string::npos);

  ZRDatabase loaded;
  LoadTarget target(&loaded);
  ASSERT_TRUE(loaded.load(ZRString(dir.file("database.xml")), &LoadTarget::factory, &target));
  ASSERT_TRUE(loaded.getTrackIdOnlyIfFound(-1, ZRString(longPath), &after));
  EXPECT_EQ(after.tags[kTagTitle].utf8(), cut);
}

// One track element's attributes and what the loaded record holds.
struct FieldCase {
  const char* name;
  const char* attributes;
  std::function<void(const TZRDatabaseTrack&)> check;
};

std::string libraryWith(const std::vector<std::string>& trackAttributes, const std::string& lists = "") {
  std::string text = kHeader + "<database version=\"1\">\n<tracks>\n";
  for (const std::string& a : trackAttributes) text += "<track " + a + " />\n";
  text += "</tracks>\n" + lists + "</database>\n";
  return text;
}

TEST(DatabaseFileTest, LoaderTakesEachValueByItsRule) {
  const int64_t before = static_cast<int64_t>(time(nullptr));
  const std::vector<FieldCase> cases = {
      {"DurationFromSeconds", "duration_ms=\"0\" duration=\"3\"",
       [](const TZRDatabaseTrack& t) { EXPECT_EQ(t.durationMs, 3000); }},
      {"NoDuration", "", [](const TZRDatabaseTrack& t) { EXPECT_EQ(t.durationMs, -1); }},
      {"CurrentCueZero", "currentcue=\"0\"", [](const TZRDatabaseTrack& t) { EXPECT_EQ(t.currentCue, 0); }},
      {"CurrentCueTooHigh", "currentcue=\"21\"",
       [](const TZRDatabaseTrack& t) { EXPECT_EQ(t.currentCue, 0); }},
      {"CurrentCueThree", "currentcue=\"3\"", [](const TZRDatabaseTrack& t) { EXPECT_EQ(t.currentCue, 2); }},
      {"UnknownMediaType", "mediatype=\"7\"", [](const TZRDatabaseTrack& t) { EXPECT_EQ(t.mediaType, -1); }},
      {"UnknownOnlineStatus", "ostatus=\"3\"",
       [](const TZRDatabaseTrack& t) { EXPECT_EQ(t.onlineStatus, 0); }},
      {"NegativeCues", "cue1=\"-5\" cue_in=\"-1\"",
       [](const TZRDatabaseTrack& t) {
         EXPECT_EQ(t.cues[0], 0);
         EXPECT_EQ(t.cueIn, 0);
         EXPECT_EQ(t.cueOut, -1);
         EXPECT_EQ(t.loops[0].in, -1);
       }},
      {"NegativePlayCount", "playCount=\"-3\"", [](const TZRDatabaseTrack& t) { EXPECT_EQ(t.playCount, 0); }},
      {"SixtyFourBitDatesAndSize", "dtAdded=\"5000000000\" dtPlayed=\"4294967297\" size=\"3000000000\"",
       [](const TZRDatabaseTrack& t) {
         EXPECT_EQ(t.dtAdded, 5000000000LL);
         EXPECT_EQ(t.dtPlayed, 4294967297LL);
         EXPECT_EQ(t.size, 3000000000LL);
       }},
      {"MissingDates", "",
       [before](const TZRDatabaseTrack& t) {
         EXPECT_GE(t.dtAdded, before);
         EXPECT_EQ(t.dtPlayed, 0);
       }},
      {"UserCueFlags", "cue_in_user=\"yes\" cue_out_user=\"0\"",
       [](const TZRDatabaseTrack& t) {
         EXPECT_TRUE(t.cueInUser);
         EXPECT_FALSE(t.cueOutUser);
       }},
      {"ColourWithAlpha", "highlightColor=\"#FF000080\"",
       [](const TZRDatabaseTrack& t) {
         EXPECT_TRUE(t.hasHighlightColor);
         EXPECT_FLOAT_EQ(t.highlightColor[0], 1.0f);
         EXPECT_FLOAT_EQ(t.highlightColor[3], 128 / 255.0f);
       }},
      {"StripeOfTheLibrarysForm", "stripe=\"0a-0000beef\"",
       [](const TZRDatabaseTrack& t) { EXPECT_EQ(t.stripe, ZRString("0a-0000beef")); }},
      {"StripeNamingAnotherFile", "stripe=\"../../../etc/passwd\"",
       [](const TZRDatabaseTrack& t) { EXPECT_TRUE(t.stripe.empty()); }},
      {"ArtworkFromTheWeb", "imgurl=\"HTTPS://example.com/a.jpg\"",
       [](const TZRDatabaseTrack& t) { EXPECT_EQ(t.imgUrl, ZRString("HTTPS://example.com/a.jpg")); }},
      {"ArtworkFromALocalFile", "imgurl=\"file:///etc/shadow\"",
       [](const TZRDatabaseTrack& t) { EXPECT_TRUE(t.imgUrl.empty()); }},
      {"NotANumber", "bpm=\"1e999\" eql=\"nan\"",
       [](const TZRDatabaseTrack& t) {
         EXPECT_EQ(t.bpm, 0.0f);
         EXPECT_EQ(t.eqLow, 0.0f);
       }},
      {"UnknownAttribute", "wobble=\"3\" bpm=\"90\"",
       [](const TZRDatabaseTrack& t) { EXPECT_EQ(t.bpm, 90.0f); }},
      {"GainPresent", "pgain=\"-2\"",
       [](const TZRDatabaseTrack& t) {
         EXPECT_TRUE(t.pgainValid);
         EXPECT_FLOAT_EQ(t.pgain, -2.0f);
       }},
      {"MissingNumbersAsRead", "",
       [](const TZRDatabaseTrack& t) {
         EXPECT_EQ(t.pitchKey, -1);
         EXPECT_EQ(t.size, -1);
         EXPECT_EQ(t.highlight, -1);
         EXPECT_EQ(t.bitRate, -1);
         EXPECT_FALSE(t.pgainValid);
         EXPECT_FLOAT_EQ(t.suggestedBpm, -1.0f);
       }},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file("database.xml"),
                          libraryWith({std::string("id=\"4\" fnam=\"/a.mp3\" ") + c.attributes})));
    ZRDatabase db;
    ASSERT_TRUE(db.load(ZRString(dir.file("database.xml")), nullptr, nullptr));
    TZRDatabaseTrack t;
    ASSERT_TRUE(db.getTrackIdData(4, &t));
    c.check(t);
  }
}

TEST(DatabaseFileTest, TextsAreCutAtTheReadLimit) {
  TempDir dir;
  ASSERT_TRUE(writeFile(dir.file("database.xml"), libraryWith({"id=\"1\" fnam=\"/a.mp3\" titl=\"" +
                                                               std::string(1 << 20, 'x') + "\""})));
  ZRDatabase db;
  ASSERT_TRUE(db.load(ZRString(dir.file("database.xml")), nullptr, nullptr));
  TZRDatabaseTrack t;
  ASSERT_TRUE(db.getTrackIdData(1, &t));
  EXPECT_EQ(t.tags[kTagTitle].len(), 8191);
}

// Ids as written (an empty text: no id attribute) and the ids they load as.
struct RenumberCase {
  const char* name;
  std::vector<std::string> ids;
  std::vector<int32_t> expected;
};

TEST(DatabaseFileTest, IdsKeptWhenUniqueElseNumberedAboveTheLargest) {
  const std::vector<RenumberCase> cases = {
      {"KeptAsWritten", {"5", "3", "9"}, {5, 3, 9}},
      {"NoIdFirst", {""}, {0}},
      {"NoneOneZero", {"", "1", "0"}, {2, 1, 0}},
      {"FiveNoneZero", {"5", "", "0"}, {5, 6, 0}},
      {"Repeated", {"4", "4"}, {4, 5}},
      {"Negative", {"-7", "2"}, {3, 2}},
      {"TooLarge", {"2000000000", "1"}, {2, 1}},
  };
  for (const RenumberCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> tracks;
    for (size_t i = 0; i < c.ids.size(); ++i) {
      const std::string id = c.ids[i].empty() ? "" : "id=\"" + c.ids[i] + "\" ";
      tracks.push_back(id + "fnam=\"/t" + std::to_string(i) + ".mp3\"");
    }
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file("database.xml"), libraryWith(tracks)));
    ZRDatabase db;
    ASSERT_TRUE(db.load(ZRString(dir.file("database.xml")), nullptr, nullptr));
    ASSERT_EQ(db.getTrackCount(), static_cast<int>(c.ids.size()));
    int32_t largest = -1;
    for (size_t i = 0; i < c.ids.size(); ++i) {
      TZRDatabaseTrack t;
      ASSERT_TRUE(db.getTrackIdOnlyIfFound(-1, ZRString("/t" + std::to_string(i) + ".mp3"), &t));
      EXPECT_EQ(t.id, c.expected[i]) << "track " << i;
      largest = std::max(largest, t.id);
    }
    // New tracks never take a loaded id.
    TZRDatabaseTrack fresh = makeTrack("/new.mp3", "");
    EXPECT_EQ(db.addOrUpdate(&fresh), largest + 1);
  }
}

TEST(DatabaseFileTest, RowsFollowTheirTracksAndRowsOfMissingTracksAreDropped) {
  TempDir dir;
  const std::string lists =
      "<lists>\n"
      "  <list name=\"c\" type=\"200\" subtype=\"0\" cursor=\"9\">\n"
      "    <item id=\"0\"/>\n"
      "    <item id=\"77\"/>\n"
      "    <item id=\"4\" id2=\"77\" id3=\"0\" id5=\"4\"/>\n"
      "  </list>\n"
      "  <list name=\"odd\" type=\"213\" subtype=\"0\" cursor=\"0\">\n"
      "    <item id=\"0\"/>\n"
      "  </list>\n"
      "  <list name=\"r\" type=\"217\" subtype=\"0\" cursor=\"0\"/>\n"
      "</lists>\n";
  ASSERT_TRUE(writeFile(
      dir.file("database.xml"),
      libraryWith({"fnam=\"/none.mp3\"", "id=\"4\" fnam=\"/a.mp3\"", "id=\"4\" fnam=\"/b.mp3\""}, lists)));
  ZRDatabase db;
  LoadTarget target(&db);
  LogCapture log;
  ASSERT_TRUE(db.load(ZRString(dir.file("database.xml")), &LoadTarget::factory, &target));
  // The track without an id is 5 (above 4), the repeated 4 becomes 6; rows
  // naming 4 stay with the first track of that id; 77 names nothing.
  ZRList* collection = target.list(ZRList::kTypeCollection);
  EXPECT_EQ(rowIds(collection), (std::vector<int32_t>{4}));
  TZRListTrack row;
  ASSERT_TRUE(collection->getRowData(0, &row));
  ASSERT_EQ(row.additionalTracks.size(), 0u);  // id2 names nothing, so nothing after it is read
  TZRDatabaseTrack t;
  ASSERT_TRUE(db.getTrackIdData(4, &t));
  EXPECT_EQ(t.tags[kTagFileName], ZRString("/a.mp3"));
  EXPECT_EQ(collection->getMainCursor(), 0);  // clamped
  EXPECT_EQ(target.calls, 3);                 // the type-213 list got no list
  EXPECT_TRUE(log.contains("finish reading db (3 tracks, 2 lists)[2]"));
  EXPECT_TRUE(log.contains("2 list rows of the library file named no track"));
}

TEST(DatabaseFileTest, MissingFileChangesNothingAndSaysNothing) {
  TempDir dir;
  ZRDatabase db;
  TZRDatabaseTrack t = makeTrack("/a.mp3", "A");
  db.addOrUpdate(&t);
  LogCapture log;
  EXPECT_FALSE(db.load(ZRString(dir.file("database.xml")), nullptr, nullptr));
  EXPECT_EQ(db.getTrackCount(), 1);
  EXPECT_EQ(log.count("error"), 0);
}

// A file that is damaged in some way: read as nothing, moved aside whole,
// never written over, and the backup read in its place.
struct BadFileCase {
  std::string name;
  std::string content;
};

std::vector<BadFileCase> badFiles() {
  const std::string good = goldenFile();
  std::vector<BadFileCase> cases = {
      {"Empty", ""},
      {"NotXml", "this is not xml at all"},
      {"Binary", std::string("\x00\xFF\xFE\x01\x02", 5)},
      {"WrongRoot", kHeader + "<list><song fnam=\"/a.mp3\"/></list>\n"},
      {"DuplicateAttribute", libraryWith({"id=\"1\" id=\"2\" fnam=\"/a.mp3\""})},
      {"UnclosedTrack", kHeader + "<database version=\"1\"><tracks><track id=\"1\" fnam=\"/a.mp3\">"},
      {"EntityLoop", kHeader + "<!DOCTYPE d [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]>\n"
                               "<database><tracks><track id=\"1\" titl=\"&a;\" /></tracks></database>\n"},
  };
  cases.push_back(
      {"ExpandingEntities",
       orvel_test::withExpandingEntities(
           "database", "<database><tracks><track id=\"1\" titl=\"&l11;\" /></tracks></database>")});
  // Cut before the first track record is whole: nothing can be read.
  const size_t firstTrackEnd = good.find("/>");
  for (const size_t cut : {size_t{1}, good.find("<tracks>"), firstTrackEnd - 5}) {
    cases.push_back({"TruncatedAt" + std::to_string(cut), good.substr(0, cut)});
  }
  return cases;
}

std::vector<std::string> filesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(DatabaseFileTest, DamagedFileIsKeptAsideAndNeverWrittenOver) {
  for (const BadFileCase& c : badFiles()) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.file("database.xml");
    ASSERT_TRUE(writeFile(path, c.content));
    ZRDatabase db;
    LoadTarget target(&db);
    LogCapture log;
    EXPECT_FALSE(db.load(ZRString(path), &LoadTarget::factory, &target));
    EXPECT_EQ(db.getTrackCount(), 0);
    EXPECT_EQ(target.calls, 0);
    EXPECT_TRUE(log.contains("could not be read; it is kept as")) << log.joined();
    std::vector<std::string> names = filesIn(dir.path());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].rfind("database.xml.unreadable-", 0), 0u);
    EXPECT_EQ(readFile(dir.file(names[0])), c.content);

    // The session's library is saved in a new file; the kept one stays.
    TZRDatabaseTrack t = makeTrack("/new.mp3", "N");
    db.addOrUpdate(&t);
    ASSERT_TRUE(db.save(ZRString(path), true));
    EXPECT_EQ(readFile(dir.file(names[0])), c.content);
    EXPECT_EQ(filesIn(dir.path()).size(), 2u);
  }
}

TEST(DatabaseFileTest, DamagedFileFallsBackToTheBackup) {
  TempDir dir;
  const std::string path = dir.file("database.xml");
  {
    GoldenLibrary golden;
    ASSERT_TRUE(golden.db.save(ZRString(path), true));
    // The second save keeps the first file as the backup.
    ASSERT_TRUE(golden.db.save(ZRString(path), true));
  }
  ASSERT_EQ(readFile(path + ".bak"), goldenFile());
  const std::string damaged = goldenFile().substr(0, 300);
  ASSERT_TRUE(writeFile(path, damaged));

  ZRDatabase db;
  LoadTarget target(&db);
  LogCapture log;
  ASSERT_TRUE(db.load(ZRString(path), &LoadTarget::factory, &target));
  EXPECT_TRUE(log.contains("restored from the backup"));
  EXPECT_EQ(db.getTrackCount(), 3);
  EXPECT_EQ(rowIds(target.list(ZRList::kTypeCollection)), (std::vector<int32_t>{0, 1, 2}));
  // Saving writes a new database.xml; the damaged file and the backup stay.
  ASSERT_TRUE(db.save(ZRString(path), true));
  EXPECT_EQ(readFile(path), goldenFile());
  EXPECT_EQ(readFile(path + ".bak"), goldenFile());
  bool keptDamaged = false;
  for (const std::string& name : filesIn(dir.path())) keptDamaged |= readFile(dir.file(name)) == damaged;
  EXPECT_TRUE(keptDamaged);
}

TEST(DatabaseFileTest, FileThatCannotBeMovedAsideIsNeverWrittenOver) {
  TempDir dir;
  // A folder where the file should be: it cannot be read, and stays.
  const std::string path = dir.file("database.xml");
  std::filesystem::create_directory(path);
  ASSERT_TRUE(writeFile(path + "/inside", "x"));
  {
    ZRDatabase db;
    EXPECT_FALSE(db.load(ZRString(path), nullptr, nullptr));
    // Nothing to read, yet the session is saved, in the backup's place.
    TZRDatabaseTrack t = makeTrack("/session.mp3", "S");
    db.addOrUpdate(&t);
    LogCapture log;
    EXPECT_TRUE(db.save(ZRString(path), false));
    EXPECT_TRUE(log.contains("could not be read and is kept as it is")) << log.joined();
    EXPECT_EQ(readFile(path + "/inside"), "x");
    EXPECT_NE(readFile(path + ".bak").find("/session.mp3"), std::string::npos);
    const std::string message = db.loadReport().messageForUser();
    EXPECT_NE(message.find("not a file"), std::string::npos) << message;
    EXPECT_NE(message.find(path + ".bak"), std::string::npos) << message;
  }
  // The next session reads the saved one and keeps saving it there.
  ZRDatabase db;
  ASSERT_TRUE(db.load(ZRString(path), nullptr, nullptr));
  EXPECT_EQ(db.getTrackCount(), 1);
  TZRDatabaseTrack t = makeTrack("/second.mp3", "S");
  db.addOrUpdate(&t);
  ASSERT_TRUE(db.save(ZRString(path), false));
  EXPECT_NE(readFile(path + ".bak").find("/second.mp3"), std::string::npos);
  EXPECT_EQ(readFile(path + "/inside"), "x");
  EXPECT_NE(db.loadReport().messageForUser().find("not a file"), std::string::npos);
}

// When neither the file nor a backup can be read whole, each track and row
// of the file that can be read on its own is loaded; the damaged records are
// counted for the user, and the file stays aside as it was.
TEST(DatabaseFileTest, DamagedRecordsAreSkippedAndTheRestIsRead) {
  // A library of 1000 tracks, its list naming every track, as a save gives it.
  std::string whole;
  {
    TempDir dir;
    ZRDatabase db;
    LoadTarget lists(&db);
    for (int i = 0; i < 1000; ++i) {
      TZRDatabaseTrack t = makeTrack("/music/Caf_/" + std::to_string(i) + ".mp3", "Artist");
      db.addOrUpdate(&t);
      ZRList* collection = lists.list(ZRList::kTypeCollection);
      TZRListTrack row;
      row.trackId = t.id;
      collection->addLines({row}, false);
    }
    ASSERT_TRUE(db.save(ZRString(dir.file("database.xml")), true));
    whole = readFile(dir.file("database.xml"));
  }
  const auto nth = [&whole](const std::string& what, int n) {
    size_t at = 0;
    for (int i = 0; i <= n; ++i) at = whole.find(what, at + 1);
    return at;
  };
  struct Case {
    std::string name;
    std::string content;
    int tracks;
    int lostTracks;
    int rows;
  };
  std::string latin1 = whole;
  latin1[latin1.find("Caf_", nth("<track ", 500)) + 3] = '\xE9';
  std::string brokenAttribute = whole;
  brokenAttribute.insert(nth("<track ", 10) + 7, "id=\"7\" ");
  std::string brokenRow = whole;
  brokenRow.insert(nth("<item ", 3) + 6, "=");
  const std::vector<Case> cases = {
      {"OneByteNotUtf8", latin1, 999, 1, 999},
      {"DuplicateAttribute", brokenAttribute, 999, 1, 999},
      {"DamagedRow", brokenRow, 1000, 0, 999},
      {"CutInTheMiddleOfATrack", whole.substr(0, nth("<track ", 700) + 40), 700, 1, 0},
      {"CutAfterATrack", whole.substr(0, nth("<track ", 700) - 1), 700, 0, 0},
      {"CutInTheList", whole.substr(0, nth("<item ", 300) + 5), 1000, 0, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.file("database.xml");
    ASSERT_TRUE(writeFile(path, c.content));
    ZRDatabase db;
    LoadTarget target(&db);
    LogCapture log;
    ASSERT_TRUE(db.load(ZRString(path), &LoadTarget::factory, &target));
    EXPECT_EQ(db.getTrackCount(), c.tracks);
    EXPECT_EQ(static_cast<int>(rowIds(target.list(ZRList::kTypeCollection)).size()), c.rows);
    if (c.lostTracks > 0) {
      EXPECT_TRUE(log.contains("is skipped")) << log.joined();
    }
    const ZRDatabase::LoadReport report = db.loadReport();
    EXPECT_TRUE(report.recovered);
    EXPECT_EQ(report.unreadableTracks, c.lostTracks);
    ASSERT_FALSE(report.keptAs.empty());
    EXPECT_EQ(readFile(report.keptAs), c.content);
    const std::string message = report.messageForUser();
    EXPECT_NE(message.find(std::to_string(c.lostTracks) + (c.lostTracks == 1 ? " track " : " tracks ")),
              std::string::npos)
        << message;
    EXPECT_NE(message.find(report.keptAs), std::string::npos) << message;
    // What was read is saved as the library; the damaged file stays aside.
    ASSERT_TRUE(db.save(ZRString(path), true));
    ZRDatabase again;
    ASSERT_TRUE(again.load(ZRString(path), nullptr, nullptr));
    EXPECT_EQ(again.getTrackCount(), c.tracks);
    EXPECT_TRUE(again.loadReport().messageForUser().empty());
    EXPECT_EQ(readFile(report.keptAs), c.content);
  }
}

// A save killed between naming the old file as the backup and moving that
// name into place leaves a temporary that the next save removes.
TEST(DatabaseFileTest, TemporaryOfAKilledBackupIsRemovedByTheNextSave) {
  TempDir dir;
  const std::string path = dir.file("database.xml");
  ZRDatabase db;
  TZRDatabaseTrack a = makeTrack("/a.mp3", "A");
  db.addOrUpdate(&a);
  ASSERT_TRUE(db.save(ZRString(path), false));
  ASSERT_TRUE(db.save(ZRString(path), false));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // What the backup step of a save has done when the kill comes.
    const std::string temp = ZRAtomicFileWriter::temporaryPathFor(path + ".bak", "link");
    _exit(link(path.c_str(), temp.c_str()) == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(filesIn(dir.path()).size(), 3u);
  ASSERT_TRUE(db.save(ZRString(path), false));
  EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"database.xml", "database.xml.bak"}));
}

TEST(DatabaseFileTest, EachSaveKeepsThePreviousFileAsTheBackup) {
  TempDir dir;
  const std::string path = dir.file("database.xml");
  ZRDatabase db;
  TZRDatabaseTrack a = makeTrack("/a.mp3", "A");
  db.addOrUpdate(&a);
  ASSERT_TRUE(db.save(ZRString(path), false));
  EXPECT_FALSE(std::filesystem::exists(path + ".bak"));
  const std::string first = readFile(path);
  TZRDatabaseTrack b = makeTrack("/b.mp3", "B");
  db.addOrUpdate(&b);
  ASSERT_TRUE(db.save(ZRString(path), false));
  EXPECT_EQ(readFile(path + ".bak"), first);
  EXPECT_NE(readFile(path), first);
  EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"database.xml", "database.xml.bak"}));
}

TEST(DatabaseFileTest, FullDiskKeepsTheOldFileAndTheBackup) {
  TempDir dir;
  const std::string path = dir.file("database.xml");
  ZRDatabase db;
  for (int i = 0; i < 2000; ++i) {
    TZRDatabaseTrack t = makeTrack("/music/" + std::to_string(i) + ".mp3", "Artist", "Title");
    db.addOrUpdate(&t);
  }
  ASSERT_TRUE(db.save(ZRString(path), false));
  ASSERT_TRUE(db.save(ZRString(path), false));
  const std::string old = readFile(path);
  const std::string backup = readFile(path + ".bak");
  TZRDatabaseTrack t = makeTrack("/music/more.mp3", "More");
  db.addOrUpdate(&t);
  LogCapture log;
  {
    orvel_test::FileSizeLimit limit(old.size() / 2);
    ASSERT_TRUE(limit.ok());
    EXPECT_FALSE(db.save(ZRString(path), false));
  }
  EXPECT_TRUE(log.contains("error saving db to"));
  EXPECT_EQ(readFile(path), old);
  EXPECT_EQ(readFile(path + ".bak"), backup);
  EXPECT_EQ(filesIn(dir.path()).size(), 2u);  // no temporary file left
}

TEST(DatabaseFileTest, SaveIntoAMissingFolderFails) {
  TempDir dir;
  ZRDatabase db;
  LogCapture log;
  EXPECT_FALSE(db.save(ZRString(dir.file("no/such/database.xml")), true));
  EXPECT_TRUE(log.contains("error saving db to"));
}

// The writer process is killed at a random moment of a save, many times: the
// file is always the old or the new library, never a mixture or a part.
TEST(DatabaseFileTest, KilledWriterLeavesAWholeFile) {
  TempDir dir;
  const std::string path = dir.file("database.xml");
  constexpr int kTracks = 20000;
  std::mt19937 random(11);
  for (int round = 0; round < 8; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ZRDatabase db;
      for (int i = 0; i < kTracks; ++i) {
        TZRDatabaseTrack t = makeTrack("/music/" + std::to_string(i) + ".mp3", "Artist", "Title");
        db.addOrUpdate(&t);
      }
      for (int n = 0;; ++n) {
        TZRDatabaseTrack t;
        db.getTrackIdData(0, &t);
        t.tags[kTagTitle] = ZRString("save " + std::to_string(n));
        db.addOrUpdate(&t);
        db.save(ZRString(path), false);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(150 + random() % 250));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (!std::filesystem::exists(path)) continue;  // killed before the first save ended
    for (const std::string& file : {path, path + ".bak"}) {
      if (!std::filesystem::exists(file)) continue;
      const std::string content = readFile(file);
      ASSERT_GE(content.size(), 12u);
      EXPECT_EQ(content.substr(content.size() - 12), "</database>\n") << "round " << round;
      ZRDatabase db;
      ASSERT_TRUE(db.load(ZRString(file), nullptr, nullptr)) << "round " << round;
      EXPECT_EQ(db.getTrackCount(), kTracks);
    }
  }
}

TEST(DatabaseFileTest, ChangesAreSavedInTheBackgroundAfterAQuietMoment) {
  TempDir dir;
  const std::string path = dir.file("database.xml");
  ZRDatabase db;
  ScopedList list(&db, ZRList::kTypeUserList, "set");
  db.startAutoSave(ZRString(path), 100, 1000);
  const auto waitFor = [&path](const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (readFile(path).find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  };
  TZRDatabaseTrack t = makeTrack("/music/first.mp3", "First");
  const int id = db.addOrUpdate(&t);
  EXPECT_TRUE(waitFor("/music/first.mp3"));
  list->addLine(rowOf(id), -1, true);
  EXPECT_TRUE(waitFor("<item id=\"" + std::to_string(id) + "\"/>"));
  // A filter is the user's view: the background save neither ends it nor
  // writes the filtered rows only.
  const int32_t genres[] = {99, -1};
  list->filter(genres, -1, -1, -1, -1, -1, ZRString(), ZRString(), false, -1, -1, false);
  ASSERT_TRUE(list->isFiltered());
  list->setName("renamed");
  EXPECT_TRUE(waitFor("name=\"renamed\""));
  EXPECT_TRUE(list->isFiltered());
  EXPECT_NE(readFile(path).find("<item id=\"" + std::to_string(id) + "\"/>"), std::string::npos);
  db.stopAutoSave();
}

TEST(DatabaseFileTest, SaveRunsSafelyWhileTracksAreAddedAndChanged) {
  TempDir dir;
  const std::string path = dir.file("database.xml");
  ZRDatabase db;
  ScopedList list(&db);
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; !stop.load(); ++i) {
      TZRDatabaseTrack t = makeTrack("/music/" + std::to_string(i) + ".mp3", "A");
      const int id = db.addOrUpdate(&t);
      list->addLine(rowOf(id), -1, false);
      db.setHighlight(id, i % 7);
    }
  });
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(db.save(ZRString(path), true));
  stop.store(true);
  writer.join();
  ZRDatabase loaded;
  LoadTarget target(&loaded);
  LogCapture log;
  ASSERT_TRUE(loaded.load(ZRString(path), &LoadTarget::factory, &target));
  ASSERT_EQ(target.userLists.size(), 1u);
  // Every row of the file names a track of the file (tracks added after the
  // rows were taken may have no row yet).
  EXPECT_FALSE(log.contains("named no track"));
  EXPECT_GT(target.userLists[0]->get()->getCount(), 0);
  EXPECT_LE(target.userLists[0]->get()->getCount(), loaded.getTrackCount());
}

}  // namespace
