#include "main_dj/overlay_actions.h"

#include <wx/checklst.h>
#include <wx/window.h>

#include <atomic>
#include <set>

#include "actions_dj/action_controls.h"
#include "actions_dj/engine_globals.h"
#include "common/action_ids.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_preferences.h"
#include "gui_nodes/zr_control_support.h"
#include "main_dj/shell_folders.h"
#include "main_dj/shell_state.h"
#include "video_mixing/zr_overlay_graphics_layers.h"
#include "video_mixing/zr_overlay_graphics_simple.h"
#include "video_mixing/zr_simple_overlays.h"
#include "video_mixing/zr_video_output.h"

ZROverlayGraphicsSimple* overlayGraphicsLayerSimple = nullptr;
std::vector<ZRString> overlaysFiles;

namespace {

constexpr int kOverlayCheckList = 10175;
constexpr const char* kFileKey = "CurrentOverlaysFilename";
constexpr const char* kVisibleKey = "CurrentOverlaysVisible";

// The stack generation the layer was added to: a newer stack was made without it (the old one deleted it).
std::atomic<int> g_layerGeneration{0};
// Posted by the GUI tick, cleared when the refresh has run.
std::atomic<bool> g_refreshPosted{false};
// Files that did not load: never written over by the shut-down.
std::set<ZRString> g_failedFiles;

const ZRLifeToken& lifeToken() {
  static const ZRLifeToken token;
  return token;
}

void onMainThread(std::function<void()> fn) {
  runOnMainThread(lifeToken().watch(), std::move(fn));
}

ZRString defaultOverlaysFile() {
  ZRString folder = theOverlaysDir;
  folder.appendSeparatorIfNeeded();
  return folder + ZRString("default.xml");
}

// The layer, made when missing and the output's stack exists; null otherwise.
ZROverlayGraphicsSimple* userLayer() {
  ZROverlayGraphicsLayers* stack = getOverlayGraphicsLayers();
  const int generation = getOverlayGraphicsLayersGeneration();
  if (overlayGraphicsLayerSimple != nullptr && (stack == nullptr || generation != g_layerGeneration)) {
    // Deleted with the stack it was in.
    overlayGraphicsLayerSimple = nullptr;
  }
  if (overlayGraphicsLayerSimple != nullptr) return overlayGraphicsLayerSimple;
  if (stack == nullptr) {
    ZRLOG("error: overlay graphics layers object does not exist");
    return nullptr;
  }
  auto* layer = new ZROverlayGraphicsSimple(stack->getItemRenderCallback(), nullptr);
  int visible = 1;
  if (preferences != nullptr && !preferences->getValue(kVisibleKey, visible)) visible = 1;
  layer->setVisible(visible != 0);
  stack->addLayer(layer, nullptr);
  overlayGraphicsLayerSimple = layer;
  g_layerGeneration = generation;
  return layer;
}

}  // namespace

void setVisibleVideoOverlays(int value, int, int, ZRDrawNode*) {
  onMainThread([value] {
    if (preferences != nullptr)
      preferences->setValue(kVisibleKey, value, 0, ZRPreferences::NotificationProgram);
    if (ZROverlayGraphicsSimple* layer = overlayGraphicsLayerSimple) layer->setVisible(value != 0);
  });
}

void FVideoOverlaysOnChange(int value, int param, int deck, ZRDrawNode*) {
  ZRLOG("FVideoOverlaysOnChange param=%d, tag=%d, deck=%d", value, param, deck);
  onMainThread([value] {
    if (value < 0 || value >= static_cast<int>(overlaysFiles.size())) return;
    if (loadOverlaysFile(overlaysFiles[static_cast<size_t>(value)], ZRString())) {
      refreshSimpleOverlays(nullptr, -1, false);
    } else {
      // The drop-down goes back to the file still in use.
      refreshVideoOverlaysFiles(theOverlaysDir, true);
    }
  });
}

void refreshSimpleOverlays(wxWindow* dialog, int index, bool select) {
  if (deinitStarted.load()) return;
  if (ZROverlayGraphicsSimple* layer = userLayer()) {
    layer->clearItems();
    simpleOverlays.addItemsToLayer(layer);
    layer->commitChanges();
  }
  auto* list =
      dialog != nullptr ? dynamic_cast<wxCheckListBox*>(dialog->FindWindow(kOverlayCheckList)) : nullptr;
  if (list == nullptr) return;
  list->Clear();
  simpleOverlays.addItemsToCheckListBox(list);
  if (select && index >= 0 && index < static_cast<int>(list->GetCount())) list->SetSelection(index);
}

