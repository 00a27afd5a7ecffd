#pragma once
// Facts about the running operating system.

// The kernel runs a 64-bit architecture (whatever this program was built for).
bool platformIsOS64bit();
