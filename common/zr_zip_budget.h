#pragma once
// How far a karaoke zip package may expand. A package is a song's audio and its graphics, a few tens of
// megabytes at most, and it is extracted into the user's Samples folder when a deck opens it: a small
// archive that inflates to gigabytes (zeros compress about a thousand to one) would fill the disk. Both
// extractors count what they write against one budget per extraction and give up, removing what they
// wrote, once it is spent.
//
// The budget is the larger of kFreeBytes and kMaxRatio times the archive's size, and never more than
// kMaxBytes. One extraction, one thread.

#include <cstdint>

class ZRZipBudget {
 public:
  // Expands freely up to this, whatever the archive's size (graphics compress far better than audio).
  static constexpr uint64_t kFreeBytes = uint64_t{64} << 20;
  // Beyond that, the expanded bytes may be at most this many times the archive's bytes.
  static constexpr uint64_t kMaxRatio = 50;
  // And never more than this.
  static constexpr uint64_t kMaxBytes = uint64_t{1} << 30;

  explicit ZRZipBudget(uint64_t archiveBytes);

  // The archive's size in bytes, 0 when it cannot be read.
  static uint64_t archiveSize(const char* path);

  uint64_t limit() const { return limit_; }
  uint64_t used() const { return used_; }
  // Whether bytes more would still fit (for sizes an archive declares before anything is written).
  bool allows(uint64_t bytes) const { return bytes <= limit_ - used_; }
  // Counts bytes written; false once the total is beyond the limit (the bytes are counted all the same).
  bool take(uint64_t bytes);

 private:
  uint64_t limit_;
  uint64_t used_ = 0;
};
