// The audio-reactive shader: the analysis of the master's sound into the audio picture, and the layer
// drawing a shader through it, read back from the GL.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/zr_texture.h"
#include "gl_test_context.h"
#include "opengl_directx/zr_gl_2d.h"
#include "opengl_directx/zr_video_preview_frame.h"
#include "support/allocation_counter.h"
#include "support/display_required.h"
#include "support/test_support.h"
#include "video_mixing/zr_overlay_graphics_shader_layer.h"
#include "video_mixing/zr_shader_audio_analysis.h"
#include "video_mixing/zr_video_output.h"
#include "video_test_media.h"

namespace {

using namespace orvel_test;
using Analysis = ZRShaderAudioAnalysis;

constexpr int kRate = 44100;
constexpr int kBin = 100;
// A sine exactly on the analysis' bin 100.
constexpr double kBinFrequency = kBin * 44100.0 / Analysis::kFftSize;

// Interleaved stereo: frames of a full-scale sine (amplitude 0: silence) from frame start on.
std::vector<float> sine(double amplitude, long start, int frames) {
  std::vector<float> out(static_cast<size_t>(frames) * 2);
  for (int i = 0; i < frames; ++i) {
    const float v = static_cast<float>(amplitude * std::sin(2 * M_PI * kBinFrequency * (start + i) / kRate));
    out[2 * i] = out[2 * i + 1] = v;
  }
  return out;
}

// Feeds blocks of the sine through the analysis on this thread; the last picture.
std::vector<unsigned char> analyse(Analysis& analysis, double amplitude, int blocks) {
  std::vector<unsigned char> image(Analysis::kImageBytes, 7);
  for (int b = 0; b < blocks; ++b) {
    const std::vector<float> block =
        sine(amplitude, static_cast<long>(b) * Analysis::kFftSize, Analysis::kFftSize);
    analysis.putSamples(block.data(), Analysis::kFftSize);
    EXPECT_TRUE(analysis.analysePending());
    analysis.takeLatestImage(image.data());
  }
  return image;
}

TEST(ShaderAudioAnalysis, AFullScaleSineFillsItsBinAndSilenceGivesTheFloor) {
  Analysis analysis;
  analysis.start(false);
  const std::vector<unsigned char> loud = analyse(analysis, 1.0, 24);
  EXPECT_EQ(loud[kBin], 255);
  for (int k = 0; k < Analysis::kImageWidth; ++k) {
    if (std::abs(k - kBin) > 4) {
      ASSERT_LT(loud[k], 40) << "bin " << k;
    }
  }
  // The waveform row follows the sine: its first sample is 0 (128) and it reaches both ends.
  const auto wave = loud.begin() + Analysis::kImageWidth;
  EXPECT_EQ(wave[0], 128);
  EXPECT_GE(*std::max_element(wave, loud.end()), 250);
  EXPECT_LE(*std::min_element(wave, loud.end()), 5);

  analysis.stop();
  analysis.start(false);  // the smoothing starts again from silence
  const std::vector<unsigned char> quiet = analyse(analysis, 0.0, 2);
  for (int k = 0; k < Analysis::kImageWidth; ++k) {
    ASSERT_EQ(quiet[k], 0) << "spectrum " << k;
    ASSERT_EQ(quiet[Analysis::kImageWidth + k], 128) << "waveform " << k;
  }
}

TEST(ShaderAudioAnalysis, NothingIsTakenWhileStoppedAndABufferLargerThanTheRingIsDroppedWhole) {
  Analysis analysis;
  std::vector<unsigned char> image(Analysis::kImageBytes);
  const std::vector<float> block = sine(1.0, 0, Analysis::kFftSize);
  analysis.putSamples(block.data(), Analysis::kFftSize);
  EXPECT_FALSE(analysis.analysePending());
  analysis.start(false);
  EXPECT_FALSE(analysis.takeLatestImage(image.data()));
  const std::vector<float> huge = sine(1.0, 0, Analysis::kAudioRingBytes / 8 + 1);
  analysis.putSamples(huge.data(), static_cast<int>(huge.size() / 2));
  EXPECT_TRUE(analysis.analysePending());
  EXPECT_FALSE(analysis.takeLatestImage(image.data()));
  analysis.putSamples(block.data(), Analysis::kFftSize);
  analysis.analysePending();
  EXPECT_TRUE(analysis.takeLatestImage(image.data()));
}

TEST(ShaderAudioAnalysis, TheAudioThreadsFeedAllocatesNothing) {
  Analysis analysis;
  analysis.start(false);
  const std::vector<float> block = sine(1.0, 0, 512);
  setCountAllocations(true);
  resetCountedAllocations();
  // Far more than the ring holds: the full ring drops buffers without allocating either.
  for (int i = 0; i < 100; ++i) analysis.putSamples(block.data(), 512);
  setCountAllocations(false);
  EXPECT_EQ(countedAllocations(), 0);
}

// Red: the spectrum at bin 100; green: the first waveform sample; blue: 1, so that the shader's picture
// is told apart from the bare audio texture (which has no blue).
constexpr const char* kProbeShader = R"(
uniform sampler2D texture;
void main() {
  float spectrum = texture2D(texture, vec2(100.5 / 512.0, 0.25)).r;
  float wave = texture2D(texture, vec2(0.5 / 512.0, 0.75)).r;
  gl_FragColor = vec4(spectrum, wave, 1.0, 1.0);
}
)";

