// The iTunes library file: where it is looked for, what is read from its
// tracks and playlists, broken and hostile files, importing into a list, the
// import choices and the browser plug-in that shows the playlists.

#include "database/zr_itunes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "database/list_test_support.h"
#include "database/xml_test_documents.h"
#include "database/zr_browser_plugin_itunes.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using orvel_test::LogCapture;
using orvel_test::makeTrack;
using orvel_test::rowIds;
using orvel_test::ScopedList;
using orvel_test::TempDir;
using orvel_test::writeFile;

std::string plist(const std::string& tracks, const std::string& playlists) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
         "<plist version=\"1.0\">\n<dict>\n"
         "  <key>Major Version</key><integer>1</integer>\n"
         "  <key>Tracks</key>\n  <dict>\n" +
         tracks + "  </dict>\n  <key>Playlists</key>\n  <array>\n" + playlists +
         "  </array>\n  <key>Music Folder</key><string>file:///x/</string>\n</dict>\n</plist>\n";
}

std::string track(int id, const std::string& name, const std::string& location,
                  const std::string& more = "") {
  return "    <key>" + std::to_string(id) + "</key>\n    <dict>\n      <key>Track ID</key><integer>" +
         std::to_string(id) + "</integer>\n      <key>Name</key><string>" + name +
         "</string>\n      <key>Location</key><string>" + location + "</string>\n" + more + "    </dict>\n";
}

std::string playlist(const std::string& name, const std::string& flags, const std::vector<int>& ids) {
  std::string items;
  for (int id : ids)
    items += "      <dict><key>Track ID</key><integer>" + std::to_string(id) + "</integer></dict>\n";
  return "    <dict>\n      <key>Name</key><string>" + name + "</string>\n" + flags +
         "      <key>Playlist Items</key>\n      <array>\n" + items + "      </array>\n    </dict>\n";
}

// A library of four tracks (one without an id) and seven playlists, three of
// which are offered.
std::string sampleLibrary() {
  const std::string full =
      "      <key>Artist</key><string>Art &amp; Co</string>\n"
      "      <key>Album</key><string>Alb</string>\n"
      "      <key>Genre</key><string>Disco</string>\n"
      "      <key>Comments</key><string>note</string>\n"
      "      <key>Track Number</key><integer>4</integer>\n"
      "      <key>Year</key><integer>1979</integer>\n"
      "      <key>Total Time</key><integer>215000</integer>\n"
      "      <key>BPM</key><integer>118</integer>\n"
      "      <key>MusicalKey</key><string>Am</string>\n"
      "      <key>Rating</key><integer>80</integer>\n"
      "      <key>Size</key><integer>5000000</integer>\n"
      "      <key>Date Added</key><date>2001-01-01T00:00:00Z</date>\n"
      "      <key>Play Count</key><real>3.5</real>\n";
  const std::string tracks = track(20, "Full", "file://localhost/music/My%20Song.mp3", full) +
                             track(5, "Video", "file:///music/clip.mp4",
                                   "      <key>Size</key><integer>3000000000</integer>\n      "
                                   "<key>Rating</key><integer>0</integer>\n") +
                             track(7, "Old", "file:///music/old.mp3") +
                             track(7, "Replaced", "file:///music/replaced.mp3") +
                             "    <key>9</key><dict><key>Name</key><string>No id</string></dict>\n";
  const std::string playlists =
      playlist("Library", "      <key>Master</key><true/>\n      <key>Visible</key><false/>\n", {5, 7, 20}) +
      playlist("Music",
               "      <key>Distinguished Kind</key><integer>4</integer>\n      <key>Music</key><true/>\n",
               {20, 5}) +
      playlist("Folder", "      <key>Folder</key><true/>\n", {}) +
      playlist("Party", "      <key>Smart Info</key><data>AQE=</data>\n", {7, 99, 20}) +
      playlist("Hidden", "      <key>Visible</key><integer>0</integer>\n", {5}) + playlist("", "", {5}) +
      playlist("Warm-up", "      <key>Playlist ID</key><integer>4242</integer>\n", {5, 20});
  return plist(tracks, playlists);
}

struct ItunesFixture : ::testing::Test {
  TempDir dir;
  std::string path = dir.file("iTunes Music Library.xml");
  std::unique_ptr<ZRiTunes> library;
  void read(const std::string& content) {
    ASSERT_TRUE(writeFile(path, content));
    library = std::make_unique<ZRiTunes>(ZRString(path));
  }
};

