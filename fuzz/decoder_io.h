#pragma once
// Input and output of the streaming decoders' call-back style: all the bytes handed over at once, and
// the output counted (and stopped past a bound, since a small stream may expand enormously).

#include <cstddef>
#include <cstdint>

namespace orvel_fuzz {

struct DecoderIO {
  unsigned char* input;
  size_t left;
  size_t produced = 0;
  static constexpr size_t kMaxOutput = size_t{64} << 20;

  // in: everything on the first call, nothing after.
  static unsigned pull(void* self, unsigned char** buf) {
    auto* io = static_cast<DecoderIO*>(self);
    *buf = io->input;
    const auto n = static_cast<unsigned>(io->left > 0xffffffu ? 0xffffffu : io->left);
    io->input += n;
    io->left -= n;
    return n;
  }
  // out: counts; non-zero (stop) beyond kMaxOutput.
  static int push(void* self, unsigned char*, unsigned len) {
    auto* io = static_cast<DecoderIO*>(self);
    io->produced += len;
    return io->produced > kMaxOutput ? 1 : 0;
  }
};

}  // namespace orvel_fuzz
