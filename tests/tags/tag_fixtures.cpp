#include "tag_fixtures.h"

#include <cmath>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace tag_test {

namespace {

struct Output {
  AVFormatContext* oc = nullptr;
  AVCodecContext* enc = nullptr;
  AVPacket* pkt = nullptr;
  AVFrame* frame = nullptr;
  AVStream* st = nullptr;
  ~Output() {
    if (oc && oc->pb) avio_closep(&oc->pb);
    avformat_free_context(oc);
    avcodec_free_context(&enc);
    av_packet_free(&pkt);
    av_frame_free(&frame);
  }
};

bool send(Output& o, const AVFrame* frame) {
  if (avcodec_send_frame(o.enc, frame) < 0) return false;
  for (;;) {
    const int r = avcodec_receive_packet(o.enc, o.pkt);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
    if (r < 0) return false;
    av_packet_rescale_ts(o.pkt, o.enc->time_base, o.st->time_base);
    o.pkt->stream_index = o.st->index;
    if (av_interleaved_write_frame(o.oc, o.pkt) < 0) return false;
  }
}

// One sample of the tone as the sample format wants it.
void store(AVFrame* f, AVSampleFormat fmt, int i, int c, double v) {
  const bool planar = av_sample_fmt_is_planar(fmt);
  const int index = planar ? i : i * 2 + c;
  uint8_t* base = f->data[planar ? c : 0];
  switch (av_get_packed_sample_fmt(fmt)) {
    case AV_SAMPLE_FMT_S16:
      reinterpret_cast<int16_t*>(base)[index] = static_cast<int16_t>(v * 32767);
      break;
    case AV_SAMPLE_FMT_S32:
      reinterpret_cast<int32_t*>(base)[index] = static_cast<int32_t>(v * 2147483647.0);
      break;
    case AV_SAMPLE_FMT_U8:
      base[index] = static_cast<uint8_t>(128 + v * 127);
      break;
    case AV_SAMPLE_FMT_FLT:
      reinterpret_cast<float*>(base)[index] = static_cast<float>(v);
      break;
    case AV_SAMPLE_FMT_DBL:
      reinterpret_cast<double*>(base)[index] = v;
      break;
    default:
      break;
  }
}

}  // namespace

std::string encodeTone(const std::string& path, const char* muxer, const char* encoder, double seconds) {
  av_log_set_level(AV_LOG_ERROR);
  const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
  if (!codec) return std::string("encoder not in this FFmpeg build: ") + encoder;
  Output o;
  if (avformat_alloc_output_context2(&o.oc, nullptr, muxer, path.c_str()) < 0 || !o.oc) {
    return std::string("muxer not in this FFmpeg build: ") + muxer;
  }
  o.enc = avcodec_alloc_context3(codec);
  o.pkt = av_packet_alloc();
  o.frame = av_frame_alloc();
  if (!o.enc || !o.pkt || !o.frame) return "allocation failed";
  // The first format of the encoder's list that the tone can be written in.
  AVSampleFormat fmt = AV_SAMPLE_FMT_S16;
  for (const AVSampleFormat* f = codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f) {
    const AVSampleFormat p = av_get_packed_sample_fmt(*f);
    if (p == AV_SAMPLE_FMT_S16 || p == AV_SAMPLE_FMT_S32 || p == AV_SAMPLE_FMT_FLT ||
        p == AV_SAMPLE_FMT_DBL) {
      fmt = *f;
      break;
    }
  }
  const AVSampleFormat packed = av_get_packed_sample_fmt(fmt);
  if (packed != AV_SAMPLE_FMT_S16 && packed != AV_SAMPLE_FMT_S32 && packed != AV_SAMPLE_FMT_FLT &&
      packed != AV_SAMPLE_FMT_DBL) {
    return std::string("no usable sample format for ") + encoder;
  }
  o.enc->sample_fmt = fmt;
  o.enc->sample_rate = 44100;
  av_channel_layout_default(&o.enc->ch_layout, 2);
  o.enc->bit_rate = 128000;
  o.enc->time_base = AVRational{1, 44100};
  o.enc->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
  if (o.oc->oformat->flags & AVFMT_GLOBALHEADER) o.enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(o.enc, codec, nullptr) < 0) return std::string("cannot open encoder ") + encoder;
  o.st = avformat_new_stream(o.oc, nullptr);
  if (!o.st || avcodec_parameters_from_context(o.st->codecpar, o.enc) < 0) return "stream setup failed";
  o.st->time_base = o.enc->time_base;
  if (avio_open(&o.oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "cannot create " + path;
  if (avformat_write_header(o.oc, nullptr) < 0) return "cannot write header";
  const int frameSize = o.enc->frame_size > 0 ? o.enc->frame_size : 1024;
  const int total = static_cast<int>(seconds * 44100);
  for (int at = 0; at < total; at += frameSize) {
    const int n = std::min(frameSize, total - at);
    av_frame_unref(o.frame);
    o.frame->format = fmt;
    o.frame->sample_rate = 44100;
    av_channel_layout_default(&o.frame->ch_layout, 2);
    o.frame->nb_samples = n;
    if (av_frame_get_buffer(o.frame, 0) < 0) return "frame allocation failed";
    for (int i = 0; i < n; ++i) {
      const double v = 0.4 * std::sin(2.0 * M_PI * 440.0 * (at + i) / 44100.0);
      store(o.frame, fmt, i, 0, v);
      store(o.frame, fmt, i, 1, v * 0.5);
    }
    o.frame->pts = at;
    if (!send(o, o.frame)) return "encoding failed";
  }
  if (!send(o, nullptr)) return "encoder flush failed";
  if (av_write_trailer(o.oc) < 0) return "cannot write trailer";
  return "";
}

}  // namespace tag_test
