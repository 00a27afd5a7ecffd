#pragma once
// ZRNodeButton: the skin control of the element tag "button" (element type 1). A push button or a switch
// (toggle) button drawn from parts of the skin image, optionally with a caption drawn as text. It turns
// mouse presses, MIDI messages and keyboard or MIDI shortcuts into calls of its five action slots; the
// shell drives its state and caption through the setters.
//
// Threads: mouse events and most setters run on the main thread; MIDI and controller-script events and the
// GUI tick's setters run on the render thread, which also draws the node. The switch state and flags are
// atomics and the caption sits behind its own lock, so both threads may set them at any time; slots run on
// the thread of the event (toolkit calls a slot makes go through runOnMainThread).

#include <atomic>

#include "common/zr_value_codecs.h"
#include "gui/zr_draw_node.h"
#include "gui_nodes/zr_control_support.h"

class ZRNodeButton : public ZRDrawNode {
 public:
  // Action slots, in this order; each is called with (switched state after any toggle, actionCode, deck,
  // node).
  enum Slot : int {
    SlotPress = 0,
    SlotRelease,
    SlotRightPress,
    SlotRightRelease,
    SlotDoubleClick,
    SlotCount
  };

  // One keyboard and one MIDI shortcut slot, learnable; no double-click detection.
  ZRNodeButton(ZRNodeManager* manager, float scale, int id, int deck);

  // Base attributes, then isswitch, showlabel, transparent, backcolor, fontcolor, fontcolorpressed,
  // fontcolorswitched, mouseoverdisabled, fontname, fontsize, fontalign, fontstyle and caption; afterwards
  // the node is configured and its caption is drawn again. (Badge attributes are not read: nothing in the
  // system chooses a badge to show.)
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

  // Turns the label on; a different text replaces the caption.
  void setCaption(const ZRString& text);
  ZRString getCaption() const { return caption_.get(); }
  // Sets switch mode and clears the switched state.
  void setSwitchMode(bool on);
  bool getSwitchMode() const { return switchMode_.load(); }
  // In switch mode, or while the node is not shown, stores the state and with notify calls press and then
  // release with it; a shown push button clears its state instead and calls nothing.
  void setSwitched(bool state, bool notify);
  // The switched state; false for a shown push button.
  bool getSwitched() const;
  // While on, the mouse-over picture shows whether or not the pointer is over the button.
  void setMouseOverBlocked(bool on) { mouseOverForced_.store(on); }
  bool isLabelShown() const { return labelShown_.load(); }

 private:
  // Toggles in switch mode, then calls the slot with the state.
  void pressWithToggle(int slot);
  void callWithState(int slot);
  void markCaptionDirty();

  std::atomic<bool> switchMode_{false};
  std::atomic<bool> switched_{false};
  std::atomic<bool> mouseOverForced_{false};
  bool mouseOverEnabled_ = true;
  std::atomic<bool> labelShown_{false};
  std::atomic<bool> configured_{false};
  ZRCaptionStyle style_{false, {}, {}, ZRString("Arial"), 12, textAlignCenter, textStyleInvalid};
  ZRColorFloat fontColorPressed_;
  ZRColorFloat fontColorSwitched_;
  ZRGuardedText caption_;
  // The colour the caption texture was last drawn in: a state change by MIDI or a setter redraws it too.
  ZRColorFloat drawnColor_{-1, -1, -1, -1};
};
