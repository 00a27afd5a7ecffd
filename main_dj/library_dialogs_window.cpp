#include "main_dj/library_dialogs_window.h"

#include <wx/button.h>
#include <wx/calctrl.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <string>
#include <vector>

#include "actions_dj/action_support.h"
#include "actions_dj/library_dialogs.h"
#include "common/text_ids.h"
#include "gui/zr_message_dialogs.h"

namespace {

// Window ids of the forms (tests find the controls by them).
enum : int {
  kIdTitle = 10077,
  kIdArtist = 10079,
  kIdAlbum = 10081,
  kIdKey = 10083,
  kIdTrack = 10085,
  kIdYear = 10087,
  kIdGenre = 10089,
  kIdComment = 10091,
  kIdAddFiles = 10093,
  kIdAddFolder = 10094,
  kIdAddITunes = 10095,
  kIdAddList = 10096,
  kIdChoice = 10101,
  kIdOk = 5100,
  kIdCancel = 5101,
};

wxWindow* parentWindow = nullptr;

wxString wx(const ZRString& text) {
  return wxString::FromUTF8(text.utf8().c_str());
}
ZRString zr(const wxString& text) {
  return ZRString(std::string(text.utf8_str()));
}

// A button that ends the modal dialog with its own id.
wxButton* endingButton(wxDialog& dialog, int id, const wxString& label) {
  auto* button = new wxButton(&dialog, id, label);
  button->Bind(wxEVT_BUTTON, [&dialog, id](wxCommandEvent&) { dialog.EndModal(id); });
  return button;
}

bool chooseFiles(const ZRString& title, const ZRString& wildcard, bool multiple,
                 std::vector<ZRString>& paths) {
  long style = wxFD_OPEN | wxFD_FILE_MUST_EXIST | wxFD_CHANGE_DIR;
  if (multiple) style |= wxFD_MULTIPLE;
  wxFileDialog dialog(parentWindow, wx(title), "", "", wx(wildcard), style);
  if (runDialogModal(dialog) != wxID_OK) return false;
  wxArrayString chosen;
  dialog.GetPaths(chosen);
  for (const wxString& p : chosen) paths.push_back(zr(p));
  return !paths.empty();
}

bool chooseSave(const ZRString& title, const ZRString& wildcard, ZRString& path) {
  wxFileDialog dialog(parentWindow, wx(title), "", "", wx(wildcard),
                      wxFD_SAVE | wxFD_OVERWRITE_PROMPT | wxFD_CHANGE_DIR);
  if (runDialogModal(dialog) != wxID_OK) return false;
  path = zr(dialog.GetPath());
  return !path.empty();
}

bool chooseDir(const ZRString& title, ZRString& path) {
  wxDirDialog dialog(parentWindow, wx(title), "");
  if (runDialogModal(dialog) != wxID_OK) return false;
  path = zr(dialog.GetPath());
  return !path.empty();
}

bool pickDay(int& year, int& month, int& day) {
  wxDialog dialog(parentWindow, wxID_ANY, "Select date", wxDefaultPosition, wxDefaultSize,
                  wxDEFAULT_DIALOG_STYLE, "dialog");
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  auto* calendar = new wxCalendarCtrl(&dialog, wxID_ANY, wxDateTime::Today(), wxDefaultPosition,
                                      wxDefaultSize, wxCAL_SHOW_HOLIDAYS, "CalendarCtrl");
  sizer->Add(calendar, 0, wxALIGN_CENTER | wxALL, 5);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  wxButton* ok = endingButton(dialog, kIdOk, "OK");
  ok->SetDefault();
  buttons->Add(ok, 0, wxALIGN_CENTER | wxALL, 5);
  buttons->Add(endingButton(dialog, kIdCancel, "None"), 0, wxALIGN_CENTER | wxALL, 5);
  sizer->Add(buttons, 0, wxALIGN_CENTER | wxALL, 5);
  dialog.SetSizerAndFit(sizer);
  dialog.CentreOnParent();
  const int result = runDialogModal(dialog);
  if (result != kIdOk && result != wxID_OK) return false;
  const wxDateTime date = calendar->GetDate();
  if (!date.IsValid()) return false;
  year = date.GetYear();
  month = static_cast<int>(date.GetMonth()) + 1;
  day = date.GetDay();
  return true;
}

wxTextCtrl* field(wxDialog& dialog, wxSizer* row, int labelText, int id, const ZRString& value, int width,
                  long style = 0, int height = -1) {
  row->Add(
      new wxStaticText(&dialog, wxID_ANY, wx(languageText(labelText)), wxDefaultPosition, wxSize(60, -1)), 0,
      wxALIGN_CENTER_VERTICAL | wxALL, 3);
  auto* text = new wxTextCtrl(&dialog, id, wx(value), wxDefaultPosition, wxSize(width, height), style);
  row->Add(text, 0, wxALIGN_CENTER_VERTICAL | wxALL, 3);
  return text;
}

bool editTags(ZRTagEditFields& f) {
  wxDialog dialog(parentWindow, wxID_ANY, wx(languageText(txt_taginfo)), wxDefaultPosition, wxDefaultSize,
                  wxDEFAULT_DIALOG_STYLE, "-");
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* file = new wxStaticBoxSizer(wxHORIZONTAL, &dialog, wx(languageText(txt_tag_filename)));
  file->Add(new wxTextCtrl(&dialog, 10075, wx(f.path), wxDefaultPosition, wxSize(410, -1), wxTE_READONLY), 1,
            wxALL, 3);
  top->Add(file, 0, wxEXPAND | wxALL, 5);
  auto* tags = new wxStaticBoxSizer(wxVERTICAL, &dialog, wx(languageText(txt_taginfo)));
  wxBoxSizer* rows[5];
  for (wxBoxSizer*& r : rows) {
    r = new wxBoxSizer(wxHORIZONTAL);
    tags->Add(r, 0, wxALL, 2);
  }
  wxTextCtrl* title = field(dialog, rows[0], txt_tag_title, kIdTitle, f.title, 340);
  wxTextCtrl* artist = field(dialog, rows[1], txt_tag_artist, kIdArtist, f.artist, 340);
  wxTextCtrl* album = field(dialog, rows[2], txt_tag_album, kIdAlbum, f.album, 230);
  rows[2]->Add(new wxStaticText(&dialog, wxID_ANY, wx(languageText(txt_tag_key))), 0,
               wxALIGN_CENTER_VERTICAL | wxALL, 3);
  auto* key = new wxChoice(&dialog, kIdKey, wxDefaultPosition, wxSize(70, -1));
  for (const char* k : kTagEditorKeys) key->Append(k);
  if (f.keyIndex >= 0) key->SetSelection(f.keyIndex);
  rows[2]->Add(key, 0, wxALL, 3);
  wxTextCtrl* track = field(dialog, rows[3], txt_tag_track, kIdTrack, f.track, 50);
  wxTextCtrl* year = field(dialog, rows[3], txt_tag_year, kIdYear, f.year, 50);
  wxTextCtrl* genre = field(dialog, rows[3], txt_tag_genre, kIdGenre, f.genre, 120);
  wxTextCtrl* comment =
      field(dialog, rows[4], txt_tag_comment, kIdComment, f.comment, 340, wxTE_MULTILINE, 60);
  top->Add(tags, 1, wxEXPAND | wxALL, 5);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  wxButton* update = endingButton(dialog, kIdOk, wx(languageText(txt_update)));
  update->SetDefault();
  buttons->Add(update, 0, wxALL, 5);
  buttons->Add(endingButton(dialog, kIdCancel, wx(languageText(txt_cancel))), 0, wxALL, 5);
  top->Add(buttons, 0, wxALIGN_CENTER | wxALL, 5);
  dialog.SetSizerAndFit(top);
  dialog.CentreOnParent();
  if (runDialogModal(dialog) != kIdOk) return false;
  f.title = zr(title->GetValue());
  f.artist = zr(artist->GetValue());
  f.album = zr(album->GetValue());
  f.track = zr(track->GetValue());
  f.year = zr(year->GetValue());
  f.genre = zr(genre->GetValue());
  f.comment = zr(comment->GetValue());
  f.keyIndex = key->GetSelection();
  return true;
}

ZRAddChoice chooseAdd(const ZRString& message) {
  wxDialog dialog(parentWindow, wxID_ANY, wx(languageText(txt_addsongs_title)), wxDefaultPosition,
                  wxDefaultSize, wxDEFAULT_DIALOG_STYLE, "-");
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(new wxStaticText(&dialog, 10092, wx(message), wxDefaultPosition, wxDefaultSize,
                            wxALIGN_CENTRE_HORIZONTAL),
           0, wxALIGN_CENTER | wxALL, 10);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  const struct {
    int id;
    int text;
  } kinds[] = {{kIdAddFiles, txt_add_files},
               {kIdAddFolder, txt_add_folder},
               {kIdAddITunes, txt_import_itunes},
               {kIdAddList, txt_import_list}};
  for (const auto& k : kinds) {
    wxButton* button = endingButton(dialog, k.id, wx(languageText(k.text)));
    if (k.id == kIdAddFolder) button->SetDefault();
    buttons->Add(button, 0, wxALL, 5);
  }
  top->Add(buttons, 0, wxALIGN_CENTER | wxALL, 5);
  dialog.SetSizerAndFit(top);
  dialog.CentreOnParent();
  switch (runDialogModal(dialog)) {
    case kIdAddFiles:
      return kAddFiles;
    case kIdAddFolder:
      return kAddFolder;
    case kIdAddITunes:
      return kAddITunes;
    case kIdAddList:
      return kAddList;
    default:
      return kAddNothing;
  }
}

bool chooseEntry(const ZRString& title, const std::vector<ZRString>& choices, int& selection) {
  wxDialog dialog(nullptr, wxID_ANY, wx(title));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  auto* choice = new wxChoice(&dialog, kIdChoice, wxDefaultPosition, wxSize(200, -1));
  for (const ZRString& c : choices) choice->Append(wx(c));
  choice->SetSelection(0);
  row->Add(choice, 0, wxALL, 5);
  row->Add(endingButton(dialog, kIdOk, "OK"), 0, wxALL, 5);
  top->Add(row, 0, wxALIGN_CENTER | wxALL, 15);
  dialog.SetSizerAndFit(top);
  dialog.CentreOnScreen();
  const int result = runDialogModal(dialog);
  if (result != kIdOk && result != wxID_OK) return false;
  selection = choice->GetSelection();
  return selection >= 0;
}

}  // namespace

void installLibraryDialogsWindow(wxWindow* parent) {
  parentWindow = parent;
  ZRLibraryDialogs dialogs;
  dialogs.chooseFilesToOpen = chooseFiles;
  dialogs.chooseFileToSave = chooseSave;
  dialogs.chooseFolder = chooseDir;
  dialogs.chooseDay = pickDay;
  dialogs.editTags = editTags;
  dialogs.chooseAddKind = chooseAdd;
  dialogs.chooseOne = chooseEntry;
  installLibraryDialogs(dialogs);
}
