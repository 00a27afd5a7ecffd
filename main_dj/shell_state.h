#pragma once
// Process-wide flags of the application shell. Set on the main thread; read from any thread.

#include <atomic>

// The first command-line argument was "runFromIDE": adds " (IDE)" to the version texts.
extern std::atomic<bool> runFromIDE;
// The data folder did not exist at this start (set by InitializeApplicationFolders).
extern std::atomic<bool> isFirstRun;
// Start-up has finished: the settings reactions may show and hide windows from now on.
extern std::atomic<bool> appCompletelyLoaded;
// Shut-down has begun.
extern std::atomic<bool> deinitStarted;

// Sets runFromIDE; logs "runFromIDE" when it becomes true.
void setRunFromIDE(bool on);

// The process runs under the test suite (ORVEL_TEST=1 in its environment): nothing may wait for a user,
// so questions take their preset answer and problems are shown without blocking.
bool isRunningUnderTest();
