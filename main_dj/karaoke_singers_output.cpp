#include "main_dj/karaoke_singers_output.h"

#include <wx/app.h>

#include <atomic>

#include "actions_dj/action_support.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/karaoke_rotation.h"
#include "actions_dj/player_actions.h"
#include "actions_dj/skin/zr_library_nodes.h"
#include "common/zr_logging.h"
#include "common/zr_preferences.h"
#include "database/zr_list.h"
#include "dsp/engine/sound_source.h"
#include "gui_nodes/zr_control_support.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"
#include "main_dj/shell_folders.h"
#include "main_dj/shell_state.h"
#include "video_mixing/zr_karaoke_singers_list.h"
#include "video_mixing/zr_overlay_graphics_layers.h"
#include "video_mixing/zr_overlay_graphics_simple.h"
#include "video_mixing/zr_video_output.h"

namespace {

std::atomic<bool> refreshAsked{false};
std::atomic<int> rebuilds{0};
// The layer and the stack generation it was added to (main thread writes, the GUI tick reads).
std::atomic<ZROverlayGraphicsSimple*> karaokeLayer{nullptr};
std::atomic<int> karaokeLayerGeneration{-1};

// The layer in the current stack, made and added when missing; null without a stack.
ZROverlayGraphicsSimple* layerInStack() {
  ZROverlayGraphicsLayers* stack = getOverlayGraphicsLayers();
  if (stack == nullptr) return nullptr;
  const int generation = getOverlayGraphicsLayersGeneration();
  ZROverlayGraphicsSimple* layer = karaokeLayer.load();
  if (layer != nullptr && karaokeLayerGeneration.load() == generation && stack->containsLayer(layer))
    return layer;
  // The stack deletes the layers it holds: a layer of an earlier stack is gone with it.
  layer = new ZROverlayGraphicsSimple(stack->getItemRenderCallback(), nullptr);
  stack->addLayer(layer, nullptr);
  karaokeLayerGeneration.store(generation);
  karaokeLayer.store(layer);
  return layer;
}

ZRList* sidelistShown() {
  ZRNodePlaylist* sidelist = librarySidelist();
  return sidelist != nullptr ? sidelist->getList() : nullptr;
}

ZRSingersListSettings readSettings() {
  ZRSingersListSettings s;
  s.singersNum = settingInt("KSRSingersNum", 0);
  s.backgroundEnabled = settingOn("KSRBackgroundEnabled");
  if (preferences != nullptr) preferences->getValue("KSRBackgroundFile", &s.backgroundFile);
  const ZRString images = getResourcesDir("images");
  if (!images.empty()) s.blackPicture = images + ZRString("black160x90.png");
  return s;
}

void rebuildAsked() {
  refreshAsked.store(false);
  refreshKaraokeSingersList();
}

}  // namespace

void OnSidelistChanged(ZRList*) {
  requestKaraokeSingersListRefresh();
}

void requestKaraokeSingersListRefresh() {
  if (refreshAsked.exchange(true)) return;
  if (wxTheApp == nullptr) {
    // No toolkit (tools, tests without one): the caller's thread is the only one.
    rebuildAsked();
    return;
  }
  // Always posted, also from the main thread: changes made in one go are served by one rebuild.
  static const std::shared_ptr<int> token = std::make_shared<int>(0);
  wxTheApp->CallAfter([watch = std::weak_ptr<int>(token)] {
    if (!watch.expired()) rebuildAsked();
  });
}

int refreshKaraokeSingersList() {
  return refreshKaraokeSingersListFrom(sidelistShown());
}

int refreshKaraokeSingersListFrom(ZRList* list) {
  if (deinitStarted.load()) return 0;
  rebuilds.fetch_add(1);
  ZROverlayGraphicsSimple* layer = layerInStack();
  if (layer == nullptr) {
    ZRLOG("error: overlay graphics layers object does not exist");
    return 0;
  }
  fillKaraokeSingersLayer(layer, planKaraokeSingersList(list, readSettings()));
  return 0;
}

int karaokeSingersListRebuilds() {
  return rebuilds.load();
}

void startKaraokeSingersList() {
  if (ZRNodeBrowser* browser = libraryBrowser()) {
    for (int type : {kSpecialAutomix, kSpecialKaraokeRotation}) {
      if (ZRList* list = browser->getSpecialList(type)) list->setListChangedCallback(&OnSidelistChanged);
    }
  }
  requestKaraokeSingersListRefresh();
}

void showKaraokeSingersListBetweenSongs() {
  ZROverlayGraphicsSimple* layer = karaokeLayer.load();
  if (layer == nullptr || karaokeLayerGeneration.load() != getOverlayGraphicsLayersGeneration()) {
    // The output made a (new) layer stack since the list was built: build it into that one.
    if (getOverlayGraphicsLayers() != nullptr && !deinitStarted.load()) requestKaraokeSingersListRefresh();
    return;
  }
  CSoundSource* master = GetMasterDeck();
  const bool pictureHeard = videoOutputHasContent() && master != nullptr && master->IsPlaying();
  layer->setVisible(!pictureHeard);
}
