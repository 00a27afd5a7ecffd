// The WAV and AIFF readers on any file.

#include <cstdint>

#include "codecs/zr_decoder_aiff.h"
#include "codecs/zr_decoder_wav.h"
#include "fuzz_media.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string wav = orvel_fuzz::writeScratchFile("input.wav", data, size);
  const std::string aiff = orvel_fuzz::writeScratchFile("input.aiff", data, size);
  ZRDecoderWav wavReader(1);
  ZRDecoderAiff aiffReader(1);
  if (!wav.empty()) orvel_fuzz::readCodecBriefly(wavReader, wav, static_cast<unsigned>(size));
  if (!aiff.empty()) orvel_fuzz::readCodecBriefly(aiffReader, aiff, static_cast<unsigned>(size));
  return 0;
}
