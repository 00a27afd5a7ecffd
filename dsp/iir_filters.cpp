#include "dsp/iir_filters.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>

// ---------------------------------------------------------------- Biquad

namespace {

// One sample through one section: the cookbook recursion divided by a0, in
// the order of the plain formula (so every output keeps its bits). The
// state lives in locals of the caller's loop, where stores to the audio
// cannot reach it.
struct SectionState {
  float x1, x2, y1, y2;
};

struct SectionCoefficients {
  float a0, a1, a2, b0, b1, b2;
};

inline float sectionSample(const SectionCoefficients& c, SectionState& s, float x) {
  const float y = (c.b0 * x + c.b1 * s.x1 + c.b2 * s.x2 - c.a1 * s.y1 - c.a2 * s.y2) / c.a0;
  s.x2 = s.x1;
  s.x1 = x;
  s.y2 = s.y1;
  s.y1 = y;
  return y;
}

SectionState stateOf(const Biquad& b) {
  return {b.x1, b.x2, b.y1, b.y2};
}

SectionCoefficients coefficientsOf(const Biquad& b) {
  return {b.a0, b.a1, b.a2, b.b0, b.b1, b.b2};
}

void keepState(Biquad& b, const SectionState& s) {
  b.x1 = s.x1, b.x2 = s.x2, b.y1 = s.y1, b.y2 = s.y2;
}

}  // namespace

Biquad::Biquad() : a0(1), a1(0), a2(0), b0(1), b1(0), b2(0), x1(0), x2(0), y1(0), y2(0) {
  calcCoeffs(1700.0f, 6.0f, 1.0f, kBiquadBandPass);
}

void Biquad::calcCoeffs(float freqHz, float gainDb, float q, int type) {
  if (type < kBiquadLowPass || type > kBiquadHighShelf) return;
  const float w = 2.0f * static_cast<float>(M_PI) * freqHz / 44100.0f;
  const float sw = sinf(w);
  const float cw = cosf(w);
  const float alpha = sw / (2.0f * q);
  const float A = powf(10.0f, gainDb / 40.0f);
  const float sA = sqrtf(A);
  switch (type) {
    case kBiquadLowPass:
      b0 = (1 - cw) / 2, b1 = 1 - cw, b2 = (1 - cw) / 2;
      a0 = 1 + alpha, a1 = -2 * cw, a2 = 1 - alpha;
      break;
    case kBiquadHighPass:
      b0 = (1 + cw) / 2, b1 = -(1 + cw), b2 = (1 + cw) / 2;
      a0 = 1 + alpha, a1 = -2 * cw, a2 = 1 - alpha;
      break;
    case kBiquadBandPassPeakQ:
      b0 = sw / 2, b1 = 0, b2 = -sw / 2;
      a0 = 1 + alpha, a1 = -2 * cw, a2 = 1 - alpha;
      break;
    case kBiquadBandPass:
      b0 = alpha, b1 = 0, b2 = -alpha;
      a0 = 1 + alpha, a1 = -2 * cw, a2 = 1 - alpha;
      break;
    case kBiquadNotch:
      b0 = 1, b1 = -2 * cw, b2 = 1;
      a0 = 1 + alpha, a1 = -2 * cw, a2 = 1 - alpha;
      break;
    case kBiquadAllPass:
      b0 = 1 - alpha, b1 = -2 * cw, b2 = 1 + alpha;
      a0 = 1 + alpha, a1 = -2 * cw, a2 = 1 - alpha;
      break;
    case kBiquadPeaking:
      b0 = 1 + alpha * A, b1 = -2 * cw, b2 = 1 - alpha * A;
      a0 = 1 + alpha / A, a1 = -2 * cw, a2 = 1 - alpha / A;
      break;
    case kBiquadLowShelf:
      b0 = A * ((A + 1) - (A - 1) * cw + 2 * sA * alpha);
      b1 = 2 * A * ((A - 1) - (A + 1) * cw);
      b2 = A * ((A + 1) - (A - 1) * cw - 2 * sA * alpha);
      a0 = (A + 1) + (A - 1) * cw + 2 * sA * alpha;
      a1 = -2 * ((A - 1) + (A + 1) * cw);
      a2 = (A + 1) + (A - 1) * cw - 2 * sA * alpha;
      break;
    case kBiquadHighShelf:
      b0 = A * ((A + 1) + (A - 1) * cw + 2 * sA * alpha);
      b1 = -2 * A * ((A - 1) + (A + 1) * cw);
      b2 = A * ((A + 1) + (A - 1) * cw - 2 * sA * alpha);
      a0 = (A + 1) - (A - 1) * cw + 2 * sA * alpha;
      a1 = 2 * ((A - 1) - (A + 1) * cw);
      a2 = (A + 1) - (A - 1) * cw - 2 * sA * alpha;
      break;
  }
}

