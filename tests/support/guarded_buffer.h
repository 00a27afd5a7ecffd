#pragma once
// A buffer whose last byte is followed by an inaccessible page, so that writing one byte beyond what a
// caller was told to provide faults at once (also without a sanitizer). The start is aligned to 16
// bytes, so up to 15 bytes of slack may lie between the end and the guard page.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

namespace orvel_test {

class GuardedBuffer {
 public:
  explicit GuardedBuffer(size_t bytes) : bytes_(bytes) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t rounded = (bytes + 15) & ~size_t{15};
    dataPages_ = (rounded + page - 1) / page * page;
    mapped_ = dataPages_ + page;
    void* m = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return;
    base_ = static_cast<unsigned char*>(m);
    mprotect(base_ + dataPages_, page, PROT_NONE);
    data_ = base_ + dataPages_ - rounded;
  }
  ~GuardedBuffer() {
    if (base_) munmap(base_, mapped_);
  }
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  // Null when the memory could not be mapped.
  unsigned char* data() const { return data_; }
  size_t size() const { return bytes_; }

 private:
  size_t bytes_;
  size_t dataPages_ = 0;
  size_t mapped_ = 0;
  unsigned char* base_ = nullptr;
  unsigned char* data_ = nullptr;
};

}  // namespace orvel_test
