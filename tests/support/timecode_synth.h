#pragma once
// Timecode signals for tests: TimecodeSynth (the demodulator's generation 4) and ZeroCrossingSynth (the
// zero-crossing decoder's format), both built from their formats' definitions.
//
// TimecodeSynth: a generation-4 timecode signal, built from the format's definition and independent of the
// demodulator's code:
// - pilot: 7/256 of 44100 Hz (1205.859375 Hz); left = A cos, right = A sin, so the complex signal
//   left + i right turns forwards (a medium running backwards turns it the other way);
// - code word w covers record time [w, w + 1) x 512 / 44100 s;
// - the data sub-carriers at k x 86.1328125 Hz for the bins k = 2, 5, 8, 11, 17, 20, 23, 26, 30, 33, 36, each
//   a whole number of cycles per word, carry one 8-PSK point per word: point j is a phase difference of
//   j x 45 degrees between left and right. Symbol c of the word's trellis sequence goes on the c-th bin from
//   the end of that list;
// - the word's 11 points are the 16-state 8-PSK trellis code (9 main symbols of 2 bits, 2 tail symbols) of an
//   18-bit word made from the word number: the number shifted up by one with an even-parity bit at the
//   bottom, reversed over 18 bits, and interleaved (bits 0..8 to the even positions, 9..17 to the odd ones);
// - choices the format leaves open: the pilot level (pilotLevel, 0.5) and the sub-carrier level (dataLevel,
//   0.02: the pilot must stay the strongest line by far, or sub-carriers a bin or two away bend the speed
//   measured on it); each word's sub-carriers rise from 0 and fall back to 0 with a raised-cosine envelope
//   (peak 2 x dataLevel), so the timing tone's power peaks sharply where a measurement covers one whole word
//   and no phase step splatters into other bins; the absolute phase of each sub-carrier in the right channel
//   starts at 0 and turns at every word boundary by 180, 90 or 270 degrees, whichever keeps both channels'
//   phase steps furthest from 0 (at least 90 degrees), which sharpens that peak further.
//
// render() plays the record at a speed (negative: backwards) from a start time, at any device rate, with
// optional white noise at a signal-to-noise ratio against the timecode's own power.

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace orvel_test {

class TimecodeSynth {
 public:
  static constexpr double kRate = 44100.0;
  static constexpr int kWordSamples = 512;
  static constexpr double kWordsPerSecond = kRate / kWordSamples;  // 86.1328125
  static constexpr double kPilotHz = 7 * kRate / 256;              // 1205.859375
  static constexpr int kBins = 11;
  static constexpr int kDataBins[kBins] = {2, 5, 8, 11, 17, 20, 23, 26, 30, 33, 36};

  double pilotLevel = 0.5;
  double dataLevel = 0.02;
  // Words with the wrong parity bit (a damaged record).
  bool wrongParity = false;

  // The 11 trellis points (0..7, as multiples of 45 degrees) of word number `word`, in sequence order.
  static void wordPoints(uint32_t word, int points[kBins], bool wrongParity = false) {
    const uint32_t number = word & 0x1FFFF;
    uint32_t parity = wrongParity ? 1 : 0;
    for (int b = 0; b < 17; ++b) parity ^= (number >> b) & 1;
    const uint32_t withParity = (number << 1) | parity;
    uint32_t reversed = 0;
    for (int b = 0; b < 18; ++b) reversed |= ((withParity >> b) & 1) << (17 - b);
    uint32_t bits = 0;
    for (int i = 0; i < 9; ++i) {
      bits |= ((reversed >> i) & 1) << (2 * i);
      bits |= ((reversed >> (9 + i)) & 1) << (2 * i + 1);
    }
    // 16-state encoder: transition 4 s + u goes to (4 s + u) mod 16 and sends point
    // s1 + 2 (u0 ^ s3) + 4 (u1 ^ s0 ^ s2).
    int s = 0;
    for (int c = 0; c < kBins; ++c) {
      const int u = c < 9 ? static_cast<int>((bits >> (2 * c)) & 3) : 0;
      const int u0 = u & 1, u1 = (u >> 1) & 1;
      const int s0 = s & 1, s1 = (s >> 1) & 1, s2 = (s >> 2) & 1, s3 = (s >> 3) & 1;
      points[c] = s1 + 2 * (u0 ^ s3) + 4 * (u1 ^ s0 ^ s2);
      s = (4 * s + u) & 15;
    }
  }

  // Left and right at record time tau (seconds at nominal speed); tau below 0 is silence.
  void sample(double tau, float& left, float& right) {
    if (tau < 0) {
      left = right = 0.0f;
      return;
    }
    const double pilot = 2 * M_PI * kPilotHz * tau;
    double l = pilotLevel * std::cos(pilot);
    double r = pilotLevel * std::sin(pilot);
    const double words = tau * kWordsPerSecond;
    const long word = static_cast<long>(std::floor(words));
    const uint8_t* phases = wordPhases(word);
    // Each word's sub-carriers rise from and fall back to 0 (a raised cosine), so the timing tone's power
    // peaks sharply where a measurement covers one whole word and no phase step splatters into other bins.
    const double level = dataLevel * (1 - std::cos(2 * M_PI * (words - static_cast<double>(word))));
    for (int c = 0; c < kBins; ++c) {
      const int bin = kDataBins[kBins - 1 - c];
      const double carrier = 2 * M_PI * bin * kWordsPerSecond * tau;
      l += level * std::cos(carrier + kStep * phases[2 * c]);
      r += level * std::cos(carrier + kStep * phases[2 * c + 1]);
    }
    left = static_cast<float>(l);
    right = static_cast<float>(r);
  }

  // frames of interleaved stereo at `rate`, the record moving at `speed` from record time `start`.
  std::vector<float> render(double start, double speed, long frames, double rate = kRate, double snrDb = 0,
                            unsigned seed = 1) {
    std::vector<float> out(2 * static_cast<size_t>(frames));
    for (long i = 0; i < frames; ++i) sample(start + speed * i / rate, out[2 * i], out[2 * i + 1]);
    if (snrDb > 0) addNoise(out, snrDb, seed);
    return out;
  }

  // White noise at snrDb below the timecode's mean power per channel.
  void addNoise(std::vector<float>& interleaved, double snrDb, unsigned seed) const {
    const double signal = 0.5 * pilotLevel * pilotLevel + kBins * 0.75 * dataLevel * dataLevel;
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, std::sqrt(signal / std::pow(10.0, snrDb / 10)));
    for (float& v : interleaved) v = static_cast<float>(v + noise(rng));
  }

  // Splits interleaved stereo into two channel arrays.
  static void split(const std::vector<float>& interleaved, std::vector<float>& left,
                    std::vector<float>& right) {
    const size_t n = interleaved.size() / 2;
    left.resize(n);
    right.resize(n);
    for (size_t i = 0; i < n; ++i) {
      left[i] = interleaved[2 * i];
      right[i] = interleaved[2 * i + 1];
    }
  }

 private:
  static constexpr double kStep = M_PI / 4;

  // Per word and sub-carrier (sequence order): the left and right phases in steps of 45 degrees.
  const uint8_t* wordPhases(long word) {
    while (static_cast<long>(phases_.size()) <= 2 * kBins * word) extendPhases();
    return phases_.data() + 2 * kBins * word;
  }

  void extendPhases() {
    const long word = static_cast<long>(phases_.size()) / (2 * kBins);
    int points[kBins];
    wordPoints(static_cast<uint32_t>(word), points, wrongParity);
    for (int c = 0; c < kBins; ++c) {
      int right = 0;
      if (word > 0) {
        const int prevLeft = phases_[2 * kBins * (word - 1) + 2 * c];
        const int prevRight = phases_[2 * kBins * (word - 1) + 2 * c + 1];
        const int difference = (points[c] - (prevLeft - prevRight) + 16) % 8;
        int best = -1;
        for (int turn : {4, 2, 6}) {
          const int a = std::min(turn % 8, 8 - turn % 8);
          const int b = std::min((turn + difference) % 8, 8 - (turn + difference) % 8);
          const int worst = std::min(a, b);
          if (worst > best) {
            best = worst;
            right = (prevRight + turn) % 8;
          }
        }
      }
      phases_.push_back(static_cast<uint8_t>((right + points[c]) % 8));
      phases_.push_back(static_cast<uint8_t>(right));
    }
  }

  std::vector<uint8_t> phases_;
};

