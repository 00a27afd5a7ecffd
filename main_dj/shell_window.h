#pragma once
// The main window and its skin engine as the shell's settings, device and skin choice reach them: the main
// window is ZRMainFrame's MainFrame. Without a main window (before it exists, after it is gone, or a skin
// engine run without a window) the shell works on the node manager given to setShellNodeManager. Every
// user tests for null.
//
// Main thread, except shellNodeManager and shellNode, which the render thread may call while the window
// exists (the window outlives the render thread).

class ZRDrawNode;
class ZRMainFrame;
class ZRNodeManager;

// MainFrame (null without a main window).
ZRMainFrame* GetApplicationMainWindow();
// The main window's node manager, else the one given to setShellNodeManager.
ZRNodeManager* shellNodeManager();
// The node table's node of an action for a deck (-1 global); null without a node manager.
ZRDrawNode* shellNode(int action, int deck);

// The node manager used while there is no main window (null: none).
void setShellNodeManager(ZRNodeManager* manager);
