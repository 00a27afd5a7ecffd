#pragma once
// CCatchEventsDialog: the one dialog class behind the tempo editor, the column order dialog and the other
// dialogs whose controls have fixed window ids. The dialog knows none of the layouts: one static event
// table sends every event of a kind, whatever control raised it, to one handler per kind, and that handler
// looks up what the control's window id does in a table of routes each dialog's module fills once
// (addDialogRoute). The layouts' ids do not overlap, so one table serves every dialog; an id without a
// route is ignored. A route answers whether the event is passed on to the toolkit's own handling (for a
// button: the dialog's handling of the stock ids) or kept. Ignored events of sliders, buttons, pickers,
// list boxes and double clicks are passed on; ignored text, radio and check box events are kept.
//
// Closing: the open tempo editor (EditBPMWindow_dialog) is forgotten first; a modal dialog then lets the
// toolkit end its modal loop (as Cancel), a modeless one destroys itself.
//
// Threads: main thread only, like every toolkit call.

#include <wx/dialog.h>

#include <functional>

#include "actions_dj/bpm_editor.h"
#include "common/zr_string.h"

class ZRNodePlaylist;
class wxColourPickerEvent;
class wxFontPickerEvent;
class wxTextCtrl;

enum class ZRDialogEventKind : int {
  Slider,  // every scroll event of a slider
  Button,
  Text,
  RadioButton,
  RadioBox,
  CheckBox,
  FontPicker,
  ColourPicker,
  CheckListBox,
  ListBox,
  ListBoxDClick,
  Count
};

class CCatchEventsDialog : public wxDialog {
 public:
  // Openers pass the main window as parent, id -1 and the window name "-".
  CCatchEventsDialog(wxWindow* parent, wxWindowID id, const wxString& title,
                     const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                     long style = wxDEFAULT_DIALOG_STYLE, const wxString& name = "-");
  ~CCatchEventsDialog() override;

  // The tempo editor's state: its deck (-1 unset), the tempo and the track it showed at opening, the value
  // field once found, the tap sequence, and the field's text last accepted.
  int deckIndex = -1;
  float bpmAtOpen = 0.0f;
  ZRString trackAtOpen;
  wxTextCtrl* bpmTextCtrl = nullptr;
  ZRTapTempo taps;
  wxString lastAcceptedText;
  // The track table the column order dialog edits (borrowed; null unless that dialog set it).
  ZRNodePlaylist* playlistNode = nullptr;

  void OnSlider(wxScrollEvent& event);
  void OnButton(wxCommandEvent& event);
  void OnText(wxCommandEvent& event);
  void OnRadioButton(wxCommandEvent& event);
  void OnRadioBox(wxCommandEvent& event);
  void OnCheckBox(wxCommandEvent& event);
  void OnFontPicker(wxFontPickerEvent& event);
  void OnColourPicker(wxColourPickerEvent& event);
  void OnCheckListBox(wxCommandEvent& event);
  void OnListBox(wxCommandEvent& event);
  void OnListBoxDClick(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);

 private:
  void route(ZRDialogEventKind kind, wxCommandEvent& event);
  wxDECLARE_EVENT_TABLE();
};

// The open tempo editor, null when none is open.
extern CCatchEventsDialog* EditBPMWindow_dialog;

// What the events of kind from the control windowId do; true passes the event on. A later route for the
// same kind and id replaces the earlier one.
using ZRDialogRoute = std::function<bool(CCatchEventsDialog& dialog, wxCommandEvent& event)>;
void addDialogRoute(ZRDialogEventKind kind, int windowId, ZRDialogRoute route);
