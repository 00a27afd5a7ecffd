#pragma once
// ZRDecoderWav: reader and writer of RIFF WAVE files (integer PCM, or IEEE float for 32-bit samples).
// The recorder writes its WAV recordings through it; master codecs do not register it (FFmpeg reads
// WAV files for playback), so the reader serves direct use.
//
// Written files carry the canonical 44-byte header: "RIFF", size, "WAVE", a 16-byte "fmt " block
// (format tag 3 for 32-bit samples, else 1) and "data", all little-endian. The sizes are provisional
// until close patches them.
//
// The reader accepts only a 16-byte format block with tag 1 or 3; it finds the "data" chunk behind any
// other chunks and never reads past its end. Failures are false or 0 results; nothing is logged.

#include <cstdio>

#include "codecs/zr_codec_base.h"

class ZRDecoderWav : public ZRCodecBase {
 public:
  explicit ZRDecoderWav(int id);
  ~ZRDecoderWav() override;

  // False when already open or the path does not end with "wav" (any case). writeMode creates the file
  // with the request's format; otherwise the file is read and its format written into the request.
  bool open(OpenStruct* request) override;
  // Readers: frames from frame pos of the data (-1: the current place); the whole frames read.
  int getSamples(char* dst, int frames, int pos) override;
  // Writers: appends frames frames; the whole frames written.
  int putSamples(const char* src, int frames) override;
  bool getNeedEndianConversion() override { return false; }
  // Writer: the time written so far; reader: the data's length. 0 when closed.
  float getSeconds() override;
  void close() override;
  const char* getCodecName() override { return "wav"; }
  bool canOpenStream() override { return false; }

 private:
  bool openWriter(OpenStruct* request);
  bool openReader(OpenStruct* request);

  bool opened_ = false;
  int bytesPerFrame_ = 1;
  int framesCounted_ = 0;
  int sampleRate_ = 0;
  int dataStart_ = 0;
  int dataBytesWritten_ = 0;
  bool writer_ = false;
  FILE* readFile_ = nullptr;
  FILE* writeFile_ = nullptr;
  TDSPAudioFormat format_;
  // Reader: frame place of the file position, and the frames the data chunk holds.
  int readPosition_ = 0;
  int dataFrames_ = 0;
};
