#include "main_dj/bpm_editor_window.h"

#include <wx/button.h>
#include <wx/radiobox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <mutex>
#include <string>

#include "actions_dj/action_dialogs.h"
#include "actions_dj/action_support.h"
#include "common/text_ids.h"
#include "common/zr_c_numbers.h"
#include "common/zr_time_counter.h"
#include "gui/tarvo_wdr.h"
#include "gui/zr_message_dialogs.h"
#include "main_dj/zr_catch_events_dialog.h"

namespace {

wxWindow* parentWindow = nullptr;
std::function<int64_t()> tapClock;

int64_t tapStamp() {
  if (tapClock) return tapClock();
  static ZRHighPrecisionTimeCounter counter;
  return counter.takeNewMeasurement();
}

wxString wx(const ZRString& text) {
  return wxString::FromUTF8(text.utf8().c_str());
}

std::string utf8(const wxString& text) {
  return std::string(text.utf8_str());
}

template <typename T>
T* control(wxWindow& dialog, int id) {
  return dynamic_cast<T*>(dialog.FindWindow(id));
}

wxTextCtrl* valueField(CCatchEventsDialog& dialog) {
  if (dialog.bpmTextCtrl == nullptr) dialog.bpmTextCtrl = control<wxTextCtrl>(dialog, ID_BPM_VALUE);
  return dialog.bpmTextCtrl;
}

bool tap(CCatchEventsDialog& dialog, wxCommandEvent&) {
  const float tempo = dialog.taps.tap(tapStamp());
  if (wxTextCtrl* field = valueField(dialog)) field->ChangeValue(formatFixedC(tempo, 2));
  return true;
}

// OK (and Yes): the chosen tempo to the deck, when it still holds the track of the opening.
bool apply(CCatchEventsDialog& dialog, wxCommandEvent&) {
  if (&dialog != EditBPMWindow_dialog) return true;
  ZRBpmEditorOpening opening;
  opening.deck = dialog.deckIndex;
  opening.bpmAtOpen = dialog.bpmAtOpen;
  opening.track = dialog.trackAtOpen;
  wxTextCtrl* field = valueField(dialog);
  auto* mode = control<wxRadioBox>(dialog, ID_BPM_MODE);
  bpmEditorApply(opening, mode != nullptr ? mode->GetSelection() : kBpmManual,
                 field != nullptr ? utf8(field->GetValue()) : std::string());
  dialog.Close(false);
  return false;
}

bool cancel(CCatchEventsDialog& dialog, wxCommandEvent&) {
  if (&dialog != EditBPMWindow_dialog) return true;
  dialog.Close(false);
  return false;
}

// A text that reads as zero is refused: the field goes back to the text it last accepted.
bool edited(CCatchEventsDialog& dialog, wxCommandEvent&) {
  wxTextCtrl* field = valueField(dialog);
  if (field == nullptr) return false;
  const std::string text = utf8(field->GetValue());
  if (!text.empty() && bpmFieldValue(text) == 0.0) field->ChangeValue(dialog.lastAcceptedText);
  dialog.lastAcceptedText = field->GetValue();
  return false;
}

// Manual input enables the label, the field and the tap button; the automatic ranges disable them.
bool modeChosen(CCatchEventsDialog& dialog, wxCommandEvent&) {
  auto* mode = control<wxRadioBox>(dialog, ID_BPM_MODE);
  wxWindow* parts[] = {control<wxStaticText>(dialog, ID_BPM_LABEL), valueField(dialog),
                       control<wxButton>(dialog, ID_BPM_TAP)};
  if (mode == nullptr || parts[0] == nullptr || parts[1] == nullptr || parts[2] == nullptr) return false;
  for (wxWindow* part : parts) part->Enable(mode->GetSelection() == kBpmManual);
  return false;
}

void addRoutes() {
  static std::once_flag once;
  std::call_once(once, [] {
    addDialogRoute(ZRDialogEventKind::Button, ID_BPM_TAP, tap);
    for (int id : {wxID_OK, wxID_YES}) addDialogRoute(ZRDialogEventKind::Button, id, apply);
    for (int id : {wxID_CANCEL, wxID_NO}) addDialogRoute(ZRDialogEventKind::Button, id, cancel);
    addDialogRoute(ZRDialogEventKind::Text, ID_BPM_VALUE, edited);
    addDialogRoute(ZRDialogEventKind::RadioBox, ID_BPM_MODE, modeChosen);
  });
}

void clickOpenEditor(int id) {
  if (EditBPMWindow_dialog == nullptr) return;
  auto* button = control<wxButton>(*EditBPMWindow_dialog, id);
  if (button == nullptr) return;
  wxCommandEvent click(wxEVT_BUTTON, id);
  click.SetEventObject(button);
  button->ProcessWindowEvent(click);
}

}  // namespace

void openBpmEditorWindow(int deck) {
  if (EditBPMWindow_dialog != nullptr) {
    if (EditBPMWindow_dialog->IsActive()) return;
    EditBPMWindow_dialog->Close(false);
  }
  addRoutes();
  auto* dialog = new CCatchEventsDialog(parentWindow, wxID_ANY, "BPM");
  EditDialogFunc(dialog, true, true);
  dialog->CentreOnParent(wxBOTH);
  if (auto* label = control<wxButton>(*dialog, ID_BPM_TAP))
    label->SetLabel(wx(languageText(txt_bpm_tap_beat)));
  if (auto* label = control<wxStaticText>(*dialog, ID_BPM_LABEL))
    label->SetLabel(wx(languageText(txt_bpm_value)));
  if (auto* mode = control<wxRadioBox>(*dialog, ID_BPM_MODE)) {
    const wxString automatic = wx(languageText(txt_bpm_automatic));
    mode->SetString(0, wx(languageText(txt_bpm_manual_input)));
    mode->SetString(1, automatic + " 75-150 BPM");
    mode->SetString(2, automatic + " <100 BPM");
    mode->SetString(3, automatic + " >100 BPM");
  }
  const ZRBpmEditorOpening opening = bpmEditorOpen(deck);
  dialog->deckIndex = deck;
  dialog->bpmAtOpen = opening.bpmAtOpen;
  dialog->trackAtOpen = opening.track;
  if (wxTextCtrl* field = valueField(*dialog)) {
    field->SetMaxLength(6);
    field->ChangeValue(bpmFieldText(opening.bpmAtOpen));
  }
  EditBPMWindow_dialog = dialog;
  dialog->Show();
}

void installBpmEditorWindow(wxWindow* parent) {
  parentWindow = parent;
  installBpmEditorDialog(
      [](int deck) { onMainThreadNowOrLater("the tempo editor", [deck] { openBpmEditorWindow(deck); }); });
}

void uninstallBpmEditorWindow() {
  installBpmEditorDialog(nullptr);
  if (EditBPMWindow_dialog != nullptr) EditBPMWindow_dialog->Close(false);
  parentWindow = nullptr;
}

void EditBPMWindow_Tap() {
  clickOpenEditor(ID_BPM_TAP);
}

void EditBPMWindow_SaveAndClose() {
  clickOpenEditor(wxID_OK);
}

void setBpmTapClock(std::function<int64_t()> clock) {
  tapClock = std::move(clock);
}
