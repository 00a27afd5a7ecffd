#pragma once
// Helpers shared by the test programs: a scratch folder per test and
// generated test media, so no recorded audio is ever committed.

#include <signal.h>
#include <sys/resource.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvel_test {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Interleaved stereo float sine at the given rate.
std::vector<float> sineStereo(double freq, double seconds, int rate = 44100, float amp = 0.5f);

// Writes interleaved 16-bit PCM as a canonical 44-byte-header WAV file.
bool writeWav16(const std::string& path, const std::vector<int16_t>& interleaved, int channels, int rate);

std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const std::string& bytes);

// A 64-bit hash (FNV-1a over 32-bit words) of values' exact bits, to pin outputs bit for bit in a test.
uint64_t bitsHash(const float* values, size_t count);
uint64_t bitsHash(const int* values, size_t count);

// A file of the source tree by its path from the checkout's root (inputs that once broke the system
// are kept in fuzz/crashes/).
std::string sourceFile(const std::string& relative);

// Runs work in a child process and returns by how many kilobytes the child's peak of mapped memory
// (VmPeak) grew while it ran, or -1 when the child failed. A reservation of gigabytes shows here even
// when its pages are never touched.
long peakMemoryGrowthKb(const std::function<void()>& work);

// Caps the size of files this process writes (a full disk) while the object lives; a write beyond the
// cap fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool ok() const { return ok_; }

 private:
  rlimit old_{};
  sighandler_t oldHandler_ = SIG_DFL;
  bool ok_ = false;
};

}  // namespace orvel_test
