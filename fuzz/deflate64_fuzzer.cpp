// The Deflate64 decoder on any stream, decoded to the end or to a bound on its output.

#include <cstdint>
#include <cstring>
#include <vector>

#include "common/zr_deflate64_decoder.h"
#include "decoder_io.h"

namespace {

unsigned pullZ(void* self, z_const unsigned char** buf) {
  unsigned char* p = nullptr;
  const unsigned n = orvel_fuzz::DecoderIO::pull(self, &p);
  *buf = p;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<unsigned char> window(65536);
  z_stream stream;
  std::memset(&stream, 0, sizeof stream);
  if (inflateBack9Init(&stream, window.data()) != Z_OK) return 0;
  orvel_fuzz::DecoderIO io{const_cast<unsigned char*>(data), size};
  // Two streams in a row through one state, as the zip extractor uses it.
  for (int round = 0; round < 2; ++round) {
    stream.next_in = nullptr;
    stream.avail_in = 0;
    inflateBack9(&stream, pullZ, &io, orvel_fuzz::DecoderIO::push, &io);
  }
  inflateBack9End(&stream);
  return 0;
}
