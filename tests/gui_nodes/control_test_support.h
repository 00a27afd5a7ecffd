#pragma once
// Skin-control test helpers: a node manager making the real control classes, skins (XML and a picture of
// coloured rectangles) written by the test, mouse events through the manager's routing, action slots bound
// to recorders, and frames rendered offscreen to read pixels from.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gl_test_context.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_control_classes.h"
#include "support/image_fixtures.h"
#include "support/test_support.h"

namespace orvel_test {

// One call of a bound slot: which slot and what it was given (x, y and button only for pointer slots).
struct SlotCall {
  int slot;
  int value;
  int param;
  int deck;
  ZRDrawNode* node;
  int x = 0, y = 0, button = 0;
  bool operator==(const SlotCall& o) const {
    return slot == o.slot && value == o.value && x == o.x && y == o.y;
  }
};

// Every recorded call since the last clear, in order (any thread may record).
class SlotLog {
 public:
  static SlotLog& get();
  void add(const SlotCall& call);
  std::vector<SlotCall> calls() const;
  // (slot, value) of every call.
  std::vector<std::pair<int, int>> slotsAndValues() const;
  void clear();

 private:
  mutable std::mutex lock_;
  std::vector<SlotCall> calls_;
};

template <int Slot>
void recordSlot(int value, int param, int deck, ZRDrawNode* node) {
  SlotLog::get().add({Slot, value, param, deck, node});
}

// Pointer slots are recorded as slot 100 + N.
template <int Slot>
void recordPointer(int value, int x, int y, int button, int param, int deck, ZRDrawNode* node) {
  SlotLog::get().add({100 + Slot, value, param, deck, node, x, y, button});
}

// Binds recordSlot<i> to every action slot the node has.
void bindRecorders(ZRDrawNode* node);

// A skin picture: black, with rectangles painted on it.
struct SkinPicture {
  TestPicture picture;
  SkinPicture(int width, int height) : picture(solidPicture(width, height, 0, 0, 0)) {}
  void fill(int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
};

using Rgb = std::vector<uint8_t>;
inline const Rgb kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0},
    kCyan{0, 255, 255}, kMagenta{255, 0, 255}, kWhite{255, 255, 255};

// Members are public so that table rows (lambdas) can drive the fixture.
class ControlTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  // Writes the skin (size width x height points, the window's content) and its picture, and loads it.
  void loadSkin(const std::string& windowContent, const SkinPicture& picture, int width, int height);
  ZRDrawNode* node(const char* action, int deck = -1) const;
  template <class Control>
  Control* control(const char* action, int deck = -1) const {
    auto* c = dynamic_cast<Control*>(node(action, deck));
    EXPECT_NE(c, nullptr) << action;
    return c;
  }

  // Mouse events at skin points through the manager's routing (a left press captures the mouse until its
  // release, as the window does).
  void press(float x, float y, int button = ZRButtonLeft);
  void release(float x, float y, int button = ZRButtonLeft);
  void move(float x, float y);
  void click(float x, float y, int button = ZRButtonLeft);
  // A MIDI message to a node, as the MIDI path delivers it.
  static bool midi(ZRDrawNode* node, int kind, int number, int value);

  // Frames (skip the test without OpenGL).
  bool needGL();
  // Renders one frame of dt seconds and keeps its pixels.
  void frame(double dt = 0.016);
  // R, G, B of the last frame at (x, y), y from the top.
  Rgb at(int x, int y) const;

  TempDir dir;
  ZRControlClassFactory classes;
  std::unique_ptr<ZRNodeManager> manager;
  std::unique_ptr<RenderTarget> target;
  std::vector<uint8_t> pixels;
  int skinWidth = 0, skinHeight = 0;
  bool leftHeld = false;
};

// Whether two colours are within tol on every channel.
bool near(const Rgb& a, const Rgb& b, int tol = 8);

}  // namespace orvel_test
