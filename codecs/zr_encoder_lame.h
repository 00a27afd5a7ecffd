#pragma once
// ZREncoderLame: the MP3 writer of the recorder, a ZRCodecBase over the LAME library. LAME is not
// linked: the constructor loads it at run time and the system does without MP3 recording when it is
// missing (isOk() is then false and every open fails with a log line).
//
// Samples arrive as 16-bit native-endian interleaved PCM. They are collected in a queue and encoded in
// whole blocks of one second (44100 frames); close encodes the rest, flushes the encoder and writes the
// VBR tag frame over the first frame of the stream, which LAME reserves for it. Streams are plain
// stereo (or mono), without bit reservoir, VBR at quality 2 or a constant bitrate.
//
// One encoder is used by one thread at a time (the recorder's writer thread, or the recorder's owner
// for open and close).

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "codecs/zr_codec_base.h"
#include "common/zr_ring_buffer.h"
#include "common/zr_string.h"

class ZREncoderLame : public ZRCodecBase {
 public:
  // Frames encoded at once: one second at 44100 Hz.
  static constexpr int kBlockFrames = 44100;
  // Bytes of the MP3 output buffer, enough for one block and the flush.
  static constexpr int kMp3BufferBytes = 244052;
  // Bytes of the VBR tag frame buffer.
  static constexpr int kTagFrameBytes = 2880;
  // Bytes of the sample queue.
  static constexpr int kQueueBytes = 768000;

  // Loads the library from the places of libraryPlaces(), the first one that loads with all required
  // entry points and gives a LAME handle winning. Failures are logged; the encoder is then not ok.
  explicit ZREncoderLame(int id);
  ~ZREncoderLame() override;

  // Where encoders made from now on look for the library, in order: a file path, or a bare name for the
  // platform loader's own search. The default is "libmp3lame.so.0", then "libmp3lame.so".
  static void setLibraryPlaces(const std::vector<std::string>& places);
  static std::vector<std::string> libraryPlaces();
  static std::vector<std::string> defaultLibraryPlaces();

  // Creates the output file (writeMode requests only) and sets up the encoder for the request's format.
  bool open(OpenStruct* request) override;
  int getSamples(char* dst, int frames, int pos) override;
  // Queues frames frames (all or nothing) and encodes every whole block queued. Returns frames, or 0
  // when not open, when the queue lacks room or on a write error.
  int putSamples(const char* src, int frames) override;
  bool getNeedEndianConversion() override { return false; }
  // Frames encoded / rate while open (advances in whole blocks), else 0.
  float getSeconds() override;
  // Encodes the rest, flushes, writes the VBR tag frame at the start of the file and closes it.
  void close() override;
  const char* getCodecName() override { return "lamenc"; }
  bool canOpenStream() override { return false; }

  // The library is loaded with its required entry points and a LAME handle exists.
  bool isOk() const;
  // Constant bitrate in kbps, used when VBR is off.
  void setBitrate(int kbps) { bitrate_ = kbps; }
  void setIsVBR(int on) { vbr_ = on; }

 private:
  struct Api;

  bool loadFrom(const std::string& place);
  void unload();
  // Encodes frames frames from the block buffer and writes the bytes produced; false on a short write.
  bool encodeBlock(int frames);
  bool writeAll(const unsigned char* bytes, int count);
  void releaseBuffers();

  // Read by getSeconds from the recorder's owner while the writer thread encodes.
  std::atomic<bool> opened_{false};
  int bitrate_ = 128;
  int vbr_ = 0;
  void* library_ = nullptr;
  std::unique_ptr<Api> api_;
  void* lame_ = nullptr;
  // Whether the handle has encoded a stream: LAME keeps per-stream state in its handle, so every
  // recording after the first starts on a fresh one.
  bool handleUsed_ = false;
  unsigned char tagFrame_[kTagFrameBytes] = {};
  int tagFrameSize_ = 0;
  ZRRingBuffer queue_;
  std::unique_ptr<unsigned char[]> block_;
  int blockBytes_ = 0;
  int bytesPerFrame_ = 0;
  std::unique_ptr<unsigned char[]> mp3Buffer_;
  TDSPAudioFormat format_;
  FILE* file_ = nullptr;
  std::string pathUtf8_;
  std::atomic<int> framesEncoded_{0};
};
