#include "gui_nodes/zr_control_classes.h"

#include <array>
#include <atomic>
#include <mutex>

#include "common/action_vocabulary.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_node_sound_display.h"

namespace {

std::array<std::atomic<ZRControlCreator>, CACTIONTYPES_COUNT> creators{};

}  // namespace

void registerControlClass(int elementType, ZRControlCreator creator) {
  if (elementType < 0 || elementType >= CACTIONTYPES_COUNT) return;
  creators[elementType].store(creator, std::memory_order_release);
}

void registerControlClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Each control adds its registration here as it is built.
    registerBrowserTreeClass();
    registerTrackTableClass();
    registerWaveformDisplayClasses();
  });
}

ZRDrawNode* ZRControlClassFactory::createNode(int type, ZRNodeManager* manager, float scale, int id,
                                              int deck) {
  if (!typeHasClass(type)) return nullptr;
  if (const ZRControlCreator creator = creators[type].load(std::memory_order_acquire)) {
    return creator(manager, scale, id, deck);
  }
  return ZRNodeClassFactory::createNode(type, manager, scale, id, deck);
}
