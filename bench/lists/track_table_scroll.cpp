// The track table over a list of 100,000 tracks, drawn with OpenGL offscreen: the time of one frame while
// the table scrolls (about 125 points a frame: some seven new rows of columns mode or three of rows mode
// come into view, drawn and uploaded) and while it stands still (the cached row textures are only drawn),
// in columns mode and in rows mode (rows mode also asks the artwork cache for each new row's cover).
// Run under Xvfb (without pinning it to one core: Mesa's software GL draws on threads of its own); skipped
// without a display.

#include <time.h>

#include <memory>
#include <string>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/zr_parameter_list.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "frame_budget.h"
#include "gl_test_context.h"
#include "gui_nodes/zr_node_playlist.h"

namespace {

constexpr int kRows = 100000;
constexpr int kWidth = 800, kHeight = 600;

ZRList* bigList() {
  static ZRList* list = [] {
    auto* l = new ZRList(ZRString("bench"), false, ZRList::kTypeUserList, -1);
    std::vector<TZRListTrack> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
      TZRDatabaseTrack t;
      ZRDatabase::resetTrack(&t, true);
      const std::string n = std::to_string(i);
      t.tags[kTagArtist] = ZRString("Artist " + n);
      t.tags[kTagTitle] = ZRString("Track title number " + n + " (extended mix)");
      t.tags[kTagBpm] = ZRString(std::to_string(120 + i % 20) + ".0");
      t.tags[kTagTime] = ZRString("0" + std::to_string(i % 9) + ":3" + std::to_string(i % 6));
      t.tags[kTagKey] = ZRString("08A");
      t.tags[kTagFileName] = ZRString("/bench/music/" + n + ".mp3");
      TZRListTrack row;
      row.trackId = ZRDatabase::getInstance()->addOrUpdate(&t);
      rows.push_back(row);
    }
    l->addLines(std::move(rows), false);
    return l;
  }();
  return list;
}

std::unique_ptr<ZRNodePlaylist> makeTable(int mode) {
  auto node = std::make_unique<ZRNodePlaylist>(nullptr, nullptr, 1.0f, GetActionIndex("playlist"), -1, -1);
  ZRParameterList a;
  a.setInt("width", kWidth);
  a.setInt("height", kHeight);
  node->refreshCoordinates(&a);
  node->setDisplayMode(mode);
  node->changeList(bigList());
  return node;
}

// The CPU time of the calling (render) thread.
double threadCpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// One frame into the target: the table renders (rows drawn and uploaded as they come into view), the GL
// finishes.
void frame(ZRNodePlaylist& node, orvel_test::RenderTarget& target) {
  target.begin(0, 0, 0, 1);
  node.render(orvel_bench::kFrameSeconds, 0, 0);
  target.end();
  orvel_test::finishGL();
}

void BM_TrackTableFrame(benchmark::State& state) {
  if (!orvel_test::ensureGLContext()) {
    state.SkipWithError("no display for OpenGL");
    return;
  }
  const int mode = static_cast<int>(state.range(0));
  const bool scrolling = state.range(1) != 0;
  std::unique_ptr<ZRNodePlaylist> node = makeTable(mode);
  orvel_test::RenderTarget target(kWidth, kHeight);
  for (int i = 0; i < 10; ++i) frame(*node, target);  // the first screen made
  const double reference = orvel_bench::referenceCopySeconds(static_cast<size_t>(kWidth) * kHeight * 4);
  const long drawnBefore = node->getTableView()->getStatistics().rowsDrawn;
  double total = 0, cpu = 0;
  for (auto _ : state) {
    // The wheel keeps the target ahead (by 1000 points from where the list is), so the list moves every
    // frame at its smooth speed: about 125 points, three rows of rows mode.
    if (scrolling) node->executeAction(ZRNodeEventWheel, 10000, 10, 10, -1, -1, 0, -1, -1, -1, L' ', -1);
    const auto start = orvel_bench::Clock::now();
    const double cpuStart = threadCpuSeconds();
    frame(*node, target);
    cpu += threadCpuSeconds() - cpuStart;
    total += orvel_bench::seconds(orvel_bench::Clock::now() - start);
  }
  orvel_bench::report(state, total, reference);
  const double frames = static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
  state.counters["cpu_ms"] = cpu / frames * 1e3;
  state.counters["cpu_x_copy"] = reference > 0 ? cpu / frames / reference : 0;
  state.counters["rows_drawn_per_frame"] =
      static_cast<double>(node->getTableView()->getStatistics().rowsDrawn - drawnBefore) / frames;
  state.SetLabel(std::string(mode == ZRNodePlaylist::kModeColumns ? "columns" : "rows") +
                 (scrolling ? " mode, scrolling" : " mode, still"));
  node->destroyTexture();
}

BENCHMARK(BM_TrackTableFrame)
    ->Args({ZRNodePlaylist::kModeColumns, 1})
    ->Args({ZRNodePlaylist::kModeColumns, 0})
    ->Args({ZRNodePlaylist::kModeRows, 1})
    ->Args({ZRNodePlaylist::kModeRows, 0})
    ->Iterations(600)
    ->Unit(benchmark::kMillisecond);

}  // namespace
