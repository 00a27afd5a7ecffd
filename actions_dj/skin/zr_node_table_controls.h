#pragma once
// The user actions' view of a skin (actions_dj/action_controls.h) over the node table of a node manager:
// each (action, deck) is the table node of that action and deck, written through its control class (text
// labels, buttons, drop-downs and edit fields take captions; sliders and knobs positions, ranges and data
// rows; switch buttons their state; progress rings their share; images and jog wheels artwork; waveforms
// their zoom). The table holds a node for every action the skin may show (hidden when the skin does not
// show it); a slot without a node, or whose class does not take the write, is skipped.
//
// The focused list is the track table (action "playlist") or side list ("sidelist") that last had the
// keyboard focus.
//
// Threads: as the controls' own setters (main thread and render thread); the manager must outlive the view
// (install another view, or none, before a skin's manager goes away).

#include <atomic>

#include "actions_dj/action_controls.h"
#include "gui/zr_node_events.h"

class ZRNodeManager;
class ZRNodePlaylist;

class ZRNodeTableControls : public ZRActionControls {
 public:
  explicit ZRNodeTableControls(ZRNodeManager* manager);

  void setCaption(int action, int deck, const ZRString& text) override;
  void setPos(int action, int deck, int position, bool notify) override;
  int getPos(int action, int deck, int fallback) override;
  void setMax(int action, int deck, int maximum) override;
  void setRange(int action, int deck, int minimum, int maximum) override;
  void setSwitched(int action, int deck, bool on, bool notify) override;
  bool getSwitched(int action, int deck) override;
  void setMouseOverBlocked(int action, int deck, bool on) override;
  void selectItem(int action, int deck, int index, bool notify) override;
  void openItems(int action, int deck) override;
  void setData(int action, int deck, const float* values, int count, float scale) override;
  void setProgress(int action, int deck, float share) override;
  void setArtwork(int action, int deck, const ZRString& path, const ZRString& imageUrl) override;
  int getZoom(int action, int deck) override;
  void setZoom(int action, int deck, int zoom) override;
  void setItems(int action, int deck, const std::vector<std::pair<ZRString, int>>& items) override;
  void selectByParam(int action, int deck, int param) override;
  void selectByText(int action, int deck, const ZRString& text) override;
  bool getSelected(int action, int deck, ZRString* text, int* param) override;
  void setTableFont(int action, int deck, int step) override;
  void setTableDisplayMode(int action, int deck, int mode) override;
  void expandBrowserSpecialNode(int action, int deck, int specialType, bool expand) override;
  void removeBrowserPlugin(int action, int deck, int pluginId) override;
  bool isNode(const ZRDrawNode* node, int action, int deck) override;
  ZRList* focusedList() override;
  ZRList* sideList() override;
  ZRList* playlistList() override;
  bool playlistHasFocus() override;
  bool pitchWithoutPercent() override;
  void setVideoFader(double position) override;
  int getSelectedIndex(int action, int deck) override;
  int getItemCount(int action, int deck) override;
  void selectIndex(int action, int deck, int index, bool notify) override;
  void moveAsController(int action, int deck, int value) override;
  void setIndicator(int action, int deck, float value) override;

 private:
  ZRDrawNode* node(int action, int deck) const;

  ZRNodeManager* manager_;
  std::atomic<ZRNodePlaylist*> lastFocused_{nullptr};
};

// The drop handler of a deck's display nodes: a track row dragged out of a track table loads into the
// node's deck with the row's key adjustment. Other payloads, and tracks not in the library, are refused;
// with testOnly a track is accepted without loading.
bool FDeck_DropItem(ZRDrawNode* node, ZRDragDropPayload payload, float x, float y, bool testOnly);
// The drop handler of a sampler slot's pad and name: a track row loads into the slot (the node's action
// code) as the load box would load its file. A slot that is recording refuses the drop.
bool FSampler_DropItem(ZRDrawNode* node, ZRDragDropPayload payload, float x, float y, bool testOnly);
