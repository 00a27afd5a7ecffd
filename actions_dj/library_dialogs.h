#pragma once
// The dialogs the library actions open: file and folder choosers (import, export, add files, add a
// folder), the day picker of the history filter, the tag editor's form and the add dialog's four choices.
// As with the yes/no boxes (action_dialogs.h) the actions never call the toolkit themselves: the window
// side installs dialogs that run modally on the main thread, and tests install their own answers. Each
// returns false (or kAddNothing) when the user cancelled or closed it.
//
// Without an installed dialog every choice is cancelled (logged once per kind).
//
// Threads: called on the main thread only (the actions that open them post themselves there first);
// install before the actions run.

#include <functional>
#include <vector>

#include "common/zr_string.h"

// What the tag editor shows and the user edits. keyIndex: the selected entry of kTagEditorKeys, -1 none.
struct ZRTagEditFields {
  ZRString path;  // shown only
  ZRString title, artist, album, track, year, genre, comment;
  int keyIndex = -1;
};

// The key choices of the tag editor: "--", then the 24 keys in key-index order.
inline constexpr int kTagEditorKeyCount = 25;
extern const char* const kTagEditorKeys[kTagEditorKeyCount];

// The add dialog's buttons.
enum ZRAddChoice : int { kAddNothing = 0, kAddFiles = 1, kAddFolder = 2, kAddITunes = 3, kAddList = 4 };

struct ZRLibraryDialogs {
  // Existing files (several when multiple is set); wildcard as "Name (*.a)|*.a|...".
  std::function<bool(const ZRString& title, const ZRString& wildcard, bool multiple,
                     std::vector<ZRString>& paths)>
      chooseFilesToOpen;
  // A file to write, asking before an existing one is replaced.
  std::function<bool(const ZRString& title, const ZRString& wildcard, ZRString& path)> chooseFileToSave;
  std::function<bool(const ZRString& title, ZRString& path)> chooseFolder;
  // A calendar day (month 1..12), opening on today; false for None or a closed window.
  std::function<bool(int& year, int& month, int& day)> chooseDay;
  // The tag form filled from fields; true (fields edited) for Update.
  std::function<bool(ZRTagEditFields& fields)> editTags;
  // The add dialog with message; the button pressed.
  std::function<ZRAddChoice(const ZRString& message)> chooseAddKind;
  // One entry of choices (the first preselected); false when the window was closed.
  std::function<bool(const ZRString& title, const std::vector<ZRString>& choices, int& selection)> chooseOne;
};

void installLibraryDialogs(ZRLibraryDialogs dialogs);

bool chooseFilesToOpen(const ZRString& title, const ZRString& wildcard, bool multiple,
                       std::vector<ZRString>& paths);
bool chooseFileToSave(const ZRString& title, const ZRString& wildcard, ZRString& path);
bool chooseFolder(const ZRString& title, ZRString& path);
bool chooseDay(int& year, int& month, int& day);
bool editTagFields(ZRTagEditFields& fields);
ZRAddChoice chooseAddKind(const ZRString& message);
bool chooseOne(const ZRString& title, const std::vector<ZRString>& choices, int& selection);
