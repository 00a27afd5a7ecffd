// The scrolling waveform of one deck for one frame, as its node draws it: a 1000 x 120 point display
// cleared, the three frequency layers and the markers drawn from a 5-minute track's display arrays
// (441 values a second) at zoom 8, the play position advancing as at 60 frames a second; then uploaded
// into the node's dynamic texture (the GL part needs a display). At UI scales 1 and 2. The reference is
// copying the display's pixels.

#include <cmath>
#include <memory>
#include <vector>

#include "common/zr_texture.h"
#include "frame_budget.h"
#include "gl_test_context.h"
#include "gui/zr_waveform_drawing.h"

namespace {

constexpr int kWidth = 1000, kHeight = 120;
constexpr int kValues = 300 * 441;

struct Deck {
  std::vector<float> full, low, high;
  ZRWaveformPrivateData layers[3];
  int position = 20000;

  Deck() : full(kValues), low(kValues), high(kValues) {
    for (int i = 0; i < kValues; ++i) {
      const double beat = std::fmod(i / 220.5, 1.0);  // 120 BPM
      full[i] = static_cast<float>(0.3 + 0.6 * std::exp(-6 * beat) + 0.05 * std::sin(i * 0.37));
      low[i] = static_cast<float>(0.8 * std::exp(-4 * beat));
      high[i] = static_cast<float>(0.2 + 0.1 * std::sin(i * 1.3));
    }
    float* data[3] = {full.data(), low.data(), high.data()};
    for (int l = 0; l < 3; ++l) {
      resetWaveformPrivateData(&layers[l]);
      layers[l].width = kWidth;
      layers[l].height = kHeight;
      layers[l].data = data[l];
      layers[l].length = kValues;
      layers[l].zoom = 8;
      layers[l].cursorColumn = kWidth / 2;
      layers[l].dataColor = {0.2f + 0.3f * l, 0.5f, 0.9f - 0.3f * l, 0.8f};
    }
    layers[0].cuePosition = 25000;
    layers[0].looping = 1;
    layers[0].loopIn = 24000;
    layers[0].loopOut = 26000;
  }

  void drawFrame(ZRDrawContext& dc) {
    position += 7;  // 441 values a second at 60 frames a second
    dc.clear();
    for (auto& layer : layers) {
      layer.position = position;
      updateWaveformDisplay(&dc, &layer);
    }
    layers[0].cuePosition = 25000;
    layers[0].loopIn = 24000;
    layers[0].loopOut = 26000;
    updateWaveformDisplayExtras(&dc, &layers[0]);
  }
};

void BM_WaveformDraw(benchmark::State& state) {
  const float scale = static_cast<float>(state.range(0));
  Deck deck;
  ZRDrawContext dc(kWidth, kHeight, scale);
  const double reference = orvel_bench::referenceCopySeconds(dc.getBitmapSize());
  double total = 0;
  for (auto _ : state) {
    const auto start = orvel_bench::Clock::now();
    deck.drawFrame(dc);
    benchmark::DoNotOptimize(dc.getDataAlwaysInRGBA(false));
    total += orvel_bench::seconds(orvel_bench::Clock::now() - start);
  }
  orvel_bench::report(state, total, reference);
  state.SetLabel("three layers and markers on the CPU");
}

void BM_WaveformDrawAndUpload(benchmark::State& state) {
  if (!orvel_test::ensureGLContext()) {
    state.SkipWithError("no display for OpenGL");
    return;
  }
  const float scale = static_cast<float>(state.range(0));
  Deck deck;
  ZRDrawContext dc(kWidth, kHeight, scale);
  std::unique_ptr<ZRTexture> texture(ZRTexture::createTextureWithDefaultDevice(true, scale));
  const double reference = orvel_bench::referenceCopySeconds(dc.getBitmapSize());
  double total = 0;
  for (auto _ : state) {
    const auto start = orvel_bench::Clock::now();
    deck.drawFrame(dc);
    texture->initWithOrRefreshData(dc.getDataAlwaysInRGBA(false), dc.getPixelWidth(), dc.getPixelHeight(),
                                   ZRPixelFormatBGRA);
    orvel_test::finishGL();
    total += orvel_bench::seconds(orvel_bench::Clock::now() - start);
  }
  orvel_bench::report(state, total, reference);
  state.SetLabel("drawn and uploaded");
}

}  // namespace

BENCHMARK(BM_WaveformDraw)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaveformDrawAndUpload)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
