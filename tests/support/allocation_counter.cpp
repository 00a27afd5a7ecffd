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

// Every plain form is replaced, arrays and non-throwing ones included: a sanitizer replaces the forms left
// out with its own, and a block its operator made would then reach free through one of ours.
namespace {
void* counted(std::size_t size) noexcept {
  if (counting) allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
}  // namespace

void* operator new(std::size_t size) {
  if (void* p = counted(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = counted(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return counted(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return counted(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
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
