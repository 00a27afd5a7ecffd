#include "dsp/perceptual_gain.h"

#include <algorithm>
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
  selectRow(row->yule, row->butter);
  clearFilters();
  blockLength = static_cast<long>(ceil(44100 * 0.05));
  memset(titleHistogram, 0, sizeof(titleHistogram));
  memset(albumHistogram, 0, sizeof(albumHistogram));
}

void PerceptualGain::selectRow(const double* yuleTable, const double* butterTable) {
  // The filters multiply in single precision by the tables' values rounded
  // to float.
  for (int j = 0; j <= 2 * kOrder; ++j) yule[j] = static_cast<float>(yuleTable[j]);
  for (int j = 0; j < 5; ++j) butter[j] = static_cast<float>(butterTable[j]);
}

void PerceptualGain::clearFilters() {
  memset(channels, 0, sizeof(channels));
  sumLeft = sumRight = 0;
  blockSamples = 0;
}

int PerceptualGain::ResetSampleFrequency(long rate) {
  const RateRow* row = findRow(rate);
  if (row == nullptr) return 0;
  selectRow(row->yule, row->butter);
  clearFilters();
  memset(titleHistogram, 0, sizeof(titleHistogram));
  blockLength = static_cast<long>(ceil(rate * 0.05));
  return 1;
}

bool PerceptualGain::filterCoefficients(long rate, const double*& yuleTable, const double*& butterTable) {
  const RateRow* row = findRow(rate);
  if (row == nullptr) return false;
  yuleTable = row->yule;
  butterTable = row->butter;
  return true;
}

int PerceptualGain::InitGainAnalysis(long rate) {
  if (ResetSampleFrequency(rate) != 1) return 0;
  memset(albumHistogram, 0, sizeof(albumHistogram));
  return 1;
}

// One step of samples through both filters: the step buffers hold the
// channel's history in front (10 inputs and Yule-Walker outputs, 2
// Butterworth outputs), so every sample reads its predecessors in place.
// The Yule-Walker sum takes its terms in another order than the reference
// analysis writes them (there the newest output comes second, so every
// sample waits on all twenty additions of the previous one): the filtered
// samples differ from the reference's in their last bits, far below the
// 0.01 dB steps of the level histogram, and the gains are the same (tested
// against the reference order). The tiny constant keeps the recursion out of
// denormal range in silence.
const float* PerceptualGain::filterStep(Channel& ch, const float* samples, int n) {
  float* x = stepIn;
  float* y = stepYule;
  float* z = stepButter;
  memcpy(x, ch.in, sizeof(ch.in));
  memcpy(y, ch.yule, sizeof(ch.yule));
  memcpy(z, ch.butter, sizeof(ch.butter));
  memcpy(x + kOrder, samples, sizeof(float) * n);
  const float* k = yule;
  const float* b = butter;
  // The input terms first (samples side by side: they depend on no output),
  // then the outputs from the oldest to the newest: each output waits on
  // the previous one through a single product and subtraction, not through
  // the whole sum.
  float* __restrict partial = stepPartial;
  for (int i = 0; i < n; ++i) {
    const float* xi = x + kOrder + i;
    float v = 1e-10f + xi[0] * k[0];
    v += xi[-1] * k[2];
    v += xi[-2] * k[4];
    v += xi[-3] * k[6];
    v += xi[-4] * k[8];
    v += xi[-5] * k[10];
    v += xi[-6] * k[12];
    v += xi[-7] * k[14];
    v += xi[-8] * k[16];
    v += xi[-9] * k[18];
    v += xi[-10] * k[20];
    partial[i] = v;
  }
  for (int i = 0; i < n; ++i) {
    float* yi = y + kOrder + i;
    float v = partial[i];
    v -= yi[-10] * k[19];
    v -= yi[-9] * k[17];
    v -= yi[-8] * k[15];
    v -= yi[-7] * k[13];
    v -= yi[-6] * k[11];
    v -= yi[-5] * k[9];
    v -= yi[-4] * k[7];
    v -= yi[-3] * k[5];
    v -= yi[-2] * k[3];
    v -= yi[-1] * k[1];
    yi[0] = v;
    float* zi = z + 2 + i;
    zi[0] = v * b[0] - zi[-1] * b[1] + yi[-1] * b[2] - zi[-2] * b[3] + yi[-2] * b[4];
  }
  memcpy(ch.in, x + n, sizeof(ch.in));
  memcpy(ch.yule, y + n, sizeof(ch.yule));
  memcpy(ch.butter, z + n, sizeof(ch.butter));
  return z + 2;
}

void PerceptualGain::accumulate(const float* left, const float* right, int n) {
  // A mono signal's two sums are the same sum: it is formed once.
  const bool same = left == right;
  for (int i = 0; i < n;) {
    const int run = static_cast<int>(std::min<long>(n - i, blockLength - blockSamples));
    double l = sumLeft, r = sumRight;
    for (int j = i; j < i + run; ++j) l += static_cast<double>(left[j]) * left[j];
    if (same) {
      r = l;
    } else {
      for (int j = i; j < i + run; ++j) r += static_cast<double>(right[j]) * right[j];
    }
    sumLeft = l;
    sumRight = r;
    i += run;
    blockSamples += run;
    if (blockSamples == blockLength) {
      const double level = kStepsPerDb * 10.0 * log10((sumLeft + sumRight) / blockLength * 0.5 + 1e-37);
      int index = static_cast<int>(level);
      if (index < 0) index = 0;
      if (index >= kHistogramSize) index = kHistogramSize - 1;
      ++titleHistogram[index];
      sumLeft = sumRight = 0;
      blockSamples = 0;
    }
  }
}

int PerceptualGain::AnalyzeSamples(const float* left, const float* right, unsigned long count,
                                   int numChannels) {
  if (numChannels != 1 && numChannels != 2) return 0;
  if (count == 0) return 1;
  if (left == nullptr) return 0;
  // A mono signal stands for both channels: its second filter pass would
  // give the same values.
  const bool mono = numChannels == 1 || right == nullptr;
  for (unsigned long done = 0; done < count;) {
    const int n = static_cast<int>(std::min<unsigned long>(kStep, count - done));
    const float* l = filterStep(channels[0], left + done, n);
    if (mono) {
      accumulate(l, l, n);
    } else {
      // The right channel's step reuses the buffers: keep the left output.
      memcpy(stepLeft, l, sizeof(float) * n);
      accumulate(stepLeft, filterStep(channels[1], right + done, n), n);
    }
    done += n;
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
