// The master codec opening any bytes as a deck does, under every ending that picks a different path:
// FFmpeg's probing (its guess leans on the ending), the CDG picture decoder, zip package extraction
// into the Samples folder. What opens is read for a few blocks at a few places.

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "codecs/zr_karaoke_package.h"
#include "codecs/zr_master_codec.h"
#include "common/shell_hooks.h"
#include "common/zr_files.h"
#include "fuzz_media.h"
#include "fuzz_support.h"

namespace {

std::string samplesFolder() {
  return orvel_fuzz::scratchFolder() + "samples/";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  orvel_fuzz::quietFFmpeg();
  installKaraokeSupport();
  DirCreate(ZRString(samplesFolder().c_str()));
  SetSamplesDir(ZRString(samplesFolder().c_str()));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kEndings[] = {"wav", "aiff", "mp3", "m4a", "ogg", "flac", "cdg", "zip", "avi"};
  std::vector<short> block(2 * 44100);
  for (const char* ending : kEndings) {
    const std::string path = orvel_fuzz::writeScratchFile(std::string("input.") + ending, data, size);
    if (path.empty()) continue;
    ZRMasterCodec codec(0);
    ZRCodecBase::OpenStruct request;
    request.path = ZRString(path.c_str());
    request.format = TDSPAudioFormat{44100, 2, 16, 16, 0, 0};
    if (codec.openFileOrStream(&request, 1.0f)) {
      const int total = request.format.totalFrames;
      const int pastEnd = static_cast<int>(std::min<int64_t>(int64_t{total} + 44100, INT_MAX));
      for (int pos : {0, 44100, total / 2, total - 256, pastEnd}) {
        if (pos >= 0) codec.getSamplesShort(block.data(), 44100, pos);
      }
      codec.close();
    }
    orvel_fuzz::emptyFolder(samplesFolder());
  }
  return 0;
}
