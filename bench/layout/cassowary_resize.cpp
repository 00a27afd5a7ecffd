// Cost of the constraint layout of a 505-node skin (24 horizontal stacks of 20 leaves in a vertical stack,
// every distribution and alignment: 6,060 variables, 7,589 constraints, 1,014 edit variables): building
// it (every constraint and edit variable added, then the first solve), and re-solving it for 1,000 window
// sizes.
//
// - Drag: the window grows and shrinks a point at a time above the content's own size, as when its edge
//   is dragged; only row constants move.
// - Sweep: sizes jump back and forth across the content's size (about 650 x 400 points), so most resizes
//   switch which preferences give way (compression resistance against the window): the dual simplex
//   pivots, each pivot rewriting every row that depends on the window.
// - Layout pass: a drag as the skin engine lays out: the window and every node's intrinsic size suggested
//   (unchanged sizes cost nothing), then the values written back.
//
// Counters: "us" mean per resize, "p50_us", "p99_us", "max_us"; "of_1ms" the mean's share of a
// millisecond; "x_build" the mean's share of building the whole layout again, measured in the same run.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "tests/gui/cassowary_layout_rig.h"

namespace {

using cassowary_rig::Alignment;
using cassowary_rig::Axis;
using cassowary_rig::Distribution;
using cassowary_rig::Layout;
using cassowary_rig::Node;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 24;
constexpr int kLeavesPerRow = 20;
constexpr int kResizes = 1000;

std::unique_ptr<Layout> makeLayout() {
  auto layout = std::make_unique<Layout>();
  Node& root = layout->add(nullptr, 0, 0);
  root.axis = Axis::kVertical;
  root.distribution = Distribution::kFill;
  root.alignment = Alignment::kFill;
  root.spacing = 2;
  static const Distribution kDistributions[] = {Distribution::kFill, Distribution::kFillEqually,
                                                Distribution::kFillProportionally,
                                                Distribution::kEqualSpacing, Distribution::kEqualCentering};
  static const Alignment kAlignments[] = {Alignment::kFill, Alignment::kStart, Alignment::kCenter,
                                          Alignment::kEnd};
  for (int r = 0; r < kRows; ++r) {
    Node& row = layout->add(&root, 0, 0);
    row.axis = Axis::kHorizontal;
    row.distribution = kDistributions[r % 5];
    row.alignment = kAlignments[r % 4];
    row.spacing = r % 3;
    for (int i = 0; i < kLeavesPerRow; ++i) layout->add(&row, 20 + (i * 7 + r) % 30, 12 + (i + r) % 9);
  }
  layout->build();
  layout->layout(1200, 800);
  return layout;
}

double seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// The best of three builds: the reference every resize is compared with.
double buildSeconds() {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    const auto start = Clock::now();
    auto layout = makeLayout();
    best = std::min(best, seconds(Clock::now() - start));
  }
  return best;
}

void BM_BuildLayout(benchmark::State& state) {
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    auto layout = makeLayout();
    total += seconds(Clock::now() - start);
    state.PauseTiming();
    layout.reset();
    state.ResumeTiming();
  }
  state.counters["ms"] = total / static_cast<double>(state.iterations()) * 1e3;
  state.SetLabel("505 nodes: constraints, edit variables, first solve");
}
BENCHMARK(BM_BuildLayout)->Unit(benchmark::kMillisecond)->Iterations(5);

// Runs kResizes resizes (resize(layout, i)) and reports their times.
void runResizes(benchmark::State& state, const std::function<void(Layout&, int)>& resize) {
  const double build = buildSeconds();
  auto layout = makeLayout();
  std::vector<double> times;
  times.reserve(kResizes);
  for (auto _ : state) {
    for (int i = 0; i < kResizes; ++i) {
      const auto start = Clock::now();
      resize(*layout, i);
      times.push_back(seconds(Clock::now() - start));
    }
  }
  double total = 0;
  for (double t : times) total += t;
  const double mean = total / static_cast<double>(times.size());
  std::sort(times.begin(), times.end());
  state.counters["us"] = mean * 1e6;
  state.counters["p50_us"] = times[times.size() / 2] * 1e6;
  state.counters["p99_us"] = times[times.size() * 99 / 100] * 1e6;
  state.counters["max_us"] = times.back() * 1e6;
  state.counters["of_1ms"] = mean / 1e-3;
  state.counters["x_build"] = mean / build;
}

// A drag: 1000 sizes a point apart, between 1000 x 700 and 1250 x 825 and back.
double dragWidth(int i) {
  return 1000 + (i % 500 < 250 ? i % 250 : 250 - i % 250);
}
double dragHeight(int i) {
  return 700 + (i % 500 < 250 ? i % 250 : 250 - i % 250) / 2;
}

void BM_DragResize(benchmark::State& state) {
  runResizes(state, [](Layout& layout, int i) {
    cassowary::Solver& solver = layout.solver();
    solver.suggestValue(layout.root().width, dragWidth(i));
    solver.suggestValue(layout.root().height, dragHeight(i));
    solver.updateVariables();
  });
}
BENCHMARK(BM_DragResize)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SweepResize(benchmark::State& state) {
  runResizes(state, [](Layout& layout, int i) {
    cassowary::Solver& solver = layout.solver();
    solver.suggestValue(layout.root().width, 400 + (i * 37) % 1600);
    solver.suggestValue(layout.root().height, 300 + (i * 23) % 700);
    solver.updateVariables();
  });
}
BENCHMARK(BM_SweepResize)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_LayoutPass(benchmark::State& state) {
  runResizes(state, [](Layout& layout, int i) { layout.layout(dragWidth(i), dragHeight(i)); });
}
BENCHMARK(BM_LayoutPass)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
