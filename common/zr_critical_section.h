#pragma once
// ZRCriticalSection: a read/write lock. A writer (enterExclusive) excludes
// everyone; readers (enterShared) exclude only writers, any number at once.
//
// Not recursive: a thread that holds it must not take it again in either
// mode. Failures of the underlying lock are logged and otherwise ignored, so
// callers never see an error.

#include <pthread.h>

class ZRCriticalSection {
 public:
  ZRCriticalSection();
  ~ZRCriticalSection();

  ZRCriticalSection(const ZRCriticalSection&) = delete;
  ZRCriticalSection& operator=(const ZRCriticalSection&) = delete;

  void enterExclusive();
  void leaveExclusive();
  void enterShared();
  void leaveShared();

 private:
  pthread_rwlock_t lock_;
};
