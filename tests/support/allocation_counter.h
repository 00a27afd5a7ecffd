#pragma once
// Counts the allocations a test program makes through the global operator new while the calling thread has
// counting switched on, for tests that check a real-time path allocates nothing. A program that uses it gets
// the replaced operators (malloc and free underneath) from this helper; it must not replace them itself.

namespace orvel_test {

// Switches counting on or off for the calling thread.
void setCountAllocations(bool on);
// Allocations counted so far (on any thread that had counting on), and back to 0.
long countedAllocations();
void resetCountedAllocations();

}  // namespace orvel_test