void refreshVideoOverlaysFiles(const ZRString& folder, bool selectCurrent) {
  ZRActionControls& controls = actionControls();
  const int previous = controls.getSelectedIndex(ACT_dropdown_video_overlay, -1);
  overlaysFiles.clear();
  std::vector<std::pair<ZRString, int>> items;
  const ZRString current = currentOverlaysFile();
  int currentAt = -1;
  if (folder.empty()) {
    controls.setItems(ACT_dropdown_video_overlay, -1, items);
    return;
  }
  ZRString base = folder;
  base.appendSeparatorIfNeeded();
  void* handle = nullptr;
  ZRString name;
  bool isFolder = false;
  for (bool more = findFirst(folder, ZRString("*"), &handle, &name, &isFolder); more;
       more = findNext(handle, &name, &isFolder)) {
    const ZRString path = base + name;
    if (isFolder || !path.endsWith(ZRString(".xml"))) continue;
    if (path == current) currentAt = static_cast<int>(overlaysFiles.size());
    items.emplace_back(path.getName(), static_cast<int>(overlaysFiles.size()));
    overlaysFiles.push_back(path);
  }
  if (handle != nullptr) findClose(handle);
  if (overlaysFiles.empty()) {
    items.emplace_back(ZRString("- none -"), 0);
    controls.setItems(ACT_dropdown_video_overlay, -1, items);
    controls.selectIndex(ACT_dropdown_video_overlay, -1, 0, false);
    return;
  }
  if (selectCurrent && currentAt < 0 && FileExists(current)) {
    currentAt = static_cast<int>(overlaysFiles.size());
    items.emplace_back(current.getName(), currentAt);
    overlaysFiles.push_back(current);
  }
  controls.setItems(ACT_dropdown_video_overlay, -1, items);
  const int selected = selectCurrent ? currentAt : previous;
  if (selected >= 0) controls.selectIndex(ACT_dropdown_video_overlay, -1, selected, false);
}

ZRString currentOverlaysFile() {
  ZRString file;
  if (preferences != nullptr && preferences->getValue(kFileKey, &file) && !file.empty()) return file;
  return defaultOverlaysFile();
}

bool loadOverlaysFile(const ZRString& path, const ZRString& base) {
  if (!simpleOverlays.load(path, base)) {
    g_failedFiles.insert(path);
    return false;
  }
  g_failedFiles.erase(path);
  if (preferences != nullptr) preferences->setValue(kFileKey, path, 0, ZRPreferences::NotificationProgram);
  return true;
}

bool saveOverlaysFile(const ZRString& path) {
  if (!simpleOverlays.save(path)) return false;
  g_failedFiles.erase(path);
  if (preferences != nullptr) preferences->setValue(kFileKey, path, 0, ZRPreferences::NotificationProgram);
  return true;
}

void loadOverlaysAtStart() {
  ZRSimpleOverlays::setOverlaysFolder(theOverlaysDir);
  const ZRString file = currentOverlaysFile();
  // The shipped list names its pictures relative to the Overlays folder.
  loadOverlaysFile(file, file == defaultOverlaysFile() ? theOverlaysDir : ZRString());
  refreshVideoOverlaysFiles(theOverlaysDir, true);
  int visible = 1;
  if (preferences != nullptr && !preferences->getValue(kVisibleKey, visible)) visible = 1;
  actionControls().setSwitched(ACT_enable_video_overlays, -1, visible != 0, false);
}

void saveOverlaysAtShutDown() {
  const ZRString file = currentOverlaysFile();
  if (g_failedFiles.count(file) != 0) {
    ZRLOG("overlays: '%s' did not load; it is not written over", file.utf8());
    return;
  }
  // Nothing to keep and no file yet: a first run that never reached its overlays writes nothing.
  if (simpleOverlays.getTotalItems() == 0 && !FileExists(file)) return;
  saveOverlaysFile(file);
}

void pollOverlayLayer() {
  ZROverlayGraphicsLayers* stack = getOverlayGraphicsLayers();
  if (stack == nullptr || deinitStarted.load()) return;
  if (getOverlayGraphicsLayersGeneration() == g_layerGeneration) return;
  if (g_refreshPosted.exchange(true)) return;
  onMainThread([] {
    g_refreshPosted.store(false);
    if (getOverlayGraphicsLayersGeneration() != g_layerGeneration) refreshSimpleOverlays(nullptr, -1, false);
  });
}
