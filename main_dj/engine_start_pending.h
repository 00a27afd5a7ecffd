#pragma once
// Steps of the engine start and shut-down whose modules are not in this tree yet. Each says once
// "<name>: not available yet" in the log and does what can be done without its module, so the application
// starts and stops end to end meanwhile. Each one goes as its module arrives, and the start calls the real
// function in its place; this file shrinks to nothing.
//
// Main thread, except pendingGuiTick (render thread).

class ZRNodeManager;

// The action bindings of stage 'A', 'B' or 'C'. Without them stage B still shows the browser's lists in the
// two track tables.
void pendingBindActions(char stage, ZRNodeManager& manager);
// The GUI tick: runs the dispatcher's "GUI" queue only.
void pendingGuiTick(float seconds);
// The main-thread messages (tap tempo, Add dialog, recording button, skin change).
void pendingAsyncCall(int type, int param);
// Controllers, the sampler banks, the video window's place and the overlays, the scratch and background
// analysis threads, the file drops on the main window: logs only.
void pendingStep(const char* name);
