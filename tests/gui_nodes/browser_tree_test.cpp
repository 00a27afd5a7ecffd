// The browser tree: its branches, special lists and the lists database.xml fills, new, renamed, sorted,
// moved and deleted user lists (also while a table shows the list being deleted), the Finder over a folder
// tree of the test's home, folders shown in the main table without stale files, favourites and their file,
// search, keys, menus, drops and following the mount table.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/zr_global_task_dispatch.h"
#include "common/zr_parameter_list.h"
#include "gui/zr_menu.h"
#include "gui_nodes/zr_drag_drop_browser_list.h"
#include "gui_nodes/zr_drag_drop_track.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"
#include "list_controls_support.h"
#include "support/display_required.h"
#include "support/image_fixtures.h"
#include "support/recording_texture.h"

namespace {

using orvel_test::modalAnswers;
namespace fs = std::filesystem;

// A short WAV the library reads tags from.
void writeTrack(const std::string& path) {
  fs::create_directories(fs::path(path).parent_path());
  orvel_test::writeWav16(path, std::vector<int16_t>(2 * 4410, 0), 2, 44100);
}

class BrowserTree : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!toolkit.start()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    orvel_test::loadEnglish();
    const char* home = getenv("HOME");
    oldHome = home != nullptr ? home : "";
    setenv("HOME", dir.path().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    fs::create_directories(dir.file("Desktop"));
    fs::create_directories(dir.file("Music/Rock/Live"));
    fs::create_directories(dir.file("Music/Jazz"));
    writeTrack(dir.file("Music/Rock/one.wav"));
    writeTrack(dir.file("Music/Rock/two.wav"));
    writeTrack(dir.file("Music/Rock/Live/three.wav"));
    writeTrack(dir.file("Music/Jazz/four.wav"));
    orvel_test::writeFile(dir.file("mounts"), "");
    browser = makeBrowser();
  }
  void TearDown() override {
    browser.reset();
    if (!oldHome.empty()) setenv("HOME", oldHome.c_str(), 1);
  }
  std::unique_ptr<ZRNodeBrowser> makeBrowser() {
    auto b = std::make_unique<ZRNodeBrowser>(nullptr, nullptr, 1.0f, GetActionIndex("browser"), -1, -1);
    b->setMountTable(dir.file("mounts"), 20);
    b->RescanDisks();
    ZRParameterList a;
    a.setInt("posx", 0);
    a.setInt("posy", 0);
    a.setInt("width", 300);
    a.setInt("height", 600);
    b->refreshCoordinates(&a);
    return b;
  }
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (const ZRNodeBrowser::TVisibleLine& v : browser->getVisibleLines()) {
      if (v.line.type != ZRNodeBrowser::kLinePlugin)
        out.push_back(std::string(v.depth, ' ') + v.line.name.utf8());
    }
    return out;
  }
  int rowNamed(const std::string& name) {
    const std::vector<ZRNodeBrowser::TVisibleLine> lines = browser->getVisibleLines();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].line.name.utf8() == name) return static_cast<int>(i);
    }
    return -1;
  }
  ZRNodeBrowser::TVisibleLine line(const std::string& name) {
    const int row = rowNamed(name);
    return row >= 0 ? browser->getVisibleLines()[static_cast<size_t>(row)] : ZRNodeBrowser::TVisibleLine();
  }
  bool key(int k) {
    return browser->executeActionInternal(ZRNodeEventKey, 0, 0, 0, ZRButtonNone, k, 0, -1, -1, -1, L' ', -1);
  }
  std::vector<std::string> fileNames(ZRList* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->getCount(); ++i) {
      TZRListTrack row;
      TZRDatabaseTrack track;
      if (list->getRowDataFull(i, &row, &track))
        out.push_back(fs::path(track.tags[kTagFileName].utf8()).filename());
    }
    return out;
  }

  orvel_test::ToolkitForLists toolkit;
  orvel_test::RecordingTextures textures;
  orvel_test::TempDir dir;
  std::string oldHome;
  std::unique_ptr<ZRNodeBrowser> browser;
};

