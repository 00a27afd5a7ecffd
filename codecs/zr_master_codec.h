#pragma once
// ZRMasterCodec: the front through which the players read media. It resolves what the caller asked to
// open (a file, a stream, a streaming-service URL, an mp3 or wav with a .cdg beside it, a zip karaoke
// package), tries its decoders in order until one accepts the source, and hands out the audio converted
// to the format the caller asked for (in practice 44100 Hz stereo): as 32-bit floats, or as 16-bit
// integers for the decks. Positions and lengths count frames of the requested format.
//
// Concurrency: every open, close and float read of every master codec in the process takes the one
// global lock ReadSession exclusively, so no two of them decode at once. The direct 16-bit path of
// getSamplesShort (a source already at the requested rate, channel count and 16 bits) takes no lock.
// One master codec is opened, read and closed by one thread at a time; announceSeekToSample may come
// from another thread (a deck's audio thread) and takes no lock. The lock is not recursive: decoders
// must not call back into a master codec.

#include <atomic>
#include <istream>
#include <memory>

#include "codecs/zr_codec_base.h"
#include "codecs/zr_rate_converter.h"
#include "common/zr_critical_section.h"
#include "common/zr_string.h"

// The process-wide lock of all master codecs' opening, closing and float reading.
extern ZRCriticalSection ReadSession;

// Makes the picture decoder (video files, CDG karaoke) that leads the decoders of master codecs whose
// id is 49 or lower. Until one is installed such codecs hold only the FFmpeg audio decoder, and a .cdg
// source is refused by it ("no suitable codec found").
using ZRVideoDecoderFactory = ZRCodecBase* (*)(int id);

// Extracts the .mp3, .wav and .cdg members of a zip karaoke package into targetFolder and writes the
// name of the extracted .cdg into cdgName (4096 bytes, starts empty); 1 on success, 0 on failure.
// The master codec calls the primary extractor and, when that fails, the fallback.
using ZRZipCdgExtractor = int (*)(char* zipPath, char* targetFolder, unsigned overwrite, char* cdgName);

class ZRMasterCodec {
 public:
  static constexpr int kMaxDecoders = 16;
  // Bytes of the .cdg name buffer handed to the zip extractors.
  static constexpr int kCdgNameBytes = 4096;
  // Reads of fewer frames are refused: a caller after a short tail asks for
  // this many and keeps its own frames.
  static constexpr int kMinFramesPerRequest = 256;

  // Ids in use: a deck's index (0..3), preview players 40, the batch analyser 30, sampler slots 50.
  explicit ZRMasterCodec(int id);
  ~ZRMasterCodec();
  ZRMasterCodec(const ZRMasterCodec&) = delete;
  ZRMasterCodec& operator=(const ZRMasterCodec&) = delete;

  // Adds the picture decoder (id 49 or lower, when a factory is installed), then the FFmpeg audio
  // decoder. Decoders are added only while fewer than 16 are held and nothing is open.
  void addAllCodecs(int id);
  // Adds one decoder (owned from now on); false, and the decoder deleted, when 16 are held or a
  // decoder is open.
  bool addCodec(ZRCodecBase* codec);

  // Opens the request. On success request->format holds the requested format again with totalFrames
  // the source's length in requested frames (a requested rate or channel count of 0 takes the
  // source's). A request that owns its stream hands it over: it is deleted on failure (and the
  // request's stream set to null) or at close. maxSecondsPerRequest (at most 2) bounds every later read.
  // Fails when a decoder is already open, when the file does not exist (unless the path is a
  // streaming-service URL, ends with "$", or the request writes), with "no suitable codec found"
  // when no decoder accepts the source, and with a log line when the source claims a rate outside
  // 1000..768000 Hz or more than 64 channels.
  bool openFileOrStream(ZRCodecBase::OpenStruct* request, float maxSecondsPerRequest);

  // Reads frames output frames from output frame pos as interleaved floats of the requested channel
  // count and rate. Returns the output frames that the decoded source frames correspond to; the rest
  // of dst is silence. A source at another rate is converted as one continuous stream: reads in any
  // sizes and order give what converting the whole source in one piece gives (see ZRRateConverter). frames
  // below 256, a negative pos, a null dst, nothing open or a request longer than maxSecondsPerRequest give 0
  // and leave dst untouched.
  int getSamples(float* dst, int frames, int pos);
  // The same as 16-bit integers (frames x requested channels values), with the same result and
  // refusals. A source already at the requested rate and channel count in 16 bits is read straight
  // into dst without taking ReadSession.
  int getSamplesShort(short* dst, int frames, int pos);
  // The exact length in requested frames once the open decoder has read to the end of its source, -1
  // before (openFileOrStream's totalFrames is the container's announcement, an estimate).
  int getDecodedLength();
  // Tells the open decoder that the play position jumped; nothing when none is open. Lock-free.
  void announceSeekToSample(int frame, bool flag);
  // Closes the open decoder, deletes the files an opened zip package left in the Samples folder and
  // deletes an owned stream.
  void close();

  bool isOpen() const { return openIndex_.load(std::memory_order_acquire) >= 0; }
  // The open decoder's native format, and what the caller asked for (valid while open).
  const TDSPAudioFormat& getSourceFormat() const { return source_; }
  const TDSPAudioFormat& getRequestedFormat() const { return requested_; }
  // The open decoder, null when none is open.
  ZRCodecBase* getOpenCodec() const;

  // Seams for the karaoke layers, installed once at start-up.
  static void setVideoDecoderFactory(ZRVideoDecoderFactory factory);
  static void setZipCdgExtractors(ZRZipCdgExtractor primary, ZRZipCdgExtractor fallback);

 private:
  // Reads n source frames from source frame p into the conversion buffer and turns them into floats
  // of the requested channel count; returns the source frames decoded. ReadSession must be held.
  int decodeToFloat(int n, int p);
  // Resolves a zip package into the path of its extracted .cdg; false (logged) when it cannot.
  bool extractPackage(ZRCodecBase::OpenStruct* request);
  void dropOwnedStream(ZRCodecBase::OpenStruct* request);
  // Gives up this codec's use of an extracted package (its files are deleted with the last user).
  void releasePackage();
  // Whether a read of frames output frames fits the buffers; logs the refusal when not.
  bool fitsBuffers(int frames) const;

  TDSPAudioFormat source_;
  TDSPAudioFormat requested_;
  int capacity_ = -1;
  std::unique_ptr<float[]> convertBuffer_;
  std::unique_ptr<float[]> shortPathBuffer_;
  float maxSecondsPerRequest_ = 0.0f;
  int count_ = 0;
  std::atomic<int> openIndex_{-1};
  ZRCodecBase* decoders_[kMaxDecoders] = {};
  ZRString extractedPackage_;
  std::istream* ownedStream_ = nullptr;
  // Open while the source's rate differs from the requested one.
  ZRRateConverter converter_;
};
