#include "dsp/timecode_blocks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

// ---------------------------------------------------------------------------
// CZinvStereo

CZinvStereo::CZinvStereo(long length)
    : left(static_cast<size_t>(std::max(1L, length))),
      right(left.size()),
      len(static_cast<long>(left.size())) {}

long CZinvStereo::GetState(float* outL, float* outR, long count, long offset) const {
  const long n = std::min(count, len);
  long p = offset + index;
  while (p >= len) p -= len;
  for (long i = 0; i < n; ++i) {
    outL[i] = left[p];
    outR[i] = right[p];
    if (++p == len) p = 0;
  }
  return n;
}

long CZinvStereo::SetState(const float* inL, const float* inR, long count) {
  if (count != len) return -1;
  std::memcpy(left.data(), inL, sizeof(float) * len);
  std::memcpy(right.data(), inR, sizeof(float) * len);
  index = 0;
  return 0;
}

void CZinvStereo::ClearState() {
  std::fill(left.begin(), left.end(), 0.0f);
  std::fill(right.begin(), right.end(), 0.0f);
}

void CZinvStereo::DelayIt(const float* inL, const float* inR, float* outL, float* outR, long n) {
  for (long i = 0; i < n; ++i) {
    const float l = inL[i], r = inR[i];
    outL[i] = left[index];
    outR[i] = right[index];
    left[index] = l;
    right[index] = r;
    if (++index == len) index = 0;
  }
}

void CZinvStereo::StoreIt(const float* inL, const float* inR, long n) {
  for (long i = 0; i < n; ++i) {
    left[index] = inL[i];
    right[index] = inR[i];
    if (++index == len) index = 0;
  }
}

// ---------------------------------------------------------------------------
// CHanning

namespace {

std::vector<float> makeHann(long n) {
  std::vector<float> w(static_cast<size_t>(n));
  for (long i = 0; i < n; ++i) {
    const float angle = static_cast<float>(6.28318530717958 * static_cast<float>(i) / static_cast<float>(n));
    w[i] = static_cast<float>(0.5 * (1.0 - std::cos(static_cast<double>(angle))));
  }
  return w;
}

const float* sharedHann(long n) {
  // The demodulator asks for two lengths only; the tables live as long as the process.
  static std::mutex lock;
  static std::vector<std::pair<long, std::unique_ptr<std::vector<float>>>> tables;
  std::lock_guard<std::mutex> guard(lock);
  for (auto& t : tables) {
    if (t.first == n) return t.second->data();
  }
  tables.emplace_back(n, std::make_unique<std::vector<float>>(makeHann(n)));
  return tables.back().second->data();
}

}  // namespace

CHanning::CHanning(long length) : n(std::max(1L, length)), window(sharedHann(n)) {}

// ---------------------------------------------------------------------------
// CMyArcTanApprox

double CMyArcTanApprox::approx_arctan(double x) const {
  double t = std::fabs(x);
  const bool inverted = t > 1.0;
  if (inverted) t = 1.0 / t;
  const bool shifted = t > k0;
  if (shifted) t = (t - k) / (1.0 + k * t);
  const double t2 = t * t;
  double r = t * (A + B * t2) / (1.0 + C * t2);
  if (shifted) r += b;
  if (inverted) r = halfpi - r;
  return x < 0 ? -r : r;
}

// ---------------------------------------------------------------------------
// CBJShelfEQ

void CBJShelfEQ::ProcessBuffer(const float* in, float* out, long n) {
  const float a = tapweight;
  float s = state;
  for (long i = 0; i < n; ++i) {
    const float x = in[i];
    const float v = x - a * s;
    const float ap = a * v + s;
    s = static_cast<float>(static_cast<double>(v) + 1e-16);
    out[i] = 0.5f * ((x - ap) + gain * (x + ap));
  }
  state = s;
}

void CBJShelfEQ::UpdateTapweight(double cutoff, double sampleRate) {
  const double t = std::tan(3.14159265358979 * cutoff / sampleRate);
  tapweight = static_cast<float>((t - 1.0) / (t + 1.0));
}

// ---------------------------------------------------------------------------
// CHalfBandDecimatorStereo

namespace {

constexpr double kPath0[2] = {0.216940906255, 0.918076321803};
constexpr double kPath1[2] = {0.620488245554, 0.992832812075};

// One pass of a nested all-pass chain; the tiny addition keeps the states out of the denormals.
inline double allpassChain(const double* c, double* st, int m, double u) {
  const double out = c[0] * u + st[0];
  u -= c[0] * out;
  for (int j = 1; j < m; ++j) {
    const double v = c[j] * u + st[j];
    st[j - 1] = v;
    u = u - c[j] * v + 1e-16;
  }
  st[m - 1] = u;
  return out;
}

inline float flushDenormal(float v) {
  return std::fpclassify(v) == FP_SUBNORMAL ? 0.0f : v;
}

}  // namespace

CHalfBandDecimatorStereo::CHalfBandDecimatorStereo(long max)
    : currNumStages(std::max(0L, max)),
      maxStages(currNumStages),
      mask((1L << currNumStages) - 1),
      stages(static_cast<size_t>(maxStages)) {}

