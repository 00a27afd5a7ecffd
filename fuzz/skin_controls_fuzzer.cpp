// Skin files as the skin controls read them: any bytes as the skin XML load with the controls' classes
// (every element tag becomes its control and reads its own attributes), then frames are drawn with
// textures that only keep their size and count draws (no GL), and the mouse, keys, MIDI messages and
// shortcuts reach every placed node. Sizes, counts and ranges from the skin must never index outside a
// control's tables, divide by zero or loop without bound. The first byte picks the window size and the MIDI
// data.

#include <cairo.h>
#include <libxml/xmlerror.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/zr_texture.h"
#include "fuzz_support.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_control_classes.h"
#include "support/counting_texture.h"

namespace {

void quietXml(void*, const char*, ...) {}

std::string imagePath;

ZRNodeManager& manager() {
  static ZRControlClassFactory* classes = new ZRControlClassFactory();
  static ZRNodeManager* instance = new ZRNodeManager(nullptr, classes);
  return *instance;
}

void collect(ZRDrawNode* node, std::vector<ZRDrawNode*>& out) {
  out.push_back(node);
  for (ZRDrawNode* child : node->children) collect(child, out);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  xmlSetGenericErrorFunc(nullptr, &quietXml);
  ZRTexture::registerTextureFactory(ZRRenderEngineRGBA, &orvel_test::CountingTexture::create);
  ZRTexture::setDefaultRenderDevice(ZRRenderEngineRGBA);
  registerControlClasses();
  imagePath = orvel_fuzz::scratchFolder() + "skin.png";
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 64);
  cairo_surface_write_to_png(surface, imagePath.c_str());
  cairo_surface_destroy(surface);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orvel_fuzz::FuzzInput input(data, size);
  const uint8_t choice = input.byte();
  const std::string path = orvel_fuzz::writeScratchFile("skin.xml", input.data(), input.size());
  if (path.empty()) return 0;
  ZRNodeManager& m = manager();
  const int width = choice & 1 ? 0 : 160 + (choice >> 1) * 7;
  if (!m.loadSkin(ZRString(path.c_str()), ZRString(imagePath.c_str()), width, width * 3 / 4, 1)) return 0;
  m.render(0.05);
  std::vector<ZRDrawNode*> nodes;
  collect(m.getRootNode(), nodes);
  const int midiValue = choice & 0x7F;
  for (ZRDrawNode* node : nodes) {
    float ax = 0, ay = 0;
    node->getAbsolutePosition(ax, ay);
    const float cx = ax + node->width / 2, cy = ay + node->height / 2;
    m.actionRouteMouse(ZRNodeManager::mouseMove, cx, cy, -1, 0, 0, 0);
    m.actionRouteMouse(ZRNodeManager::mousePress, cx, cy, 0, 1, 0, 0);
    m.actionRouteMouse(ZRNodeManager::mouseMove, ax + 1, ay + node->height - 1, -1, 1, 0, 0);
    m.actionRouteMouse(ZRNodeManager::mouseRelease, ax + 1, ay + 1, 0, 0, 0, 0);
    m.actionRouteMouse(ZRNodeManager::mousePress, cx, cy, 1, 0, 0, 0);
    m.actionRouteMouse(ZRNodeManager::mouseRelease, cx, cy, 1, 0, 0, 0);
    for (int kind : {176, 144, 128, 224}) {
      node->executeActionInternal(ZRNodeEventMidi, kind, 0, 0, 0, -1, 0, 0, 1, midiValue, L' ', node->deck);
    }
    node->runKBShortcut(0);
    node->runKBShortcut(1);
  }
  m.actionRouteKeyboard('a', 0);
  m.actionRouteKeyboard(7180, 0);
  m.render(0.5);
  m.render(1.5);
  m.actionRouteMouse(ZRNodeManager::mouseLeftWindow, -1, -1, -1, 0, 0, 0);
  return 0;
}
