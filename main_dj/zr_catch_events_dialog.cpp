#include "main_dj/zr_catch_events_dialog.h"

#include <wx/checklst.h>
#include <wx/clrpicker.h>
#include <wx/fontpicker.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/radiobut.h>
#include <wx/slider.h>
#include <wx/textctrl.h>

#include <array>
#include <map>

CCatchEventsDialog* EditBPMWindow_dialog = nullptr;

namespace {

constexpr size_t kKinds = static_cast<size_t>(ZRDialogEventKind::Count);

std::array<std::map<int, ZRDialogRoute>, kKinds>& routes() {
  static std::array<std::map<int, ZRDialogRoute>, kKinds> table;
  return table;
}

// Whether an event of kind that no route takes goes on to the toolkit.
bool passedOnWhenIgnored(ZRDialogEventKind kind) {
  switch (kind) {
    case ZRDialogEventKind::Text:
    case ZRDialogEventKind::RadioButton:
    case ZRDialogEventKind::RadioBox:
    case ZRDialogEventKind::CheckBox:
      return false;
    default:
      return true;
  }
}

}  // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(CCatchEventsDialog, wxDialog)
  EVT_COMMAND_SCROLL(wxID_ANY, CCatchEventsDialog::OnSlider)
  EVT_BUTTON(wxID_ANY, CCatchEventsDialog::OnButton)
  EVT_TEXT(wxID_ANY, CCatchEventsDialog::OnText)
  EVT_RADIOBUTTON(wxID_ANY, CCatchEventsDialog::OnRadioButton)
  EVT_RADIOBOX(wxID_ANY, CCatchEventsDialog::OnRadioBox)
  EVT_CHECKBOX(wxID_ANY, CCatchEventsDialog::OnCheckBox)
  EVT_FONTPICKER_CHANGED(wxID_ANY, CCatchEventsDialog::OnFontPicker)
  EVT_COLOURPICKER_CHANGED(wxID_ANY, CCatchEventsDialog::OnColourPicker)
  EVT_CHECKLISTBOX(wxID_ANY, CCatchEventsDialog::OnCheckListBox)
  EVT_LISTBOX(wxID_ANY, CCatchEventsDialog::OnListBox)
  EVT_LISTBOX_DCLICK(wxID_ANY, CCatchEventsDialog::OnListBoxDClick)
  EVT_CLOSE(CCatchEventsDialog::OnClose)
wxEND_EVENT_TABLE()
    // clang-format on

    CCatchEventsDialog::CCatchEventsDialog(wxWindow* parent, wxWindowID id, const wxString& title,
                                           const wxPoint& pos, const wxSize& size, long style,
                                           const wxString& name)
    : wxDialog(parent, id, title, pos, size, style, name) {}

CCatchEventsDialog::~CCatchEventsDialog() {
  // Destroyed with its parent (the main window closing) the editor must not stay remembered.
  if (EditBPMWindow_dialog == this) EditBPMWindow_dialog = nullptr;
}

void addDialogRoute(ZRDialogEventKind kind, int windowId, ZRDialogRoute route) {
  routes()[static_cast<size_t>(kind)][windowId] = std::move(route);
}

void CCatchEventsDialog::route(ZRDialogEventKind kind, wxCommandEvent& event) {
  const auto& table = routes()[static_cast<size_t>(kind)];
  const auto found = table.find(event.GetId());
  const bool passOn = found == table.end() ? passedOnWhenIgnored(kind) : found->second(*this, event);
  event.Skip(passOn);
}

void CCatchEventsDialog::OnSlider(wxScrollEvent& event) {
  route(ZRDialogEventKind::Slider, event);
}
void CCatchEventsDialog::OnButton(wxCommandEvent& event) {
  route(ZRDialogEventKind::Button, event);
}
void CCatchEventsDialog::OnText(wxCommandEvent& event) {
  route(ZRDialogEventKind::Text, event);
}
void CCatchEventsDialog::OnRadioButton(wxCommandEvent& event) {
  route(ZRDialogEventKind::RadioButton, event);
}
void CCatchEventsDialog::OnRadioBox(wxCommandEvent& event) {
  route(ZRDialogEventKind::RadioBox, event);
}
void CCatchEventsDialog::OnCheckBox(wxCommandEvent& event) {
  route(ZRDialogEventKind::CheckBox, event);
}
void CCatchEventsDialog::OnFontPicker(wxFontPickerEvent& event) {
  route(ZRDialogEventKind::FontPicker, event);
}
void CCatchEventsDialog::OnColourPicker(wxColourPickerEvent& event) {
  route(ZRDialogEventKind::ColourPicker, event);
}
void CCatchEventsDialog::OnCheckListBox(wxCommandEvent& event) {
  route(ZRDialogEventKind::CheckListBox, event);
}
void CCatchEventsDialog::OnListBox(wxCommandEvent& event) {
  route(ZRDialogEventKind::ListBox, event);
}
void CCatchEventsDialog::OnListBoxDClick(wxCommandEvent& event) {
  route(ZRDialogEventKind::ListBoxDClick, event);
}

void CCatchEventsDialog::OnClose(wxCloseEvent& event) {
  if (EditBPMWindow_dialog == this) EditBPMWindow_dialog = nullptr;
  if (IsModal()) {
    event.Skip();  // the toolkit ends the modal loop as Cancel
    return;
  }
  Destroy();
}
