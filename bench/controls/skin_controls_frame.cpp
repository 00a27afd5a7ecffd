// One frame of the shipped skin (its 1280 x 720 image set) drawn by the real skin controls, after a GUI tick
// that writes every label's caption and every slider's position, as the tick does 60 times a second:
// - steady: the tick writes what is already shown (a paused deck), so the controls only blit their
//   textures;
// - captions change: every label gets a new text each frame (the worst case: every caption measured and
//   drawn into its texture again).
// Both are measured after one warm-up frame (the opening frame, which makes every texture, is not timed).
// The GL parts need a display (Mesa's software renderer under Xvfb; a GPU is far faster). Counters as the
// drawing benchmarks: ms per frame, its share of a 16.7 ms frame, and against copying the frame's bytes.

#include <memory>
#include <string>
#include <vector>

#include "../drawing/frame_budget.h"
#include "gl_test_context.h"
#include "gui/skin_engine_hooks.h"
#include "gui/zr_node_manager.h"
#include "gui/zr_skin_manager.h"
#include "gui_nodes/zr_control_classes.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_text.h"

namespace {

void collect(ZRDrawNode* node, std::vector<ZRDrawNode*>& out) {
  out.push_back(node);
  for (ZRDrawNode* child : node->children) collect(child, out);
}

struct ShippedSkin {
  ZRControlClassFactory classes;
  std::unique_ptr<ZRNodeManager> manager;
  std::vector<ZRNodeText*> labels;
  std::vector<ZRNodeSliderKnob*> sliders;
  int width = 0, height = 0;

  bool load() {
    installInitSkinScriptHook([](const std::string&) { return true; });
    installCallSkinInitHook([] {});
    installTestEnableVideoButtonHook([] {});
    registerControlClasses();
    ZRSkinManager catalogue;
    catalogue.addSkinsFromFolder(ZRString(ORVEL_SOURCE_DIR "/resources/skins"), nullptr);
    ZRString xml, image;
    int parts = 0;
    if (!catalogue.getBestSkinDetailsForResolution("Orvel", 1280, 720, xml, image, width, height, parts))
      return false;
    manager = std::make_unique<ZRNodeManager>(nullptr, &classes);
    if (!manager->loadSkin(xml, image, width, height, parts)) return false;
    std::vector<ZRDrawNode*> nodes;
    collect(manager->getRootNode(), nodes);
    for (ZRDrawNode* node : nodes) {
      if (auto* label = dynamic_cast<ZRNodeText*>(node)) labels.push_back(label);
      if (auto* slider = dynamic_cast<ZRNodeSliderKnob*>(node)) sliders.push_back(slider);
    }
    return true;
  }
  ~ShippedSkin() {
    if (manager) manager->getRootNode()->destroyAllGraphicsResources();
    installInitSkinScriptHook(nullptr);
    installCallSkinInitHook(nullptr);
    installTestEnableVideoButtonHook(nullptr);
  }
};

void BM_SkinControlsFrame(benchmark::State& state) {
  if (!orvel_test::ensureGLContext()) {
    state.SkipWithError("no display for OpenGL");
    return;
  }
  const bool captionsChange = state.range(0) != 0;
  ShippedSkin skin;
  if (!skin.load()) {
    state.SkipWithError("the shipped skin did not load");
    return;
  }
  orvel_test::RenderTarget target(skin.width, skin.height);
  const double reference = orvel_bench::referenceCopySeconds(size_t(skin.width) * size_t(skin.height) * 4);
  const ZRString steady("00:41.2");
  auto drawFrame = [&](const ZRString& caption) {
    target.begin();
    const auto start = orvel_bench::Clock::now();
    for (ZRNodeText* label : skin.labels) label->setCaption(caption);
    for (ZRNodeSliderKnob* slider : skin.sliders) slider->SetPos(50, false);
    skin.manager->render(orvel_bench::kFrameSeconds);
    orvel_test::finishGL();
    const double seconds = orvel_bench::seconds(orvel_bench::Clock::now() - start);
    target.end();
    return seconds;
  };
  // The first frame makes every texture: it is the window's opening, not a frame the running window draws.
  drawFrame(steady);
  double total = 0;
  long frame = 0;
  for (auto _ : state) {
    total += drawFrame(captionsChange ? ZRString(std::to_string(frame).c_str()) : steady);
    ++frame;
  }
  orvel_bench::report(state, total, reference);
  state.SetLabel(std::to_string(skin.labels.size()) + " labels, " + std::to_string(skin.sliders.size()) +
                 " sliders; " + (captionsChange ? "every caption new" : "steady"));
}

}  // namespace

BENCHMARK(BM_SkinControlsFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
