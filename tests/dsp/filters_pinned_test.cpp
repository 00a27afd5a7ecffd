// The filters' outputs, pinned while they are made faster: the biquad and the
// cut-off filter against the plain direct form written here (the cookbook
// recursion divided by a0, same coefficients) to 1e-6; the Bessel crossover
// and the five waveform bands bit for bit against hashes of their outputs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "dsp/audio_display_processing.h"
#include "dsp/iir_filters.h"
#include "filter_references.h"
#include "support/test_support.h"

namespace {

// Interleaved stereo test material: noise, a low tone and a loud burst that
// decays to silence (the filters' tails run towards denormal range).
std::vector<float> material(int frames) {
  std::vector<float> v(2 * static_cast<size_t>(frames));
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> noise(-1, 1);
  for (int i = 0; i < frames; ++i) {
    const float env = i < frames / 2 ? 1.0f : 0.0f;
    v[2 * i] = env * (0.4f * noise(rng) + 0.5f * static_cast<float>(sin(2 * M_PI * 90 * i / 44100.0)));
    v[2 * i + 1] = env * 0.8f * noise(rng);
  }
  return v;
}

using filter_reference::PlainBiquad;

double maxDifference(const std::vector<float>& a, const std::vector<float>& b) {
  double worst = 0;
  for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::fabs(static_cast<double>(a[i]) - b[i]));
  return worst;
}

TEST(FiltersPinned, BiquadOfEveryTypeMatchesTheDirectForm) {
  struct Setting {
    float hz, db, q;
  };
  const Setting settings[] = {{40, -12, 0.3f}, {700, 6, 0.707f}, {5000, 12, 4.0f}, {19000, -3, 1.0f}};
  const int frames = 20000;
  const std::vector<float> in = material(frames);
  for (int type = kBiquadLowPass; type <= kBiquadHighShelf; ++type) {
    for (const Setting& s : settings) {
      Biquad b;
      b.calcCoeffs(s.hz, s.db, s.q, type);
      PlainBiquad left(b), right(b);
      std::vector<float> out = in, expected = in;
      // In uneven pieces, as buffers come.
      for (int at = 0; at < frames;) {
        const int n = std::min(frames - at, 1 + (at * 7) % 1111);
        b.process(out.data() + 2 * at, n, 0, 2);
        left.run(expected.data() + 2 * at, n);
        at += n;
      }
      right.run(expected.data() + 1, frames);
      Biquad r = b;
      r.resetState();
      r.process(out.data(), frames, 1, 2);
      EXPECT_LE(maxDifference(out, expected), 1e-6) << "type " << type << " at " << s.hz << " Hz";
    }
  }
}

TEST(FiltersPinned, CutOffSweepMatchesTheDirectForm) {
  const int frames = 44100;
  const std::vector<float> in = material(frames);
  std::vector<float> out = in, expected = in;
  CIIRFilter filter;
  std::vector<PlainBiquad> reference;
  for (int block = 0; block * 441 < frames; ++block) {
    const float hz = 200.0f * powf(1.03f, static_cast<float>(block));
    const int lowPass = (block / 20) % 2 == 0;
    const float q = 0.207f + 0.05f * static_cast<float>(block % 7);
    filter.change_frequency(hz, lowPass, q);
    Biquad b;
    b.calcCoeffs(hz, 0.0f, q, lowPass ? kBiquadLowPass : kBiquadHighPass);
    if (reference.empty()) reference.assign(4, PlainBiquad(b));
    // The coefficients change; the state carries on.
    for (PlainBiquad& d : reference) d.setCoefficients(b);
    float* o = out.data() + 2 * 441 * block;
    filter.process_CutOff_Filter(reinterpret_cast<float(*)[2]>(o), 441 * 4);
    float* e = expected.data() + 2 * 441 * block;
    reference[0].run(e, 441);
    reference[1].run(e, 441);
    reference[2].run(e + 1, 441);
    reference[3].run(e + 1, 441);
  }
  EXPECT_LE(maxDifference(out, expected), 1e-6);
}

TEST(FiltersPinned, BesselBandsBitForBit) {
  const int frames = 30000;
  const std::vector<float> in = material(frames);
  const uint64_t pinned[3] = {0x51e8309ad3026309ull, 0x03cfda7739fef285ull, 0xff186476a8f954dcull};
  for (int band = 0; band < 3; ++band) {
    CIIRFilterBessel filter(band);
    std::vector<float> out(in.size());
    for (int at = 0; at < frames;) {
      const int n = std::min(frames - at, 1 + (at * 13) % 4410);
      filter.process(in.data() + 2 * at, out.data() + 2 * at, 2 * n);
      at += n;
    }
    EXPECT_EQ(orvel_test::bitsHash(out.data(), out.size()), pinned[band]) << "band " << band;
  }
}

TEST(FiltersPinned, WaveformBandsBitForBit) {
  const int frames = 5 * 44100;
  const std::vector<float> stereo = material(frames);
  std::vector<short> in(stereo.size());
  for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<short>(lrintf(stereo[i] * 30000));
  ZRAudioDisplayProcessing display(44100, true, true, true, true, true);
  const int points = frames / 100;
  std::vector<float> out[5];
  for (auto& o : out) o.assign(points, 0.0f);
  for (int b = 0; b * 44100 < frames; ++b) {
    const int n = std::min(44100, frames - b * 44100);
    display.process(in.data() + 2 * 44100 * b, n, 2, out[0].data() + 441 * b, out[1].data() + 441 * b,
                    out[2].data() + 441 * b, out[3].data() + 441 * b, out[4].data() + 441 * b);
  }
  const uint64_t pinned[5] = {0x9eb480dac68234eaull, 0x49b3c1dea0edbb55ull, 0x41473127b01be16aull,
                              0x506c9a5fb979abbdull, 0xdda6485ebd9a94e0ull};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(orvel_test::bitsHash(out[k].data(), out[k].size()), pinned[k]) << "output " << k;
  }
}

}  // namespace