// The zero-crossing decoder's format, for tests: left a 1575 Hz tone (28 samples per cycle at 44100 Hz and
// nominal speed), right the same tone a quarter cycle later whose half-cycles are high (the full amplitude)
// or low (a quarter of it). Word w occupies the 320 right half-cycles from 320 w on (4480 samples): a sync
// (high +, low -, low +, high -), then 14 positive half-cycles every other one carrying bits 0..12 of w and a
// bit making the ones even (high = 1); every other half-cycle is low.
class ZeroCrossingSynth {
 public:
  static constexpr double kCycle = 28.0;
  static constexpr long kHalfCyclesPerWord = 320;

  double amplitude = 0.5;
  // Words whose parity bit is wrong.
  bool wrongParity = false;

  bool high(long halfCycle) const {
    const long w = halfCycle / kHalfCyclesPerWord, j = halfCycle % kHalfCyclesPerWord;
    if (j == 0 || j == 3) return true;
    if (j < 4 || j > 4 + 26 || (j - 4) % 2 != 0) return false;
    const long m = (j - 4) / 2;
    if (m < 13) return ((w >> m) & 1) != 0;
    int ones = 0;
    for (int b = 0; b < 13; ++b) ones += static_cast<int>((w >> b) & 1);
    return (ones % 2 == 1) != wrongParity;
  }

  // frames of interleaved stereo, the medium moving at `speed` from record sample `start`.
  std::vector<float> render(double start, double speed, long frames) const {
    std::vector<float> out(2 * static_cast<size_t>(frames));
    for (long i = 0; i < frames; ++i) {
      const double tau = start + speed * static_cast<double>(i);
      const double phase = 2 * M_PI * tau / kCycle;
      const long k = static_cast<long>(std::floor(tau / (kCycle / 2) - 0.5));
      const double a = k >= 0 && high(k) ? amplitude : amplitude / 4;
      out[2 * i] = static_cast<float>(amplitude * std::sin(phase));
      out[2 * i + 1] = static_cast<float>(a * std::sin(phase - M_PI / 2));
    }
    return out;
  }
};

}  // namespace orvel_test
