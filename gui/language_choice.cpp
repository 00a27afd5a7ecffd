#include "gui/language_choice.h"

void ScanForLanguages(ZRString folder, wxChoice* choice) {
  if (choice != nullptr) choice->Clear();
  const int english = ScanLanguageFolder(folder);
  if (choice == nullptr) return;
  for (int n = 0; n < cfg_total_languages; ++n)
    choice->Append(wxString::FromUTF8(GetLanguageChoiceEntry(n).utf8()));
  if (cfg_total_languages > 0) choice->SetSelection(english);
}
