#include "dsp/perceptual_gain.h"

#include <cmath>
#include <cstring>

namespace {

// Equal-loudness filter coefficients of the ReplayGain 1.0 analysis,
// interleaved as b0, a1, b1, a2, b2, ... (Yule-Walker: 21 values; Butterworth
// high-pass: 5 values), with a0 = 1 and the recursion
// y = b0 x0 - a1 y1 + b1 x1 - a2 y2 + b2 x2 ...
struct RateRow {
  long rate;
  double yule[21];
  double butter[5];
};

const RateRow kRows[] = {
    {48000,
     {0.03857599435200,   -3.84664617118067, -0.02160367184185, 7.81501653005538,  -0.00123395316851,
      -11.34170355132042, -0.00009291677959, 13.05504219327545, -0.01655260341619, -12.28759895145294,
      0.02161526843274,   9.48293806319790,  -0.02074045215285, -5.87257861775999, 0.00594298065125,
      2.75465861874613,   0.00306428023191,  -0.86984376593551, 0.00012025322027,  0.13919314567432,
      0.00288463683916},
     {0.98621192462708, -1.97223372919527, -1.97242384925416, 0.97261396931306, 0.98621192462708}},
    {44100,
     {0.05418656406430,  -3.47845948550071, -0.02911007808948, 6.36317777566148,  -0.00848709379851,
      -8.54751527471874, -0.00851165645469, 9.47693607801280,  -0.00834990904936, -8.81498681370155,
      0.02245293253339,  6.85401540936998,  -0.02596338512915, -4.39470996079559, 0.01624864962975,
      2.19611684890774,  -0.00240879051584, -0.75104302451432, 0.00674613682247,  0.13149317958808,
      -0.00187763777362},
     {0.98500175787242, -1.96977855582618, -1.97000351574484, 0.97022847566350, 0.98500175787242}},
};

const RateRow* findRow(long rate) {
  for (const RateRow& r : kRows) {
    if (r.rate == rate) return &r;
  }
  return nullptr;
}

constexpr double kPinkReference = 64.82;
constexpr int kStepsPerDb = 100;

}  // namespace

float analyzeResult(const uint32_t* histogram, int length) {
  uint64_t total = 0;
  for (int i = 0; i < length; ++i) total += histogram[i];
  if (total == 0) return kGainNotEnoughSamples;
  int64_t upper = static_cast<int64_t>(ceil(total * (1.0 - 0.95)));
  int i = length;
  while (i-- > 0) {
    upper -= histogram[i];
    if (upper <= 0) break;
  }
  if (i < 0) i = 0;
  return static_cast<float>(i) / -100.0f + static_cast<float>(kPinkReference);
}

PerceptualGain::PerceptualGain() {
  const RateRow* row = findRow(44100);
  yuleRow = row->yule;
  butterRow = row->butter;
  clearFilters();
  blockLength = static_cast<long>(ceil(44100 * 0.05));
  memset(titleHistogram, 0, sizeof(titleHistogram));
  memset(albumHistogram, 0, sizeof(albumHistogram));
}

void PerceptualGain::clearFilters() {
  memset(channels, 0, sizeof(channels));
  sumLeft = sumRight = 0;
  blockSamples = 0;
}

int PerceptualGain::ResetSampleFrequency(long rate) {
  const RateRow* row = findRow(rate);
  if (row == nullptr) return 0;
  yuleRow = row->yule;
  butterRow = row->butter;
  clearFilters();
  memset(titleHistogram, 0, sizeof(titleHistogram));
  blockLength = static_cast<long>(ceil(rate * 0.05));
  return 1;
}

int PerceptualGain::InitGainAnalysis(long rate) {
  if (ResetSampleFrequency(rate) != 1) return 0;
  memset(albumHistogram, 0, sizeof(albumHistogram));
  return 1;
}

float PerceptualGain::filterSample(Channel& ch, float x) {
  const double* k = yuleRow;
  // The tiny constant keeps the recursion out of denormal range in silence.
  float y = 1e-10f + x * static_cast<float>(k[0]);
  for (int j = 1; j <= kOrder; ++j) {
    y -= ch.yule[kOrder - j] * static_cast<float>(k[2 * j - 1]);
    y += ch.in[kOrder - j] * static_cast<float>(k[2 * j]);
  }
  memmove(ch.in, ch.in + 1, sizeof(float) * (kOrder - 1));
  ch.in[kOrder - 1] = x;
  memmove(ch.yule, ch.yule + 1, sizeof(float) * (kOrder - 1));
  ch.yule[kOrder - 1] = y;

  const double* b = butterRow;
  const float z = y * static_cast<float>(b[0]) - ch.butter[1] * static_cast<float>(b[1]) +
                  ch.yule[kOrder - 2] * static_cast<float>(b[2]) - ch.butter[0] * static_cast<float>(b[3]) +
                  ch.yule[kOrder - 3] * static_cast<float>(b[4]);
  ch.butter[0] = ch.butter[1];
  ch.butter[1] = z;
  return z;
}

int PerceptualGain::AnalyzeSamples(const float* left, const float* right, unsigned long count,
                                   int numChannels) {
  if (numChannels != 1 && numChannels != 2) return 0;
  if (count == 0) return 1;
  if (left == nullptr) return 0;
  const bool mono = numChannels == 1 || right == nullptr;
  for (unsigned long i = 0; i < count; ++i) {
    const float l = filterSample(channels[0], left[i]);
    // A mono signal stands for both channels: its second filter pass would
    // give the same values.
    const float r = mono ? l : filterSample(channels[1], right[i]);
    sumLeft += static_cast<double>(l) * l;
    sumRight += static_cast<double>(r) * r;
    if (++blockSamples == blockLength) {
      const double level = kStepsPerDb * 10.0 * log10((sumLeft + sumRight) / blockLength * 0.5 + 1e-37);
      int index = static_cast<int>(level);
      if (index < 0) index = 0;
      if (index >= kHistogramSize) index = kHistogramSize - 1;
      ++titleHistogram[index];
      sumLeft = sumRight = 0;
      blockSamples = 0;
    }
  }
  return 1;
}

float PerceptualGain::GetTitleGain() {
  const float gain = analyzeResult(titleHistogram, kHistogramSize);
  for (int i = 0; i < kHistogramSize; ++i) {
    albumHistogram[i] += titleHistogram[i];
    titleHistogram[i] = 0;
  }
  clearFilters();
  return gain;
}
