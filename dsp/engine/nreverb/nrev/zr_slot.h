#pragma once
// Multi-channel work buffer of the reverb engine (one aligned float buffer per channel).

class ZR_slot {
 public:
  ZR_slot() = default;
  virtual ~ZR_slot();
  ZR_slot(const ZR_slot&) = delete;
  ZR_slot& operator=(const ZR_slot&) = delete;

  // Frees the old buffers and allocates channels buffers of length zeroed floats. Nothing (and true) for
  // length < 1 or channels < 1. When an allocation fails it writes "slot::alloc(length, channels) bad_alloc"
  // to the standard error stream, keeps no buffer and returns false.
  bool alloc(long length, long channels);
  void free();
  void mute();

  long getsize() const { return length_; }
  long getChannels() const { return channels_; }
  float* channel(long c) const { return (c >= 0 && c < channels_) ? buffers_[c] : nullptr; }

  // Shortcuts to channels 0 and 1 (null when absent).
  float* L = nullptr;
  float* R = nullptr;

 private:
  long length_ = 0;
  long channels_ = 0;
  float** buffers_ = nullptr;
};
