#include "codecs/zr_rate_converter.h"

#include <soxr.h>

#include <algorithm>
#include <cstring>
#include <numeric>

#include "common/zr_logging.h"

namespace {

// Output frames made and dropped before a position the converter starts at again: the filter's reach
// at any pair of rates is well inside this, so that the frames from the position on no longer depend
// on where it started.
constexpr int64_t kRestartLeadFrames = 2048;

}  // namespace

ZRRateConverter::~ZRRateConverter() {
  close();
}

bool ZRRateConverter::open(int fromRate, int toRate, int channels, int maxSourceFrames, Source source) {
  close();
  if (fromRate <= 0 || toRate <= 0 || channels <= 0 || maxSourceFrames <= 0 || !source) return false;
  fromRate_ = fromRate;
  toRate_ = toRate;
  channels_ = channels;
  maxSourceFrames_ = maxSourceFrames;
  source_ = std::move(source);
  const int64_t g = std::gcd(int64_t{fromRate}, int64_t{toRate});
  gridIn_ = fromRate / g;
  gridOut_ = toRate / g;
  if (!restart(0)) {
    close();
    return false;
  }
  return true;
}

void ZRRateConverter::close() {
  if (soxr_) soxr_delete(soxr_);
  soxr_ = nullptr;
  fromRate_ = toRate_ = channels_ = maxSourceFrames_ = 0;
  source_ = nullptr;
  nextOut_ = -1;
  sourcePos_ = 0;
  sourceEnded_ = false;
}

bool ZRRateConverter::restart(int64_t pos) {
  if (soxr_) soxr_delete(soxr_);
  soxr_ = nullptr;
  soxr_error_t error = nullptr;
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  // One thread: the converter runs on its reader's thread and must not start threads of its own.
  const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
  soxr_ = soxr_create(fromRate_, toRate_, static_cast<unsigned>(channels_), &error, &io, &quality, &runtime);
  if (!soxr_ || error) {
    ZRLOG("error: cannot convert %d Hz to %d Hz (%s)", fromRate_, toRate_, error ? error : "no converter");
    if (soxr_) soxr_delete(soxr_);
    soxr_ = nullptr;
    return false;
  }
  soxr_set_input_fn(soxr_, reinterpret_cast<soxr_input_fn_t>(&ZRRateConverter::supply), this,
                    static_cast<size_t>(maxSourceFrames_));
  int64_t out = pos - kRestartLeadFrames;
  out = out <= 0 ? 0 : out / gridOut_ * gridOut_;
  nextOut_ = out;
  sourcePos_ = out / gridOut_ * gridIn_;
  sourceEnded_ = false;
  return true;
}

size_t ZRRateConverter::supply(void* state, const void** data, size_t requested) {
  auto* self = static_cast<ZRRateConverter*>(state);
  static const float kNone = 0.0f;
  // A null pointer with no data would mean a failure: the end of the source is no data at a pointer.
  *data = &kNone;
  if (self->sourceEnded_) return 0;
  const int want = static_cast<int>(std::min<size_t>(requested, static_cast<size_t>(self->maxSourceFrames_)));
  int got = 0;
  const float* samples = self->source_(self->sourcePos_, want, &got);
  got = std::clamp(got, 0, want);
  if (got < want) self->sourceEnded_ = true;
  if (got == 0 || !samples) return 0;
  self->sourcePos_ += got;
  *data = samples;
  return static_cast<size_t>(got);
}

int ZRRateConverter::read(float* dst, int frames, int64_t pos) {
  if (!dst || frames <= 0 || pos < 0 || fromRate_ <= 0) return 0;
  if (!soxr_ || pos != nextOut_) {
    if (!restart(pos)) return 0;
  }
  // What the converter makes before pos is dropped, through dst.
  while (nextOut_ < pos) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(frames, pos - nextOut_));
    const size_t made = soxr_output(soxr_, dst, n);
    nextOut_ += static_cast<int64_t>(n);
    if (made < n) {
      // The source ended before pos.
      nextOut_ = pos;
      break;
    }
  }
  const size_t made = soxr_output(soxr_, dst, static_cast<size_t>(frames));
  if (made < static_cast<size_t>(frames)) {
    std::memset(dst + made * channels_, 0, (static_cast<size_t>(frames) - made) * channels_ * sizeof(float));
  }
  nextOut_ = pos + frames;
  return static_cast<int>(made);
}
