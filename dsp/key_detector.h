#pragma once
// Musical key of a track from its mono samples. The audio is cut into
// segments of 8192 samples; in each, a bank of Gaussian-windowed cosine
// kernels measures the twelve pitch classes over eight octaves (27.5 Hz to
// about 6.6 kHz at 44100 Hz); the chroma vector is scored against scale
// profiles of six modes for all twelve roots, and the best root and mode,
// reduced to major or minor, is the key. Only the second half of the key
// span decides: the evidence restarts at its middle. One thread at a time.

#include <memory>
#include <vector>

class Key;
class ZRRingBuffer;

// The result of a detection: the key, a second key (never set) and a
// confidence 0..1.
struct DetectedKey {
  Key* key;
  Key* secondKey;
  double confidence;

  // verbose 0: the key's preferred notation ("" for no key); otherwise
  // "[key: K->S, accuracy: C]". out: at least 64 bytes.
  void toString(char* out, int verbose) const;
};

// Normalised scores of one mode over the twelve roots.
struct KeyProbabilitySet {
  double probabilities[12];
  bool major;
  const char* name;
};

class KeyProbabilityFilter {
 public:
  virtual ~KeyProbabilityFilter() = default;
  virtual void add(const double* chroma) = 0;
  virtual void add(const int* chroma) = 0;
  virtual KeyProbabilitySet getNormalizedProbabilities() const = 0;
  virtual bool isAllZeros() const = 0;
  virtual void clear() = 0;
};

// One scale profile placed on every root.
class SingleKeyProbabilityFilter : public KeyProbabilityFilter {
 public:
  SingleKeyProbabilityFilter(const char* name, bool major, const std::vector<double>& profile);
  void add(const double* chroma) override;
  void add(const int* chroma) override;
  KeyProbabilitySet getNormalizedProbabilities() const override;
  bool isAllZeros() const override;
  void clear() override;
  const double* getScores() const { return scores; }

 private:
  bool major;
  const char* name;
  double rotated[12][12];
  double scores[12];
};

// Several alternative profiles of one mode; each segment counts the best.
class MultiKeyProbabilityFilter : public KeyProbabilityFilter {
 public:
  MultiKeyProbabilityFilter(const char* name, bool major, const std::vector<std::vector<double>>& profiles);
  void add(const double* chroma) override;
  void add(const int* chroma) override;
  KeyProbabilitySet getNormalizedProbabilities() const override;
  bool isAllZeros() const override;
  void clear() override;

 private:
  bool major;
  const char* name;
  double scores[12];
  std::vector<std::unique_ptr<SingleKeyProbabilityFilter>> alternatives;
};

// The evidence accumulator: chroma of pending segments and the six mode
// filters (ionian, lydian, mixolydian, aeolian, dorian, phrygian).
class KeyProbability {
 public:
  KeyProbability();
  void addSegment(const double* segmentChroma, double seconds);
  void processSegment();
  // The best key of the evidence so far; false when there is none to give.
  bool getDetectedKey(DetectedKey& out) const;
  bool allFiltersZero() const;
  double getPendingSeconds() const { return pendingSeconds; }
  const std::vector<std::unique_ptr<KeyProbabilityFilter>>& getFilters() const { return filters; }

 private:
  double pendingSeconds;
  double chroma[12];
  std::vector<std::unique_ptr<KeyProbabilityFilter>> filters;
};

class KeyDetector {
 public:
  static constexpr int kSegment = 8192;

  KeyDetector();
  ~KeyDetector();
  KeyDetector(const KeyDetector&) = delete;
  KeyDetector& operator=(const KeyDetector&) = delete;

  // Starts a detection over keyFrames frames at rate; always true.
  bool startProcessing(int keyFrames, int rate);
  // Feeds count samples taken every step-th value (on the 16-bit scale);
  // returns count. Ignored when no detection is started.
  int processFloat(const float* samples, int count, int step);
  // The key text ("Am", "C#", or "" for no key) into out (64 bytes); false,
  // out empty, when nothing was fed since startProcessing.
  bool finishProcessingAndGetKey(char* out, int verbose);

 private:
  void analyzeSegment(const float* segment);

  bool started;
  bool secondHalf;
  int sampleRate;
  double keySeconds;
  double segmentMs;
  double analysedSeconds;
  double segmentChroma[12];
  std::unique_ptr<KeyProbability> probability;
  std::unique_ptr<DetectedKey> currentKey;
  std::unique_ptr<ZRRingBuffer> sampleBuffer;
  const double* kernels;  // the shared matrix of this rate
  float segmentBuffer[kSegment];
};
