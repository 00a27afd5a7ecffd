// Skin files as the skin engine loads them: any bytes as the skin XML (with a small valid image) load or
// are refused, one manager taking skin after skin as the application does. The first byte picks the window
// size and whether the double-resolution image is wanted. After a load the tree must be a tree (every
// child names its parent, no node twice), and routing a few mouse events, a key and a resize must hold.

#include <cairo.h>

#include <cstdint>
#include <set>
#include <string>

#include "common/zr_texture.h"
#include "fuzz_support.h"
#include "gui/zr_node_manager.h"

namespace {

std::string imagePath;

ZRNodeManager& manager() {
  static ZRNodeManager* instance = new ZRNodeManager(nullptr);
  return *instance;
}

void checkTree(const ZRDrawNode* node, std::set<const ZRDrawNode*>& seen, int depth) {
  orvel_fuzz::fuzzCheck(depth < 1000, "the skin tree is deeper than its document");
  orvel_fuzz::fuzzCheck(seen.insert(node).second, "a node sits twice in the skin tree");
  for (const ZRDrawNode* child : node->children) {
    orvel_fuzz::fuzzCheck(child->parent == node, "a child does not name its parent");
    checkTree(child, seen, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  orvel_fuzz::quietXmlErrors();
  ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
  imagePath = orvel_fuzz::scratchFolder() + "skin.png";
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 16, 16);
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
  m.retina = (choice & 1) != 0;
  const int width = choice & 2 ? 0 : 200 + (choice >> 2) * 13;
  if (m.loadSkin(ZRString(path.c_str()), ZRString(imagePath.c_str()), width, width * 3 / 4, 1)) {
    std::set<const ZRDrawNode*> seen;
    checkTree(m.getRootNode(), seen, 0);
    for (int i = 0; i < 8; ++i) {
      const float x = static_cast<float>(i * 37 % 300), y = static_cast<float>(i * 53 % 200);
      m.actionRouteMouse(i % 3 == 0 ? ZRNodeManager::mousePress : ZRNodeManager::mouseMove, x, y, 0, 1, 0, 0);
    }
    m.actionRouteMouse(ZRNodeManager::mouseRelease, 5, 5, 0, 0, 0, 0);
    m.actionRouteKeyboard('a', 0);
    m.setNewWindowSize(320, 240);
    m.actionRouteMouse(ZRNodeManager::mouseLeftWindow, -1, -1, -1, 0, 0, 0);
  }
  return 0;
}
