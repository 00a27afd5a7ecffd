#include "wav_tones.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace orvel_e2e {

namespace {

uint32_t le32(const unsigned char* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
uint16_t le16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

bool fail(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return false;
}

float sampleAt(const unsigned char* p, int format, int bits) {
  if (format == 3 && bits == 32) {
    float v;
    std::memcpy(&v, p, 4);
    return v;
  }
  switch (bits) {
    case 16:
      return static_cast<float>(static_cast<int16_t>(le16(p))) / 32768.0f;
    case 24: {
      int32_t v =
          static_cast<int32_t>((uint32_t{p[0]} << 8) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 24));
      return static_cast<float>(v >> 8) / 8388608.0f;
    }
    default:
      return static_cast<float>(static_cast<int32_t>(le32(p))) / 2147483648.0f;
  }
}

}  // namespace

bool readWavMono(const std::string& path, std::vector<float>& samples, int& rate, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(error, "cannot open " + path);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4))
    return fail(error, path + " is not a WAV file");
  int format = 0, channels = 0, bits = 0;
  rate = 0;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const uint32_t size = le32(bytes.data() + at + 4);
    const unsigned char* body = bytes.data() + at + 8;
    if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0 && at + 8 + 16 <= bytes.size()) {
      format = le16(body);
      channels = le16(body + 2);
      rate = static_cast<int>(le32(body + 4));
      bits = le16(body + 14);
      if (format == 0xFFFE && size >= 40 && at + 8 + 26 <= bytes.size()) format = le16(body + 24);
    } else if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
      if (channels <= 0 || rate <= 0 || (bits != 16 && bits != 24 && bits != 32) ||
          (format != 1 && format != 3))
        return fail(error, path + ": unsupported sample format");
      const size_t available = bytes.size() - (at + 8);
      const size_t length = size == 0 || size > available ? available : size;
      const size_t frameBytes = static_cast<size_t>(channels) * (bits / 8);
      const size_t frames = length / frameBytes;
      samples.resize(frames);
      for (size_t f = 0; f < frames; ++f) {
        const unsigned char* frame = body + f * frameBytes;
        const float left = sampleAt(frame, format, bits);
        const float right = channels > 1 ? sampleAt(frame + bits / 8, format, bits) : left;
        samples[f] = 0.5f * (left + right);
      }
      return true;
    }
    at += 8 + size + (size & 1);
  }
  return fail(error, path + " has no data chunk");
}

double toneAmplitude(const std::vector<float>& samples, size_t from, size_t count, double frequency,
                     int rate) {
  if (from >= samples.size() || count == 0) return 0;
  count = std::min(count, samples.size() - from);
  const double w = 2.0 * M_PI * frequency / rate;
  const double coefficient = 2.0 * std::cos(w);
  double s1 = 0, s2 = 0, windowSum = 0;
  for (size_t i = 0; i < count; ++i) {
    const double hann =
        0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(i) / static_cast<double>(count));
    windowSum += hann;
    const double s0 = samples[from + i] * hann + coefficient * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
  return windowSum > 0 ? 2.0 * std::sqrt(std::max(power, 0.0)) / windowSum : 0;
}

std::vector<std::string> classifyWindows(const std::vector<float>& samples, int rate, double a, double b,
                                         double windowSeconds) {
  const size_t window = static_cast<size_t>(windowSeconds * rate);
  std::vector<double> ampA, ampB;
  for (size_t at = 0; window > 0 && at + window <= samples.size(); at += window) {
    ampA.push_back(toneAmplitude(samples, at, window, a, rate));
    ampB.push_back(toneAmplitude(samples, at, window, b, rate));
  }
  const double peakA = ampA.empty() ? 0 : *std::max_element(ampA.begin(), ampA.end());
  const double peakB = ampB.empty() ? 0 : *std::max_element(ampB.begin(), ampB.end());
  // A level against its tone's loudest window: "present", "absent" or in between.
  auto state = [](double level, double peak) {
    if (peak <= 1e-4) return 0;  // never sounded at all
    if (level > peak / 5) return 1;
    if (level < peak / 30) return 0;
    return -1;
  };
  std::vector<std::string> labels;
  for (size_t i = 0; i < ampA.size(); ++i) {
    const int sa = state(ampA[i], peakA), sb = state(ampB[i], peakB);
    if (sa < 0 || sb < 0) {
      labels.push_back("?");
    } else {
      labels.push_back(sa && sb ? "AB" : sa ? "A" : sb ? "B" : "-");
    }
  }
  return labels;
}

std::vector<ToneRun> toneRuns(const std::vector<std::string>& windows, size_t minRun) {
  std::vector<ToneRun> runs;
  size_t i = 0;
  while (i < windows.size()) {
    size_t j = i;
    while (j < windows.size() && windows[j] == windows[i]) ++j;
    if (windows[i] != "?" && j - i >= minRun) {
      if (!runs.empty() && runs.back().label == windows[i]) {
        runs.back().length = j - runs.back().start;
      } else {
        runs.push_back(ToneRun{windows[i], i, j - i});
      }
    }
    i = j;
  }
  while (!runs.empty() && runs.front().label == "-") runs.erase(runs.begin());
  while (!runs.empty() && runs.back().label == "-") runs.pop_back();
  return runs;
}

std::vector<std::string> foldRuns(const std::vector<std::string>& windows, size_t minRun) {
  std::vector<std::string> labels;
  for (const ToneRun& run : toneRuns(windows, minRun)) labels.push_back(run.label);
  return labels;
}

}  // namespace orvel_e2e
