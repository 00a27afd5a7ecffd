// The picture decoder (videos and CDG karaoke graphics) from a memory stream. Every picture goes into
// a buffer of exactly the size the decoder announces, followed by an inaccessible page, so a picture
// written beyond it faults even without a sanitizer. The first byte picks CDG or video, the target
// size and the pixel width.

#include <cstdint>

#include "codecs/zr_ffmpeg_video.h"
#include "common/zr_memory_istream.h"
#include "fuzz_media.h"
#include "fuzz_support.h"
#include "support/guarded_buffer.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  orvel_fuzz::quietFFmpeg();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orvel_fuzz::FuzzInput input(data, size);
  const uint8_t choice = input.byte();
  const bool cdg = (choice & 1) != 0;
  const bool targetSize = (choice & 2) != 0;
  const int bytesPerPixel = (choice & 4) != 0 ? 3 : 4;
  ZRMemoryIStream stream(const_cast<unsigned char*>(input.data()), input.size(), false);
  ZRFFMpegVideo video;
  video.setTargetFrameSize(targetSize ? 48 : -1, targetSize ? 32 : -1, bytesPerPixel);
  if (!video.openVideoStream(ZRString("fuzz"), &stream, cdg)) return 0;
  const long long width = video.getFrameWidth();
  const long long height = video.getFrameHeight();
  // A claimed picture larger than 4096 x 4096 is not decoded here (the buffer alone would be huge).
  if (width > 0 && height > 0 && width * height <= 4096LL * 4096) {
    orvel_test::GuardedBuffer picture(static_cast<size_t>(width * height * video.getBytesPerPixel()));
    double pts = 0.0;
    for (int i = 0; i < 12 && picture.data() != nullptr; ++i) {
      // A jump now and then: a seek, a jump back, starting over.
      const int samplePos = i == 4 ? 44100 * 3 : (i == 8 ? 0 : -1);
      video.getNextFrame(picture.data(), &pts, samplePos, 44100, 0.0, i == 10);
    }
  }
  video.closeVideoStream();
  return 0;
}
