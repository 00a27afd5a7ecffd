#pragma once
// ZRDecoderAiff: reader and writer of AIFF files (big-endian integer PCM). The recorder writes its AIFF
// recordings through it; master codecs do not register it, so the reader serves direct use.
//
// Written files carry a 54-byte header: "FORM", size, "AIFF", an 18-byte "COMM" block (channels, sample
// frames, sample size, rate as an 80-bit extended float) and the "SSND" chunk header with offset and
// block size 0. Samples are exchanged big-endian: getNeedEndianConversion is true and the caller swaps.
//
// The reader accepts rates above 11024 up to 96000 Hz and sample sizes of 16 to 32 bits; AIFF-C is
// refused. Failures are false or 0 results; nothing is logged.

#include <cstdio>

#include "codecs/zr_codec_base.h"

class ZRDecoderAiff : public ZRCodecBase {
 public:
  explicit ZRDecoderAiff(int id);
  ~ZRDecoderAiff() override;

  // False when already open or the path ends neither with "aif" nor "aiff" (any case). writeMode
  // creates the file with the request's format; otherwise the file is read and its format written
  // into the request.
  bool open(OpenStruct* request) override;
  // Readers: frames from frame pos of the sound data (-1: the current place); the whole frames read.
  int getSamples(char* dst, int frames, int pos) override;
  // Writers: appends frames frames (already big-endian); the whole frames written.
  int putSamples(const char* src, int frames) override;
  bool getNeedEndianConversion() override { return true; }
  // Writer: the time written so far; reader: the sound data's length. 0 when closed.
  float getSeconds() override;
  void close() override;
  const char* getCodecName() override { return "aiff"; }
  bool canOpenStream() override { return false; }

 private:
  bool openWriter(OpenStruct* request);
  bool openReader(OpenStruct* request);

  bool opened_ = false;
  int bytesPerFrame_ = 1;
  int framesCounted_ = 0;
  int sampleRate_ = 0;
  int dataStart_ = 0;
  bool writer_ = false;
  TDSPAudioFormat format_;
  FILE* readFile_ = nullptr;
  FILE* writeFile_ = nullptr;
  int headerRate_ = 0;
  int framesWritten_ = 0;
  // Reader: frame place of the file position, and the frames the sound data holds.
  int readPosition_ = 0;
  int dataFrames_ = 0;
};
