#include "common/zr_thread_priority.h"

#include <cstring>

#include "common/zr_logging.h"
#include "platform/thread_platform.h"

int threadPriorityForStep(ZRThreadPriority step, int minPriority, int maxPriority) {
  float fraction = 0.0f;
  switch (step) {
    case 1:
      fraction = 0.1f;
      break;
    case 2:
      fraction = 0.3f;
      break;
    case 3:
      fraction = 0.5f;
      break;
    case 4:
      fraction = 0.7f;
      break;
    case 5:
      fraction = 0.9f;
      break;
    case 6:
      fraction = 1.0f;
      break;
    default:
      fraction = 0.0f;
      break;
  }
  return static_cast<int>(fraction * static_cast<float>(maxPriority - minPriority) +
                          static_cast<float>(minPriority));
}

void setThreadPriority_internal(pthread_t thread, ZRThreadPriority priority) {
  PlatformThreadScheduling scheduling;
  if (platformGetThreadScheduling(thread, scheduling) == 0) {
    const bool expressible = scheduling.minPriority != -1 && scheduling.maxPriority != -1 &&
                             scheduling.minPriority != scheduling.maxPriority;
    if (expressible) {
      platformSetThreadPriority(
          thread, scheduling.policy,
          threadPriorityForStep(priority, scheduling.minPriority, scheduling.maxPriority));
    }
  }
  // The real-time class is a policy of its own on Linux, so the bounds of the
  // normal policy (always equal there) do not decide about it.
  if (priority == 6) move_pthread_to_realtime_scheduling_class(thread);
}

void setThreadPriority(std::thread& thread, ZRThreadPriority priority) {
  setThreadPriority_internal(thread.native_handle(), priority);
}

bool move_pthread_to_realtime_scheduling_class(pthread_t thread) {
  const int err = platformEnterRealtimeClass(thread);
  if (err == 0) return true;
  // A refused real-time class must not end the process: the thread keeps
  // working, only with less timing guarantee.
  char text[128] = {0};
  const char* reason = strerror_r(err, text, sizeof(text));
  ZRLOG("thread_policy_set: %s (the thread stays in its scheduling class)", reason);
  return false;
}
