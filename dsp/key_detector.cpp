#include "dsp/key_detector.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "common/zr_logging.h"
#include "common/zr_ring_buffer.h"
#include "dsp/key.h"

namespace {

constexpr int kOctaves = 8;
constexpr int kBufferBytes = 352800;  // 88200 float samples

// Pitch-class frequencies of the lowest kernel octave before the x2 of the
// half-rate scaling (A = 13.75 Hz); at 44100 Hz octave o lies at 2^(o+1) x f.
const double kPitchBase[12] = {55,       58.27046875, 61.73546875, 65.40640625, 69.295625, 73.41625,
                               77.78125, 82.406875,   87.3071875,  92.49875,    97.99875,  103.82625};

// kernels[o][j][s] for 8 octaves, 8192 samples, 12 pitch classes.
std::vector<double> buildMatrix(int halfRate) {
  std::vector<double> m(static_cast<size_t>(kOctaves) * KeyDetector::kSegment * 12);
  const double a = halfRate;
  for (int o = 0; o < kOctaves; ++o) {
    const double octaveScale = 1.0 / sqrt(pow(2.0, -o));
    for (int j = 0; j < KeyDetector::kSegment; ++j) {
      const double e = (j - 4096) * pow(2.0, o) / a;
      const double window = exp(-M_PI * e * e) * (1.0 / a) * octaveScale;
      double* row = &m[(static_cast<size_t>(o) * KeyDetector::kSegment + j) * 12];
      for (int s = 0; s < 12; ++s) row[s] = cos(2.0 * M_PI * (0.25 * kPitchBase[s]) * e) * window;
    }
  }
  return m;
}

// One matrix per half-rate, built on first use and kept for the process.
// Decks and the batch analysis may start detectors on different threads.
const double* getMatrix(int halfRate) {
  static std::mutex mutex;
  static std::map<int, std::vector<double>> matrixMap;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = matrixMap.find(halfRate);
  if (it == matrixMap.end()) it = matrixMap.emplace(halfRate, buildMatrix(halfRate)).first;
  return it->second.data();
}

const char* const kRootNames[12] = {"A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"};

}  // namespace

// ------------------------------------------------------------ DetectedKey

void DetectedKey::toString(char* out, int verbose) const {
  out[0] = 0;
  Key* k = key ? key : Key::NO_KEY;
  if (!verbose) {
    k->getPreferredKeyNotation(out);
    return;
  }
  char a[24], b[24];
  k->getPreferredKeyNotation(a);
  (secondKey ? secondKey : Key::NO_KEY)->getPreferredKeyNotation(b);
  char text[400];
  snprintf(text, sizeof(text), "[key: %s->%s, accuracy: %f]", a, b, confidence);
  snprintf(out, 64, "%.63s", text);
}

// ------------------------------------------------------------- filters

SingleKeyProbabilityFilter::SingleKeyProbabilityFilter(const char* filterName, bool isMajor,
                                                       const std::vector<double>& profile)
    : major(isMajor), name(filterName) {
  memset(rotated, 0, sizeof(rotated));
  memset(scores, 0, sizeof(scores));
  if (profile.size() != 12) {
    ZRLOG("SingleKeyProbabilityFilter(): probabilities array is incorrect lengh for key=%s", name);
    return;
  }
  double total = 0;
  for (double p : profile) total += p;
  if (fabs(total - 1.0) > 1e-4)
    ZRLOG("SingleKeyProbabilityFilter(): total probability != 1.0 for key=%s", name);
  for (int i = 0; i < 12; ++i) {
    for (int j = 0; j < 12; ++j) rotated[i][(i + j) % 12] = profile[j];
  }
}

void SingleKeyProbabilityFilter::add(const double* chroma) {
  for (int i = 0; i < 12; ++i) {
    double s = 0;
    for (int j = 0; j < 12; ++j) s += rotated[i][j] * chroma[j];
    scores[i] += s;
  }
}

void SingleKeyProbabilityFilter::add(const int* chroma) {
  double c[12];
  for (int j = 0; j < 12; ++j) c[j] = chroma[j];
  add(c);
}

static KeyProbabilitySet normalise(const double* scores, bool major, const char* name) {
  KeyProbabilitySet set;
  set.major = major;
  set.name = name;
  double total = 0;
  for (int i = 0; i < 12; ++i) total += scores[i];
  for (int i = 0; i < 12; ++i) set.probabilities[i] = total > 0 ? scores[i] / total : 0.0;
  if (total > 0) {
    double check = 0;
    for (double p : set.probabilities) check += p;
    if (fabs(check - 1.0) > 1e-5) ZRLOG("KeyProbabilitySet(): improper probability set, total=%f", check);
  }
  return set;
}

KeyProbabilitySet SingleKeyProbabilityFilter::getNormalizedProbabilities() const {
  return normalise(scores, major, name);
}

bool SingleKeyProbabilityFilter::isAllZeros() const {
  for (double s : scores) {
    if (s > 0) return false;
  }
  return true;
}

void SingleKeyProbabilityFilter::clear() {
  memset(scores, 0, sizeof(scores));
}

