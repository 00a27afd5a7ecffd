// Under ThreadSanitizer only: the library's read lock is taken both before a
// list's lock (the history row of a play, dropping rows of removed tracks)
// and while a list's write lock is held (sorting and filtering read the
// records). The sanitizer reports that as a possible deadlock, but a read
// hold never waits for another read hold, nor for a writer that only waits
// (the lock prefers readers), and whoever holds the library's write lock
// takes no other lock; so no cycle can close. Other inversions are still
// reported.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
  return "deadlock:ZRDatabase::lockDatabaseForReading\n";
}
#endif
