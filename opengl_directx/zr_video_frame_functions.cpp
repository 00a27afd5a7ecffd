#include "opengl_directx/zr_video_frame_functions.h"

#include <GL/glew.h>

#include <atomic>

#include "common/zr_logging.h"
#include "common/zr_texture.h"
#include "gui/zr_node_manager.h"
#include "opengl_directx/zr_gl_2d.h"
#include "opengl_directx/zr_render_client.h"

namespace {

std::atomic<const ZRVideoOutputHooks*> g_hooks{nullptr};

void drawSkin(double dt, ZRRenderClient& client) {
  const ZRVideoOutputHooks* hooks = g_hooks.load(std::memory_order_acquire);
  if (hooks != nullptr && hooks->beforeSkinFrame != nullptr)
    hooks->beforeSkinFrame(client.getRenderNodeManager());
  client.runGuiTick(static_cast<float>(dt));
  ZRNodeManager* manager = client.getRenderNodeManager();
  if (manager == nullptr) return;
  int width = 0, height = 0;
  manager->getOptimalWindowSize(width, height);
  enable2D(1, width, height, manager->uiScale, nullptr, nullptr);
  manager->render(dt);
  disable2D(nullptr, nullptr);
}

void drawVideoOutput(double dt, int width, int height, int opengl) {
  const ZRVideoOutputHooks* hooks = g_hooks.load(std::memory_order_acquire);
  if (hooks != nullptr && hooks->drawOutputFrame != nullptr) {
    hooks->drawOutputFrame(dt, width, height, opengl);
    return;
  }
  glClear(GL_COLOR_BUFFER_BIT);
}

}  // namespace

void installVideoOutputHooks(const ZRVideoOutputHooks* hooks) {
  g_hooks.store(hooks, std::memory_order_release);
}

const ZRVideoOutputHooks* getVideoOutputHooks() {
  return g_hooks.load(std::memory_order_acquire);
}

void RenderInitial(double dt, int enabled) {
  if (enabled == 0) return;
  const ZRVideoOutputHooks* hooks = g_hooks.load(std::memory_order_acquire);
  if (hooks != nullptr && hooks->beforeOutputFrame != nullptr) hooks->beforeOutputFrame(dt);
}

void ReleaseVideoOutput() {
  const ZRVideoOutputHooks* hooks = g_hooks.load(std::memory_order_acquire);
  if (hooks != nullptr && hooks->release != nullptr) hooks->release();
}

bool RenderMain(double dt, int mode, int width, int height, int opengl, ZRRenderClient* client) {
  if (client == nullptr || client->testIfRenderingSystemNeedsToExit(nullptr, nullptr)) return false;
  if (opengl != ZRRenderEngineOpenGL) {
    static std::atomic<bool> said{false};
    if (!said.exchange(true)) {
      ZRLOG(opengl == ZRRenderEngineNone ? "error: unknown render engine"
                                         : "error: not implemented render engine");
    }
    return false;
  }
  if (mode == ZRRenderModeSkin) {
    drawSkin(dt, *client);
  } else {
    drawVideoOutput(dt, width, height, opengl);
  }
  return true;
}