TEST_F(ItunesFixture, TracksTakeTheirFieldsFromTheLibrary) {
  read(sampleLibrary());
  ASSERT_TRUE(library->isOk());
  const auto& tracks = library->tracks();
  ASSERT_EQ(tracks.size(), 3u);
  const ZRiTunesTrack& full = tracks.at(20);
  EXPECT_EQ(full.tags[kTagTitle], ZRString("Full"));
  EXPECT_EQ(full.tags[kTagArtist], ZRString("Art & Co"));
  EXPECT_EQ(full.tags[kTagAlbum], ZRString("Alb"));
  EXPECT_EQ(full.tags[kTagGenre], ZRString("Disco"));
  EXPECT_EQ(full.tags[kTagComment], ZRString("note"));
  EXPECT_EQ(full.tags[kTagTrack], ZRString("4"));
  EXPECT_EQ(full.tags[kTagYear], ZRString("1979"));
  EXPECT_EQ(full.tags[kTagTime], ZRString("03:35"));
  EXPECT_EQ(full.tags[kTagBpm], ZRString("118"));
  EXPECT_EQ(full.tags[kTagKey], ZRString("Am"));
  EXPECT_EQ(full.tags[kTagFileName], ZRString("/music/My Song.mp3"));
  EXPECT_TRUE(full.tags[kTagNumber].empty());
  EXPECT_EQ(full.durationMs, 215000);
  EXPECT_EQ(full.tempo, 118);
  EXPECT_EQ(full.rating, 4);
  EXPECT_EQ(full.size, 5000000);
  EXPECT_EQ(tracks.at(5).size, 3000000000LL);
  EXPECT_EQ(tracks.at(5).tags[kTagFileName], ZRString("/music/clip.mp4"));
  // A later track with the same id replaces the earlier one.
  EXPECT_EQ(tracks.at(7).tags[kTagTitle], ZRString("Replaced"));
}

TEST_F(ItunesFixture, OnlyVisibleNamedPlaylistsThatAreNoFoldersAreOffered) {
  read(sampleLibrary());
  const auto& playlists = library->playlists();
  ASSERT_EQ(playlists.size(), 3u);
  EXPECT_EQ(playlists[0].name, ZRString("Music"));  // iTunes' own: no suffix
  EXPECT_EQ(playlists[0].trackIds, (std::vector<int32_t>{20, 5}));
  EXPECT_EQ(playlists[1].name, ZRString("Party (smart list)"));
  EXPECT_EQ(playlists[2].name, ZRString("Warm-up"));
  ZRString name;
  int32_t id = 0;
  ASSERT_TRUE(library->getListDetails(2, &name, &id));
  EXPECT_EQ(name, ZRString("Warm-up"));
  EXPECT_EQ(id, 4242);
  EXPECT_FALSE(library->getListDetails(3, &name, &id));
  EXPECT_EQ(name, ZRString("-"));
  EXPECT_EQ(id, -1);
  EXPECT_EQ(iTunesImportChoices(*library),
            (std::vector<ZRString>{"iTunes Library", "Music", "Party (smart list)", "Warm-up"}));
}

TEST_F(ItunesFixture, ImportingMakesRecordsAndRowsInLibraryOrPlaylistOrder) {
  read(sampleLibrary());
  ZRDatabase db;
  // Known already, with its own tempo and key: those stay, the title follows iTunes.
  TZRDatabaseTrack known = makeTrack("/music/My Song.mp3", "Old artist", "Old title");
  known.tags[kTagBpm] = "125.0";
  known.bpm = 125;
  known.tags[kTagKey] = "11/A";
  known.pitchKey = 1;
  known.mediaType = 0;
  const int32_t knownId = db.addOrUpdate(&known);

  ScopedList all(&db);
  orvel_test::CallbackCounter::calls() = 0;
  all->setListChangedCallback(&orvel_test::CallbackCounter::callback);
  const int64_t before = static_cast<int64_t>(time(nullptr));
  ASSERT_TRUE(iTunesImportChoice(*library, all.get(), 0));
  EXPECT_EQ(orvel_test::CallbackCounter::calls(), 3);
  ASSERT_EQ(all->getCount(), 3);
  EXPECT_EQ(db.getTrackCount(), 3);
  TZRListTrack row;
  TZRDatabaseTrack t;
  // Ascending iTunes ids: 5, 7, 20.
  ASSERT_TRUE(all->getRowDataFull(0, &row, &t));
  EXPECT_EQ(t.tags[kTagTitle], ZRString("Video"));
  EXPECT_EQ(t.mediaType, kMediaTypeVideo);
  EXPECT_EQ(t.size, 3000000000LL);
  EXPECT_GE(t.dtAdded, before);
  EXPECT_EQ(row.added, -1);
  ASSERT_TRUE(all->getRowDataFull(2, &row, &t));
  EXPECT_EQ(t.id, knownId);
  EXPECT_EQ(t.tags[kTagTitle], ZRString("Full"));
  EXPECT_EQ(t.tags[kTagArtist], ZRString("Art & Co"));
  EXPECT_EQ(t.tags[kTagBpm], ZRString("125.0"));
  EXPECT_EQ(t.bpm, 125.0f);
  EXPECT_EQ(t.tags[kTagKey], ZRString("11/A"));
  EXPECT_EQ(t.pitchKey, 1);
  EXPECT_EQ(t.durationMs, 215000);
  EXPECT_EQ(t.rating, 4.0f);
  EXPECT_EQ(t.size, 5000000);

  // A playlist in its order; an id the library lacks is skipped.
  ScopedList party(&db);
  ASSERT_TRUE(iTunesImportChoice(*library, party.get(), 2));
  ASSERT_EQ(party->getCount(), 2);
  ASSERT_TRUE(party->getRowDataFull(0, &row, &t));
  EXPECT_EQ(t.tags[kTagTitle], ZRString("Replaced"));
  EXPECT_EQ(db.getTrackCount(), 3);

  EXPECT_FALSE(library->importIntoList(nullptr, -1));
  EXPECT_FALSE(library->importIntoList(party.get(), 3));
}

