#pragma once
// Nodes for the shortcut and main-window tests: every node records the events it gets, can be learned,
// and has two keyboard slots and one MIDI slot; the root and the buttons draw their pictures from the skin
// image, so a frame shows where they are.

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "common/action_ids.h"
#include "gui/zr_node_classes.h"
#include "gui/zr_node_manager.h"

namespace orvel_test {

struct RecordedEvent {
  int code, value;
  float x, y;
  int button, key, modifiers, channel, number, midiValue, deck;
};

class ShortcutNode : public ZRDrawNode {
 public:
  ShortcutNode(ZRNodeManager* manager, float scale, int id, int deck)
      : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
    totalShortcutsKB = 2;
    totalShortcutsMIDI = 1;
    canUseLearn = true;
  }
  bool executeAction(int code, int value, float px, float py, int button, int key, int modifiers, int channel,
                     int number, int midiValue, wchar_t, int eventDeck) override {
    std::lock_guard<std::mutex> guard(lock);
    events.push_back({code, value, px, py, button, key, modifiers, channel, number, midiValue, eventDeck});
    return true;
  }
  void render(double dt, float atX, float atY) override {
    renders.fetch_add(1);
    if (delayRenderMs.load() > 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(delayRenderMs.load()));
    if (shown) mainTexture_drawRect(upx, upy, width, height, atX, atY, 1, 1, 1, 0, 1);
    ZRDrawNode::render(dt, atX, atY);
  }
  std::vector<int> codes() const {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<int> found;
    for (const RecordedEvent& e : events) found.push_back(e.code);
    return found;
  }
  std::vector<RecordedEvent> eventsOf(int code) const {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<RecordedEvent> found;
    for (const RecordedEvent& e : events) {
      if (e.code == code) found.push_back(e);
    }
    return found;
  }
  void clearEvents() {
    std::lock_guard<std::mutex> guard(lock);
    events.clear();
  }

  mutable std::mutex lock;
  std::vector<RecordedEvent> events;
  std::atomic<int> renders{0};
  std::atomic<int> delayRenderMs{0};
};

// The root draws the whole skin image at its place.
class PictureRoot : public ZRDrawNode {
 public:
  PictureRoot(ZRNodeManager* manager, float scale) : ZRDrawNode(manager, nullptr, scale, -1, -1, -1) {}
  void render(double dt, float atX, float atY) override {
    mainTexture_drawRect(0, 0, width, height, atX, atY, 1, 1, 1, 0, 1);
    ZRDrawNode::render(dt, atX, atY);
  }
};

class ShortcutClasses : public ZRNodeClassFactory {
 public:
  ZRDrawNode* createNode(int type, ZRNodeManager* manager, float scale, int id, int deck) override {
    return typeHasClass(type) ? new ShortcutNode(manager, scale, id, deck) : nullptr;
  }
  ZRDrawNode* createRootNode(ZRNodeManager* manager, float scale, ZRPointerActionCallback) override {
    return new PictureRoot(manager, scale);
  }
};

inline ShortcutNode* shortcutTestNode(ZRNodeManager& manager, const char* action, int deck) {
  return dynamic_cast<ShortcutNode*>(manager.getNode(action, deck));
}

}  // namespace orvel_test