void Biquad::process(float* buffer, int count, int offset, int stride) {
  if (buffer == nullptr || count <= 0) return;
  float* p = buffer + offset;
  const SectionCoefficients c = coefficientsOf(*this);
  SectionState st = stateOf(*this);
  for (int i = 0; i < count; ++i, p += stride) *p = sectionSample(c, st, *p);
  keepState(*this, st);
}

void Biquad::processStereoCascade(Biquad& left1, Biquad& left2, Biquad& right1, Biquad& right2,
                                  float* samples, int frames) {
  if (samples == nullptr || frames <= 0) return;
  // The four recursions do not wait on one another: side by side their
  // latencies (the division's above all) overlap.
  const SectionCoefficients cl1 = coefficientsOf(left1), cl2 = coefficientsOf(left2);
  const SectionCoefficients cr1 = coefficientsOf(right1), cr2 = coefficientsOf(right2);
  SectionState l1 = stateOf(left1), l2 = stateOf(left2), r1 = stateOf(right1), r2 = stateOf(right2);
  for (int i = 0; i < frames; ++i) {
    float* f = samples + 2 * i;
    f[0] = sectionSample(cl2, l2, sectionSample(cl1, l1, f[0]));
    f[1] = sectionSample(cr2, r2, sectionSample(cr1, r1, f[1]));
  }
  keepState(left1, l1);
  keepState(left2, l2);
  keepState(right1, r1);
  keepState(right2, r2);
}

void Biquad::resetState() {
  x1 = x2 = y1 = y2 = 0;
}

// ------------------------------------------------------------- CIIRFilter

CIIRFilter::CIIRFilter() : dirty(1), lowPass(1), frequency(19000.0f), q(0.5f) {
  memset(sections, 0, sizeof(sections));
  memset(history1, 0, sizeof(history1));
  memset(history2, 0, sizeof(history2));
  memset(inputCopy, 0, sizeof(inputCopy));
  memset(sectionOut, 0, sizeof(sectionOut));
  for (Biquad& b : biquads) b.calcCoeffs(22000.0f, 0.0f, 0.7f, kBiquadLowPass);
}

void CIIRFilter::change_frequency(float freqHz, int lowPassFlag, float qValue) {
  frequency = freqHz;
  lowPass = lowPassFlag;
  q = qValue;
  dirty = 1;
}

void CIIRFilter::process_CutOff_Filter(float buffer[][2], int count) {
  if (frequency == -1.0f) {
    if (dirty) {
      for (Biquad& b : biquads) b.resetState();
      dirty = 0;
    }
    return;
  }
  if (dirty) {
    for (Biquad& b : biquads) b.calcCoeffs(frequency, 0.0f, q, lowPass ? kBiquadLowPass : kBiquadHighPass);
    dirty = 0;
  }
  const int frames = count / 4;
  if (buffer == nullptr || frames <= 0) return;
  Biquad::processStereoCascade(biquads[0], biquads[1], biquads[2], biquads[3], &buffer[0][0], frames);
}

void CIIRFilter::clear() {
  for (Biquad& b : biquads) b.resetState();
  memset(history1, 0, sizeof(history1));
  memset(history2, 0, sizeof(history2));
}

void CIIRFilter::clearBpmFilterState() {
  memset(history1, 0, sizeof(history1));
  memset(history2, 0, sizeof(history2));
  memset(sectionOut, 0, sizeof(sectionOut));
}

