#include "gui/zr_preferences_dialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/ctrlsub.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/slider.h>
#include <wx/textctrl.h>
#include <wx/textentry.h>
#include <wx/thread.h>

#include <cstdio>
#include <string>

namespace {

ZRString toZRString(const wxString& text) {
  return ZRString(std::string(text.utf8_str()));
}

}  // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(ZRPreferencesDialog, wxDialog)
  EVT_SLIDER(wxID_ANY, ZRPreferencesDialog::OnSlider)
  EVT_BUTTON(wxID_ANY, ZRPreferencesDialog::OnButton)
  EVT_TEXT(wxID_ANY, ZRPreferencesDialog::OnText)
  EVT_RADIOBOX(wxID_ANY, ZRPreferencesDialog::OnRadioBox)
  EVT_CHECKBOX(wxID_ANY, ZRPreferencesDialog::OnCheckBox)
  EVT_CHOICE(wxID_ANY, ZRPreferencesDialog::OnChoice)
  EVT_LISTBOX(wxID_ANY, ZRPreferencesDialog::OnListBox)
  EVT_CLOSE(ZRPreferencesDialog::OnClose)
  EVT_ACTIVATE(ZRPreferencesDialog::OnActivate)
wxEND_EVENT_TABLE()
    // clang-format on

    ZRPreferencesDialog::ZRPreferencesDialog(wxWindow* parent, wxWindowID id, const wxString& title,
                                             const wxPoint& pos, const wxSize& size, long style,
                                             const wxString& name)
    : wxDialog(parent, id, title, pos, size, style, name) {}

void ZRPreferencesDialog::preferenceHasChanged(const char* key, ZRPreferences::NotificationSource source) {
  showChange(key, source);
}

void ZRPreferencesDialog::updateDialogControl(const Setting& setting, int intValue,
                                              const ZRString& textValue) {
  const wxString text = wxString::FromUTF8(textValue.utf8());
  if (wxIsMainThread()) {
    showInControl(setting.controlId, setting.guiType, intValue, text);
    return;
  }
  // Settings driven by MIDI or controller scripts change on the render thread; the toolkit's
  // controls may only be touched on the main thread.
  const int controlId = setting.controlId;
  const PreferenceGuiType guiType = setting.guiType;
  CallAfter(
      [this, controlId, guiType, intValue, text] { showInControl(controlId, guiType, intValue, text); });
}

void ZRPreferencesDialog::showInControl(int controlId, PreferenceGuiType guiType, int intValue,
                                        const wxString& text) {
  wxWindow* control = FindWindow(controlId);
  if (control == nullptr) return;
  switch (guiType) {
    case PREF_GUI_CHECKBOX:
      if (auto* box = dynamic_cast<wxCheckBox*>(control)) box->SetValue(intValue != 0);
      break;
    case PREF_GUI_SLIDER:
      if (auto* slider = dynamic_cast<wxSlider*>(control)) slider->SetValue(intValue);
      break;
    case PREF_GUI_CHOICE_INDEX:
      if (auto* items = dynamic_cast<wxItemContainer*>(control)) {
        const bool valid = intValue >= 0 && intValue < static_cast<int>(items->GetCount());
        items->SetSelection(valid ? intValue : wxNOT_FOUND);
      }
      break;
    case PREF_GUI_CHOICE_TEXT:
      if (auto* items = dynamic_cast<wxItemContainer*>(control)) {
        items->SetSelection(items->FindString(text, false));
      }
      break;
    case PREF_GUI_TEXT:
      // ChangeValue, not SetValue: showing a value must not come back as a text event.
      if (auto* entry = dynamic_cast<wxTextEntry*>(control)) entry->ChangeValue(text);
      break;
    default:
      break;
  }
}

void ZRPreferencesDialog::OnSlider(wxCommandEvent& event) {
  if (auto* slider = dynamic_cast<wxSlider*>(FindWindow(event.GetId()))) {
    onIntControlChanged(event.GetId(), slider->GetValue());
  }
  event.Skip();
}

void ZRPreferencesDialog::OnCheckBox(wxCommandEvent& event) {
  if (auto* box = dynamic_cast<wxCheckBox*>(FindWindow(event.GetId()))) {
    onIntControlChanged(event.GetId(), box->IsChecked() ? 1 : 0);
  }
  event.Skip();
}

void ZRPreferencesDialog::OnChoice(wxCommandEvent& event) {
  if (auto* items = dynamic_cast<wxItemContainer*>(FindWindow(event.GetId()))) {
    const int selected = items->GetSelection();
    const wxString text = selected == wxNOT_FOUND ? wxString() : items->GetString(selected);
    onChoiceChanged(event.GetId(), selected, toZRString(text));
  }
  event.Skip();
}

void ZRPreferencesDialog::OnText(wxCommandEvent& event) {
  if (auto* entry = dynamic_cast<wxTextEntry*>(FindWindow(event.GetId()))) {
    onTextChanged(event.GetId(), toZRString(entry->GetValue()));
  }
  event.Skip();
}

void ZRPreferencesDialog::OnButton(wxCommandEvent& event) {
  onCommandControl(this, event.GetId());
  event.Skip();
}

void ZRPreferencesDialog::OnListBox(wxCommandEvent& event) {
  onCommandControl(this, event.GetId());
  event.Skip();
}

void ZRPreferencesDialog::OnRadioBox(wxCommandEvent& event) {
  event.Skip();
}

void ZRPreferencesDialog::OnClose(wxCloseEvent& event) {
  if (ZRPreferences* preferences = getPreferencesObject()) preferences->saveAll(nullptr);
  std::fputs("OnClose\n", stdout);
  std::fflush(stdout);
  event.Skip();
}

void ZRPreferencesDialog::OnActivate(wxActivateEvent& event) {
  if (!IsModal() && !event.GetActive()) Close();
  event.Skip();
}
