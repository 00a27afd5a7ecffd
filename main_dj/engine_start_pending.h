#pragma once
// Steps of the engine start and shut-down whose modules are not in this tree yet. Each says once
// "<name>: not available yet" in the log and does what can be done without its module, so the application
// starts and stops end to end meanwhile. Each one goes as its module arrives, and the start calls the real
// function in its place; this file shrinks to nothing.
//
// Main thread.

// The sampler banks, the overlays, the scratch and background
// analysis threads, the file drops on the main window: logs only.
void pendingStep(const char* name);
