// FFmpeg audio decoding from a memory stream (how streamed tracks and package members are read), with
// reads at a few positions, jumps back and forth included.

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "codecs/zr_ffmpeg_audio.h"
#include "common/zr_memory_istream.h"
#include "fuzz_media.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  orvel_fuzz::quietFFmpeg();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ZRMemoryIStream stream(const_cast<unsigned char*>(data), size, false);
  ZRFFMpegAudio audio;
  TDSPAudioFormat format;
  if (!audio.openAudioStream(ZRString("fuzz"), &stream, &format)) return 0;
  // 16-bit frames of the source's channel count (at most 64 read at once: 4096 frames).
  const int channels = format.channels > 0 && format.channels <= 64 ? format.channels : 0;
  if (channels > 0) {
    std::vector<char> buffer(static_cast<size_t>(4096) * channels * 2);
    const int total = format.totalFrames;
    const int pastEnd = static_cast<int>(std::min<int64_t>(int64_t{total} + 4096, INT_MAX));
    for (int pos : {0, -1, total / 2, 10, pastEnd, -1}) audio.getSamples(buffer.data(), 4096, pos);
    audio.skipSamples(1000);
  }
  audio.closeAudioStream();
  return 0;
}
