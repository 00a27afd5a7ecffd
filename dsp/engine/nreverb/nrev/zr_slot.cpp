#include "dsp/engine/nreverb/nrev/zr_slot.h"

#include <new>

#include "dsp/engine/nreverb/nrev/zr_utils.h"

ZR_slot::~ZR_slot() {
  free();
}

bool ZR_slot::alloc(long length, long channels) {
  if (length < 1 || channels < 1) return true;
  free();
  float** buffers = new (std::nothrow) float*[channels]();
  bool ok = buffers != nullptr;
  for (long c = 0; ok && c < channels; ++c) {
    buffers[c] = static_cast<float*>(ZR_utils::aligned_malloc(sizeof(float) * length, 8));
    ok = buffers[c] != nullptr;
  }
  if (!ok) {
    ZR_utils::diag("slot::alloc(%ld, %ld) bad_alloc\n", length, channels);
    if (buffers != nullptr) {
      for (long c = 0; c < channels; ++c) ZR_utils::aligned_free(buffers[c]);
      delete[] buffers;
    }
    return false;
  }
  buffers_ = buffers;
  length_ = length;
  channels_ = channels;
  L = buffers_[0];
  R = channels_ > 1 ? buffers_[1] : nullptr;
  mute();
  return true;
}

void ZR_slot::free() {
  if (buffers_ != nullptr) {
    for (long c = 0; c < channels_; ++c) ZR_utils::aligned_free(buffers_[c]);
    delete[] buffers_;
  }
  buffers_ = nullptr;
  length_ = 0;
  channels_ = 0;
  L = R = nullptr;
}

void ZR_slot::mute() {
  for (long c = 0; c < channels_; ++c) ZR_utils::mute(buffers_[c], length_);
}