void CHalfBandDecimatorStereo::HalfBandDecimate(const float* inL, const float* inR, float* outL, float* outR,
                                                long n, long& outCount) {
  if (currNumStages == 0) {
    if (outL != inL) std::memmove(outL, inL, sizeof(float) * n);
    if (outR != inR) std::memmove(outR, inR, sizeof(float) * n);
    outCount = n;
    return;
  }
  long o = 0;
  for (long i = 0; i < n; ++i) {
    double xl = inL[i], xr = inR[i];
    for (long s = 0;; ++s) {
      Stage& st = stages[s];
      if (((toggle >> s) & 1) == 0) {
        st.heldLeft = xl;
        st.heldRight = xr;
        break;
      }
      const double yl = 0.5 * (allpassChain(kPath0, st.state0Left, kCoefficients, xl) +
                               allpassChain(kPath1, st.state1Left, kCoefficients, st.heldLeft));
      const double yr = 0.5 * (allpassChain(kPath0, st.state0Right, kCoefficients, xr) +
                               allpassChain(kPath1, st.state1Right, kCoefficients, st.heldRight));
      if (s == currNumStages - 1) {
        outL[o] = flushDenormal(static_cast<float>(yl));
        outR[o] = flushDenormal(static_cast<float>(yr));
        ++o;
        break;
      }
      xl = yl;
      xr = yr;
    }
    toggle = (toggle + 1) & mask;
  }
  outCount = o;
}

void CHalfBandDecimatorStereo::SetState0(long stage, const double* l, const double* r) {
  if (!validStage(stage)) return;
  std::copy(l, l + kCoefficients, stages[stage].state0Left);
  std::copy(r, r + kCoefficients, stages[stage].state0Right);
}

void CHalfBandDecimatorStereo::SetState1(long stage, const double* l, const double* r) {
  if (!validStage(stage)) return;
  std::copy(l, l + kCoefficients, stages[stage].state1Left);
  std::copy(r, r + kCoefficients, stages[stage].state1Right);
}

void CHalfBandDecimatorStereo::GetState0(long stage, double* l, double* r) const {
  if (!validStage(stage)) return;
  std::copy(stages[stage].state0Left, stages[stage].state0Left + kCoefficients, l);
  std::copy(stages[stage].state0Right, stages[stage].state0Right + kCoefficients, r);
}

void CHalfBandDecimatorStereo::GetState1(long stage, double* l, double* r) const {
  if (!validStage(stage)) return;
  std::copy(stages[stage].state1Left, stages[stage].state1Left + kCoefficients, l);
  std::copy(stages[stage].state1Right, stages[stage].state1Right + kCoefficients, r);
}

double CHalfBandDecimatorStereo::GetZinvL(long stage) const {
  return validStage(stage) ? stages[stage].heldLeft : 0.0;
}

double CHalfBandDecimatorStereo::GetZinvR(long stage) const {
  return validStage(stage) ? stages[stage].heldRight : 0.0;
}

void CHalfBandDecimatorStereo::SetZinv(long stage, double l, double r) {
  if (!validStage(stage)) return;
  stages[stage].heldLeft = l;
  stages[stage].heldRight = r;
}

void CHalfBandDecimatorStereo::ClearState() {
  for (Stage& s : stages) s = Stage{};
  toggle = 0;
}

void CHalfBandDecimatorStereo::SetCurrNumStages(long n) {
  if (n < 0 || n > maxStages) return;
  currNumStages = n;
  mask = (1L << n) - 1;
}

// ---------------------------------------------------------------------------
// CStereoLinTerp

long CStereoLinTerp::ResampleBuff(const float* inL, const float* inR, float* outL, float* outR, long& inCount,
                                  double step, long& outCount) {
  long i = 0;
  auto shiftIn = [&]() {
    while (phase >= 1.0f && i < inCount) {
      prevLeft = curLeft;
      prevRight = curRight;
      curLeft = inL[i];
      curRight = inR[i];
      ++i;
      phase -= 1.0f;
    }
  };
  shiftIn();
  long j = 0;
  while (phase <= 1.0f && j < outCount) {
    outL[j] = prevLeft + phase * (curLeft - prevLeft);
    outR[j] = prevRight + phase * (curRight - prevRight);
    phase = static_cast<float>(static_cast<double>(phase) + step);
    shiftIn();
    ++j;
  }
  inCount = i;
  outCount = j;
  return 0;
}

long CStereoLinTerp::GetStateL(float* out, long len) const {
  if (len < 2) return -1;
  out[0] = prevLeft;
  out[1] = curLeft;
  return 2;
}

long CStereoLinTerp::GetStateR(float* out, long len) const {
  if (len < 2) return -1;
  out[0] = prevRight;
  out[1] = curRight;
  return 2;
}

long CStereoLinTerp::SetStateL(const float* in, long len) {
  if (len < 2) return -1;
  prevLeft = in[0];
  curLeft = in[1];
  return 2;
}

long CStereoLinTerp::SetStateR(const float* in, long len) {
  if (len < 2) return -1;
  prevRight = in[0];
  curRight = in[1];
  return 2;
}

void CStereoLinTerp::ClearState() {
  prevLeft = curLeft = prevRight = curRight = 0.0f;
  phase = 0.0f;
}

long CStereoLinTerp::NumSampsRequired(long n, double step) const {
  return static_cast<long>(std::floor(phase + n * step));
}
