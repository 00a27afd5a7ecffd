#include "codecs/zr_ffmpeg_video.h"

#include <cmath>
#include <cstdint>

#include "codecs/zr_ffmpeg_lib.h"
#include "common/zr_logging.h"
#include "common/zr_texture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

namespace {

AVPixelFormat targetPixelFormat(int bytesPerPixel) {
  const bool rgbaEngine =
      ZRTexture::defaultRenderEngine.load(std::memory_order_acquire) == ZRRenderEngineRGBA;
  if (bytesPerPixel == 4) return rgbaEngine ? AV_PIX_FMT_RGBA : AV_PIX_FMT_BGRA;
  if (bytesPerPixel == 3) return rgbaEngine ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_RGB24;
  return AV_PIX_FMT_BGRA;
}

}  // namespace

ZRFFMpegVideo::ZRFFMpegVideo() {
  initFFmpegLib();
}

ZRFFMpegVideo::~ZRFFMpegVideo() {
  closeVideoStream();
  deinitFFmpegLib();
}

void ZRFFMpegVideo::setTargetFrameSize(int width, int height, int bytesPerPixel) {
  targetWidth_ = width;
  targetHeight_ = height;
  bytesPerPixel_ = bytesPerPixel;
}

float ZRFFMpegVideo::getSeconds() const {
  return opened_ ? static_cast<float>(duration_) : 1.0f;
}

double ZRFFMpegVideo::getFrameRate() const {
  if (!opened_) return 1.0;
  const AVRational rate = av_guess_frame_rate(formatCtx_, formatCtx_->streams[streamIndex_], nullptr);
  return (rate.num > 0 && rate.den > 0) ? av_q2d(rate) : 1.0;
}

int ZRFFMpegVideo::getFrameWidth() const {
  if (!opened_) return -1;
  return targetWidth_ > 0 ? targetWidth_ : sourceWidth_;
}

int ZRFFMpegVideo::getFrameHeight() const {
  if (!opened_) return -1;
  return targetHeight_ > 0 ? targetHeight_ : sourceHeight_;
}

bool ZRFFMpegVideo::openVideoStream(const ZRString& path, std::istream* stream, bool isCDG) {
  if (opened_) {
    ZRLOG("warning: ZRFFMpegVideo::Open - already opened (1)");
    return false;
  }
  isCDG_ = isCDG;
  stream_ = stream;
  firstFrameDelivered_ = false;
  firstFramePts_ = 0.0;
  path_ = path.utf8();
  if (!openInput()) {
    closeInput();
    return false;
  }
  opened_ = true;
  return true;
}

