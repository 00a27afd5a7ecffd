#pragma once
// ZRFFMpegVideo: the picture side of a video file or a CDG karaoke graphics file. It decodes pictures
// with FFmpeg, converts them to a fixed size and pixel layout, and time-stamps them on the audio's
// time line, looping a video that is shorter than its audio.
//
// Pictures are rows of (frame width x bytes per pixel) bytes, top row first, written into a caller's
// buffer aligned to 16 bytes. Pixel layout by bytes per pixel and ZRTexture::defaultRenderEngine:
// 4: RGBA with engine 2, else BGRA; 3: BGR24 with engine 2, else RGB24; other values: BGRA.
//
// A delivered picture's time is its presentation time in seconds, plus loop count x duration for a
// video (not for CDG), minus the audio's start time, so that it compares directly with an audio
// position samplePos / sampleRate. Seeking a video lands on the key frame before the target and
// decodes forward with bidirectional frames skipped. CDG is read forward only: asking for an earlier
// time than the last delivered picture reopens the file. A failed seek reopens the file too.
//
// One thread at a time per object.

#include <cstdint>
#include <istream>
#include <string>

#include "common/zr_string.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVIOContext;
struct SwsContext;

class ZRFFMpegVideo {
 public:
  ZRFFMpegVideo();
  ~ZRFFMpegVideo();
  ZRFFMpegVideo(const ZRFFMpegVideo&) = delete;
  ZRFFMpegVideo& operator=(const ZRFFMpegVideo&) = delete;

  // -1 keeps the size the stream reported at open. Takes effect from the next picture.
  void setTargetFrameSize(int width, int height, int bytesPerPixel);
  // Opens the path, or the stream when it is not null (the caller's; not deleted here).
  bool openVideoStream(const ZRString& path, std::istream* stream, bool isCDG);
  void closeVideoStream();
  bool isOpened() const { return opened_; }
  bool isCDG() const { return isCDG_; }

  // The duration while open, else 1.
  float getSeconds() const;
  // FFmpeg's guess of the frame rate while open, else 1.
  double getFrameRate() const;
  // The target size when set, else the source size; -1 when closed.
  int getFrameWidth() const;
  int getFrameHeight() const;
  // Bytes per pixel of a delivered picture: 3 when 3 was asked for, else 4.
  int getBytesPerPixel() const { return bytesPerPixel_ == 3 ? 3 : 4; }
  // The time of the first picture delivered since the open (before the audio correction).
  double getFirstFramePts() const { return firstFramePts_; }
  // Loops completed by a video (for diagnostics and tests).
  int getLoopCount() const { return loopCount_; }

  // The next picture into dst (16-byte aligned, getFrameWidth() x getFrameHeight() x getBytesPerPixel()
  // bytes; a picture of another size is scaled to that size) and its time into *pts. samplePos >= 0 (at
  // sampleRate) first positions the reader there; -1 reads on. audioStart is subtracted from the time;
  // backToTop starts a video over (one loop more). False when closed, dst is misaligned, or a CDG has ended.
  bool getNextFrame(void* dst, double* pts, int samplePos, int sampleRate, double audioStart, bool backToTop);

 private:
  bool openInput();
  void closeInput();
  // Closes and opens again with the kept path, stream and CDG flag, keeping target size and loops.
  bool reopen(const char* failureMessage);
  // Decodes up to the next complete picture into frame_; false at the end of the stream.
  bool decodePicture();
  // The picture's time stamp in stream units.
  int64_t pictureTimestamp() const;
  void convertPicture(void* dst);
  void fastForwardTo(double t, double frameDuration);
  double streamSeconds(int64_t ts) const;

  bool opened_ = false;
  bool isCDG_ = false;
  int loopCount_ = 0;
  double duration_ = 0.0;
  std::string path_;
  int streamIndex_ = -1;
  AVFormatContext* formatCtx_ = nullptr;
  AVCodecContext* codecCtx_ = nullptr;
  std::istream* stream_ = nullptr;
  AVIOContext* ioCtx_ = nullptr;
  int sourceWidth_ = 0;
  int sourceHeight_ = 0;
  int targetWidth_ = -1;
  int targetHeight_ = -1;
  int bytesPerPixel_ = 4;
  bool firstFrameDelivered_ = false;
  double firstFramePts_ = 0.0;
  double lastDeliveredPts_ = -1.0;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  bool draining_ = false;
  SwsContext* scaler_ = nullptr;
};
