#pragma once
// The actions of the library side of the skin: the buttons around the track tables (new, delete, import,
// export and clear lists, add a folder, sort, shuffle, remove and move rows, colour marks, media-type
// filters), the tables' double clicks, unhandled keys and context-menu commands, and the browser's.
// They act on the lists of the library nodes (zr_library_nodes.h); the "focused list" is the list of the
// track table that last had the keyboard focus.
//
// Actions that open a dialog or a menu (import, export, add files or a folder, new and delete list, clear,
// sort) may be reached from scripts and MIDI on the render thread: they post themselves to the main thread
// and run there. Cancelled dialogs change nothing.
//
// Threads: main thread (the posting ones may be called from any thread but the audio thread).

#include "common/zr_string.h"

class ZRDrawNode;
class ZRList;

// ---- Buttons (value, param, deck, node) ----
void FNewList(int value, int param, int deck, ZRDrawNode* node);
void FDeleteList(int value, int param, int deck, ZRDrawNode* node);
// value 100 appends to the focused list; any other value replaces its rows (only once the file was read).
void FImportList(int value, int param, int deck, ZRDrawNode* node);
void FExportListAsM3U(int value, int param, int deck, ZRDrawNode* node);
void FExportListAsCSV(int value, int param, int deck, ZRDrawNode* node);
void FAddFiles(int value, int param, int deck, ZRDrawNode* node);
void FAddDir(int value, int param, int deck, ZRDrawNode* node);
void FSortList(int value, int param, int deck, ZRDrawNode* node);
void FShuffle(int value, int param, int deck, ZRDrawNode* node);
void FClearList(int value, int param, int deck, ZRDrawNode* node);
void FRemoveLine(int value, int param, int deck, ZRDrawNode* node);
void FDragLineUp(int value, int param, int deck, ZRDrawNode* node);
void FDragLineDown(int value, int param, int deck, ZRDrawNode* node);
void FDragLineTop(int value, int param, int deck, ZRDrawNode* node);
void FDragLineBottom(int value, int param, int deck, ZRDrawNode* node);
// param -1 clears, 0..6 a colour: the marked rows' tracks, or the cursor row's.
void FSetHighlightColor(int value, int param, int deck, ZRDrawNode* node);
// param -1 all, 0 audio, 1 video, 2 karaoke (the pressed switch has already toggled).
void FSetFiltering(int value, int param, int deck, ZRDrawNode* node);
void FSelectPlaylistTab(int value, int param, int deck, ZRDrawNode* node);

// The media-type filter a filter button asks for: -1 (none) or the type, from the button's new state.
int resolveMediaTypeFilter(int param, bool audioOn, bool videoOn, bool karaokeOn);
// Filters every registered list by media type (the automix and rotation lists always show every row).
void SetFilteringForAllLists(int mediaType);

// The path an export writes: path with suffix (".m3u", ".csv") appended unless its lower-cased form
// already holds it.
ZRString exportPathWithSuffix(const ZRString& path, const char* suffix);

// ---- Track tables and browser ----
// Appends the playlist's cursor song to the side list (the singer is asked for karaoke songs and for the
// singer rotation).
void addTracksFromCurrentListToSidelist();
void OnDoubleClickPlaylist(int value, int param, int deck, ZRDrawNode* node);
void OnDoubleClickSidelist(int value, int param, int deck, ZRDrawNode* node);
bool OnCharPlaylist(int key, int modifiers, ZRDrawNode* node);
bool OnCharSidelist(int key, int modifiers, ZRDrawNode* node);
bool OnCharBrowser(int key, int modifiers, ZRDrawNode* node);
// The context-menu commands of the track tables (node: the table whose menu was opened) and the browser;
// param carries the command number.
void OnMenuCommand_Playlist_or_Sidelist(ZRDrawNode* node, int index, void* param);
void OnMenuCommand_Browser(ZRDrawNode* node, int index, void* param);
// The same, by command number (what the menu slots call).
void runTableMenuCommand(ZRDrawNode* node, int command);
void runBrowserMenuCommand(ZRDrawNode* node, int command);
