#include "opengl_directx/zr_video_frame_functions.h"

#include <GL/glew.h>

#include <atomic>

#include "common/zr_logging.h"
#include "common/zr_texture.h"
#include "gui/zr_node_manager.h"
#include "opengl_directx/zr_gl_2d.h"
#include "opengl_directx/zr_render_client.h"

namespace {

void drawSkin(double dt, ZRRenderClient& client) {
  client.runGuiTick(static_cast<float>(dt));
  ZRNodeManager* manager = client.getRenderNodeManager();
  if (manager == nullptr) return;
  int width = 0, height = 0;
  manager->getOptimalWindowSize(width, height);
  enable2D(1, width, height, manager->uiScale, nullptr, nullptr);
  manager->render(dt);
  disable2D(nullptr, nullptr);
}

void drawVideoOutput() {
  static std::atomic<bool> said{false};
  if (!said.exchange(true)) ZRLOG("video output: not available yet");
  glClear(GL_COLOR_BUFFER_BIT);
}

}  // namespace

bool RenderMain(double dt, int mode, int, int, int opengl, ZRRenderClient* client) {
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
    drawVideoOutput();
  }
  return true;
}
