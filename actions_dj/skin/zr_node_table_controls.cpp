#include "actions_dj/skin/zr_node_table_controls.h"

#include <cstdint>

#include "actions_dj/deck_loading.h"
#include "actions_dj/sampler_actions.h"
#include "common/action_ids.h"
#include "common/action_vocabulary.h"
#include "database/zr_database.h"
#include "dsp/engine/zr_sampler_player.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_drag_drop_track.h"
#include "gui_nodes/zr_node_artwork.h"
#include "gui_nodes/zr_node_beat_indicators.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_drop_down.h"
#include "gui_nodes/zr_node_edit_text.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_node_rounded_progress.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_sound_display.h"
#include "gui_nodes/zr_node_text.h"
#include "opengl_directx/zr_video_preview_frame.h"

ZRNodeTableControls::ZRNodeTableControls(ZRNodeManager* manager) : manager_(manager) {}

ZRDrawNode* ZRNodeTableControls::node(int action, int deck) const {
  if (manager_ == nullptr || action < 0 || action >= CACTION_COUNT || deck < -1 || deck > 1) return nullptr;
  return manager_->getNodeAt(action + CACTION_NODE_STRIDE * (deck + 1));
}

void ZRNodeTableControls::setCaption(int action, int deck, const ZRString& text) {
  ZRDrawNode* n = node(action, deck);
  if (auto* label = dynamic_cast<ZRNodeText*>(n)) {
    label->setCaption(text);
  } else if (auto* button = dynamic_cast<ZRNodeButton*>(n)) {
    button->setCaption(text);
  } else if (auto* dropDown = dynamic_cast<ZRNodeDropDown*>(n)) {
    dropDown->setCaption(text);
  } else if (auto* edit = dynamic_cast<ZRNodeEditText*>(n)) {
    edit->setCaption(text);
  }
}

void ZRNodeTableControls::setPos(int action, int deck, int position, bool notify) {
  if (auto* slider = dynamic_cast<ZRNodeSliderKnob*>(node(action, deck))) slider->SetPos(position, notify);
}

int ZRNodeTableControls::getPos(int action, int deck, int fallback) {
  auto* slider = dynamic_cast<ZRNodeSliderKnob*>(node(action, deck));
  return slider != nullptr ? slider->GetPos() : fallback;
}

void ZRNodeTableControls::setMax(int action, int deck, int maximum) {
  if (auto* slider = dynamic_cast<ZRNodeSliderKnob*>(node(action, deck))) slider->SetMax(maximum);
}

void ZRNodeTableControls::setRange(int action, int deck, int minimum, int maximum) {
  if (auto* slider = dynamic_cast<ZRNodeSliderKnob*>(node(action, deck))) slider->setRange(minimum, maximum);
}

void ZRNodeTableControls::setSwitched(int action, int deck, bool on, bool notify) {
  if (auto* button = dynamic_cast<ZRNodeButton*>(node(action, deck))) button->setSwitched(on, notify);
}

bool ZRNodeTableControls::getSwitched(int action, int deck) {
  auto* button = dynamic_cast<ZRNodeButton*>(node(action, deck));
  return button != nullptr && button->getSwitched();
}

void ZRNodeTableControls::setMouseOverBlocked(int action, int deck, bool on) {
  if (auto* button = dynamic_cast<ZRNodeButton*>(node(action, deck))) button->setMouseOverBlocked(on);
}

void ZRNodeTableControls::selectItem(int action, int deck, int index, bool notify) {
  if (auto* list = dynamic_cast<ZRNodeDropDown*>(node(action, deck))) list->setSelected(index, notify);
}

void ZRNodeTableControls::openItems(int action, int deck) {
  // The list's menu is made on the main thread by the node itself.
  if (auto* list = dynamic_cast<ZRNodeDropDown*>(node(action, deck))) list->triggerSelection(-1);
}

void ZRNodeTableControls::setData(int action, int deck, const float* values, int count, float scale) {
  if (auto* slider = dynamic_cast<ZRNodeSliderKnob*>(node(action, deck)))
    slider->updateData(values, count, scale);
}

void ZRNodeTableControls::setProgress(int action, int deck, float share) {
  if (auto* ring = dynamic_cast<ZRNodeRoundedProgress*>(node(action, deck))) ring->updatePos(share);
}

void ZRNodeTableControls::setArtwork(int action, int deck, const ZRString& path, const ZRString& imageUrl) {
  auto* image = dynamic_cast<ZRArtworkNode*>(node(action, deck));
  if (image == nullptr) return;
  if (path.empty() && imageUrl.empty()) {
    image->clearArtworkImage();
  } else {
    image->setArtworkImage(path, imageUrl);
  }
}

int ZRNodeTableControls::getZoom(int action, int deck) {
  auto* wave = dynamic_cast<ZRNodeSoundDisplay*>(node(action, deck));
  return wave != nullptr ? wave->getZoom() : 0;
}

void ZRNodeTableControls::setZoom(int action, int deck, int zoom) {
  if (auto* wave = dynamic_cast<ZRNodeSoundDisplay*>(node(action, deck))) wave->setZoom(zoom);
}

// A drop-down item's parameter is its int carried in the item's pointer.
void ZRNodeTableControls::setItems(int action, int deck, const std::vector<std::pair<ZRString, int>>& items) {
  auto* list = dynamic_cast<ZRNodeDropDown*>(node(action, deck));
  if (list == nullptr) return;
  list->clearItems();
  for (const auto& [text, param] : items)
    list->addItem(text, reinterpret_cast<void*>(static_cast<intptr_t>(param)));
}

