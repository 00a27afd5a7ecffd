#include "main_dj/engine_start_pending.h"

#include <mutex>
#include <set>
#include <string>

#include "common/zr_global_task_dispatch.h"
#include "common/zr_logging.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"

void pendingStep(const char* name) {
  static std::mutex lock;
  static std::set<std::string> said;
  std::lock_guard<std::mutex> guard(lock);
  if (said.insert(name).second) ZRLOG("%s: not available yet", name);
}

void pendingBindActions(char stage, ZRNodeManager& manager) {
  const std::string name = std::string("action bindings, stage ") + stage;
  pendingStep(name.c_str());
  if (stage != 'B') return;
  auto* playlist = dynamic_cast<ZRNodePlaylist*>(manager.getNode("playlist", -1));
  auto* sidelist = dynamic_cast<ZRNodePlaylist*>(manager.getNode("sidelist", -1));
  auto* browser = dynamic_cast<ZRNodeBrowser*>(manager.getNode("browser", -1));
  if (browser != nullptr && (playlist != nullptr || sidelist != nullptr))
    browser->setNodePlaylist(playlist, sidelist);
}

void pendingGuiTick(float) {
  pendingStep("GUI tick (engine state on the skin)");
  ZRGlobalTaskDispatch::getInstance()->syncQueueGUIThread();
}

void pendingAsyncCall(int type, int) {
  ZRLOG("main-thread message %d: not available yet", type);
}
