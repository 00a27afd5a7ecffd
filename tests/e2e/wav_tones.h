#pragma once
// What the end-to-end run heard: the output file read back, and which of two tones sound in each short
// window of it (Goertzel filters at the two frequencies), folded into the order in which the tones came.

#include <string>
#include <vector>

namespace orvel_e2e {

// The first two channels of a WAV file (PCM 16/24/32-bit or 32-bit float) mixed to mono. A header whose
// data size was never written (a recording cut off) counts the rest of the file. false with a reason in
// error when the file cannot be read.
bool readWavMono(const std::string& path, std::vector<float>& samples, int& rate, std::string* error);

// The amplitude of frequency in samples[from, from + count) (Hann window; a full-scale sine gives ~1).
double toneAmplitude(const std::vector<float>& samples, size_t from, size_t count, double frequency,
                     int rate);

// Per window of windowSeconds: "A" (only tone a sounds), "B" (only b), "AB" (both), "-" (neither) or "?"
// (a tone between clearly present and clearly absent, a fade). A tone is present above 1/5 of its loudest
// window and absent below 1/30 of it.
std::vector<std::string> classifyWindows(const std::vector<float>& samples, int rate, double a, double b,
                                         double windowSeconds);

// One stretch of windows with the same label.
struct ToneRun {
  std::string label;
  size_t start = 0;   // first window
  size_t length = 0;  // windows
};

// The stretches of windows with one label, in order, with "?" windows and stretches shorter than minRun
// windows dropped, neighbours with the same label joined, and the silence before and after dropped.
std::vector<ToneRun> toneRuns(const std::vector<std::string>& windows, size_t minRun);

// The labels in order of appearance, each run counted once, with "?" windows, runs shorter than minRun
// windows and the silence before and after dropped: e.g. {"A", "AB", "B"}.
std::vector<std::string> foldRuns(const std::vector<std::string>& windows, size_t minRun);

}  // namespace orvel_e2e
