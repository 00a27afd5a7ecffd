#include "main_dj/zr_singer_name_dialog.h"

#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "database/zr_singer_name_history.h"
#include "gui/zr_message_dialogs.h"
#include "gui_nodes/zr_singer_prompt.h"

namespace {

wxString wx(const ZRString& text) {
  return wxString::FromUTF8(text.utf8().c_str());
}
ZRString zr(const wxString& text) {
  return ZRString(std::string(text.utf8_str()));
}

wxWindow* promptParent = nullptr;

bool askWithDialog(ZRString* name, float* keyAdjust, float keyStep) {
  ZRSingerNameDialog dialog(promptParent, *name, *keyAdjust, keyStep,
                            ZRString("Singer name (press <F5> for autocomplete)"),
                            ZRString("Please enter the singer's name"), wxOK | wxCANCEL | wxCENTRE);
  if (runDialogModal(dialog) != wxID_OK) return false;
  *name = dialog.getName();
  *keyAdjust = static_cast<float>(dialog.getKeyAdjust());
  return true;
}

}  // namespace

wxBEGIN_EVENT_TABLE(ZRSingerNameDialog, wxDialog) EVT_BUTTON(wxID_OK, ZRSingerNameDialog::OnOK)
    EVT_BUTTON(wxID_APPLY, ZRSingerNameDialog::OnClearSingersButton) wxEND_EVENT_TABLE()

        ZRSingerNameDialog::ZRSingerNameDialog(wxWindow* parent, const ZRString& name, double keyAdjust,
                                               double keyStep, const ZRString& message,
                                               const ZRString& caption, long style, const wxPoint& position)
    : wxDialog(GetParentForModalDialog(parent, style), wxID_ANY, wx(caption), position, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxRESIZE_BORDER),
      name_(name),
      keyAdjust_(keyAdjust),
      style_(style) {
  wxBusyCursor busy;
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  auto* text = new wxStaticText(this, wxID_ANY, wx(message));
  text->Wrap(400);
  sizer->Add(text, 0, wxALL, 8);
  nameField_ = new wxTextCtrl(this, kNameFieldId, wx(name), wxDefaultPosition, wxSize(320, -1),
                              style & ~(wxOK | wxCANCEL | wxCENTRE));
  nameField_->Bind(wxEVT_KEY_DOWN, &ZRSingerNameDialog::OnNameKey, this);
  sizer->Add(nameField_, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);
  sizer->Add(new wxStaticText(this, wxID_ANY, "Song key adjust (semitones)"), 0, wxLEFT | wxRIGHT | wxTOP, 8);
  keyField_ = new wxSpinCtrlDouble(this, kKeyFieldId, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                   wxSP_ARROW_KEYS | wxSP_WRAP, -12, 12, 0, keyStep);
  keyField_->SetDigits(2);
  sizer->Add(keyField_, 0, wxLEFT | wxRIGHT, 8);
  wxStdDialogButtonSizer* buttons = CreateStdDialogButtonSizer(wxOK | wxCANCEL | wxAPPLY);
  if (wxWindow* apply = FindWindow(wxID_APPLY)) apply->SetLabel(wx(ZRString("Clear Singers")));
  if (wxSizer* separated = CreateSeparatedSizer(buttons)) sizer->Add(separated, 0, wxEXPAND | wxALL, 8);
  SetSizerAndFit(sizer);
  if (style & wxCENTRE) Centre();
}

ZRSingerNameHistory& ZRSingerNameDialog::history() {
  return history_ != nullptr ? *history_ : ZRSingerNameHistory::get();
}

void ZRSingerNameDialog::applyAutocomplete() {
  completions_ = history().populate();
  completedFrom_ = completedTo_ = ZRString();
}

int ZRSingerNameDialog::ShowModal() {
  applyAutocomplete();
  return wxDialog::ShowModal();
}

bool ZRSingerNameDialog::TransferDataToWindow() {
  nameField_->ChangeValue(wx(name_));
  nameField_->SetFocus();
  nameField_->SetInsertionPointEnd();
  keyField_->SetValue(keyAdjust_);
  return true;
}

bool ZRSingerNameDialog::TransferDataFromWindow() {
  name_ = zr(nameField_->GetValue());
  keyAdjust_ = keyField_->GetValue();
  return true;
}

void ZRSingerNameDialog::OnOK(wxCommandEvent&) {
  if (!Validate() || !TransferDataFromWindow()) return;
  history().add(name_);
  EndModal(wxID_OK);
}

void ZRSingerNameDialog::OnClearSingersButton(wxCommandEvent&) {
  history().clear();
  completions_.clear();
  wxMessageBox("All singers have been cleared from autocomplete", wxMessageBoxCaptionStr, wxOK | wxCENTRE,
               this);
}

void ZRSingerNameDialog::OnNameKey(wxKeyEvent& event) {
  if (event.GetKeyCode() != WXK_F5) {
    event.Skip();
    return;
  }
  const ZRString shown = zr(nameField_->GetValue());
  // F5 again on the name it gave: the next name with the same start.
  const bool again = !completedTo_.empty() && shown == completedTo_;
  const ZRString typed = again ? completedFrom_ : shown;
  const int length = typed.len();
  if (length == 0) return;
  std::vector<const ZRString*> matches;
  for (const ZRString& n : completions_) {
    if (n.len() >= length && n.left(length).icmp(typed) == 0) matches.push_back(&n);
  }
  if (matches.empty()) return;
  size_t next = 0;
  if (again) {
    for (size_t i = 0; i < matches.size(); ++i) {
      if (*matches[i] == completedTo_) next = (i + 1) % matches.size();
    }
  }
  completedFrom_ = typed;
  completedTo_ = *matches[next];
  nameField_->ChangeValue(wx(completedTo_));
  nameField_->SetInsertionPointEnd();
}

void installSingerNameDialog(wxWindow* parent) {
  promptParent = parent;
  setSingerPrompt(parent != nullptr ? &askWithDialog : nullptr);
}
