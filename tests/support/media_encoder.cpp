#include "media_encoder.h"

#include <cmath>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
}

namespace orvel_test {

namespace {

struct Muxing {
  AVFormatContext* oc = nullptr;
  AVCodecContext* enc = nullptr;
  AVStream* st = nullptr;
  AVPacket* pkt = nullptr;
  AVFrame* frame = nullptr;
  SwrContext* swr = nullptr;
  ~Muxing() {
    if (oc && oc->pb) avio_closep(&oc->pb);
    avformat_free_context(oc);
    avcodec_free_context(&enc);
    av_packet_free(&pkt);
    av_frame_free(&frame);
    swr_free(&swr);
  }
};

bool drain(Muxing& m, const AVFrame* frame, long* packets = nullptr) {
  if (avcodec_send_frame(m.enc, frame) < 0) return false;
  for (;;) {
    const int r = avcodec_receive_packet(m.enc, m.pkt);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
    if (r < 0) return false;
    av_packet_rescale_ts(m.pkt, m.enc->time_base, m.st->time_base);
    m.pkt->stream_index = m.st->index;
    if (packets) ++*packets;
    if (av_interleaved_write_frame(m.oc, m.pkt) < 0) return false;
  }
}

std::string openOutput(Muxing& m, const std::string& path, const char* muxer, const AVCodec* codec) {
  if (avformat_alloc_output_context2(&m.oc, nullptr, muxer, path.c_str()) < 0 || !m.oc) {
    return std::string("muxer not available: ") + muxer;
  }
  m.enc = avcodec_alloc_context3(codec);
  m.pkt = av_packet_alloc();
  m.frame = av_frame_alloc();
  if (!m.enc || !m.pkt || !m.frame) return "allocation failed";
  if (m.oc->oformat->flags & AVFMT_GLOBALHEADER) m.enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  return "";
}

std::string startWriting(Muxing& m, const std::string& path, const char* muxerOptions = "") {
  m.st = avformat_new_stream(m.oc, nullptr);
  if (!m.st || avcodec_parameters_from_context(m.st->codecpar, m.enc) < 0) return "stream setup failed";
  m.st->time_base = m.enc->time_base;
  if (avio_open(&m.oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "cannot create " + path;
  AVDictionary* options = nullptr;
  if (muxerOptions && *muxerOptions) av_dict_parse_string(&options, muxerOptions, "=", ":", 0);
  const int written = avformat_write_header(m.oc, &options);
  const bool unknownOption = av_dict_count(options) > 0;
  av_dict_free(&options);
  if (written < 0) return "cannot write header";
  if (unknownOption) return std::string("muxer option not known: ") + muxerOptions;
  return "";
}

}  // namespace

std::string encodeAudio(const std::string& path, const char* muxer, const char* encoder,
                        const std::vector<int16_t>& interleaved, int channels, int rate, bool vbr) {
  EncodeOptions options;
  options.vbr = vbr;
  return encodeAudio(path, muxer, encoder, interleaved, channels, rate, options);
}

std::string encodeAudio(const std::string& path, const char* muxer, const char* encoder,
                        const std::vector<int16_t>& interleaved, int channels, int rate,
                        const EncodeOptions& how) {
  av_log_set_level(AV_LOG_ERROR);
  const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
  if (!codec) return std::string("encoder not in this FFmpeg build: ") + encoder;
  Muxing m;
  std::string err = openOutput(m, path, muxer, codec);
  if (!err.empty()) return err;
  AVSampleFormat fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  for (const AVSampleFormat* f = codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f) {
    if (*f == AV_SAMPLE_FMT_S16) fmt = *f;
  }
  m.enc->sample_fmt = fmt;
  m.enc->sample_rate = rate;
  av_channel_layout_default(&m.enc->ch_layout, channels);
  m.enc->bit_rate = how.bitRate;
  if (how.vbr) {
    m.enc->flags |= AV_CODEC_FLAG_QSCALE;
    m.enc->global_quality = 4 * FF_QP2LAMBDA;
  }
  m.enc->time_base = AVRational{1, rate};
  m.enc->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
  AVDictionary* options = nullptr;
  // Noise-substituted bands are filled from a generator whose state depends on everything decoded
  // since the start, so no decoder can reproduce them after a seek; common AAC encoders do not use them.
  if (std::strcmp(encoder, "aac") == 0) av_dict_set(&options, "aac_pns", "0", 0);
  if (how.encoderOptions && *how.encoderOptions)
    av_dict_parse_string(&options, how.encoderOptions, "=", ":", 0);
  const int opened = avcodec_open2(m.enc, codec, &options);
  const bool unknownOption = av_dict_count(options) > 0;
  av_dict_free(&options);
  if (opened < 0) return std::string("cannot open encoder ") + encoder;
  if (unknownOption) return std::string("encoder option not known: ") + how.encoderOptions;
  if (how.packets) *how.packets = 0;
  err = startWriting(m, path, how.muxerOptions);
  if (!err.empty()) return err;

  AVChannelLayout layout{};
  av_channel_layout_default(&layout, channels);
  if (swr_alloc_set_opts2(&m.swr, &layout, fmt, rate, &layout, AV_SAMPLE_FMT_S16, rate, 0, nullptr) < 0 ||
      swr_init(m.swr) < 0) {
    return "converter setup failed";
  }
  const int frameSize = m.enc->frame_size > 0 ? m.enc->frame_size : 1024;
  const int total = static_cast<int>(interleaved.size()) / channels;
  int64_t pts = 0;
  for (int at = 0; at < total; at += frameSize) {
    const int n = std::min(frameSize, total - at);
    av_frame_unref(m.frame);
    m.frame->format = fmt;
    m.frame->sample_rate = rate;
    av_channel_layout_copy(&m.frame->ch_layout, &layout);
    m.frame->nb_samples = n;
    if (av_frame_get_buffer(m.frame, 0) < 0) return "frame allocation failed";
    const uint8_t* in =
        reinterpret_cast<const uint8_t*>(interleaved.data() + static_cast<size_t>(at) * channels);
    if (swr_convert(m.swr, m.frame->data, n, &in, n) != n) return "conversion failed";
    m.frame->pts = pts;
    pts += n;
    if (!drain(m, m.frame, how.packets)) return "encoding failed";
  }
  if (!drain(m, nullptr, how.packets)) return "encoder flush failed";
  if (av_write_trailer(m.oc) < 0) return "cannot write trailer";
  return "";
}

std::string encodeVideoOnly(const std::string& path, const char* muxer) {
  av_log_set_level(AV_LOG_ERROR);
  const AVCodec* codec = avcodec_find_encoder_by_name("mpeg4");
  if (!codec) return "encoder not in this FFmpeg build: mpeg4";
  Muxing m;
  std::string err = openOutput(m, path, muxer, codec);
  if (!err.empty()) return err;
  m.enc->width = 64;
  m.enc->height = 48;
  m.enc->pix_fmt = AV_PIX_FMT_YUV420P;
  m.enc->time_base = AVRational{1, 25};
  m.enc->framerate = AVRational{25, 1};
  if (avcodec_open2(m.enc, codec, nullptr) < 0) return "cannot open encoder mpeg4";
  err = startWriting(m, path);
  if (!err.empty()) return err;
  for (int i = 0; i < 25; ++i) {
    av_frame_unref(m.frame);
    m.frame->format = AV_PIX_FMT_YUV420P;
    m.frame->width = 64;
    m.frame->height = 48;
    if (av_frame_get_buffer(m.frame, 0) < 0) return "frame allocation failed";
    for (int plane = 0; plane < 3; ++plane) {
      const int h = plane == 0 ? 48 : 24;
      for (int y = 0; y < h; ++y)
        std::memset(m.frame->data[plane] + y * m.frame->linesize[plane], (i * 9 + y) & 0xff,
                    plane == 0 ? 64 : 32);
    }
    m.frame->pts = i;
    if (!drain(m, m.frame)) return "encoding failed";
  }
  if (!drain(m, nullptr)) return "encoder flush failed";
  if (av_write_trailer(m.oc) < 0) return "cannot write trailer";
  return "";
}

std::vector<int16_t> testSignal(int frames, int channels, int rate) {
  std::vector<int16_t> out(static_cast<size_t>(frames) * channels);
  double phase = 0.0;
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double freq = 330.0 + 220.0 * std::sin(2.0 * M_PI * 0.37 * t);
    phase += 2.0 * M_PI * freq / rate;
    double v = 0.4 * std::sin(phase);
    if (i % 997 < 8) v += 0.3 * (1.0 - (i % 997) / 8.0);
    for (int c = 0; c < channels; ++c) {
      const double w = c == 0 ? v : v * (0.8 - 0.1 * c) + 0.05 * std::sin(phase * 3.0);
      out[static_cast<size_t>(i) * channels + c] = static_cast<int16_t>(std::lrint(w * 32767.0));
    }
  }
  return out;
}

}  // namespace orvel_test
