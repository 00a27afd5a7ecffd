#pragma once
// A node table for the user actions without a display: one control per action and deck (the table index
// action + 727 x (deck + 1)), keeping a caption, a position in its range, a switched state, a data row and
// a zoom, and calling the functions of the action table as the skin controls do: a slider's change slot on
// every position change, its track slot only with notification; a switch button's press and release slots
// when switched with notification. Tests read back what the actions showed.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "actions_dj/action_controls.h"
#include "actions_dj/dj_action_table.h"
#include "common/action_ids.h"
#include "common/action_vocabulary.h"

namespace orvel_test {

class TestNodeTable : public ZRActionControls {
 public:
  struct Control {
    std::string caption;
    int position = 0, minimum = -100000, maximum = 100000;
    bool switched = false;
    int dataCount = -1;  // -1: never set; 0: cleared
    int zoom = 0;
    std::string artwork;
    float indicator = 0;
    int captionWrites = 0;
    bool lit = false;                                // a button's blocked mouse-over look
    std::vector<std::pair<std::string, int>> items;  // a drop-down's (text, parameter)
    int selected = -1;                               // the selected item, -1: none
    int tableFont = 0, tableMode = -1;
    std::map<int, bool> expanded;  // the browser's special nodes
    std::vector<int> removedPlugins;
    int opened = 0;
  };

  TestNodeTable() {
    // The ranges the binding gives the controls the tests move.
    for (int deck = 0; deck < 2; ++deck) {
      for (int a : {ACT_deck_eq_low, ACT_deck_eq_mid, ACT_deck_eq_high, ACT_deck_gain})
        range(a, deck, -120, 120, 0);
      range(ACT_deck_volume, deck, 0, 127, 127);
      range(ACT_deck_cutoff_filter, deck, -64, 0, 0);
      range(ACT_deck_pitch, deck, -1600, 1600, 0);
      range(ACT_deck_pitch_key, deck, -48, 48, 0);
      range(ACT_deck_pos, deck, 0, 0, 0);
      at(ACT_sd_deck, deck).zoom = 8;
    }
    for (int a : {ACT_crossfader, ACT_cf_audio, ACT_cf_video, ACT_cf_video_alt}) range(a, -1, 0, 127, 63);
  }

  static int index(int action, int deck) { return action + CACTION_NODE_STRIDE * (deck + 1); }

  Control get(int action, int deck) {
    std::lock_guard guard(lock);
    return controls[index(action, deck)];
  }
  std::string caption(int action, int deck) { return get(action, deck).caption; }

  // A user's move of a slider: position, then the change and track slots.
  void userMoves(int action, int deck, int position) { setPos(action, deck, position, true); }
  // A user's press of a switch button: toggles, then press and release slots.
  void userToggles(int action, int deck) {
    const bool on = !getSwitched(action, deck);
    setSwitched(action, deck, on, true);
  }
  // A user's press of a push button: press slot, then release slot, with value 0.
  void userClicks(int action, int deck) {
    call(action, deck, ZRDjSlot::Press, 0);
    call(action, deck, ZRDjSlot::Release, 0);
  }

