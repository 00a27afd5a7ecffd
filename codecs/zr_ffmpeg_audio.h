#pragma once
// ZRFFMpegAudio: decodes the audio of any file or stream FFmpeg reads into interleaved signed 16-bit
// samples at the source's own rate and channel count, with frame-exact random access.
//
// Positions count source frames from the first sample a decode from the start delivers. A read at any
// position returns exactly the samples that decoding from the start would deliver there: a jump seeks
// the demuxer to a point well before the target (the decoder needs a few frames to settle after a
// seek), places the first decoded frame exactly and drops the samples before the target. Where the
// container's time stamps count samples (WAV, AIFF, FLAC, MP3, Ogg, MP4, ADTS) the time stamp places
// it. Elsewhere (Matroska, FLV and ASF count milliseconds, MPEG streams round to their clock per
// packet, and stamps the demuxer fills in depend on where reading began) a time stamp is only near its
// frame, so every frame decoded from the start on is noted with its exact position and a fingerprint
// of its samples; after a jump the decoded frames are placed by the first one whose samples equal a
// noted frame's near its time stamp, and a jump beyond what was decoded so far decodes on from the
// farthest exactly known point. Short jumps forward decode on instead of seeking, and a
// short history of delivered samples serves small steps back without any seek.
//
// The length at open is the container's announcement, an estimate (a VBR MP3 without its Xing header,
// a tag the demuxer counts as audio, a rewritten header). Once a decode reaches the real end, the
// exact length is known (getDecodedLength). The encoder delay and padding that a LAME/Xing header
// declares are removed by the demuxer; an MP4's end padding (iTunSMPB, its sample tables) and the
// APEv2/ID3v1 tags after an MP3's sound (which hold byte runs that decode as junk frames) are left out
// here.
//
// One thread at a time per object.

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "codecs/zr_codec_base.h"
#include "common/zr_string.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVIOContext;
struct SwrContext;

class ZRFFMpegAudio {
 public:
  ZRFFMpegAudio();
  ~ZRFFMpegAudio();
  ZRFFMpegAudio(const ZRFFMpegAudio&) = delete;
  ZRFFMpegAudio& operator=(const ZRFFMpegAudio&) = delete;

  // Opens the path, or the stream when it is not null (the stream is the caller's and is not deleted
  // here). On success format receives {sampleRate, channels, 16, 16, 0, totalFrames}. A source that is
  // not media, has no audio stream, or yields no decodable audio fails with one log line.
  bool openAudioStream(const ZRString& path, std::istream* stream, TDSPAudioFormat* format);
  // Up to frames frames of interleaved 16-bit samples into dst, from source frame pos (-1: the current
  // position). Returns the frames delivered (fewer at the end of the source). The current position
  // advances by the whole request.
  int getSamples(char* dst, int frames, int pos);
  // Decodes and drops frames frames at the current position.
  void skipSamples(int frames);
  // totalFrames / sampleRate while open, else 0.
  float getSeconds() const;
  // The source rate while open, else 44100.
  int getSampleRate() const;
  // Presentation time in seconds of the first decoded samples while open, else 0.
  double getAudioPtsStart() const;
  // The exact length in source frames once a decode has reached the end of the source, else -1.
  int64_t getDecodedLength() const { return opened_ ? knownTotal_ : -1; }
  bool isOpened() const { return opened_; }
  void closeAudioStream();

 private:
  bool openInput();
  void closeInput();
  // Decodes the next frame with samples and appends it to the pending buffer. False at the end.
  bool decodeNextFrame();
  bool appendFrame();
  void seekTo(int64_t pos);
  void seekByAnchors(int64_t pos);
  bool landOnAnchor(int64_t anchorPts, int64_t pos);
  void resetDecoding(int64_t pos);
  void noteAnchor(int64_t framePos);
  // Drops the decoded samples before source frame from.
  void trimBefore(int64_t from);
  bool restartFromBeginning();
  // The end of what may be delivered: the decoded samples, held to the gapless length when one is declared.
  int64_t deliverableEnd() const;
  void dropHistory();
  int64_t decodedEnd() const;

  bool opened_ = false;
  int64_t position_ = 0;
  TDSPAudioFormat format_;

  // Converted samples [pendingFirst_, decodedEnd()) in source frames; the part before position_ is
  // kept as a short history.
  std::vector<int16_t> pending_;
  int64_t pendingFirst_ = 0;
  // Since the last seek: the first frame the decoder delivers exactly as a decode from the start does.
  // Reads before it seek again.
  int64_t settledFrom_ = 0;

  int streamIndex_ = -1;
  AVFormatContext* formatCtx_ = nullptr;
  AVCodecContext* codecCtx_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  bool packetWaiting_ = false;  // a packet the decoder could not take yet
  bool draining_ = false;       // the demuxer ended and the decoder was told so
  bool ended_ = false;          // the decoder delivered its last frame

  SwrContext* converter_ = nullptr;
  int converterInFormat_ = -1;
  int converterInChannels_ = 0;
  std::vector<int16_t> convertBuffer_;

  std::istream* stream_ = nullptr;
  AVIOContext* ioCtx_ = nullptr;
  std::string pathUtf8_;

  // Stream time stamp of the first delivered sample; positions are measured from it.
  int64_t originPts_ = 0;
  // Time stamp of the frame appended last (AV_NOPTS_VALUE when it had none).
  int64_t lastFramePts_ = 0;
  bool timestampsUsable_ = false;
  double audioStart_ = 0.0;
  // Frames decoded before the first sample a seek can settle exactly on.
  int64_t preroll_ = 0;

  // Whether the container's time stamps place a frame exactly (see the header comment).
  bool exactTimestamps_ = false;
  // Frames of exactly known position with their time stamp and a fingerprint of their samples, in
  // increasing order of position (time stamps never decrease), from the first frame on (kept across
  // restarts; only for containers without exact time stamps).
  struct Anchor {
    int64_t pts;
    int64_t pos;
    uint64_t hash;
  };
  std::vector<Anchor> anchors_;
  // While a seek's landing is not yet placed the decoded frames have no position: nothing is noted.
  bool placing_ = false;
  // Fingerprint of the samples of the frame appended last.
  uint64_t lastFrameHash_ = 0;
  // Exact length once the end was decoded, -1 before.
  int64_t knownTotal_ = -1;
  // The frames an MP4 declares as its sound (-1: none declared).
  int64_t declaredFrames_ = -1;
  // The byte where the tags at the end of an MP3 begin (-1: none).
  int64_t soundEndByte_ = -1;
};