TEST_F(ItunesFixture, NewTrackTakesTheLibrarysTempoKeyAndGenre) {
  read(sampleLibrary());
  ZRDatabase db;
  ScopedList list(&db);
  ASSERT_TRUE(library->importIntoList(list.get(), 0));  // "Music": 20, 5
  TZRListTrack row;
  TZRDatabaseTrack t;
  ASSERT_TRUE(list->getRowDataFull(0, &row, &t));
  EXPECT_EQ(t.bpm, 118.0f);
  EXPECT_EQ(t.pitchKey, 13);  // Am
  EXPECT_EQ(t.genres[0], 4);  // Disco in the ID3v1 table
  EXPECT_EQ(t.mediaType, kMediaTypeAudio);
}

struct BrokenCase {
  const char* name;
  std::string content;
  const char* message;
};

TEST_F(ItunesFixture, BrokenFilesBehaveAsNoLibrary) {
  const std::vector<BrokenCase> cases = {
      {"NotXml", "nothing", "parseITunesXML - XML not parsed successfully"},
      {"Truncated", sampleLibrary().substr(0, 900), "parseITunesXML - XML not parsed successfully"},
      {"WrongRoot", "<?xml version=\"1.0\"?><dict><key>Tracks</key><dict/></dict>",
       "parseITunesXML - XML root node not OK"},
      {"NoDict", "<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>",
       "parseITunesXML - XML root dict not found"},
  };
  for (const BrokenCase& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    read(c.content);
    EXPECT_FALSE(library->isOk());
    EXPECT_TRUE(log.contains(c.message));
    EXPECT_TRUE(log.contains("error: iTunes XML parsing"));
    EXPECT_TRUE(log.contains("iTunesIsOK = 0"));
    EXPECT_TRUE(library->playlists().empty());
    EXPECT_TRUE(iTunesImportChoices(*library).empty());
    ZRDatabase db;
    ScopedList list(&db);
    EXPECT_FALSE(library->importIntoList(list.get(), -1));
  }
}

