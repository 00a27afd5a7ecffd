#pragma once
// The system log: each line goes to syslog and, in one write, to the standard error stream, so lines
// of different threads never split. Safe from any thread; takes no lock of its own.

#include <cstddef>

// Writes one finished line (without a line break; at most 8191 bytes reach the error stream).
void platformSystemLogWrite(const char* line, std::size_t length);
