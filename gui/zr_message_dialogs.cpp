#include "gui/zr_message_dialogs.h"

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/textdlg.h>
#include <wx/thread.h>
#include <wx/toplevel.h>
// After wx/msgdlg.h, whose base class it needs.
#include <wx/generic/msgdlgg.h>
#include <wx/utils.h>

#include <atomic>

#include "common/zr_logging.h"
#include "gui/zr_wx_strings.h"

namespace {

std::atomic<ZRModalRunner> g_runner{nullptr};

wxWindow* parentOrTop(wxWindow* parent) {
  if (parent != nullptr) return parent;
  return wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr;
}

wxString titleOf(const ZRString& caption) {
  return CharTowxString(caption.empty() ? kZRDialogDefaultCaption : caption.utf8().c_str());
}

bool onMainThread(const char* what) {
  if (wxIsMainThread()) return true;
  ZRLOG("error: %s called off the main thread; not shown", what);
  return false;
}

}  // namespace

void setModalRunner(ZRModalRunner runner) {
  g_runner.store(runner);
}

bool hasModalRunner() {
  return g_runner.load() != nullptr;
}

int runDialogModal(wxDialog& dialog) {
  if (ZRModalRunner runner = g_runner.load()) return runner(dialog);
  return dialog.ShowModal();
}

bool showConfirmationDialog(const ZRString& message, const ZRString& caption, wxWindow* parent) {
  if (!onMainThread("showConfirmationDialog")) return false;
  // The toolkit's own box: the native one runs a loop of its own that endModalDialogs cannot end.
  wxGenericMessageDialog dialog(parentOrTop(parent), CharTowxString(message.utf8().c_str()), titleOf(caption),
                                wxYES_NO | wxICON_QUESTION | wxCENTRE);
  const int answer = runDialogModal(dialog);
  return answer == wxID_YES || answer == wxID_OK;
}

void showMessageDialog(const ZRString& message, const ZRString& caption, wxWindow* parent) {
  if (!onMainThread("showMessageDialog")) return;
  wxMessageDialog dialog(parentOrTop(parent), CharTowxString(message.utf8().c_str()), titleOf(caption),
                         wxOK | wxCENTRE);
  runDialogModal(dialog);
}

void endModalDialogs() {
  if (!onMainThread("endModalDialogs")) return;
  for (wxWindow* window : wxTopLevelWindows) {
    auto* dialog = dynamic_cast<wxDialog*>(window);
    if (dialog != nullptr && dialog->IsModal()) dialog->EndModal(wxID_CANCEL);
  }
}

ZRString showGetTextFromUserDialog(const ZRString& message, const ZRString& caption,
                                   const ZRString& defaultText, wxWindow* parent) {
  if (!onMainThread("showGetTextFromUserDialog")) return ZRString();
  wxTextEntryDialog dialog(parentOrTop(parent), CharTowxString(message.utf8().c_str()), titleOf(caption),
                           CharTowxString(defaultText.utf8().c_str()), wxOK | wxCANCEL | wxCENTRE);
  if (runDialogModal(dialog) != wxID_OK) return ZRString();
  return ZRString(dialog.GetValue().utf8_str().data());
}

bool onMainThreadNowOrLater(const char* what, std::function<void()> task) {
  if (wxIsMainThread()) {
    task();
    return true;
  }
  if (wxTheApp == nullptr) {
    ZRLOG("error: %s: no application to show it; not shown", what);
    return false;
  }
  wxTheApp->CallAfter(std::move(task));
  return true;
}

void askConfirmationOnMainThread(const ZRString& message, const ZRString& caption,
                                 std::function<void()> onYes) {
  onMainThreadNowOrLater("askConfirmationOnMainThread", [message, caption, onYes = std::move(onYes)] {
    if (showConfirmationDialog(message, caption, nullptr) && onYes) onYes();
  });
}

void showMessageOnMainThread(const ZRString& message, const ZRString& caption) {
  onMainThreadNowOrLater("showMessageOnMainThread",
                         [message, caption] { showMessageDialog(message, caption, nullptr); });
}

void chooseFileOnMainThread(const ZRString& title, const ZRString& wildcard,
                            std::function<void(const ZRString&)> onChosen) {
  onMainThreadNowOrLater("chooseFileOnMainThread", [title, wildcard, onChosen = std::move(onChosen)] {
    wxFileDialog chooser(parentOrTop(nullptr), CharTowxString(title.utf8().c_str()), wxEmptyString,
                         wxEmptyString, CharTowxString(wildcard.utf8().c_str()),
                         wxFD_OPEN | wxFD_FILE_MUST_EXIST | wxFD_CHANGE_DIR);
    if (runDialogModal(chooser) != wxID_OK) return;
    if (onChosen) onChosen(ZRString(chooser.GetPath().utf8_string()));
  });
}

void chooseSaveFileOnMainThread(const ZRString& title, const ZRString& wildcard,
                                std::function<void(const ZRString&)> onDone) {
  const bool posted = onMainThreadNowOrLater("chooseSaveFileOnMainThread", [title, wildcard, onDone] {
    wxFileDialog chooser(parentOrTop(nullptr), titleOf(title), wxEmptyString, wxEmptyString,
                         CharTowxString(wildcard.utf8().c_str()),
                         wxFD_SAVE | wxFD_OVERWRITE_PROMPT | wxFD_CHANGE_DIR);
    chooser.SetDirectory(wxGetHomeDir());
    const bool chosen = runDialogModal(chooser) == wxID_OK;
    if (onDone) onDone(chosen ? ZRString(std::string(chooser.GetPath().utf8_str())) : ZRString());
  });
  if (!posted && onDone) onDone(ZRString());
}
