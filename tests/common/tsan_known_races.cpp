// Under ThreadSanitizer only: the lock-free queue's block reuse is ordered by
// atomics the sanitizer does not model, so it reports races inside the
// queue's own code that are not real. Races anywhere else are still reported.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
  return "race:moodycamel::ConcurrentQueue\n";
}
#endif
