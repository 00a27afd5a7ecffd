// Runs a fuzz harness over files, the way libFuzzer runs one input, for the ordinary test suite:
//
//   replay_<name> <file or folder>...
//
// Folders are read recursively, files in name order. Each file is handed to LLVMFuzzerTestOneInput
// once. A crash or sanitizer report fails the run (as it would fail the fuzzer); so does an input
// that takes longer than ORVEL_FUZZ_SLOW_SECONDS (default 30), since the system must refuse a bad
// input quickly.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::string> inputsOf(const char* argument) {
  std::vector<std::string> files;
  std::error_code ec;
  const std::filesystem::path path(argument);
  if (std::filesystem::is_directory(path, ec)) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ec)) {
      if (entry.is_regular_file(ec)) files.push_back(entry.path().string());
    }
  } else if (std::filesystem::is_regular_file(path, ec)) {
    files.push_back(path.string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  const char* slowText = std::getenv("ORVEL_FUZZ_SLOW_SECONDS");
  const double slowSeconds = slowText != nullptr ? std::atof(slowText) : 30.0;
  int replayed = 0;
  int slow = 0;
  for (int i = 1; i < argc; ++i) {
    for (const std::string& file : inputsOf(argv[i])) {
      std::ifstream in(file, std::ios::binary);
      const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
      const auto start = std::chrono::steady_clock::now();
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (seconds > slowSeconds) {
        std::fprintf(stderr, "slow input: %s took %.1f s\n", file.c_str(), seconds);
        ++slow;
      }
      ++replayed;
    }
  }
  std::fprintf(stderr, "replayed %d inputs\n", replayed);
  if (replayed == 0) {
    std::fprintf(stderr, "no inputs found\n");
    return 1;
  }
  return slow == 0 ? 0 : 1;
}
