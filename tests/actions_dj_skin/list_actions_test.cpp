// The library side's actions on a loaded skin with the real browser, track tables, search box and
// splitters: typing in the search box fills the results list, its keys, leaving the search, list import
// and export through answered file choosers, the media-type filter buttons, the splitters' limits and
// stored sizes, files dropped on the window, tracks and files dropped on a sampler slot, the tables' double
// clicks, keys and menu commands.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "actions_dj/action_dialogs.h"
#include "actions_dj/action_support.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/library_dialogs.h"
#include "actions_dj/sampler_actions.h"
#include "actions_dj/skin/zr_library_dialog_actions.h"
#include "actions_dj/skin/zr_library_layout.h"
#include "actions_dj/skin/zr_library_nodes.h"
#include "actions_dj/skin/zr_list_actions.h"
#include "actions_dj/skin/zr_node_table_controls.h"
#include "actions_dj/skin/zr_search_box.h"
#include "actions_dj/skin/zr_sidelist_tabs.h"
#include "common/text_ids.h"
#include "common/zr_preferences.h"
#include "control_test_support.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "dsp/engine/zr_sampler_player.h"
#include "gui/zr_node_events.h"
#include "gui_nodes/zr_drag_drop_track.h"
#include "gui_nodes/zr_node_back_image.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_edit_text.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_node_text.h"
#include "list_controls_support.h"
#include "support/log_capture.h"
#include "tags/zr_tag.h"

