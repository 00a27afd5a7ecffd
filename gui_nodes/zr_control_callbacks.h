#pragma once
// The slot shapes of the list controls beside the plain action slots (gui/zr_node_events.h): the track
// table and the browser tree hand keys they do not handle, and menu commands they do not run themselves,
// to the application through these.

class ZRDrawNode;

// A key the control does not handle: (key, modifiers, node); true when the receiver handled it.
using ZRKeySlotCallback = bool (*)(int key, int modifiers, ZRDrawNode* node);
// A menu command the control does not run itself: (node, item index, item parameter).
using ZRMenuSlotCallback = void (*)(ZRDrawNode* node, int index, void* param);