TEST_F(BrowserTree, AFreshTreeShowsItsBranchesAndSpecialLists) {
  EXPECT_EQ(names(), (std::vector<std::string>{"Browser", " Library", " Special Lists", "  History",
                                               "  Search results", " User Lists", " Favorites", " Finder",
                                               "  Desktop", "  Music", "  Home"}));
  EXPECT_EQ(line("Home").line.path.utf8(), dir.path());
  EXPECT_EQ(line("Music").line.type, ZRNodeBrowser::kLineFolderWithSubfolders);
  EXPECT_EQ(browser->getSpecialList(4), nullptr);
  ASSERT_NE(browser->getSpecialList(kSpecialAutomix), nullptr);
  EXPECT_EQ(browser->getSpecialList(kSpecialAutomix)->getType(), ZRList::kTypeAutomix);
  EXPECT_TRUE(browser->getSpecialList(kSpecialKaraokeRotation)->getIsKaraokeSingersRotationList());
  EXPECT_EQ(browser->getSpecialList(kSpecialCollection), browser->loadListCallback(ZRString("x"), 200, -1));
  EXPECT_EQ(browser->loadListCallback(ZRString("x"), 213, -1), nullptr);
  // User lists of database.xml arrive under User Lists in file order.
  ZRList* first = browser->loadListCallback(ZRString("Warm-up"), ZRList::kTypeUserList, 3);
  ZRList* second = browser->loadListCallback(ZRString("Peak"), ZRList::kTypeUserList, -1);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->getSubtype(), 3);
  ASSERT_NE(second, nullptr);
  const std::vector<std::string> after = names();
  const auto userLists = std::find(after.begin(), after.end(), " User Lists");
  ASSERT_NE(userLists, after.end());
  ASSERT_LT(userLists + 2, after.end());
  EXPECT_EQ(*(userLists + 1), "  Warm-up");
  EXPECT_EQ(*(userLists + 2), "  Peak");
  EXPECT_EQ(browser->getListNoFromNodeId(-5), -1);
  EXPECT_EQ(browser->getListNoFromNodeId(99999), -1);
}

TEST_F(BrowserTree, NewListsTakeNumberedDefaultNamesAndCanBeRenamed) {
  modalAnswers().typed = {"New list", "New list"};
  int node = -1;
  const int slot1 = browser->addList(ZRString(), &node);
  ASSERT_GE(slot1, 0);
  const std::string name1 = browser->getListOfSlot(slot1, nullptr)->getName().utf8();
  const int slot2 = browser->addList(ZRString(), nullptr);
  const std::string name2 = browser->getListOfSlot(slot2, nullptr)->getName().utf8();
  ASSERT_EQ(name1.rfind("New list", 0), 0u);
  EXPECT_EQ(std::stoi(name2.substr(8)), std::stoi(name1.substr(8)) + 1);
  // Cancelled: no list.
  modalAnswers().buttons = {wxID_CANCEL};
  EXPECT_EQ(browser->addList(ZRString(), nullptr), -1);

  // The next frame selects the new list.
  browser->forceInitWhenNotVisible();
  EXPECT_EQ(browser->getCursorRow(), rowNamed(name2));
  browser->renameList(node, ZRString("Sunday set"));
  EXPECT_EQ(browser->getListOfSlot(slot1, nullptr)->getName().utf8(), "Sunday set");
  EXPECT_GE(rowNamed("Sunday set"), 0);
  // History and collection cannot be renamed or deleted.
  const int history = browser->getSpecialNodeId(ZRNodeBrowser::kLineHistory);
  browser->renameList(history, ZRString("Gone"));
  browser->deleteList(history, false);
  EXPECT_GE(rowNamed("History"), 0);
}

