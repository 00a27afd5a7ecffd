#include "support/test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace orvel_test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "orvel-test-XXXXXX").string();
  char* made = mkdtemp(tmpl.data());
  path_ = made ? std::string(made) : std::string();
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::vector<float> sineStereo(double freq, double seconds, int rate, float amp) {
  const size_t frames = static_cast<size_t>(seconds * rate);
  std::vector<float> out(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    float v = amp * static_cast<float>(std::sin(2.0 * M_PI * freq * static_cast<double>(i) / rate));
    out[2 * i] = v;
    out[2 * i + 1] = v;
  }
  return out;
}

static void put16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xff));
  s.push_back(static_cast<char>(v >> 8));
}
static void put32(std::string& s, uint32_t v) {
  put16(s, static_cast<uint16_t>(v & 0xffff));
  put16(s, static_cast<uint16_t>(v >> 16));
}

bool writeWav16(const std::string& path, const std::vector<int16_t>& interleaved, int channels, int rate) {
  const uint32_t dataBytes = static_cast<uint32_t>(interleaved.size() * 2);
  std::string s = "RIFF";
  put32(s, 36 + dataBytes);
  s += "WAVEfmt ";
  put32(s, 16);
  put16(s, 1);
  put16(s, static_cast<uint16_t>(channels));
  put32(s, static_cast<uint32_t>(rate));
  put32(s, static_cast<uint32_t>(rate * channels * 2));
  put16(s, static_cast<uint16_t>(channels * 2));
  put16(s, 16);
  s += "data";
  put32(s, dataBytes);
  for (int16_t v : interleaved) put16(s, static_cast<uint16_t>(v));
  return writeFile(path, s);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

namespace {

template <typename T>
uint64_t fnvWords(const T* values, size_t count) {
  static_assert(sizeof(T) == sizeof(uint32_t));
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < count; ++i) {
    uint32_t bits;
    std::memcpy(&bits, &values[i], sizeof bits);
    h ^= bits;
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace

uint64_t bitsHash(const float* values, size_t count) {
  return fnvWords(values, count);
}

uint64_t bitsHash(const int* values, size_t count) {
  return fnvWords(values, count);
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string sourceFile(const std::string& relative) {
  return std::string(ORVEL_SOURCE_DIR) + "/" + relative;
}

namespace {

long vmPeakKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmPeak:", 0) == 0) return std::strtol(line.c_str() + 7, nullptr, 10);
  }
  return -1;
}

}  // namespace

long peakMemoryGrowthKb(const std::function<void()>& work) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    close(pipeFds[0]);
    const long before = vmPeakKb();
    work();
    const long growth = vmPeakKb() - before;
    const ssize_t written = write(pipeFds[1], &growth, sizeof growth);
    _exit(written == static_cast<ssize_t>(sizeof growth) ? 0 : 1);
  }
  close(pipeFds[1]);
  long growth = -1;
  if (read(pipeFds[0], &growth, sizeof growth) != static_cast<ssize_t>(sizeof growth)) growth = -1;
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? growth : -1;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  getrlimit(RLIMIT_FSIZE, &old_);
  oldHandler_ = signal(SIGXFSZ, SIG_IGN);
  rlimit limit = old_;
  limit.rlim_cur = bytes;
  ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit() {
  setrlimit(RLIMIT_FSIZE, &old_);
  signal(SIGXFSZ, oldHandler_);
}

}  // namespace orvel_test
