// The trellis codecs: every code the demodulator can select round-trips through its encoder and Viterbi
// decoder, clean and with disturbed points.

#include "dsp/timecode_tcm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

struct Codec {
  std::string name;
  int symbols, tail, wordBits, states;
  // Encodes bits into I/Q (from state 0) and decodes count points back; the metrics of every state go out.
  std::function<void(uint64_t, double*, double*)> encode;
  std::function<uint64_t(const double*, const double*, double*)> decode;
};

template <class T>
Codec psk(const std::string& name, std::shared_ptr<T> c, int symbols, int tail, int bits) {
  return {name,
          symbols,
          tail,
          bits,
          c->GetNumStates(),
          [=](uint64_t w, double* I, double* Q) {
            uint64_t s = 0;
            c->EncodeSequence(w, I, Q, s, bits, tail);
            EXPECT_EQ(s, 0u);
          },
          [=](const double* I, const double* Q, double* m) {
            std::vector<uint64_t> surv(c->GetNumStates());
            if constexpr (std::is_same_v<T, C8PSKTCM>)
              return c->DecodePSKSequence(I, Q, symbols, tail, m, surv.data());
            if constexpr (std::is_same_v<T, C16QAMTCM>)
              return c->DecodeQAMSequence(I, Q, symbols, tail, m, surv.data());
            if constexpr (std::is_same_v<T, CTable_TCM>)
              return c->DecodeSequence(I, Q, symbols, tail, m, surv.data());
          }};
}

std::vector<Codec> codecs() {
  auto psk16 = std::make_shared<C8PSKTCM>(4);
  auto psk8 = std::make_shared<C8PSKTCM>(3);
  auto qam16 = std::make_shared<C16QAMTCM>(4);
  auto qam8 = std::make_shared<C16QAMTCM>(3);
  std::shared_ptr<CTable_TCM> table8 = makeTable8PSK16StateCodec();
  std::shared_ptr<CTable_TCM> table16 = makeTable16QAM64StateCodec();
  return {
      psk("8psk16states_11symbols", psk16, 11, 2, 18),  // generations 3 and 4
      psk("8psk8states_10symbols", psk8, 10, 3, 17),    // generations 0 to 2
      psk("16qam16states_8symbols", qam16, 8, 2, 20),   // generation 5
      psk("16qam16states_5symbols", qam16, 5, 2, 11),   // generation 6
      psk("16qam16states_4symbols", qam16, 4, 2, 8),    // generation 9
      psk("16qam8states_8symbols", qam8, 8, 2, 20),
      psk("table8psk16states_11symbols", table8, 11, 2, 18),  // generations 7 and 8
      psk("table16qam64states_8symbols", table16, 8, 2, 18),
  };
}

void PrintTo(const Codec& c, std::ostream* os) {
  *os << c.name;
}

class TimecodeTcmTest : public ::testing::TestWithParam<Codec> {};

}  // namespace

TEST_P(TimecodeTcmTest, RoundTripsCleanWords) {
  const Codec& c = GetParam();
  std::mt19937_64 rng(5);
  const uint64_t mask = (uint64_t{1} << c.wordBits) - 1;
  for (int n = 0; n < 300; ++n) {
    const uint64_t word = n < 2 ? (n == 0 ? 0 : mask) : rng() & mask;
    double I[16], Q[16], metrics[64];
    c.encode(word, I, Q);
    ASSERT_EQ(c.decode(I, Q, metrics), word) << c.name << " word " << word;
    ASSERT_NEAR(metrics[0], 0.0, 1e-12);
  }
}

TEST_P(TimecodeTcmTest, SurvivesDisturbedPoints) {
  const Codec& c = GetParam();
  std::mt19937_64 rng(9);
  std::normal_distribution<double> noise(0.0, 0.04);
  const uint64_t mask = (uint64_t{1} << c.wordBits) - 1;
  for (int n = 0; n < 200; ++n) {
    const uint64_t word = rng() & mask;
    double I[16], Q[16], metrics[64];
    c.encode(word, I, Q);
    // One point moved a small way: same word, and the metric is exactly that displacement squared.
    const int at = static_cast<int>(rng() % c.symbols);
    I[at] += 0.06;
    Q[at] -= 0.08;
    ASSERT_EQ(c.decode(I, Q, metrics), word) << c.name;
    ASSERT_NEAR(metrics[0], 0.01, 1e-9);
    // Every point a little noisy.
    for (int s = 0; s < c.symbols; ++s) {
      I[s] += noise(rng);
      Q[s] += noise(rng);
    }
    ASSERT_EQ(c.decode(I, Q, metrics), word) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(AllCodes, TimecodeTcmTest, ::testing::ValuesIn(codecs()),
                         [](const ::testing::TestParamInfo<Codec>& info) { return info.param.name; });

TEST(TimecodeTcmCodeTest, ASymbolErrorIsCorrected) {
  // The 16-state 8-PSK code of generation 4: one point replaced by a neighbouring constellation point is
  // corrected for most words (the code's distance is larger than one such step).
  C8PSKTCM codec(4);
  std::mt19937_64 rng(17);
  int corrected = 0;
  const int words = 400;
  for (int n = 0; n < words; ++n) {
    const uint64_t word = rng() & ((1u << 18) - 1);
    double I[11], Q[11], metrics[16];
    uint64_t state = 0;
    codec.EncodeSequence(word, I, Q, state, 18, 2);
    const int at = static_cast<int>(rng() % 9);
    const double a = std::atan2(Q[at], I[at]) + M_PI / 4;
    I[at] = std::cos(a);
    Q[at] = std::sin(a);
    if (codec.DecodePSKSequence(I, Q, 11, 2, metrics, nullptr) == word) ++corrected;
  }
  EXPECT_GT(corrected, words * 6 / 10);
}

TEST(TimecodeTcmCodeTest, UnreachableStatesKeepTheirMetricAndUnsupportedSizesAreRefused) {
  C8PSKTCM codec(4);
  double I[11], Q[11], metrics[16];
  uint64_t state = 0;
  codec.EncodeSequence(0x2A5A5, I, Q, state, 18, 2);
  codec.DecodePSKSequence(I, Q, 11, 2, metrics, nullptr);
  EXPECT_EQ(metrics[0], 0.0);
  for (int s = 1; s < 16; ++s) EXPECT_GE(metrics[s], 1e20) << s;

  EXPECT_FALSE(C8PSKTCM(5).GetStatus());
  EXPECT_FALSE(C16QAMTCM(2).GetStatus());
  EXPECT_TRUE(C16QAMTCM(3).GetStatus());
  // Fewer symbols than tail symbols is not a word.
  EXPECT_EQ(codec.DecodePSKSequence(I, Q, 1, 2, metrics, nullptr), 0u);
}

TEST(TimecodeTcmCodeTest, EqualMetricsKeepTheFirstState) {
  // A received point exactly between two constellation points of state 0's transitions (16-state 8-PSK:
  // inputs 0..3 send points 0, 2, 4, 6 and lead to states 0..3): the word is read from the first of the
  // equally good states.
  C8PSKTCM codec(4);
  const double h = std::sqrt(0.5);
  const double I[1] = {h}, Q[1] = {h};
  double metrics[16];
  uint64_t survivors[16];
  EXPECT_EQ(codec.DecodePSKSequence(I, Q, 1, 0, metrics, survivors), 0u);
  EXPECT_EQ(metrics[0], metrics[1]);
  EXPECT_EQ(survivors[1], 1u);
}
