#pragma once
// The toolkit's side of the library dialogs (actions_dj/library_dialogs.h): file and folder choosers, the
// history's day picker ("Select date", a calendar with OK and None), the tag editor's form, the add
// dialog's four buttons and the one-entry chooser of the iTunes import. Every box is modal on the main
// window and runs through runDialogModal, so tests answer them with their own runner.
//
// Main thread only (the actions post themselves there before asking).

class wxWindow;

// Installs the dialogs with parent as their parent window (null: the application's top window).
void installLibraryDialogsWindow(wxWindow* parent);
