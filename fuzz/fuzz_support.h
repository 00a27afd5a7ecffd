#pragma once
// What the fuzz harnesses share. A harness is one file, <name>_fuzzer.cpp, defining
//
//   extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
//
// and, when it needs more set-up once per process than quietLogs (the default LLVMFuzzerInitialize of
// fuzz_support.cpp), its own LLVMFuzzerInitialize. It takes any bytes, hands them to
// one parser of outside input the way the system does, and returns 0. It must stay bounded in time and
// memory whatever the bytes (cap what it reads or decodes) and leave nothing behind between inputs, so
// that libFuzzer can run it millions of times. A misbehaving parser shows as a crash, a sanitizer
// report, a timeout, or an explicit check failing through fuzzCheck.
//
// The same file is built twice (fuzz/CMakeLists.txt): with ORVEL_FUZZ as a libFuzzer program, and in
// every test build against replay_main.cpp, which CTest runs over the harness's seeds in
// fuzz/corpus/<name>/ and over every past crash in fuzz/crashes/.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvel_fuzz {

// Once per process: the log and the zip extractors' standard output go nowhere (a fuzzer feeds
// millions of broken inputs). ORVEL_FUZZ_VERBOSE keeps the standard output.
void quietLogs();
// Once per process, for harnesses of XML files: libxml2's error messages go nowhere as well.
void quietXmlErrors();

// A scratch folder of this process (made on first use, removed at exit), with a trailing '/'.
const std::string& scratchFolder();

// Writes the bytes to scratchFolder() + name; the full path, or "" when it cannot be written.
std::string writeScratchFile(const std::string& name, const uint8_t* data, size_t size);

// Removes everything below folder (not the folder itself), links included and never followed.
void emptyFolder(const std::string& folder);

// Every path below folder (relative, '/'-joined), links listed and not followed, sorted.
std::vector<std::string> listTree(const std::string& folder);

// Aborts with the message when ok is false: a broken promise of the parser, reported like a crash.
void fuzzCheck(bool ok, const char* what);

// Consumes an input from the front: small decisions first, the rest as the parser's bytes.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  // The next byte, 0 once all are taken.
  uint8_t byte() { return size_ > 0 ? (--size_, *data_++) : 0; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  const uint8_t* data_;
  size_t size_;
};

}  // namespace orvel_fuzz
