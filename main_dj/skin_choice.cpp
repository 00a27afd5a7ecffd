#include "main_dj/skin_choice.h"
#include <wx/display.h>

#include <cstring>
#include <mutex>

#include "actions_dj/engine_globals.h"
#include "common/action_ids.h"
#include "common/action_vocabulary.h"
#include "common/zr_logging.h"
#include "common/zr_preferences.h"
#include "controllers/zr_hardware_controller.h"
#include "gui/zr_node_manager.h"
#include "gui/zr_skin_manager.h"
#include "main_dj/settings_keys.h"
#include "main_dj/shell_folders.h"
#include "main_dj/shell_window.h"
#include "main_dj/startup_problems.h"
#include "main_dj/zr_main_frame.h"

ZRSkinManager* skinManager = nullptr;
ZRDrawNode* lastFocusedPlaylist = nullptr;

namespace {

std::mutex loaderLock;
ZRSkinWindowLoader windowLoader;

}  // namespace

void setSkinWindowLoader(ZRSkinWindowLoader loader) {
  std::lock_guard lock(loaderLock);
  windowLoader = std::move(loader);
}

void getMainDisplaySize(int& width, int& height) {
  wxWindow* window = GetApplicationMainWindow();
  int index = window != nullptr ? wxDisplay::GetFromWindow(window) : wxNOT_FOUND;
  if (index == wxNOT_FOUND) index = 0;
  const wxVideoMode mode = wxDisplay(static_cast<unsigned>(index)).GetCurrentMode();
  width = mode.GetWidth();
  height = mode.GetHeight();
  if (width <= 0 || height <= 0) {
    // Some displays report no mode: their geometry is the size.
    const wxRect area = wxDisplay(static_cast<unsigned>(index)).GetGeometry();
    width = area.GetWidth();
    height = area.GetHeight();
  }
}

void scanAllSkins(wxChoice* choice) {
  if (skinManager == nullptr) skinManager = new ZRSkinManager();
  if (skinManager->getTotalSkins() > 0) return;
  skinManager->addSkinsFromFolder(getResourcesDir("skins"), nullptr);
  skinManager->addSkinsFromFolder(getResourcesDir("skins-halden"), "[halden]");
  skinManager->addSkinsFromFolder(getResourcesDir("skins-brevo"), "[brevo]");
  skinManager->addSkinsFromFolder(theSkinsDir, "[u]");
  skinManager->addSkinsToComboBox(choice, 1);
}

void getDefaultSkin(char* name) {
  if (name == nullptr || skinManager == nullptr) return;
  int width = 0, height = 0;
  getMainDisplaySize(width, height);
  ZRLOG("getDefaultSkin for resolution %d x %d", width, height);
  std::string key;
  skinManager->getBestSkinForResolution(kPreferredDefaultSkin, width, height, key);
  std::strncpy(name, key.c_str(), ZRPreferences::kMaxTextBytes);
  name[ZRPreferences::kMaxTextBytes] = 0;
}

void loadSkin(const char* name) {
  if (skinManager == nullptr) return;
  std::string key = name != nullptr ? name : "";
  if (skinManager->findSkin(key) == nullptr) {
    char fallback[ZRPreferences::kMaxTextBytes + 1] = {0};
    getDefaultSkin(fallback);
    key = fallback;
  }
  int width = 0, height = 0;
  getMainDisplaySize(width, height);
  ZRLOG("loadSkin '%s' for resolution %d x %d", key.c_str(), width, height);

  ZRString xmlPath, imagePath;
  int imageWidth = 0, imageHeight = 0, parts = 0;
  if (!skinManager->getBestSkinDetailsForResolution(key, width, height, xmlPath, imagePath, imageWidth,
                                                    imageHeight, parts) ||
      parts <= 0) {
    tellUserAboutProblem("error - cannot get a suitable skin image for the current resolution/aspect ratio",
                         ZRString(), GetApplicationMainWindow());
    return;
  }
  ZRMainFrame* frame = GetApplicationMainWindow();
  if (frame == nullptr) {
    ZRSkinWindowLoader loader;
    {
      std::lock_guard lock(loaderLock);
      loader = windowLoader;
    }
    if (loader) loader(xmlPath, imagePath, imageWidth, imageHeight, parts);
    applySkinSettings(xmlPath);
    return;
  }
  frame->loadSkin(xmlPath, imagePath, imageWidth, imageHeight, parts);
  if (!frame->IsShown()) {
    frame->CentreOnScreen(wxBOTH);
    frame->Show();
    tellUserAboutProblem("error - NO SKIN WAS LOADED", ZRString(), frame);
    return;
  }
  ZRNodeManager* manager = shellNodeManager();
  if (imageWidth == width && imageHeight == height && !frame->IsFullScreen() && manager != nullptr) {
    manager->toggleFullScreenMode();
  } else {
    frame->CentreOnScreen(wxBOTH);
    frame->Refresh();
  }
  applySkinSettings(xmlPath);
}

