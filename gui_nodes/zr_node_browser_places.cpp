// The browser tree's branches from outside the library: favourite folders (favorites.xml), the Finder (the
// XDG Desktop and Music folders, the home folder and the mounted volumes, followed through the kernel's
// mount table), the plug-in slots, and the expansion of the special nodes that the settings keep.

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "common/zr_files.h"
#include "common/zr_files_platform.h"
#include "common/zr_global_task_dispatch.h"
#include "common/zr_logging.h"
#include "database/zr_list.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"
#include "platform/mount_table.h"

namespace {

std::string userName() {
  struct passwd pw;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &pw, buffer, sizeof(buffer), &found) == 0 && found != nullptr &&
      found->pw_name != nullptr) {
    return found->pw_name;
  }
  const char* user = getenv("USER");
  return user != nullptr ? user : "";
}

bool startsWithFolder(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         path[folder.size()] == '/';
}

}  // namespace

// Volumes a user mounts or a desktop mounts for them: below /media, /run/media/<user> and /mnt.
bool isFinderVolumeMountPoint(const std::string& mountPoint, const std::string& user) {
  if (mountPoint == "/mnt" || startsWithFolder(mountPoint, "/mnt") ||
      startsWithFolder(mountPoint, "/media")) {
    return true;
  }
  return !user.empty() && startsWithFolder(mountPoint, "/run/media/" + user);
}

// ---- favourites
// ---------------------------------------------------------------------------------------------

void ZRNodeBrowser::addFavorite(const ZRString& name, const ZRString& path, int type, int,
                                bool deferRefresh) {
  TBrowserLine line = folderLine(name, path, type, type);
  line.type = type;
  {
    std::lock_guard<std::mutex> g(model_);
    int slot = -1;
    for (int i = 0; i < kFavoriteSlots; ++i) {
      if (!favorites_[static_cast<size_t>(i)]) {
        slot = i;
        break;
      }
    }
    if (slot < 0) return;
    tree_.AddNode(line, false, favoritesId_, -1);
    favorites_[static_cast<size_t>(slot)] = TZRFavorite{name, path, type};
    if (!deferRefresh) markDirtyLocked();
  }
  if (!deferRefresh) {
    refreshTable();
    saveFavoritesIfKnown();
  }
}

void ZRNodeBrowser::removeFavorite(const ZRString& path, int node) {
  {
    std::lock_guard<std::mutex> g(model_);
    tree_.DeleteNodeAndChildren(node);
    cursorRow_ = -1;
    for (auto& favorite : favorites_) {
      if (favorite && favorite->path == path) {
        favorite.reset();
        break;
      }
    }
    markDirtyLocked();
  }
  refreshTable();
  saveFavoritesIfKnown();
}

void ZRNodeBrowser::loadFavorites(const ZRString& path) {
  {
    std::lock_guard<std::mutex> g(model_);
    favoritesPath_ = path;
  }
  std::vector<TZRFavorite> read;
  if (!readFavoritesFile(path, &read)) return;
  for (const TZRFavorite& f : read) addFavorite(f.name, f.path, f.type, 0, true);
  {
    std::lock_guard<std::mutex> g(model_);
    markDirtyLocked();
  }
  refreshTable();
}

std::vector<TZRFavorite> ZRNodeBrowser::getFavorites() {
  std::lock_guard<std::mutex> g(model_);
  std::vector<TZRFavorite> all;
  for (const auto& favorite : favorites_) {
    if (favorite) all.push_back(*favorite);
  }
  return all;
}

bool ZRNodeBrowser::saveFavorites(const ZRString& path) {
  {
    std::lock_guard<std::mutex> g(model_);
    favoritesPath_ = path;
  }
  return writeFavoritesFile(path, getFavorites());
}

void ZRNodeBrowser::saveFavoritesIfKnown() {
  ZRString path;
  {
    std::lock_guard<std::mutex> g(model_);
    path = favoritesPath_;
  }
  if (!path.empty()) writeFavoritesFile(path, getFavorites());
}

// ---- the Finder
// ---------------------------------------------------------------------------------------------

void ZRNodeBrowser::setMountTable(const std::string& table, int checkIntervalMs) {
  std::lock_guard<std::mutex> g(model_);
  mountTable_ = table;
  mountCheckMs_ = checkIntervalMs;
}

void ZRNodeBrowser::startWatchingVolumes() {
  if (watching_.exchange(true)) return;
  std::string table;
  int interval = 0;
  {
    std::lock_guard<std::mutex> g(model_);
    table = mountTable_;
    interval = mountCheckMs_;
  }
  std::weak_ptr<int> alive = alive_;
  // The tree changes on the main thread: the watcher only posts there.
  watcher_ = std::make_unique<PlatformMountWatcher>(
      [this, alive] {
        ZRGlobalTaskDispatch* dispatch = ZRGlobalTaskDispatch::getInstance();
        dispatch->async(
            [this, alive] {
              if (alive.lock()) RescanDisks();
              return false;
            },
            &dispatch->mainQueue);
      },
      table, interval);
}

