#pragma once
// The main window and its skin engine as the shell's settings, device and skin choice reach them. Both are
// null before the main window exists and after it is gone; every user tests for null.
//
// Main thread, except shellNodeManager and shellNode, which the render thread may call while the window
// exists (the window outlives the render thread).

class wxWindow;
class ZRDrawNode;
class ZRNodeManager;

wxWindow* GetApplicationMainWindow();
ZRNodeManager* shellNodeManager();
// The node table's node of an action for a deck (-1 global); null without a node manager.
ZRDrawNode* shellNode(int action, int deck);

// The window and its node manager (null, null when it goes).
void setShellWindow(wxWindow* window, ZRNodeManager* manager);
