#pragma once
// Starting other programs with posix_spawn (no fork of this large process).

#include <string>

// Runs command through /bin/sh -c, reads everything it writes to its standard
// output (128 bytes at a time) until the end, waits for it and returns the
// bytes in output. False when the shell cannot be started; output then stays
// empty.
bool platformRunShellCommand(const char* command, std::string& output);

// Starts program (looked up in PATH) with the one argument, passed as it is
// (no shell sees it), without waiting for it to finish and without leaving a
// zombie behind. False when the program cannot be found or started.
bool platformLaunchDetached(const char* program, const char* argument);
