#pragma once
// The circular sample store shared by the comb, the allpass and the delay line: a buffer, its length in use
// and the position read and written next. Resizing keeps the newest samples so that a change of length does
// not cut the sound, and reuses the buffer when it is large enough, so a line reserved at construction can be
// re-sized later without allocating.

#include <memory>

struct ZR_line {
  std::unique_ptr<float[]> buffer;
  long capacity = 0;
  long length = 0;
  long index = 0;

  // Makes room for n samples without changing the line's length or contents (configuration time).
  void reserve(long n);

  // A zeroed line of n samples replaces the old one: the old line is read out from its oldest sample, and the
  // last min(old length, n) values fill the end of the new line; index restarts at 0. Allocates only when n
  // exceeds the capacity. n <= 0 changes nothing.
  void resize(long n);

  // Zeroes the samples in use and restarts at position 0.
  void zero();

  // Releases the buffer; the line then has no length.
  void release();

  // The sample at the current position, then advance.
  float* at() { return &buffer[index]; }
  void advance() {
    if (++index >= length) index = 0;
  }
};
