// The audio thread's filters per stereo frame beside straightforward versions
// written here with the same coefficients, timed in turns in the same run:
// the biquad (each channel of a stereo buffer), the cut-off filter (two
// sections per channel) and the three-band equaliser (the Bessel crossover
// and the gain mix). Counters: ns per frame of ours and of the reference, the
// ratio (target: at most 1.2) and the largest output difference (target:
// below 1e-6). For the biquad and the cut-off filter a second reference runs
// the recursion on coefficients divided by a0 beforehand, the usual way to
// write it: cheaper, but its output differs from the plain formula's by float
// rounding that the recursion amplifies near its poles ("normalised_*").

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "bench_timing.h"
#include "dsp/engine/effect_equalizer.h"
#include "dsp/iir_filters.h"
#include "tests/dsp/filter_references.h"

namespace {

using bench_timing::Clock;
using bench_timing::secondsSince;
constexpr int kFrames = 1024;
constexpr int kTurn = 50;  // buffers per timed turn

std::vector<float> material() {
  std::vector<float> v(2 * kFrames);
  std::mt19937 rng(4);
  std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
  for (int i = 0; i < kFrames; ++i) {
    v[2 * i] = noise(rng) + 0.4f * static_cast<float>(sin(2 * M_PI * 110 * i / 44100.0));
    v[2 * i + 1] = noise(rng);
  }
  return v;
}

using filter_reference::PlainBiquad;

// The same on coefficients divided by a0.
struct NormalisedBiquad {
  float a1, a2, b0, b1, b2;
  float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  explicit NormalisedBiquad(const Biquad& q)
      : a1(q.a1 / q.a0), a2(q.a2 / q.a0), b0(q.b0 / q.a0), b1(q.b1 / q.a0), b2(q.b2 / q.a0) {}
  void run(float* p, int frames) {
    for (int i = 0; i < frames; ++i, p += 2) {
      const float x = *p;
      const float y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
      x2 = x1, x1 = x, y2 = y1, y1 = y;
      *p = y;
    }
  }
};

double maxDifference(const std::vector<float>& a, const std::vector<float>& b) {
  double worst = 0;
  for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::fabs(static_cast<double>(a[i]) - b[i]));
  return worst;
}

// Times ours, the plain reference and the normalised one in turns, each on a
// fresh copy of the material per buffer; checks the outputs of the last turn.
template <class Ours, class Plain, class Normalised>
void compare(benchmark::State& state, Ours ours, Plain plain, Normalised normalised) {
  const std::vector<float> in = material();
  std::vector<float> a = in, b = in, c = in;
  double tOurs = 0, tPlain = 0, tNormalised = 0, diff = 0, diffNormalised = 0;
  long buffers = 0;
  for (auto _ : state) {
    auto t = Clock::now();
    for (int i = 0; i < kTurn; ++i) {
      std::copy(in.begin(), in.end(), a.begin());
      ours(a.data());
    }
    tOurs += secondsSince(t);
    t = Clock::now();
    for (int i = 0; i < kTurn; ++i) {
      std::copy(in.begin(), in.end(), b.begin());
      plain(b.data());
    }
    tPlain += secondsSince(t);
    t = Clock::now();
    for (int i = 0; i < kTurn; ++i) {
      std::copy(in.begin(), in.end(), c.begin());
      normalised(c.data());
    }
    tNormalised += secondsSince(t);
    buffers += kTurn;
    diff = std::max(diff, maxDifference(a, b));
    diffNormalised = std::max(diffNormalised, maxDifference(c, b));
  }
  const double frames = static_cast<double>(buffers) * kFrames;
  state.counters["ours_ns"] = 1e9 * tOurs / frames;
  state.counters["plain_ns"] = 1e9 * tPlain / frames;
  state.counters["ratio"] = tOurs / tPlain;
  state.counters["max_diff"] = diff;
  state.counters["normalised_ratio"] = tOurs / tNormalised;
  state.counters["normalised_diff"] = diffNormalised;
}

