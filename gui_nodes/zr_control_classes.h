#pragma once
// The skin controls' node classes, by element type. Each control registers the class of its element type
// (a creator function) in a source file of its own; ZRControlClassFactory is what the main window gives the
// node manager, and it makes each element as the class registered for its type, or as the skin engine's
// plain node where none is registered.
//
// Threads: registration happens once, before the first node manager is made (registerControlClasses());
// creating nodes follows the node manager's rules (see gui/zr_node_classes.h).

#include "gui/zr_node_classes.h"

// Makes a node of one element type with (manager, no parent, scale, id, deck, actionCode -1).
using ZRControlCreator = ZRDrawNode* (*)(ZRNodeManager* manager, float scale, int id, int deck);

// Registers the class of an element type (a later registration of the same type replaces the earlier).
void registerControlClass(int elementType, ZRControlCreator creator);
// Registers every control class of the system (each control's registration function); idempotent.
void registerControlClasses();

class ZRControlClassFactory : public ZRNodeClassFactory {
 public:
  ZRDrawNode* createNode(int type, ZRNodeManager* manager, float scale, int id, int deck) override;
  // The root is an image node (the skin's background picture) whose double clicks go to onDoubleClick.
  ZRDrawNode* createRootNode(ZRNodeManager* manager, float scale,
                             ZRPointerActionCallback onDoubleClick) override;
  // The hint bubble the skin controls draw.
  ZRNodeHintBase* createHintNode(ZRNodeManager* manager, float scale) override;
};
