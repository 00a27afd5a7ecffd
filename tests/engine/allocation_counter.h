#pragma once
// Counts the allocations of the test program's threads through the global
// allocation operators (replaced in allocation_counter.cpp): a thread sets
// its own flag around the code that must not allocate.

#include <atomic>

namespace alloc_test {

// Set by a thread while its allocations count.
extern thread_local bool countAllocations;
extern std::atomic<long> allocations;

}  // namespace alloc_test