TEST_F(BrowserTree, DeletingAListWhileTheTableDrawsIt) {
  ZRNodePlaylist table(nullptr, nullptr, 1.0f, GetActionIndex("playlist"), -1, -1);
  ZRParameterList a;
  a.setInt("width", 300);
  a.setInt("height", 300);
  table.refreshCoordinates(&a);
  browser->setNodePlaylist(&table, nullptr);
  int node = -1;
  const int slot = browser->addList(ZRString("Doomed"), &node);
  ZRList* doomed = browser->getListOfSlot(slot, nullptr);
  orvel_test::fillList(*doomed, 500, "doomed");
  browser->SelectNode(node);
  EXPECT_EQ(table.getList(), nullptr);  // taken over by the next frame
  std::atomic<bool> stop{false};
  std::thread renderer([&] {
    while (!stop.load()) {
      table.render(0.016, 0, 0);
      browser->render(0.016, 0, 0);
    }
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (table.getList() != doomed && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_EQ(table.getList(), doomed);
  // Declined: nothing happens.
  modalAnswers().buttons = {wxID_NO};
  browser->deleteList(node, true);
  EXPECT_EQ(browser->getListOfSlot(slot, nullptr), doomed);
  modalAnswers().buttons = {wxID_YES};
  const int used = browser->getUsedListSlots();
  browser->deleteList(node, true);
  // The table no longer refers to the deleted list, before the list went.
  EXPECT_NE(table.getList(), doomed);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  stop.store(true);
  renderer.join();
  EXPECT_EQ(table.getList(), browser->getSpecialList(kSpecialCollection));
  EXPECT_EQ(browser->getListOfSlot(slot, nullptr), nullptr);
  EXPECT_EQ(browser->getUsedListSlots(), used - 1);
  EXPECT_EQ(rowNamed("Doomed"), -1);
  EXPECT_EQ(browser->getCursorRow(), 1);
  for (ZRList* registered : ZRList::getLists()) EXPECT_NE(registered, doomed);
  browser->setNodePlaylist(nullptr, nullptr);
}

TEST_F(BrowserTree, UserListsSortAndMoveByTheRegistryOrder) {
  const int c = browser->addList(ZRString("Charlie"), nullptr);
  const int a = browser->addList(ZRString("alpha"), nullptr);
  const int b = browser->addList(ZRString("Bravo"), nullptr);
  browser->forceInitWhenNotVisible();
  browser->SelectNode(line("alpha").nodeId);
  browser->menuItemCallback(0, reinterpret_cast<void*>(static_cast<intptr_t>(105)));  // sort by name
  browser->forceInitWhenNotVisible();
  auto order = [&] {
    std::vector<std::string> lists;
    for (const ZRNodeBrowser::TVisibleLine& v : browser->getVisibleLines()) {
      if (v.line.type == ZRNodeBrowser::kLineUserList) lists.push_back(v.line.name.utf8());
    }
    return lists;
  };
  EXPECT_EQ(order(), (std::vector<std::string>{"alpha", "Bravo", "Charlie"}));
  // The sorted list is selected again.
  EXPECT_EQ(browser->getCursorRow(), rowNamed("alpha"));
  EXPECT_TRUE(browser->moveListNoBeforeListNo(c, a, false));
  browser->forceInitWhenNotVisible();
  EXPECT_EQ(order(), (std::vector<std::string>{"Charlie", "alpha", "Bravo"}));
  // After a middle list goes, a move still shows every other list.
  browser->deleteList(line("alpha").nodeId, false);
  EXPECT_TRUE(browser->moveListNoBeforeListNo(b, c, false));
  EXPECT_EQ(order(), (std::vector<std::string>{"Bravo", "Charlie"}));
  EXPECT_FALSE(browser->moveListNoBeforeListNo(b, 4000, false));
}

TEST_F(BrowserTree, TheFinderListsTheFolderTreeAndShowsOneFolderAtATime) {
  ZRNodePlaylist table(nullptr, nullptr, 1.0f, GetActionIndex("playlist"), -1, -1);
  browser->setNodePlaylist(&table, nullptr);
  browser->SelectNode(line("Music").nodeId);
  browser->ExpandNode(-1);
  EXPECT_GE(rowNamed("Jazz"), 0);
  EXPECT_LT(rowNamed("Jazz"), rowNamed("Rock"));
  EXPECT_EQ(line("Jazz").line.type, ZRNodeBrowser::kLineFolder);
  EXPECT_EQ(line("Rock").line.type, ZRNodeBrowser::kLineFolderWithSubfolders);
  EXPECT_EQ(line("Rock").depth, 3);
  // Expanding again collapses; the children stay scanned.
  browser->ExpandNode(line("Music").nodeId);
  EXPECT_EQ(rowNamed("Rock"), -1);
  browser->ExpandNode(line("Music").nodeId);
  EXPECT_GE(rowNamed("Rock"), 0);
  // An empty folder has nothing to list: it stays collapsed.
  browser->ExpandNode(line("Desktop").nodeId);
  EXPECT_FALSE(line("Desktop").expanded);
  // Nor does one removed from the disk since it was shown.
  browser->ExpandNode(line("Rock").nodeId);
  ASSERT_GE(rowNamed("Live"), 0);
  fs::remove_all(dir.file("Music/Rock/Live"));
  browser->ExpandNode(line("Live").nodeId);
  EXPECT_FALSE(line("Live").expanded);

  ZRList* finder = browser->getSpecialList(kSpecialFinder);
  // Jazz and then Rock at once: what is still being read for Jazz does not join Rock's files.
  browser->SelectNode(line("Jazz").nodeId);
  browser->SelectNode(line("Rock").nodeId);
  table.forceInitWhenNotVisible();
  EXPECT_EQ(table.getList(), finder);
  ASSERT_TRUE(ZRDatabase::getInstance()->waitUntilAddingIsDone(20000));
  std::vector<std::string> files = fileNames(finder);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"one.wav", "two.wav"}));  // not the subfolder's
  browser->setNodePlaylist(nullptr, nullptr);
}

