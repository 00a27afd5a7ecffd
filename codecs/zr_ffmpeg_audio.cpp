#include "codecs/zr_ffmpeg_audio.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "codecs/zr_declared_length.h"
#include "codecs/zr_ffmpeg_lib.h"
#include "common/zr_logging.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
}

namespace {

// Delivered frames kept behind the read position, so that a small step back (the master codec's
// rounding of block positions when it resamples) needs no seek.
constexpr int64_t kHistoryFrames = 8192;
// Decoders that carry state from frame to frame (overlapped transforms, bit reservoirs, filter
// histories) are fed at least this much before a seek target, so that the samples from the target
// on are exactly those of a decode from the start.
constexpr int64_t kMinimumPreroll = 8192;

int64_t frameTimestamp(const AVFrame* frame) {
  return frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
}

// Demuxers whose time stamps count samples exactly (the sample rate or a finer clock, derived from the
// sample count): a seek is placed by the landing frame's time stamp. Every other container is placed
// through frames noted during decoding.
//
// Vorbis in Ogg is not among them: the first packet after a seek is placed from the page's granule
// position, which is wrong by (long - short block) / 4 frames when the blocks there switch size.
bool hasExactTimestamps(const AVFormatContext* ctx, const AVStream* st, int rate) {
  static const char* const kExact[] = {"wav", "aiff", "flac", "mp3", "ogg", "aac", "mov,mp4,m4a,3gp,3g2,mj2"};
  if (!ctx->iformat || !ctx->iformat->name) return false;
  if (st->codecpar->codec_id == AV_CODEC_ID_VORBIS) return false;
  if (static_cast<int64_t>(st->time_base.num) * rate > st->time_base.den) return false;
  for (const char* name : kExact) {
    if (std::strcmp(ctx->iformat->name, name) == 0) return true;
  }
  return false;
}

// A fingerprint of a frame's converted samples.
uint64_t samplesHash(const int16_t* samples, size_t count) {
  uint64_t h = 1469598103934665603ull ^ count;
  for (size_t i = 0; i < count; ++i) {
    h ^= static_cast<uint16_t>(samples[i]);
    h *= 1099511628211ull;
  }
  return h;
}

// A layout FFmpeg can convert: an unspecified channel order becomes the default order for the count.
void usableLayout(const AVChannelLayout& in, AVChannelLayout* out) {
  if (in.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&in) == 0) {
    av_channel_layout_default(out, in.nb_channels);
  } else {
    av_channel_layout_copy(out, &in);
  }
}

}  // namespace

ZRFFMpegAudio::ZRFFMpegAudio() {
  initFFmpegLib();
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
}

ZRFFMpegAudio::~ZRFFMpegAudio() {
  closeAudioStream();
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  deinitFFmpegLib();
}

bool ZRFFMpegAudio::openAudioStream(const ZRString& path, std::istream* stream, TDSPAudioFormat* format) {
  if (opened_) return false;
  if (!frame_ || !packet_) {
    ZRLOG("error: cannot allocate the audio decoding frame");
    return false;
  }
  pathUtf8_ = path.utf8();
  stream_ = stream;
  audioStart_ = 0.0;
  anchors_.clear();
  knownTotal_ = -1;
  placing_ = false;
  if (!openInput()) {
    closeInput();
    stream_ = nullptr;
    return false;
  }
  opened_ = true;
  if (format) *format = format_;
  return true;
}

