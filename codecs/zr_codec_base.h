#pragma once
// ZRCodecBase: the one interface through which every media source is read and every recording is
// written. A reader opens one source (a file path or a std::istream), reports the source's native PCM
// format and then hands out raw interleaved samples from any frame position; a writer creates a file
// and takes samples in the format it was opened with.

#include <cstdint>
#include <istream>

#include "common/zr_string.h"

// A plain record of six 32-bit integers describing interleaved PCM.
struct TDSPAudioFormat {
  int32_t sampleRate = 0;     // frames per second
  int32_t channels = 0;       // interleaved channels per frame
  int32_t bitsPerSample = 0;  // sample width in bits
  // The same width again: producers set both fields alike and consumers read this copy.
  int32_t bitsPerSample2 = 0;
  int32_t reserved = 0;     // always 0
  int32_t totalFrames = 0;  // source length in frames; 0 when unknown and when writing
};

class ZRCodecBase {
 public:
  // The open request handed to every codec.
  struct OpenStruct {
    // File path or track URL; for a picture decoder the audio source.
    ZRString path;
    // The picture source of a video; empty when path itself is meant.
    ZRString secondPath;
    // Optional byte source read instead of the path (null: read the path).
    std::istream* stream = nullptr;
    // A master codec receiving the request takes the stream over: it deletes it when the open fails
    // and at close after a successful open.
    bool ownsStream = false;
    // true: create the file and write into it; false: read.
    bool writeMode = false;
    // In: the format the caller wants delivered (a writer: the format to write). Out: see the codec.
    TDSPAudioFormat format;
    // Deck requests only: start playing after the load. No codec reads it.
    bool playAfterLoad = false;
    // Deck requests only: key shift in semitones applied after the load. No codec reads it.
    float keyShift = 0.0f;
  };

  // id: the owning master codec's id, or a fixed id for the recorder's writers.
  explicit ZRCodecBase(int id) : id_(id) {}
  virtual ~ZRCodecBase() = default;
  ZRCodecBase(const ZRCodecBase&) = delete;
  ZRCodecBase& operator=(const ZRCodecBase&) = delete;

  // Opens the source or creates the file. On success a reader writes the source's native format,
  // totalFrames included, into request->format.
  virtual bool open(OpenStruct* request) = 0;
  // Reads up to frames frames of interleaved native samples into dst from frame pos of the source
  // (-1: from the current position). Returns the frames read.
  virtual int getSamples(char* dst, int frames, int pos) = 0;
  // Writers: writes frames frames and returns the frames written. Readers return 0.
  virtual int putSamples(const char* src, int frames) = 0;
  // True when the exchanged samples are big-endian and the caller must byte-swap them.
  virtual bool getNeedEndianConversion() = 0;
  // Readers: the length of the open source; writers: the time written so far. Seconds.
  virtual float getSeconds() = 0;
  virtual void close() = 0;
  virtual const char* getCodecName() = 0;
  // Notice that the play position jumped to frame; flag is passed through to listeners.
  virtual void announceSeekToSample(int frame, bool flag);
  // Whether open accepts a request that carries a stream.
  virtual bool canOpenStream() = 0;
  // Readers: the exact length in source frames once reading has found the end of the source, -1
  // before (and for readers that cannot tell). The length reported at open is an announcement of the
  // container and may be wrong either way.
  virtual int64_t getDecodedLength() { return -1; }

  int getId() const { return id_; }

 protected:
  int id_;
};
