#include "dsp/engine/nreverb/nrev/zr_src.h"

#include <samplerate.h>

#include <cstring>
#include <vector>

#include "dsp/engine/nreverb/nrev/zr_utils.h"

namespace {

// Bound on the silent frames fed while measuring a converter's delay; every libsamplerate converter delivers
// output long before.
constexpr long kMaxLatencyProbe = 65536;

long runConverter(SRC_STATE* state, const float* in, long inFrames, float* out, long outFrames,
                  double ratio) {
  SRC_DATA data;
  std::memset(&data, 0, sizeof(data));
  data.data_in = in;
  data.data_out = out;
  data.input_frames = inFrames;
  data.output_frames = outFrames;
  data.src_ratio = ratio;
  data.end_of_input = 0;
  const int error = src_process(state, &data);
  if (error != 0) {
    ZR_utils::diag("src_process():%s\n", src_strerror(error));
    return 0;
  }
  return data.output_frames_gen;
}

// A factor of 1 converts nothing: the input passes as it is (in place or into other buffers).
long copyThrough(const float* inL, const float* inR, float* outL, float* outR, long n) {
  if (outL != inL) std::memmove(outL, inL, sizeof(float) * n);
  if (outR != inR) std::memmove(outR, inR, sizeof(float) * n);
  return n;
}

}  // namespace

ZR_src::ZR_src() = default;

ZR_src::~ZR_src() {
  releaseStates();
}

void ZR_src::releaseStates() {
  for (SRC_STATE_tag*& state : states_) {
    if (state != nullptr) src_delete(state);
    state = nullptr;
  }
}

bool ZR_src::haveStates() const {
  for (SRC_STATE_tag* state : states_) {
    if (state == nullptr) return false;
  }
  return true;
}

bool ZR_src::setSRCFactor(long factor, long converterKind) {
  latency_ = 0;
  if (!src_is_valid_ratio(static_cast<double>(factor))) {
    ZR_utils::diag("libsamplerate: Sample rate change out of valid range:%ld\n", factor);
    return false;
  }
  ZR_utils::diag("libsamplerate: ratio = %f converter_type = %ld\n", static_cast<double>(factor),
                 converterKind);
  factor_ = factor;
  converterKind_ = converterKind;
  releaseStates();
  if (factor_ == 1) return true;
  bool ok = true;
  if (converterKind_ == kBiquad) {
    for (ZR_biquad& filter : biquad_) filter.setLPF(1.0f, bandwidth_, 2.0f * factor_);
  } else if (converterKind_ == kOnePole) {
    for (ZR_iir_1st& filter : onePole_) filter.setLPF_BW(1.0f, 2.0f * factor_);
  } else if (converterKind_ != kRepeat) {
    int errors[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) states_[i] = src_new(static_cast<int>(converterKind_), 1, &errors[i]);
    if (!haveStates()) {
      int first = 0;
      for (int error : errors) {
        if (error != 0 && first == 0) first = error;
      }
      const char* name = src_get_name(static_cast<int>(converterKind_));
      ZR_utils::diag("src_new(): %s|%s.\n\n", src_strerror(first),
                     name != nullptr ? name : "unknown converter");
      releaseStates();
      ok = false;
    } else {
      measureLatency();
    }
  }
  mute();
  return ok;
}

void ZR_src::measureLatency() {
  // Silent single frames go up and back down until the first frame comes out; the frames fed are the delay of
  // the pair at the outer rate.
  ZR_utils::diag("filling SRC:");
  std::vector<float> up(static_cast<size_t>(factor_) + 1, 0.0f);
  const float silence = 0.0f;
  float down = 0.0f;
  long upDelay = -1;
  long downFed = 0;
  long downDelay = -1;
  long fed = 0;
  while (fed < kMaxLatencyProbe) {
    ++fed;
    const long made =
        runConverter(states_[kUpLeft], &silence, 1, up.data(), factor_, static_cast<double>(factor_));
    ZR_utils::diag("%ld>", made);
    if (made > 0 && upDelay < 0) upDelay = fed - 1;
    downFed += made;
    const long back = made > 0 ? runConverter(states_[kDownLeft], up.data(), made, &down, 1,
                                              1.0 / static_cast<double>(factor_))
                               : 0;
    ZR_utils::diag("%ld,", back);
    if (back > 0) {
      downDelay = downFed;
      break;
    }
  }
  latency_ = fed - 1;
  ZR_utils::diag("latency: %ld/%ld,%ld\n", latency_, upDelay, downDelay);
}

