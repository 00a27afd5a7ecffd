// The PKWARE DCL implode decoder on any stream, decoded to its end code or to a bound on its output.

#include <cstdint>

#include "common/zr_implode_decoder.h"
#include "decoder_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orvel_fuzz::DecoderIO io{const_cast<unsigned char*>(data), size};
  unsigned left = 0;
  unsigned char* rest = nullptr;
  blast(orvel_fuzz::DecoderIO::pull, &io, orvel_fuzz::DecoderIO::push, &io, &left, &rest);
  return 0;
}
