#pragma once
// Names and ids of the calling thread, and the number of logical cores.

#include <pthread.h>

// Names the calling thread. The full name is kept for the log; the kernel
// shows only its first 15 bytes. A refused name logs
// "error: cannot set thread name to: '<name>'" and the thread runs on.
void setThreadName(const char* name);

// Writes the calling thread's full name into buffer (at most size - 1 bytes,
// "" first). True when the name could be read, false for a null buffer or
// when the system gives no name.
bool getCurrentThreadName(char* buffer, int size);

// The calling thread's POSIX handle.
pthread_t getCurrentThreadId();

// Logical cores: the standard library's hardware concurrency when above 0,
// else the online CPU count, else the configured CPU count, else 1.
int getTotalLogicalCores();
