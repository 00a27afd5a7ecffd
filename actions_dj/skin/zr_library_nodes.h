#pragma once
// The library side of a loaded skin as the list and browser actions see it: the browser tree ("browser"),
// the main track table ("playlist"), the side table ("sidelist"), the search box ("et_search") and the two
// splitters, found in the node table of the installed node manager. A skin without one of them answers
// null, and every action that needs it then does nothing.
//
// The focused table is the track table that last had the keyboard focus (playlist or side list); a table
// of a skin that was replaced since is forgotten.
//
// Threads: install on the main thread before the actions run (and again after a skin change, which makes
// new nodes in the same manager); the lookups may be called from the main and render threads.

#include <functional>

class ZRDrawNode;
class ZRList;
class ZRNodeBackImage;
class ZRNodeBrowser;
class ZRNodeEditText;
class ZRNodeManager;
class ZRNodePlaylist;

// The manager whose node table the lookups read (null: every lookup answers null).
void installLibraryNodes(ZRNodeManager* manager);
ZRNodeManager* libraryNodeManager();

ZRNodeBrowser* libraryBrowser();
ZRNodePlaylist* libraryPlaylist();
ZRNodePlaylist* librarySidelist();
ZRNodeEditText* librarySearchBox();
ZRNodeBackImage* librarySplitterBrowser();
ZRNodeBackImage* librarySplitterList();

// The table that last had the keyboard focus, or null; checks the tables' focus first.
ZRNodePlaylist* focusedTable();
// Records node as the focused table when it is the playlist or the side list.
void noteTableFocused(ZRDrawNode* node);
// The focused table's list, else (with fallback) the playlist's list.
ZRList* focusedTableList(bool fallbackToPlaylist);
// Gives node the keyboard focus (nothing for null).
void focusLibraryNode(ZRDrawNode* node);

// True on the main thread; elsewhere runs fn there later (the toolkit's event loop) and answers false.
// Actions that open dialogs or menus may come from scripts and MIDI on the render thread.
bool onMainThreadOrPost(std::function<void()> fn);
// An action (value, param, deck, node) that must run on the main thread posts itself there (without its
// node, which may be gone by then) and returns.
#define RUN_ON_MAIN_THREAD(F, value, param, deck) \
  if (!onMainThreadOrPost([=] { F(value, param, deck, nullptr); })) return
