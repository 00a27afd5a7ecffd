#include "allocation_counter.h"

#include <cstdlib>
#include <new>

// The replaced operators pair malloc with free themselves; the compiler cannot see that through inlining.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace alloc_test {

thread_local bool countAllocations = false;
std::atomic<long> allocations{0};

}  // namespace alloc_test

void* operator new(std::size_t size) {
  if (alloc_test::countAllocations) alloc_test::allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