void ZRNodeBrowser::RescanDisks() {
  std::string table;
  {
    std::lock_guard<std::mutex> g(model_);
    cursorRow_ = -1;
    tree_.DeleteNodeChildrenOnly(finderId_);
    table = mountTable_;
  }
  // Folders and volumes are looked at without the model lock.
  std::vector<TBrowserLine> places;
  auto place = [this, &places](const ZRString& name, const ZRString& path, int type) {
    TBrowserLine line;
    line.name = name;
    line.path = path;
    line.type = type;
    line.childrenLoaded = 0;
    line.expandable = true;
    line.icon = 11;
    line.expandedIcon = 10;
    places.push_back(line);
  };
  ZRString home = homeFolder_;
  home.removeLastSeparatorIfNeeded();
  const ZRString desktop = getXdgUserFolder_Apple("DESKTOP", "Desktop");
  const ZRString music = getXdgUserFolder_Apple("MUSIC", "Music");
  if (!desktop.empty() && desktop != home && DirExists(desktop)) {
    place(ZRString("Desktop"), desktop, kLineFolderWithSubfolders);
  }
  if (!music.empty() && music != home && DirExists(music))
    place(ZRString("Music"), music, kLineFolderWithSubfolders);
  if (!home.empty()) place(ZRString("Home"), home, kLineFolderWithSubfolders);
  const std::string user = userName();
  std::vector<std::string> seen;
  for (const std::string& point : platformReadMountPoints(table)) {
    if (!isFinderVolumeMountPoint(point, user)) continue;
    if (std::find(seen.begin(), seen.end(), point) != seen.end()) continue;
    seen.push_back(point);
    const ZRString path(point);
    if (!DirExists(path)) continue;
    place(ZRString(point.substr(point.rfind('/') + 1)), path, kLineVolume);
  }
  {
    std::lock_guard<std::mutex> g(model_);
    for (const TBrowserLine& line : places) tree_.AddNode(line, false, finderId_, -1);
    cursorRow_ = 1;
    markDirtyLocked();
  }
  refreshTable();
  if (ZRNodePlaylist* main = mainTable_.load()) {
    main->setDrawMode(0);
    main->changeList(getSpecialList(kSpecialCollection));
    listChanged(getSpecialListNo(kSpecialCollection));
  }
  if (ZRNodePlaylist* side = sideTable_.load()) {
    side->setDrawMode(0);
    side->changeList(getSpecialList(kSpecialAutomix));
  }
}

// ---- plug-ins
// -----------------------------------------------------------------------------------------------

bool ZRNodeBrowser::addPlugin(std::unique_ptr<ZRBrowserPlugin> plugin) {
  for (auto& slot : plugins_) {
    if (!slot) {
      slot = std::move(plugin);
      return true;
    }
  }
  return false;
}

void ZRNodeBrowser::loadPluginsPre() {
  for (auto& plugin : plugins_) {
    if (plugin) plugin->initPreDBLoad(rootId_);
  }
}

void ZRNodeBrowser::loadPluginsPost() {
  for (auto& plugin : plugins_) {
    if (plugin) plugin->initPostDBLoad(rootId_);
  }
}

void ZRNodeBrowser::closePluginsPre() {
  for (auto& plugin : plugins_) {
    if (plugin) plugin->deinitPreDBSave();
  }
}

void ZRNodeBrowser::closePluginsPost() {
  for (auto& plugin : plugins_) {
    if (plugin) plugin->deinitPostDBSave();
  }
}

int ZRNodeBrowser::getPluginNodeId(int pluginId) {
  for (auto& plugin : plugins_) {
    if (plugin && plugin->getPluginId() == pluginId) return plugin->getNodeId();
  }
  return -1;
}

void ZRNodeBrowser::removePlugin(int pluginId) {
  const int node = getPluginNodeId(pluginId);
  if (node < 0) return;
  {
    std::lock_guard<std::mutex> g(model_);
    tree_.DeleteNodeAndChildren(node);
    cursorRow_ = 1;
    markDirtyLocked();
  }
  refreshTable();
}

// ---- the special nodes' expansion
// ---------------------------------------------------------------------------

namespace {

int specialNodeOf(int type, int userLists, int favorites, int finder, int iTunes, int second) {
  switch (type) {
    case kSpecialNodeUserLists:
      return userLists;
    case kSpecialNodeiTunes:
      return iTunes;
    case kSpecialNodeFavorites:
      return favorites;
    case kSpecialNodeFinder:
      return finder;
    case kSpecialNodeSecondPlugin:
      return second;
    default:
      return -1;
  }
}

}  // namespace

void ZRNodeBrowser::expandOrCollapseSpecialNode(int type, bool expanded) {
  const int iTunes = getPluginNodeId(kBrowserPluginiTunes);
  const int second = getPluginNodeId(kBrowserPluginSecondKind);
  int node = -1;
  bool toggle = false;
  {
    std::lock_guard<std::mutex> g(model_);
    node = specialNodeOf(type, userListsId_, favoritesId_, finderId_, iTunes, second);
    if (node < 0 || tree_.find(node) == nullptr) return;
    ensureVisibleLocked();
    const int row = rowOfNodeLocked(node);
    if (row >= 0) {
      toggle = visible_[static_cast<size_t>(row)].expanded != expanded;
    } else {
      tree_.SetExpanded(node, expanded);
      markDirtyLocked();
    }
  }
  if (toggle) {
    ExpandNode(node);
  } else {
    refreshTable();
  }
}

bool ZRNodeBrowser::getIsSpecialNodeExpanded(int type) {
  const int iTunes = getPluginNodeId(kBrowserPluginiTunes);
  const int second = getPluginNodeId(kBrowserPluginSecondKind);
  std::lock_guard<std::mutex> g(model_);
  const int node = specialNodeOf(type, userListsId_, favoritesId_, finderId_, iTunes, second);
  if (node < 0) return false;
  ensureVisibleLocked();
  const int row = rowOfNodeLocked(node);
  return row >= 0 && visible_[static_cast<size_t>(row)].expanded;
}
