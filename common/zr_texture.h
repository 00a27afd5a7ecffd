#pragma once
// ZRTexture: the drawing surfaces of the skin and the video output. This header holds the part that
// lower layers read: which render engine the process draws with, chosen once when the render system
// starts. The video reader picks its pixel layout from it (see codecs/zr_ffmpeg_video.h).

#include <atomic>

enum ZRRenderEngineType {
  ZRRenderEngineNone = 0,    // no render system started yet
  ZRRenderEngineOpenGL = 1,  // the engine the system runs with; takes BGRA pictures
  ZRRenderEngineRGBA = 2,    // an engine whose textures take RGBA (or BGR24) pictures
};

class ZRTexture {
 public:
  // Set once by the render system at start-up; any thread may read it afterwards.
  static void setDefaultRenderDevice(ZRRenderEngineType engine) {
    defaultRenderEngine.store(engine, std::memory_order_release);
  }
  static inline std::atomic<ZRRenderEngineType> defaultRenderEngine{ZRRenderEngineNone};
};
