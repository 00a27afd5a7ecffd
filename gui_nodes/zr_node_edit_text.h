#pragma once
// ZRNodeEditText: the skin control of the element tag "editarea" (element type 10): a one-line text entry
// drawn by the skin engine, with a blinking caret, keyboard focus and an optional auto-enter mode in which
// a one-second pause in typing acts as Enter (the search box).
//
// The text holds at most kMaxLength UTF-16 units (the caret table has one boundary more): typing beyond it
// is refused and a longer caption is cut. Only characters are typed: the special keys (arrows, Insert, the
// function keys, ...) and control characters never become text.
//
// Threads: input (executeAction, setCaption, setAllowAutoEnter) comes from the main thread, and setCaption
// and setAllowAutoEnter also from the render thread (bindings run from the GUI tick); the render thread
// measures, blinks and draws. The text, caret and timers sit behind the node's own lock; measuring runs
// outside it. Slots run on the main thread: the auto-enter key, which the render thread's frame detects,
// is posted there, where the search it starts may run.

#include <mutex>
#include <vector>

#include "common/zr_value_codecs.h"
#include "gui/zr_draw_node.h"
#include "gui_nodes/zr_control_support.h"

class ZRNodeEditText : public ZRDrawNode {
 public:
  // The key slot: (key, modifiers, node) for Up, Down, Enter, Esc and Tab, and (Enter, 0, node) when an
  // auto-enter pause expires.
  using KeyCallback = void (*)(int key, int modifiers, ZRDrawNode* node);

  // Action slots of ZRActionCallback shape: text and focus events, called with 1 after every insertion or
  // removal and then 2; 2 from setCaption when the text changed; 16 on focus gained and 32 on focus lost
  // (with the event's deck argument, -1).
  enum Slot : int { SlotTextEvents = 0, SlotCount };
  enum TextEvent : int { TextChanging = 1, TextChanged = 2, FocusGained = 16, FocusLost = 32 };

  static constexpr int kMaxLength = 256;
  static constexpr float kBlinkPeriod = 0.5f;
  static constexpr double kAutoEnterSeconds = 1.0;

  ZRNodeEditText(ZRNodeManager* manager, float scale, int id, int deck);

  // Base attributes, then transparent, backcolor, fontcolor, fontname, fontsize, fontalign, fontstyle; the
  // caret is hidden and put at the end of the text, which is drawn again.
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;
  bool canHaveKBFocus() override { return true; }
  bool canPassUntreatedKBEvents() override { return false; }

  void setKeySlot(KeyCallback fn) { keySlot_ = fn; }
  // A different text replaces the current one (cut to kMaxLength) and is reported (event 2); the caret
  // goes to its end at the next frame.
  void setCaption(const ZRString& text);
  ZRString getCaption() const;
  void setAllowAutoEnter(bool on);
  void hideCursor();
  // Inserts the character of a code point at a caret index (a special key or a control character is not
  // a character and changes nothing).
  void addChar(int code, int index);
  // Index 0 puts the text in front, the length appends, an index between splices it in; any other index,
  // or a result longer than kMaxLength, changes nothing.
  void addString(const ZRString& text, int index);
  // Removes the character at index (both units of a surrogate pair); the caret moves back over it when
  // before is true (Backspace) and stays otherwise (Delete).
  void removeChar(bool before, int index);
  void computeStringSizeAfterChar();

  // Whether a key code is typed as text.
  static bool isTextCharacter(int code);

  // For tests.
  int getCaretIndex() const;
  bool isCaretVisible() const;
  std::vector<float> getCaretPositions() const;

 private:
  // The boundaries of text with this node's font (no lock held).
  std::vector<float> measureBoundaries(const ZRString& text) const;
  // Recomputes the boundaries of the current text and installs them unless the text changed meanwhile.
  void refreshBoundaries();
  void showCaretNow();  // lock held
  void edited();        // lock not held: slot 1 with events 1 and 2
  void caretFromPress(float x);
  void moveCaret(int to);
  void fireAutoEnter();

  mutable std::mutex lock_;
  ZRString text_;
  int textVersion_ = 0;
  bool textDirty_ = true;
  std::vector<float> boundaries_{0};
  int caret_ = 0;
  bool caretVisible_ = false;
  float blinkTimer_ = -1;
  bool redraw_ = true;
  bool autoEnterAllowed_ = false;
  double autoEnterTimer_ = -1;
  float textWidth_ = 4, textHeight_ = 0;

  ZRCaptionStyle style_;  // under lock_

  // Render thread: where the text part is drawn, from the render position.
  float drawOffsetX_ = 0, drawOffsetY_ = 0;

  KeyCallback keySlot_ = nullptr;
  ZRLifeToken life_;
};
