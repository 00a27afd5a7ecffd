#pragma once
// The seven priority steps of the system's threads and how they map onto the
// platform scheduler.
//
// Steps 1..5 sit at 0.1, 0.3, 0.5, 0.7 and 0.9 of the way from the minimum to
// the maximum priority of the thread's scheduling policy; 0 (and any value
// outside 1..6) is the minimum. Step 6 is the maximum and also asks for the
// real-time class. Under the normal Linux policy the minimum and the maximum
// are the same, so steps 0..5 leave such a thread as it is.

#include <pthread.h>

#include <thread>

using ZRThreadPriority = int;

// The platform priority of a step for a policy whose priorities run from
// minPriority to maxPriority (computed in single precision, cut toward zero).
int threadPriorityForStep(ZRThreadPriority step, int minPriority, int maxPriority);

// Applies a step to a thread. Nothing changes when the policy cannot express
// it (equal bounds, or a bound of -1); step 6 then still asks for the
// real-time class.
void setThreadPriority_internal(pthread_t thread, ZRThreadPriority priority);

// The same for a standard thread object.
void setThreadPriority(std::thread& thread, ZRThreadPriority priority);

// Moves the thread into the real-time (first-in-first-out) class. When the
// system refuses (no privilege or no real-time budget) it logs a line
// starting "thread_policy_set:" and the thread runs on in its previous class;
// the result says whether the move happened.
bool move_pthread_to_realtime_scheduling_class(pthread_t thread);
