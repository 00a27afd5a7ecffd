#pragma once
// The column order dialog of a track table ("Reorder columns", layout OrderColumnsDialogFunc): the table's
// column names in display order, and "Move Up" / "Move Down" moving the selected one a place. Each move is
// live in the table at once (the table writes its columns file itself); the close box ends the dialog and
// keeps every move.
//
// Threads: main thread. The track tables call showReorderColumnsDialog from their header menu, which the
// toolkit runs on the main thread; called from another thread it opens nothing and says so in the log.

class ZRDrawNode;
class ZRNodePlaylist;

// Opens the dialog modally for table and returns when it is closed; nothing for a null table.
void ShowReorderColumnsDialog(ZRNodePlaylist* table);
// The tables' "Change columns order" slot: ShowReorderColumnsDialog for node.
void showReorderColumnsDialog(int value, int param, int deck, ZRDrawNode* node);
// The parent window of the dialog (the main window; null: none).
void setReorderColumnsParent(class wxWindow* parent);