long ZR_src::usrc(const float* inL, const float* inR, float* outL, float* outR, long n) {
  if (n < 1) return 0;
  if (factor_ == 1) return copyThrough(inL, inR, outL, outR, n);
  const long f = factor_;
  if (converterKind_ == kBiquad || converterKind_ == kOnePole) {
    const float* in[2] = {inL, inR};
    float* out[2] = {outL, outR};
    for (int c = 0; c < 2; ++c) {
      // Backwards so that input and output may share storage.
      for (long i = n - 1; i >= 0; --i) {
        const float v = in[c][i] * static_cast<float>(f);
        for (long j = f - 1; j > 0; --j) out[c][i * f + j] = 0.0f;
        out[c][i * f] = v;
      }
      const long m = n * f;
      if (converterKind_ == kBiquad) {
        for (long i = 0; i < m; ++i) out[c][i] = biquad_[kUpLeft + c].process(out[c][i]);
      } else {
        for (long i = 0; i < m; ++i) out[c][i] = onePole_[kUpLeft + c].process(out[c][i]);
      }
    }
    return n;
  }
  if (converterKind_ == kRepeat) {
    const float* in[2] = {inL, inR};
    float* out[2] = {outL, outR};
    for (int c = 0; c < 2; ++c) {
      for (long i = n - 1; i >= 0; --i) {
        const float v = in[c][i];
        for (long j = 0; j < f; ++j) out[c][i * f + j] = v;
      }
    }
    return n;
  }
  if (!haveStates()) return 0;
  const long made = runConverter(states_[kUpLeft], inL, n, outL, n * f, static_cast<double>(f));
  runConverter(states_[kUpRight], inR, n, outR, n * f, static_cast<double>(f));
  return made;
}

long ZR_src::dsrc(const float* inL, const float* inR, float* outL, float* outR, long n) {
  if (n < 1) return 0;
  if (factor_ == 1) return copyThrough(inL, inR, outL, outR, n);
  const long f = factor_;
  const float* in[2] = {inL, inR};
  float* out[2] = {outL, outR};
  if (converterKind_ == kBiquad || converterKind_ == kOnePole) {
    for (int c = 0; c < 2; ++c) {
      for (long i = 0; i < n; ++i) {
        float kept = 0.0f;
        for (long j = 0; j < f; ++j) {
          const float v = in[c][i * f + j];
          const float y = converterKind_ == kBiquad ? biquad_[kDownLeft + c].process(v)
                                                    : onePole_[kDownLeft + c].process(v);
          if (j == 0) kept = y;
        }
        out[c][i] = kept;
      }
    }
    return n;
  }
  if (converterKind_ == kRepeat) {
    for (int c = 0; c < 2; ++c) {
      for (long i = 0; i < n; ++i) out[c][i] = in[c][i * f];
    }
    return n;
  }
  if (!haveStates()) return 0;
  const double ratio = 1.0 / static_cast<double>(f);
  const long made = runConverter(states_[kDownLeft], inL, n * f, outL, n, ratio);
  runConverter(states_[kDownRight], inR, n * f, outR, n, ratio);
  return made;
}

void ZR_src::mute() {
  for (ZR_iir_1st& filter : onePole_) filter.mute();
  for (ZR_biquad& filter : biquad_) filter.mute();
  if (haveStates()) {
    for (SRC_STATE_tag* state : states_) src_reset(state);
  }
}
