#pragma once
// ZRNodeHint: the skin's tooltip bubble. The node manager owns exactly one, lays it out through setHint,
// places and shows it over the node under the pointer and draws it on top of everything; the bubble hides
// itself 3 seconds after the last setHint. Clicks on the visible bubble are swallowed.
//
// Threads: the manager calls setHint and setFontSize on the main thread under its tree lock, and the render
// thread draws the bubble under the same lock, so the bubble's fields need no lock of their own.

#include "common/zr_value_codecs.h"
#include "gui/zr_node_classes.h"

class ZRNodeHint : public ZRNodeHintBase {
 public:
  ZRNodeHint(ZRNodeManager* manager, float scale);

  // Base attributes, then backcolor, fontcolor and fontsize (used when above 0); the bubble is drawn again.
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  // Codes 0 to 5 are swallowed (true); every other code is not handled.
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

  // A different text is measured and the bubble laid out around it, hidden, at its current place (white on
  // translucent black, above everything); any text restarts the 3-second display timer.
  void setHint(const ZRString& text) override;
  // The manager's font size at skin load.
  void setFontSize(float size) override { setHintFontSize(size); }
  // Font size, with margins of 0.6 and 0.4 times it.
  void setHintFontSize(float size);

  float getMarginX() const { return marginX_; }
  float getMarginY() const { return marginY_; }
  float getDisplayTimer() const { return displayTimer_; }

  static constexpr float kDisplaySeconds = 3;

 private:
  ZRColorFloat backColor_;
  ZRColorFloat fontColor_;
  ZRString fontName_{"Arial"};
  float fontSize_ = 10;
  textStyle fontStyle_ = textStyleInvalid;
  float marginX_ = 6, marginY_ = 4;
  float textHeight_ = 0;
  bool dirty_ = true;
  float displayTimer_ = -1;
};
