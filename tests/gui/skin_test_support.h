#pragma once
// Skin-engine test helpers: node classes that record the events they get, a factory making them, and skins
// (XML and PNG parts) written by the test into a temporary folder.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/action_vocabulary.h"
#include "gui/zr_node_classes.h"
#include "gui/zr_node_manager.h"
#include "support/image_fixtures.h"
#include "support/test_support.h"

namespace orvel_test {

struct NodeEvent {
  int code, value;
  float x, y;
  int button, key, modifiers;
};

// A control that records every event, takes focus when asked, accepts drops when asked, and calls its
// slot 0 on a left press and slot 1 on a left release (like a button).
class RecordingNode : public ZRDrawNode {
 public:
  RecordingNode(ZRNodeManager* manager, float scale, int id, int deck)
      : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
    setActionSlotCount(4);
  }
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers, int, int, int,
                     wchar_t, int) override {
    events.push_back({code, value, x, y, button, key, modifiers});
    if (onEvent) onEvent(code);
    if (code == ZRNodeEventPress && button == ZRButtonLeft) callActionSlot(0, 1);
    if (code == ZRNodeEventRelease && button == ZRButtonLeft) callActionSlot(1, 0);
    return handlesKeys || code != ZRNodeEventKey;
  }
  bool canHaveKBFocus() override { return focusable; }
  bool dropCallback(ZRDragDropPayload payload, float x, float y, bool testOnly) override {
    if (!testOnly) drops.push_back({payload, x, y});
    return acceptsDrops;
  }
  std::vector<int> codes() const {
    std::vector<int> c;
    for (const NodeEvent& e : events) c.push_back(e.code);
    return c;
  }
  void clear() { events.clear(); }

  struct Drop {
    ZRDragDropPayload payload;
    float x, y;
  };
  std::vector<NodeEvent> events;
  std::vector<Drop> drops;
  bool focusable = false;
  bool acceptsDrops = false;
  bool handlesKeys = true;
  std::function<void(int code)> onEvent;
};

// A hint bubble of a fixed size.
class FixedHint : public ZRNodeHintBase {
 public:
  FixedHint(ZRNodeManager* manager, float scale) : ZRNodeHintBase(manager, scale) {
    width = 100;
    height = 20;
  }
};

class RecordingClasses : public ZRNodeClassFactory {
 public:
  ZRDrawNode* createNode(int type, ZRNodeManager* manager, float scale, int id, int deck) override {
    if (!typeHasClass(type)) return nullptr;
    return new RecordingNode(manager, scale, id, deck);
  }
  ZRNodeHintBase* createHintNode(ZRNodeManager* manager, float scale) override {
    return new FixedHint(manager, scale);
  }
};

inline RecordingNode* recording(ZRDrawNode* node) {
  return dynamic_cast<RecordingNode*>(node);
}

class TestPayload : public ZRDragDropCustomData {
 public:
  using ZRDragDropCustomData::ZRDragDropCustomData;
  const char* getIdentifier() const override { return "track"; }
};

// A skin in a temporary folder: skin.xml and an image of parts (each width x heights[i], grey levels
// distinct per part).
struct SkinFiles {
  TempDir dir;
  std::string xml() const { return dir.file("skin.xml"); }
  std::string image() const { return dir.file("skin.png"); }

  void writeXml(const std::string& text) const { writeFile(xml(), text); }
  // Part n is skin.png, skin_2.png, ...; each a solid colour (part index x 40 + 40 in red).
  void writeParts(int width, const std::vector<int>& heights, bool alpha = false) const {
    for (size_t i = 0; i < heights.size(); ++i) {
      const std::string name = i == 0 ? image() : dir.file("skin_" + std::to_string(i + 1) + ".png");
      writeFile(name,
                encodePng(solidPicture(width, heights[i], static_cast<uint8_t>(40 + 40 * i), 0, 0), alpha));
    }
  }
};

// A skin XML document: the root's attributes and the inner text of its one window.
inline std::string skinXml(const std::string& rootAttributes, const std::string& windowContent,
                           const std::string& windowAttributes = "action=\"main\"") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<skin targetversion=\"3\" " + rootAttributes +
         ">\n<window " + windowAttributes + ">\n" + windowContent + "\n</window>\n</skin>\n";
}

// The first global action whose element type is type, and the first per-deck one.
inline int firstAction(int type, bool global) {
  for (int i = 1; i < CACTION_COUNT - 1; ++i) {
    if (GetActionType(i) == type && (GetActionGlobal(i) != 0) == global) return i;
  }
  return 0;
}

}  // namespace orvel_test
