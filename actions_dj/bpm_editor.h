#pragma once
// What the tempo editor of a deck decides, without the dialog: the tempo tapped on its button, the value
// typed in its field, and what OK gives the deck. The dialog (main_dj) shows it and feeds it the clicks.
//
// Numbers are read and written with '.' as the decimal point whatever the user's locale: the field shows
// "124.00" and reads it back as 124, also under a decimal-comma locale.
//
// OK applies only to the track that was in the deck when the editor opened: a deck that loaded another
// track (or was emptied) meanwhile is left alone.
//
// Threads: main thread (the dialog's events); FEditSongBPM from any thread (the dialogs' implementation
// opens the editor on the main thread).

#include <cstdint>
#include <string>

#include "common/zr_string.h"

class ZRDrawNode;

// Taps on the tap button: the mean tempo over the taps since the sequence began. A pause of 1501 ms or
// more starts a new sequence at that tap (tempo 0), as does the first tap. A tap in the same millisecond
// as the first of its sequence is not counted (it would divide by zero): the tempo shown stays.
class ZRTapTempo {
 public:
  static constexpr int64_t kRestartMs = 1501;
  // stampMs: a monotonic clock in whole milliseconds. Returns the tempo to show.
  float tap(int64_t stampMs);
  int count() const { return count_; }

 private:
  int count_ = 0;
  int64_t first_ = 0, last_ = 0;
  float shown_ = 0.0f;
};

// The tempo modes of the editor's radio box.
enum ZRBpmEditorMode : int {
  kBpmManual = 0,
  kBpmAuto75To150 = 1,
  kBpmAutoBelow100 = 2,
  kBpmAutoAbove100 = 3
};

// The field's text for a tempo: "%.2f" (C locale) strictly between 45 and 180, else "000.0".
std::string bpmFieldText(float bpm);
// The leading number of the field's text, C locale (text without one reads 0).
double bpmFieldValue(const std::string& text);
// What OK gives the deck's SetForceLockBPM: the typed tempo in manual mode when it differs from the tempo
// shown at opening and lies strictly between 45 and 180; -1, -2, -3 for the automatic modes; 0: nothing.
float bpmEditorResult(int mode, const std::string& fieldText, float bpmAtOpen);

// The editor's deck state at opening, and OK: applies the result to decks[deck] when that deck still holds
// the track it held at opening (by path). Returns whether the deck was told.
struct ZRBpmEditorOpening {
  int deck = -1;
  float bpmAtOpen = 0.0f;
  ZRString track;
};
// The opening state of deck (0 or 1): its tempo rounded as the field shows it, and its track.
ZRBpmEditorOpening bpmEditorOpen(int deck);
// bpmEditorResult for the deck now holding trackNow: 0 when that is not the track of the opening.
float bpmEditorDecision(const ZRBpmEditorOpening& opening, const ZRString& trackNow, int mode,
                        const std::string& fieldText);
bool bpmEditorApply(const ZRBpmEditorOpening& opening, int mode, const std::string& fieldText);

// The deck's tempo control: opens the editor for deck (logs the call).
void FEditSongBPM(int value, int param, int deck, ZRDrawNode* node);
