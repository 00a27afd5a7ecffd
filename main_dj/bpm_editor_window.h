#pragma once
// The tempo editor of a deck on screen: a modeless "BPM" dialog (layout EditDialogFunc) on the dialog event
// sink, at most one open (EditBPMWindow_dialog). The user taps the tempo on "Tap Beat" or types it, or
// picks one of the three automatic ranges; OK hands the result to the deck (actions_dj/bpm_editor.h
// decides what, and leaves a deck that changed track meanwhile alone), Cancel and the close box apply
// nothing. The field reads and shows numbers with '.' whatever the locale.
//
// Threads: openBpmEditorWindow, EditBPMWindow_Tap and EditBPMWindow_SaveAndClose on the main thread; the
// installed opener (FEditSongBPM's) may be called from any thread and posts itself to the main thread.

#include <cstdint>
#include <functional>

class wxWindow;

// Opens the editor for deck (0 or 1): an editor that is the active window stays as it is; another one is
// closed and replaced.
void openBpmEditorWindow(int deck);
// Makes openBpmEditorWindow the tempo editor the actions open, with parent as the dialog's parent.
void installBpmEditorWindow(wxWindow* parent);
// Takes it away again and closes an open editor without applying (shut-down: the decks go next).
void uninstallBpmEditorWindow();

// One click on the open editor's tap button, or on its OK button, exactly as a user's; nothing without an
// open editor.
void EditBPMWindow_Tap();
void EditBPMWindow_SaveAndClose();

// The tap button's clock in whole milliseconds (a monotonic clock unless a test sets its own; null
// restores it).
void setBpmTapClock(std::function<int64_t()> clock);
