#include "actions_dj/skin/zr_library_layout.h"

#include "actions_dj/engine_globals.h"
#include "actions_dj/sampler_actions.h"
#include "actions_dj/skin/zr_library_nodes.h"
#include "common/action_ids.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_preferences.h"
#include "database/zr_list.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_node_back_image.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"

namespace {

struct SplitterKeys {
  const char* leftWidth;
  const char* rightWidth;
  const char* rightX;
  const char* splitterX;
};

void dragSplitter(ZRNodeBackImage* splitter, ZRDrawNode* left, ZRDrawNode* right, float leftMinimum, int dx,
                  const SplitterKeys& keys) {
  if (splitter == nullptr || left == nullptr || right == nullptr || dx == 0) return;
  const float leftWidth = left->width + static_cast<float>(dx);
  const float rightWidth = right->width - static_cast<float>(dx);
  if (leftWidth <= leftMinimum || rightWidth <= kRightPanelMinWidth) return;
  left->changeSize(leftWidth, left->height);
  right->changeSize(rightWidth, right->height);
  const float rightX = right->getAbsolutePositionX() + static_cast<float>(dx);
  const float splitterX = splitter->getAbsolutePositionX() + static_cast<float>(dx);
  right->setAbsolutePositionX(rightX);
  splitter->setAbsolutePositionX(splitterX);
  // The splitter keeps its drag anchor in its own points: it moved under the pointer by dx, so the anchor
  // follows, and the next move continues from where the pointer is now.
  splitter->adjustDragPos(static_cast<float>(-dx), 0);
  ZRNodeManager* manager = libraryNodeManager();
  if (preferences == nullptr || manager == nullptr) return;
  const ZRString& skin = manager->getSkinPath();
  const std::pair<const char*, float> stored[] = {{keys.leftWidth, leftWidth},
                                                  {keys.rightWidth, rightWidth},
                                                  {keys.rightX, rightX},
                                                  {keys.splitterX, splitterX}};
  for (const auto& [field, value] : stored) {
    preferences->setValue(skinLayoutKey(skin, field).c_str(), value, 0, ZRPreferences::NotificationProgram);
  }
}

bool inside(ZRDrawNode* node, int x, int y) {
  // A table the skin hides (or has not laid out) takes no drops.
  if (node == nullptr || !node->getIsShownAndTestParentsToo()) return false;
  float left = 0, top = 0;
  node->getAbsolutePosition(left, top);
  // Edges included: a drop on the table's last column of pixels still belongs to it.
  return static_cast<float>(x) >= left && static_cast<float>(x) <= left + node->width &&
         static_cast<float>(y) >= top && static_cast<float>(y) <= top + node->height;
}

}  // namespace

std::string skinLayoutKey(const ZRString& skinPath, const char* field) {
  return "__skin_" + skinPath.getName().utf8() + "__" + field;
}

void OnDragSplitterBrowser(int, int dx, int, int, int, int, ZRDrawNode*) {
  dragSplitter(librarySplitterBrowser(), libraryBrowser(), libraryPlaylist(), kBrowserMinWidth, dx,
               {"browser_w", "playlist_w", "playlist_x", "splitt_b_x"});
}

void OnDragSplitterList(int, int dx, int, int, int, int, ZRDrawNode*) {
  dragSplitter(librarySplitterList(), libraryPlaylist(), librarySidelist(), kPlaylistMinWidth, dx,
               {"playlist_w", "sidelist_w", "sidelist_x", "splitt_l_x"});
}

bool FMainWindowOnDropFiles(float windowX, float windowY, const std::vector<ZRString>& paths) {
  ZRLOG("dropped on app (from external app)");
  ZRNodeManager* manager = libraryNodeManager();
  ZRNodePlaylist* playlist = libraryPlaylist();
  ZRNodePlaylist* sidelist = librarySidelist();
  const float x = windowX * (manager != nullptr ? manager->mouseScaleX : 1.0f);
  const float y = windowY * (manager != nullptr ? manager->mouseScaleY : 1.0f);
  const int ix = static_cast<int>(x), iy = static_cast<int>(y);
  // A file on a sampler slot's pad or name loads into that slot (the first file that is not a folder). The
  // slots' nodes are global: their table index is their action id.
  for (int slot = 0; manager != nullptr && slot < kSamplerSlots; ++slot) {
    if (!inside(manager->getNodeAt(ACT_sampler1_pos + slot), ix, iy) &&
        !inside(manager->getNodeAt(ACT_sampler1_name + slot), ix, iy)) {
      continue;
    }
    for (const ZRString& path : paths) {
      if (!DirExists(path)) return samplerLoadDroppedFile(slot, path);
    }
    return false;
  }
  ZRNodePlaylist* target = playlist;
  if (inside(playlist, ix, iy)) {
    ZRLOG("dragging files over PLAYLIST (x=%.1f, y=%.1f)", static_cast<double>(x), static_cast<double>(y));
  } else if (inside(sidelist, ix, iy)) {
    ZRLOG("dragging files over SIDELIST (x=%.1f, y=%.1f)", static_cast<double>(x), static_cast<double>(y));
    target = sidelist;
  } else {
    ZRLOG("dragging files over (x=%.1f, y=%.1f)", static_cast<double>(x), static_cast<double>(y));
  }
  ZRList* list = target != nullptr ? target->getList() : nullptr;
  if (list == nullptr) return false;
  for (const ZRString& path : paths) {
    if (DirExists(path)) {
      list->addFolder(path, true);
    } else {
      list->addFile(path);
    }
  }
  return !paths.empty();
}
