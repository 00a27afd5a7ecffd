#pragma once
// ZRDecoderAiff: reader and writer of AIFF files (big-endian integer PCM). The recorder writes its AIFF
// recordings through it; master codecs do not register it, so the reader serves direct use. Reading,
// writing and the counting of what reached the file are those of ZRPcmFileCodec.
//
// Written files carry a 54-byte header: "FORM", size, "AIFF", an 18-byte "COMM" block (channels, sample
// frames, sample size, rate as an 80-bit extended float) and the "SSND" chunk header with offset and
// block size 0. Samples are exchanged big-endian: getNeedEndianConversion is true and the caller swaps.
//
// The reader accepts rates above 11024 up to 96000 Hz and sample sizes of 16 to 32 bits; AIFF-C is
// refused. A reader's getSeconds is the time read so far, not the file's length.

#include "codecs/zr_pcm_file_codec.h"

class ZRDecoderAiff : public ZRPcmFileCodec {
 public:
  explicit ZRDecoderAiff(int id);
  ~ZRDecoderAiff() override;

  // open: false when already open or the path ends neither with "aif" nor "aiff" (any case).
  // putSamples takes frames already big-endian.
  bool getNeedEndianConversion() override { return true; }
  const char* getCodecName() override { return "aiff"; }

 protected:
  bool acceptsName(const ZRString& path) const override;
  int makeHeader(const TDSPAudioFormat& format, int bytesPerFrame, unsigned char* header) const override;
  bool parseHeader(FILE* file, TDSPAudioFormat* format, long* dataStart, uint32_t* dataBytes) const override;
  void patchSizes(FILE* file, uint32_t frames, uint32_t dataBytes) const override;
  // An AIFF reader's time is what it has read so far (the recorder's counterpart counts what it wrote).
  bool readerCountsTimeRead() const override { return true; }
};