TEST_F(BrowserTree, FavouritesPersistInTheirFile) {
  const std::string file = dir.file("favorites.xml");
  browser->loadFavorites(ZRString(file));  // missing: nothing, but remembered
  browser->SelectNode(line("Music").nodeId);
  browser->ExpandNode(-1);
  browser->SelectNode(line("Jazz").nodeId);
  browser->menuItemCallback(0, reinterpret_cast<void*>(static_cast<intptr_t>(200)));
  browser->SelectNode(line("Rock").nodeId);
  browser->menuItemCallback(0, reinterpret_cast<void*>(static_cast<intptr_t>(200)));
  // Written at once, through the atomic writer.
  std::vector<TZRFavorite> read;
  ASSERT_TRUE(readFavoritesFile(ZRString(file), &read));
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].name.utf8(), "Jazz");
  EXPECT_EQ(read[0].type, ZRNodeBrowser::kLineFavoriteFolder);
  EXPECT_EQ(read[1].type, ZRNodeBrowser::kLineFavoriteFolderWithSubfolders);
  EXPECT_EQ(read[1].path.utf8(), dir.file("Music/Rock"));

  // Another browser reads them back under Favorites.
  browser = makeBrowser();
  browser->loadFavorites(ZRString(file));
  const int favorites = rowNamed("Favorites");
  ASSERT_GE(favorites, 0);
  EXPECT_EQ(rowNamed("Jazz"), favorites + 1);
  EXPECT_EQ(line("Rock").line.type, ZRNodeBrowser::kLineFavoriteFolderWithSubfolders);
  EXPECT_TRUE(line("Rock").line.expandable);
  // Removing one rewrites the file.
  browser->SelectNode(line("Jazz").nodeId);
  browser->menuItemCallback(0, reinterpret_cast<void*>(static_cast<intptr_t>(210)));
  ASSERT_TRUE(readFavoritesFile(ZRString(file), &read));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].name.utf8(), "Rock");
}

TEST_F(BrowserTree, FavouriteFilesKeepLongPathsAndSurviveBrokenOnes) {
  const std::string file = dir.file("favorites.xml");
  const std::string longPath = "/" + std::string(5000, 'p') + "/\"&<x>";
  ASSERT_TRUE(writeFavoritesFile(ZRString(file), {{ZRString("Long"), ZRString(longPath), 121},
                                                  {ZRString("Twice"), ZRString("/same"), 111},
                                                  {ZRString("Twice"), ZRString("/same"), 111}}));
  std::vector<TZRFavorite> read;
  ASSERT_TRUE(readFavoritesFile(ZRString(file), &read));
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[0].path.utf8(), longPath);
  const std::string text = orvel_test::readFile(file);
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n", 0),
            0u);
  EXPECT_NE(text.find("<fav name=\"Twice\" path=\"/same\" type=\"111\" />\n"), std::string::npos);

  // Two favourites with one path: removing one line frees the first record only.
  browser->loadFavorites(ZRString(file));
  browser->removeFavorite(ZRString("/same"), line("Twice").nodeId);
  EXPECT_EQ(browser->getFavorites().size(), 2u);

  // A missing type reads as -1; other elements are skipped.
  orvel_test::writeFile(file, "<favorites version=\"1\"><fav name=\"A\" path=\"/a\"/><other/></favorites>");
  ASSERT_TRUE(readFavoritesFile(ZRString(file), &read));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].type, -1);
  // A broken file leaves the branch empty and is not written over.
  orvel_test::writeFile(file, "<favorites><fav name=\"A\"");
  browser = makeBrowser();
  browser->loadFavorites(ZRString(file));
  EXPECT_TRUE(browser->getFavorites().empty());
  EXPECT_EQ(orvel_test::readFile(file), "<favorites><fav name=\"A\"");
  orvel_test::writeFile(file, "<columns/>");
  EXPECT_FALSE(readFavoritesFile(ZRString(file), &read));
}

