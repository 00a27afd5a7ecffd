#include "platform/thread_platform.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

int platformGetThreadScheduling(pthread_t thread, PlatformThreadScheduling& out) {
  sched_param param{};
  int policy = 0;
  const int err = pthread_getschedparam(thread, &policy, &param);
  if (err != 0) return err;
  out.policy = policy;
  out.priority = param.sched_priority;
  out.minPriority = sched_get_priority_min(policy);
  out.maxPriority = sched_get_priority_max(policy);
  return 0;
}

int platformSetThreadPriority(pthread_t thread, int policy, int priority) {
  sched_param param{};
  param.sched_priority = priority;
  return pthread_setschedparam(thread, policy, &param);
}

int platformEnterRealtimeClass(pthread_t thread) {
  const int maxPriority = sched_get_priority_max(SCHED_FIFO);
  if (maxPriority < 0) return errno != 0 ? errno : EINVAL;
  sched_param param{};
  param.sched_priority = maxPriority;
  return pthread_setschedparam(thread, SCHED_FIFO, &param);
}

int platformEnterRealtimeClassAt(pthread_t thread, int priority) {
  const int low = sched_get_priority_min(SCHED_FIFO);
  const int high = sched_get_priority_max(SCHED_FIFO);
  if (low < 0 || high < 0) return errno != 0 ? errno : EINVAL;
  sched_param param{};
  param.sched_priority = priority < low ? low : (priority > high ? high : priority);
  int err = pthread_setschedparam(thread, SCHED_FIFO, &param);
  if (err != EPERM) return err;
  rlimit budget{};
  if (getrlimit(RLIMIT_RTPRIO, &budget) != 0 || budget.rlim_cur == 0 || budget.rlim_cur == RLIM_INFINITY ||
      static_cast<int>(budget.rlim_cur) >= param.sched_priority) {
    return err;
  }
  param.sched_priority = static_cast<int>(budget.rlim_cur) < low ? low : static_cast<int>(budget.rlim_cur);
  return pthread_setschedparam(thread, SCHED_FIFO, &param);
}

bool platformIsRealtimePolicy(int policy) {
  return policy == SCHED_FIFO || policy == SCHED_RR;
}

int platformMakeCurrentThreadBackground() {
  // On Linux a nice value belongs to the thread (its kernel task id).
  const id_t tid = static_cast<id_t>(syscall(SYS_gettid));
  return setpriority(PRIO_PROCESS, tid, 19) == 0 ? 0 : errno;
}

int64_t platformMonotonicMicros() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

int platformOnlineCpuCount() {
  const long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<int>(n) : 0;
}

int platformConfiguredCpuCount() {
  const long n = sysconf(_SC_NPROCESSORS_CONF);
  return n > 0 ? static_cast<int>(n) : 0;
}

void platformSleepMicros(int64_t micros) {
  if (micros <= 0) return;
  timespec request{};
  request.tv_sec = static_cast<time_t>(micros / 1000000);
  request.tv_nsec = static_cast<long>((micros % 1000000) * 1000);
  timespec remaining{};
  while (nanosleep(&request, &remaining) != 0 && errno == EINTR) request = remaining;
}