bool ZRFFMpegAudio::openInput() {
  const char* name = pathUtf8_.c_str();
  formatCtx_ = avformat_alloc_context();
  if (!formatCtx_) {
    ZRLOG("error: audio format ctx temp is NULL");
    return false;
  }
  const AVInputFormat* probed = nullptr;
  if (stream_) {
    switch (zrAttachStreamInput(formatCtx_, stream_, &ioCtx_, &probed)) {
      case ZRStreamInputResult::kReady:
        break;
      case ZRStreamInputResult::kNoIOContext:
        return false;
      case ZRStreamInputResult::kEmptyStream:
        ZRLOG("error: empty media stream '%s'", pathUtf8_);
        return false;
      case ZRStreamInputResult::kNotRewindable:
        ZRLOG("error: media stream cannot be rewound '%s'", pathUtf8_);
        return false;
    }
    name = "";
  }
  // On failure avformat_open_input frees the context (but not a custom I/O context).
  if (avformat_open_input(&formatCtx_, name, probed, nullptr) < 0) {
    ZRLOG("error: not a readable media file '%s'", pathUtf8_);
    return false;
  }
  formatCtx_->flags |= AVFMT_FLAG_GENPTS;
  if (avformat_find_stream_info(formatCtx_, nullptr) < 0) {
    ZRLOG("error: cannot read the stream information of '%s'", pathUtf8_);
    return false;
  }
  const AVCodec* decoder = nullptr;
  streamIndex_ = av_find_best_stream(formatCtx_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
  if (streamIndex_ < 0 || !decoder) {
    streamIndex_ = -1;
    ZRLOG("error - couldn't find an audio stream/decoder [a]");
    return false;
  }
  AVStream* st = formatCtx_->streams[streamIndex_];
  codecCtx_ = avcodec_alloc_context3(decoder);
  if (!codecCtx_ || avcodec_parameters_to_context(codecCtx_, st->codecpar) < 0) {
    ZRLOG("error: cannot set up the audio decoder of '%s'", pathUtf8_);
    return false;
  }
  codecCtx_->pkt_timebase = st->time_base;
  if (codecCtx_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC && codecCtx_->ch_layout.nb_channels > 0) {
    const int n = codecCtx_->ch_layout.nb_channels;
    av_channel_layout_uninit(&codecCtx_->ch_layout);
    av_channel_layout_default(&codecCtx_->ch_layout, n);
  }
  codecCtx_->request_sample_fmt = AV_SAMPLE_FMT_S16;
  if (avcodec_open2(codecCtx_, decoder, nullptr) < 0) {
    ZRLOG("error: cannot open the audio decoder of '%s'", pathUtf8_);
    return false;
  }
  const int rate = codecCtx_->sample_rate;
  const int channels = codecCtx_->ch_layout.nb_channels;
  if (rate <= 0 || channels <= 0) {
    ZRLOG("error: audio stream without rate or channels in '%s'", pathUtf8_);
    return false;
  }

  // The demuxer's duration is unknown (AV_NOPTS_VALUE) for some streams: fall back to the stream's,
  // then to 0, instead of converting the marker into a length.
  int64_t total = 0;
  if (formatCtx_->duration != AV_NOPTS_VALUE && formatCtx_->duration > 0) {
    total = av_rescale(formatCtx_->duration, rate, AV_TIME_BASE);
  } else if (st->duration != AV_NOPTS_VALUE && st->duration > 0) {
    total = av_rescale_q(st->duration, st->time_base, AVRational{1, rate});
  }
  // An MP4 is exactly as long as it declares: what the last frame holds beyond is the encoder's
  // padding. An MP3's sound ends where tags at its end begin.
  soundEndByte_ = mp3TagsStart(formatCtx_);
  declaredFrames_ = declaredMp4Frames(formatCtx_, st, rate);
  if (declaredFrames_ < 0) declaredFrames_ = declaredMp3Frames(formatCtx_, soundEndByte_);
  if (declaredFrames_ > 0) total = declaredFrames_;
  format_ =
      TDSPAudioFormat{rate, channels, 16, 16, 0, static_cast<int32_t>(std::min<int64_t>(total, INT_MAX))};
  exactTimestamps_ = hasExactTimestamps(formatCtx_, st, rate);

  const AVCodecDescriptor* desc = avcodec_descriptor_get(codecCtx_->codec_id);
  const bool independentFrames =
      desc && (desc->props & AV_CODEC_PROP_LOSSLESS) && (desc->props & AV_CODEC_PROP_INTRA_ONLY);
  preroll_ = 0;
  if (!independentFrames) {
    preroll_ = std::max<int64_t>(kMinimumPreroll, 3 * static_cast<int64_t>(codecCtx_->frame_size));
    if (st->codecpar->seek_preroll > 0)
      preroll_ = std::max<int64_t>(preroll_, 2 * st->codecpar->seek_preroll);
  }

  // Decode the first frame now: it fixes the time origin, and a source that holds no decodable audio
  // (a truncated file, a broken stream) fails here instead of at the first read.
  pending_.clear();
  pendingFirst_ = 0;
  settledFrom_ = 0;
  position_ = 0;
  lastFramePts_ = AV_NOPTS_VALUE;
  placing_ = false;
  if (!decodeNextFrame()) {
    ZRLOG("error: no audio could be decoded from '%s'", pathUtf8_);
    return false;
  }
  originPts_ = lastFramePts_;
  timestampsUsable_ = originPts_ != AV_NOPTS_VALUE;
  if (!timestampsUsable_) originPts_ = 0;
  audioStart_ = timestampsUsable_ ? static_cast<double>(originPts_) * av_q2d(st->time_base) : 0.0;
  return true;
}

void ZRFFMpegAudio::closeInput() {
  try {
    if (codecCtx_) avcodec_free_context(&codecCtx_);
    if (formatCtx_) avformat_close_input(&formatCtx_);
    zrFreeStreamInput(&ioCtx_);
    swr_free(&converter_);
  } catch (...) {
    // Closing must always complete; a failure while closing has nothing left to report to.
  }
  codecCtx_ = nullptr;
  formatCtx_ = nullptr;
  ioCtx_ = nullptr;
  converter_ = nullptr;
  converterInFormat_ = -1;
  converterInChannels_ = 0;
  if (frame_) av_frame_unref(frame_);
  if (packet_) av_packet_unref(packet_);
  packetWaiting_ = false;
  draining_ = false;
  ended_ = false;
  streamIndex_ = -1;
  pending_.clear();
  pendingFirst_ = 0;
}

void ZRFFMpegAudio::closeAudioStream() {
  if (!opened_) return;
  opened_ = false;
  closeInput();
  stream_ = nullptr;
  audioStart_ = 0.0;
  position_ = 0;
  format_ = TDSPAudioFormat{};
  convertBuffer_.clear();
  convertBuffer_.shrink_to_fit();
}

int64_t ZRFFMpegAudio::decodedEnd() const {
  return pendingFirst_ + static_cast<int64_t>(pending_.size()) / std::max(1, format_.channels);
}

int64_t ZRFFMpegAudio::deliverableEnd() const {
  const int64_t end = decodedEnd();
  return declaredFrames_ > 0 ? std::min(end, declaredFrames_) : end;
}

bool ZRFFMpegAudio::decodeNextFrame() {
  // The declared length ends the source: what lies beyond is the encoder's padding.
  if (!placing_ && declaredFrames_ > 0 && !ended_ && decodedEnd() >= declaredFrames_) {
    ended_ = true;
    knownTotal_ = declaredFrames_;
  }
  while (!ended_) {
    const int r = avcodec_receive_frame(codecCtx_, frame_);
    if (r == 0) {
      const bool added = appendFrame();
      av_frame_unref(frame_);
      if (added) return true;
      continue;
    }
    if (r == AVERROR_EOF || draining_) {
      ended_ = true;
      // Only a decode whose frames are placed knows where the source ends.
      if (!placing_) knownTotal_ = deliverableEnd();
      break;
    }
    // EAGAIN, or a broken frame whose samples are lost: feed the next packet.
    if (!packetWaiting_) {
      if (av_read_frame(formatCtx_, packet_) < 0) {
        // End of the source or an unreadable rest: let the decoder give out what it holds.
        avcodec_send_packet(codecCtx_, nullptr);
        draining_ = true;
        continue;
      }
      if (packet_->stream_index != streamIndex_) {
        av_packet_unref(packet_);
        continue;
      }
      if (soundEndByte_ > 0 && packet_->pos >= soundEndByte_) {
        // The tags after the sound: the end of the source.
        av_packet_unref(packet_);
        avcodec_send_packet(codecCtx_, nullptr);
        draining_ = true;
        continue;
      }
    }
    const int s = avcodec_send_packet(codecCtx_, packet_);
    if (s == AVERROR(EAGAIN) && !packetWaiting_) {
      packetWaiting_ = true;
      continue;
    }
    // Taken, or refused as broken (its samples are lost and decoding goes on with the next packet).
    packetWaiting_ = false;
    av_packet_unref(packet_);
  }
  return false;
}

bool ZRFFMpegAudio::appendFrame() {
  const int samples = frame_->nb_samples;
  if (samples <= 0) return false;
  // A change of rate inside a stream cannot be placed on this source's frame grid.
  if (frame_->sample_rate > 0 && frame_->sample_rate != format_.sampleRate) return false;
  const int channels = format_.channels;
  lastFramePts_ = frameTimestamp(frame_);
  const int64_t framePos = decodedEnd();

  const int16_t* src = nullptr;
  int produced = 0;
  if (frame_->format == AV_SAMPLE_FMT_S16 && frame_->ch_layout.nb_channels == channels) {
    src = reinterpret_cast<const int16_t*>(frame_->data[0]);
    produced = samples;
  } else {
    if (!converter_ || frame_->format != converterInFormat_ ||
        frame_->ch_layout.nb_channels != converterInChannels_) {
      swr_free(&converter_);
      AVChannelLayout in{};
      AVChannelLayout out{};
      usableLayout(frame_->ch_layout, &in);
      if (in.nb_channels == channels) {
        av_channel_layout_copy(&out, &in);
      } else {
        av_channel_layout_default(&out, channels);
      }
      const int ok =
          swr_alloc_set_opts2(&converter_, &out, AV_SAMPLE_FMT_S16, format_.sampleRate, &in,
                              static_cast<AVSampleFormat>(frame_->format), format_.sampleRate, 0, nullptr);
      av_channel_layout_uninit(&in);
      av_channel_layout_uninit(&out);
      if (ok < 0 || !converter_ || swr_init(converter_) < 0) {
        swr_free(&converter_);
        converterInFormat_ = -1;
        ZRLOG("error - failed to set up resample context");
        return false;
      }
      converterInFormat_ = frame_->format;
      converterInChannels_ = frame_->ch_layout.nb_channels;
    }
    const int capacity = swr_get_out_samples(converter_, samples);
    if (capacity <= 0) return false;
    if (convertBuffer_.size() < static_cast<size_t>(capacity) * channels) {
      convertBuffer_.resize(static_cast<size_t>(capacity) * channels);
    }
    auto* out = reinterpret_cast<uint8_t*>(convertBuffer_.data());
    produced =
        swr_convert(converter_, &out, capacity, const_cast<const uint8_t**>(frame_->extended_data), samples);
    if (produced <= 0) return false;
    src = convertBuffer_.data();
  }
  pending_.insert(pending_.end(), src, src + static_cast<size_t>(produced) * channels);
  if (!exactTimestamps_) lastFrameHash_ = samplesHash(src, static_cast<size_t>(produced) * channels);
  if (!placing_) {
    noteAnchor(framePos);
    dropHistory();
  }
  return true;
}

void ZRFFMpegAudio::noteAnchor(int64_t framePos) {
  if (exactTimestamps_ || lastFramePts_ == AV_NOPTS_VALUE) return;
  // Only the frontier grows: frames before it were noted when they were first decoded.
  if (!anchors_.empty() && (framePos <= anchors_.back().pos || lastFramePts_ < anchors_.back().pts)) return;
  anchors_.push_back(Anchor{lastFramePts_, framePos, lastFrameHash_});
}

void ZRFFMpegAudio::dropHistory() {
  const int64_t keepFrom = std::min(position_, decodedEnd()) - kHistoryFrames;
  // Drop in large steps so that the front is moved rarely.
  if (keepFrom - pendingFirst_ < kHistoryFrames) return;
  const size_t drop = static_cast<size_t>(keepFrom - pendingFirst_) * format_.channels;
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(drop));
  pendingFirst_ = keepFrom;
}