namespace orvel_test {
namespace {

namespace fs = std::filesystem;

// Browser 200 wide, splitter, playlist 400 wide, splitter, side list 400 wide; search box, the filter
// buttons and the first sampler slot's name above.
constexpr const char* kLibrarySkin =
    "<editarea action=\"et_search\" posx=\"0\" posy=\"0\" width=\"200\" height=\"20\" fontname=\"Arial\" "
    "fontsize=\"12\"/>\n"
    "<button action=\"list_filter_audio\" posx=\"210\" posy=\"0\" width=\"16\" height=\"16\" "
    "isswitch=\"yes\"/>\n"
    "<button action=\"list_filter_video\" posx=\"230\" posy=\"0\" width=\"16\" height=\"16\" "
    "isswitch=\"yes\"/>\n"
    "<button action=\"list_filter_karaoke\" posx=\"250\" posy=\"0\" width=\"16\" height=\"16\" "
    "isswitch=\"yes\"/>\n"
    "<browser action=\"browser\" posx=\"0\" posy=\"30\" width=\"200\" height=\"300\" linesize=\"24\"/>\n"
    "<image action=\"img_splitter_browser\" posx=\"200\" posy=\"30\" width=\"4\" height=\"300\" "
    "issplitter=\"yes\"/>\n"
    "<list action=\"playlist\" posx=\"204\" posy=\"30\" width=\"400\" height=\"300\" linesize=\"24\"/>\n"
    "<image action=\"img_splitter_list\" posx=\"604\" posy=\"30\" width=\"4\" height=\"300\" "
    "issplitter=\"yes\"/>\n"
    "<list action=\"sidelist\" posx=\"608\" posy=\"30\" width=\"400\" height=\"300\" linesize=\"24\"/>\n"
    "<textarea action=\"sampler1_name\" posx=\"270\" posy=\"0\" width=\"60\" height=\"16\"/>\n";

// File dialogs answered by the test.
struct Answers {
  std::vector<ZRString> open;
  ZRString save;
  ZRString folder;
  int opened = 0;
};

class LibraryActions : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    if (!toolkit.start()) GTEST_SKIP() << "no display";
    loadEnglish();
    loadSkin(kLibrarySkin, SkinPicture(1008, 340), 1008, 340);
    browser = control<ZRNodeBrowser>("browser");
    playlist = control<ZRNodePlaylist>("playlist");
    sidelist = control<ZRNodePlaylist>("sidelist");
    search = control<ZRNodeEditText>("et_search");
    ASSERT_TRUE(browser && playlist && sidelist && search);
    browser->setNodePlaylist(playlist, sidelist);
    sidelist->changeList(browser->getSpecialList(kSpecialAutomix));
    settle();
    // The bindings the shell makes.
    search->setCaption(languageText(txt_search_song_msg));
    search->setActionSlot(ZRNodeEditText::SlotTextEvents, OnFunctionEditText_Search);
    search->setKeySlot(OnCharEditText_SearchSlot);
    playlist->setKeySlot(OnCharPlaylist);
    sidelist->setKeySlot(OnCharSidelist);
    browser->setKeySlot(OnCharBrowser);
    playlist->setActionSlot(4, OnDoubleClickPlaylist);
    sidelist->setActionSlot(4, OnDoubleClickSidelist);
    control<ZRNodeBackImage>("img_splitter_browser")->setSplitterDragSlot(OnDragSplitterBrowser);
    installLibraryNodes(manager.get());
    installActionControls(std::make_shared<ZRNodeTableControls>(manager.get()));
    installActionDialogs(
        {[this](const ZRString&, const ZRString&, std::function<void()> yes) {
           ++questions;
           if (sayYes) yes();
         },
         [this](const ZRString& text, const ZRString&) { messages.push_back(text.utf8()); }});
    ZRLibraryDialogs dialogs;
    dialogs.chooseFilesToOpen = [this](const ZRString&, const ZRString&, bool, std::vector<ZRString>& paths) {
      ++answers.opened;
      paths = answers.open;
      return !paths.empty();
    };
    dialogs.chooseFileToSave = [this](const ZRString&, const ZRString&, ZRString& path) {
      path = answers.save;
      return !path.empty();
    };
    dialogs.chooseFolder = [this](const ZRString&, ZRString& path) {
      path = answers.folder;
      return !path.empty();
    };
    installLibraryDialogs(dialogs);
  }
  void TearDown() override {
    installLibraryDialogs({});
    installActionDialogs({});
    installActionControls(nullptr);
    installLibraryNodes(nullptr);
    if (browser != nullptr) browser->setNodePlaylist(nullptr, nullptr);
    ControlTest::TearDown();
  }
  // Pending selections reach the tables as a frame would hand them over.
  void settle() {
    browser->forceInitWhenNotVisible();
    playlist->forceInitWhenNotVisible();
    sidelist->forceInitWhenNotVisible();
  }
  void type(const std::string& text) {
    for (char c : text) manager->actionRouteKeyboard(static_cast<unsigned char>(c), 0);
    settle();
  }
  void key(int code) {
    manager->actionRouteKeyboard(code, 0);
    settle();
  }
  // A list of the browser's user lists holding the tracks, shown in the playlist.
  ZRList* userListWith(const std::vector<int32_t>& ids, const char* name) {
    int node = -1;
    const int slot = browser->addList(ZRString(name), &node);
    ZRList* list = browser->getListOfSlot(slot, nullptr);
    std::vector<TZRListTrack> rows;
    for (int32_t id : ids) {
      TZRListTrack row;
      row.trackId = id;
      rows.push_back(row);
    }
    list->addLines(std::move(rows), true);
    browser->SelectNode(node);
    settle();
    return list;
  }
  std::vector<std::string> titlesOf(ZRList* list) {
    std::vector<std::string> titles;
    TZRListTrack row;
    TZRDatabaseTrack track;
    for (int i = 0; i < list->getCount(); ++i) {
      if (list->getRowDataFull(i, &row, &track)) titles.push_back(track.tags[kTagTitle].utf8());
    }
    return titles;
  }

  ToolkitForLists toolkit;
  ZRNodeBrowser* browser = nullptr;
  ZRNodePlaylist* playlist = nullptr;
  ZRNodePlaylist* sidelist = nullptr;
  ZRNodeEditText* search = nullptr;
  Answers answers;
  bool sayYes = true;
  int questions = 0;
  std::vector<std::string> messages;
};

