// The render loop with the main window open on the tests' small skin (160 x 120, a background and a
// button) under Xvfb and Mesa's software renderer, idle: the loop's passes per second over both canvases,
// the frames presented (an unchanged frame is neither drawn nor presented), the render thread's and the
// whole process's CPU share. References, measured in the same run: the display rate (60 passes a second),
// and the CPU share that drawing the same skin whole on every skin pass would take (the CPU time of one
// whole drawing into an offscreen target on this thread, times the skin passes per second).
//
// Run under Xvfb: xvfb-run -a build/bench/bench_render_loop

#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>

#include "gl_test_context.h"
#include "main_window_rig.h"
#include "opengl_directx/zr_video_preview_frame.h"
#include "support/image_fixtures.h"

namespace {

constexpr double kDisplayRate = 60;
constexpr int kMeasureMs = 3000;
constexpr int kReferenceFrames = 300;

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// CPU seconds of drawing the window's skin once into an offscreen target of its size, on this thread.
double referenceDrawSeconds(const ZRString& xml, const ZRString& image) {
  orvel_test::ShortcutClasses classes;
  ZRNodeManager manager(nullptr, &classes);
  if (!manager.loadSkin(xml, image, 0, 0, 1)) return 0;
  orvel_test::RenderTarget target(orvel_test::MainWindowRig::kWidth, orvel_test::MainWindowRig::kHeight);
  auto frame = [&] {
    target.begin(0, 0, 0, 1);
    manager.render(1.0 / 30);
    target.end();
    orvel_test::finishGL();
  };
  frame();  // textures made
  const double start = threadCpuSeconds();
  for (int i = 0; i < kReferenceFrames; ++i) frame();
  const double seconds = (threadCpuSeconds() - start) / kReferenceFrames;
  manager.destroyAllGraphicsResources();
  return seconds;
}

void BM_IdleMainWindow(benchmark::State& state) {
  if (!orvel_test::ensureToolkitForRenderThread()) {
    state.SkipWithError("no display (run under Xvfb)");
    return;
  }
  for (auto _ : state) {
    orvel_test::MainWindowRig rig;
    rig.waitForSkinPasses(10, 10000);
    ZRVideoPreviewFrame* window = rig.frame().getRenderWindow();
    const uint64_t skin0 = rig.skinPasses(), output0 = rig.outputPasses();
    const uint64_t shown0 = rig.skinFrames() + rig.outputFrames();
    const double renderCpu0 = window->getRenderThreadCpuSeconds();
    const double processCpu0 = orvel_test::processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    orvel_test::pumpFor(kMeasureMs);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double skinPasses = static_cast<double>(rig.skinPasses() - skin0);
    const double outputPasses = static_cast<double>(rig.outputPasses() - output0);
    const double shown = static_cast<double>(rig.skinFrames() + rig.outputFrames() - shown0);
    const double renderCpu = window->getRenderThreadCpuSeconds() - renderCpu0;
    const double processCpu = orvel_test::processCpuSeconds() - processCpu0;
    const ZRString xml = rig.frame().getLastSkinXmlPath();
    const std::string image = xml.utf8().substr(0, xml.utf8().size() - 3) + "png";
    rig.closeNow();

    double reference = 0;
    if (orvel_test::ensureGLContext()) reference = referenceDrawSeconds(xml, ZRString(image));
    const double renderShare = renderCpu / seconds;
    const double wholeShare = reference * skinPasses / seconds;
    state.counters["output_passes_per_s"] = outputPasses / seconds;
    state.counters["skin_passes_per_s"] = skinPasses / seconds;
    state.counters["of_display_rate"] = outputPasses / seconds / kDisplayRate;
    state.counters["frames_presented_per_s"] = shown / seconds;
    state.counters["render_thread_cpu_pct"] = renderShare * 100;
    state.counters["reference_whole_redraw_cpu_pct"] = wholeShare * 100;
    state.counters["idle_process_cpu_pct"] = processCpu / seconds * 100;
  }
}
BENCHMARK(BM_IdleMainWindow)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