bool ZRFFMpegAudio::restartFromBeginning() {
  closeInput();
  if (stream_) {
    stream_->clear();
    stream_->seekg(0);
    stream_->clear();
  }
  if (!openInput()) {
    closeInput();
    opened_ = false;
    stream_ = nullptr;
    return false;
  }
  return true;
}

void ZRFFMpegAudio::resetDecoding(int64_t pos) {
  avcodec_flush_buffers(codecCtx_);
  av_packet_unref(packet_);
  packetWaiting_ = false;
  draining_ = false;
  ended_ = false;
  pending_.clear();
  pendingFirst_ = pos;
  settledFrom_ = pos;
  position_ = pos;
  lastFramePts_ = AV_NOPTS_VALUE;
}

void ZRFFMpegAudio::seekTo(int64_t pos) {
  const int64_t start = pos - preroll_;
  if (!timestampsUsable_ || start <= 0) {
    // Near the beginning (or without usable time stamps) decode from the very start: only that feeds
    // the decoder exactly what a decode from the start does.
    if (restartFromBeginning()) position_ = pos;
    return;
  }
  if (!exactTimestamps_) {
    seekByAnchors(pos);
    return;
  }
  AVStream* st = formatCtx_->streams[streamIndex_];
  const int64_t ts = originPts_ + av_rescale_q(start, AVRational{1, format_.sampleRate}, st->time_base);
  resetDecoding(pos);
  const bool sought = av_seek_frame(formatCtx_, streamIndex_, ts, AVSEEK_FLAG_BACKWARD) >= 0;
  // Well beyond the known length there is nothing to deliver: do not decode the whole source to find
  // that out (the length may be an estimate, hence the margin of a second).
  const bool pastEnd = format_.totalFrames > 0 && pos >= int64_t{format_.totalFrames} + format_.sampleRate;
  if (!sought && pastEnd) {
    ended_ = true;
    return;
  }
  placing_ = true;
  const bool decoded = sought && decodeNextFrame();
  placing_ = false;
  if (!decoded) {
    if (sought && ended_ && pastEnd) return;
    if (restartFromBeginning()) position_ = pos;
    return;
  }
  if (lastFramePts_ == AV_NOPTS_VALUE) {
    if (restartFromBeginning()) position_ = pos;
    return;
  }
  const int64_t landed =
      av_rescale_q_rnd(lastFramePts_ - originPts_, st->time_base, AVRational{1, format_.sampleRate},
                       static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
  // The demuxer must land at least the preroll before the target; landing later would hand out
  // samples of an unsettled decoder (or miss the target altogether).
  if (landed > start) {
    if (restartFromBeginning()) position_ = pos;
    return;
  }
  pendingFirst_ = landed;
  // What was decoded before the decoder settled must never be handed out, also not to a later read
  // that steps back into it.
  trimBefore(start);
  dropHistory();
}

void ZRFFMpegAudio::trimBefore(int64_t from) {
  settledFrom_ = from;
  const int64_t upTo = std::min(from, decodedEnd());
  if (upTo <= pendingFirst_) return;
  const size_t drop = static_cast<size_t>(upTo - pendingFirst_) * format_.channels;
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(drop));
  pendingFirst_ = upTo;
}