void ZRNodeTableControls::selectByParam(int action, int deck, int param) {
  if (auto* list = dynamic_cast<ZRNodeDropDown*>(node(action, deck)))
    list->setSelectedByParam(reinterpret_cast<void*>(static_cast<intptr_t>(param)), false);
}

void ZRNodeTableControls::selectByText(int action, int deck, const ZRString& text) {
  if (auto* list = dynamic_cast<ZRNodeDropDown*>(node(action, deck))) list->setSelected(text, false);
}

bool ZRNodeTableControls::getSelected(int action, int deck, ZRString* text, int* param) {
  auto* list = dynamic_cast<ZRNodeDropDown*>(node(action, deck));
  if (list == nullptr || list->getSelected() < 0) return false;
  if (text != nullptr) *text = list->getCaption();
  if (param != nullptr) *param = static_cast<int>(reinterpret_cast<intptr_t>(list->getSelectedParam()));
  return true;
}

void ZRNodeTableControls::setTableFont(int action, int deck, int step) {
  if (auto* table = dynamic_cast<ZRNodePlaylist*>(node(action, deck))) table->adjustFont(step, false);
}

void ZRNodeTableControls::setTableDisplayMode(int action, int deck, int mode) {
  if (auto* table = dynamic_cast<ZRNodePlaylist*>(node(action, deck))) table->setDisplayMode(mode);
}

void ZRNodeTableControls::expandBrowserSpecialNode(int action, int deck, int specialType, bool expand) {
  if (auto* browser = dynamic_cast<ZRNodeBrowser*>(node(action, deck)))
    browser->expandOrCollapseSpecialNode(specialType, expand);
}

void ZRNodeTableControls::removeBrowserPlugin(int action, int deck, int pluginId) {
  if (auto* browser = dynamic_cast<ZRNodeBrowser*>(node(action, deck))) browser->removePlugin(pluginId);
}

bool ZRNodeTableControls::isNode(const ZRDrawNode* candidate, int action, int deck) {
  return candidate != nullptr && candidate == node(action, deck);
}

ZRList* ZRNodeTableControls::focusedList() {
  for (int action : {ACT_playlist, ACT_sidelist}) {
    auto* table = dynamic_cast<ZRNodePlaylist*>(node(action, -1));
    if (table != nullptr && table->hasKeyboardFocus()) lastFocused_.store(table);
  }
  ZRNodePlaylist* table = lastFocused_.load();
  // Only a table of the current skin (a reloaded skin made new nodes).
  if (table == nullptr || (table != node(ACT_playlist, -1) && table != node(ACT_sidelist, -1)))
    return nullptr;
  return table->getList();
}

ZRList* ZRNodeTableControls::sideList() {
  auto* table = dynamic_cast<ZRNodePlaylist*>(node(ACT_sidelist, -1));
  return table != nullptr ? table->getList() : nullptr;
}

ZRList* ZRNodeTableControls::playlistList() {
  auto* table = dynamic_cast<ZRNodePlaylist*>(node(ACT_playlist, -1));
  return table != nullptr ? table->getList() : nullptr;
}

bool ZRNodeTableControls::playlistHasFocus() {
  auto* table = dynamic_cast<ZRNodePlaylist*>(node(ACT_playlist, -1));
  return table != nullptr && table->hasKeyboardFocus();
}

bool ZRNodeTableControls::pitchWithoutPercent() {
  return manager_ != nullptr && manager_->dontUsePercentOnPitch;
}

void ZRNodeTableControls::setVideoFader(double position) {
  SetVideoFader(position);
}

int ZRNodeTableControls::getSelectedIndex(int action, int deck) {
  auto* list = dynamic_cast<ZRNodeDropDown*>(node(action, deck));
  return list != nullptr ? list->getSelected() : -1;
}

int ZRNodeTableControls::getItemCount(int action, int deck) {
  auto* list = dynamic_cast<ZRNodeDropDown*>(node(action, deck));
  return list != nullptr ? list->getTotalItems() : 0;
}

void ZRNodeTableControls::selectIndex(int action, int deck, int index, bool notify) {
  if (auto* list = dynamic_cast<ZRNodeDropDown*>(node(action, deck))) list->setSelected(index, notify);
}

void ZRNodeTableControls::moveAsController(int action, int deck, int value) {
  if (auto* slider = dynamic_cast<ZRNodeSliderKnob*>(node(action, deck))) {
    slider->executeActionInternal(ZRNodeEventMidi, ZRMidiControlChange, 0, 0, 0, 0, 0, 0, 0, value, 0, deck);
  }
}

bool FDeck_DropItem(ZRDrawNode* node, ZRDragDropPayload payload, float, float, bool testOnly) {
  const ZRDragDropTrack* track = ZRDragDropTrack::from(payload);
  if (track == nullptr || node == nullptr) return false;
  if (testOnly) return true;
  const TZRListTrack row = track->getTrack();
  return FDeck_LoadTrackId(row.trackId, row.keyAdjust, node->deck);
}

bool FSampler_DropItem(ZRDrawNode* node, ZRDragDropPayload payload, float, float, bool testOnly) {
  const ZRDragDropTrack* track = ZRDragDropTrack::from(payload);
  if (track == nullptr || node == nullptr) return false;
  ZRSamplerPlayer* player = samplerAt(node->actionCode);
  if (player == nullptr || player->isRecording()) return false;
  if (testOnly) return true;
  return samplerLoadTrackId(node->actionCode, track->getTrack().trackId);
}

void ZRNodeTableControls::setIndicator(int action, int deck, float value) {
  ZRDrawNode* n = node(action, deck);
  if (auto* beat = dynamic_cast<ZRNodeBeatPos*>(n)) beat->updatePos(static_cast<int>(value));
  if (auto* diff = dynamic_cast<ZRNodeBeatDiff*>(n)) diff->updatePos(value);
}