// The side table's tabs: each shows its list, and the list's change callback (which rebuilds the singers
// list on the video output from the side table) hears of it.
TEST_F(LibraryActions, SideTabsShowTheAutomixListOrTheRotation) {
  ZRList* automix = browser->getSpecialList(kSpecialAutomix);
  ZRList* rotation = browser->getSpecialList(kSpecialKaraokeRotation);
  ASSERT_TRUE(automix != nullptr && rotation != nullptr);
  static std::vector<ZRList*> told;
  told.clear();
  auto hear = [](ZRList* list) { told.push_back(list); };
  automix->setListChangedCallback(hear);
  rotation->setListChangedCallback(hear);
  FSidelistSwitchToRotationList(0, -1, -1, nullptr);
  settle();
  EXPECT_EQ(sidelist->getList(), rotation);
  FSidelistSwitchToAutomixList(0, -1, -1, nullptr);
  settle();
  EXPECT_EQ(sidelist->getList(), automix);
  EXPECT_EQ(told, (std::vector<ZRList*>{rotation, automix}));
  automix->setListChangedCallback(nullptr);
  rotation->setListChangedCallback(nullptr);
}

TEST_F(LibraryActions, TypingInTheSearchBoxFillsTheResultsAndEscLeavesIt) {
  addTrack("Ostinato", "Quokka Sunrise", "/music/search/q1.mp3");
  addTrack("Quokka Crew", "Morning", "/music/search/q2.mp3");
  addTrack("Other", "Unrelated", "/music/search/u.mp3");
  ZRList* before = playlist->getList();

  // Clicking the box gives it the focus, which clears the hint text; then the user types.
  click(100, 10);
  EXPECT_EQ(manager->getKBFocusNode(), search);
  EXPECT_TRUE(search->getCaption().empty());
  type("quokka");
  ZRList* results = playlist->getList();
  ASSERT_NE(results, nullptr);
  EXPECT_EQ(results->getType(), ZRList::kTypeSearchResults);
  EXPECT_EQ(results->getCount(), 2);
  type(" sun");
  EXPECT_EQ(titlesOf(playlist->getList()), std::vector<std::string>{"Quokka Sunrise"});

  // Down moves the table's cursor and hands it the focus.
  key(ZRKeyDown);
  EXPECT_EQ(manager->getKBFocusNode(), playlist);
  EXPECT_EQ(results->getMainCursor(), 0);

  // Back in the box, Esc leaves the search: the list from before, the hint text, the table focused.
  click(100, 10);
  key(ZRKeyEsc);
  EXPECT_EQ(playlist->getList(), before);
  EXPECT_EQ(search->getCaption(), languageText(txt_search_song_msg));
  EXPECT_EQ(manager->getKBFocusNode(), playlist);
}

TEST_F(LibraryActions, EnterAndTabGoToTheTableAndAnEmptyBoxLeavesTheSearchOnFocusLoss) {
  addTrack("Pangolin", "Night Pangolin", "/music/search/p1.mp3");
  click(100, 10);
  type("pangolin");
  key(ZRKeyEnter);
  EXPECT_EQ(manager->getKBFocusNode(), playlist);
  EXPECT_EQ(playlist->getList()->getType(), ZRList::kTypeSearchResults);
  EXPECT_EQ(playlist->getList()->getMainCursor(), 0);  // a list without cursor gets its first row

  // The user empties the box and clicks away: the search ends.
  click(100, 10);
  for (int i = 0; i < 8; ++i) manager->actionRouteKeyboard(ZRKeyBackspace, 0);
  EXPECT_TRUE(search->getCaption().empty());
  click(400, 100);
  settle();
  EXPECT_NE(playlist->getList()->getType(), ZRList::kTypeSearchResults);
  EXPECT_EQ(search->getCaption(), languageText(txt_search_song_msg));
}

