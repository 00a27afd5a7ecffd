#include "main_dj/shader_actions.h"

#include <wx/app.h>

#include <functional>
#include <utility>
#include <vector>

#include "actions_dj/action_controls.h"
#include "actions_dj/player_actions.h"
#include "common/action_ids.h"
#include "common/zr_global_task_dispatch.h"
#include "common/zr_logging.h"
#include "main_dj/shader_dialogs.h"
#include "main_dj/shell_folders.h"
#include "video_mixing/zr_overlay_graphics_shader_layer.h"
#include "video_mixing/zr_video_output.h"

namespace {

void onMainThread(std::function<void()> fn) {
  if (wxTheApp != nullptr && !wxIsMainThread()) {
    wxTheApp->CallAfter(std::move(fn));
  } else {
    fn();
  }
}

void selectCurrent(const ZROverlayGraphicsShaderLayer& layer) {
  actionControls().selectByParam(ACT_dropdown_video_shader, -1, layer.getCurrentShader() + 1);
}

}  // namespace

std::shared_ptr<ZROverlayGraphicsShaderLayer> overlayGraphicsLayerShader() {
  return getVideoOutputShaderLayer();
}

bool FVideoShaderCallback(int event) {
  std::shared_ptr<ZROverlayGraphicsShaderLayer> layer = overlayGraphicsLayerShader();
  if (!layer) return false;
  if (event == 1) {
    std::vector<std::pair<ZRString, int>> items;
    items.emplace_back(ZRString("No shader"), 0);
    const std::vector<ZROverlayGraphicsShaderLayer::Shader> shaders = layer->getShaders();
    for (size_t i = 0; i < shaders.size(); ++i) items.emplace_back(shaders[i].name, static_cast<int>(i) + 1);
    items.emplace_back(ZRString(""), 0);
    items.emplace_back(ZRString("Edit shaders ..."), kShaderItemEdit);
    items.emplace_back(ZRString("Add a new shader ..."), kShaderItemAdd);
    actionControls().setItems(ACT_dropdown_video_shader, -1, items);
    selectCurrent(*layer);
  } else if (event == 0) {
    selectCurrent(*layer);
  } else {
    ZRLOG("FVideoShaderCallback: unknown event");
  }
  return true;
}

void FVideoShaderOnChange(int value, int, int, ZRDrawNode*) {
  std::shared_ptr<ZROverlayGraphicsShaderLayer> layer = overlayGraphicsLayerShader();
  if (!layer) return;
  if (value == 0) {
    layer->setCurrentShader(-1);
    return;
  }
  if (value >= 1 && value <= layer->getTotalShaders()) {
    layer->setCurrentShader(value - 1);
    return;
  }
  ZRString text;
  int command = 0;
  if (!actionControls().getSelected(ACT_dropdown_video_shader, -1, &text, &command)) command = 0;
  // A command is not a choice: the list shows the shader that plays.
  selectCurrent(*layer);
  if (command == kShaderItemEdit) {
    onMainThread([] { ShowEditShadersDialog(); });
  } else if (command == kShaderItemAdd) {
    onMainThread([] { ShowAddShaderDialog(); });
  } else {
    ZRLOG("FVideoShaderOnChange: unknown value");
  }
}

void startShaderLayer() {
  if (overlayGraphicsLayerShader()) return;
  ZRDispatchQueueBase* mainQueue = &ZRGlobalTaskDispatch::getInstance()->mainQueue;
  auto layer =
      std::make_shared<ZROverlayGraphicsShaderLayer>(GetShadersDir(), &FVideoShaderCallback, mainQueue);
  setVideoOutputShaderLayer(layer);
  // The tap holds the layer alive until it is removed (installing waits for the audio thread).
  installMasterAudioTap([layer](const float* master, int frames) { layer->putSamples(master, frames); });
  FVideoShaderCallback(1);
}

void stopShaderLayer() {
  installMasterAudioTap(nullptr);
  std::shared_ptr<ZROverlayGraphicsShaderLayer> layer = overlayGraphicsLayerShader();
  setVideoOutputShaderLayer(nullptr);
  if (!layer) return;
  layer->stopProcessing();
  // The render thread has ended and freed the layer's texture; the last reference goes here (unless an
  // import still runs on the pool, which then writes the list when it ends).
  layer.reset();
}
