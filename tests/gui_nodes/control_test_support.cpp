#include "control_test_support.h"

#include <cstdlib>

#include "gui_nodes/zr_control_support.h"

namespace orvel_test {

SlotLog& SlotLog::get() {
  static SlotLog log;
  return log;
}

void SlotLog::add(const SlotCall& call) {
  std::lock_guard guard(lock_);
  calls_.push_back(call);
}

std::vector<SlotCall> SlotLog::calls() const {
  std::lock_guard guard(lock_);
  return calls_;
}

std::vector<std::pair<int, int>> SlotLog::slotsAndValues() const {
  std::lock_guard guard(lock_);
  std::vector<std::pair<int, int>> out;
  for (const SlotCall& c : calls_) out.emplace_back(c.slot, c.value);
  return out;
}

void SlotLog::clear() {
  std::lock_guard guard(lock_);
  calls_.clear();
}

void bindRecorders(ZRDrawNode* node) {
  static const ZRActionCallback kRecorders[] = {recordSlot<0>, recordSlot<1>, recordSlot<2>, recordSlot<3>,
                                                recordSlot<4>, recordSlot<5>, recordSlot<6>, recordSlot<7>};
  for (int i = 0; i < node->getActionSlotCount() && i < 8; ++i) node->setActionSlot(i, kRecorders[i]);
}

void SkinPicture::fill(int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  for (int j = y; j < y + h && j < picture.height; ++j) {
    for (int i = x; i < x + w && i < picture.width; ++i) {
      uint8_t* p = picture.at(i, j);
      p[0] = r;
      p[1] = g;
      p[2] = b;
      p[3] = a;
    }
  }
}

void ControlTest::SetUp() {
  registerControlClasses();
  SlotLog::get().clear();
}

void ControlTest::TearDown() {
  if (manager && target) manager->getRootNode()->destroyAllGraphicsResources();
  if (manager && target) manager->getHintNode()->destroyAllGraphicsResources();
  target.reset();
  manager.reset();
  SlotLog::get().clear();
}

void ControlTest::loadSkin(const std::string& windowContent, const SkinPicture& picture, int width,
                           int height) {
  skinWidth = width;
  skinHeight = height;
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<skin targetversion=\"3\" screenwidth=\"" +
      std::to_string(width) + "\" screenheight=\"" + std::to_string(height) +
      "\">\n<window action=\"main\">\n" + windowContent + "\n</window>\n</skin>\n";
  ASSERT_TRUE(writeFile(dir.file("skin.xml"), xml));
  ASSERT_TRUE(writeFile(dir.file("skin.png"), encodePng(picture.picture, true)));
  if (!manager) manager = std::make_unique<ZRNodeManager>(nullptr, &classes);
  ASSERT_TRUE(manager->loadSkin(ZRString(dir.file("skin.xml")), ZRString(dir.file("skin.png")), 0, 0, 1));
}

ZRDrawNode* ControlTest::node(const char* action, int deck) const {
  return manager->getNode(action, deck);
}

void ControlTest::press(float x, float y, int button) {
  if (button == ZRButtonLeft) leftHeld = true;
  manager->actionRouteMouse(ZRNodeManager::mousePress, x, y, button, button == ZRButtonLeft ? 1 : leftHeld, 0,
                            0);
}

void ControlTest::release(float x, float y, int button) {
  if (button == ZRButtonLeft) leftHeld = false;
  manager->actionRouteMouse(ZRNodeManager::mouseRelease, x, y, button, leftHeld, 0, 0);
}

void ControlTest::move(float x, float y) {
  manager->actionRouteMouse(ZRNodeManager::mouseMove, x, y, ZRButtonNone, leftHeld, 0, 0);
}

void ControlTest::click(float x, float y, int button) {
  press(x, y, button);
  release(x, y, button);
}

bool ControlTest::midi(ZRDrawNode* node, int kind, int number, int value) {
  return node->executeActionInternal(ZRNodeEventMidi, kind, 0, 0, ZRButtonLeft, -1, 0, 0, number, value, L' ',
                                     node->deck);
}

bool ControlTest::needGL() {
  if (!ensureGLContext()) return false;
  if (!target || target->width() != skinWidth || target->height() != skinHeight)
    target = std::make_unique<RenderTarget>(skinWidth, skinHeight);
  return true;
}

void ControlTest::frame(double dt) {
  ASSERT_TRUE(needGL());
  target->begin(0, 0, 0, 1);
  manager->render(dt);
  target->end();
  pixels = target->read();
}

Rgb ControlTest::at(int x, int y) const {
  const size_t i = (static_cast<size_t>(y) * skinWidth + x) * 4;
  if (i + 2 >= pixels.size()) return {};
  return {pixels[i], pixels[i + 1], pixels[i + 2]};
}

bool near(const Rgb& a, const Rgb& b, int tol) {
  if (a.size() != 3 || b.size() != 3) return false;
  for (int i = 0; i < 3; ++i) {
    if (std::abs(a[i] - b[i]) > tol) return false;
  }
  return true;
}

}  // namespace orvel_test
