#pragma once
// The skin controls as the user actions see them: addressed by action id (common/action_ids.h) and deck
// (-1 global, 0 or 1), the same key as the node table (index = action + 727 x (deck + 1)). The actions
// write their results straight into controls through this view and read the few positions they need; the
// window side installs the implementation over its node table, tests install their own. A control the
// skin does not have is skipped (getters answer the fallback).
//
// The semantics every implementation keeps (they are the controls' own):
// - setPos clamps to the control's range and always runs the slider's change slot (so the engine follows),
//   its track slot only with notify;
// - setSwitched only acts on a switch button; with notify it runs the button's press and release slots;
// - texts and positions may be written from the main thread and from the render thread (GUI tick, MIDI,
//   scripts).
//
// Without an installed view every write goes nowhere: the engine-side effect of an action does not depend
// on it.

#include <memory>
#include <utility>
#include <vector>

#include "common/zr_string.h"

class ZRDrawNode;
class ZRList;

class ZRActionControls {
 public:
  virtual ~ZRActionControls() = default;
  virtual void setCaption(int action, int deck, const ZRString& text) = 0;
  virtual void setPos(int action, int deck, int position, bool notify) = 0;
  virtual int getPos(int action, int deck, int fallback) = 0;
  virtual void setMax(int action, int deck, int maximum) = 0;
  // The slider's range; the position is clamped into it without running any slot.
  virtual void setRange(int action, int deck, int minimum, int maximum) = 0;
  virtual void setSwitched(int action, int deck, bool on, bool notify) = 0;
  virtual bool getSwitched(int action, int deck) = 0;
  // A button's lit look without pressing it (the selected hot cue, a playing deck's PLAY).
  virtual void setMouseOverBlocked(int action, int deck, bool on) = 0;
  // Drop-down lists: selects the item at index (with notify its slots run); opens the list for a choice.
  virtual void selectItem(int action, int deck, int index, bool notify) = 0;
  virtual void openItems(int action, int deck) = 0;
  // The data row drawn inside a slider (null clears it).
  virtual void setData(int action, int deck, const float* values, int count, float scale) = 0;
  // A share 0..1 of a rounded progress ring.
  virtual void setProgress(int action, int deck, float share) = 0;
  // Artwork of an image node or jog wheel; an empty path and url clear it.
  virtual void setArtwork(int action, int deck, const ZRString& path, const ZRString& imageUrl) = 0;
  // Zoom of a waveform display (0 when the skin has none).
  virtual int getZoom(int action, int deck) = 0;
  virtual void setZoom(int action, int deck, int zoom) = 0;
  // Drop-down lists: items of (text, parameter); selecting writes the selection and caption without running
  // the list's slots. getSelected is false when nothing is selected.
  virtual void setItems(int action, int deck, const std::vector<std::pair<ZRString, int>>& items) = 0;
  virtual void selectByParam(int action, int deck, int param) = 0;
  virtual void selectByText(int action, int deck, const ZRString& text) = 0;
  virtual bool getSelected(int action, int deck, ZRString* text, int* param) = 0;
  // Track tables: the font size step (absolute) and the display mode.
  virtual void setTableFont(int action, int deck, int step) = 0;
  virtual void setTableDisplayMode(int action, int deck, int mode) = 0;
  // The browser tree: a special list's node expanded or collapsed, and a plug-in's node removed.
  virtual void expandBrowserSpecialNode(int action, int deck, int specialType, bool expand) = 0;
  virtual void removeBrowserPlugin(int action, int deck, int pluginId) = 0;
  // Whether node is the control of action and deck.
  virtual bool isNode(const ZRDrawNode* node, int action, int deck) = 0;
  // The list shown by the track table or side list that last had the keyboard focus (null: none).
  virtual ZRList* focusedList() = 0;
  // The list shown by the side list (null: none).
  virtual ZRList* sideList() = 0;
  // The list shown by the main track table, and whether that table has the keyboard focus now.
  virtual ZRList* playlistList() = 0;
  virtual bool playlistHasFocus() = 0;
  // Whether the skin asks for pitch texts without "%".
  virtual bool pitchWithoutPercent() = 0;
  // The video crossfader, 0..1 (deck A's picture at 0), which the video output reads.
  virtual void setVideoFader(double position) = 0;
  // Drop-downs by position: the selected item (-1: none or no such control), the number of items, and a
  // selection (ignored outside the items; with notify the list's after-change slot runs with the index).
  virtual int getSelectedIndex(int action, int deck) = 0;
  virtual int getItemCount(int action, int deck) = 0;
  virtual void selectIndex(int action, int deck, int index, bool notify) = 0;
  // A slider moved as a controller's control change (value 0..127 over the slider's range, rounded) would
  // move it: its change and track slots run.
  virtual void moveAsController(int action, int deck, int value) = 0;
  // A beat indicator: the lit beat 0..3 of a beat position, the signed share -1..1 of a beat difference.
  virtual void setIndicator(int action, int deck, float value) = 0;
};

// The installed view (never null: a view that ignores everything when none is installed). The returned
// pointer stays usable until the next install.
ZRActionControls& actionControls();
// Installs view (null: the view that ignores everything). Main thread, before the actions run.
void installActionControls(std::shared_ptr<ZRActionControls> view);
