#include "gui/zr_node_classes.h"

#include "common/action_vocabulary.h"
#include "common/zr_saturate.h"

namespace {

// The root as the skin engine makes it on its own: a plain node whose double clicks go to the callback.
class RootNode : public ZRDrawNode {
 public:
  RootNode(ZRNodeManager* manager, float scale, ZRPointerActionCallback onDoubleClick)
      : ZRDrawNode(manager, nullptr, scale, -1, -1, -1), onDoubleClick_(onDoubleClick) {
    setDoubleClickAllowed(true);
  }

  bool executeAction(int code, int value, float px, float py, int button, int, int, int, int, int, wchar_t,
                     int) override {
    if (code != ZRNodeEventDoubleClick || onDoubleClick_ == nullptr) return false;
    onDoubleClick_(value, saturatedInt(px), saturatedInt(py), button, actionCode, deck, this);
    return true;
  }

 private:
  ZRPointerActionCallback onDoubleClick_;
};

}  // namespace

bool ZRNodeClassFactory::typeHasClass(int type) {
  return type >= ELEMENT_button && type <= ELEMENT_group && type != ELEMENT_dropzone && type != ELEMENT_flow;
}

ZRDrawNode* ZRNodeClassFactory::createNode(int type, ZRNodeManager* manager, float scale, int id, int deck) {
  if (!typeHasClass(type)) return nullptr;
  return new ZRDrawNode(manager, nullptr, scale, id, deck, -1);
}

ZRDrawNode* ZRNodeClassFactory::createRootNode(ZRNodeManager* manager, float scale,
                                               ZRPointerActionCallback onDoubleClick) {
  return new RootNode(manager, scale, onDoubleClick);
}

ZRNodeHintBase* ZRNodeClassFactory::createHintNode(ZRNodeManager* manager, float scale) {
  return new ZRNodeHintBase(manager, scale);
}