TEST_F(LibraryActions, ImportOfABrokenListLeavesTheListAsItWas) {
  const int32_t a = addTrack("Keep", "First", "/music/keep/1.mp3");
  const int32_t b = addTrack("Keep", "Second", "/music/keep/2.mp3");
  ZRList* list = userListWith({a, b}, "Keepers");
  click(400, 100);  // the table has the focus
  // A .tvl that is not a list, and an .m3u of lines that name nothing.
  ASSERT_TRUE(writeFile(dir.file("broken.tvl"), std::string("\x01\x02garbage\xff", 11)));
  ASSERT_TRUE(writeFile(dir.file("empty.m3u"), "#EXTM3U\n# nothing here\n"));
  for (const char* file : {"broken.tvl", "empty.m3u", "missing.m3u"}) {
    answers.open = {ZRString(dir.file(file))};
    FImportList(0, 0, -1, nullptr);
    ASSERT_TRUE(ZRDatabase::getInstance()->waitUntilAddingIsDone(20000));
    EXPECT_EQ(titlesOf(list), (std::vector<std::string>{"First", "Second"})) << file;
  }
  EXPECT_EQ(messages.size(), 3u);
  // Cancelled: nothing asked of the list.
  answers.open.clear();
  FImportList(0, 0, -1, nullptr);
  EXPECT_EQ(list->getCount(), 2);
}

TEST_F(LibraryActions, ExportAndImportRoundTripWithNonAsciiPaths) {
  const std::string folder = dir.file("Música/Café Ünïcode");
  fs::create_directories(folder);
  std::vector<int32_t> ids;
  for (const char* name : {"Ñandú.wav", "日本.wav", "plain.wav"}) {
    writeWav16(folder + "/" + name, std::vector<int16_t>(2 * 4410, 0), 2, 44100);
    ids.push_back(addTrack("Round", name, folder + "/" + name));
  }
  ZRList* source = userListWith(ids, "Source");
  click(400, 100);
  answers.save = ZRString(dir.file("Sélection"));  // no suffix: .m3u is appended
  FExportListAsM3U(0, 0, -1, nullptr);
  ASSERT_TRUE(fs::exists(dir.file("Sélection.m3u")));

  ZRList* target = userListWith({ids[2]}, "Target");
  click(400, 100);
  answers.open = {ZRString(dir.file("Sélection.m3u"))};
  FImportList(100, 0, -1, nullptr);  // 100 appends
  ASSERT_TRUE(ZRDatabase::getInstance()->waitUntilAddingIsDone(20000));
  EXPECT_EQ(titlesOf(target), (std::vector<std::string>{"plain.wav", "Ñandú.wav", "日本.wav", "plain.wav"}));
  FImportList(0, 0, -1, nullptr);  // the button replaces
  ASSERT_TRUE(ZRDatabase::getInstance()->waitUntilAddingIsDone(20000));
  EXPECT_EQ(titlesOf(target), titlesOf(source));
}

