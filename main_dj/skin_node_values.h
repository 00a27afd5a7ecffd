#pragma once
// The values the shell writes into skin controls when settings change, and the selections it reads back
// from the skin's configuration drop-downs. Writing never runs the control's actions. A null node (a control
// the skin lacks, or no main window yet) is skipped.
//
// Any thread: the controls' setters take no toolkit call.

#include <utility>
#include <vector>

#include "common/zr_string.h"
#include "gui/zr_node_events.h"

class ZRDrawNode;

// Sliders and knobs.
void skinSliderSetPos(ZRDrawNode* node, int position);
void skinSliderSetRange(ZRDrawNode* node, int minimum, int maximum);
// Binds the action called when the user moves the control.
void skinSliderSetUserAction(ZRDrawNode* node, ZRActionCallback action);

// Switch buttons: the shown state, 0 or 1.
void skinSwitchSetState(ZRDrawNode* node, int on);

// Text labels.
void skinTextSetCaption(ZRDrawNode* node, const ZRString& text);

// Drop-down lists: items of (text, parameter).
void skinDropDownSetItems(ZRDrawNode* node, const std::vector<std::pair<ZRString, int>>& items);
void skinDropDownSelectByParam(ZRDrawNode* node, int param);
void skinDropDownSelectByText(ZRDrawNode* node, const ZRString& text);
// The selected item's text and parameter; false when nothing is selected.
bool skinDropDownGetSelected(ZRDrawNode* node, ZRString* text, int* param);
// Binds the action called after the user chose an item.
void skinDropDownSetUserAction(ZRDrawNode* node, ZRActionCallback action);

// Track tables and the browser tree.
void skinTrackTableAdjustFont(ZRDrawNode* node, int adjust);
void skinTrackTableSetDisplayMode(ZRDrawNode* node, int mode);
void skinBrowserExpandSpecialNode(ZRDrawNode* node, int specialNode, bool expand);
void skinBrowserRemovePlugin(ZRDrawNode* node, int pluginId);