TEST_F(BrowserTree, SearchRemembersWhereItStarted) {
  int node = -1;
  browser->addList(ZRString("Before"), &node);
  browser->SelectNode(node);
  browser->search(ZRString("nothing-matches"), true, false);
  EXPECT_EQ(browser->getCursorRow(), rowNamed("Search results"));
  browser->search(ZRString("still-nothing"), true, false);
  browser->exitSearch(false);
  EXPECT_EQ(browser->getCursorRow(), rowNamed("Before"));
  browser->search(ZRString("x"), true, true);  // skipped
  EXPECT_EQ(browser->getCursorRow(), rowNamed("Before"));
  browser->search(ZRString("x"), false, false);
  browser->exitSearch(true);
  EXPECT_EQ(browser->getCursorRow(), rowNamed("Library"));
}

TEST_F(BrowserTree, KeysMoveTheCursorAndToggleExpansion) {
  const int last = static_cast<int>(browser->getVisibleLines().size()) - 1;
  EXPECT_TRUE(key(ZRKeyEnd));
  EXPECT_EQ(browser->getCursorRow(), last);
  key(ZRKeyDown);
  EXPECT_EQ(browser->getCursorRow(), last);
  key(ZRKeyHome);
  EXPECT_EQ(browser->getCursorRow(), 0);
  browser->moveCursor(250);  // with a cursor: nothing
  EXPECT_EQ(browser->getCursorRow(), 0);
  browser->SelectNode(line("Finder").nodeId);
  EXPECT_GE(rowNamed("Home"), 0);
  key(ZRKeyEnter);  // collapses the Finder
  EXPECT_EQ(rowNamed("Home"), -1);
  EXPECT_FALSE(browser->getIsSpecialNodeExpanded(kSpecialNodeFinder));
  browser->expandOrCollapseSpecialNode(kSpecialNodeFinder, true);
  EXPECT_GE(rowNamed("Home"), 0);
  browser->expandOrCollapseSpecialNode(kSpecialNodeFinder, false);
  browser->expandOrCollapseSpecialNode(kSpecialNodeFinder, false);
  EXPECT_EQ(rowNamed("Home"), -1);
  EXPECT_FALSE(key('x'));  // no key slot
}

int menuCommandSeen = -1;
void menuSlot(ZRDrawNode*, int, void* param) {
  menuCommandSeen = static_cast<int>(reinterpret_cast<intptr_t>(param));
}

TEST_F(BrowserTree, EachLineTypeHasItsMenu) {
  auto rightClick = [&](const std::string& name) {
    browser->SelectNode(line(name).nodeId);
    browser->popupMenuDependingOnElement(10, 10);
    return browser->getOpenedMenu();
  };
  ZRMenu* others = rightClick("Finder");
  ASSERT_NE(others, nullptr);
  EXPECT_EQ(others->getCount(), 1);
  EXPECT_EQ(rightClick("Browser"), others);
  EXPECT_EQ(rightClick("Library")->getCount(), 1);
  EXPECT_EQ(rightClick("Home")->getCount(), 6);
  browser->addList(ZRString("Mine"), nullptr);
  ZRMenu* playlist = rightClick("Mine");
  ASSERT_EQ(playlist->getCount(), 8);
  browser->setMenuSlot(&menuSlot);
  playlist->internalCallback(3);  // export as CSV: the shell's
  EXPECT_EQ(menuCommandSeen, 131);
}

