#include "support/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// The replaced operators pair malloc with free themselves; the compiler cannot see that through inlining.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
thread_local bool counting = false;
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  if (counting) allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace orvel_test {

void setCountAllocations(bool on) {
  counting = on;
}

long countedAllocations() {
  return allocations.load(std::memory_order_relaxed);
}

void resetCountedAllocations() {
  allocations.store(0, std::memory_order_relaxed);
}

}  // namespace orvel_test
