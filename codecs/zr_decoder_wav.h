#pragma once
// ZRDecoderWav: reader and writer of RIFF WAVE files (integer PCM, or IEEE float for 32-bit samples).
// The recorder writes its WAV recordings through it; master codecs do not register it (FFmpeg reads
// WAV files for playback), so the reader serves direct use. Reading, writing and the counting of what
// reached the file are those of ZRPcmFileCodec.
//
// Written files carry the canonical 44-byte header: "RIFF", size, "WAVE", a 16-byte "fmt " block
// (format tag 3 for 32-bit samples, else 1) and "data", all little-endian. The sizes are provisional
// until close patches them.
//
// The reader accepts only a 16-byte format block with tag 1 or 3; it finds the "data" chunk behind any
// other chunks and never reads past its end.

#include "codecs/zr_pcm_file_codec.h"

class ZRDecoderWav : public ZRPcmFileCodec {
 public:
  explicit ZRDecoderWav(int id);
  ~ZRDecoderWav() override;

  // open: false when already open or the path does not end with "wav" (any case).
  bool getNeedEndianConversion() override { return false; }
  const char* getCodecName() override { return "wav"; }

 protected:
  bool acceptsName(const ZRString& path) const override;
  int makeHeader(const TDSPAudioFormat& format, int bytesPerFrame, unsigned char* header) const override;
  bool parseHeader(FILE* file, TDSPAudioFormat* format, long* dataStart, uint32_t* dataBytes) const override;
  void patchSizes(FILE* file, uint32_t frames, uint32_t dataBytes) const override;
};
