#pragma once
// The tag editor: the tags of the focused list's cursor track in a form (tag_editor's dialog through
// library_dialogs.h); the fields the user changed go into the file's tag and into the library.
//
// Only what the user changed is written: unchanged fields are neither written to the file (its own tags,
// which may differ from the library's copy, stay byte for byte) nor taken from the form into the library.
// The library record is read again after the dialog and only the changes are applied to it, since the
// analyze thread or a deck may have stored tempo, key or gain while the form was open. The key goes to the
// library only. Track and year are taken only as numbers.
//
// Threads: any (the action, FEditFileInfo in skin/zr_library_dialog_actions.h, runs on the main thread).

#include "actions_dj/library_dialogs.h"

struct TZRDatabaseTrack;

// The form's fields for record (keyIndex: the entry matching the key text without case, else -1).
ZRTagEditFields tagEditFieldsOf(const TZRDatabaseTrack& record);

// Which fields the edited form changes against the form as it opened.
struct ZRTagEditChanges {
  bool title = false, artist = false, album = false, track = false, year = false, genre = false,
       comment = false, key = false;
  bool any() const { return title || artist || album || track || year || genre || comment || key; }
};
ZRTagEditChanges tagEditChanges(const ZRTagEditFields& opened, const ZRTagEditFields& edited);
// Applies the changed fields of edited to record (genre also sets the first genre id); empties its
// search text when anything changed.
void applyTagEdits(const ZRTagEditChanges& changes, const ZRTagEditFields& edited, TZRDatabaseTrack* record);
// Writes the changed fields other than the key into the file's tag; false when the tag does not open or
// save.
bool writeTagEdits(const ZRTagEditChanges& changes, const ZRTagEditFields& edited, const ZRString& path);
