#pragma once
// ZRRateConverter: a source read at any position, converted to another sample rate as if the whole
// source had been converted in one piece. Consecutive reads continue one converter, so the requests'
// sizes do not matter; a read elsewhere starts the converter again a little earlier, at a source frame
// that falls exactly on an output frame (the two rates' common grid), and drops what it made before the
// asked position, so that the output equals the one-piece conversion there too (to float rounding).
//
// The conversion is libsoxr's high quality (20-bit precision, linear phase, no aliasing above the
// output's Nyquist frequency, the filter's delay removed).
//
// One thread at a time: the one that reads the source.

#include <cstdint>
#include <functional>

struct soxr;

class ZRRateConverter {
 public:
  // Reads up to frames source frames from source frame pos as interleaved floats; returns them (valid
  // until the next call) and the frames read through *got (fewer only at the end of the source).
  using Source = std::function<const float*(int64_t pos, int frames, int* got)>;

  ZRRateConverter() = default;
  ~ZRRateConverter();
  ZRRateConverter(const ZRRateConverter&) = delete;
  ZRRateConverter& operator=(const ZRRateConverter&) = delete;

  // maxSourceFrames bounds each source read. False (nothing open) when libsoxr refuses the rates.
  bool open(int fromRate, int toRate, int channels, int maxSourceFrames, Source source);
  void close();
  bool isOpen() const { return soxr_ != nullptr; }

  // Writes frames output frames from output frame pos into dst (frames x channels floats). Returns the
  // frames made from the source: fewer only at its end, the rest of dst is silence.
  int read(float* dst, int frames, int64_t pos);

 private:
  static size_t supply(void* self, const void** data, size_t requested);
  bool restart(int64_t pos);

  soxr* soxr_ = nullptr;
  int fromRate_ = 0;
  int toRate_ = 0;
  int channels_ = 0;
  int maxSourceFrames_ = 0;
  Source source_;
  // The common grid: gridIn_ source frames span exactly gridOut_ output frames.
  int64_t gridIn_ = 1;
  int64_t gridOut_ = 1;
  int64_t nextOut_ = -1;  // the output frame the converter makes next
  int64_t sourcePos_ = 0;
  bool sourceEnded_ = false;
};