std::string skinPanelSettingKey(const ZRString& skinPath, const char* panel) {
  return "__skin_" + skinPath.getName().utf8() + "__" + panel;
}

void applySkinSettings(const ZRString& skinPath) {
  if (preferences == nullptr) return;
  // In this order: a panel's width before its place, the browser before the lists right of it.
  const struct {
    const char* panel;
    int action;
    bool width;
  } panels[] = {
      {"browser_w", ACT_browser, true},
      {"splitt_b_x", ACT_img_splitter_browser, false},
      {"playlist_w", ACT_playlist, true},
      {"playlist_x", ACT_playlist, false},
      {"splitt_l_x", ACT_img_splitter_list, false},
      {"sidelist_w", ACT_sidelist, true},
      {"sidelist_x", ACT_sidelist, false},
  };
  for (const auto& p : panels) {
    const float value = getFloatPreference(ZRString(skinPanelSettingKey(skinPath, p.panel)), -1.0f);
    if (value <= 0) continue;
    ZRDrawNode* node = shellNode(p.action, -1);
    if (node == nullptr) continue;
    if (p.width) {
      node->changeSize(value, -1);
    } else {
      node->setAbsolutePositionX(value);
    }
  }
}

void changeSkin(const char* partialName) {
  const std::string wanted = partialName != nullptr ? partialName : "";
  ZRLOG("changeSkin to '%s'", wanted.c_str());
  if (skinManager == nullptr) return;
  std::string key;
  if (!skinManager->getSkinFromPartialFilename(wanted, key)) {
    ZRLOG("ERROR - skin '%s' was NOT found", wanted.c_str());
    return;
  }
  if (preferences != nullptr) {
    preferences->setValue("UserInterface", key.c_str(), 0, ZRPreferences::NotificationProgram);
  }
  ZRLOG("yes, skin '%s' [%s] was found", wanted.c_str(), key.c_str());
}

void reloadSkin(int, int, int, ZRDrawNode*) {
  char key[ZRPreferences::kMaxTextBytes + 1] = {0};
  if (preferences != nullptr) preferences->getValue("UserInterface", key);
  loadSkin(key);
}

void reloadMidi(int, int, int, ZRDrawNode*) {
  // Done by the next controller tick: the action may come from a script of a controller that the reload
  // destroys, or from the main thread while the tick walks the controllers.
  requestControllersReload();
}

void FMinimizeApp(int, int, int, ZRDrawNode*) {
  ZRMainFrame* frame = GetApplicationMainWindow();
  if (frame == nullptr) return;
  if (frame->IsFullScreen()) frame->ShowFullScreen(false, wxFULLSCREEN_ALL);
  frame->Iconize(true);
}

void FMaximizeApp(int, int, int, ZRDrawNode*) {
  if (ZRNodeManager* manager = shellNodeManager()) manager->toggleFullScreenMode();
}

void FCloseApp(int, int, int, ZRDrawNode*) {
  if (wxWindow* frame = GetApplicationMainWindow()) frame->Close(false);
}

void OnKBFocusPlaylistOrSideList(int focused, int, int, ZRDrawNode* node) {
  if (focused != 0) lastFocusedPlaylist = node;
}

int GetEngineNodeId(const char* name, int deck) {
  ZRNodeManager* manager = shellNodeManager();
  if (name == nullptr || name[0] == 0 || manager == nullptr) return -1;
  if (name[0] == '_' || deck < -1) {
    ZRDrawNode* node = manager->getExtraNode(ZRString(name), -1);
    return node != nullptr ? node->id : -1;
  }
  // A deck the node table has no block for would index past it.
  if (deck > 1) return -1;
  const int action = GetActionIndex(name);
  if (action <= 0 || action >= CACTION_COUNT - 1) return -1;
  return action + (CACTION_COUNT - 1) * (deck + 1);
}
