#pragma once
// The action functions the bindings store into the skin nodes, found by name: the skin actions by their
// rows in the action table (actions_dj/dj_action_table.h), the other shapes and the application's own
// functions by the list in action_functions.cpp, and the names not available yet by
// action_functions_not_available_yet.h. A name that is not available yet is bound to a placeholder of the
// slot's shape that logs "action not available yet: NAME" the first time it runs (once per name for the whole
// process) and otherwise does nothing, so a control never silently does nothing. As the user actions arrive
// their names move from the not-available list to the function list.
//
// Threads: lookups are stateless; a placeholder may run on any thread (main, render), its once-only log
// is guarded.

#include "gui/zr_draw_node.h"
#include "gui/zr_node_events.h"
#include "gui_nodes/zr_control_callbacks.h"

// The callback shapes of the node slots.
enum class ZRActionShape : int {
  Action,    // ZRActionCallback: buttons, sliders, drop-downs, texts, table slots
  Pointer,   // ZRPointerActionCallback: waveforms, jog wheel, pad, splitters
  Drop,      // ZRDropCallbackUser: a node that takes dropped tracks
  TableKey,  // ZRKeySlotCallback: keys a track table or the browser does not handle
  EditKey,   // void (key, modifiers, node): keys of the search field
  Menu,      // ZRMenuSlotCallback: menu commands of the track tables and the browser
};

using ZREditKeyCallback = void (*)(int key, int modifiers, ZRDrawNode* node);

// The function of name in the shape asked for; the placeholder of name when it is not available yet; null
// for a name the table does not know, or a function of another shape (the caller logs it).
ZRActionCallback actionFunction(const char* name);
ZRPointerActionCallback pointerActionFunction(const char* name);
ZRDropCallbackUser dropActionFunction(const char* name);
ZRKeySlotCallback tableKeyActionFunction(const char* name);
ZREditKeyCallback editKeyActionFunction(const char* name);
ZRMenuSlotCallback menuActionFunction(const char* name);

// A call the shell makes of a function that is not built yet (one that is not a node slot, such as the
// tick's per-deck display update): logs "action not available yet: NAME" the first time, like a
// placeholder. name must be in the not-available list.
void noteActionNotAvailable(const char* name);

// The table itself (for tests and the bindings' self-check).
// True when name is in the function list; shape receives its shape.
bool isActionFunctionAvailable(const char* name, ZRActionShape* shape = nullptr);
// True when name is in the not-available list.
bool isActionFunctionNotAvailableYet(const char* name);
// The not-available list, in its order.
const char* const* actionFunctionsNotAvailableYet(int& count);
// True when function is the placeholder of a name that is not available yet (the bindings keep such
// controls from showing a state they do not have).
bool isActionPlaceholder(ZRActionCallback function);
// True when the placeholder of name has run (and logged) at least once.
bool hasActionPlaceholderRun(const char* name);
