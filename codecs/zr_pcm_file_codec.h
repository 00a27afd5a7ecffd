#pragma once
// ZRPcmFileCodec: what the WAV and AIFF codecs share. Such a file is one header followed by interleaved
// integer or float PCM; an open object either reads it from any frame or writes it in sequence and
// patches the header's sizes at close. The derived class knows only its header.
//
// Writing goes straight to the file, without a stdio buffer, so the frames a writer counts are the
// frames the file holds: after a short write (full disk, size limit) the file is cut back to its last
// whole frame, later writes return 0, and close patches the header with what is really there.
//
// Failures are false or 0 results; nothing is logged.

#include <cstdint>
#include <cstdio>

#include "codecs/zr_codec_base.h"

class ZRPcmFileCodec : public ZRCodecBase {
 public:
  // False when already open or the derived class refuses the name. writeMode creates the file with the
  // request's format; otherwise the file is read and its format written into the request.
  bool open(OpenStruct* request) override;
  // Readers: frames from frame pos of the sample data (-1: the current place); the whole frames read.
  int getSamples(char* dst, int frames, int pos) override;
  // Writers: appends frames frames; the whole frames that reached the file.
  int putSamples(const char* src, int frames) override;
  // Writer: the time written so far; reader: the sample data's length, or the time read so far where
  // the derived class counts time that way. 0 when closed.
  float getSeconds() override;
  void close() override;
  bool canOpenStream() override { return false; }

 protected:
  // The largest header a derived class writes.
  static constexpr int kMaxHeaderBytes = 64;

  explicit ZRPcmFileCodec(int id);
  // Closes an open file without patching its header: a derived class closes in its own destructor,
  // while its patchSizes still exists.
  ~ZRPcmFileCodec() override;

  // Whether path names a file of this kind.
  virtual bool acceptsName(const ZRString& path) const = 0;
  // The header of a new file in format (bytes per frame already checked); returns its size in bytes.
  virtual int makeHeader(const TDSPAudioFormat& format, int bytesPerFrame, unsigned char* header) const = 0;
  // Checks the header of file (positioned at 0) and finds the sample data: format gets rate, channels
  // and both widths, dataStart the offset of the first sample and dataBytes the size the header gives.
  virtual bool parseHeader(FILE* file, TDSPAudioFormat* format, long* dataStart,
                           uint32_t* dataBytes) const = 0;
  // Writes the final sizes into the header of a written file.
  virtual void patchSizes(FILE* file, uint32_t frames, uint32_t dataBytes) const = 0;
  // Whether a reader's getSeconds counts the frames read so far instead of the file's length.
  virtual bool readerCountsTimeRead() const { return false; }

  // Writes four bytes at offset.
  static bool writeFieldAt(FILE* file, long offset, const unsigned char bytes[4]);

 private:
  bool openWriter(OpenStruct* request);
  bool openReader(OpenStruct* request);
  // After a short write: the whole frames the file holds (counted: what the writes reported), a partial
  // one at its end cut off.
  int framesInFile(long long counted);

  FILE* file_ = nullptr;
  bool opened_ = false;
  bool writer_ = false;
  bool writeFailed_ = false;
  int bytesPerFrame_ = 1;
  // Writer: frames written; reader: frames read.
  int framesCounted_ = 0;
  int sampleRate_ = 0;
  long dataStart_ = 0;
  TDSPAudioFormat format_;
  // Reader: frame place of the file position, and the frames the sample data holds.
  int readPosition_ = 0;
  int dataFrames_ = 0;
};
