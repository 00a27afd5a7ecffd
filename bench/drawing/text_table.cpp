// A track table of 1000 rows drawn the way the table view draws its rows: each row is its own drawing
// context (800 x 24 points) with a background, six text fields (title, artist, tempo, key, time and a
// state symbol) in their boxes, then uploaded to its own texture. Scrolling draws only the rows that come
// into view, so the figure per row (and per screen of 40 rows) is what a frame pays; the whole table is
// what a list change costs. The GL upload part needs a display (it is skipped without one). The reference
// is copying the 1000 rows' pixels.

#include <memory>
#include <string>
#include <vector>

#include "common/zr_texture.h"
#include "frame_budget.h"
#include "gl_test_context.h"
#include "gui/zr_draw_context.h"

namespace {

constexpr int kRows = 1000;
constexpr int kWidth = 800, kHeight = 24;

void drawRow(ZRDrawContext& dc, int row) {
  dc.clear();
  dc.setFillColor(row % 2 ? 0.12f : 0.16f, 0.12f, 0.14f, 1);
  dc.drawFilledRectWithSize(0, 0, kWidth, kHeight, 0);
  dc.fill();
  dc.setFontColor(0.9f, 0.9f, 0.9f, 1);
  const std::string n = std::to_string(row);
  dc.drawText(4, 0, ZRString("Track title number " + n + " (extended mix)"), "Arial", 13, textStyleBold,
              textAlignLeft, 300, kHeight);
  dc.drawText(310, 0, ZRString("Artist " + n), "Arial", 13, textStyleUnderline, textAlignLeft, 200, kHeight);
  dc.drawText(520, 0, ZRString(std::to_string(120 + row % 20) + ".00"), "Arial", 12, textStyleUnderline,
              textAlignRight, 60, kHeight);
  dc.drawText(590, 0, "08A", "Arial", 12, textStyleUnderline, textAlignCenter, 40, kHeight);
  dc.drawText(640, 0, ZRString("0" + std::to_string(row % 9) + ":3" + std::to_string(row % 6)), "Arial", 12,
              textStyleUnderline, textAlignRight, 60, kHeight);
  dc.drawText(720, 0, row % 3 ? "✓" : "▽", "Arial", 12, textStyleUnderline, textAlignCenter, 30, kHeight);
}

void BM_DrawRows(benchmark::State& state) {
  const float scale = static_cast<float>(state.range(0));
  std::vector<std::unique_ptr<ZRDrawContext>> rows;
  for (int i = 0; i < kRows; ++i) rows.push_back(std::make_unique<ZRDrawContext>(kWidth, kHeight, scale));
  const double reference = orvel_bench::referenceCopySeconds(rows[0]->getBitmapSize() * kRows);
  double total = 0;
  for (auto _ : state) {
    const auto start = orvel_bench::Clock::now();
    for (int i = 0; i < kRows; ++i) drawRow(*rows[i], i);
    total += orvel_bench::seconds(orvel_bench::Clock::now() - start);
  }
  orvel_bench::report(state, total, reference);
  state.counters["ms_per_row"] = state.counters["ms"] / kRows;
  state.counters["screen_of_frame"] = state.counters["of_frame"] * 40 / kRows;
  state.SetLabel("1000 rows drawn on the CPU");
}

void BM_DrawAndUploadRows(benchmark::State& state) {
  if (!orvel_test::ensureGLContext()) {
    state.SkipWithError("no display for OpenGL");
    return;
  }
  const float scale = static_cast<float>(state.range(0));
  std::vector<std::unique_ptr<ZRDrawContext>> rows;
  std::vector<std::unique_ptr<ZRTexture>> textures;
  for (int i = 0; i < kRows; ++i) {
    rows.push_back(std::make_unique<ZRDrawContext>(kWidth, kHeight, scale));
    textures.emplace_back(ZRTexture::createTextureWithDefaultDevice(true, scale));
  }
  const double reference = orvel_bench::referenceCopySeconds(rows[0]->getBitmapSize() * kRows);
  double total = 0;
  for (auto _ : state) {
    const auto start = orvel_bench::Clock::now();
    for (int i = 0; i < kRows; ++i) {
      drawRow(*rows[i], i);
      textures[i]->initWithOrRefreshData(rows[i]->getDataAlwaysInRGBA(false), rows[i]->getPixelWidth(),
                                         rows[i]->getPixelHeight(), ZRPixelFormatBGRA);
    }
    orvel_test::finishGL();
    total += orvel_bench::seconds(orvel_bench::Clock::now() - start);
  }
  orvel_bench::report(state, total, reference);
  state.counters["ms_per_row"] = state.counters["ms"] / kRows;
  state.counters["screen_of_frame"] = state.counters["of_frame"] * 40 / kRows;
  state.SetLabel("1000 rows drawn and uploaded");
}

}  // namespace

BENCHMARK(BM_DrawRows)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_DrawAndUploadRows)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(1.0);
