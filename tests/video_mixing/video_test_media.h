#pragma once
// What the video output tests share: a deck stand-in whose position the test sets, decoders opened on
// generated media (a video whose frames show their index, a CDG whose colour changes every second), and
// reading textures and frames back.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "codecs/zr_decoder_video.h"
#include "dsp/engine/zr_audio_signal_source.h"
#include "support/test_support.h"

class ZRTexture;

namespace orvel_test {

// A deck as the pictures see it: a position and a length in frames at 44100 Hz.
class FakeDeck : public ZRAudioSignalSource {
 public:
  void GetSamples(float*, int) override {}
  void GetSamplesShort(short*, int) override {}
  float GetCurrentBPM() override { return 0; }
  int GetCurrentPos() override { return position.load(); }
  int GetLength() override { return length.load(); }
  void BeforeGetSamples(int) override {}
  void setSeconds(double seconds) { position.store(static_cast<int>(seconds * 44100)); }

  std::atomic<int> position{0};
  std::atomic<int> length{-1};
};

// Seconds of the generated media.
inline constexpr int kVideoSeconds = 10;
inline constexpr int kVideoFps = 5;
inline constexpr int kCdgSeconds = 10;

// Writes the video (64x48, frame i shows i in bars) into folder; "" or why it could not be made.
std::string makeNumberedVideo(const std::string& path);
// Writes a CDG whose whole picture has colour cdgColourOf(k) during second k.
bool makeSecondsCdg(const std::string& path);
// The colour of second k (R, G, B bytes).
std::vector<int> cdgColourOf(int second);
// The second whose colour (R, G, B) is nearest, or -1 when none is within 12 per channel.
int cdgSecondOf(int r, int g, int b);

// Opens decoder on path (a video as its picture path, or a .cdg).
bool openPictures(ZRDecoderVideo& decoder, const std::string& path, bool cdg);

// Calls step until done answers true or the time is up (every 5 ms); done's last answer.
bool pumpUntil(const std::function<void()>& step, const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(10));

// The texture's picture, R, G, B, A rows top first, drawn at its own size.
std::vector<uint8_t> readTexture(ZRTexture& texture);
// The frame index shown by a picture of the numbered video scaled to width x height (R, G, B, A rows
// top first).
int frameIndexIn(const std::vector<uint8_t>& rgba, int width, int height);

// A GL context and both media in a fresh folder; skips without a display or an encoder.
class VideoMediaTest : public ::testing::Test {
 protected:
  void SetUp() override;

  TempDir dir_;
  std::string video_;
  std::string cdg_;
};

}  // namespace orvel_test
