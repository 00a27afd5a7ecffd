#pragma once
// The engine nodes as the shell's tick, messages and script calls reach them: the node of an action for a
// deck in the node manager's table (index action + 727 x (deck + 1)). Every index is checked here: an
// action outside 1..726 or a deck outside -1..1 (a script may pass anything) finds no node, never a slot
// of another block or outside the table.
//
// Without a manager argument the node manager is the shell's (shell_window.h: the main window's, or the
// one a windowless run gives). Any thread (the manager outlives the render thread).

class ZRDrawNode;
class ZRNodeManager;

// The node of action for deck (-1 global, 0, 1); null outside the table, for an empty slot or without a
// node manager.
ZRDrawNode* engineNode(ZRNodeManager* manager, int action, int deck);
ZRDrawNode* engineNode(int action, int deck);
// The same node as a control class; null when it is another class.
template <typename T>
T* engineNodeAs(int action, int deck) {
  return dynamic_cast<T*>(engineNode(action, deck));
}
template <typename T>
T* engineNodeAs(ZRNodeManager* manager, int action, int deck) {
  return dynamic_cast<T*>(engineNode(manager, action, deck));
}