constexpr int kW = 160, kH = 90;

class ShaderLayerDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for the GL context";
    ASSERT_TRUE(writeFile(dir_.file("probe.frag"), kProbeShader));
    layer_ = std::make_shared<ZROverlayGraphicsShaderLayer>(ZRString(dir_.path() + "/"), nullptr, nullptr);
    ASSERT_EQ(layer_->addShaderToList({"Probe", "probe", "probe.frag"}), 0);
  }
  void TearDown() override {
    if (layer_) layer_->resetAllGraphicsResourcesInUse();
    layer_.reset();
  }

  // One frame of the layer over black, as the output draws it; the centre pixel (R, G, B, A).
  std::vector<uint8_t> frame(bool alternate = false) {
    RenderTarget target(kW, kH);
    target.begin(0, 0, 0, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glPerspective(45.0, 16.0 / 9.0, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    layer_->updateFromRenderThread(1.0 / 60, true, nullptr, nullptr, kW, kH, false, alternate);
    target.end();
    return target.pixel(kW / 2, kH / 2);
  }

  // Feeds the sound block by block (as the audio thread would) and draws until done says so (10 s).
  bool playUntil(double amplitude, const std::function<bool(const std::vector<uint8_t>&)>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      const std::vector<float> block = sine(amplitude, position_, 1024);
      position_ += 1024;
      layer_->putSamples(block.data(), 1024);
      if (done(frame())) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    return false;
  }

  TempDir dir_;
  std::shared_ptr<ZROverlayGraphicsShaderLayer> layer_;
  long position_ = 0;
};

TEST_F(ShaderLayerDrawing, ASineLightsItsBinAndSilenceDarkensIt) {
  layer_->setCurrentShader(0);
  std::vector<uint8_t> last;
  EXPECT_TRUE(playUntil(1.0,
                        [&](const std::vector<uint8_t>& p) {
                          last = p;
                          return p[0] == 255 && p[2] == 255;
                        }))
      << "last pixel " << int(last[0]) << "," << int(last[1]) << "," << int(last[2]);
  EXPECT_TRUE(playUntil(0.0,
                        [&](const std::vector<uint8_t>& p) {
                          last = p;
                          return p[0] == 0 && std::abs(p[1] - 128) <= 1 && p[2] == 255;
                        }))
      << "last pixel " << int(last[0]) << "," << int(last[1]) << "," << int(last[2]);
  // The alternate set of items draws nothing of the shader.
  EXPECT_EQ(frame(true)[2], 0);
}

TEST_F(ShaderLayerDrawing, AfterAResetTheShaderIsDrawnAgainNeverTheBareTexture) {
  layer_->setCurrentShader(0);
  ASSERT_TRUE(playUntil(1.0, [](const std::vector<uint8_t>& p) { return p[2] == 255; }));
  layer_->resetAllGraphicsResourcesInUse();
  EXPECT_FALSE(layer_->isShaderReady());
  // Every frame after the reset shows either nothing or the shader (blue), never the red-only texture.
  bool sawShader = false;
  EXPECT_TRUE(playUntil(1.0, [&](const std::vector<uint8_t>& p) {
    EXPECT_TRUE(p[2] == 255 || (p[0] == 0 && p[1] == 0)) << int(p[0]) << "," << int(p[1]) << "," << int(p[2]);
    sawShader = p[2] == 255;
    return sawShader;
  }));
}

TEST_F(ShaderLayerDrawing, NoShaderChosenDrawsNothingEvenWhenALateReadArrives) {
  // The choice and its withdrawal race the pool's read of the file: whatever the order, no shader ends
  // up drawn and the analysis ends stopped.
  for (int round = 0; round < 20; ++round) {
    layer_->setCurrentShader(0);
    layer_->setCurrentShader(-1);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(layer_->isProcessing());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(frame()[2], 0);
  EXPECT_FALSE(layer_->isShaderReady());
}

TEST_F(ShaderLayerDrawing, ChoicesFromThreeThreadsLeaveAConsistentState) {
  std::atomic<bool> stop{false};
  std::thread chooser([&] {
    for (int i = 0; i < 300; ++i) layer_->setCurrentShader(i % 3 == 0 ? -1 : 0);
    stop = true;
  });
  std::thread feeder([&] {
    const std::vector<float> block = sine(1.0, 0, 512);
    while (!stop) {
      layer_->putSamples(block.data(), 512);
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  });
  while (!stop) frame();
  chooser.join();
  feeder.join();
  layer_->setCurrentShader(-1);
  EXPECT_FALSE(layer_->isProcessing());
  EXPECT_EQ(frame()[2], 0);
}

// The output: decks without video show the shader's picture in their place.
class ShaderOnTheOutput : public ShaderLayerDrawing {
 protected:
  void TearDown() override {
    setVideoOutputShaderLayer(nullptr);
    DeinitVideoSourceRenderers(1);
    installVideoOutputEngine(nullptr);
    SetVideoFader(0.5);
    ShaderLayerDrawing::TearDown();
  }
};

FakeDeck* g_decks[2] = {nullptr, nullptr};
const ZRVideoOutputEngine kEngine{[](int index) -> ZRAudioSignalSource* { return g_decks[index]; }};

TEST_F(ShaderOnTheOutput, ADeckWithoutVideoShowsTheShader) {
  FakeDeck a, b;
  g_decks[0] = &a;
  g_decks[1] = &b;
  installVideoOutputEngine(&kEngine);
  SetVideoFader(0.0);
  auto outputFrame = [&] {
    RenderTarget target(kW, kH);
    target.begin(0, 0, 0, 1);
    RenderInitialVideo(1.0 / 60);
    RenderVideoOutputFrame(1.0 / 60, kW, kH, 1);
    target.end();
    return target.pixel(kW / 2, kH / 2);
  };
  EXPECT_EQ(outputFrame()[2], 0) << "no shader layer: black";
  setVideoOutputShaderLayer(layer_);
  layer_->setCurrentShader(0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::vector<uint8_t> p;
  while (std::chrono::steady_clock::now() < deadline) {
    const std::vector<float> block = sine(1.0, position_, 1024);
    position_ += 1024;
    layer_->putSamples(block.data(), 1024);
    p = outputFrame();
    if (p[0] == 255 && p[2] == 255) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(4));
  }
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[2], 255);
  layer_->setCurrentShader(-1);
  EXPECT_EQ(outputFrame()[2], 0) << "no shader chosen: black again";
  g_decks[0] = g_decks[1] = nullptr;
}

}  // namespace
