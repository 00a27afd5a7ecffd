#pragma once
// ZROverlayGraphicsShaderLayer: the audio-reactive shader of the video output, an overlay layer. A full-frame
// GLSL fragment shader is drawn every output frame through a 512 x 2 one-byte audio texture (row 0 the
// master's spectrum, row 1 its waveform; ZRShaderAudioAnalysis) with the shader-toy inputs (output size,
// time, time step, frame count, 60 frames and 44100 Hz). The output composition draws it where a deck has no
// video.
//
// The shaders are a list of {name, shaderID, filename} with a current index (-1 none), stored in
// "shaders.xml" of the Shaders folder (read at construction, written by saveShaders and at destruction,
// sorted by name); each shader is a .frag file in that folder. Every change of the list posts the
// list-changed callback with 1, every change of the current shader with 0, to the callback queue.
//
// Choosing a shader reads its file on the "low" pool; the text reaches the render thread through a
// locked slot and is compiled there at the next draw. A choice made meanwhile wins: an older read that
// finishes later is dropped. With no shader the layer draws nothing and the analysis is stopped.
//
// Threads: the list, current index and callbacks may be used from any thread (a read/write lock; the
// callbacks are posted, never called under it). putSamples is the audio thread's (lock-free).
// updateFromRenderThread and resetAllGraphicsResourcesInUse are the render thread's, a GL context
// current. Background tasks hold the layer through shared ownership: make it with std::make_shared.
// The owner calls resetAllGraphicsResourcesInUse on the render thread before the last reference goes.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "common/zr_string.h"
#include "video_mixing/zr_overlay_graphics_layers.h"
#include "video_mixing/zr_shader_audio_analysis.h"
#include "video_mixing/zr_shader_list_file.h"

class ZRDispatchQueueBase;
class ZRTexture;
class wxListBox;

class ZROverlayGraphicsShaderLayer : public ZROverlayGraphicsLayer,
                                     public std::enable_shared_from_this<ZROverlayGraphicsShaderLayer> {
 public:
  using Shader = ZRShaderListEntry;
  // 1: the list changed; 0: the current shader changed.
  using ListChangedCallback = std::function<bool(int)>;
  // (0, 0.0, success, message).
  using ResultCallback = std::function<bool(int, double, bool, ZRString)>;

  // shadersFolder ends in "/". Reads "shaders.xml" from it.
  ZROverlayGraphicsShaderLayer(const ZRString& shadersFolder, ListChangedCallback listChanged,
                               ZRDispatchQueueBase* callbackQueue);
  // Stops the analysis and writes "shaders.xml".
  ~ZROverlayGraphicsShaderLayer() override;
  ZROverlayGraphicsShaderLayer(const ZROverlayGraphicsShaderLayer&) = delete;
  ZROverlayGraphicsShaderLayer& operator=(const ZROverlayGraphicsShaderLayer&) = delete;

  const ZRString& shadersFolder() const { return folder_; }

  // ---- the list (any thread) ------------------------------------------------------------------------

  // Replaces the list and the current index from the file (a current index outside the list becomes -1);
  // a missing or unreadable file keeps the list, with a log line; an unreadable one is renamed aside
  // (keepFileAside) so that no later save writes over it. True when read.
  bool loadShaders(const ZRString& path);
  // Sorts the list by name ignoring case (the current shader stays current) and writes the file
  // atomically; false, the old file kept, with "st: cannot write shaders list" when that fails.
  bool saveShaders(const ZRString& path);

  int getTotalShaders() const;
  int getCurrentShader() const;
  // Empty outside the list.
  ZRString getShaderName(int index) const;
  std::vector<Shader> getShaders() const;
  // Clears the box and appends every shader's name in list order (main thread; nothing for null).
  void populateListBox_Shaders(wxListBox* box) const;

  // Below 0: no shader. Inside the list: that shader becomes current and its file is read. Beyond the
  // list: nothing changes.
  void setCurrentShader(int index);
  // -1 when a field is empty; otherwise updates the entry with the same shaderID (ignoring case) or
  // appends one, and returns its index.
  int addShaderToList(const Shader& shader);
  // Removes the entry (its file stays). The current shader stays current when another entry goes (its
  // index follows it); removing the current entry leaves no shader. False for an index outside the list.
  bool removeShaderFromList(int index);
  bool renameShader(int index, const ZRString& name);

  // Reads path on the "low" pool and hands the text to the render thread, starting the analysis; the
  // callback (optional) gets (0, 0.0, true, "success") on queue, or false with "error: cannot read shader
  // file" when the file cannot be read.
  void loadConvertedShader(const ZRString& path, ResultCallback callback, ZRDispatchQueueBase* queue);

  // Imports a shader from the shader-sharing service on the "low" pool (zr_web_shader_fetch.h): on
  // success it is added to the list (an entry with its id is updated) and, with makeCurrent, chosen. The
  // callback (optional) gets (0, 0.0, success, message) on queue for every import.
  void getAndConvertWebGLShader(const ZRString& address, bool makeCurrent, ResultCallback callback,
                                ZRDispatchQueueBase* queue);

  // ---- audio --------------------------------------------------------------------------------------

  void putSamples(const float* interleavedStereo, int frames) {
    analysis_.putSamples(interleavedStereo, frames);
  }
  void startProcessing() { analysis_.start(); }
  void stopProcessing() { analysis_.stop(); }
  bool isProcessing() const { return analysis_.isProcessing(); }
  ZRShaderAudioAnalysis& analysis() { return analysis_; }

  // ---- render thread ------------------------------------------------------------------------------

  // One output frame: uploads the newest audio picture and, when a shader is ready and audio has arrived
  // (and alternate is clear), draws it over the whole current target.
  void updateFromRenderThread(double dt, bool opengl, void* device, void* context, float width, float height,
                              bool hold, bool alternate) override;
  // Deletes the audio texture; the next update makes it again with the current shader.
  void resetAllGraphicsResourcesInUse() override;
  // Whether a shader is chosen (its picture may show).
  bool drawsSomething() const override { return getCurrentShader() >= 0; }
  // Whether the next update would draw (a shader handed over and audio arrived).
  bool isShaderReady() const { return shaderReady_.load(); }
  bool hasStarted() const { return started_.load(); }
  // Whether the last update drew the shader (render thread).
  bool drewLastUpdate() const { return drew_; }
  bool hasAudioTexture() const { return hasTexture_.load(); }

 private:
  void postListChanged(int what);
  int currentLocked() const;

  const ZRString folder_;
  ListChangedCallback listChanged_;
  ZRDispatchQueueBase* callbackQueue_;

  mutable std::shared_mutex listLock_;
  std::vector<Shader> shaders_;
  int current_ = -1;

  // The shader text handed to the render thread: the newest choice's text (generation_ names the choice).
  std::mutex slotLock_;
  std::string pendingSource_;
  bool sourcePending_ = false;
  std::string currentSource_;  // the text the texture was last given (again after a reset)
  uint64_t generation_ = 0;
  std::atomic<bool> shaderReady_{false};

  ZRShaderAudioAnalysis analysis_;

  // ---- render thread only ----
  ZRTexture* texture_ = nullptr;
  std::atomic<bool> hasTexture_{false};
  std::atomic<bool> started_{false};
  bool hasAudioData_ = false;
  bool drew_ = false;
  double time_ = 0;
  int frame_ = 0;
  unsigned char image_[ZRShaderAudioAnalysis::kImageBytes] = {};
};
