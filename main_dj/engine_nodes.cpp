#include "main_dj/engine_nodes.h"

#include "common/action_vocabulary.h"
#include "gui/zr_node_manager.h"
#include "main_dj/shell_window.h"

ZRDrawNode* engineNode(ZRNodeManager* manager, int action, int deck) {
  if (manager == nullptr || action < 1 || action >= CACTION_NODE_STRIDE || deck < -1 || deck > 1)
    return nullptr;
  return manager->getNodeAt(action + CACTION_NODE_STRIDE * (deck + 1));
}

ZRDrawNode* engineNode(int action, int deck) {
  return engineNode(shellNodeManager(), action, deck);
}
