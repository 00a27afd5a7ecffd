#pragma once
// Generated media files for the benchmarks (MP3 with LAME at 192 kbit/s, FLAC, ...) made through
// FFmpeg in a fresh temporary folder.

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace bench_media {

inline bool sendAndWrite(AVCodecContext* enc, AVFormatContext* oc, AVStream* st, AVPacket* pkt,
                         const AVFrame* frame) {
  if (avcodec_send_frame(enc, frame) < 0) return false;
  while (avcodec_receive_packet(enc, pkt) == 0) {
    av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
    pkt->stream_index = st->index;
    if (av_interleaved_write_frame(oc, pkt) < 0) return false;
  }
  return true;
}

// Frame n of the file, left and right.
using SampleFunction = std::function<void(int64_t n, int16_t& left, int16_t& right)>;

// seconds of stereo audio at rate from sample() as name in a new temporary folder, with the named
// encoder and muxer (192 kbit/s where the codec takes a bit rate); the path, or empty when this FFmpeg
// cannot make it.
inline std::string makeAudioFile(const char* name, const char* muxer, const char* encoder, int rate,
                                 int seconds, const SampleFunction& sample) {
  const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
  if (!codec || !codec->sample_fmts) return "";
  AVSampleFormat format = AV_SAMPLE_FMT_NONE;
  for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
    if (*f == AV_SAMPLE_FMT_S16 || *f == AV_SAMPLE_FMT_S16P) format = *f;
  }
  if (format == AV_SAMPLE_FMT_NONE) return "";
  const bool planar = format == AV_SAMPLE_FMT_S16P;
  std::string dir = (std::filesystem::temp_directory_path() / "orvel-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) return "";
  const std::string path = dir + "/" + name;
  AVFormatContext* oc = nullptr;
  if (avformat_alloc_output_context2(&oc, nullptr, muxer, path.c_str()) < 0) return "";
  AVCodecContext* enc = avcodec_alloc_context3(codec);
  enc->sample_fmt = format;
  enc->sample_rate = rate;
  av_channel_layout_default(&enc->ch_layout, 2);
  enc->bit_rate = 192000;
  enc->time_base = AVRational{1, rate};
  AVStream* st = avformat_new_stream(oc, nullptr);
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  bool ok = avcodec_open2(enc, codec, nullptr) >= 0 &&
            avcodec_parameters_from_context(st->codecpar, enc) >= 0 &&
            avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(oc, nullptr) >= 0;
  st->time_base = enc->time_base;
  const int frameSize = enc->frame_size > 0 ? enc->frame_size : 4096;
  for (int64_t at = 0; ok && at < int64_t{rate} * seconds; at += frameSize) {
    av_frame_unref(frame);
    frame->format = format;
    frame->sample_rate = rate;
    av_channel_layout_default(&frame->ch_layout, 2);
    frame->nb_samples = frameSize;
    ok = av_frame_get_buffer(frame, 0) >= 0;
    auto* left = reinterpret_cast<int16_t*>(frame->data[0]);
    auto* right = planar ? reinterpret_cast<int16_t*>(frame->data[1]) : left + 1;
    const int step = planar ? 1 : 2;
    for (int i = 0; ok && i < frameSize; ++i) sample(at + i, left[step * i], right[step * i]);
    frame->pts = at;
    ok = ok && sendAndWrite(enc, oc, st, pkt, frame);
  }
  ok = ok && sendAndWrite(enc, oc, st, pkt, nullptr) && av_write_trailer(oc) >= 0;
  avio_closep(&oc->pb);
  avformat_free_context(oc);
  avcodec_free_context(&enc);
  av_packet_free(&pkt);
  av_frame_free(&frame);
  return ok ? path : "";
}

// seconds of 44100 Hz stereo as an MP3 (LAME, 192 kbit/s).
inline std::string makeMp3(const char* name, int seconds, const SampleFunction& sample) {
  return makeAudioFile(name, "mp3", "libmp3lame", 44100, seconds, sample);
}

// Removes a file's folder made by makeAudioFile or makeMp3.
inline void removeMp3(const std::string& path) {
  std::error_code ec;
  if (!path.empty()) std::filesystem::remove_all(std::filesystem::path(path).parent_path(), ec);
}

}  // namespace bench_media
