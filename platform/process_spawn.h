#pragma once
// Starting other programs with posix_spawn (no fork of this large process).

#include <cstddef>
#include <string>
#include <vector>

// Runs command through /bin/sh -c, reads everything it writes to its standard
// output (128 bytes at a time) until the end, waits for it and returns the
// bytes in output. False when the shell cannot be started; output then stays
// empty.
bool platformRunShellCommand(const char* command, std::string& output);

// Starts program (looked up in PATH) with the one argument, passed as it is
// (no shell sees it), without waiting for it to finish and without leaving a
// zombie behind. False when the program cannot be found or started.
bool platformLaunchDetached(const char* program, const char* argument);

// How platformRunProgram ended.
enum class PlatformRunResult {
  Exited,         // the program ran and ended by itself; exitCode holds its status
  NotStarted,     // the program could not be started (missing, not executable)
  TimedOut,       // it ran longer than the time limit and was killed
  OutputTooLong,  // it printed more than the output limit and was killed
};

// Runs argv[0] (a path; not looked up in PATH) with the arguments argv[1..] as they are (no shell), its
// standard input /dev/null and its standard error discarded, and collects its standard output. The
// program is killed (SIGKILL) when it runs longer than timeoutMs or prints more than maxOutput bytes;
// the call returns within about timeoutMs whatever the program does. exitCode (may be null) gets the
// exit status for Exited (-1 when a signal ended it).
PlatformRunResult platformRunProgram(const std::vector<std::string>& argv, int timeoutMs, size_t maxOutput,
                                     std::string& output, int* exitCode);