void CIIRFilter::computeChebyshev() {
  const double fc = frequency / 44100.0;
  const double pr = q;
  const int np = 6;
  for (int p = 1; p <= 3; ++p) {
    const double angle = M_PI / (np * 2) + (p - 1) * M_PI / np;
    double rp = -cos(angle);
    double ip = sin(angle);
    if (pr != 0) {
      const double es = sqrt(pow(100.0 / (100.0 - pr), 2) - 1.0);
      const double vx = (1.0 / np) * log(1.0 / es + sqrt(1.0 / (es * es) + 1.0));
      double kx = (1.0 / np) * log(1.0 / es + sqrt(1.0 / (es * es) - 1.0));
      kx = cosh(kx);
      rp = rp * sinh(vx) / kx;
      ip = ip * cosh(vx) / kx;
    }
    const double t = 2.0 * tan(0.5);
    const double m = rp * rp + ip * ip;
    double d = 4.0 - 4.0 * rp * t + m * t * t;
    const double x0 = t * t / d;
    const double x1 = 2.0 * t * t / d;
    const double x2 = t * t / d;
    const double y1 = (8.0 - 2.0 * m * t * t) / d;
    const double y2 = (-4.0 - 4.0 * rp * t - m * t * t) / d;
    const double w = 2.0 * M_PI * fc;
    const double k = lowPass ? sin(0.5 - w / 2) / sin(0.5 + w / 2) : -cos(w / 2 + 0.5) / cos(w / 2 - 0.5);
    d = 1.0 + y1 * k - y2 * k * k;
    double a0 = (x0 - x1 * k + x2 * k * k) / d;
    double a1 = (-2.0 * x0 * k + x1 + x1 * k * k - 2.0 * x2 * k) / d;
    double a2 = (x0 * k * k - x1 * k + x2) / d;
    double b1 = (2.0 * k + y1 + y1 * k * k - 2.0 * y2 * k) / d;
    double b2 = (-k * k - y1 * k + y2) / d;
    if (!lowPass) {
      a1 = -a1;
      b1 = -b1;
    }
    Section& s = sections[p - 1];
    s.A0 = static_cast<float>(a0);
    s.A1 = static_cast<float>(a1);
    s.A2 = static_cast<float>(a2);
    s.B1 = static_cast<float>(b1);
    s.B2 = static_cast<float>(b2);
  }
}

void CIIRFilter::process_BPM_Filter(float* block, int count) {
  if (dirty) {
    computeChebyshev();
    dirty = 0;
  }
  if (block == nullptr || count < 2) return;
  if (count > kMaxBpmBlock) count = kMaxBpmBlock;
  const float first = block[0];
  bool constant = true;
  for (int i = 1; i < count; ++i) {
    if (block[i] != first) {
      constant = false;
      break;
    }
  }
  if (constant) return;
  memcpy(inputCopy, block, sizeof(float) * count);
  const float* in = inputCopy;
  for (int s = 0; s < 3; ++s) {
    const Section& c = sections[s];
    FilterProcess2Poles(in, sectionOut[s], count, c.A0, c.A1, c.A2, c.B1, c.B2, &history1[s], &history2[s]);
    in = sectionOut[s];
  }
  for (int i = 0; i < count; ++i) block[i] = sectionOut[2][i] * 0.1666667f;
}

void CIIRFilter::FilterProcess2Poles(const float* in, float* out, int count, float c0, float c1, float c2,
                                     float d1, float d2, float* h1, float* h2) {
  if (count < 2) return;
  const float prevOut1 = out[count - 1];
  const float prevOut2 = out[count - 2];
  out[0] = c0 * in[0] + c1 * *h1 + c2 * *h2 + d1 * prevOut1 + d2 * prevOut2;
  out[1] = c0 * in[1] + c1 * in[0] + c2 * *h1 + d1 * out[0] + d2 * prevOut1;
  for (int n = 2; n < count; ++n) {
    out[n] = c0 * in[n] + c1 * in[n - 1] + c2 * in[n - 2] + d1 * out[n - 1] + d2 * out[n - 2];
  }
  *h1 = in[count - 1];
  *h2 = in[count - 2];
}

