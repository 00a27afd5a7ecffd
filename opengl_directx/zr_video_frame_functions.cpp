#include "opengl_directx/zr_video_frame_functions.h"

#include <GL/glew.h>

#include <atomic>

#include "common/zr_logging.h"
#include "common/zr_texture.h"
#include "gui/zr_node_manager.h"
#include "opengl_directx/zr_gl_2d.h"
#include "opengl_directx/zr_render_client.h"
#include "opengl_directx/zr_skin_redraw.h"

namespace {

std::atomic<const ZRVideoOutputHooks*> g_hooks{nullptr};
bool outputShowsContent = false;  // render thread: the last output frame showed pictures

bool drawSkin(double dt, ZRRenderClient& client, const ZRFrameRequest& request) {
  const ZRVideoOutputHooks* hooks = g_hooks.load(std::memory_order_acquire);
  if (hooks != nullptr && hooks->beforeSkinFrame != nullptr)
    hooks->beforeSkinFrame(client.getRenderNodeManager());
  client.runGuiTick(static_cast<float>(dt));
  ZRNodeManager* manager = client.getRenderNodeManager();
  if (request.skin == nullptr) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (manager == nullptr) return true;
  } else if (manager == nullptr) {
    request.skin->beginFrame();
    return request.skin->finishFrame(request.windowDamaged);
  }
  int width = 0, height = 0;
  manager->getOptimalWindowSize(width, height);
  enable2D(1, width, height, manager->uiScale, nullptr, nullptr);
  bool present = true;
  if (request.skin == nullptr) {
    manager->render(dt);
  } else {
    request.skin->beginFrame();
    manager->render(dt, [&] { present = request.skin->finishFrame(request.windowDamaged); });
  }
  disable2D(nullptr, nullptr);
  return present;
}

bool drawVideoOutput(double dt, int width, int height, int opengl, const ZRFrameRequest& request) {
  const ZRVideoOutputHooks* hooks = g_hooks.load(std::memory_order_acquire);
  const bool composed = hooks != nullptr && hooks->drawOutputFrame != nullptr;
  const bool content = composed && (hooks->hasContent == nullptr || hooks->hasContent());
  // Nothing to show: black, drawn once when the pictures went and when the window lost its picture;
  // otherwise the window keeps it.
  const bool hadContent = outputShowsContent;
  outputShowsContent = content;
  if (!content && !hadContent && !request.windowDamaged) return false;
  if (composed) {
    hooks->drawOutputFrame(dt, width, height, opengl);
  } else {
    glClear(GL_COLOR_BUFFER_BIT);
  }
  return true;
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

bool RenderMain(double dt, int mode, int width, int height, int opengl, ZRRenderClient* client,
                const ZRFrameRequest& request) {
  if (client == nullptr || client->testIfRenderingSystemNeedsToExit(nullptr, nullptr)) return false;
  if (opengl != ZRRenderEngineOpenGL) {
    static std::atomic<bool> said{false};
    if (!said.exchange(true)) {
      ZRLOG(opengl == ZRRenderEngineNone ? "error: unknown render engine"
                                         : "error: not implemented render engine");
    }
    return false;
  }
  if (mode == ZRRenderModeSkin) return drawSkin(dt, *client, request);
  return drawVideoOutput(dt, width, height, opengl, request);
}