  void setCaption(int action, int deck, const ZRString& text) override {
    char utf8[4096];
    text.toUTF8(utf8, sizeof utf8);
    std::lock_guard guard(lock);
    Control& c = controls[index(action, deck)];
    c.caption = utf8;
    ++c.captionWrites;
  }
  void setPos(int action, int deck, int position, bool notify) override {
    int value;
    {
      std::lock_guard guard(lock);
      Control& c = controls[index(action, deck)];
      c.position = std::clamp(position, c.minimum, c.maximum);
      value = c.position;
    }
    call(action, deck, ZRDjSlot::Change, value);
    if (notify) call(action, deck, ZRDjSlot::Track, value);
  }
  int getPos(int action, int deck, int fallback) override {
    std::lock_guard guard(lock);
    auto it = controls.find(index(action, deck));
    return it == controls.end() ? fallback : it->second.position;
  }
  void setMax(int action, int deck, int maximum) override {
    std::lock_guard guard(lock);
    controls[index(action, deck)].maximum = maximum;
  }
  void setRange(int action, int deck, int minimum, int maximum) override {
    std::lock_guard guard(lock);
    range(action, deck, minimum, maximum, controls[index(action, deck)].position);
  }
  void setItems(int action, int deck, const std::vector<std::pair<ZRString, int>>& items) override {
    std::lock_guard guard(lock);
    Control& c = controls[index(action, deck)];
    c.items.clear();
    for (const auto& [text, param] : items) c.items.emplace_back(text.utf8(), param);
  }
  void selectByParam(int action, int deck, int param) override {
    std::lock_guard guard(lock);
    Control& c = controls[index(action, deck)];
    select(c, [&](const std::pair<std::string, int>& item) { return item.second == param; });
  }
  void selectByText(int action, int deck, const ZRString& text) override {
    std::lock_guard guard(lock);
    Control& c = controls[index(action, deck)];
    const std::string wanted = text.utf8();
    select(c, [&](const std::pair<std::string, int>& item) { return item.first == wanted; });
  }
  bool getSelected(int action, int deck, ZRString* text, int* param) override {
    const Control c = get(action, deck);
    if (c.selected < 0 || c.selected >= static_cast<int>(c.items.size())) return false;
    if (text != nullptr) *text = ZRString(c.items[c.selected].first.c_str());
    if (param != nullptr) *param = c.items[c.selected].second;
    return true;
  }
  void setTableFont(int action, int deck, int step) override {
    std::lock_guard guard(lock);
    controls[index(action, deck)].tableFont = step;
  }
  void setTableDisplayMode(int action, int deck, int mode) override {
    std::lock_guard guard(lock);
    controls[index(action, deck)].tableMode = mode;
  }
  void expandBrowserSpecialNode(int action, int deck, int special, bool expand) override {
    std::lock_guard guard(lock);
    controls[index(action, deck)].expanded[special] = expand;
  }
  void removeBrowserPlugin(int action, int deck, int pluginId) override {
    std::lock_guard guard(lock);
    controls[index(action, deck)].removedPlugins.push_back(pluginId);
  }
  void setSwitched(int action, int deck, bool on, bool notify) override {
    {
      std::lock_guard guard(lock);
      controls[index(action, deck)].switched = on;
    }
    if (notify) {
      call(action, deck, ZRDjSlot::Press, on ? 1 : 0);
      call(action, deck, ZRDjSlot::Release, on ? 1 : 0);
    }
  }
  bool getSwitched(int action, int deck) override { return get(action, deck).switched; }
  void setMouseOverBlocked(int action, int deck, bool on) override {
    std::lock_guard guard(lock);
    controls[index(action, deck)].lit = on;
  }
  // The actions select without notification and run the list's action themselves.
  void selectItem(int action, int deck, int item, bool) override {
    std::lock_guard guard(lock);
    controls[index(action, deck)].selected = item;
  }
  void openItems(int action, int deck) override {
    std::lock_guard guard(lock);
    ++controls[index(action, deck)].opened;
  }
  void setData(int action, int deck, const float*, int count, float) override {
    std::lock_guard guard(lock);
    controls[index(action, deck)].dataCount = count;
  }
  void setProgress(int action, int deck, float share) override {
    std::lock_guard guard(lock);
    controls[index(action, deck)].position = static_cast<int>(share * 1000.0f);
  }
  void setArtwork(int action, int deck, const ZRString& path, const ZRString&) override {
    char utf8[4096];
    path.toUTF8(utf8, sizeof utf8);
    std::lock_guard guard(lock);
    controls[index(action, deck)].artwork = utf8;
  }
  int getZoom(int action, int deck) override { return get(action, deck).zoom; }
  void setZoom(int action, int deck, int zoom) override {
    std::lock_guard guard(lock);
    controls[index(action, deck)].zoom = zoom;
  }
  bool isNode(const ZRDrawNode* node, int action, int deck) override {
    return node != nullptr && reinterpret_cast<intptr_t>(node) == index(action, deck);
  }
  // The stand-in node pointer of a control (never dereferenced by the actions).
  static ZRDrawNode* node(int action, int deck) { return reinterpret_cast<ZRDrawNode*>(index(action, deck)); }
  ZRList* focusedList() override { return focused; }
  ZRList* sideList() override { return side; }
  ZRList* playlistList() override { return playlist; }
  bool playlistHasFocus() override { return playlistFocused; }
  bool pitchWithoutPercent() override { return false; }
  void setVideoFader(double position) override { videoFader = position; }
  int getSelectedIndex(int action, int deck) override { return get(action, deck).selected; }
  int getItemCount(int action, int deck) override { return static_cast<int>(get(action, deck).items.size()); }
  void selectIndex(int action, int deck, int item, bool notify) override {
    {
      std::lock_guard guard(lock);
      Control& c = controls[index(action, deck)];
      if (item < 0 || item >= static_cast<int>(c.items.size())) return;
      c.selected = item;
      c.caption = c.items[item].first;
    }
    if (notify) call(action, deck, ZRDjSlot::Select, item);
  }
  // As the skin's slider takes a controller's control change: 0..127 over its range, rounded.
  void moveAsController(int action, int deck, int value) override {
    int minimum, maximum;
    {
      std::lock_guard guard(lock);
      const Control& c = controls[index(action, deck)];
      minimum = c.minimum;
      maximum = c.maximum;
    }
    setPos(action, deck,
           minimum + static_cast<int>(std::lrint(static_cast<double>(maximum - minimum) * value / 127.0)),
           true);
  }
  void setIndicator(int action, int deck, float value) override {
    std::lock_guard guard(lock);
    controls[index(action, deck)].indicator = value;
  }
  // Gives a control a range and position (as the binding does).
  void setRange(int action, int deck, int minimum, int maximum, int position) {
    std::lock_guard guard(lock);
    range(action, deck, minimum, maximum, position);
  }

  ZRList* focused = nullptr;
  std::atomic<double> videoFader{0.5};
  ZRList* side = nullptr;
  ZRList* playlist = nullptr;
  bool playlistFocused = false;

 private:
  void range(int action, int deck, int minimum, int maximum, int position) {
    Control& c = controls[index(action, deck)];
    c.minimum = minimum;
    c.maximum = maximum;
    c.position = std::clamp(position, minimum, maximum);
  }
  // The first matching item, as a drop-down selects (none: -1).
  template <typename Match>
  static void select(Control& c, Match match) {
    c.selected = -1;
    for (int i = 0; i < static_cast<int>(c.items.size()); ++i) {
      if (match(c.items[i])) {
        c.selected = i;
        return;
      }
    }
  }
  Control& at(int action, int deck) { return controls[index(action, deck)]; }
  void call(int action, int deck, ZRDjSlot slot, int value) {
    if (const ZRDjActionBinding* row = findDjActionBinding(action, slot)) {
      row->function(value, row->param, deck, node(action, deck));
    }
  }

  std::mutex lock;
  std::map<int, Control> controls;
};

}  // namespace orvel_test
