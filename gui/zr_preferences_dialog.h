#pragma once
// The preferences dialog window: an ordinary toolkit dialog whose controls the dialogs layer lays
// out, bound to the settings store through ZRPreferencesDialogBase. Control events write their
// key with the dialog as source; changes from elsewhere are shown in the controls.

#include <wx/dialog.h>

#include "common/zr_preferences_dialog_base.h"

class ZRPreferencesDialog : public wxDialog, public ZRPreferencesDialogBase {
 public:
  // Made like any dialog; no bindings, no store and no callback yet.
  ZRPreferencesDialog(wxWindow* parent, wxWindowID id, const wxString& title,
                      const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                      long style = wxDEFAULT_DIALOG_STYLE,
                      const wxString& name = wxASCII_STR(wxDialogNameStr));

  // May be called from any thread: the dialog's own controls are changed on the main thread
  // (at once there, otherwise at its next event-loop pass); the skin controls are set at once.
  void preferenceHasChanged(const char* key, ZRPreferences::NotificationSource source) override;

 protected:
  void updateDialogControl(const Setting& setting, int intValue, const ZRString& textValue) override;

 private:
  void showInControl(int controlId, PreferenceGuiType guiType, int intValue, const wxString& text);

  void OnSlider(wxCommandEvent& event);
  void OnButton(wxCommandEvent& event);
  void OnText(wxCommandEvent& event);
  void OnRadioBox(wxCommandEvent& event);
  void OnCheckBox(wxCommandEvent& event);
  void OnChoice(wxCommandEvent& event);
  void OnListBox(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnActivate(wxActivateEvent& event);

  wxDECLARE_EVENT_TABLE();
};