MultiKeyProbabilityFilter::MultiKeyProbabilityFilter(const char* filterName, bool isMajor,
                                                     const std::vector<std::vector<double>>& profiles)
    : major(isMajor), name(filterName) {
  memset(scores, 0, sizeof(scores));
  for (const auto& p : profiles)
    alternatives.push_back(std::make_unique<SingleKeyProbabilityFilter>(name, major, p));
}

void MultiKeyProbabilityFilter::add(const double* chroma) {
  for (auto& a : alternatives) {
    a->clear();
    a->add(chroma);
  }
  for (int i = 0; i < 12; ++i) {
    double best = 0;
    bool first = true;
    for (auto& a : alternatives) {
      const double v = a->getScores()[i];
      if (first || v > best) best = v;
      first = false;
    }
    scores[i] += best;
  }
}

void MultiKeyProbabilityFilter::add(const int* chroma) {
  double c[12];
  for (int j = 0; j < 12; ++j) c[j] = chroma[j];
  add(c);
}

KeyProbabilitySet MultiKeyProbabilityFilter::getNormalizedProbabilities() const {
  return normalise(scores, major, name);
}

bool MultiKeyProbabilityFilter::isAllZeros() const {
  for (double s : scores) {
    if (s > 0) return false;
  }
  return true;
}

void MultiKeyProbabilityFilter::clear() {
  memset(scores, 0, sizeof(scores));
  for (auto& a : alternatives) a->clear();
}

// --------------------------------------------------------- KeyProbability

KeyProbability::KeyProbability() : pendingSeconds(0) {
  memset(chroma, 0, sizeof(chroma));
  using P = std::vector<double>;
  filters.push_back(std::make_unique<SingleKeyProbabilityFilter>(
      "ionian", true, P{0.2, 0, 0.12, 0, 0.16, 0.12, 0, 0.16, 0, 0.12, 0, 0.12}));
  filters.push_back(std::make_unique<SingleKeyProbabilityFilter>(
      "lydian", true, P{0.2, 0, 0.12, 0, 0.16, 0, 0.12, 0.16, 0, 0.12, 0, 0.12}));
  filters.push_back(std::make_unique<SingleKeyProbabilityFilter>(
      "mixolydian", true, P{0.2, 0, 0.12, 0, 0.16, 0.12, 0, 0.16, 0, 0.12, 0.12, 0}));
  filters.push_back(std::make_unique<MultiKeyProbabilityFilter>(
      "aeolian", false,
      std::vector<P>{P{0.2, 0, 0.12, 0.16, 0, 0.12, 0, 0.16, 0.12, 0, 0.12, 0},
                     P{0.2, 0, 0.12, 0.16, 0, 0.12, 0, 0.16, 0.12, 0, 0, 0.12}}));
  filters.push_back(std::make_unique<MultiKeyProbabilityFilter>(
      "dorian", false,
      std::vector<P>{P{0.2, 0, 0.12, 0.16, 0, 0.12, 0, 0.16, 0, 0.12, 0.12, 0},
                     P{0.2, 0, 0.12, 0.16, 0, 0.12, 0, 0.16, 0, 0.12, 0, 0.12}}));
  filters.push_back(std::make_unique<SingleKeyProbabilityFilter>(
      "phrygian", false, P{0.2, 0.12, 0, 0.16, 0, 0.12, 0, 0.16, 0.12, 0, 0.12, 0}));
}

void KeyProbability::addSegment(const double* segmentChroma, double seconds) {
  pendingSeconds += seconds;
  for (int s = 0; s < 12; ++s) chroma[s] += segmentChroma[s];
  if (pendingSeconds > 0.1) processSegment();
}

void KeyProbability::processSegment() {
  double sum = 0;
  for (double c : chroma) sum += c;
  if (sum > 0) {
    for (double& c : chroma) c /= sum;
  }
  for (auto& f : filters) f->add(chroma);
  pendingSeconds = 0;
  memset(chroma, 0, sizeof(chroma));
}

bool KeyProbability::allFiltersZero() const {
  for (auto& f : filters) {
    if (!f->isAllZeros()) return false;
  }
  return true;
}

bool KeyProbability::getDetectedKey(DetectedKey& out) const {
  if (filters.empty()) return false;
  try {
    struct Candidate {
      Key* key;
      double probability;
    };
    std::vector<Candidate> candidates;
    candidates.reserve(filters.size() * 12);
    double maxP = 0, minP = 1e13, sumOfTotals = 0;
    for (auto& f : filters) {
      const KeyProbabilitySet set = f->getNormalizedProbabilities();
      for (int i = 0; i < 12; ++i) {
        std::string name = kRootNames[i];
        if (!set.major) name += "m";
        const double p = set.probabilities[i];
        candidates.push_back({Key::getKey(name.c_str()), p});
        maxP = std::max(maxP, p);
        minP = std::min(minP, p);
        sumOfTotals += p;
      }
    }
    // The most probable key, the last of equal ones (where a stable sort by probability puts it), found
    // without sorting: std::stable_sort's temporary buffer is allocated and released in a way the address
    // sanitizer of this toolchain reports as mismatched.
    size_t bestIndex = 0;
    for (size_t i = 1; i < candidates.size(); ++i) {
      if (candidates[i].probability >= candidates[bestIndex].probability) bestIndex = i;
    }
    double confidence = 0;
    if (maxP - minP > 0) confidence = (maxP - sumOfTotals / (filters.size() * 12.0)) / (maxP - minP);
    confidence = std::clamp(confidence, 0.0, 1.0);
    const Candidate& best = candidates[bestIndex];
    if (best.probability == 0) {
      out = {Key::NO_KEY, Key::NO_KEY, 0};
    } else {
      out = {best.key, Key::NO_KEY, confidence};
    }
    return true;
  } catch (...) {
    ZRLOG("debugKeyScores(): error creating debug output");
    return false;
  }
}