void ZRFFMpegAudio::seekByAnchors(int64_t pos) {
  const int64_t start = pos - preroll_;
  if (anchors_.empty()) {
    if (restartFromBeginning()) position_ = pos;
    return;
  }
  const Anchor frontier = anchors_.back();
  if (start > frontier.pos) {
    // Beyond what was decoded so far nothing is placed exactly: decode on, from where the decoder
    // stands when that is about as near as the farthest noted frame.
    const int64_t here = decodedEnd();
    if (!ended_ && here <= pos && here >= pendingFirst_ && here + format_.sampleRate >= frontier.pos) {
      position_ = pos;
      return;
    }
    if (!landOnAnchor(frontier.pts, pos) && restartFromBeginning()) position_ = pos;
    return;
  }
  // The last noted frame at least the preroll before the target.
  auto it = std::upper_bound(anchors_.begin(), anchors_.end(), start,
                             [](int64_t value, const Anchor& a) { return value < a.pos; });
  if (it != anchors_.begin()) --it;
  if (!landOnAnchor(it->pts, pos) && restartFromBeginning()) position_ = pos;
}

// Seeks to a noted frame and decodes until a frame comes out whose samples equal those of exactly one
// noted frame near its time stamp (the first frames after a seek differ while the decoder settles):
// that frame's position places everything decoded since the seek. False when none does within ten
// seconds, or the landing is too late for the decoder to settle before pos.
bool ZRFFMpegAudio::landOnAnchor(int64_t anchorPts, int64_t pos) {
  resetDecoding(pos);
  if (av_seek_frame(formatCtx_, streamIndex_, anchorPts, AVSEEK_FLAG_BACKWARD) < 0) return false;
  AVStream* st = formatCtx_->streams[streamIndex_];
  const int64_t giveUp = anchorPts + av_rescale_q(10, AVRational{1, 1}, st->time_base);
  // Time stamps are off by a few milliseconds at most; a tenth of a second covers any container.
  const int64_t window = std::max<int64_t>(1, av_rescale_q(1, AVRational{1, 10}, st->time_base));
  const int channels = std::max(1, format_.channels);
  placing_ = true;
  bool placed = false;
  int64_t matchedAt = 0;
  while (!placed) {
    const int64_t before = static_cast<int64_t>(pending_.size()) / channels;
    if (!decodeNextFrame()) break;
    if (lastFramePts_ == AV_NOPTS_VALUE) continue;
    const Anchor* match = nullptr;
    int matches = 0;
    for (auto it = std::lower_bound(anchors_.begin(), anchors_.end(), lastFramePts_ - window,
                                    [](const Anchor&a, int64_t value) { return a.pts < value; });
         it != anchors_.end() && it->pts <= lastFramePts_ + window; ++it) {
      if (it->hash == lastFrameHash_) {
        match = &*it;
        ++matches;
      }
    }
    if (matches == 1) {
      pendingFirst_ = match->pos - before;
      matchedAt = match->pos;
      placed = true;
    } else if (lastFramePts_ > giveUp) {
      break;
    }
  }
  placing_ = false;
  if (!placed || pendingFirst_ < 0) return false;
  // From the matching frame on the samples are those of a decode from the start; before it only
  // where the decoder had its preroll.
  int64_t trusted = matchedAt;
  if (matchedAt > pos) {
    if (pendingFirst_ > pos - preroll_) return false;
    trusted = pos - preroll_;
  }
  trimBefore(trusted);
  dropHistory();
  return true;
}