TEST_F(LibraryActions, ExportAppendsTheSuffixOnlyWhenThePathLacksIt) {
  const struct {
    const char* path;
    const char* suffix;
    const char* expected;
  } cases[] = {
      {"/tmp/mix.M3U", ".m3u", "/tmp/mix.M3U"}, {"/tmp/mix.m3u.txt", ".m3u", "/tmp/mix.m3u.txt"},
      {"/tmp/mix", ".m3u", "/tmp/mix.m3u"},     {"/tmp/mix", ".csv", "/tmp/mix.csv"},
      {"/tmp/Set.CSV", ".csv", "/tmp/Set.CSV"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(exportPathWithSuffix(ZRString(c.path), c.suffix).utf8(), c.expected) << c.path;
  }
}

TEST_F(LibraryActions, FilterButtonsKeepOneTypeOnAndQueuesShowEveryRow) {
  const int32_t audio = addTrack("F", "Audio", "/music/f/a.mp3", "", 0);
  const int32_t video = addTrack("F", "Video", "/music/f/v.mp4", "", 1);
  const int32_t karaoke = addTrack("F", "Karaoke", "/music/f/k.cdg", "", 2);
  ZRList* list = userListWith({audio, video, karaoke}, "Mixed");
  ZRList* automix = browser->getSpecialList(kSpecialAutomix);
  automix->clear();
  for (int32_t id : {audio, video, karaoke}) {
    TZRListTrack row;
    row.trackId = id;
    automix->addLine(row, -1, true);
  }
  auto* audioButton = control<ZRNodeButton>("list_filter_audio");
  auto* videoButton = control<ZRNodeButton>("list_filter_video");
  auto* karaokeButton = control<ZRNodeButton>("list_filter_karaoke");
  const struct {
    ZRNodeButton* pressed;
    int param;
    std::vector<std::string> shown;
    bool audioOn, videoOn, karaokeOn;
  } steps[] = {
      {videoButton, 1, {"Video"}, false, true, false},
      {karaokeButton, 2, {"Karaoke"}, false, false, true},
      {karaokeButton, 2, {"Audio", "Video", "Karaoke"}, false, false, false},
      {audioButton, 0, {"Audio"}, true, false, false},
      {nullptr, -1, {"Audio", "Video", "Karaoke"}, false, false, false},
  };
  for (const auto& s : steps) {
    // A switch has toggled before its action runs.
    if (s.pressed != nullptr) s.pressed->setSwitched(!s.pressed->getSwitched(), false);
    FSetFiltering(0, s.param, -1, s.pressed);
    EXPECT_EQ(titlesOf(list), s.shown) << s.param;
    EXPECT_EQ(titlesOf(automix).size(), 3u);
    EXPECT_EQ(audioButton->getSwitched(), s.audioOn);
    EXPECT_EQ(videoButton->getSwitched(), s.videoOn);
    EXPECT_EQ(karaokeButton->getSwitched(), s.karaokeOn);
  }
  EXPECT_EQ(resolveMediaTypeFilter(2, true, true, false), -1);
  EXPECT_EQ(resolveMediaTypeFilter(1, false, true, false), 1);
}

TEST_F(LibraryActions, BrowserSplitterKeepsMinimumsAndStoresTheSizes) {
  ZRPreferences prefs(nullptr, nullptr);
  preferences = &prefs;
  const struct {
    int dx;
    float browserWidth, playlistWidth, playlistX;
  } drags[] = {
      {-50, 200, 400, 204},  // the browser would be 150 wide: ignored
      {-49, 151, 449, 155},  // 151 works
      {150, 301, 299 + 0, 305},
  };
  // The last one leaves the playlist 299 wide: ignored as a whole.
  const float expectedLast[3] = {151, 449, 155};
  for (size_t i = 0; i < 3; ++i) {
    OnDragSplitterBrowser(-1, drags[i].dx, 0, ZRButtonLeft, 0, -1, nullptr);
    const float w = i < 2 ? drags[i].browserWidth : expectedLast[0];
    const float pw = i < 2 ? drags[i].playlistWidth : expectedLast[1];
    const float px = i < 2 ? drags[i].playlistX : expectedLast[2];
    EXPECT_FLOAT_EQ(browser->width, w) << i;
    EXPECT_FLOAT_EQ(playlist->width, pw) << i;
    EXPECT_FLOAT_EQ(playlist->getAbsolutePositionX(), px) << i;
  }
  const ZRString skin = manager->getSkinPath();
  const std::pair<const char*, float> stored[] = {
      {"browser_w", 151}, {"playlist_w", 449}, {"playlist_x", 155}, {"splitt_b_x", 151}};
  for (const auto& [field, value] : stored) {
    float read = 0;
    EXPECT_TRUE(prefs.getValue(skinLayoutKey(skin, field).c_str(), read)) << field;
    EXPECT_FLOAT_EQ(read, value) << field;
  }
  preferences = nullptr;
}

TEST_F(LibraryActions, DroppedFilesAndFoldersGoToTheTableUnderThePoint) {
  const std::string folder = dir.file("dropped/inner");
  fs::create_directories(folder);
  writeWav16(folder + "/d1.wav", std::vector<int16_t>(2 * 4410, 0), 2, 44100);
  writeWav16(dir.file("dropped/d2.wav"), std::vector<int16_t>(2 * 4410, 0), 2, 44100);
  writeWav16(dir.file("single.wav"), std::vector<int16_t>(2 * 4410, 0), 2, 44100);
  ZRList* list = userListWith({}, "Drops");
  ZRList* side = sidelist->getList();
  side->clear();
  // The playlist's right edge (x 604) still belongs to it.
  EXPECT_TRUE(FMainWindowOnDropFiles(604, 100, {ZRString(dir.file("dropped"))}));
  ASSERT_TRUE(ZRDatabase::getInstance()->waitUntilAddingIsDone(20000));
  EXPECT_EQ(list->getCount(), 2);
  EXPECT_TRUE(FMainWindowOnDropFiles(700, 100, {ZRString(dir.file("single.wav"))}));
  ASSERT_TRUE(ZRDatabase::getInstance()->waitUntilAddingIsDone(20000));
  EXPECT_EQ(side->getCount(), 1);
  EXPECT_EQ(list->getCount(), 2);
}

TEST_F(LibraryActions, ASamplerSlotLoadsATrackRowOrAFileDroppedOnIt) {
  std::unique_ptr<ZRSamplerPlayer> player(ZRSamplerPlayer::create(0));
  ASSERT_NE(player, nullptr);
  Sampler[0] = player.get();
  ZRDrawNode* name = node("sampler1_name");
  ASSERT_NE(name, nullptr);
  name->actionCode = 0;  // as the shell binds the slot's nodes
  fs::create_directories(dir.file("pads"));
  ASSERT_TRUE(writeWav16(dir.file("pads/Kick.wav"), std::vector<int16_t>(2 * 4410, 1000), 2, 44100));
  ASSERT_TRUE(writeWav16(dir.file("Snare.wav"), std::vector<int16_t>(2 * 2205, 1000), 2, 44100));
  TZRListTrack row;
  row.trackId = addTrack("Drums", "Kick", dir.file("pads/Kick.wav"));
  const auto kick = std::make_shared<ZRDragDropTrack>(nullptr, row, 0);
  row.trackId = 987654321;  // not in the library
  const auto unknown = std::make_shared<ZRDragDropTrack>(nullptr, row, 0);

  // Hovering accepts a track without loading it; other payloads are refused.
  EXPECT_TRUE(FSampler_DropItem(name, kick, 0, 0, true));
  EXPECT_FALSE(player->IsOpen());
  EXPECT_FALSE(FSampler_DropItem(name, nullptr, 0, 0, true));
  EXPECT_FALSE(FSampler_DropItem(name, unknown, 0, 0, false));
  EXPECT_FALSE(player->IsOpen());
  ASSERT_TRUE(FSampler_DropItem(name, kick, 0, 0, false));
  EXPECT_TRUE(player->IsOpen());
  EXPECT_EQ(player->GetFileName().utf8(), dir.file("pads/Kick.wav"));
  EXPECT_EQ(player->GetLength(), 4410);
  EXPECT_EQ(control<ZRNodeText>("sampler1_name")->getCaption().utf8(), "Kick");

  // Files from another application: the first file (not the folder) loads into the slot under the point,
  // and no table gets them.
  ZRList* list = userListWith({}, "Drops");
  EXPECT_TRUE(FMainWindowOnDropFiles(280, 8, {ZRString(dir.file("pads")), ZRString(dir.file("Snare.wav"))}));
  EXPECT_EQ(player->GetFileName().utf8(), dir.file("Snare.wav"));
  EXPECT_EQ(player->GetLength(), 2205);
  EXPECT_FALSE(FMainWindowOnDropFiles(280, 8, {ZRString(dir.file("pads"))}));
  EXPECT_EQ(player->GetFileName().utf8(), dir.file("Snare.wav"));
  ASSERT_TRUE(ZRDatabase::getInstance()->waitUntilAddingIsDone(20000));
  EXPECT_EQ(list->getCount(), 0);
  Sampler[0] = nullptr;
}

TEST_F(LibraryActions, DoubleClicksKeysAndMenuCommandsOfTheTables) {
  const int32_t a = addTrack("T", "Alpha", "/music/t/a.mp3");
  const int32_t b = addTrack("T", "Beta", "/music/t/b.mp3");
  ZRList* list = userListWith({a, b}, "Tables");
  ZRList* side = sidelist->getList();
  side->clear();
  list->setMainCursor(1, false);
  OnDoubleClickPlaylist(1, 0, -1, playlist);
  EXPECT_EQ(titlesOf(side), std::vector<std::string>{"Beta"});
  list->setMainCursor(0, false);
  EXPECT_TRUE(OnCharPlaylist(ZRKeyEnter, 0, playlist));
  EXPECT_EQ(titlesOf(side), (std::vector<std::string>{"Beta", "Alpha"}));
  // The side list's double click moves its cursor row to the top.
  click(700, 40 + 24 + 5);  // second row: focus and cursor
  OnDoubleClickSidelist(0, 0, -1, sidelist);
  EXPECT_EQ(titlesOf(side), (std::vector<std::string>{"Alpha", "Beta"}));

  // Keys move the focus between the three.
  const struct {
    bool (*handler)(int, int, ZRDrawNode*);
    int key;
    ZRDrawNode* focus;
  } moves[] = {{OnCharBrowser, ZRKeyTab, playlist},
               {OnCharPlaylist, ZRKeyLeft, browser},
               {OnCharPlaylist, ZRKeyRight, sidelist},
               {OnCharSidelist, ZRKeyLeft, playlist},
               {OnCharSidelist, ZRKeyTab, browser}};
  for (const auto& m : moves) {
    EXPECT_TRUE(m.handler(m.key, 0, nullptr));
    EXPECT_EQ(manager->getKBFocusNode(), m.focus) << m.key;
  }
  EXPECT_FALSE(OnCharBrowser(ZRKeyUp, 0, nullptr));

  // Menu commands: 121 sends every row to the side list; decks 3 and 4 do not exist; unknown numbers log.
  LogCapture log;
  runTableMenuCommand(playlist, 121);
  EXPECT_EQ(side->getCount(), 4);
  runTableMenuCommand(playlist, 202);
  runTableMenuCommand(playlist, 999);
  runBrowserMenuCommand(browser, 7);
  EXPECT_TRUE(0 < log.count("no deck 3"));
  EXPECT_TRUE(0 < log.count("menu command not understood (OnMenuCommand_Playlist_or_Sidelist)"));
  EXPECT_TRUE(0 < log.count("menu command not understood (OnMenuCommand_Browser)"));

  // Clear asks first; no leaves the list, yes empties it.
  click(400, 40);
  sayYes = false;
  FClearList(0, 0, -1, nullptr);
  EXPECT_EQ(list->getCount(), 2);
  sayYes = true;
  FClearList(0, 0, -1, nullptr);
  EXPECT_EQ(list->getCount(), 0);
  EXPECT_EQ(questions, 2);
}

}  // namespace
}  // namespace orvel_test

