// Loading a whole track as a deck reads it (one-second blocks of 16-bit stereo at 44100 Hz through the
// master codec), beside a bare libavcodec decode loop of the same file in the same run: a 4-minute MP3
// (no conversion: target ratio <= 1.05) and a 4-minute 48 kHz FLAC (rate conversion: target <= 1.25).
// The conversion alone is measured with libsoxr (what the master codec uses) and with libsamplerate's
// sinc converters, each as a share of the FLAC's bare decode.

#include <benchmark/benchmark.h>
#include <samplerate.h>
#include <soxr.h>

#include <chrono>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "bench_media.h"
#include "codecs/zr_master_codec.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSeconds = 240;

struct Track {
  const char* name;
  std::string path;
};

bench_media::SampleFunction music(int rate) {
  return [rate, phase = 0.0, phase2 = 0.0](int64_t n, int16_t& left, int16_t& right) mutable {
    phase += 2 * M_PI * (220.0 + 110.0 * std::sin(n * 3e-6)) / rate;
    phase2 += 2 * M_PI * 3520.0 / rate;
    const double beat = (n % (rate / 2)) < rate / 40 ? 0.3 : 0.0;
    left = static_cast<int16_t>(9000 * std::sin(phase) + 3000 * std::sin(phase2) * beat * 3);
    right = static_cast<int16_t>(8000 * std::sin(phase * 1.5) + 2000 * std::sin(phase2));
  };
}

// Made once per run, outside any timing, removed at exit.
struct Files {
  Files()
      : mp3(bench_media::makeMp3("four.mp3", kSeconds, music(44100))),
        flac48(bench_media::makeAudioFile("four48.flac", "flac", "flac", 48000, kSeconds, music(48000))) {}
  ~Files() {
    bench_media::removeMp3(mp3);
    bench_media::removeMp3(flac48);
  }
  std::string mp3;
  std::string flac48;
};
const Files& files() {
  static const Files f;
  return f;
}

// Seconds per iteration of each benchmark run so far, by name.
std::map<std::string, double>& seconds() {
  static std::map<std::string, double> s;
  return s;
}

void record(benchmark::State& state, const std::string& name, double total, const char* reference) {
  const double each = total / static_cast<double>(state.iterations());
  seconds()[name] = each;
  state.counters["realtime_x"] = kSeconds / each;
  if (reference && seconds().count(reference)) state.counters["ratio"] = each / seconds()[reference];
}

// The bare loop: demux, decode, nothing else.
long bareDecode(const std::string& path) {
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return -1;
  long frames = 0;
  const AVCodec* codec = nullptr;
  const int stream = avformat_find_stream_info(fmt, nullptr) >= 0
                         ? av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0)
                         : -1;
  AVCodecContext* ctx = stream >= 0 ? avcodec_alloc_context3(codec) : nullptr;
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  if (ctx && avcodec_parameters_to_context(ctx, fmt->streams[stream]->codecpar) >= 0 &&
      avcodec_open2(ctx, codec, nullptr) >= 0) {
    while (av_read_frame(fmt, pkt) >= 0) {
      if (pkt->stream_index == stream && avcodec_send_packet(ctx, pkt) >= 0) {
        while (avcodec_receive_frame(ctx, frame) == 0) {
          frames += frame->nb_samples;
          av_frame_unref(frame);
        }
      }
      av_packet_unref(pkt);
    }
  }
  avcodec_free_context(&ctx);
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avformat_close_input(&fmt);
  return frames;
}

// The deck's way: one-second blocks in order until the end.
long deckLoad(const std::string& path) {
  ZRMasterCodec codec(0);
  ZRCodecBase::OpenStruct request;
  request.path = path;
  request.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
  if (!codec.openFileOrStream(&request, 1.0f)) return -1;
  std::vector<short> block(2 * 44100);
  long frames = 0;
  for (int pos = 0;; pos += 44100) {
    const int got = codec.getSamplesShort(block.data(), 44100, pos);
    frames += got;
    if (got < 44100) break;
  }
  return frames;
}