TEST_F(ItunesFixture, EntitiesAreNeverExpanded) {
  const auto start = std::chrono::steady_clock::now();
  read(orvel_test::withExpandingEntities(
      "plist",
      "<plist version=\"1.0\"><dict><key>Tracks</key><dict><key>1</key><dict>"
      "<key>Track ID</key><integer>1</integer><key>Name</key><string>a&l11;b</string>"
      "<key>Location</key><string>file:///x.mp3</string></dict></dict></dict></plist>"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  if (library->isOk()) {
    ASSERT_EQ(library->tracks().size(), 1u);
    EXPECT_EQ(library->tracks().at(1).tags[kTagTitle], ZRString("ab"));
  }
}

TEST(ItunesLocationTest, FirstExistingPlaceUnderHomeElseTheLast) {
  TempDir home;
  const ZRString base(home.path() + "/");
  EXPECT_EQ(ZRiTunes::findLibraryFile(base).utf8(), home.path() + "/Documents/iTunes/iTunes Library.xml");
  std::filesystem::create_directories(home.file("Music/iTunes"));
  std::filesystem::create_directories(home.file("Documents/iTunes"));
  writeFile(home.file("Documents/iTunes/iTunes Music Library.xml"), "x");
  EXPECT_EQ(ZRiTunes::findLibraryFile(base).utf8(),
            home.path() + "/Documents/iTunes/iTunes Music Library.xml");
  writeFile(home.file("Music/iTunes/iTunes Library.xml"), "x");
  EXPECT_EQ(ZRiTunes::findLibraryFile(base).utf8(), home.path() + "/Music/iTunes/iTunes Library.xml");
  writeFile(home.file("Music/iTunes/iTunes Music Library.xml"), "x");
  EXPECT_EQ(ZRiTunes::findLibraryFile(base).utf8(), home.path() + "/Music/iTunes/iTunes Music Library.xml");
}

TEST(ItunesLocationTest, WithoutALibraryNothingIsOffered) {
  TempDir home;
  setenv("HOME", home.path().c_str(), 1);
  EXPECT_FALSE(iTunesIsInstalled());
  EXPECT_EQ(iTunesGetTotalLists(), 0);
  ZRString name;
  int32_t id = 0;
  EXPECT_FALSE(iTunesGetListDetails(0, &name, &id));
  ZRDatabase db;
  ScopedList list(&db);
  LogCapture log;
  EXPECT_FALSE(iTunesGetList(-1, list.get()));
  EXPECT_TRUE(log.contains("there is no iTunes library"));
  EXPECT_FALSE(iTunesGetList(0, nullptr));
  EXPECT_TRUE(iTunesImportChoices(*ZRiTunes::getInstance()).empty());
}

// The browser's side, as the plug-in sees it: a tree of lines and a table of
// list slots.
class FakeBrowser : public ZRBrowserPluginHost {
 public:
  explicit FakeBrowser(ZRDatabase* db) : db_(db) {}
  int32_t addTreeNode(const TBrowserLine& line, bool expanded, int32_t parent) override {
    nodes.push_back({line, expanded, parent});
    return static_cast<int32_t>(nodes.size()) - 1 + 100;
  }
  int32_t AddNewList(const ZRString& name, bool saveInDatabase, int32_t parent, TBrowserLine* line,
                     bool expanded, int32_t* outNodeId, int32_t listType, int32_t subtype,
                     int32_t specialType, std::shared_ptr<ZRBrowserCustomData> customData) override {
    slots.push_back(
        std::make_unique<Slot>(db_, name, saveInDatabase, listType, subtype, specialType, customData));
    const int32_t slot = static_cast<int32_t>(slots.size()) - 1;
    if (line && parent >= 0) {
      line->listNumber = slot;
      const int32_t node = addTreeNode(*line, expanded, parent);
      if (outNodeId) *outNodeId = node;
    }
    return slot;
  }
  // Visible rows: the plug-in's lines in the order added.
  int32_t getListNoOfRow(int32_t row) override {
    return row >= 0 && row < static_cast<int32_t>(nodes.size())
               ? nodes[static_cast<size_t>(row)].line.listNumber
               : -1;
  }
  ZRList* getListOfSlot(int32_t slot, std::shared_ptr<ZRBrowserCustomData>* data) override {
    if (slot < 0 || slot >= static_cast<int32_t>(slots.size())) return nullptr;
    *data = slots[static_cast<size_t>(slot)]->data;
    return slots[static_cast<size_t>(slot)]->list.get();
  }

  struct Node {
    TBrowserLine line;
    bool expanded;
    int32_t parent;
  };
  struct Slot {
    Slot(ZRDatabase* db, const ZRString& name, bool save, int32_t type, int32_t subtype, int32_t special,
         std::shared_ptr<ZRBrowserCustomData> customData)
        : list(std::make_unique<ZRList>(name, save, type, subtype)), specialType(special), data(customData) {
      list->setDatabase(db);
    }
    std::unique_ptr<ZRList> list;
    int32_t specialType;
    std::shared_ptr<ZRBrowserCustomData> data;
  };
  std::vector<Node> nodes;
  std::vector<std::unique_ptr<Slot>> slots;

 private:
  ZRDatabase* db_;
};

TEST_F(ItunesFixture, PluginShowsEachPlaylistAndFillsItOnItsFirstSelection) {
  read(sampleLibrary());
  ZRDatabase db;
  FakeBrowser browser(&db);
  ZRBrowserPluginiTunes plugin(&browser, library.get());
  EXPECT_EQ(plugin.getName(), ZRString("iTunes plugin"));
  EXPECT_EQ(plugin.getPluginId(), 1);
  plugin.init(0);
  ASSERT_EQ(browser.nodes.size(), 4u);
  const FakeBrowser::Node& node = browser.nodes[0];
  EXPECT_EQ(node.line.name, ZRString("iTunes"));
  EXPECT_EQ(node.line.type, -1);
  EXPECT_TRUE(node.line.expandable);
  EXPECT_EQ(node.line.icon, 7);
  EXPECT_EQ(node.line.plugin, &plugin);
  EXPECT_TRUE(node.expanded);
  EXPECT_EQ(node.parent, 0);
  EXPECT_EQ(plugin.getNodeId(), 100);
  ASSERT_EQ(browser.slots.size(), 3u);
  EXPECT_EQ(browser.nodes[2].line.name, ZRString("Party (smart list)"));
  EXPECT_EQ(browser.nodes[2].parent, 100);
  EXPECT_FALSE(browser.nodes[2].line.expandable);
  EXPECT_EQ(browser.slots[1]->specialType, 10);
  EXPECT_FALSE(browser.slots[1]->list->getSaveInDatabase());
  EXPECT_EQ(browser.slots[1]->list->getCount(), 0);

  // Row 2 is "Party": a right-button release imports nothing, the first
  // selection imports, the second does not import again.
  plugin.clicked(2, true, 10, 10);
  EXPECT_EQ(browser.slots[1]->list->getCount(), 0);
  plugin.clicked(2, false, -1, -1);
  EXPECT_EQ(browser.slots[1]->list->getCount(), 2);
  plugin.clicked(2, false, -1, -1);
  EXPECT_EQ(browser.slots[1]->list->getCount(), 2);
  plugin.clicked(0, false, -1, -1);  // the node itself has no list
  plugin.clicked(57, false, -1, -1);
  EXPECT_EQ(db.getTrackCount(), 2);

  // No icon file: no icon, whatever the size.
  EXPECT_EQ(plugin.getIconData(1, 16, true, -1), nullptr);
  EXPECT_EQ(plugin.getIconData(16, 16, true, plugin.getNodeId()), nullptr);
}

TEST_F(ItunesFixture, PluginAddsNothingWithoutPlaylists) {
  read(plist(track(1, "A", "file:///a.mp3"), ""));
  ASSERT_TRUE(library->isOk());
  ZRDatabase db;
  FakeBrowser browser(&db);
  ZRBrowserPluginiTunes plugin(&browser, library.get());
  plugin.init(0);
  EXPECT_TRUE(browser.nodes.empty());
  EXPECT_EQ(plugin.getNodeId(), -1);
  read("broken");
  ZRBrowserPluginiTunes none(&browser, library.get());
  none.init(0);
  EXPECT_TRUE(browser.nodes.empty());
  EXPECT_EQ(none.getNodeId(), -1);
}

// A plug-in with an icon file that is not installed.
class IconPlugin : public ZRBrowserPlugin {
 public:
  using ZRBrowserPlugin::ZRBrowserPlugin;
  ZRString getName() override { return ZRString("icon"); }
  void init(int32_t) override {}
  void clicked(int32_t, bool, int32_t, int32_t) override {}
  const char* getIconFilename() override { return "no-such-icon.png"; }
};

int decoderCalls = 0;
unsigned char* countingDecoder(const char*, int, bool, int width, int height) {
  ++decoderCalls;
  return new unsigned char[static_cast<size_t>(width * height * 4)]();
}

TEST(BrowserPluginTest, IconsNeedADecoderAndAFile) {
  IconPlugin plugin(nullptr);
  EXPECT_EQ(plugin.getPluginId(), 0);
  EXPECT_EQ(plugin.getNodeId(), -1);
  EXPECT_FALSE(plugin.shouldRefresh());
  LogCapture log;
  ZRBrowserPlugin::setIconDecoder(nullptr);
  EXPECT_EQ(plugin.getIconData(16, 16, true, -1), nullptr);
  EXPECT_EQ(plugin.getIconData(16, 16, true, -1), nullptr);
  EXPECT_EQ(log.count("not available yet"), 1);
  ZRBrowserPlugin::setIconDecoder(&countingDecoder);
  EXPECT_EQ(plugin.getIconData(16, 16, true, -1), nullptr);
  EXPECT_EQ(plugin.getIconData(16, 16, true, 5), nullptr);  // another plug-in's node
  EXPECT_EQ(decoderCalls, 0);
  ZRBrowserPlugin::setIconDecoder(nullptr);
}

}  // namespace
