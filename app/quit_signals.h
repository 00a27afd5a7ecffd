#pragma once
// The system's request to end the program (SIGTERM at log-out or shut-down, SIGINT from a terminal,
// SIGHUP when the terminal goes) closes the main window by force on the main thread, so the engine shuts
// down and everything is saved, as when the user closes the window without being asked. A second request
// ends the process at once.
//
// installQuitSignals runs first thing in main, before any thread starts: the signals are blocked for every
// thread and one watcher thread waits for them.

void installQuitSignals();