TEST_F(BrowserTree, DropsOfTracksAndLists) {
  ZRNodePlaylist table(nullptr, nullptr, 1.0f, GetActionIndex("playlist"), -1, -1);
  ZRList* collection = browser->getSpecialList(kSpecialCollection);
  orvel_test::fillList(*collection, 5, "drops");
  table.changeList(collection);
  table.forceInitWhenNotVisible();
  int node = -1;
  const int slot = browser->addList(ZRString("Target"), &node);
  const int other = browser->addList(ZRString("Other"), nullptr);
  browser->render(0.016, 0, 0);
  const float lineH = static_cast<float>(browser->lineSize.load());
  auto yOf = [&](const std::string& name) { return static_cast<float>(rowNamed(name)) * lineH + lineH / 4; };
  TZRListTrack row;
  collection->getRowData(2, &row);
  auto track = std::make_shared<ZRDragDropTrack>(&table, row, 2);
  EXPECT_TRUE(browser->dropCallback(track, 10, yOf("Target"), true));
  EXPECT_FALSE(browser->dropCallback(track, 10, yOf("Library"), true));  // the list it comes from
  EXPECT_FALSE(browser->dropCallback(track, 10, yOf("History"), true));
  EXPECT_TRUE(browser->dropCallback(track, 10, yOf("Target"), false));
  ZRList* target = browser->getListOfSlot(slot, nullptr);
  ASSERT_EQ(target->getCount(), 1);
  // With marked rows in the source, those rows go.
  collection->insertLines(0, 2, 1);
  EXPECT_TRUE(browser->dropCallback(track, 10, yOf("Target"), false));
  EXPECT_EQ(target->getCount(), 4);

  // A dragged list lands before or after another user list.
  TBrowserList copy;
  auto list = std::make_shared<ZRDragDropBrowserList>(browser.get(), copy, slot);
  EXPECT_FALSE(browser->dropCallback(list, 10, yOf("History"), true));
  EXPECT_TRUE(browser->dropCallback(list, 10, yOf("Other") + lineH / 2, false));
  browser->forceInitWhenNotVisible();
  EXPECT_LT(rowNamed("Other"), rowNamed("Target"));
  (void)other;
}

TEST_F(BrowserTree, TheFinderFollowsTheMountTable) {
  if (!fs::is_directory("/mnt")) GTEST_SKIP() << "no /mnt";
  browser->startWatchingVolumes();
  EXPECT_EQ(rowNamed("mnt"), -1);
  orvel_test::writeFile(dir.file("mounts"), "40 1 8:1 / /mnt rw - ext4 /dev/sda1 rw\n");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (rowNamed("mnt") < 0 && std::chrono::steady_clock::now() < deadline) {
    ZRGlobalTaskDispatch::getInstance()->syncQueueMainThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(line("mnt").line.type, ZRNodeBrowser::kLineVolume);
}

TEST(FinderVolumes, OnlyUserMountPlacesAreShown) {
  struct Case {
    const char* point;
    bool shown;
  } cases[] = {{"/mnt", true},
               {"/mnt/usb", true},
               {"/media/stick", true},
               {"/media/dj/stick", true},
               {"/run/media/dj/Music", true},
               {"/run/media/other/x", false},
               {"/", false},
               {"/home", false},
               {"/mnt2", false},
               {"/media", false},
               {"/boot/efi", false}};
  for (const Case& c : cases) EXPECT_EQ(isFinderVolumeMountPoint(c.point, "dj"), c.shown) << c.point;
}

}  // namespace

namespace {

// Plug-in icons: a picture file decodes to RGBA pixels of the asked size; other bytes to nothing.
TEST(BrowserPluginIcons, TheDecoderGivesRgbaPixelsOfTheAskedSize) {
  const std::string png = orvel_test::encodePng(orvel_test::solidPicture(4, 4, 200, 100, 50, 255), true);
  unsigned char* pixels = decodeBrowserIcon(png.data(), static_cast<int>(png.size()), true, 8, 8);
  ASSERT_NE(pixels, nullptr);
  for (int i : {0, 8 * 8 - 1}) {
    EXPECT_EQ(pixels[4 * i + 0], 200);
    EXPECT_EQ(pixels[4 * i + 1], 100);
    EXPECT_EQ(pixels[4 * i + 2], 50);
    EXPECT_EQ(pixels[4 * i + 3], 255);
  }
  delete[] pixels;
  const std::string junk = "not a picture at all";
  EXPECT_EQ(decodeBrowserIcon(junk.data(), static_cast<int>(junk.size()), true, 8, 8), nullptr);
}

}  // namespace
