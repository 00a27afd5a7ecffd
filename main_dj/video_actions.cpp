#include "main_dj/video_actions.h"

#include <wx/app.h>
#include <wx/display.h>

#include <vector>

#include "actions_dj/action_controls.h"
#include "actions_dj/deck_loading.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/settings_mirrors.h"
#include "common/action_ids.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_preferences.h"
#include "database/zr_media_files.h"
#include "gui/skin_engine_hooks.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_control_support.h"
#include "main_dj/zr_main_frame.h"
#include "opengl_directx/zr_video_preview_frame.h"
#include "video_mixing/zr_video_output.h"

namespace {

constexpr int kDefaultX = 16, kDefaultY = 100, kDefaultW = 400, kDefaultH = 295;

void storeProgramSetting(const char* key, int value) {
  if (preferences != nullptr) preferences->setValue(key, value, 0, ZRPreferences::NotificationProgram);
}

int readSetting(const char* key, int fallback, bool* found = nullptr) {
  int value = fallback;
  const bool there = preferences != nullptr && preferences->getValue(key, value);
  if (found != nullptr) *found = there;
  return there ? value : fallback;
}

bool windowShown() {
  return MainFrame1 != nullptr && MainFrame1->IsShown();
}

void onMainThread(std::function<void()> fn) {
  if (wxTheApp != nullptr && !wxIsMainThread()) {
    wxTheApp->CallAfter(std::move(fn));
  } else {
    fn();
  }
}

std::vector<std::pair<ZRString, int>> names(void (*name)(int, int, char*), int total) {
  std::vector<std::pair<ZRString, int>> items;
  for (int i = 0; i < total; ++i) {
    char text[16] = "";
    name(1, i, text);
    items.emplace_back(ZRString(text), i);
  }
  return items;
}

// Whether any screen holds the window's title bar corner.
bool onSomeScreen(int x, int y) {
  return wxDisplay::GetFromPoint(wxPoint(x + 20, y + 10)) != wxNOT_FOUND;
}

}  // namespace

void enableVideoWindow(int, int, int, ZRDrawNode*) {
  onMainThread([] {
    storeProgramSetting("VideoEnabled", 1);
    showVideoWindow(true);
  });
}

void FVideoFXOnChange(int value, int param, int deck, ZRDrawNode*) {
  ZRLOG("FVideoFXOnChange param=%d, tag=%d, deck=%d", value, param, deck);
  setVideoEffect(cfg_enable_video_opengl.load(), deck, value, 0);
}

void FVideoTransitionOnChange(int value, int param, int deck, ZRDrawNode*) {
  ZRLOG("FVideoTransitionOnChange param=%d, tag=%d, deck=%d", value, param, deck);
  setVideoTransition(cfg_enable_video_opengl.load(), value);
}

void fillVideoChoiceLists() {
  const int engine = cfg_enable_video_opengl.load();
  const auto effects = names(&getVideoEffectName, getVideoEffectsTotal(engine));
  const auto transitions = names(&getVideoTransitionName, getVideoTransitionsTotal(engine));
  ZRActionControls& controls = actionControls();
  for (int deck = 0; deck < 2; ++deck) {
    controls.setItems(ACT_dropdown_video_fx, deck, effects);
    controls.selectByParam(ACT_dropdown_video_fx, deck, getVideoEffect(deck));
  }
  controls.setItems(ACT_dropdown_video_transition, -1, transitions);
  controls.selectByParam(ACT_dropdown_video_transition, -1, getVideoTransition());
}

void refreshVideoWindowButton() {
  const bool shown = windowShown();
  if (!shown) storeProgramSetting("VideoEnabled", 0);
  ZRNodeManager* manager = MainFrame != nullptr ? MainFrame->getNodeManager() : nullptr;
  if (manager == nullptr) return;
  if (ZRDrawNode* button = manager->getNode("enable_video", -1)) button->show(shown ? 0 : 1, false);
}

void showVideoWindow(bool show) {
  cfg_enable_video_mixing_window.store(show ? 1 : 0);
  onMainThread([show] {
    if (MainFrame1 != nullptr) {
      MainFrame1->Show(show);
      if (show) MainFrame1->Raise();
    }
    refreshVideoWindowButton();
  });
}

void refreshLinkVideoFiles(const ZRString& folder) {
  std::vector<ZRString> videos;
  if (!folder.empty()) {
    ZRString base = folder;
    if (!base.endsWith(ZRString("/"))) base = base + ZRString("/");
    void* handle = nullptr;
    ZRString name;
    bool isFolder = false;
    for (bool more = findFirst(folder, ZRString("*"), &handle, &name, &isFolder); more;
         more = findNext(handle, &name, &isFolder)) {
      const ZRString path = base + name;
      if (!isFolder && getFileMediaType(path) == kMediaTypeVideo) videos.push_back(path);
    }
    if (handle != nullptr) findClose(handle);
  }
  ZRLOG("refreshLinkVideoFiles: %d videos", static_cast<int>(videos.size()));
  setLinkVideoFiles(std::move(videos));
}

void loadVideoWindowSettings() {
  if (MainFrame1 == nullptr || preferences == nullptr) return;
  bool enabledFound = false;
  const int enabled = readSetting("VideoEnabled", 0, &enabledFound);
  const int x = readSetting("VideoX", kDefaultX);
  const int y = readSetting("VideoY", kDefaultY);
  const int w = readSetting("VideoW", kDefaultW);
  const int h = readSetting("VideoH", kDefaultH);
  // A place saved on a screen that is not connected any more would put the window out of reach.
  if (onSomeScreen(x, y)) {
    SetVideoWindowPos(x, y, w, h, 0);
  } else {
    ZRLOG("the video window's saved place %d, %d is on no screen; it keeps its place", x, y);
  }
  if (enabledFound && enabled == 0) showVideoWindow(false);
}

void saveVideoWindowSettings() {
  if (MainFrame1 == nullptr || preferences == nullptr) return;
  int x = 0, y = 0, w = 0, h = 0, fullScreen = 0;
  GetVideoWindowPos(x, y, w, h, fullScreen);
  storeProgramSetting("VideoEnabled", cfg_enable_video_mixing_window.load());
  storeProgramSetting("VideoFullScreen", 0);
  storeProgramSetting("VideoX", x);
  storeProgramSetting("VideoY", y);
  storeProgramSetting("VideoW", w);
  storeProgramSetting("VideoH", h);
}
