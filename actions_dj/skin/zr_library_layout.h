#pragma once
// The library side's layout gestures: the two splitters that share the width between the browser and the
// track table, and between the track table and the side list (each new size is kept in the settings
// under the skin's name), and files or folders dragged from other applications onto the main window,
// which are added to the table they were dropped on.
//
// Threads: main thread.

#include <string>
#include <vector>

#include "common/zr_string.h"

class ZRDrawNode;

// The smallest widths, in skin points: a drag that would leave a panel at or below its minimum is ignored.
inline constexpr float kBrowserMinWidth = 150, kPlaylistMinWidth = 300, kRightPanelMinWidth = 300;

// Splitter drags (value, dx, dy, button, param, deck, node), dx and dy in skin points.
void OnDragSplitterBrowser(int value, int dx, int dy, int button, int param, int deck, ZRDrawNode* node);
void OnDragSplitterList(int value, int dx, int dy, int button, int param, int deck, ZRDrawNode* node);

// The setting key of a panel size for the skin at skinPath ("__skin_<file name>__<field>").
std::string skinLayoutKey(const ZRString& skinPath, const char* field);

// Paths dropped at (x, y) window pixels: on a sampler slot's pad or name, the first file loads into that
// slot; else into the table under the point (the playlist's list when it is neither table), folders with
// their subfolders. True when anything was added or loaded.
bool FMainWindowOnDropFiles(float x, float y, const std::vector<ZRString>& paths);
