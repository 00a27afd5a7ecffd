#pragma once
// Linux scheduling, clocks, CPU counts and sleeping for the thread layer of
// common/. Thin on purpose: no policy lives here, only the system calls, and
// failures come back as error numbers so the caller decides what to log.

#include <pthread.h>

#include <cstdint>

// The scheduling policy of a thread and the priority bounds of that policy.
struct PlatformThreadScheduling {
  int policy = 0;
  int priority = 0;
  int minPriority = -1;  // -1 when the system does not know the policy
  int maxPriority = -1;
};

// Reads the thread's policy, its current priority and the policy's bounds.
// Returns 0 or an error number.
int platformGetThreadScheduling(pthread_t thread, PlatformThreadScheduling& out);

// Sets the thread's priority within the given policy. Returns 0 or an error number.
int platformSetThreadPriority(pthread_t thread, int policy, int priority);

// Moves the thread into the first-in-first-out real-time policy at its highest
// priority. Returns 0, or the error number when the system refuses (no
// privilege, no real-time budget); the thread then keeps its previous policy.
int platformEnterRealtimeClass(pthread_t thread);

// Moves the thread into the first-in-first-out real-time policy at priority
// (clamped to the policy's bounds). Where an unprivileged process has a
// real-time budget below priority (RLIMIT_RTPRIO), that budget is used
// instead. Returns 0, or the error number when the system refuses; the thread
// then keeps its previous policy. Makes no allocation and takes no lock, so a
// sound device's callback thread may call it.
int platformEnterRealtimeClassAt(pthread_t thread, int priority);

// Whether the policy is one of the real-time policies (first-in-first-out or
// round-robin).
bool platformIsRealtimePolicy(int policy);

// Gives the calling thread the weakest claim on the processors that the normal
// policy has (nice 19), so that background work yields to everything else;
// threads in the real-time class are not affected either way. Returns 0 or an
// error number.
int platformMakeCurrentThreadBackground();

// Microseconds on a clock that never jumps (CLOCK_MONOTONIC).
int64_t platformMonotonicMicros();

// Processors currently online, or 0 when the system does not say.
int platformOnlineCpuCount();

// Processors configured in the system, or 0 when the system does not say.
int platformConfiguredCpuCount();

// Sleeps the calling thread for the given microseconds, resuming after
// signals; returns at once for 0 or less.
void platformSleepMicros(int64_t micros);