int ZRFFMpegAudio::getSamples(char* dst, int frames, int pos) {
  if (!opened_ || !dst || frames <= 0) return 0;
  const int channels = format_.channels;
  if (knownTotal_ >= 0 && pos >= knownTotal_) {
    // Past the known end: nothing to decode or seek for.
    position_ = int64_t{pos} + frames;
    return 0;
  }
  if (pos >= 0 && pos != position_) {
    const int64_t target = pos;
    const int64_t first = std::max(pendingFirst_, settledFrom_);
    const bool buffered = target >= first && target <= decodedEnd();
    const bool nearAhead = target > decodedEnd() && target - decodedEnd() <= format_.sampleRate;
    if (buffered || (target >= first && (nearAhead || ended_))) {
      position_ = target;
    } else {
      seekTo(target);
      if (!opened_) return 0;
    }
  }
  int delivered = 0;
  while (delivered < frames) {
    const int64_t at = position_ + delivered;
    if (declaredFrames_ > 0 && at >= declaredFrames_) {
      knownTotal_ = declaredFrames_;
      break;
    }
    if (at >= pendingFirst_ && at < deliverableEnd()) {
      const int64_t n = std::min<int64_t>(frames - delivered, deliverableEnd() - at);
      std::memcpy(dst + static_cast<size_t>(delivered) * channels * 2,
                  pending_.data() + static_cast<size_t>(at - pendingFirst_) * channels,
                  static_cast<size_t>(n) * channels * 2);
      delivered += static_cast<int>(n);
      continue;
    }
    if (!decodeNextFrame()) break;
  }
  position_ += frames;
  dropHistory();
  return delivered;
}

void ZRFFMpegAudio::skipSamples(int frames) {
  if (!opened_ || frames < 1) return;
  const int64_t target = position_ + frames;
  while (decodedEnd() < target && decodeNextFrame()) {
  }
  position_ = target;
  dropHistory();
}

float ZRFFMpegAudio::getSeconds() const {
  if (!opened_ || format_.sampleRate <= 0) return 0.0f;
  return static_cast<float>(format_.totalFrames) / static_cast<float>(format_.sampleRate);
}

int ZRFFMpegAudio::getSampleRate() const {
  return opened_ ? format_.sampleRate : 44100;
}

double ZRFFMpegAudio::getAudioPtsStart() const {
  return opened_ ? audioStart_ : 0.0;
}
