#include "main_dj/shell_window.h"

#include <atomic>

#include "common/action_vocabulary.h"
#include "gui/zr_node_manager.h"

namespace {
std::atomic<wxWindow*> mainWindow{nullptr};
std::atomic<ZRNodeManager*> nodeManager{nullptr};
}  // namespace

wxWindow* GetApplicationMainWindow() {
  return mainWindow.load();
}

ZRNodeManager* shellNodeManager() {
  return nodeManager.load();
}

ZRDrawNode* shellNode(int action, int deck) {
  ZRNodeManager* manager = nodeManager.load();
  if (manager == nullptr || action <= 0 || action >= CACTION_COUNT - 1 || deck < -1 || deck > 1)
    return nullptr;
  return manager->getNodeAt(action + (CACTION_COUNT - 1) * (deck + 1));
}

void setShellWindow(wxWindow* window, ZRNodeManager* manager) {
  mainWindow.store(window);
  nodeManager.store(manager);
}
