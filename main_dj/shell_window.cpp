#include "main_dj/shell_window.h"

#include <atomic>

#include "common/action_vocabulary.h"
#include "gui/zr_node_manager.h"
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
  ZRNodeManager* manager = shellNodeManager();
  if (manager == nullptr || action <= 0 || action >= CACTION_COUNT - 1 || deck < -1 || deck > 1)
    return nullptr;
  return manager->getNodeAt(action + (CACTION_COUNT - 1) * (deck + 1));
}

void setShellNodeManager(ZRNodeManager* manager) {
  windowlessManager.store(manager);
}
