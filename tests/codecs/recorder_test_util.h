#pragma once
// Helpers of the recorder tests: a known float signal, feeding a recorder at a bounded pace, and
// reading a recording back through the master codec.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/zr_audio_recorder.h"
#include "codecs/zr_master_codec.h"
#include "common/zr_thread.h"

namespace recorder_test {

// Interleaved float test signal: a drifting tone with a click every 997 frames; the channels differ.
inline std::vector<float> knownSignal(int frames, int channels) {
  std::vector<float> out(static_cast<size_t>(frames) * channels);
  double phase = 0.0;
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / 44100.0;
    phase += 2.0 * M_PI * (300.0 + 200.0 * std::sin(2.0 * M_PI * 0.5 * t)) / 44100.0;
    double v = 0.5 * std::sin(phase);
    if (i % 997 < 6) v += 0.3;
    for (int c = 0; c < channels; ++c) {
      out[static_cast<size_t>(i) * channels + c] =
          static_cast<float>(c == 0 ? v : 0.6 * v + 0.2 * std::sin(phase * 2.5));
    }
  }
  return out;
}

// The 16-bit values a recording of signal must hold.
inline std::vector<int16_t> expectedSamples(const std::vector<float>& signal) {
  std::vector<int16_t> out(signal.size());
  for (size_t i = 0; i < signal.size(); ++i) out[i] = ZRAudioRecorder::floatToSample(signal[i]);
  return out;
}

// Hands signal to the recorder in blocks of 1024 frames; with paced, sleeps so the writer thread's
// queue (one second) never overflows. Returns the frames the recorder accepted.
inline int feed(ZRAudioRecorder& recorder, const std::vector<float>& signal, int channels, bool paced) {
  const int frames = static_cast<int>(signal.size()) / channels;
  int accepted = 0;
  int sinceSleep = 0;
  for (int at = 0; at < frames; at += 1024) {
    const int n = std::min(1024, frames - at);
    accepted += recorder.putSamples(signal.data() + static_cast<size_t>(at) * channels, n);
    sinceSleep += n;
    // 8192 frames (0.19 s) per 100 ms: below twice real time.
    if (paced && sinceSleep >= 8192) {
      ZRThread::sleep_ms(100);
      sinceSleep = 0;
    }
  }
  return accepted;
}

struct Decoded {
  bool opened = false;
  int totalFrames = 0;
  std::vector<int16_t> samples;  // interleaved, channels per frame
};

// Reads the whole file through a master codec at 44100 Hz in the given channel count.
inline Decoded readBack(const std::string& path, int channels) {
  Decoded d;
  ZRMasterCodec codec(30);
  codec.addAllCodecs(30);
  ZRCodecBase::OpenStruct request;
  request.path = path;
  request.format = TDSPAudioFormat{44100, channels, 16, 16, 0, 0};
  if (!codec.openFileOrStream(&request, 1.0f)) return d;
  d.opened = true;
  d.totalFrames = request.format.totalFrames;
  std::vector<int16_t> chunk(static_cast<size_t>(44100) * channels);
  for (int pos = 0; pos < 600 * 44100; pos += 44100) {
    const int got = codec.getSamplesShort(chunk.data(), 44100, pos);
    if (got <= 0) break;
    d.samples.insert(d.samples.end(), chunk.begin(), chunk.begin() + static_cast<size_t>(got) * channels);
    if (got < 44100) break;
  }
  codec.close();
  return d;
}

// Normalised correlation of channel c of a and b, with b shifted by lag frames; over the frames both
// hold.
inline double correlation(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int channels, int c,
                          int lag) {
  const long fa = static_cast<long>(a.size()) / channels;
  const long fb = static_cast<long>(b.size()) / channels;
  double ab = 0, aa = 0, bb = 0;
  for (long i = 0; i < fa; ++i) {
    const long j = i + lag;
    if (j < 0 || j >= fb) continue;
    const double x = a[static_cast<size_t>(i * channels + c)];
    const double y = b[static_cast<size_t>(j * channels + c)];
    ab += x * y;
    aa += x * x;
    bb += y * y;
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

}  // namespace recorder_test