void timed(benchmark::State& state, const std::string& path, long (*work)(const std::string&),
           const std::string& name, const char* reference) {
  if (path.empty()) {
    state.SkipWithError("this FFmpeg cannot make the file");
    return;
  }
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    const long frames = work(path);
    total += std::chrono::duration<double>(Clock::now() - start).count();
    if (frames <= 0) {
      state.SkipWithError("cannot decode the file");
      return;
    }
    benchmark::DoNotOptimize(frames);
  }
  record(state, name, total, reference);
}

void BM_BareDecode_Mp3(benchmark::State& state) {
  timed(state, files().mp3, bareDecode, "bare_mp3", nullptr);
}
BENCHMARK(BM_BareDecode_Mp3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DeckLoad_Mp3(benchmark::State& state) {
  timed(state, files().mp3, deckLoad, "deck_mp3", "bare_mp3");
}
BENCHMARK(BM_DeckLoad_Mp3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BareDecode_Flac48k(benchmark::State& state) {
  timed(state, files().flac48, bareDecode, "bare_flac48", nullptr);
}
BENCHMARK(BM_BareDecode_Flac48k)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DeckLoad_Flac48k(benchmark::State& state) {
  timed(state, files().flac48, deckLoad, "deck_flac48", "bare_flac48");
}
BENCHMARK(BM_DeckLoad_Flac48k)->Unit(benchmark::kMillisecond)->UseRealTime();

// Four minutes of 48 kHz stereo floats converted to 44100 Hz in 4096-frame pieces by a streaming
// converter; the ratio is to the FLAC's bare decode.
const std::vector<float>& floats48() {
  static const std::vector<float> data = [] {
    std::vector<float> v(2 * static_cast<size_t>(48000) * kSeconds);
    bench_media::SampleFunction f = music(48000);
    for (size_t i = 0; i < v.size() / 2; ++i) {
      int16_t l, r;
      f(static_cast<int64_t>(i), l, r);
      v[2 * i] = l / 32768.0f;
      v[2 * i + 1] = r / 32768.0f;
    }
    return v;
  }();
  return data;
}

void BM_ConvertOnly_Soxr(benchmark::State& state) {
  const std::vector<float>& in = floats48();
  std::vector<float> out(2 * 8192);
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_t s = soxr_create(48000, 44100, 2, &error, &io, &quality, &runtime);
    for (size_t at = 0; at < in.size() / 2; at += 4096) {
      size_t used = 0, made = 0;
      soxr_process(s, in.data() + 2 * at, std::min<size_t>(4096, in.size() / 2 - at), &used, out.data(), 8192,
                   &made);
    }
    soxr_delete(s);
    total += std::chrono::duration<double>(Clock::now() - start).count();
    benchmark::DoNotOptimize(out.data());
  }
  record(state, "soxr", total, "bare_flac48");
}
BENCHMARK(BM_ConvertOnly_Soxr)->Unit(benchmark::kMillisecond)->UseRealTime();

void libsamplerate(benchmark::State& state, int type, const char* name) {
  const std::vector<float>& in = floats48();
  std::vector<float> out(2 * 8192);
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    int error = 0;
    SRC_STATE* s = src_new(type, 2, &error);
    for (size_t at = 0; at < in.size() / 2; at += 4096) {
      SRC_DATA d{};
      d.data_in = in.data() + 2 * at;
      d.input_frames = static_cast<long>(std::min<size_t>(4096, in.size() / 2 - at));
      d.data_out = out.data();
      d.output_frames = 8192;
      d.src_ratio = 44100.0 / 48000.0;
      src_process(s, &d);
    }
    src_delete(s);
    total += std::chrono::duration<double>(Clock::now() - start).count();
    benchmark::DoNotOptimize(out.data());
  }
  record(state, name, total, "bare_flac48");
}

void BM_ConvertOnly_LibsamplerateFastest(benchmark::State& state) {
  libsamplerate(state, SRC_SINC_FASTEST, "src_fastest");
}
BENCHMARK(BM_ConvertOnly_LibsamplerateFastest)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConvertOnly_LibsamplerateMedium(benchmark::State& state) {
  libsamplerate(state, SRC_SINC_MEDIUM_QUALITY, "src_medium");
}
BENCHMARK(BM_ConvertOnly_LibsamplerateMedium)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
