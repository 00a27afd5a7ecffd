#include "main_dj/language_file.h"

#include <wx/choice.h>
#include <wx/dialog.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "common/language_tables.h"
#include "common/zr_atomic_file_writer.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "gui/language_choice.h"
#include "gui/tarvo_wdr.h"
#include "gui/zr_message_dialogs.h"
#include "main_dj/shell_folders.h"
#include "main_dj/shell_state.h"
#include "main_dj/startup_problems.h"

namespace {

// Copies a language file over the installed one; a crash in the middle leaves the old one, and a copy that
// cannot be written (no Settings folder) is reported by false.
bool installLanguageFile(const ZRString& from, const ZRString& to) {
  char* content = nullptr;
  if (!FileGetContent(from.utf8().c_str(), &content)) {
    ZRLOG("error: the language file '%s' can not be read", from.utf8().c_str());
    return false;
  }
  std::unique_ptr<char, decltype(&std::free)> owned(content, &std::free);
  ZRAtomicFileWriter writer(to);
  std::ofstream out;
  if (!writer.open(out)) {
    ZRLOG("error: the language file can not be installed as '%s'", to.utf8().c_str());
    return false;
  }
  out << content;
  return writer.commit(out);
}

// The language chooser; the chosen file's path, or "" when the user declined or there is nothing to
// choose (then *nothingFound).
ZRString chooseLanguage(bool* nothingFound) {
  *nothingFound = false;
  const ZRString folder(GetAppDir().utf8() + "/languages");
  wxDialog dialog(nullptr, wxID_ANY, "Orvel", wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE);
  LanguageDialogFunc(&dialog, true, true);
  auto* choice = dynamic_cast<wxChoice*>(dialog.FindWindow(ID_LANGUAGE_CHOICE));
  ScanForLanguages(folder, choice);
  if (choice == nullptr || cfg_total_languages == 0) {
    ZRLOG("error: no language files in '%s'", folder.utf8().c_str());
    *nothingFound = true;
    return ZRString();
  }
  if (isRunningUnderTest() && !hasModalRunner()) {
    const ZRString chosen = GetLanguageFilename(choice->GetSelection());
    ZRLOG("language chooser not shown under test: '%s' taken", chosen.utf8().c_str());
    return chosen;
  }
  dialog.CentreOnScreen(wxBOTH);
  const int answer = runDialogModal(dialog);
  if (answer != wxID_OK && answer != wxID_YES) return ZRString();
  return GetLanguageFilename(choice->GetSelection());
}

}  // namespace

ZRString installedLanguageFilePath() {
  return ZRString(theSettingsDir.utf8() + "language.xml");
}

bool LoadLanguageFileOrShowLanguageSelector() {
  const ZRString installed = installedLanguageFilePath();
  // A file that is not a usable language file is deleted, so it is replaced below.
  CheckLanguageFile(installed, 1);

  ZRString source = installed;
  if (!FileExists(installed)) {
    const ZRString shipped(GetAppDir().utf8() + "/languages/language.xml");
    bool nothingFound = false;
    source = FileExists(shipped) ? shipped : chooseLanguage(&nothingFound);
    if (source.empty() && !nothingFound) return false;
    // Without a writable Settings folder the language still loads from where it is; it is asked for
    // again at the next start.
    if (!source.empty() && installLanguageFile(source, installed)) source = installed;
  }
  if (source.empty() || !LoadLanguage(source)) {
    const ZRString& named = source.empty() ? installed : source;
    tellUserAboutProblem(ZRString("Can not load language file '" + named.utf8() + "'"), ZRString("Message"),
                         nullptr);
    return false;
  }
  return true;
}