// Arg: corner in Hz (a low-pass, Q 0.707).
void BM_BiquadStereo(benchmark::State& state) {
  Biquad q;
  q.calcCoeffs(static_cast<float>(state.range(0)), 0.0f, 0.707f, kBiquadLowPass);
  Biquad left = q, right = q;
  PlainBiquad pl(q), pr(q);
  NormalisedBiquad nl(q), nr(q);
  compare(
      state,
      [&](float* s) {
        left.process(s, kFrames, 0, 2);
        right.process(s, kFrames, 1, 2);
      },
      [&](float* s) {
        pl.run(s, kFrames);
        pr.run(s + 1, kFrames);
      },
      [&](float* s) {
        nl.run(s, kFrames);
        nr.run(s + 1, kFrames);
      });
}
BENCHMARK(BM_BiquadStereo)->Arg(60)->Arg(1000);

// Arg: corner in Hz (low-pass, the effect's resonance 0).
void BM_CutOffFilter(benchmark::State& state) {
  const float hz = static_cast<float>(state.range(0));
  CIIRFilter filter;
  filter.change_frequency(hz, 1, 0.207f);
  Biquad q;
  q.calcCoeffs(hz, 0.0f, 0.207f, kBiquadLowPass);
  std::vector<PlainBiquad> plain(4, PlainBiquad(q));
  std::vector<NormalisedBiquad> normalised(4, NormalisedBiquad(q));
  compare(
      state, [&](float* s) { filter.process_CutOff_Filter(reinterpret_cast<float(*)[2]>(s), 4 * kFrames); },
      [&](float* s) {
        plain[0].run(s, kFrames);
        plain[1].run(s, kFrames);
        plain[2].run(s + 1, kFrames);
        plain[3].run(s + 1, kFrames);
      },
      [&](float* s) {
        normalised[0].run(s, kFrames);
        normalised[1].run(s, kFrames);
        normalised[2].run(s + 1, kFrames);
        normalised[3].run(s + 1, kFrames);
      });
}
BENCHMARK(BM_CutOffFilter)->Arg(60)->Arg(1000);

// The crossover's sections (its own design) written out plainly: per channel
// and band, each section's recursion in double, then the gain mix.
struct PlainEqualiser {
  double state[3][2][8] = {};
  float gains[3];
  std::vector<float> out[3];
  explicit PlainEqualiser(const float g[3]) {
    for (int j = 0; j < 3; ++j) {
      gains[j] = g[j];
      out[j].resize(2 * kFrames);
    }
  }
  void run(float* s) {
    for (int j = 0; j < 3; ++j) {
      const CIIRFilterBessel::Design& b = *CIIRFilterBessel::design(j);
      for (int i = 0; i < kFrames; ++i) {
        for (int ch = 0; ch < 2; ++ch) {
          double* st = state[j][ch];
          double u = s[2 * i + ch] * b.gain;
          for (int k = 0; k < b.sections; ++k) {
            const double v = u + b.s[k].p1 * st[2 * k] - b.s[k].p2 * st[2 * k + 1];
            u = v + b.s[k].z1 * st[2 * k] + st[2 * k + 1];
            st[2 * k + 1] = st[2 * k];
            st[2 * k] = v + 1e-30;
          }
          out[j][2 * i + ch] = static_cast<float>(u);
        }
      }
    }
    for (int i = 0; i < 2 * kFrames; ++i)
      s[i] = gains[0] * out[0][i] + gains[1] * out[1][i] + gains[2] * out[2][i];
  }
};

void BM_Equaliser3Band(benchmark::State& state) {
  CEffectEqualizerIIR eq(nullptr, nullptr);
  eq.start();
  const int db[3] = {-6, 3, 0};
  for (int j = 0; j < 3; ++j) eq.setparam(j + 1, db[j]);
  // Let the gains reach their targets before timing.
  std::vector<float> warm(2 * 4410, 0.0f);
  eq.process(reinterpret_cast<float(*)[2]>(warm.data()), 4410, 0.0f);
  eq.process(reinterpret_cast<float(*)[2]>(warm.data()), 4410, 0.0f);
  float gains[3];
  for (int j = 0; j < 3; ++j) gains[j] = static_cast<float>(std::pow(10.0, db[j] / 20.0) + 1.0 - 1.0);
  PlainEqualiser plain(gains);
  compare(
      state, [&](float* s) { eq.process(reinterpret_cast<float(*)[2]>(s), kFrames, 0.0f); },
      [&](float* s) { plain.run(s); }, [&](float* s) { plain.run(s); });
}
BENCHMARK(BM_Equaliser3Band);

}  // namespace
