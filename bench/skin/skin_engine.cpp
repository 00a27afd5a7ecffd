// The skin engine on a generated 500-node skin (20 rows of 25 controls, a 1600 x 1000 window, one image
// part), without drawing:
// - loading the skin (image decoded, XML parsed, tree placed); reference: decoding the same image and
//   parsing the same XML with libxml2, the floor any loader pays;
// - one relayout of its constraint version (rows as horizontal stacks in a vertical stack) after a window
//   resize; reference: loading that skin again (image, XML, tree, and the layout built and solved from
//   nothing), what a resize would cost without the incremental solver;
// - routing 10,000 mouse moves across the skin; reference: the 10,000 hit tests alone.
// Each benchmark reports ms per iteration, reference_ms and ratio = ms / reference_ms.

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <libxml/parser.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/zr_texture.h"
#include "gui/zr_image_raw_data.h"
#include "gui/zr_node_manager.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void report(benchmark::State& state, double oursMs, double referenceMs) {
  const double n = static_cast<double>(state.iterations());
  state.counters["ms"] = oursMs / n;
  state.counters["reference_ms"] = referenceMs / n;
  state.counters["ratio"] = referenceMs > 0 ? oursMs / referenceMs : 0;
}

constexpr int kRows = 20, kColumns = 25;
constexpr int kWidth = 1600, kHeight = 1000;

// The generated skin files, removed when the program ends.
struct SkinFolder {
  std::string path;
  SkinFolder() {
    char folder[] = "/tmp/orvel-bench-skin-XXXXXX";
    path = mkdtemp(folder);
    writeImage();
    writeXml("skin.xml", false);
    writeXml("constraints.xml", true);
  }
  ~SkinFolder() {
    for (const char* name : {"skin.png", "skin.xml", "constraints.xml"}) unlink((path + "/" + name).c_str());
    rmdir(path.c_str());
  }
  std::string file(const char* name) const { return path + "/" + name; }

  void writeImage() const {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    cairo_t* cr = cairo_create(surface);
    for (int i = 0; i < 300; ++i) {
      cairo_set_source_rgba(cr, (i % 7) / 7.0, (i % 5) / 5.0, (i % 3) / 3.0, 1);
      cairo_rectangle(cr, (i * 97) % kWidth, (i * 53) % kHeight, 40, 20);
      cairo_fill(cr);
    }
    cairo_surface_write_to_png(surface, file("skin.png").c_str());
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }

  // 500 controls: table nodes of actions that have a class (both decks of per-deck actions), in rows.
  void writeXml(const char* name, bool constraints) const {
    std::vector<std::string> controls;
    for (int id = 1; id < CACTION_COUNT - 1 && static_cast<int>(controls.size()) < kRows * kColumns; ++id) {
      const int type = GetActionType(id);
      if (!ZRNodeClassFactory::typeHasClass(type) || type == ELEMENT_group) continue;
      const std::string tag = CACTIONTYPES_TAGNAMES[type];
      if (GetActionGlobal(id)) {
        controls.push_back("<" + tag + " action=\"" + GetActionName(id) + "\"");
      } else {
        for (int deck = 0; deck < 2; ++deck) {
          controls.push_back("<" + tag + " action=\"" + GetActionName(id) + "\" deck=\"" +
                             std::to_string(deck) + "\"");
        }
      }
    }
    controls.resize(kRows * kColumns);
    std::string xml =
        "<?xml version=\"1.0\"?>\n<skin targetversion=\"3\" screenwidth=\"1600\" screenheight=\"1000\"";
    xml += constraints ? " useconstraints=\"yes\">\n" : ">\n";
    xml += constraints ? "<window action=\"main\" stack_axis=\"Vertical\" stack_spacing=\"2\">\n"
                       : "<window action=\"main\">\n";
    for (int r = 0; r < kRows; ++r) {
      xml += "<group action=\"_row" + std::to_string(r) + "\" posx=\"0\" posy=\"" + std::to_string(r * 50) +
             "\" width=\"1600\" height=\"50\" zorder=\"" + std::to_string(r) + "\"";
      xml += constraints
                 ? " stack_axis=\"Horizontal\" stack_distribution=\"FillEqually\" stack_spacing=\"4\">\n"
                 : ">\n";
      for (int c = 0; c < kColumns; ++c) {
        xml += controls[r * kColumns + c] + " posx=\"" + std::to_string(c * 64) + "\" posy=\"" +
               std::to_string(r * 50) + "\" width=\"60\" height=\"46\" upx=\"" + std::to_string(c * 64) +
               "\" upy=\"" + std::to_string(r * 50) + "\" hint=\"control " +
               std::to_string(r * kColumns + c) + "\"/>\n";
      }
      xml += "</group>\n";
    }
    xml += "</window>\n</skin>\n";
    FILE* f = std::fopen(file(name).c_str(), "wb");
    std::fwrite(xml.data(), 1, xml.size(), f);
    std::fclose(f);
  }
};

