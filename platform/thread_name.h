#pragma once
// The calling thread's name as the system knows it. The full name is kept per thread for the log; the
// kernel keeps only 15 bytes of it (cut at a UTF-8 character boundary).

// Stores the name for the calling thread and hands its first 15 bytes to the kernel. Returns false when
// the kernel refused the name (the stored name is kept anyway). Null or "" clears the stored name.
// Names longer than 63 bytes are stored cut to 63 bytes.
bool platformSetCurrentThreadName(const char* fullName);

// The name stored for the calling thread, or null when it has none.
const char* platformCurrentThreadName();
