#include "common/zr_critical_section.h"

#include "common/zr_logging.h"

ZRCriticalSection::ZRCriticalSection() {
  if (pthread_rwlock_init(&lock_, nullptr) != 0) ZRLOG("pthread_rwlock_init failed");
}

ZRCriticalSection::~ZRCriticalSection() {
  if (pthread_rwlock_destroy(&lock_) != 0) ZRLOG("pthread_rwlock_destroy failed");
}

void ZRCriticalSection::enterExclusive() {
  if (pthread_rwlock_wrlock(&lock_) != 0) ZRLOG("pthread_rwlock_wrlock failed");
}

void ZRCriticalSection::leaveExclusive() {
  if (pthread_rwlock_unlock(&lock_) != 0) ZRLOG("pthread_rwlock_unlock failed");
}

void ZRCriticalSection::enterShared() {
  if (pthread_rwlock_rdlock(&lock_) != 0) ZRLOG("pthread_rwlock_rdlock failed");
}

void ZRCriticalSection::leaveShared() {
  if (pthread_rwlock_unlock(&lock_) != 0) ZRLOG("pthread_rwlock_unlock failed");
}
