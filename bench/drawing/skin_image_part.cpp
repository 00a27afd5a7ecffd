// One skin image part of 1920 x 1080 pixels (a PNG with alpha): decoding it (once per skin load, on the
// loading thread), uploading it into a texture, and drawing it as one textured quad into a 1920 x 1080
// target. Upload and draw are what a frame pays when the part changes and for every frame it is shown.
// The GL parts need a display (Mesa's software renderer under Xvfb; a GPU is far faster). The reference is
// copying the part's 8.3 MB of pixels.

#include <cairo.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <string>

#include "common/zr_texture.h"
#include "frame_budget.h"
#include "gl_test_context.h"
#include "gui/zr_image_raw_data.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// The temporary folder of the part, removed when the program ends.
struct PartFolder {
  std::string path;
  PartFolder() {
    char folder[] = "/tmp/orvel-bench-XXXXXX";
    path = mkdtemp(folder);
  }
  ~PartFolder() {
    unlink((path + "/part.png").c_str());
    rmdir(path.c_str());
  }
};

// A PNG with gradients, shapes and soft alpha, written once.
const std::string& skinPart() {
  static PartFolder folder;
  static const std::string path = [] {
    std::string file = folder.path + "/part.png";
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    cairo_t* cr = cairo_create(surface);
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, kWidth, kHeight);
    cairo_pattern_add_color_stop_rgba(gradient, 0, 0.1, 0.1, 0.2, 1);
    cairo_pattern_add_color_stop_rgba(gradient, 1, 0.3, 0.2, 0.1, 0.6);
    cairo_set_source(cr, gradient);
    cairo_paint(cr);
    for (int i = 0; i < 200; ++i) {
      cairo_set_source_rgba(cr, (i % 7) / 7.0, (i % 5) / 5.0, (i % 3) / 3.0, 0.7);
      cairo_arc(cr, (i * 97) % kWidth, (i * 53) % kHeight, 10 + i % 40, 0, 2 * M_PI);
      cairo_fill(cr);
    }
    cairo_surface_write_to_png(surface, file.c_str());
    cairo_pattern_destroy(gradient);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return file;
  }();
  return path;
}

void BM_DecodeSkinPart(benchmark::State& state) {
  const std::string& file = skinPart();
  const double reference = orvel_bench::referenceCopySeconds(size_t{kWidth} * kHeight * 4);
  double total = 0;
  for (auto _ : state) {
    unsigned char** frames = nullptr;
    int count = 0, w = 0, h = 0;
    bool alpha = false;
    const auto start = orvel_bench::Clock::now();
    if (!getImageRawData(file.c_str(), false, false, frames, count, alpha, w, h, true)) {
      state.SkipWithError("the part did not decode");
      return;
    }
    total += orvel_bench::seconds(orvel_bench::Clock::now() - start);
    freeImageFrames(frames, count);
  }
  orvel_bench::report(state, total, reference);
  state.SetLabel("once per skin load");
}

struct DecodedPart {
  unsigned char** frames = nullptr;
  int count = 0, w = 0, h = 0;
  bool alpha = false;
  DecodedPart() { getImageRawData(skinPart().c_str(), false, true, frames, count, alpha, w, h, true); }
  ~DecodedPart() { freeImageFrames(frames, count); }
};

void BM_UploadSkinPart(benchmark::State& state) {
  if (!orvel_test::ensureGLContext()) {
    state.SkipWithError("no display for OpenGL");
    return;
  }
  DecodedPart part;
  std::unique_ptr<ZRTexture> texture(ZRTexture::createTextureWithDefaultDevice(state.range(0) != 0, 1.0f));
  const double reference = orvel_bench::referenceCopySeconds(size_t{kWidth} * kHeight * 4);
  double total = 0;
  for (auto _ : state) {
    const auto start = orvel_bench::Clock::now();
    texture->initWithOrRefreshData(part.frames[0], part.w, part.h, ZRPixelFormatBGRA);
    orvel_test::finishGL();
    total += orvel_bench::seconds(orvel_bench::Clock::now() - start);
  }
  orvel_bench::report(state, total, reference);
  state.SetLabel(state.range(0) ? "dynamic texture" : "static texture");
}

void BM_DrawSkinPart(benchmark::State& state) {
  if (!orvel_test::ensureGLContext()) {
    state.SkipWithError("no display for OpenGL");
    return;
  }
  DecodedPart part;
  std::unique_ptr<ZRTexture> texture(ZRTexture::createTextureWithDefaultDevice(false, 1.0f));
  texture->initWithOrRefreshData(part.frames[0], part.w, part.h, ZRPixelFormatBGRA);
  orvel_test::RenderTarget target(kWidth, kHeight);
  const double reference = orvel_bench::referenceCopySeconds(size_t{kWidth} * kHeight * 4);
  double total = 0;
  for (auto _ : state) {
    target.begin();
    const auto start = orvel_bench::Clock::now();
    texture->drawRect(0, 0, kWidth, kHeight, 0, 0, 1, 1, 1, 0, 1);
    orvel_test::finishGL();
    total += orvel_bench::seconds(orvel_bench::Clock::now() - start);
    target.end();
  }
  orvel_bench::report(state, total, reference);
  state.SetLabel("one quad, alpha blended");
}

}  // namespace

BENCHMARK(BM_DecodeSkinPart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UploadSkinPart)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawSkinPart)->Unit(benchmark::kMillisecond);
