#pragma once
// Desktop services that need no window toolkit: opening a web page in the
// user's browser, running a shell command for its output, and the
// screen-saver calls of the GUI tick. (The message boxes live with the
// toolkit code.)

#include <string>

#include "common/zr_string.h"

// Opens url in the user's default browser through xdg-open. True when the
// opener was started, false when it is missing or cannot be started (logged).
bool openUrlInDefaultBrowser(const ZRString& url);

// Runs command through the shell, collects everything it prints on its
// standard output until the end, waits for it to finish and returns the text;
// "" when it cannot be started. Blocks the caller meanwhile.
std::string execAndGetOutput(const char* command);

// Keeping the screen awake is not managed on this platform: these do nothing.
void screenSaverInit();
void screenSaverDeinit();
void screenSaverHeartBeat();
