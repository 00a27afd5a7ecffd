#pragma once
// Which class a skin element becomes. The node manager asks a ZRNodeClassFactory for every node it makes:
// one per action and deck at start-up, the root (the skin window), the hint bubble, and the nodes of
// skin-script elements. The skin controls install their factory (the control classes live above this
// layer); this base factory is what the skin engine uses on its own: every element type that has a class
// becomes a plain node that is placed, laid out and routed and draws only its children, and groups are
// always plain nodes.
//
// Element types with a class: 1..5, 7..19, 21..25 (the tags of CACTIONTYPES_TAGNAMES); 0 none,
// 6 dropzone, 20 flow and 26 unknown have none.
//
// Threads: the manager calls the factory on the thread that creates the manager (nodes of the table) and
// during skin loads (skin-script nodes), under the manager's lock for the latter.

#include "common/zr_string.h"
#include "gui/zr_draw_node.h"

class ZRNodeManager;

// The hint bubble the manager shows over the node under the pointer. The bubble lays its text out itself:
// after setHint its width and height are the bubble's size in skin points. Not part of the node tree.
class ZRNodeHintBase : public ZRDrawNode {
 public:
  ZRNodeHintBase(ZRNodeManager* manager, float scale) : ZRDrawNode(manager, nullptr, scale, -1, -1, -1) {}
  // The text to show (main thread, under the manager's lock). The base keeps the text and its size.
  virtual void setHint(const ZRString& text) { hint_ = text; }
  // Font size in points (skin loads, under the manager's lock).
  virtual void setFontSize(float size) { fontSize_ = size; }
  const ZRString& getHint() const { return hint_; }
  float getFontSize() const { return fontSize_; }

 private:
  ZRString hint_;
  float fontSize_ = 10;
};

class ZRNodeClassFactory {
 public:
  virtual ~ZRNodeClassFactory() = default;

  // Whether the element type has a class (see above).
  static bool typeHasClass(int type);
  // A new node of the type's class constructed with (manager, no parent, scale, id, deck, actionCode -1),
  // or null when the type has none. The base makes a plain node.
  virtual ZRDrawNode* createNode(int type, ZRNodeManager* manager, float scale, int id, int deck);
  // The root image node (id, deck and actionCode -1). It must allow double clicks and call onDoubleClick
  // (value 0, x, y, button, actionCode, deck, node) on each double click it receives.
  virtual ZRDrawNode* createRootNode(ZRNodeManager* manager, float scale,
                                     ZRPointerActionCallback onDoubleClick);
  virtual ZRNodeHintBase* createHintNode(ZRNodeManager* manager, float scale);
};
