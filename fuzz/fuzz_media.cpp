#include "fuzz_media.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "codecs/zr_codec_base.h"
#include "codecs/zr_ffmpeg_lib.h"

extern "C" {
#include <libavutil/log.h>
}

namespace orvel_fuzz {

void quietFFmpeg() {
  // The first user sets FFmpeg's level to errors: be that user, then go quieter.
  initFFmpegLib();
  av_log_set_level(AV_LOG_QUIET);
}

bool readCodecBriefly(ZRCodecBase& codec, const std::string& path, unsigned seed) {
  ZRCodecBase::OpenStruct request;
  request.path = ZRString(path.c_str());
  if (!codec.open(&request)) return false;
  const TDSPAudioFormat f = request.format;
  // A frame as the reader counts it, whatever the header claims; huge claimed frames are not read.
  const long long frameBytes =
      static_cast<long long>(std::max(1, f.channels)) * ((std::max(8, f.bitsPerSample2) + 7) / 8);
  constexpr long long kMaxBytes = 1 << 20;
  const int frames = static_cast<int>(std::clamp<long long>(kMaxBytes / frameBytes, 0, 4096));
  if (frames > 0) {
    std::vector<char> buffer(static_cast<size_t>(frames * frameBytes));
    const int total = std::max(1, f.totalFrames);
    const int pastEnd = static_cast<int>(std::min<long long>(total + 100LL, INT_MAX));
    for (int pos : {0, -1, static_cast<int>(seed % static_cast<unsigned>(total)), total - 1, pastEnd}) {
      codec.getSamples(buffer.data(), frames, pos);
    }
  }
  codec.getSeconds();
  codec.close();
  return true;
}

}  // namespace orvel_fuzz