// ------------------------------------------------------------ KeyDetector

KeyDetector::KeyDetector()
    : started(false),
      secondHalf(false),
      sampleRate(44100),
      keySeconds(0),
      segmentMs(0),
      analysedSeconds(0),
      sampleBuffer(std::make_unique<ZRRingBuffer>(kBufferBytes, false)),
      kernels(nullptr) {
  memset(segmentChroma, 0, sizeof(segmentChroma));
}

KeyDetector::~KeyDetector() = default;

bool KeyDetector::startProcessing(int keyFrames, int rate) {
  started = false;
  if (rate <= 0) rate = 44100;
  keySeconds = static_cast<double>(keyFrames) / rate;
  sampleRate = rate;
  sampleBuffer->clear();
  currentKey = std::make_unique<DetectedKey>(DetectedKey{Key::NO_KEY, Key::NO_KEY, 0.00001});
  analysedSeconds = 0;
  memset(segmentChroma, 0, sizeof(segmentChroma));
  segmentMs = static_cast<double>(kSegment) / rate * 1000.0;
  probability = std::make_unique<KeyProbability>();
  secondHalf = false;
  if (kernels == nullptr) kernels = getMatrix(22050);
  return true;
}

int KeyDetector::processFloat(const float* samples, int count, int step) {
  if (probability == nullptr || samples == nullptr || count <= 0) return count;
  started = true;
  if (step == 1) {
    sampleBuffer->putBlock(samples, count * static_cast<int>(sizeof(float)));
  } else {
    float chunk[kSegment];
    for (int done = 0; done < count;) {
      const int n = std::min(kSegment, count - done);
      for (int i = 0; i < n; ++i) chunk[i] = samples[static_cast<long>(done + i) * step];
      sampleBuffer->putBlock(chunk, n * static_cast<int>(sizeof(float)));
      done += n;
    }
  }
  float* segment = segmentBuffer;
  while (sampleBuffer->getUsed() >= kSegment * static_cast<int>(sizeof(float))) {
    sampleBuffer->getBlock(segment, kSegment * sizeof(float));
    analyzeSegment(segment);
    analysedSeconds += static_cast<double>(kSegment) / sampleRate;
    DetectedKey d;
    if (probability->getDetectedKey(d)) {
      currentKey->key = d.key;
      currentKey->confidence = d.confidence;
    }
    if (!secondHalf && 2 * analysedSeconds > keySeconds) {
      secondHalf = true;
      probability = std::make_unique<KeyProbability>();
    }
  }
  return count;
}

void KeyDetector::analyzeSegment(const float* x) {
  try {
    memset(segmentChroma, 0, sizeof(segmentChroma));
    for (int o = 0; o < kOctaves; ++o) {
      double v[12] = {0};
      const double* k = kernels + static_cast<size_t>(o) * kSegment * 12;
      for (int j = 0; j < kSegment; ++j) {
        const double xj = x[j];
        const double* row = k + static_cast<size_t>(j) * 12;
        for (int s = 0; s < 12; ++s) v[s] += row[s] * xj;
      }
      for (int s = 0; s < 12; ++s) segmentChroma[s] += fabs(v[s]);
    }
    probability->addSegment(segmentChroma, static_cast<double>(kSegment) / sampleRate);
  } catch (...) {
    ZRLOG("analyzeSegment(): error");
  }
}

bool KeyDetector::finishProcessingAndGetKey(char* out, int verbose) {
  out[0] = 0;
  if (!started || probability == nullptr || currentKey == nullptr) return false;
  if (probability->getPendingSeconds() > 0) probability->processSegment();
  if (probability->allFiltersZero()) {
    *currentKey = {Key::NO_KEY, Key::NO_KEY, 0.01};
  } else {
    DetectedKey d{Key::NO_KEY, Key::NO_KEY, 0};
    probability->getDetectedKey(d);
    const double running = currentKey->confidence;
    currentKey->key = d.key;
    currentKey->secondKey = Key::NO_KEY;
    currentKey->confidence = (running != 0 && running < d.confidence) ? running : d.confidence;
  }
  currentKey->toString(out, verbose);
  currentKey.reset();
  probability.reset();
  started = false;
  return true;
}
