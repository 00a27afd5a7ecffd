// Decoding speed of the media front: a generated one-minute MP3 read as the decks read it, in
// one-second blocks of 16-bit stereo, in order and at random positions.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "codecs/zr_master_codec.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 60;

bool sendAndWrite(AVCodecContext* enc, AVFormatContext* oc, AVStream* st, AVPacket* pkt,
                  const AVFrame* frame) {
  if (avcodec_send_frame(enc, frame) < 0) return false;
  while (avcodec_receive_packet(enc, pkt) == 0) {
    av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
    pkt->stream_index = st->index;
    if (av_interleaved_write_frame(oc, pkt) < 0) return false;
  }
  return true;
}

// A minute of a drifting tone encoded with LAME at 192 kbit/s; empty when this FFmpeg cannot.
std::string makeMinuteMp3() {
  const AVCodec* codec = avcodec_find_encoder_by_name("libmp3lame");
  if (!codec) return "";
  std::string dir = (std::filesystem::temp_directory_path() / "orvel-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) return "";
  const std::string path = dir + "/minute.mp3";
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
  double phase = 0;
  for (int64_t at = 0; ok && at < int64_t{kRate} * kSeconds; at += enc->frame_size) {
    av_frame_unref(frame);
    frame->format = AV_SAMPLE_FMT_S16P;
    frame->sample_rate = kRate;
    av_channel_layout_default(&frame->ch_layout, 2);
    frame->nb_samples = enc->frame_size;
    ok = av_frame_get_buffer(frame, 0) >= 0;
    for (int i = 0; ok && i < enc->frame_size; ++i) {
      phase += 2 * M_PI * (300.0 + 200.0 * std::sin((at + i) * 1e-5)) / kRate;
      const auto v = static_cast<int16_t>(12000 * std::sin(phase));
      reinterpret_cast<int16_t*>(frame->data[0])[i] = v;
      reinterpret_cast<int16_t*>(frame->data[1])[i] = static_cast<int16_t>(v / 2);
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

// Made once per run, outside any timing, and removed with its folder at exit.
struct MinuteMp3 {
  MinuteMp3() : path(makeMinuteMp3()) {}
  ~MinuteMp3() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(std::filesystem::path(path).parent_path(), ec);
  }
  std::string path;
};

const std::string& minuteMp3() {
  static const MinuteMp3 file;
  return file.path;
}

bool openDeckCodec(ZRMasterCodec& codec, benchmark::State& state) {
  if (minuteMp3().empty()) {
    state.SkipWithError("no MP3 encoder in this FFmpeg build");
    return false;
  }
  ZRCodecBase::OpenStruct request;
  request.path = minuteMp3();
  request.format = TDSPAudioFormat{kRate, 2, 32, 32, 0, 0};
  if (!codec.openFileOrStream(&request, 1.0f)) {
    state.SkipWithError("cannot open the MP3");
    return false;
  }
  return true;
}

void BM_DecodeMinuteMp3To16BitBlocks(benchmark::State& state) {
  std::vector<short> block(2 * kRate);
  int64_t frames = 0;
  minuteMp3();
  for (auto _ : state) {
    ZRMasterCodec codec(0);
    if (!openDeckCodec(codec, state)) return;
    for (int pos = 0;; pos += kRate) {
      const int got = codec.getSamplesShort(block.data(), kRate, pos);
      frames += got;
      if (got < kRate) break;
    }
    benchmark::DoNotOptimize(block.data());
  }
  state.SetItemsProcessed(frames);
  state.counters["realtime_x"] =
      benchmark::Counter(static_cast<double>(frames) / kRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeMinuteMp3To16BitBlocks)->Unit(benchmark::kMillisecond);

void BM_ReadOneSecondAtRandomFrame(benchmark::State& state) {
  ZRMasterCodec codec(0);
  if (!openDeckCodec(codec, state)) return;
  std::vector<short> block(2 * kRate);
  std::mt19937 rng(7);
  for (auto _ : state) {
    const int pos = static_cast<int>(rng() % (kRate * (kSeconds - 2)));
    benchmark::DoNotOptimize(codec.getSamplesShort(block.data(), kRate, pos));
  }
}
BENCHMARK(BM_ReadOneSecondAtRandomFrame)->Unit(benchmark::kMillisecond);

}  // namespace
