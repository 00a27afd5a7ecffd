#include "main_dj/shell_window.h"

#include <atomic>

#include "gui/zr_node_manager.h"
#include "main_dj/engine_nodes.h"
#include "main_dj/zr_main_frame.h"

namespace {
std::atomic<ZRNodeManager*> windowlessManager{nullptr};
}  // namespace

ZRMainFrame* GetApplicationMainWindow() {
  return MainFrame;
}

ZRNodeManager* shellNodeManager() {
  if (ZRNodeManager* manager = mainFrameNodeManager()) return manager;
  return windowlessManager.load();
}

ZRDrawNode* shellNode(int action, int deck) {
  return engineNode(action, deck);
}

void setShellNodeManager(ZRNodeManager* manager) {
  windowlessManager.store(manager);
}
