#pragma once
// Telling processes apart over time. A process id alone is reused once its process has ended; the id
// together with the process's start time (clock ticks after boot, from /proc) names one process for
// as long as the system runs.

#include <sys/types.h>

#include <cstdint>

// The start time of process pid in clock ticks after boot; 0 when no such process runs (or /proc
// cannot say).
uint64_t platformProcessStartTicks(pid_t pid);

// This process's own start time, as above (read once).
uint64_t platformOwnStartTicks();