namespace orvel_test {
namespace {

// TZ for one test; the zone rules are read again on every change.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    const char* old = std::getenv("TZ");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (hadOld_) {
      setenv("TZ", old_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool hadOld_ = false;
  std::string old_;
};

TEST_F(LibraryActions, HistoryFilteredToOneLocalDayAcrossADaylightSavingChange) {
  ScopedTimeZone zone("Europe/Berlin");
  const struct {
    int year, month, day;
    int64_t hours;
  } days[] = {{2026, 3, 29, 23}, {2026, 10, 25, 25}, {2026, 6, 1, 24}, {2026, 12, 31, 24}};
  for (const auto& d : days) {
    int64_t from = 0, to = 0;
    ASSERT_TRUE(localDayRange(d.year, d.month, d.day, &from, &to));
    EXPECT_EQ(to - from + 1, d.hours * 3600) << d.month << "/" << d.day;
  }
  EXPECT_FALSE(localDayRange(2026, 13, 1, nullptr, nullptr));

  // The history holds plays of the evening before, of the short day itself and of the morning after.
  int64_t from = 0, to = 0;
  ASSERT_TRUE(localDayRange(2026, 3, 29, &from, &to));
  ZRList* history = browser->getSpecialList(kSpecialHistory);
  history->endFiltering(true);
  history->clear();
  const int32_t track = addTrack("H", "Played", "/music/h/p.mp3");
  for (int64_t at : {from - 60, from, from + 3600 * 12, to, to + 1}) {
    TZRListTrack row;
    row.trackId = track;
    row.added = at;
    history->addLine(row, -1, false);
  }
  ZRLibraryDialogs dialogs;
  bool pickDay = true;
  dialogs.chooseDay = [&](int& y, int& m, int& dd) {
    y = 2026, m = 3, dd = 29;
    return pickDay;
  };
  installLibraryDialogs(dialogs);
  FHistoryFilterDate(0, 0, -1, nullptr);
  ASSERT_EQ(history->getCount(), 3);
  TZRListTrack row;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(history->getRowData(i, &row));
    EXPECT_GE(row.added, from);
    EXPECT_LE(row.added, to);
  }
  // None (or a closed window) shows every row again.
  pickDay = false;
  FHistoryFilterDate(0, 0, -1, nullptr);
  EXPECT_EQ(history->getCount(), 5);
}

TEST_F(LibraryActions, TagEditWritesOnlyTheChangedFieldsAndKeepsWhatOthersStored) {
  const std::string path = dir.file("tagged.wav");
  ASSERT_TRUE(writeWav16(path, std::vector<int16_t>(2 * 4410, 0), 2, 44100));
  {
    ZRTag tag;
    ASSERT_TRUE(tag.open(ZRString(path)));
    tag.setField(kZRTagArtist, ZRString("File Artist"));
    tag.setField(kZRTagTitle, ZRString("File Title"));
    tag.setField(kZRTagAlbum, ZRString("Fïle Albüm"));
    tag.setField(kZRTagComment, ZRString("keep me"));
    ASSERT_TRUE(tag.save());
    tag.close();
  }
  // The library's copy differs from the file (it was edited elsewhere, or read long ago).
  TZRDatabaseTrack record;
  ZRDatabase::resetTrack(&record, true);
  record.tags[kTagFileName] = ZRString(path);
  record.tags[kTagArtist] = ZRString("Library Artist");
  record.tags[kTagTitle] = ZRString("Library Title");
  record.tags[kTagAlbum] = ZRString("Library Album");
  record.tags[kTagKey] = ZRString("08m/am");
  const int32_t id = ZRDatabase::getInstance()->addOrUpdate(&record);
  userListWith({id}, "Tags");
  click(400, 40);  // focus and cursor on the row

  ZRLibraryDialogs dialogs;
  dialogs.editTags = [&](ZRTagEditFields& f) {
    EXPECT_EQ(f.keyIndex, 13);  // "08m/Am", found without case
    f.title = ZRString("New Title");
    f.year = ZRString("abc");  // not a number: not taken
    // Meanwhile the analyze thread stores a tempo.
    TZRDatabaseTrack analysed;
    ZRDatabase::getInstance()->getTrackIdData(id, &analysed);
    analysed.bpm = 128;
    analysed.tags[kTagBpm] = ZRString("128.0");
    ZRDatabase::getInstance()->addOrUpdate(&analysed);
    return true;
  };
  installLibraryDialogs(dialogs);
  FEditFileInfo(0, 0, -1, nullptr);
  EXPECT_TRUE(messages.empty());

  ZRTag tag;
  ASSERT_TRUE(tag.open(ZRString(path)));
  ZRString value;
  const std::pair<int, const char*> fileFields[] = {{kZRTagTitle, "New Title"},
                                                    {kZRTagArtist, "File Artist"},
                                                    {kZRTagAlbum, "Fïle Albüm"},
                                                    {kZRTagComment, "keep me"}};
  for (const auto& [field, expected] : fileFields) {
    ASSERT_TRUE(tag.getField(field, &value));
    EXPECT_EQ(value.utf8(), expected) << field;
  }
  tag.close();
  TZRDatabaseTrack stored;
  ASSERT_TRUE(ZRDatabase::getInstance()->getTrackIdData(id, &stored));
  EXPECT_EQ(stored.tags[kTagTitle].utf8(), "New Title");
  EXPECT_EQ(stored.tags[kTagArtist].utf8(), "Library Artist");
  EXPECT_FLOAT_EQ(stored.bpm, 128);
  EXPECT_EQ(stored.tags[kTagBpm].utf8(), "128.0");
  EXPECT_TRUE(stored.tags[kTagYear].empty());

  // Update without a change writes nothing and says nothing.
  dialogs.editTags = [](ZRTagEditFields&) { return true; };
  installLibraryDialogs(dialogs);
  const auto before = fs::last_write_time(path);
  FEditFileInfo(0, 0, -1, nullptr);
  EXPECT_EQ(fs::last_write_time(path), before);
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace orvel_test