bool ZRFFMpegVideo::openInput() {
  formatCtx_ = avformat_alloc_context();
  if (!formatCtx_) {
    ZRLOG("error: video format ctx temp is NULL");
    return false;
  }
  const char* name = path_.c_str();
  const AVInputFormat* probed = nullptr;
  if (stream_) {
    if (zrAttachStreamInput(formatCtx_, stream_, &ioCtx_, &probed) != ZRStreamInputResult::kReady)
      return false;
    name = "";
  }
  // On failure avformat_open_input frees the context (but not a custom I/O context).
  if (avformat_open_input(&formatCtx_, name, probed, nullptr) < 0) return false;
  formatCtx_->flags |= AVFMT_FLAG_GENPTS;
  if (avformat_find_stream_info(formatCtx_, nullptr) < 0) {
    ZRLOG("error - couldn't find stream information [video]");
    return false;
  }
  const AVCodec* decoder = nullptr;
  streamIndex_ = av_find_best_stream(formatCtx_, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (streamIndex_ < 0 || !decoder) {
    streamIndex_ = -1;
    ZRLOG("error - couldn't find a video stream/decoder [v]");
    return false;
  }
  AVStream* st = formatCtx_->streams[streamIndex_];
  if (st->disposition & AV_DISPOSITION_ATTACHED_PIC) {
    ZRLOG("error - video stream is actually an attached pic [v]");
    return false;
  }
  codecCtx_ = avcodec_alloc_context3(decoder);
  if (!codecCtx_ || avcodec_parameters_to_context(codecCtx_, st->codecpar) < 0) return false;
  codecCtx_->workaround_bugs = FF_BUG_AUTODETECT;
  codecCtx_->error_concealment = FF_EC_GUESS_MVS | FF_EC_DEBLOCK;
  duration_ =
      formatCtx_->duration != AV_NOPTS_VALUE ? static_cast<double>(formatCtx_->duration) / AV_TIME_BASE : 0.0;
  if (avcodec_open2(codecCtx_, decoder, nullptr) < 0) return false;
  st->discard = AVDISCARD_DEFAULT;
  lastDeliveredPts_ = -1.0;
  frame_ = av_frame_alloc();
  if (!frame_) {
    ZRLOG("error - couldn't allocate frame (1)");
    return false;
  }
  packet_ = av_packet_alloc();
  if (!packet_) {
    ZRLOG("error - couldn't allocate frame (2)");
    return false;
  }
  sourceWidth_ = codecCtx_->width;
  sourceHeight_ = codecCtx_->height;
  draining_ = false;
  return true;
}

void ZRFFMpegVideo::closeInput() {
  try {
    if (codecCtx_) avcodec_free_context(&codecCtx_);
    if (formatCtx_) avformat_close_input(&formatCtx_);
    zrFreeStreamInput(&ioCtx_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    sws_freeContext(scaler_);
  } catch (...) {
    // Closing must always complete; a failure while closing has nothing left to report to.
  }
  codecCtx_ = nullptr;
  formatCtx_ = nullptr;
  ioCtx_ = nullptr;
  frame_ = nullptr;
  packet_ = nullptr;
  scaler_ = nullptr;
  streamIndex_ = -1;
}

void ZRFFMpegVideo::closeVideoStream() {
  if (!opened_) return;
  opened_ = false;
  duration_ = 0.0;
  loopCount_ = 0;
  if (isCDG_) setTargetFrameSize(-1, -1, 4);
  closeInput();
}

bool ZRFFMpegVideo::reopen(const char* failureMessage) {
  // An internal reopen keeps what the renderer set up: the target size and the loops done so far.
  const int width = targetWidth_;
  const int height = targetHeight_;
  const int bpp = bytesPerPixel_;
  const int loops = loopCount_;
  const std::string path = path_;
  closeVideoStream();
  setTargetFrameSize(width, height, bpp);
  if (!openVideoStream(ZRString(path), stream_, isCDG_)) {
    ZRLOG("%s", failureMessage);
    return false;
  }
  loopCount_ = loops;
  return true;
}

double ZRFFMpegVideo::streamSeconds(int64_t ts) const {
  return static_cast<double>(ts) * av_q2d(formatCtx_->streams[streamIndex_]->time_base);
}

int64_t ZRFFMpegVideo::pictureTimestamp() const {
  int64_t ts = frame_->best_effort_timestamp;
  if (ts == -1 || ts == AV_NOPTS_VALUE) ts = frame_->pts;
  if (ts == AV_NOPTS_VALUE) ts = frame_->pkt_dts;
  return ts == AV_NOPTS_VALUE ? 0 : ts;
}

bool ZRFFMpegVideo::decodePicture() {
  for (;;) {
    const int got = avcodec_receive_frame(codecCtx_, frame_);
    if (got == 0) return true;
    if (got == AVERROR_EOF) return false;
    if (draining_) return false;
    const int r = av_read_frame(formatCtx_, packet_);
    if (r < 0) {
      // The end of the stream: let the decoder give up what it still holds.
      avcodec_send_packet(codecCtx_, nullptr);
      draining_ = true;
      continue;
    }
    if (packet_->stream_index == streamIndex_) avcodec_send_packet(codecCtx_, packet_);
    av_packet_unref(packet_);
  }
}

void ZRFFMpegVideo::convertPicture(void* dst) {
  // The caller's buffer holds getFrameWidth() x getFrameHeight() pictures: a stream whose pictures change
  // size on the way is scaled to that size, never written at its own.
  const int outWidth = getFrameWidth();
  const int outHeight = getFrameHeight();
  if (outWidth <= 0 || outHeight <= 0 || frame_->width <= 0 || frame_->height <= 0) return;
  scaler_ = sws_getCachedContext(scaler_, frame_->width, frame_->height,
                                 static_cast<AVPixelFormat>(frame_->format), outWidth, outHeight,
                                 targetPixelFormat(bytesPerPixel_), SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!scaler_) {
    ZRLOG("error: frameConverter NOT created !!!");
    return;
  }
  uint8_t* planes[4] = {static_cast<uint8_t*>(dst), nullptr, nullptr, nullptr};
  int strides[4] = {outWidth * getBytesPerPixel(), 0, 0, 0};
  sws_scale(scaler_, frame_->data, frame_->linesize, 0, frame_->height, planes, strides);
}

void ZRFFMpegVideo::fastForwardTo(double t, double frameDuration) {
  // A video skips its bidirectional frames on the way, CDG everything but key packets.
  const AVDiscard level = isCDG_ ? AVDISCARD_NONKEY : AVDISCARD_BIDIR;
  codecCtx_->skip_loop_filter = level;
  codecCtx_->skip_idct = level;
  codecCtx_->skip_frame = level;
  const AVRational tb = formatCtx_->streams[streamIndex_]->time_base;
  bool reached = false;
  while (!reached && av_read_frame(formatCtx_, packet_) >= 0) {
    if (packet_->stream_index == streamIndex_) {
      const int64_t ts = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
      const double time = ts != AV_NOPTS_VALUE ? static_cast<double>(ts) * av_q2d(tb) : -1.0;
      reached = time >= t - frameDuration;
      if (reached) {
        codecCtx_->skip_loop_filter = AVDISCARD_DEFAULT;
        codecCtx_->skip_idct = AVDISCARD_DEFAULT;
        codecCtx_->skip_frame = AVDISCARD_DEFAULT;
      }
      // The packet at the target is decoded too (its picture is the one delivered next): dropping it
      // would lose for good whatever a CDG packet draws there.
      avcodec_send_packet(codecCtx_, packet_);
      if (!reached) {
        while (avcodec_receive_frame(codecCtx_, frame_) == 0) av_frame_unref(frame_);
      }
    }
    av_packet_unref(packet_);
  }
  codecCtx_->skip_loop_filter = AVDISCARD_DEFAULT;
  codecCtx_->skip_idct = AVDISCARD_DEFAULT;
  codecCtx_->skip_frame = AVDISCARD_DEFAULT;
}

bool ZRFFMpegVideo::getNextFrame(void* dst, double* pts, int samplePos, int sampleRate, double audioStart,
                                 bool backToTop) {
  if (!opened_ || (reinterpret_cast<uintptr_t>(dst) & 15) != 0 || !pts) return false;
  if (sampleRate <= 0) sampleRate = 44100;
  const double rate = getFrameRate();
  const double frameDuration = rate > 0.0 ? 1.0 / rate : 0.04;

  if (backToTop) {
    ++loopCount_;
    if (av_seek_frame(formatCtx_, streamIndex_, 0, AVSEEK_FLAG_BACKWARD) < 0) {
      ZRLOG("ZRFFMpegVideo -- backToTop ERROR -- re-opening file !!!");
      if (!reopen("STD reopening ERROR !!")) return false;
    } else {
      avcodec_flush_buffers(codecCtx_);
      draining_ = false;
    }
    samplePos = -1;
  }

  if (samplePos >= 0 && firstFrameDelivered_) {
    loopCount_ = 0;
    double t = static_cast<double>(samplePos) / sampleRate;
    if (!isCDG_ && duration_ > 0.0) {
      double target = t;
      bool moved = false;
      if (t >= duration_) {
        loopCount_ = static_cast<int>(std::floor(t / duration_));
        target = std::fmod(t, duration_);
        moved = true;
      } else if (t > duration_ - frameDuration) {
        loopCount_ = 1;
        target = 0.0;
        moved = true;
      }
      if (moved) {
        ZRLOG("ZRFFMpegVideo -- seekTo = %f s (neededPts=%f s, posMultiplier=%d)", t, target, loopCount_);
        t = target;
        samplePos = static_cast<int>(std::lrint(target * sampleRate));
      }
    }
    if (!isCDG_) {
      const AVRational tb = formatCtx_->streams[streamIndex_]->time_base;
      const auto ts = static_cast<int64_t>(static_cast<double>(samplePos) * tb.den / sampleRate / tb.num);
      if (av_seek_frame(formatCtx_, streamIndex_, ts, AVSEEK_FLAG_BACKWARD) < 0) {
        ZRLOG("ZRFFMpegVideo -- seekTo ERROR -- re-opening file !!!");
        if (!reopen("STD reopening ERROR !!")) return false;
      } else {
        avcodec_flush_buffers(codecCtx_);
        draining_ = false;
      }
    } else if (lastDeliveredPts_ > t) {
      if (!reopen("CDG reopening ERROR !!")) return false;
    }
    fastForwardTo(t, frameDuration);
    if (isCDG_) ZRLOG("ZRFFMpegVideo -- seekTo = %f s", static_cast<double>(samplePos) / sampleRate);
  }

  *pts = 0.0;
  bool delivered = decodePicture();
  if (!delivered && !isCDG_ && !backToTop) {
    // The video ended before its audio: it starts over and loops behind the audio.
    return getNextFrame(dst, pts, -1, sampleRate, audioStart, true);
  }
  if (!delivered) return false;
  convertPicture(dst);
  *pts = streamSeconds(pictureTimestamp()) + (isCDG_ ? 0.0 : loopCount_ * duration_);
  av_frame_unref(frame_);
  if (!firstFrameDelivered_) {
    firstFramePts_ = *pts;
    firstFrameDelivered_ = true;
  }
  *pts -= audioStart;
  lastDeliveredPts_ = *pts;
  return true;
}