// ------------------------------------------------------- CIIRFilterBessel

namespace {

using BesselSection = CIIRFilterBessel::Section;
using BesselBand = CIIRFilterBessel::Design;

// Two floats in and out of the low half of a vector (the integer forms may
// alias any type).
inline __m128 loadTwoFloats(const float* p) {
  return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

inline void storeTwoFloats(float* p, __m128 v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_castps_si128(v));
}

// Fourth-order low-pass at 340 Hz, eighth-order band-pass 340..8000 Hz and
// fourth-order high-pass at 8000 Hz, 44100 Hz.
const BesselBand kBesselBands[3] = {
    {1.61606803597387e-6,
     2,
     {{1.902381209719362, 0.90813023596589, 2.0}, {1.871143706630871, 0.8756413532699335, 2.0}}},
    {0.06624911184645224,
     4,
     {{0.009262113814037748, 0.2432914511959453, -2.0},
      {1.961681660190477, 0.9626416678272747, -2.0},
      {0.1456873794746027, 0.02829410901906353, 2.0},
      {1.932673631143553, 0.9339131720449145, 2.0}}},
    {0.293256802062472,
     2,
     {{1.014854146667207, 0.4007327809326599, -2.0}, {0.776218060344873, 0.1662120709779701, -2.0}}},
};

// Left and right side by side in the two lanes of a double vector: each lane
// does exactly the scalar operations of its channel. The state lives in
// locals while the block runs (stores to dst may not reach it).
template <int kSections>
void runBessel(const BesselBand& b, double (&state)[2][8], const float* src, float* dst, int count) {
  __m128d v1[kSections], v2[kSections];
  for (int s = 0; s < kSections; ++s) {
    v1[s] = _mm_set_pd(state[1][2 * s], state[0][2 * s]);
    v2[s] = _mm_set_pd(state[1][2 * s + 1], state[0][2 * s + 1]);
  }
  const __m128d gain = _mm_set1_pd(b.gain);
  const __m128d guard = _mm_set1_pd(1e-30);
  for (int i = 0; i + 1 < count; i += 2) {
    __m128d u = _mm_mul_pd(_mm_cvtps_pd(loadTwoFloats(src + i)), gain);
    for (int s = 0; s < kSections; ++s) {
      const BesselSection& sec = b.s[s];
      const __m128d v = _mm_sub_pd(_mm_add_pd(u, _mm_mul_pd(_mm_set1_pd(sec.p1), v1[s])),
                                   _mm_mul_pd(_mm_set1_pd(sec.p2), v2[s]));
      u = _mm_add_pd(_mm_add_pd(v, _mm_mul_pd(_mm_set1_pd(sec.z1), v1[s])), v2[s]);
      // The constant offset keeps decaying states out of denormal range.
      v2[s] = v1[s];
      v1[s] = _mm_add_pd(v, guard);
    }
    storeTwoFloats(dst + i, _mm_cvtpd_ps(u));
  }
  for (int s = 0; s < kSections; ++s) {
    _mm_storel_pd(&state[0][2 * s], v1[s]);
    _mm_storeh_pd(&state[1][2 * s], v1[s]);
    _mm_storel_pd(&state[0][2 * s + 1], v2[s]);
    _mm_storeh_pd(&state[1][2 * s + 1], v2[s]);
  }
}

}  // namespace

const CIIRFilterBessel::Design* CIIRFilterBessel::design(int band) {
  return band >= 0 && band <= 2 ? &kBesselBands[band] : nullptr;
}

CIIRFilterBessel::CIIRFilterBessel(int bandIndex) : band(bandIndex) {
  reset();
}

void CIIRFilterBessel::reset() {
  memset(state, 0, sizeof(state));
}

void CIIRFilterBessel::process(const float* src, float* dst, int count) {
  if (band < 0 || band > 2 || src == nullptr || dst == nullptr) return;
  const BesselBand& b = kBesselBands[band];
  if (b.sections == 2) {
    runBessel<2>(b, state, src, dst, count);
  } else {
    runBessel<4>(b, state, src, dst, count);
  }
}