const SkinFolder& folder() {
  static SkinFolder instance;
  return instance;
}

ZRNodeManager& manager() {
  static ZRNodeManager* instance = [] {
    ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
    return new ZRNodeManager(nullptr);
  }();
  return *instance;
}

void BM_LoadSkin500Nodes(benchmark::State& state) {
  const SkinFolder& f = folder();
  double ours = 0, reference = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    if (!manager().loadSkin(ZRString(f.file("skin.xml")), ZRString(f.file("skin.png")), kWidth, kHeight, 1)) {
      state.SkipWithError("the skin did not load");
      return;
    }
    const double ms = msSince(start);
    ours += ms;
    state.SetIterationTime(ms / 1000);

    start = Clock::now();
    unsigned char** frames = nullptr;
    int count = 0, w = 0, h = 0;
    bool alpha = false;
    getImageRawData(f.file("skin.png").c_str(), false, false, frames, count, alpha, w, h, true);
    freeImageFrames(frames, count);
    xmlDoc* doc = xmlReadFile(f.file("skin.xml").c_str(), nullptr, XML_PARSE_NONET);
    xmlFreeDoc(doc);
    reference += msSince(start);
  }
  report(state, ours, reference);
}
BENCHMARK(BM_LoadSkin500Nodes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_ConstraintRelayoutOnResize(benchmark::State& state) {
  const SkinFolder& f = folder();
  ZRNodeManager& m = manager();
  if (!m.loadSkin(ZRString(f.file("constraints.xml")), ZRString(f.file("skin.png")), kWidth, kHeight, 1)) {
    state.SkipWithError("the skin did not load");
    return;
  }
  double ours = 0, reference = 0;
  int step = 0;
  for (auto _ : state) {
    const int w = kWidth + (step % 2 == 0 ? 200 : -100), h = kHeight + (step % 2 == 0 ? 100 : 0);
    ++step;
    auto start = Clock::now();
    m.setNewWindowSize(w, h);
    const double ms = msSince(start);
    ours += ms;
    state.SetIterationTime(ms / 1000);

    start = Clock::now();
    m.loadSkin(ZRString(f.file("constraints.xml")), ZRString(f.file("skin.png")), kWidth, kHeight, 1);
    reference += msSince(start);
  }
  report(state, ours, reference);
  state.counters["root_w"] = m.getRootNode()->width;
}
BENCHMARK(BM_ConstraintRelayoutOnResize)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_Route10000MouseMoves(benchmark::State& state) {
  const SkinFolder& f = folder();
  ZRNodeManager& m = manager();
  if (!m.loadSkin(ZRString(f.file("skin.xml")), ZRString(f.file("skin.png")), kWidth, kHeight, 1)) {
    state.SkipWithError("the skin did not load");
    return;
  }
  m.showHints = true;
  // A zigzag over every row: a new control every few moves, so enter, leave and hints are part of it.
  std::vector<std::pair<float, float>> path;
  for (int i = 0; i < 10000; ++i) {
    const float x = static_cast<float>((i * 7) % kWidth);
    const float y = static_cast<float>(((i / 228) * 23) % kHeight) + 10;
    path.emplace_back(x, y);
  }
  double ours = 0, reference = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    for (const auto& [x, y] : path) m.actionRouteMouse(ZRNodeManager::mouseMove, x, y, -1, 0, 0, 0);
    const double ms = msSince(start);
    ours += ms;
    state.SetIterationTime(ms / 1000);

    start = Clock::now();
    for (const auto& [x, y] : path) benchmark::DoNotOptimize(m.traverseClick(m.getRootNode(), x, y));
    reference += msSince(start);
  }
  report(state, ours, reference);
}
BENCHMARK(BM_Route10000MouseMoves)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
