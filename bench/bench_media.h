#pragma once
// Generated MP3 files for the benchmarks: encoded with LAME through FFmpeg
// at 192 kbit/s, 44100 Hz stereo, in a fresh temporary folder.

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

// seconds of audio from sample() as name in a new temporary folder; the path, or empty when this
// FFmpeg cannot encode MP3.
inline std::string makeMp3(const char* name, int seconds, const SampleFunction& sample) {
  constexpr int kRate = 44100;
  const AVCodec* codec = avcodec_find_encoder_by_name("libmp3lame");
  if (!codec) return "";
  std::string dir = (std::filesystem::temp_directory_path() / "orvel-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) return "";
  const std::string path = dir + "/" + name;
  AVFormatContext* oc = nullptr;
  if (avformat_alloc_output_context2(&oc, nullptr, "mp3", path.c_str()) < 0) return "";
  AVCodecContext* enc = avcodec_alloc_context3(codec);
  enc->sample_fmt = AV_SAMPLE_FMT_S16P;
  enc->sample_rate = kRate;
  av_channel_layout_default(&enc->ch_layout, 2);
  enc->bit_rate = 192000;
  enc->time_base = AVRational{1, kRate};
  AVStream* st = avformat_new_stream(oc, nullptr);
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  bool ok = avcodec_open2(enc, codec, nullptr) >= 0 &&
            avcodec_parameters_from_context(st->codecpar, enc) >= 0 &&
            avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(oc, nullptr) >= 0;
  st->time_base = enc->time_base;
  for (int64_t at = 0; ok && at < int64_t{kRate} * seconds; at += enc->frame_size) {
    av_frame_unref(frame);
    frame->format = AV_SAMPLE_FMT_S16P;
    frame->sample_rate = kRate;
    av_channel_layout_default(&frame->ch_layout, 2);
    frame->nb_samples = enc->frame_size;
    ok = av_frame_get_buffer(frame, 0) >= 0;
    for (int i = 0; ok && i < enc->frame_size; ++i) {
      sample(at + i, reinterpret_cast<int16_t*>(frame->data[0])[i],
             reinterpret_cast<int16_t*>(frame->data[1])[i]);
    }
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

// Removes a file's folder made by makeMp3.
inline void removeMp3(const std::string& path) {
  std::error_code ec;
  if (!path.empty()) std::filesystem::remove_all(std::filesystem::path(path).parent_path(), ec);
}

}  // namespace bench_media
