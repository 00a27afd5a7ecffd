#pragma once
// The singer-name dialog: asked when a song joins the karaoke rotation. A name field (window id 3000) that
// completes from the singer history: F5 turns the typed start into the first stored name (in alphabetical
// order) beginning with it, ignoring case, and each further F5 into the next such name. (The toolkit's own
// completion pop-up is not used: it keeps a pointer grab that outlives the dialog.) A key field (id 3001,
// -12 to 12 semitones in the given step, two decimals, arrow keys, wrapping), and OK, Cancel and "Clear
// Singers" (id 5102: empties the history and the completion list, and says so).
//
// OK adds the name to the history (which saves it at once) and ends the dialog with 5100; the caller reads
// the name and the key adjustment back and builds the row itself. Cancel or closing the window adds
// nothing.
//
// installSingerNameDialog makes the track tables ask with this dialog (gui_nodes/zr_singer_prompt.h).
//
// Threads: main thread only (modal).

#include <wx/dialog.h>

#include <vector>

#include "common/zr_string.h"

class ZRSingerNameHistory;
class wxSpinCtrlDouble;
class wxTextCtrl;

class ZRSingerNameDialog : public wxDialog {
 public:
  enum : int { kNameFieldId = 3000, kKeyFieldId = 3001 };

  // style: wxOK, wxCANCEL and wxCENTRE as the callers pass them (the field gets the rest of it).
  ZRSingerNameDialog(wxWindow* parent, const ZRString& name, double keyAdjust, double keyStep,
                     const ZRString& message, const ZRString& caption, long style,
                     const wxPoint& position = wxDefaultPosition);
  // The history the dialog completes from and adds to (default: the process-wide one).
  void setHistory(ZRSingerNameHistory* history) { history_ = history; }

  // Fills the name field's completion list from the history (in completion order).
  void applyAutocomplete();
  int ShowModal() override;
  bool TransferDataToWindow() override;
  bool TransferDataFromWindow() override;

  const ZRString& getName() const { return name_; }
  double getKeyAdjust() const { return keyAdjust_; }

 private:
  void OnOK(wxCommandEvent& event);
  void OnClearSingersButton(wxCommandEvent& event);
  void OnNameKey(wxKeyEvent& event);
  ZRSingerNameHistory& history();

  ZRString name_;
  double keyAdjust_ = 0;
  long style_ = 0;
  wxTextCtrl* nameField_ = nullptr;
  wxSpinCtrlDouble* keyField_ = nullptr;
  ZRSingerNameHistory* history_ = nullptr;
  std::vector<ZRString> completions_;
  // The start F5 completes, and the completion it gave last (empty: none yet).
  ZRString completedFrom_, completedTo_;

  wxDECLARE_EVENT_TABLE();
};

// Makes the singer prompt of the track tables show this dialog over parent.
void installSingerNameDialog(wxWindow* parent);
