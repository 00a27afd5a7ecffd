#pragma once
// A skin engine without a window, made of the real control classes, as the shell's tick, messages and
// script calls reach it (setShellNodeManager); optionally bound as at start-up.

#include <gtest/gtest.h>

#include <memory>

#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_control_classes.h"
#include "main_dj/action_binding_check.h"
#include "main_dj/action_bindings.h"
#include "main_dj/engine_nodes.h"
#include "main_dj/shell_window.h"

namespace orvel_test {

class EngineNodesTest : public ::testing::Test {
 protected:
  EngineNodesTest() {
    registerControlClasses();
    manager = std::make_unique<ZRNodeManager>(nullptr, &factory);
    setShellNodeManager(manager.get());
  }
  ~EngineNodesTest() override { setShellNodeManager(nullptr); }

  void bindAll() {
    resetBindingRecords();
    bindActionsStageA(*manager);
    bindActionsStageB(*manager);
    bindActionsStageC(*manager);
  }
  template <typename T>
  T* node(const char* action, int deck) {
    return dynamic_cast<T*>(manager->getNode(action, deck));
  }

  ZRControlClassFactory factory;
  std::unique_ptr<ZRNodeManager> manager;
};

}  // namespace orvel_test
